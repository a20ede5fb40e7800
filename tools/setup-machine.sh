#!/usr/bin/env bash
# Installs, with apt-get, whatever this Debian 12 machine lacks to build and test
# Stepforge: the native toolchain and GoogleTest, the MinGW-w64 i686 cross
# compiler, 32-bit Wine, Xvfb, xdotool, ImageMagick, PulseAudio, and NSIS for
# the Windows installer.
set -euo pipefail

packages=(
  g++ make cmake python3 file libgtest-dev googletest
  g++-mingw-w64-i686 binutils-mingw-w64-i686 mingw-w64-tools
  wine wine32:i386
  xvfb xdotool x11-utils imagemagick pulseaudio pulseaudio-utils
  nsis
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=()
if [[ $(id -u) -ne 0 ]]; then
  command -v sudo >/dev/null || { echo "setup: need root (or sudo) to install: ${missing[*]}" >&2; exit 1; }
  sudo=(sudo)
fi
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo[@]}" dpkg --add-architecture i386
fi
"${sudo[@]}" apt-get update -q </dev/null
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}" </dev/null
