#!/usr/bin/env bash
# Installs everything the build and the tests need on Debian 12. Idempotent: packages
# already present are skipped. Arguments: the architectures to run (x86, x64); the
# 32-bit Wine and its plug-ins are installed only where x86 is among them.
set -euo pipefail

packages=(
  cmake make clang-format g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix googletest
  wine wine64 locales fonts-ipafont-gothic
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good libpulse0
  pulseaudio pulseaudio-utils
  xvfb x11-apps x11-utils imagemagick
  7zip lame sox python3
  nasm dpkg-dev flac ffmpeg opus-tools vorbis-tools wavpack
)
for arch in "$@"; do
  [ "$arch" = x86 ] && packages+=(wine32:i386 gstreamer1.0-plugins-base:i386 gstreamer1.0-plugins-good:i386 libpulse0:i386)
done
# npm may come with a Node.js of another origin; only install Debian's when none is there.
command -v npm >/dev/null 2>&1 || packages+=(npm)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
  if printf '%s\n' "${missing[@]}" | grep -q ':i386$' && ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Wine's prefixes are created in the Japanese locale so that the ANSI code page is 932.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP.utf8$'; then
  sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen
fi
