"""Runs the package's tests with pytest, for ctest.

Exits 77 (ctest: skipped) when pytest is not installed, unless the
environment variable BIOAPI_DATA_PYTHON_TESTS is "required" (as in CI), which
also makes hypothesis, for the property tests, a must.
pytest's "no tests ran" is a failure here.
"""

import os
import sys

try:
    import pytest
except ImportError:
    print("pytest is not installed for " + sys.executable +
          " (Debian: scripts/setup python); the Python tests are skipped")
    sys.exit(1 if os.environ.get("BIOAPI_DATA_PYTHON_TESTS") == "required"
             else 77)

if os.environ.get("BIOAPI_DATA_PYTHON_TESTS") == "required":
    # Required runs include the property tests, which need hypothesis.
    import hypothesis  # noqa: F401

status = pytest.main(
    ["-q", "-p", "no:cacheprovider",
     os.path.dirname(os.path.abspath(__file__))] + sys.argv[1:])
sys.exit(1 if status == pytest.ExitCode.NO_TESTS_COLLECTED else int(status))
