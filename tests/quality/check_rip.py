#!/usr/bin/python3
"""Checks the MP3 files of a rip against the disc they came from.

The end-to-end rip test leaves its rip in a folder: the MP3 files, the
disc's disc.cue and disc.bin, and manifest.txt with one tab-separated line
per ripped track: track number, first LBA, the track's first frame in the
BIN, frame count, title, MP3 file name. For each track this decodes the MP3
with Debian's mpg123 and checks

  - length: the decoded samples, less the leading delay, are the track's
    samples within one MPEG frame (1152 samples). Our encoder writes no
    LAME info frame for CBR, so mpg123 has no delay or padding to remove and
    decodes whole frames; the delay (encoder plus decoder, 1105 samples for
    LAME) is taken as the shift that aligns the decoded PCM with the disc's,
    and what is left past the track is the encoder's end padding;
  - correlation: after aligning by the best shift within +-2000 samples,
    the decoded PCM correlates with the disc's PCM above 0.99 in each
    channel, over the whole track (samples the MP3 lacks count as silence);
  - tag: the file ends with an ID3 version 1 tag carrying the track title.

Writes the results as GoogleTest XML, which scripts/count_results.py adds
up. A missing rip folder is a failure: the rip test always leaves one.

    check_rip.py --rip FOLDER --output RESULTS.xml
"""
import argparse
import os
import subprocess
import sys
import tempfile
import time
import wave

import numpy as np

from results import Results

SAMPLES_PER_FRAME = 1152  # MPEG-1 Layer III
SAMPLES_PER_SECTOR = 588  # 2352 bytes of 16-bit stereo
MAX_SHIFT = 2000
MIN_CORRELATION = 0.99
SUITE = 'RipQuality'


def read_manifest(path):
    tracks = []
    with open(path, encoding='latin-1') as manifest:
        for line in manifest:
            line = line.rstrip('\r\n')
            if not line:
                continue
            number, lba, bin_frame, frames, title, file_name = line.split('\t')
            tracks.append({'number': int(number), 'lba': int(lba), 'bin_frame': int(bin_frame),
                           'frames': int(frames), 'title': title, 'file': file_name})
    return tracks


def decode(mp3_path):
    """The MP3 decoded by mpg123: (samples as an N x channels array, rate)."""
    handle, wav_path = tempfile.mkstemp(suffix='.wav')
    os.close(handle)
    try:
        run = subprocess.run(['mpg123', '-q', '-w', wav_path, mp3_path], capture_output=True, text=True)
        if run.returncode != 0:
            raise RuntimeError(f'mpg123 failed ({run.returncode}): {run.stderr.strip()[:200]}')
        with wave.open(wav_path, 'rb') as decoded:
            if decoded.getsampwidth() != 2:
                raise RuntimeError(f'mpg123 wrote {8 * decoded.getsampwidth()}-bit samples')
            channels = decoded.getnchannels()
            data = np.frombuffer(decoded.readframes(decoded.getnframes()), dtype='<i2')
            return data.reshape(-1, channels).astype(np.float64), decoded.getframerate()
    finally:
        os.unlink(wav_path)


