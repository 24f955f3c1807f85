#!/usr/bin/env python3
"""Runs the e2e tests: Keyloom.exe and the probe under Wine on an X display.

    python3 tests/e2e/run_e2e.py [-v] [name filter ...]

Uses DISPLAY when it is usable, else a private Xvfb for the run. Ends with
one line "N passed, N failed"; the exit code is nonzero when any failed.
"""

import argparse
import sys
import unittest
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))

import harness  # noqa: E402


class CountingResult(unittest.TextTestResult):
    def __init__(self, *args, **kwargs):
        super().__init__(*args, **kwargs)
        self.passed = 0

    def addSuccess(self, test):
        super().addSuccess(test)
        self.passed += 1


def matching(suite, filters):
    for item in suite:
        if isinstance(item, unittest.TestSuite):
            yield from matching(item, filters)
        elif not filters or any(f in item.id() for f in filters):
            yield item


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("filters", nargs="*", help="run only tests whose id contains one of these")
    parser.add_argument("-q", "--quiet", action="store_true")
    options = parser.parse_args()

    xvfb = harness.ensure_display()
    try:
        loaded = unittest.defaultTestLoader.discover(str(HERE), pattern="test_*.py", top_level_dir=str(HERE))
        suite = unittest.TestSuite(matching(loaded, options.filters))
        runner = unittest.TextTestRunner(stream=sys.stdout, verbosity=1 if options.quiet else 2,
                                         resultclass=CountingResult)
        result = runner.run(suite)
    finally:
        harness.stop_display(xvfb)

    # setUpClass errors and unexpected successes count as failures too.
    failed = len(result.failures) + len(result.errors) + len(result.unexpectedSuccesses)
    # A skipped case is neither passed nor failed; each is named with its reason.
    for test, reason in result.skipped:
        print(f"skipped: {test.id()}: {reason}", flush=True)
    print(f"{result.passed} passed, {failed} failed", flush=True)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
