"""Runs the browser tests and ends with the "N passed, M failed" line that
scripts/test-all.sh adds up. Arguments: unittest names (default: all)."""
import sys
import unittest

import test_page


def main(vecNames):
    loader = unittest.TestLoader()
    suite = loader.loadTestsFromNames(vecNames, test_page) if vecNames else loader.loadTestsFromModule(test_page)
    result = unittest.TextTestRunner(verbosity=2, stream=sys.stdout).run(suite)
    nFailed = len(result.failures) + len(result.errors) + len(result.unexpectedSuccesses)
    nPassed = result.testsRun - nFailed - len(result.skipped)
    print("%d passed, %d failed" % (nPassed, nFailed), flush=True)
    return 0 if nFailed == 0 and result.testsRun > 0 else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
