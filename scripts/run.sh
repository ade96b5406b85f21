#!/usr/bin/env bash
# Sets up, builds and runs the show. With a display it opens the show (pass --windowed
# for a window); on a machine without one it captures the show frame by frame into the
# video ./capture/show.mp4, with its music. Extra arguments go to the program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" release
program="$root/build/release/umbravel"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$program" --no-setup "$@"
fi
out="$root/capture/show.mp4"
echo "No display found: capturing the show into $out (25 frames per second, 640x480)."
"$program" --capture "$out" --fps 25 --size 640x480 "$@"
echo "The show with its music is in $out."
