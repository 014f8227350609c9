#!/usr/bin/env python3
"""Reads a GoogleTest XML report and prints 'passed failed skipped' counts on one line,
and the names of failed tests on stderr. A missing or unreadable report counts as one failure
(the binary crashed before writing it)."""
import sys
import xml.etree.ElementTree as ET


def main(path: str) -> int:
    try:
        root = ET.parse(path).getroot()
    except (OSError, ET.ParseError) as error:
        print(f"no readable test report {path}: {error}", file=sys.stderr)
        print("0 1 0")
        return 0
    passed = failed = skipped = 0
    for case in root.iter("testcase"):
        name = f"{case.get('classname')}.{case.get('name')}"
        if case.find("failure") is not None or case.find("error") is not None:
            failed += 1
            print(f"FAILED: {name}", file=sys.stderr)
        elif case.get("result") == "skipped" or case.find("skipped") is not None:
            skipped += 1
        elif case.get("status", "run") == "notrun":
            skipped += 1
        else:
            passed += 1
    print(f"{passed} {failed} {skipped}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
