#!/usr/bin/env python3
"""Prints every field of a BioAPI record with the bioapi_data package.

Usage: bir_dump.py RECORD_FILE
"""
import enum
import sys

import bioapi_data as bd


def main(path: str) -> int:
    try:
        with open(path, "rb") as file:
            rec = bd.BIR(file.read())
    except bd.BioAPIError as error:
        print(f"{path}: {error} (code {error.code:#010x})", file=sys.stderr)
        return 1
    for name, value in rec.fields():
        if isinstance(value, bytes):
            value = f"{len(value)} bytes {value[:16].hex(' ')}"
        elif isinstance(value, enum.Enum):
            value = f"{value.name} ({value.value})"
        note = "" if rec.present(name) else "  (not in the record)"
        print(f"{name:20} {value}{note}")
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(str(__doc__).strip())
    sys.exit(main(sys.argv[1]))
