#!/usr/bin/env python3
"""Writes the demo library that tools/run.sh opens: short tones as WAV, MP3 and FLAC, one
FLAC album image cut into tracks by a CUE sheet that names it as WAV, the same album in a zip,
and a 7z and a zip of tones.

usage: make_demo_library.py OUTDIR
"""
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "fixtures"))
from make_audio import write_wav  # noqa: E402

NOTES = [("01 ド", 262), ("02 レ", 294), ("03 ミ", 330), ("04 ファ", 349), ("05 ソ", 392)]
SHEET = """PERFORMER "melodrift"
TITLE "デモ アルバム"
FILE "album.wav" WAVE
  TRACK 01 AUDIO
    TITLE "はじまり"
    INDEX 01 00:00:00
  TRACK 02 AUDIO
    TITLE "まんなか"
    INDEX 01 00:04:00
  TRACK 03 AUDIO
    TITLE "おわり"
    INDEX 01 00:08:00
"""


def main():
    out = sys.argv[1]
    if os.path.isdir(out):
        shutil.rmtree(out)
    os.makedirs(out)
    for name, frequency in NOTES[:3]:
        write_wav(os.path.join(out, name + ".wav"), [(frequency, 4)])
    encoders = {".mp3": ["lame", "--quiet", "-b", "128"], ".flac": ["flac", "-s", "-o"]}
    for (name, frequency), extension in zip(NOTES[3:], (".mp3", ".flac")):
        source = os.path.join(out, name + ".tmp.wav")
        write_wav(source, [(frequency, 4)])
        target = os.path.join(out, name + extension)
        arguments = [target, source] if extension == ".flac" else [source, target]
        subprocess.run(encoders[extension] + arguments, check=True)
        os.remove(source)

    # The image is FLAC while its sheet names album.wav, as after a rip was compressed.
    album = os.path.join(out, "アルバム")
    os.makedirs(album)
    image = os.path.join(album, "album.wav")
    write_wav(image, [(440, 4), (554, 4), (659, 4)])
    subprocess.run(["flac", "-s", "-o", os.path.join(album, "album.flac"), image], check=True)
    os.remove(image)
    with open(os.path.join(album, "album.cue"), "w", encoding="utf-8-sig", newline="\r\n") as sheet:
        sheet.write(SHEET)
    subprocess.run(["7zz", "a", "-bd", "-tzip", "アルバム.zip", "アルバム"], cwd=out, check=True,
                   stdout=subprocess.DEVNULL)

    stage = os.path.join(out, ".stage")
    os.makedirs(os.path.join(stage, "和音"))
    write_wav(os.path.join(stage, "和音", "ラ.wav"), [(440, 3)])
    write_wav(os.path.join(stage, "シ.wav"), [(494, 3)])
    for name in ("アーカイブ.7z", "アーカイブ.zip"):
        kind = "-t7z" if name.endswith(".7z") else "-tzip"
        subprocess.run(["7zz", "a", "-bd", kind, os.path.join(os.path.abspath(out), name), "."], cwd=stage,
                       check=True, stdout=subprocess.DEVNULL)
    shutil.rmtree(stage)


if __name__ == "__main__":
    main()
