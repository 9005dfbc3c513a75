#!/usr/bin/env bash
# Writes the release of one build: dist/melodrift-VERSION-ARCH.zip, holding one folder
# melodrift-VERSION-ARCH/ with the exe, the 7z.dll of that architecture, 7-Zip's
# licence and readme (which must travel with the DLL), FFmpeg's DLLs with their licence
# and source note, and our readme.txt.
# usage: tools/package.sh BUILD_DIR
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build=$1
name="$(cat "$build/release-name.txt")"  # melodrift-VERSION-ARCH, written by CMake
version=${name#melodrift-}; arch=${version##*-}; version=${version%-*}

stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
folder="$stage/$name"
mkdir -p "$folder" "$repo/dist"
cp "$build/bin/melodrift.exe" "$build/deps/7z.dll" "$build/deps/License.txt" "$folder/"
cp "$build/deps/readme.txt" "$folder/7-Zip-readme.txt"
# FFmpeg's decoder DLLs, its licence and where they were built from.
cp "$build"/bin/av*.dll "$build"/bin/swresample-*.dll "$build"/deps/ffmpeg/* "$folder/"
# Windows line ends and a byte-order mark, so that any editor shows the Japanese text.
{ printf '\357\273\277'
  sed -e "s/@VERSION@/$version/; s/@ARCH@/$arch/" -e 's/$/\r/' "$repo/res/release/readme.txt"; } > "$folder/readme.txt"

rm -f "$repo/dist/$name.zip"
(cd "$stage" && python3 -m zipfile -c "$repo/dist/$name.zip" "$name")
printf '== Wrote dist/%s.zip\n' "$name"
