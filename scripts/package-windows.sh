#!/usr/bin/env bash
# Builds the Windows executables (scripts/build-windows.sh) and makes one archive each:
#   dist/umbravel-<version>-win32.zip   32-bit (PE32, i686)
#   dist/umbravel-<version>-win64.zip   64-bit (PE32+, x86-64)
# each holding a folder umbravel-<version>-<arch>/ with the stripped umbravel.exe, a
# README.txt with Windows line ends (what the program is, its flags, how it ends) and the
# licence text when the checkout has one.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/apt.sh"
# A build folder configured with its unit tests (scripts/test-windows.sh) keeps them, so
# packaging after testing does not configure it anew.
with_tests=() without_tests=()
for arch in win32 win64; do
  if grep -qx 'UMBRAVEL_TESTS:BOOL=ON' "$root/build/$arch/CMakeCache.txt" 2>/dev/null; then
    with_tests+=("$arch")
  else
    without_tests+=("$arch")
  fi
done
if ((${#with_tests[@]})); then "$root/scripts/build-windows.sh" --tests "${with_tests[@]}"; fi
if ((${#without_tests[@]})); then "$root/scripts/build-windows.sh" "${without_tests[@]}"; fi
apt_install zip file binutils-mingw-w64-i686 binutils-mingw-w64-x86-64

# The flags are the same on both systems: the README lists them as the host build prints them.
host="$root/build/release"
cmake --build "$host" --target umbravel >/dev/null
usage=$("$host/umbravel" --help)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$host/CMakeCache.txt")

stage_root="$root/build/package-windows"
rm -rf "$stage_root"
mkdir -p "$root/dist"
for arch in win32 win64; do
  case "$arch" in
    win32) strip=i686-w64-mingw32-strip; label="32-bit" ;;
    win64) strip=x86_64-w64-mingw32-strip; label="64-bit" ;;
  esac
  built=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$root/build/$arch/CMakeCache.txt")
  if [ "$built" != "$version" ]; then
    echo "package-windows: build/$arch is version '$built', the host build '$version'" >&2
    exit 1
  fi
  name="umbravel-$version-$arch"
  stage="$stage_root/$name"
  mkdir -p "$stage"
  "$strip" -o "$stage/umbravel.exe" "$root/build/$arch/umbravel.exe"
  while IFS= read -r line; do
    if [ "$line" = "@USAGE@" ]; then
      printf '%s\n' "$usage"
    else
      line=${line//@VERSION@/$version}
      printf '%s\n' "${line//@ARCH@/$label}"
    fi
  done <"$root/packaging/windows/README.txt" | sed 's/$/\r/' >"$stage/README.txt"
  for licence in "$root"/LICENSE* "$root"/COPYING*; do
    [ -f "$licence" ] || continue
    base=$(basename "$licence")
    sed 's/\r*$/\r/' "$licence" >"$stage/${base%.*}.txt"
  done
  rm -f "$root/dist/$name.zip"
  (cd "$stage_root" && zip -q -X -r "$root/dist/$name.zip" "$name")
  echo "package-windows: dist/$name.zip ($(stat -c %s "$root/dist/$name.zip") bytes):" \
       "$(file -b "$stage/umbravel.exe")"
done
