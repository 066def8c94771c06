#!/usr/bin/python3
"""Reads back the ID3v2.3 tags of the MP3 files the end-to-end test ripped.

The test leaves a folder with the MP3 files, cover.jpg (the cover it put in
the CDDB cache) and manifest.txt, one tab-separated UTF-8 line per file:
file, title, artist, album, year, track ("n/total"), genre, frames of the
track. For each file this checks, with mutagen (an independent tag reader):

  - the tag: version 2.3, the texts of TIT2 TPE1 TALB TYER TRCK TCON, each
    in ISO-8859-1 when it fits and in UTF-16 otherwise, and an APIC front
    cover (type 3, image/jpeg) holding cover.jpg byte for byte;
  - the ID3v1 tag still ends the file;
  - the VBR header: the first audio frame behind the tag is LAME's Xing
    frame, and its frame count is that of the frames that follow;
  - mpg123 decodes the file, and with the encoder delay and padding the
    header records removed, gives exactly the track's samples.

    check_id3v2.py --folder FOLDER --output RESULTS.xml
"""
import argparse
import os
import subprocess
import sys
import tempfile
import time
import wave

from mutagen.id3 import ID3
from mutagen.mp3 import MP3

from results import Results

SUITE = 'Id3v2Tags'
SAMPLES_PER_SECTOR = 588
BIT_RATES = [0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320]


def latin1(text):
    try:
        text.encode('latin-1')
        return True
    except UnicodeEncodeError:
        return False


def check_tag(path, expected, cover):
    tag = ID3(path, translate=False)
    if tag.version != (2, 3, 0):
        return f'version {tag.version}'
    title, artist, album, year, track, genre = expected
    for frame_id, text in (('TIT2', title), ('TPE1', artist), ('TALB', album), ('TYER', year),
                           ('TRCK', track), ('TCON', genre)):
        frame = tag.get(frame_id)
        if frame is None:
            return f'no {frame_id}'
        if str(frame.text[0]) != text:
            return f'{frame_id} is {frame.text[0]!r}, not {text!r}'
        wanted = 0 if latin1(text) else 1
        if frame.encoding != wanted:
            return f'{frame_id} in encoding {frame.encoding}, not {wanted}'
    pictures = tag.getall('APIC')
    if len(pictures) != 1:
        return f'{len(pictures)} pictures'
    picture = pictures[0]
    if picture.type != 3 or picture.mime != 'image/jpeg' or picture.data != cover:
        return f'picture type {picture.type}, {picture.mime}, {len(picture.data)} bytes'
    return None


def frames_after(data, offset):
    """The MPEG-1 Layer III frames from offset on, as (offset, length)."""
    frames = []
    while offset + 4 <= len(data) and data[offset] == 0xFF and (data[offset + 1] & 0xE0) == 0xE0:
        rate = BIT_RATES[data[offset + 2] >> 4]
        padding = (data[offset + 2] >> 1) & 1
        if rate == 0:
            break
        length = 144000 * rate // 44100 + padding
        frames.append((offset, length))
        offset += length
    return frames


def check_vbr_header(data, tag_size):
    frames = frames_after(data, tag_size)
    if len(frames) < 2:
        return 'no MPEG frames behind the tag'
    first = data[frames[0][0]:frames[0][0] + frames[0][1]]
    at = first.find(b'Xing')
    if at < 0:
        return 'the first frame is no Xing frame'
    flags = int.from_bytes(first[at + 4:at + 8], 'big')
    if not flags & 1:
        return 'the Xing frame has no frame count'
    count = int.from_bytes(first[at + 8:at + 12], 'big')
    if count not in (len(frames) - 1, len(frames)):
        return f'the Xing frame counts {count} frames, the file has {len(frames)}'
    if data[frames[-1][0] + frames[-1][1]:][:3] != b'TAG':
        return 'the ID3v1 tag does not follow the last frame'
    return None


def decoded_samples(path):
    with tempfile.TemporaryDirectory() as folder:
        out = os.path.join(folder, 'out.wav')
        subprocess.run(['mpg123', '-q', '-w', out, path], check=True, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        with wave.open(out) as w:
            return w.getnframes()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--folder', required=True)
    parser.add_argument('--output', required=True)
    args = parser.parse_args()
    results = Results(SUITE)
    manifest = os.path.join(args.folder, 'manifest.txt')
    started = time.monotonic()
    if not os.path.exists(manifest):
        results.add('Manifest', f'{manifest} is missing: the end-to-end test left no files', started, '')
        return 1 if results.write(args.output) else 0
    with open(os.path.join(args.folder, 'cover.jpg'), 'rb') as f:
        cover = f.read()
    with open(manifest, encoding='utf-8') as f:
        lines = [line.rstrip('\r\n').split('\t') for line in f if line.strip()]
    for name, title, artist, album, year, track, genre, frames in lines:
        path = os.path.join(args.folder, name)
        with open(path, 'rb') as f:
            data = f.read()
        tag_size = 10 + (data[6] << 21 | data[7] << 14 | data[8] << 7 | data[9])
        started = time.monotonic()
        failure = check_tag(path, (title, artist, album, year, track, genre), cover)
        results.add(f'{name}.Tag', failure, started, f'{tag_size} bytes of tag, cover included')
        started = time.monotonic()
        failure = None if data[-128:-125] == b'TAG' else 'no ID3v1 tag at the end'
        results.add(f'{name}.Id3v1', failure, started, 'at the end')
        started = time.monotonic()
        results.add(f'{name}.VbrHeader', check_vbr_header(data, tag_size), started, 'Xing frame behind the tag')
        started = time.monotonic()
        expected = int(frames) * SAMPLES_PER_SECTOR
        try:
            samples = decoded_samples(path)
            failure = None if samples == expected else f'mpg123 gives {samples} samples, the track has {expected}'
        except (subprocess.CalledProcessError, wave.Error) as error:
            samples, failure = 0, f'mpg123 failed: {error}'
        results.add(f'{name}.Mpg123', failure, started, f'{samples} samples')
        info = MP3(path).info
        started = time.monotonic()
        seconds = int(frames) / 75
        failure = None if abs(info.length - seconds) < 0.05 else f'length {info.length:.3f} s, not {seconds:.3f} s'
        results.add(f'{name}.Length', failure, started, f'{info.length:.3f} s')
    return 1 if results.write(args.output) else 0


if __name__ == '__main__':
    sys.exit(main())
