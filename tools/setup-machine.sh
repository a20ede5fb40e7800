#!/usr/bin/env bash
# Installs, with apt-get, whatever this Debian 12 machine lacks to build and test
# Stepforge: the native toolchain and GoogleTest, clang with libFuzzer, both
# MinGW-w64 cross compilers (i686 and x86_64), 64-bit Wine, Xvfb, xdotool,
# ImageMagick, PulseAudio and NSIS for the Windows installers; and 32-bit Wine
# only where the kernel runs 32-bit code (tools/can-run-32bit), since elsewhere
# it cannot start and would only hide the working 64-bit loader.
set -euo pipefail
here=$(dirname "$0")

packages=(
  g++ make cmake python3 file libgtest-dev googletest
  clang libclang-rt-14-dev
  g++-mingw-w64-i686 binutils-mingw-w64-i686
  g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 mingw-w64-tools
  wine wine64
  xvfb xdotool x11-utils imagemagick pulseaudio pulseaudio-utils
  nsis
)
runs_32bit=0
if "$here/can-run-32bit" >/dev/null; then
  runs_32bit=1
  packages+=(wine32:i386)
fi

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
if [[ $runs_32bit -eq 1 ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo[@]}" dpkg --add-architecture i386
fi
"${sudo[@]}" apt-get update -q </dev/null
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}" </dev/null
