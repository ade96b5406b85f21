#!/usr/bin/env bash
# Configures and builds one flavour of the program: scripts/build.sh [release|asan|tsan|fuzz]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
flavour=${1:-release}
case "$flavour" in
  release) extra=() ;;
  asan) extra=(-DUMBRAVEL_SANITIZE=ON -DUMBRAVEL_BENCH=OFF) ;;
  tsan) extra=(-DUMBRAVEL_TSAN=ON -DUMBRAVEL_BENCH=OFF) ;;
  fuzz) extra=(-DUMBRAVEL_FUZZ=ON -DUMBRAVEL_TESTS=OFF -DUMBRAVEL_BENCH=OFF
               -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++) ;;
  *) echo "usage: $0 [release|asan|tsan|fuzz]" >&2; exit 2 ;;
esac
build="$root/build/$flavour"
# Rebuilds of another flavour or checkout reuse what is already compiled.
command -v ccache >/dev/null && extra+=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${extra[@]}" >/dev/null
if [ "$flavour" = fuzz ]; then
  cmake --build "$build" -j"$(nproc)" --target fuzz_targets
else
  cmake --build "$build" -j"$(nproc)"
fi
