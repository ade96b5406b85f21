#!/usr/bin/env bash
# Builds the release (scripts/build.sh release) and makes its Debian package:
#   dist/umbravel-<version>-amd64.deb
# holding usr/bin/umbravel and umbravel-tool (stripped), the desktop entry and the icon.
# Its Depends line is what dpkg-shlibdeps finds the programs load.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/apt.sh"
"$root/scripts/setup.sh"
apt_install dpkg-dev file

"$root/scripts/build.sh" release
build="$root/build/release"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
name="umbravel-$version-amd64.deb"

# CPack works in a folder of its own; only the package goes to dist/.
work="$build/package"
rm -rf "$work"
(cd "$build" && cpack -G DEB -B "$work" >/dev/null)
mkdir -p "$root/dist"
cp "$work/$name" "$root/dist/$name"
echo "package-linux: dist/$name ($(stat -c %s "$root/dist/$name") bytes)"
echo "package-linux: Depends: $(dpkg-deb -f "$root/dist/$name" Depends)"
