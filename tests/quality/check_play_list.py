#!/usr/bin/python3
"""Plays a play list that the program wrote in Debian's mpg123.

The end-to-end play-list test leaves list.m3u in a folder on Wine's drive
Z: (the Unix root): the three MP3 files it encoded, listed twice, as
Windows paths. This maps each entry from Z:\\ to /, hands the mapped list
to `mpg123 -@` and checks that mpg123 decodes every entry: the raw output
of the whole list is as long as the entries decoded one by one, and it
names every stream it plays.

    check_play_list.py --list LIST.m3u --output RESULTS.xml
"""
import argparse
import os
import subprocess
import sys
import tempfile
import time

from results import Results

SUITE = 'PlayListQuality'
MAX_ENTRIES = 1000
MAX_LIST_BYTES = 1 << 20


def unix_path(entry):
    if not entry[:3].upper() == 'Z:\\':
        raise ValueError(f'entry not on drive Z: {entry!r}')
    return '/' + entry[3:].replace('\\', '/')


def read_entries(path):
    with open(path, 'rb') as f:
        data = f.read(MAX_LIST_BYTES + 1)
    if len(data) > MAX_LIST_BYTES:
        raise ValueError('play list too large')
    if b'\r' in data:
        raise ValueError('carriage return in the play list')
    lines = data.decode('cp1252').split('\n')
    if lines[-1] != '':
        raise ValueError('the last entry has no line feed')
    entries = lines[:-1]
    if not entries or len(entries) > MAX_ENTRIES:
        raise ValueError(f'{len(entries)} entries')
    return entries


def decoded_bytes(args):
    run = subprocess.run(['mpg123', '-s'] + args, capture_output=True, timeout=120)
    if run.returncode != 0:
        raise RuntimeError(f'mpg123 failed: {run.stderr.decode(errors="replace")[-300:]}')
    return len(run.stdout)


def check_list(path):
    entries = [unix_path(e) for e in read_entries(path)]
    missing = [e for e in entries if not os.path.isfile(e)]
    if missing:
        raise ValueError(f'entries that are no files: {missing}')
    with tempfile.NamedTemporaryFile('w', suffix='.m3u', delete=False) as mapped:
        mapped.write(''.join(e + '\n' for e in entries))
    try:
        expected = sum(decoded_bytes([e]) for e in entries)
        whole = decoded_bytes(['-@', mapped.name])
        verbose = subprocess.run(['mpg123', '-t', '-v', '-@', mapped.name], capture_output=True, timeout=120)
        played = verbose.stderr.decode(errors='replace').count('Playing MPEG stream')
    finally:
        os.unlink(mapped.name)
    if expected == 0:
        raise ValueError('the entries decode to nothing')
    if whole != expected or played != len(entries):
        raise ValueError(f'mpg123 played {played} of {len(entries)} entries, {whole} of {expected} bytes')
    return f'{len(entries)} entries, {whole} bytes of PCM'


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    parser.add_argument('--list', required=True, help='the play list the end-to-end test left')
    parser.add_argument('--output', required=True, help='the GoogleTest XML file to write')
    args = parser.parse_args()
    results = Results(SUITE)
    started = time.monotonic()
    failure, detail = None, ''
    try:
        detail = check_list(args.list)
    except (OSError, ValueError, RuntimeError, subprocess.TimeoutExpired) as error:
        failure = f'{args.list}: {error}'
    results.add('PlaysEveryEntryInMpg123', failure, started, detail)
    return 1 if results.write(args.output) else 0


if __name__ == '__main__':
    sys.exit(main())
