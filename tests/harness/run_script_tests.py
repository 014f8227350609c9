#!/usr/bin/env python3
"""Runs every tests/**/test_*.py module (Python unittest) and prints, last, a line
'passed failed skipped'. These tests drive korvid.exe under Wine and talk to the local
results server; the environment comes from scripts/test."""
import importlib.util
import pathlib
import sys
import unittest


def main() -> int:
    root = pathlib.Path(__file__).resolve().parents[2]
    sys.path.insert(0, str(root / "tests"))
    only = sys.argv[1:]
    suite = unittest.TestSuite()
    loader = unittest.TestLoader()
    for path in sorted((root / "tests").rglob("test_*.py")):
        if only and not any(part in str(path) for part in only):
            continue
        name = "korvid_script_" + "_".join(path.relative_to(root / "tests").with_suffix("").parts)
        module_spec = importlib.util.spec_from_file_location(name, path)
        module = importlib.util.module_from_spec(module_spec)
        try:
            module_spec.loader.exec_module(module)
        except Exception as error:  # a module that cannot load is a failed test
            print(f"FAILED to load {path}: {error!r}", file=sys.stderr)
            suite.addTest(unittest.FunctionTestCase(lambda e=error: (_ for _ in ()).throw(e),
                                                    description=str(path)))
            continue
        suite.addTests(loader.loadTestsFromModule(module))
    result = unittest.TextTestRunner(stream=sys.stderr, verbosity=2).run(suite)
    failed = len(result.failures) + len(result.errors) + len(result.unexpectedSuccesses)
    skipped = len(result.skipped)
    # A class skipped or failed in setUpClass is one entry there but ran no test.
    ran = lambda entries: sum(not isinstance(test, unittest.suite._ErrorHolder)  # noqa: E731
                              for test, _ in entries)
    passed = (result.testsRun - ran(result.failures) - ran(result.errors)
              - len(result.unexpectedSuccesses) - ran(result.skipped))
    print(f"{passed} {failed} {skipped}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
