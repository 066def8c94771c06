#!/usr/bin/env python3
"""Adds up the GoogleTest XML results of both builds and prints the
closing 'N passed, N failed' line. A test program that wrote no results
(it crashed or never ran) counts as one failure."""
import glob
import os
import sys
import xml.etree.ElementTree as ET

EXPECTED = {'host': ['core_tests'], 'win32': ['core_tests', 'win32_tests', 'e2e_tests', 'rip_quality']}
# Counted when they ran: the installer test runs only where makensis is.
OPTIONAL = {'host': [], 'win32': ['installer_test']}


def main(dirs):
    passed = failed = skipped = 0
    for d in dirs:
        # The Windows tree is build/win32, or build/win64 where no 32-bit code runs.
        kind = 'host' if os.path.basename(os.path.dirname(os.path.abspath(d))) == 'host' else 'win32'
        for name in EXPECTED[kind] + OPTIONAL[kind]:
            path = os.path.join(d, name + '.xml')
            if not os.path.exists(path) and name in OPTIONAL[kind]:
                continue
            if not os.path.exists(path):
                print(f'{kind}/{name}: no results', file=sys.stderr)
                failed += 1
                continue
            for case in ET.parse(path).getroot().iter('testcase'):
                if case.find('failure') is not None:
                    failed += 1
                elif case.get('result') == 'skipped' or case.find('skipped') is not None:
                    skipped += 1
                else:
                    passed += 1
    line = f'{passed} passed, {failed} failed'
    if skipped:
        line += f', {skipped} skipped'
    print(line)
    return 0 if failed == 0 else 1


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
