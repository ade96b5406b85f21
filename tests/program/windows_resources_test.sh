#!/usr/bin/env bash
# The Windows executable's resources compile with MinGW-w64's windres from the same
# control table the Linux dialog draws, and hold what the Windows program loads: dialog
# 101 with its 22 controls, icon 102 with the forge's four sizes, the version block.
# Skipped (exit 77) where the cross tools are not installed.
# Usage: windows_resources_test.sh SOURCE_DIR ICON_DIR
set -u
source_dir=$1
icon_dir=$2
windres=x86_64-w64-mingw32-windres
if ! command -v "$windres" >/dev/null || ! command -v x86_64-w64-mingw32-gcc >/dev/null; then
  echo "skipped: $windres or its preprocessor (x86_64-w64-mingw32-gcc) is not installed"
  exit 77
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

rc="$source_dir/src/platform/win32/umbravel.rc"
flags=(-I "$source_dir/src" -I "$icon_dir" -DUMBRAVEL_VERSION_MAJOR=1 -DUMBRAVEL_VERSION_MINOR=2
       -DUMBRAVEL_VERSION_PATCH=3)
"$windres" "${flags[@]}" -O coff "$rc" "$scratch/resources.o" || fail "windres cannot compile $rc"
# The compiled resources, written back as a script: what the executable holds (a DIALOG
# template keeps ids in 16 bits: -1 reads back as 65535).
"$windres" -i "$scratch/resources.o" -O rc -o "$scratch/back.rc" || fail "windres cannot read its own output"
back="$scratch/back.rc"

grep -Eq '^101 DIALOG (.* )?0, 0, 290, 200$' "$back" || fail "no dialog 101 of 290 x 200 units"
grep -q '^CAPTION "Vorn Demo - Umbravel"$' "$back" || fail "the caption"
grep -q '^FONT 10, "System"$' "$back" || fail "the font"
# Modal frame, caption, system menu, foreground, and the font the FONT line adds.
grep -q '^STYLE 0x80c802c0$' "$back" || fail "the dialog's style: $(grep '^STYLE' "$back")"
controls=$(sed -n '/^101 DIALOG/,/^END/p' "$back" | grep -c '^  CONTROL')
[ "$controls" = 22 ] || fail "$controls controls, wanted 22"
first=$(sed -n '/^101 DIALOG/,/^END/p' "$back" | grep -m1 '^  CONTROL')
[ "$first" = '  CONTROL "UMBRAVEL", 1003, "BUTTON", 0x50010001, 0, 165, 290, 20' ] || fail "the start button: $first"
grep -q '^  CONTROL 102, 65535, "STATIC", 0x50801003, 0, 0, 20, 20$' "$back" || fail "the icon control"
grep -q '^  CONTROL "", 1021, "LISTBOX", 0x50a10001, 195, 115, 90, 40$' "$back" || fail "the buffer length list"
grep -q '^  CONTROL "Pictures follow the heard sound", 1102, "BUTTON", 0x50010003, 160, 188, 130, 10$' "$back" \
  || fail "the last check box"
grep -q '^102 14 /\* RT_GROUP_ICON \*/' "$back" || fail "no icon group 102"
icons=$(grep -c 'Element no' "$back")
[ "$icons" = 4 ] || fail "$icons pictures in the icon, wanted 4"
grep -q 'VALUE "FileVersion", "1.2.3"' "$back" || fail "the version block"
echo "windows resources: dialog 101 with $controls controls, icon 102 with $icons pictures, version 1.2.3"
