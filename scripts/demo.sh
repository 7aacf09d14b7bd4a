#!/usr/bin/env bash
# The main job on a fresh Debian 12 machine: installs what is missing, builds kzpaint (Release)
# and runs its demo, which draws a page into images four times larger than the memory budget,
# round-trips them through an image archive and writes demo.png. Extra arguments go to the demo
# (for example --size 4096, --budget 128 or -o page.png).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
kz_ensure_packages "${KZ_BUILD_PACKAGES[@]}"

build=${KZ_BUILD_DIR:-build-release}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKZ_BUILD_TESTS=OFF \
  -DKZ_BUILD_BENCH=OFF
cmake --build "$build" --target kzpaint
"$build/tools/kzpaint/kzpaint" demo -o demo.png "$@"

# Where the PNG went: demo.png unless the extra arguments named another.
png=demo.png
args=("$@")
for ((i = 0; i < ${#args[@]}; i++)); do
  case ${args[i]} in
    -o | --output) png=${args[i + 1]:-$png} ;;
    -o=* | --output=*) png=${args[i]#*=} ;;
  esac
done
echo "The picture is in $(realpath "$png")."
