#!/usr/bin/env python3
"""Runs one end-to-end scenario (a test method of scenarios.Scenarios) by name.

    run.py --list          the scenarios' names, one a line (CMake reads them)
    run.py NAME            runs that scenario: exit 0 passed, 1 failed,
                           77 skipped (a scenario that waits for a fix says why)

The program under test is the one STAFFWRIGHT_PROGRAM names (CTest passes the
built binary); screenshots of a failure go to E2E_SHOTS if set.
"""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import scenarios  # noqa: E402

SKIPPED = 77


def main(argv):
    names = unittest.TestLoader().getTestCaseNames(scenarios.Scenarios)
    if argv[1:] == ["--list"]:
        print("\n".join(names))
        return 0
    if len(argv) != 2 or argv[1] not in names:
        print(f"usage: run.py --list | run.py NAME (one of {', '.join(names)})", file=sys.stderr)
        return 2
    result = unittest.TextTestRunner(verbosity=2).run(scenarios.Scenarios(argv[1]))
    if not result.wasSuccessful():
        return 1
    return SKIPPED if result.skipped else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