def best_shift(reference, decoded):
    """The shift k within +-MAX_SHIFT for which decoded[i + k] best matches
    reference[i], by the cross-correlation summed over the channels."""
    size = 1 << int(np.ceil(np.log2(len(reference) + len(decoded) + 1)))
    cross_power = np.zeros(size // 2 + 1, dtype=np.complex128)
    for channel in range(reference.shape[1]):
        cross_power += np.fft.rfft(decoded[:, channel], size) * np.conj(np.fft.rfft(reference[:, channel], size))
    correlation = np.fft.irfft(cross_power, size)
    shifts = np.r_[0:MAX_SHIFT + 1, -MAX_SHIFT:0]
    values = np.r_[correlation[:MAX_SHIFT + 1], correlation[size - MAX_SHIFT:]]
    return int(shifts[int(np.argmax(values))])


def aligned_correlations(reference, decoded, shift):
    """Per channel, over the whole track: decoded samples the shift leaves
    short count as silence, so a stream that stops early correlates less."""
    aligned = np.zeros_like(reference)
    first = max(0, -shift)
    last = min(len(reference), len(decoded) - shift)
    if last > first:
        aligned[first:last] = decoded[first + shift:last + shift]
    correlations = []
    for channel in range(reference.shape[1]):
        x, y = reference[:, channel], aligned[:, channel]
        if np.std(x) == 0 or np.std(y) == 0:
            # Silence matches silence only.
            correlations.append(1.0 if np.array_equal(x, y) else 0.0)
        else:
            correlations.append(float(np.corrcoef(x, y)[0, 1]))
    return correlations


def check_track(folder, disc, track, results):
    name = f'Track{track["number"]:02d}'
    mp3_path = os.path.join(folder, track['file'])
    started = time.monotonic()
    reference = disc[track['bin_frame'] * SAMPLES_PER_SECTOR:
                     (track['bin_frame'] + track['frames']) * SAMPLES_PER_SECTOR]
    expected = track['frames'] * SAMPLES_PER_SECTOR
    try:
        if len(reference) != expected:
            raise RuntimeError(f'the BIN holds {len(reference)} of the track\'s {expected} samples')
        decoded, rate = decode(mp3_path)
    except (OSError, RuntimeError) as error:
        for check in ('DecodedLength', 'CorrelatesWithTheDisc'):
            results.add(f'{name}_{check}', f'{track["file"]}: {error}', started, '')
        decoded = None
    if decoded is not None:
        shift = best_shift(reference, decoded) if decoded.shape[1] == 2 else 0
        past_end = len(decoded) - shift - expected
        failure = None
        cd_format = rate == 44100 and decoded.shape[1] == 2
        if not cd_format:
            failure = f'decoded as {rate} Hz, {decoded.shape[1]} channels, not 44100 Hz stereo'
        elif abs(past_end) > SAMPLES_PER_FRAME:
            failure = (f'decoded {len(decoded)} samples; less the delay of {shift} that is {past_end:+d} '
                       f'against the track\'s {expected}, more than one frame ({SAMPLES_PER_FRAME})')
        results.add(f'{name}_DecodedLength', failure, started,
                    f'decoded {len(decoded)} samples = delay {shift} + track {expected} {past_end:+d}')
        started = time.monotonic()
        correlations = aligned_correlations(reference, decoded, shift) if cd_format else [float('nan')]
        worst = min(correlations)
        failure = None
        if not worst > MIN_CORRELATION:
            failure = (f'correlation with the disc {", ".join(f"{c:.6f}" for c in correlations)} '
                       f'at shift {shift}, not above {MIN_CORRELATION}')
        results.add(f'{name}_CorrelatesWithTheDisc', failure, started,
                    f'correlation {" / ".join(f"{c:.6f}" for c in correlations)} (left / right) at shift {shift}')

    started = time.monotonic()
    failure = None
    title = ''
    try:
        with open(mp3_path, 'rb') as mp3:
            mp3.seek(0, os.SEEK_END)
            if mp3.tell() < 128:
                raise RuntimeError('shorter than a tag')
            mp3.seek(-128, os.SEEK_END)
            tag = mp3.read(128)
        if tag[:3] != b'TAG':
            failure = f'no ID3v1 tag: the last 128 bytes start {tag[:3]!r}'
        else:
            title = tag[3:33].rstrip(b'\0 ').decode('latin-1')
            if title != track['title']:
                failure = f'the ID3v1 title is "{title}", not "{track["title"]}"'
    except (OSError, RuntimeError) as error:
        failure = f'{track["file"]}: {error}'
    results.add(f'{name}_Id3v1Title', failure, started, f'ID3v1 title "{title}"')


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    parser.add_argument('--rip', required=True, help='the folder the rip test left')
    parser.add_argument('--output', required=True, help='the GoogleTest XML file to write')
    args = parser.parse_args()

    results = Results(SUITE)
    started = time.monotonic()
    manifest = os.path.join(args.rip, 'manifest.txt')
    tracks = []
    failure = None
    try:
        tracks = read_manifest(manifest)
        if not tracks:
            failure = f'{manifest} lists no tracks'
    except (OSError, ValueError) as error:
        failure = f'no rip to check in {args.rip} (the end-to-end rip test leaves one): {error}'
    disc = None
    if not failure:
        try:
            disc = np.fromfile(os.path.join(args.rip, 'disc.bin'), dtype='<i2')
            disc = disc[:len(disc) // 2 * 2].reshape(-1, 2).astype(np.float64)
        except OSError as error:
            failure = f'the disc image is missing: {error}'
    results.add('RipFolder', failure, started, f'{len(tracks)} tracks in {args.rip}')
    if disc is not None:
        for track in tracks:
            check_track(args.rip, disc, track, results)
    return 1 if results.write(args.output) else 0


if __name__ == '__main__':
    sys.exit(main())
