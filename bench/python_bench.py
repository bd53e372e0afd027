#!/usr/bin/env python3
"""Speed of the Python package against the C++ codec beneath it.

- A 16 MiB record: decoding it and reading BiometricData, against the C++
  decode of the same record (bioapi_bir_decode, called directly). Goal: at
  most 2x.
- A 1 KiB record: decoding it and reading every field, in microseconds.

Each figure is the best of several rounds (the least disturbed by other
work on the machine). Run with the package importable, e.g.
PYTHONPATH=build/bench/python python3 bench/python_bench.py
"""

import ctypes
import sys
import timeit

import bioapi_data as bd


def best(function, number, rounds=15):
    """Seconds per call of `function`, best of `rounds`."""
    return min(timeit.repeat(function, number=number, repeat=rounds)) / number


def record_with_bdb(size):
    rec = bd.BIR()
    rec.BDBFormat = (0x1B, 0x201)
    rec.BDBBiometricType = bd.BiometricType.Fingerprint
    rec.OctetString1 = b"scanner-07"
    rec.BIRCreationDate = bd.DateTime(2026, 3, 14, 9, 27, 5)
    rec.BiometricData = bytes(range(256)) * (size // 256)
    return rec.encode()


def cpp_decode(data):
    lib = bd._lib
    handle = ctypes.c_void_p()

    def run():
        lib.bioapi_bir_decode(data, len(data), ctypes.byref(handle))
        lib.bioapi_bir_destroy(handle)

    return run


def main():
    big = record_with_bdb(16 << 20)
    # Interleaved, so that both see the same state of the machine.
    cpp_run = cpp_decode(big)
    cpp, py = float("inf"), float("inf")
    for _ in range(3):
        cpp = min(cpp, best(cpp_run, number=3, rounds=5))
        py = min(py, best(lambda: bd.BIR(big).BiometricData, number=3,
                          rounds=5))
    ratio = py / cpp
    small = record_with_bdb(1024)
    fields = bd.BIR.FIELDS

    def read_every_field():
        rec = bd.BIR(small)
        for name in fields:
            getattr(rec, name)

    per_record = best(read_every_field, number=2000)
    decode_only = best(lambda: bd.BIR(small), number=2000)
    verdict = "PASS" if ratio <= 2.0 else "MISS"
    print(f"16 MiB record ({len(big)} bytes): C++ decode {cpp * 1e3:.2f} ms, "
          f"Python decode + BiometricData {py * 1e3:.2f} ms, "
          f"ratio {ratio:.2f} (goal <= 2.00: {verdict})")
    print(f"1 KiB record ({len(small)} bytes): decode {decode_only * 1e6:.1f} "
          f"us; decode and read all {len(fields)} fields "
          f"{per_record * 1e6:.1f} us")
    return 0 if ratio <= 2.0 else 1


if __name__ == "__main__":
    sys.exit(main())
