#!/usr/bin/env bash
# Builds the Windows executables with Debian's MinGW-w64 (POSIX threads):
#   build/win32/umbravel.exe   PE32, i686: the original 32-bit target
#   build/win64/umbravel.exe   PE32+, x86-64
# The forge is a build tool and runs on this machine: the host's release build writes the
# content folder (build/release/content) and the icon (build/release/icon), and both
# executables embed them.
# Usage: scripts/build-windows.sh [--tests] [win32|win64]...   (default: both)
# --tests also cross-builds the unit tests with GoogleTest from Debian's sources; they run
# under Wine (scripts/test-windows.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/apt.sh"

tests=OFF
targets=()
for arg in "$@"; do
  case "$arg" in
    --tests) tests=ON ;;
    win32|win64) targets+=("$arg") ;;
    *) echo "usage: $0 [--tests] [win32|win64]..." >&2; exit 2 ;;
  esac
done
((${#targets[@]})) || targets=(win32 win64)

"$root/scripts/setup.sh"
apt_install g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix libstb-dev googletest

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

# The host's forge and its content folder, configured as scripts/build.sh configures it.
host="$root/build/release"
cmake -S "$root" -B "$host" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
cmake --build "$host" -j"$(nproc)" --target forge_content forge_icon

for target in "${targets[@]}"; do
  case "$target" in
    win32) toolchain="$root/cmake/mingw-i686.cmake" ;;
    win64) toolchain="$root/cmake/mingw-x86_64.cmake" ;;
  esac
  cmake -S "$root" -B "$root/build/$target" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DUMBRAVEL_CONTENT_DIR="$host/content" -DUMBRAVEL_ICON_DIR="$host/icon" \
    -DUMBRAVEL_TESTS="$tests" -DUMBRAVEL_BENCH=OFF -DCMAKE_CROSSCOMPILING_EMULATOR=wine "${launcher[@]}" >/dev/null
  cmake --build "$root/build/$target" -j"$(nproc)"
  echo "build-windows: $root/build/$target/umbravel.exe and tools/tool/umbravel-tool.exe"
done
