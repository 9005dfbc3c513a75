#!/usr/bin/env python3
"""Adds up the GoogleTest XML reports in the given folders into a closing line of case counts."""
import pathlib
import sys
import xml.etree.ElementTree as ET

passed = failed = skipped = 0
for report in sorted(r for folder in sys.argv[1:] for r in pathlib.Path(folder).glob("*.xml")):
    for case in ET.parse(report).getroot().iter("testcase"):
        if case.find("failure") is not None or case.find("error") is not None:
            failed += 1
        elif case.get("result") == "skipped" or case.find("skipped") is not None:
            skipped += 1
        else:
            passed += 1

if passed + failed == 0:
    print("no test cases ran", file=sys.stderr)
    sys.exit(1)
print(f"cases: {passed} passed, {failed} failed, {skipped} skipped")
