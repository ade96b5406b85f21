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
# LeakSanitizer checks the tests whose processes never open a window: the decoders, the
# loaders, the player and mixer, the forge, the file store. Tests that open a window load
# the system's GL, X and D-Bus libraries, whose own allocations left at exit differ from
# one machine's graphics stack to another's (tests/lsan.supp names those seen here), and
# the tests matched by `leaky` also end with engine records (objects, surfaces, textures,
# scenes) that neither they nor the sections free: both run with the leak check off.
leaky='^(BrainAngles|BrainSection|FindNearestTriangle|FlashPaths|ForgeObjects|GLEngineTest|HeartSection|LightWaveLoader|LoadingScreenDeathTest|OverlayGLTest|TvSection|Program|RealTimeShow)\.'
windowed='^(PlatformWindow|Opening|ClosingSection|Missile|Metaballs|Overlay|Teletype|Noise|TvLight|Records|GLEngineWithoutWindow|WindowHook|TimerDevice|Quit|QuitDeathTest|SetupDialog|LoadingBar|LoadingScreen|SetupDialogWindow|HeardPosition|VssDevices)\.'
ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0" \
  UBSAN_OPTIONS=print_stacktrace=1 ctest --test-dir "$root/build/asan" --output-on-failure -j"$jobs" \
  -E "$leaky|$windowed"
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir "$root/build/asan" --output-on-failure -j"$jobs" -R "$leaky|$windowed"

"$root/scripts/build.sh" tsan
# Left out here, run by the stages above: the dialog's test (see below), and the tests that
# play one section's stretch of the show or capture the whole show twice to compare: the
# whole-show capture, the start jumps and the real-time runs, which run under this
# sanitizer, draw every section with the same threads; and the forge's whole run, a
# build tool with one thread.
tsan_skip='^(Program\.SetupDialogOnX11|Program\.CaptureIsFrameExactAndRepeatable|HeartSection\.PlaysFromOrderThreeToOrderTen|ClosingSection\.TypesAtItsRowsThenFadesForSevenSeconds|Opening\.LogoRunsItsThreePhasesByTheMusic|Opening\.TitleLinesStartAtTheirRows|BrainSection\.RunsThroughOrderTwentyTwoAndEndsInTheCentre|TvSection\.BothPhasesPlayToOrder19|ForgeContent)$'
# Mesa's software rasteriser runs its own uninstrumented threads; one is enough. SDL shows
# its X11 message boxes from a forked child, which under ThreadSanitizer can fail while the
# program's other threads run (the box then falls back to standard error): the dialog's
# test, which looks for the profiling box on the screen, runs in the release build only.
LP_NUM_THREADS=0 TSAN_OPTIONS="halt_on_error=1 suppressions=$root/tests/tsan.supp" \
  ctest --test-dir "$root/build/tsan" --output-on-failure -j"$jobs" -E "$tsan_skip"

# The fuzz targets, each for a minute from its seeds (crash inputs found earlier among
# them, so every one is replayed first) with its format's dictionary; the module target
# also starts from the show's own music.
"$root/scripts/build.sh" fuzz
mkdir -p "$root/build/fuzz/fuzz/it_corpus"
cp "$root/build/release/content/Files/Tenebrix.it" "$root/build/fuzz/fuzz/it_corpus/forge_soundtrack.it"
ctest --test-dir "$root/build/fuzz/fuzz" --output-on-failure -j"$jobs"
