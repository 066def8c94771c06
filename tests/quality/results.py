"""Results of the quality checks as GoogleTest XML, which
scripts/count_results.py adds up."""
import os
import time
import xml.etree.ElementTree as ET


class Results:
    def __init__(self, suite):
        self.suite = suite
        self.cases = []  # (name, failure message or None, seconds)

    def add(self, name, failure, started, detail):
        self.cases.append((name, failure, time.monotonic() - started))
        print(f'[{"  FAILED" if failure else "      OK"} ] {self.suite}.{name}: {failure or detail}')

    def write(self, path):
        failures = sum(1 for _, failure, _ in self.cases if failure)
        total = sum(seconds for _, _, seconds in self.cases)
        root = ET.Element('testsuites', tests=str(len(self.cases)), failures=str(failures),
                          disabled='0', errors='0', time=f'{total:.3f}', name='AllTests')
        suite = ET.SubElement(root, 'testsuite', name=self.suite, tests=str(len(self.cases)),
                              failures=str(failures), disabled='0', errors='0', time=f'{total:.3f}')
        for name, failure, seconds in self.cases:
            case = ET.SubElement(suite, 'testcase', name=name, status='run', result='completed',
                                 time=f'{seconds:.3f}', classname=self.suite)
            if failure:
                ET.SubElement(case, 'failure', message=failure, type='').text = failure
        os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
        ET.ElementTree(root).write(path, encoding='UTF-8', xml_declaration=True)
        return failures
