#!/usr/bin/env bash
# Installs what is missing, configures, builds and runs the whole test suite, then builds and runs
# a small outside project against the installed package. KZ_WERROR=ON turns warnings into errors.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
kz_ensure_packages "${KZ_BUILD_PACKAGES[@]}"

build=${KZ_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKZ_WERROR="${KZ_WERROR:-OFF}"
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"

prefix="$PWD/$build/install"
rm -rf "$prefix" "$build/consumer"
cmake --install "$build" --prefix "$prefix" >/dev/null
cmake -S tests/consumer -B "$build/consumer" -G Ninja -DCMAKE_PREFIX_PATH="$prefix"
cmake --build "$build/consumer"
"$build/consumer/kz_consumer"
