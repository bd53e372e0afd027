#!/usr/bin/env python3
"""Decodes a BioAPI record through the library's C interface and dumps it.

Usage: bir_dump.py [--library PATH] RECORD_FILE

Uses only ctypes: any Python can use the library, whatever compiler built it.
"""
import argparse
import ctypes
import ctypes.util
import os
import sys

# Field numbers of the C interface (bioapi_data_c.h).
INT_FIELDS = [
    (6, "HeaderVersion"), (7, "HeaderRevision"), (9, "EncryptionOption"),
    (10, "IntegrityOption"), (11, "BDBBiometricType"), (12, "BDBBiometricSubtype"),
    (21, "BDBProcessedLevel"), (23, "BDBPurpose"), (24, "BDBQuality"),
]
REGISTRY_ID_FIELDS = [
    (5, "RecordFormat"), (8, "BDBFormat"), (13, "RegisteredId1"), (14, "RegisteredId2"),
    (15, "RegisteredId3"), (16, "RegisteredId4"), (17, "RegisteredId5"),
    (22, "RegisteredId6"), (25, "RegisteredId7"), (33, "RegisteredId8"),
]
BYTE_FIELDS = [
    (18, "OctetString1"), (20, "OctetString2"), (28, "OctetString3"), (29, "OctetString4"),
    (30, "OctetString5"), (31, "OctetString6"), (34, "BiometricData"), (35, "SecurityBlock"),
]
DATETIME_FIELDS = [(19, "BDBCreationDate"), (27, "BIRCreationDate")]
PERIOD_FIELDS = [(26, "BDBValidityPeriod"), (32, "BIRValidityPeriod")]


class DateTime(ctypes.Structure):
    _fields_ = [(name, ctypes.c_uint32 if name == "struct_size" else ctypes.c_int32)
                for name in ("struct_size", "year", "month", "day", "hour", "minute",
                             "second", "wday", "yday", "isdst")]

    def __init__(self):
        super().__init__()
        self.struct_size = ctypes.sizeof(DateTime)

    def __str__(self):
        return "%04d-%02d-%02d %02d:%02d:%02d" % (
            self.year, self.month, self.day, self.hour, self.minute, self.second)


def load(path):
    lib = ctypes.CDLL(path)
    p = ctypes.c_void_p
    lib.bioapi_error_message.restype = ctypes.c_char_p
    lib.bioapi_error_message.argtypes = [ctypes.c_int32]
    lib.bioapi_bir_decode.argtypes = [ctypes.c_char_p, ctypes.c_size_t, ctypes.POINTER(p)]
    lib.bioapi_bir_destroy.argtypes = [p]
    lib.bioapi_bir_get_int.argtypes = [p, ctypes.c_int, ctypes.POINTER(ctypes.c_int32)]
    lib.bioapi_bir_get_registry_id.argtypes = [
        p, ctypes.c_int, ctypes.POINTER(ctypes.c_int16), ctypes.POINTER(ctypes.c_int16)]
    lib.bioapi_bir_get_bytes.argtypes = [
        p, ctypes.c_int, ctypes.POINTER(ctypes.POINTER(ctypes.c_uint8)),
        ctypes.POINTER(ctypes.c_size_t)]
    lib.bioapi_bir_get_datetime.argtypes = [p, ctypes.c_int, ctypes.POINTER(DateTime)]
    lib.bioapi_bir_get_period_count.argtypes = [p, ctypes.c_int, ctypes.POINTER(ctypes.c_size_t)]
    lib.bioapi_bir_get_period_element.argtypes = [
        p, ctypes.c_int, ctypes.c_size_t, ctypes.POINTER(DateTime)]
    for name in ("bioapi_bir_decode", "bioapi_bir_get_int", "bioapi_bir_get_registry_id",
                 "bioapi_bir_get_bytes", "bioapi_bir_get_datetime",
                 "bioapi_bir_get_period_count", "bioapi_bir_get_period_element"):
        getattr(lib, name).restype = ctypes.c_int32
    return lib


def dump(lib, record):
    handle = ctypes.c_void_p()
    status = lib.bioapi_bir_decode(record, len(record), ctypes.byref(handle))
    if status != 0:
        print("rejected: 0x%08X %s" % (status & 0xFFFFFFFF,
                                       lib.bioapi_error_message(status).decode()))
        return 1

    def check(status):
        if status != 0:
            raise RuntimeError(lib.bioapi_error_message(status).decode())

    try:
        for field, name in REGISTRY_ID_FIELDS:
            owner, type_ = ctypes.c_int16(), ctypes.c_int16()
            check(lib.bioapi_bir_get_registry_id(handle, field, ctypes.byref(owner),
                                                 ctypes.byref(type_)))
            print("%-20s %d/%d" % (name, owner.value, type_.value))
        for field, name in INT_FIELDS:
            value = ctypes.c_int32()
            check(lib.bioapi_bir_get_int(handle, field, ctypes.byref(value)))
            print("%-20s %d" % (name, value.value))
        for field, name in BYTE_FIELDS:
            data, size = ctypes.POINTER(ctypes.c_uint8)(), ctypes.c_size_t()
            check(lib.bioapi_bir_get_bytes(handle, field, ctypes.byref(data), ctypes.byref(size)))
            shown = bytes(data[:min(size.value, 16)]).hex(" ") if size.value else ""
            print("%-20s %d bytes %s" % (name, size.value, shown))
        for field, name in DATETIME_FIELDS:
            value = DateTime()
            check(lib.bioapi_bir_get_datetime(handle, field, ctypes.byref(value)))
            print("%-20s %s" % (name, value))
        for field, name in PERIOD_FIELDS:
            count = ctypes.c_size_t()
            check(lib.bioapi_bir_get_period_count(handle, field, ctypes.byref(count)))
            elements = []
            for i in range(count.value):
                value = DateTime()
                check(lib.bioapi_bir_get_period_element(handle, field, i, ctypes.byref(value)))
                elements.append(str(value))
            print("%-20s %s" % (name, " to ".join(elements) if elements else "none"))
    finally:
        lib.bioapi_bir_destroy(handle)
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--library", help="path of the bioapi_data shared library")
    parser.add_argument("record", help="file holding one byte record")
    args = parser.parse_args()
    path = args.library or os.environ.get("BIOAPI_DATA_LIBRARY") or \
        ctypes.util.find_library("bioapi_data")
    if not path:
        parser.error("--library: the bioapi_data library was not found")
    with open(args.record, "rb") as f:
        record = f.read()
    return dump(load(path), record)


if __name__ == "__main__":
    sys.exit(main())
