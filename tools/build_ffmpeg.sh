#!/usr/bin/env bash
# Builds FFmpeg's audio libraries (libavformat, libavcodec, libavutil, libswresample) as
# Windows DLLs for one architecture from Debian's source package of FFmpeg: LGPL only,
# with just the demuxers, parsers and decoders of the formats melodrift decodes itself.
# The result is cached outside the work tree, keyed by the package's version and this
# configuration, so that a second run does not build again.
# usage: tools/build_ffmpeg.sh x86|x64   prints the folder holding bin/, include/ and
#        the licence and source note
set -euo pipefail
arch=$1
case "$arch" in
  x86) host=i686-w64-mingw32; cpu=x86 ;;
  x64) host=x86_64-w64-mingw32; cpu=x86_64 ;;
  *) echo "usage: $0 x86|x64" >&2; exit 2 ;;
esac
cache_root="${MELODRIFT_FFMPEG_CACHE:-/var/cache/melodrift/ffmpeg}"

formats=(flac ogg mov aac wv ape tak)
decoders=(flac vorbis opus aac alac wavpack ape tak)
parsers=(flac aac vorbis opus)
configuration=(
  --disable-everything --disable-autodetect --disable-programs --disable-doc
  --disable-avdevice --disable-avfilter --disable-swscale --disable-postproc --disable-network
  --disable-pthreads --enable-w32threads --disable-debug
  --enable-shared --disable-static --enable-cross-compile --target-os=mingw32
  "--enable-demuxer=$(IFS=,; echo "${formats[*]}")" "--enable-decoder=$(IFS=,; echo "${decoders[*]}")"
  "--enable-parser=$(IFS=,; echo "${parsers[*]}")"
)

say() { printf '== %s\n' "$*" >&2; }

# A deb-src entry beside each deb entry the machine already has, so that apt-get source
# reaches the same mirror and suites.
add_source_entries() {
  local list=/etc/apt/sources.list.d/melodrift-sources.sources
  [ -f "$list" ] && return 0
  local file
  for file in /etc/apt/sources.list.d/*.sources; do
    [ -f "$file" ] || continue
    awk 'BEGIN { RS=""; ORS="\n\n" } /(^|\n)Types:[^\n]*deb($|[ \n])/ && /debian/ {
           sub(/Types:[^\n]*/, "Types: deb-src"); print }' "$file"
  done > "$list.new"
  if [ -f /etc/apt/sources.list ]; then
    sed -n 's/^deb \(.*debian.*\)/deb-src \1/p' /etc/apt/sources.list > /etc/apt/sources.list.d/melodrift-sources.list
  fi
  mv "$list.new" "$list"
  apt-get update -q >&2
}

source_version() {
  { apt-cache showsrc ffmpeg 2>/dev/null || true; } | sed -n 's/^Version: //p' | sort -V | tail -1

}

# One build at a time per machine: several work trees share the cache.
mkdir -p "$cache_root"
exec 9>"$cache_root/.lock"
flock 9

version="$(source_version)"
if [ -z "$version" ]; then
  add_source_entries
  version="$(source_version)"
fi
[ -n "$version" ] || { echo "no source package of ffmpeg is reachable" >&2; exit 1; }

key="$(printf '%s\n' "$version" "${configuration[@]}" | sha1sum | cut -c1-12)"
out="$cache_root/${version//[:~]/_}-$key/$arch"
if [ -f "$out/.complete" ]; then
  echo "$out"
  exit 0
fi

sources="$cache_root/source-${version//[:~]/_}"
if [ ! -f "$sources/.complete" ]; then
  say "Fetching Debian's source package of FFmpeg ($version)"
  add_source_entries
  rm -rf "$sources" && mkdir -p "$sources"
  (cd "$sources" && apt-get source -q --download-only "ffmpeg=$version" >&2 &&
     dpkg-source --no-check -x ./*.dsc tree >&2)
  touch "$sources/.complete"
fi

say "Building FFmpeg $version for $arch (LGPL, audio decoders only)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
(cd "$work" &&
  "$sources/tree/configure" --prefix="$work/install" --arch="$cpu" --cross-prefix="$host-" \
    "${configuration[@]}" --extra-ldflags="-static-libgcc -static" >&2 &&
  make -j"$(nproc)" >&2 && make install >&2)

rm -rf "$out" && mkdir -p "$out"
cp -r "$work/install/bin" "$work/install/include" "$out/"
cp "$sources/tree/COPYING.LGPLv2.1" "$out/"
{
  echo "FFmpeg's libavformat, libavcodec, libavutil and libswresample, version $version,"
  echo "built from Debian's source package ffmpeg ($version) under the LGPL 2.1 or later"
  echo "(COPYING.LGPLv2.1); no GPL or nonfree parts."
  echo
  echo "configure --arch=$cpu --cross-prefix=$host- ${configuration[*]} --extra-ldflags=\"-static-libgcc -static\""
} > "$out/ffmpeg-source.txt"
touch "$out/.complete"
echo "$out"
