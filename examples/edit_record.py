#!/usr/bin/env python3
"""Builds a record, changes it, and writes it out with the bioapi_data
package; checked with ``mypy --strict`` as a user's script would be.

Usage: edit_record.py OUTPUT_FILE
"""
import datetime
import sys
from typing import List

import bioapi_data as bd


def build() -> bd.BIR:
    rec = bd.BIR()
    rec.BDBFormat = bd.RegistryID(0x001B, 0x0201)
    rec.BDBBiometricType = bd.BiometricType.Fingerprint
    rec.BDBBiometricSubtype = bd.BiometricSubtype.Right | \
        bd.BiometricSubtype.Thumb
    rec.BDBPurpose = bd.Purpose.Enroll
    rec.BDBQuality = 80
    rec.OctetString1 = b"scanner-07"
    rec.BIRCreationDate = datetime.datetime(2026, 3, 14, 9, 27, 5)
    period: List[bd.DateTime] = [bd.DateTime(2026, 3, 14, 0, 0, 0),
                                 bd.DateTime(2031, 3, 13, 23, 59, 59)]
    rec.BDBValidityPeriod = period
    rec.BiometricData = bytes(range(64))
    return rec


def main(path: str) -> int:
    rec = build()
    try:
        rec.BDBQuality = 300
    except ValueError as error:
        print(f"refused: {error}")
    again = bd.BIR(rec.encode())
    assert again == rec
    subtype: bd.BiometricSubtype = again.BDBBiometricSubtype
    created = again.BIRCreationDate
    when = created.to_datetime().isoformat() if created else "none"
    print(f"subtype {subtype!r}, created {when}, "
          f"{len(again.BiometricData)} bytes of biometric data")
    with open(path, "wb") as file:
        file.write(again.encode())
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(str(__doc__).strip())
    sys.exit(main(sys.argv[1]))
