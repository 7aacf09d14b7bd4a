#!/usr/bin/env bash
# Installs what the benchmarks need (Google Benchmark, and pixman as a reference), builds them in
# Release in build-bench and runs them. Arguments go to every benchmark program (for example
# --benchmark_filter=Blend). KZ_BENCH names the programs to run (default: all of them).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
kz_ensure_packages "${KZ_BUILD_PACKAGES[@]}" libpixman-1-dev

build=${KZ_BENCH_BUILD_DIR:-build-bench}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKZ_BUILD_TESTS=OFF \
  -DKZ_BUILD_TOOLS=OFF -DKZ_BUILD_BENCH=ON
cmake --build "$build"
for program in ${KZ_BENCH:-$(cd "$build/bench" && ls kz_bench_* 2>/dev/null)}; do
  echo "== $program"
  "$build/bench/$program" "$@"
done
