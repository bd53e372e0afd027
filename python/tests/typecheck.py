"""Checks the package and the example scripts with ``mypy --strict``, and
that it refuses a script that misuses a record; for ctest.

Exits 77 (ctest: skipped) when mypy is not installed (Debian:
python3-mypy, from scripts/setup python), unless BIOAPI_DATA_PYTHON_TESTS
is "required", as in CI.
"""

import os
import subprocess
import sys
import tempfile
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]

MISUSE = '''import bioapi_data as bd
rec = bd.BIR()
rec.NativeFormatOwner = 1
rec.BDBQuality = "high"
rec.BDBPurpose = bd.Purpose.Nope
rec.BDBValidityPeriod = bd.DateTime(2026, 1, 1, 0, 0, 0)
'''
EXPECTED = ('"NativeFormatOwner"', '"str", variable has type "int"',
            '"Nope"', 'variable has type "Sequence')


def run_mypy(*arguments: str, cache: str) -> "subprocess.CompletedProcess[str]":
    env = dict(os.environ, MYPYPATH=str(ROOT / "python"))
    return subprocess.run(
        [sys.executable, "-m", "mypy", "--strict", "--cache-dir", cache,
         "--no-error-summary", *arguments],
        env=env, capture_output=True, text=True)


def main() -> int:
    try:
        __import__("mypy")
    except ImportError:
        print(f"mypy is not installed for {sys.executable} (Debian: "
              "python3-mypy, scripts/setup python); the type check is skipped")
        required = os.environ.get("BIOAPI_DATA_PYTHON_TESTS") == "required"
        return 1 if required else 77
    with tempfile.TemporaryDirectory() as scratch:
        cache = str(Path(scratch) / "cache")
        good = run_mypy("-p", "bioapi_data", cache=cache)
        examples = run_mypy(*sorted(str(p) for p in (ROOT / "examples").glob("*.py")),
                        cache=cache)
        misuse_file = Path(scratch) / "misuse.py"
        misuse_file.write_text(MISUSE)
        bad = run_mypy(str(misuse_file), cache=cache)
    failed = False
    for what, result in (("the package", good), ("the examples", examples)):
        if result.returncode != 0:
            print(f"mypy --strict on {what}:\n{result.stdout}{result.stderr}")
            failed = True
    missing = [text for text in EXPECTED if text not in bad.stdout]
    if bad.returncode == 0 or missing:
        print(f"mypy --strict let misuse through (missing {missing}):\n"
              f"{bad.stdout}{bad.stderr}")
        failed = True
    if not failed:
        print("mypy --strict: the package and the examples are clean, and "
              "misuse is refused")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
