#!/usr/bin/env bash
# Installs what building, running and testing Umbravel needs on Debian 12 (run as root,
# or with sudo available). Safe to run again.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config git
  libsdl2-dev libgl-dev libegl-dev libgl1-mesa-dri libegl-mesa0 libpng-dev
  libjpeg62-turbo-dev libopenmpt-dev
  googletest libgtest-dev libbenchmark-dev clang
  xvfb xauth
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=""; [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
