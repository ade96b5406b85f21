#!/usr/bin/env bash
# Makes the release packages (scripts/package-windows.sh, scripts/package-linux.sh) and
# tests them as a user gets them:
#   - each Windows archive unpacked: its files, README.txt with Windows line ends, and
#     `umbravel.exe --version` under Wine (the 32-bit one only where wine32 is installed,
#     as scripts/test-windows.sh leaves it), equal to the host build's line;
#   - the Debian package unpacked into a scratch root: its files, a valid desktop entry, a
#     Depends line of runtime libraries only (no -dev package), and the installed
#     `umbravel --version`;
#   - one short capture from the unpacked 64-bit executable under Wine and one from the
#     installed Linux program, with the same flags: both exit 0 with frames, and their
#     sound.wav and timeline.txt are the same bytes.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/apt.sh"
export LIBGL_ALWAYS_SOFTWARE=1 WINEDEBUG=-all
export WINEPREFIX="$root/build/wine-prefix"
# The tail of the show, small and at a low rate.
capture_flags=(--size 96x72 --fps 5 --start closing)

started=$(date +%s)
apt_install wine wine64 xvfb xauth unzip file dpkg-dev desktop-file-utils
"$root/scripts/package-windows.sh"
"$root/scripts/package-linux.sh"
echo "test-packages: packages made after $(($(date +%s) - started)) s"

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$root/build/release/CMakeCache.txt")
expected=$("$root/build/release/umbravel" --version)
[ "$expected" = "umbravel $version" ] || { echo "test-packages: the host build says '$expected'" >&2; exit 1; }

failures=0
fail() { echo "test-packages: FAILED: $*" >&2; failures=$((failures + 1)); }
wine_fresh() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
}

scratch="$root/build/package-checks"
rm -rf "$scratch"
mkdir -p "$scratch"

# The Windows archives.
wine32=0
dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed" && wine32=1
wine wineboot --init >/dev/null 2>&1 || true
for arch in win64 win32; do
  name="umbravel-$version-$arch"
  zip="$root/dist/$name.zip"
  unzip -q "$zip" -d "$scratch/$arch"
  dir="$scratch/$arch/$name"
  listing=$(cd "$scratch/$arch" && find . -type f | sort | tr '\n' ' ')
  echo "test-packages: $name.zip holds $listing"
  [ -f "$dir/umbravel.exe" ] || { fail "$name.zip has no $name/umbravel.exe"; continue; }
  [[ "$(file -b "$dir/README.txt")" == *"with CRLF line terminators"* ]] \
    || fail "$name.zip: README.txt is $(file -b "$dir/README.txt")"
  grep -q "Umbravel $version" "$dir/README.txt" || fail "$name.zip: README.txt does not name version $version"
  grep -q -- "--no-setup" "$dir/README.txt" || fail "$name.zip: README.txt does not list the flags"
  if [ "$arch" = win32 ] && [ "$wine32" = 0 ]; then
    echo "test-packages: $name: no --version run, wine32:i386 is not installed"
    continue
  fi
  wine_fresh
  status=0
  said=$(env -u DISPLAY wine "$dir/umbravel.exe" --version 2>"$scratch/$arch-version-errors.txt") || status=$?
  said=${said//$'\r'/}
  echo "test-packages: $name: umbravel.exe --version says '$said', exit code $status"
  [ "$status" = 0 ] && [ "$said" = "$expected" ] || fail "$name: --version said '$said' (exit code $status), wanted '$expected'"
done

# The Debian package.
deb="$root/dist/umbravel-$version-amd64.deb"
installed="$scratch/deb-root"
dpkg -x "$deb" "$installed"
for file in usr/bin/umbravel usr/bin/umbravel-tool usr/share/applications/umbravel.desktop; do
  [ -f "$installed/$file" ] || fail "the package has no /$file"
done
if [ -f "$root/build/release/icon/umbravel.png" ]; then
  [ -f "$installed/usr/share/icons/hicolor/256x256/apps/umbravel.png" ] || fail "the package has no icon"
fi
desktop-file-validate "$installed/usr/share/applications/umbravel.desktop" || fail "the desktop entry is not valid"
depends=$(dpkg-deb -f "$deb" Depends)
echo "test-packages: Depends: $depends"
for lib in libsdl2 libgl1 libegl1; do
  [[ "$depends" == *"$lib"* ]] || fail "the package does not depend on $lib"
done
dev=$(tr ',|' '\n\n' <<<"$depends" | sed 's/^ *//; s/[ :(].*//' | grep -- '-dev$' || true)
[ -z "$dev" ] || fail "the package depends on development packages: $dev"
said=$("$installed/usr/bin/umbravel" --version) || fail "the installed umbravel --version failed"
echo "test-packages: the installed umbravel --version says '$said'"
[ "$said" = "$expected" ] || fail "the installed umbravel said '$said', wanted '$expected'"

# One short capture from each system's package, the same flags: the same sound and timeline.
t0=$(date +%s)
status=0
env -u DISPLAY -u WAYLAND_DISPLAY "$installed/usr/bin/umbravel" --capture "$scratch/linux-capture" \
  "${capture_flags[@]}" >/dev/null 2>"$scratch/linux-capture.txt" || status=$?
echo "test-packages: the installed program's capture took $(($(date +%s) - t0)) s, exit code $status"
[ "$status" = 0 ] || fail "the installed program's capture exited with $status"
wine_fresh
t0=$(date +%s)
status=0
xvfb-run -a -s "-screen 0 1024x768x24" wine "$scratch/win64/umbravel-$version-win64/umbravel.exe" \
  --capture "$scratch/win64-capture" "${capture_flags[@]}" >/dev/null 2>"$scratch/win64-capture.txt" || status=$?
echo "test-packages: the unpacked win64 capture under Wine took $(($(date +%s) - t0)) s, exit code $status"
[ "$status" = 0 ] || fail "the unpacked win64 capture exited with $status"
for capture in linux-capture win64-capture; do
  frames=$(find "$scratch/$capture" -name 'frame_*.png' 2>/dev/null | wc -l)
  echo "test-packages: $capture: $frames frames"
  [ "$frames" -gt 0 ] || fail "$capture wrote no frames"
done
for file in sound.wav timeline.txt; do
  cmp -s "$scratch/linux-capture/$file" "$scratch/win64-capture/$file" \
    && echo "test-packages: the two captures' $file are the same bytes" \
    || fail "the two packages' captures differ in $file"
done

echo "test-packages: done in $(($(date +%s) - started)) s, $failures failure(s)"
[ "$failures" = 0 ]
