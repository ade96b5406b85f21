#!/usr/bin/env bash
# Installs what building, running and testing Umbravel needs on Debian 12 (run as root,
# or with sudo available). Safe to run again.
set -euo pipefail
. "$(dirname "$0")/apt.sh"
packages=(
  build-essential cmake ninja-build pkg-config git
  libsdl2-dev libasound2-dev libimgui-dev libstb-dev libgl-dev libegl-dev libgl1-mesa-dri libegl-mesa0 libpng-dev
  libjpeg62-turbo-dev libopenmpt-dev libfreetype-dev fonts-terminus fonts-dejavu-core
  googletest libgtest-dev libbenchmark-dev
  clang libclang-rt-14-dev  # the fuzz targets: clang only recommends its libFuzzer and sanitizer runtimes
  xvfb xauth xdotool x11-utils
  xfonts-base  # the X core fonts SDL's message boxes draw with; without them no box appears
  ffmpeg       # capture into a video file (the program runs without it otherwise)
  binutils-mingw-w64-x86-64  # windres: the Linux tests compile the Windows resource script too
)
apt_install "${packages[@]}"
