#!/usr/bin/python3
"""Checks the compiled help file CantaroMaker.chm.

Unpacks the CHM with chmls (Debian's fp-utils, beside chmcmd) and checks
what a reader relies on:

  - the default topic named in #SYSTEM is a page of the file;
  - every page is reachable from the table of contents;
  - every link of every page, of the contents and of the index resolves:
    to a file inside the CHM and, with a #fragment, to an id on that page
    (links to the web, mailto: and the like are not followed);
  - every picture is a PNG file of at most 120 KB.

    check_help.py --chm CantaroMaker.chm --output RESULTS.xml
"""
import argparse
import html.parser
import os
import posixpath
import subprocess
import sys
import tempfile
import time
import urllib.parse

from results import Results

SUITE = 'HelpFile'
MAX_PICTURE_BYTES = 120 * 1024
MAX_PAGE_BYTES = 1 << 20


class PageParser(html.parser.HTMLParser):
    """Collects the links, the ids and the sitemap targets of one page."""

    def __init__(self):
        super().__init__()
        self.links = []  # (attribute value, what kind of reference)
        self.ids = set()

    def handle_starttag(self, tag, attrs):
        values = dict(attrs)
        if values.get('id'):
            self.ids.add(values['id'])
        if tag == 'a' and values.get('name'):
            self.ids.add(values['name'])
        for attribute in ('href', 'src'):
            if values.get(attribute):
                self.links.append(values[attribute])
        # Contents and index entries: <param name="Local" value="page.html">.
        if tag == 'param' and (values.get('name') or '').lower() == 'local' and values.get('value'):
            self.links.append(values['value'])


def parse(path):
    with open(path, 'rb') as f:
        data = f.read(MAX_PAGE_BYTES + 1)
    if len(data) > MAX_PAGE_BYTES:
        raise ValueError(f'{path} is larger than {MAX_PAGE_BYTES} bytes')
    parser = PageParser()
    parser.feed(data.decode('cp1252', errors='replace'))
    return parser


def unpack(chm, folder):
    run = subprocess.run(['chmls', 'extractall', chm, folder], capture_output=True, timeout=60)
    if run.returncode != 0:
        raise RuntimeError(f'chmls failed: {run.stderr.decode(errors="replace")[-300:]}')
    files = {}
    for root, _, names in os.walk(folder):
        for name in names:
            full = os.path.join(root, name)
            files[os.path.relpath(full, folder).replace(os.sep, '/').lower()] = full
    return files


def default_topic(files):
    system = files.get('#system')
    if not system:
        raise ValueError('no #SYSTEM in the CHM')
    data = open(system, 'rb').read()
    # Records after the 4-byte version: code (2 bytes), length (2 bytes), data;
    # code 2 is the default topic.
    offset = 4
    while offset + 4 <= len(data):
        code = int.from_bytes(data[offset:offset + 2], 'little')
        length = int.from_bytes(data[offset + 2:offset + 4], 'little')
        value = data[offset + 4:offset + 4 + length]
        if code == 2:
            return value.split(b'\0')[0].decode('cp1252')
        offset += 4 + length
    raise ValueError('#SYSTEM names no default topic')


def broken_links(name, parser, files, parsed):
    broken = []
    for link in parser.links:
        parts = urllib.parse.urlsplit(link)
        if parts.scheme or parts.netloc:
            continue
        target = posixpath.normpath(posixpath.join(posixpath.dirname(name), parts.path)).lower() if parts.path else name
        if target not in files:
            broken.append(f'{name}: {link} (no such file)')
        elif parts.fragment and target in parsed and parts.fragment not in parsed[target].ids:
            broken.append(f'{name}: {link} (no such id)')
    return broken


def check(chm, results):
    with tempfile.TemporaryDirectory() as folder:
        started = time.monotonic()
        files = unpack(chm, folder)
        pages = sorted(n for n in files if n.endswith(('.html', '.htm')))
        sitemaps = sorted(n for n in files if n.endswith(('.hhc', '.hhk')))
        parsed = {n: parse(files[n]) for n in pages + sitemaps}

        topic = default_topic(files)
        failure = None if topic.lower() in files else f'default topic {topic} is not in the file'
        results.add('DefaultTopicIsAPage', failure, started, topic)

        started = time.monotonic()
        contents = [n for n in sitemaps if n.endswith('.hhc')]
        listed = {posixpath.normpath(urllib.parse.urlsplit(link).path).lower()
                  for n in contents for link in parsed[n].links}
        missing = [p for p in pages if p not in listed]
        failure = None if contents and not missing else f'not in the contents: {missing or "no .hhc"}'
        results.add('EveryPageIsInTheContents', failure, started, f'{len(pages)} pages')

        started = time.monotonic()
        index = [n for n in sitemaps if n.endswith('.hhk')]
        entries = sum(len(parsed[n].links) for n in index)
        failure = None if entries >= len(pages) else f'the index has {entries} entries for {len(pages)} pages'
        results.add('IndexHasEntries', failure, started, f'{entries} entries')

        started = time.monotonic()
        broken = [b for n in pages + sitemaps for b in broken_links(n, parsed[n], files, parsed)]
        count = sum(len(parsed[n].links) for n in pages + sitemaps)
        results.add('EveryLinkResolves', '; '.join(broken) or None, started, f'{count} links')

        started = time.monotonic()
        pictures = [n for n in files if n.endswith(('.png', '.gif', '.jpg', '.bmp'))]
        bad = [n for n in pictures if not n.endswith('.png') or os.path.getsize(files[n]) > MAX_PICTURE_BYTES
               or open(files[n], 'rb').read(8) != b'\x89PNG\r\n\x1a\n']
        failure = None if pictures and not bad else f'pictures: {bad or "none"}'
        results.add('PicturesAreSmallPngFiles', failure, started, f'{len(pictures)} pictures')


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    parser.add_argument('--chm', required=True, help='the compiled help file')
    parser.add_argument('--output', required=True, help='the GoogleTest XML file to write')
    args = parser.parse_args()
    results = Results(SUITE)
    started = time.monotonic()
    try:
        check(args.chm, results)
    except (OSError, ValueError, RuntimeError, subprocess.TimeoutExpired) as error:
        results.add('Unpack', f'{args.chm}: {error}', started, '')
    return 1 if results.write(args.output) else 0


if __name__ == '__main__':
    sys.exit(main())
