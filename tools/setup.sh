#!/usr/bin/env bash
# Installs what building and testing need on a Debian 12 machine (run as root, or with sudo at hand).
# Idempotent: packages already installed are skipped, and nothing runs when all are present.
set -euo pipefail

PKGS=(g++-mingw-w64-i686 wine wine32:i386 wine64 xvfb xauth fonts-wine cmake make
      googletest libbenchmark-dev g++ clang libclang-rt-14-dev sox python3 imagemagick
      x11-utils python3-numpy pulseaudio pulseaudio-utils)
PKGS+=(flac)   # the reference FLAC encoder/decoder, for the flac filter's interop tests
PKGS+=(zip unzip)   # the release archive (tools/package.sh) and its test

missing=()
for p in "${PKGS[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "setup: installing ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
echo "setup: done"
