#!/usr/bin/env bash
# Installs every Debian package the build, the program and the tests need; skips what is there.
# Run as root (apt-get directly) or as a user with sudo.
set -euo pipefail

packages=(
  # toolchain and test frameworks
  cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev
  # the tests' image helper writes PNG files
  libpng-dev
  # fuzz targets: clang with the libFuzzer and sanitizer runtimes
  clang libclang-rt-14-dev
  # platform stand-in: window, GL, audio, dialog, text
  libsdl2-dev libepoxy-dev libgtk-3-dev libfreetype-dev libfontconfig-dev libx11-dev
  libasound2-dev
  fonts-dejavu-core fonts-liberation
  # headless display with software OpenGL, and real key events for the dialog test
  xvfb xauth libgl1-mesa-dri libglx-mesa0 xdotool
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "installing: ${missing[*]}"
if [[ $(id -u) -eq 0 ]]; then sudo=(); else sudo=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
