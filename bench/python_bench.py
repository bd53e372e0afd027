#!/usr/bin/env python3
"""Speed of the Python package against the C++ codec beneath it, as ratios
measured in one run (so that both sides see the same machine):

- 100k decodes of a 210-byte record: Python's BIR(data) against the C++
  decode of the same bytes called directly (bioapi_bir_decode and
  bioapi_bir_destroy through ctypes). Goal: at most 3x.
- Reading every field of a decoded 1 KiB record: at most 10 us (the record
  decoded beforehand, each field read once, as a fresh record reads it).
- A 16 MiB record: decoding it and reading BiometricData, against the C++
  decode. Goal: at most 2x.

Each figure is the best of several rounds (the least disturbed by other
work on the machine). Run with the package importable, e.g.
PYTHONPATH=build/bench/python python3 bench/python_bench.py
"""

import ctypes
import sys
import timeit

import bioapi_data as bd
from bioapi_data._library import lib


def best(function, number, rounds=7):
    """Seconds per call of `function`, best of `rounds`."""
    return min(timeit.repeat(function, number=number, repeat=rounds)) / number


def record_with_bdb(size):
    rec = bd.BIR()
    rec.BDBFormat = (0x1B, 0x201)
    rec.BDBBiometricType = bd.BiometricType.Fingerprint
    rec.OctetString1 = b"scanner-07"
    rec.BIRCreationDate = bd.DateTime(2026, 3, 14, 9, 27, 5)
    rec.BDBValidityPeriod = [bd.DateTime(2026, 3, 14, 0, 0, 0),
                             bd.DateTime(2031, 3, 13, 23, 59, 59)]
    rec.RegisteredId2 = (0x31, 2)
    rec.BiometricData = bytes(range(256)) * (size // 256) + bytes(size % 256)
    return rec.encode()


def cpp_decode(data):
    handle = ctypes.c_void_p()
    decode, destroy = lib.bioapi_bir_decode, lib.bioapi_bir_destroy

    def run():
        decode(data, len(data), ctypes.byref(handle))
        destroy(handle)

    return run


def interleaved(cpp_run, py_run, number, rounds=3):
    """Best seconds per call of each, measured in turns."""
    cpp, py = float("inf"), float("inf")
    for _ in range(rounds):
        cpp = min(cpp, best(cpp_run, number))
        py = min(py, best(py_run, number))
    return cpp, py


def main():
    results = []

    small = record_with_bdb(210 - len(record_with_bdb(0)))
    cpp, py = interleaved(cpp_decode(small), lambda: bd.BIR(small), 20000)
    decodes = py / cpp
    results.append(decodes <= 3.0)
    print(f"100k decodes of a {len(small)}-byte record: C++ "
          f"{cpp * 1e5:.3f} s, Python {py * 1e5:.3f} s, ratio {decodes:.2f} "
          f"(goal <= 3.00: {'PASS' if decodes <= 3.0 else 'MISS'})")

    kib = record_with_bdb(1024 - len(record_with_bdb(0)))
    fields = bd.BIR.FIELDS
    records = [bd.BIR(kib) for _ in range(4000)]
    chunk = iter(())

    def read_every_field():
        rec = next(chunk)
        for name in fields:
            getattr(rec, name)

    def one_pass():
        nonlocal chunk
        chunk = iter(records)
        for _ in records:
            read_every_field()

    read_all = min(timeit.repeat(one_pass, number=1, repeat=7)) / len(records)
    decode_kib = best(lambda: bd.BIR(kib), 4000)
    results.append(read_all <= 10e-6)
    print(f"1 KiB record ({len(kib)} bytes): reading all {len(fields)} "
          f"fields {read_all * 1e6:.2f} us (goal <= 10 us: "
          f"{'PASS' if read_all <= 10e-6 else 'MISS'}); decoding it "
          f"{decode_kib * 1e6:.2f} us")

    big = record_with_bdb(16 << 20)
    cpp, py = interleaved(cpp_decode(big), lambda: bd.BIR(big).BiometricData,
                          3)
    ratio = py / cpp
    results.append(ratio <= 2.0)
    print(f"16 MiB record ({len(big)} bytes): C++ decode {cpp * 1e3:.2f} ms, "
          f"Python decode + BiometricData {py * 1e3:.2f} ms, "
          f"ratio {ratio:.2f} (goal <= 2.00: "
          f"{'PASS' if ratio <= 2.0 else 'MISS'})")
    return 0 if all(results) else 1


if __name__ == "__main__":
    sys.exit(main())
