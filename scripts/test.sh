#!/usr/bin/env bash
# Sets up, builds and runs every test: the release build under Xvfb and without any
# display (SDL's offscreen driver), the Windows builds under Wine, then the
# address/undefined-behaviour and thread sanitizer builds, then a short run of every
# fuzz target. The thread sanitizer build runs the program tests too: whole captures, and
# the closing in real time with the audio threads running (SDL's dummy audio driver, and
# "No Sound").
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
export LIBGL_ALWAYS_SOFTWARE=1
jobs=$(nproc)

"$root/scripts/build.sh" release
xvfb-run -a -s "-screen 0 1024x768x24" ctest --test-dir "$root/build/release" --output-on-failure -j"$jobs"
# The same drawing and program tests on a machine with no display at all.
env -u DISPLAY -u WAYLAND_DISPLAY ctest --test-dir "$root/build/release" --output-on-failure -R '^(GLEngine|Program)'

# The Windows executables, cross-built and tested under Wine (a 32-bit build that Wine
# cannot run here is said so and checked without it).
"$root/scripts/test-windows.sh"
"$root/scripts/test-packages.sh"

"$root/scripts/build.sh" asan
# LeakSanitizer checks every test whose process frees what it made; the system libraries'
# own leaks are listed, library by library, in tests/lsan.supp. The tests matched by
# `leaky` still end with engine records (objects, surfaces, textures, scenes) that neither
# they nor the sections free, so they run with the leak check off.
leaky='^(BrainAngles|BrainSection|FindNearestTriangle|FlashPaths|ForgeObjects|GLEngineTest|HeartSection|LightWaveLoader|LoadingScreenDeathTest|OverlayGLTest|TvSection|Program|RealTimeShow)\.'
ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0" \
  UBSAN_OPTIONS=print_stacktrace=1 ctest --test-dir "$root/build/asan" --output-on-failure -j"$jobs" -E "$leaky"
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir "$root/build/asan" --output-on-failure -j"$jobs" -R "$leaky"

"$root/scripts/build.sh" tsan
# Mesa's software rasteriser runs its own uninstrumented threads; one is enough. SDL shows
# its X11 message boxes from a forked child, which under ThreadSanitizer can fail while the
# program's other threads run (the box then falls back to standard error): the dialog's
# test, which looks for the profiling box on the screen, runs in the release build only.
LP_NUM_THREADS=0 TSAN_OPTIONS="halt_on_error=1 suppressions=$root/tests/tsan.supp" \
  ctest --test-dir "$root/build/tsan" --output-on-failure -j"$jobs" -E '^Program\.SetupDialogOnX11$'

# The fuzz targets, each for a minute from its seeds (crash inputs found earlier among
# them, so every one is replayed first) with its format's dictionary; the module target
# also starts from the show's own music.
"$root/scripts/build.sh" fuzz
mkdir -p "$root/build/fuzz/fuzz/it_corpus"
cp "$root/build/release/content/Files/Tenebrix.it" "$root/build/fuzz/fuzz/it_corpus/forge_soundtrack.it"
ctest --test-dir "$root/build/fuzz/fuzz" --output-on-failure
