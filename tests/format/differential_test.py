#!/usr/bin/env python3
"""Reads the same bytes with the library and with the parser generated from
format/bioapi_bir.ksy, and fails when the two readings differ.

Usage: differential_test.py --library PATH --out DIR [--mutations N]

1. Compiles the description for Python, Java and JavaScript with the pinned
   compiler (format/compile.js); any warning fails the test.
2. Runs every input of the fuzz corpus, the sample records and N mutated
   records (100,000 by default) through the library's decoder (the C
   interface, through ctypes) and through the generated Python parser. Both
   must accept or both refuse, and every field that both read must be equal.

A disagreement is saved under DIR/findings with a name that says what broke.
Without node, the compiler's npm modules or the Kaitai Struct Python runtime
the test is skipped (exit code 77), unless --require is given.
"""
import argparse
import collections
import ctypes
import hashlib
import importlib
import os
import random
import shutil
import subprocess
import sys
import time

SKIPPED = 77
SOURCE_DIR = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
FORMAT_DIR = os.path.join(SOURCE_DIR, "format")
LANGUAGES = ("python", "java", "javascript")

# The fields of the record model: name, the generated parser's attribute, the
# C interface's field number, the kind of value and the presence bit (None
# for the header and the two blocks, which every record has).
FIELDS = [
    ("RecordFormat", "record_format", 5, "registry_id", None),
    ("HeaderVersion", "header_version", 6, "int", None),
    ("HeaderRevision", "header_revision", 7, "int", None),
    ("BDBFormat", "bdb_format", 8, "registry_id", None),
    ("EncryptionOption", "encryption_option", 9, "option", None),
    ("IntegrityOption", "integrity_option", 10, "option", None),
    ("BDBBiometricType", "bdb_biometric_type", 11, "int", 0),
    ("BDBBiometricSubtype", "bdb_biometric_subtype", 12, "int", 1),
    ("RegisteredId1", "registered_id1", 13, "registry_id", 2),
    ("RegisteredId2", "registered_id2", 14, "registry_id", 3),
    ("RegisteredId3", "registered_id3", 15, "registry_id", 4),
    ("RegisteredId4", "registered_id4", 16, "registry_id", 5),
    ("RegisteredId5", "registered_id5", 17, "registry_id", 6),
    ("OctetString1", "octet_string1", 18, "bytes", 7),
    ("BDBCreationDate", "bdb_creation_date", 19, "datetime", 8),
    ("OctetString2", "octet_string2", 20, "bytes", 9),
    ("BDBProcessedLevel", "bdb_processed_level", 21, "int", 10),
    ("RegisteredId6", "registered_id6", 22, "registry_id", 11),
    ("BDBPurpose", "bdb_purpose", 23, "int", 12),
    ("BDBQuality", "bdb_quality", 24, "int", 13),
    ("RegisteredId7", "registered_id7", 25, "registry_id", 14),
    ("BDBValidityPeriod", "bdb_validity_period", 26, "period", 15),
    ("BIRCreationDate", "bir_creation_date", 27, "datetime", 16),
    ("OctetString3", "octet_string3", 28, "bytes", 17),
    ("OctetString4", "octet_string4", 29, "bytes", 18),
    ("OctetString5", "octet_string5", 30, "bytes", 19),
    ("OctetString6", "octet_string6", 31, "bytes", 20),
    ("BIRValidityPeriod", "bir_validity_period", 32, "period", 21),
    ("RegisteredId8", "registered_id8", 33, "registry_id", 22),
    ("BiometricData", "biometric_data", 34, "bytes", None),
    ("SecurityBlock", "security_block", 35, "bytes", None),
]

# What a decoded record holds for an optional field that the record lacks.
# The four enumerations and the quality have no such value: they are
# compared only when present.
DEFAULT_DATETIME = (2000, 1, 1, 0, 0, 0)
ABSENT = {"registry_id": (0, 0), "bytes": b"", "datetime": DEFAULT_DATETIME, "period": ()}
NOT_READ = object()

# Checks of the library that the description cannot express, each with a
# test of the input that tells when it decides, so that the comparison can
# expect the library's verdict there. Every check of the decoder is a
# constraint of the description today, so the list is empty; a rule that
# moves here is also named in the README's section on other languages.
KNOWN_DIFFERENCES = []


class Skip(Exception):
    """A tool that the test needs is missing."""


class DateTime(ctypes.Structure):
    _fields_ = [(name, ctypes.c_uint32 if name == "struct_size" else ctypes.c_int32)
                for name in ("struct_size", "year", "month", "day", "hour", "minute",
                             "second", "wday", "yday", "isdst")]


class Library:
    """The library's decoder through its C interface."""

    def __init__(self, path):
        lib = ctypes.CDLL(path)
        handle, status = ctypes.c_void_p, ctypes.c_int32
        field = ctypes.c_int32
        signatures = {
            "bioapi_bir_decode": [ctypes.c_char_p, ctypes.c_size_t, ctypes.POINTER(handle)],
            "bioapi_bir_get_int": [handle, field, ctypes.POINTER(ctypes.c_int32)],
            "bioapi_bir_get_registry_id": [handle, field, ctypes.POINTER(ctypes.c_int16),
                                           ctypes.POINTER(ctypes.c_int16)],
            "bioapi_bir_get_bytes": [handle, field,
                                     ctypes.POINTER(ctypes.POINTER(ctypes.c_char)),
                                     ctypes.POINTER(ctypes.c_size_t)],
            "bioapi_bir_get_datetime": [handle, field, ctypes.POINTER(DateTime)],
            "bioapi_bir_get_period_count": [handle, field, ctypes.POINTER(ctypes.c_size_t)],
            "bioapi_bir_get_period_element": [handle, field, ctypes.c_size_t,
                                              ctypes.POINTER(DateTime)],
        }
        for name, argtypes in signatures.items():
            function = getattr(lib, name)
            function.argtypes = argtypes
            function.restype = status
        lib.bioapi_bir_destroy.argtypes = [handle]
        lib.bioapi_bir_destroy.restype = None
        self.lib = lib
        self.handle = handle()
        self.int32 = ctypes.c_int32()
        self.owner, self.type = ctypes.c_int16(), ctypes.c_int16()
        self.data, self.size = ctypes.POINTER(ctypes.c_char)(), ctypes.c_size_t()
        self.datetime = DateTime()
        self.datetime.struct_size = ctypes.sizeof(DateTime)

    def decode(self, record):
        """Returns {model name: value} for an accepted record, else None."""
        status = self.lib.bioapi_bir_decode(record, len(record), ctypes.byref(self.handle))
        if status == 0x0200010B:
            return None
        if status != 0:
            raise RuntimeError("bioapi_bir_decode answered 0x%08X" % (status & 0xFFFFFFFF))
        try:
            return {name: self._read(number, kind) for name, _, number, kind, _ in FIELDS}
        finally:
            self.lib.bioapi_bir_destroy(self.handle)

    def _check(self, status, what):
        if status != 0:
            raise RuntimeError("%s answered 0x%08X" % (what, status & 0xFFFFFFFF))

    def _datetime(self):
        t = self.datetime
        return (t.year, t.month, t.day, t.hour, t.minute, t.second)

    def _read(self, number, kind):
        lib, h = self.lib, self.handle
        if kind in ("int", "option"):
            self._check(lib.bioapi_bir_get_int(h, number, ctypes.byref(self.int32)), "get_int")
            return self.int32.value
        if kind == "registry_id":
            self._check(lib.bioapi_bir_get_registry_id(
                h, number, ctypes.byref(self.owner), ctypes.byref(self.type)), "get_registry_id")
            return (self.owner.value, self.type.value)
        if kind == "bytes":
            self._check(lib.bioapi_bir_get_bytes(
                h, number, ctypes.byref(self.data), ctypes.byref(self.size)), "get_bytes")
            return ctypes.string_at(self.data, self.size.value) if self.size.value else b""
        if kind == "datetime":
            self._check(lib.bioapi_bir_get_datetime(h, number, ctypes.byref(self.datetime)),
                        "get_datetime")
            return self._datetime()
        # A validity period: every element the record gave.
        self._check(lib.bioapi_bir_get_period_count(h, number, ctypes.byref(self.size)),
                    "get_period_count")
        elements = []
        for index in range(self.size.value):
            self._check(lib.bioapi_bir_get_period_element(
                h, number, index, ctypes.byref(self.datetime)), "get_period_element")
            elements.append(self._datetime())
        return tuple(elements)


class Description:
    """The parser that the Kaitai Struct compiler generated for Python."""

    def __init__(self, parser_dir):
        try:
            self.kaitaistruct = importlib.import_module("kaitaistruct")
        except ImportError as error:
            raise Skip("no Kaitai Struct Python runtime (Debian: python3-kaitaistruct): %s"
                       % error)
        sys.path.insert(0, parser_dir)
        self.parser = importlib.import_module("bioapi_bir").BioapiBir
        self.refusals = (self.kaitaistruct.KaitaiStructError, EOFError)
        self.tally = collections.Counter()  # what the accepted and refused inputs exercised

    def read(self, record):
        """Returns {model name: value} for an accepted record, else None.
        Any exception other than the runtime's refusals propagates."""
        try:
            parsed = self.parser.from_bytes(record)
        except self.refusals as refusal:
            where = getattr(refusal, "src_path", None)
            self.tally["refused: %s%s" % (type(refusal).__name__,
                                          " at " + where if where else "")] += 1
            return None
        self.tally["accepted"] += 1
        if getattr(parsed, "security_block", None) is not None:
            self.tally["accepted with an SB"] += 1
        elif parsed.encryption_option or parsed.integrity_option:
            self.tally["accepted with a security option and no SB"] += 1
        if parsed._io.pos() < len(record):
            self.tally["accepted with bytes after the last field"] += 1
        if parsed.presence_bitmap >> 23:
            self.tally["accepted with presence bits 23 to 31"] += 1
        fields = {}
        for name, attribute, _, kind, bit in FIELDS:
            value = getattr(parsed, attribute, None)
            if value is None:
                # An optional field or SB that the record lacks.
                fields[name] = ABSENT.get(kind, NOT_READ) if bit is not None else b""
                continue
            if kind == "option":
                value = int(value != 0)
            elif kind == "registry_id":
                value = (value.owner, value.type)
            elif kind == "bytes":
                value = value.data
            elif kind == "datetime":
                value = _datetime(value)
            elif kind == "period":
                value = (_datetime(value.start), _datetime(value.end))
            fields[name] = value
        return fields


def _datetime(t):
    return (t.year, t.month, t.day, t.hour, t.minute, t.second)


def compile_description(out_dir):
    """Compiles the description for every language of LANGUAGES into out_dir."""
    node = shutil.which("node")
    if node is None:
        raise Skip("no node")
    if not os.path.isdir(os.path.join(FORMAT_DIR, "node_modules", "kaitai-struct-compiler")):
        raise Skip("no compiler: run 'npm ci --prefix format' (or scripts/setup format)")
    shutil.rmtree(out_dir, ignore_errors=True)
    run = subprocess.run(
        [node, os.path.join(FORMAT_DIR, "compile.js"), "--out", out_dir] + list(LANGUAGES),
        stdout=subprocess.PIPE, stderr=subprocess.STDOUT, universal_newlines=True)
    sys.stdout.write(run.stdout)
    if run.returncode != 0:
        raise AssertionError("the description does not compile cleanly")
    # The JavaScript parser at least parses as JavaScript; the Java one would
    # need the Kaitai Struct Java runtime to compile.
    check = subprocess.run([node, "--check", os.path.join(out_dir, "javascript", "BioapiBir.js")],
                           stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                           universal_newlines=True)
    if check.returncode != 0:
        raise AssertionError("the JavaScript parser is no JavaScript:\n" + check.stdout)
    return os.path.join(out_dir, "python")


# Values that make decoders take their edge paths.
INTERESTING_BYTES = (0x00, 0x01, 0x02, 0x30, 0x7F, 0x80, 0xFF)
INTERESTING_WORDS = (0, 1, 2, 7, 0x7FFF, 0x8000, 0xFFFF)
INTERESTING_DWORDS = (0, 1, 4, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0x007FFFFF, 0xFF800000)


def mutate(rng, seed):
    """Returns `seed` changed in one to three places; the total length is
    usually made to agree again, so that the change reaches the fields."""
    data = bytearray(seed)
    for _ in range(rng.randint(1, 3)):
        op = rng.randrange(10)
        size = len(data)
        if op == 0 and size:
            data[rng.randrange(size)] ^= 1 << rng.randrange(8)
        elif op == 1 and size:
            data[rng.randrange(size)] = rng.choice(INTERESTING_BYTES)
        elif op == 2 and size >= 2:
            at = rng.randrange(size - 1)
            data[at:at + 2] = rng.choice(INTERESTING_WORDS).to_bytes(2, "little")
        elif op == 3 and size >= 4:
            at = rng.randrange(size - 3)
            value = rng.choice(INTERESTING_DWORDS + (size, size - at, rng.randrange(64)))
            data[at:at + 4] = (value & 0xFFFFFFFF).to_bytes(4, "little")
        elif op == 4 and size >= 21:
            # A presence bit, one of the 23 fields or one of the ignored nine.
            bit = rng.randrange(32)
            data[17 + bit // 8] ^= 1 << (bit % 8)
        elif op == 5 and size >= 16:
            data[rng.choice((14, 15))] = rng.choice(INTERESTING_BYTES)
        elif op == 6:
            del data[rng.randrange(size + 1):]
        elif op == 7:
            data += bytes(rng.randrange(256) for _ in range(rng.randint(1, 8)))
        elif op == 8:
            at = rng.randrange(size + 1)
            data[at:at] = bytes([rng.randrange(256)] * rng.randint(1, 4))
        elif op == 9 and size > 21:
            at = rng.randrange(21, size)
            del data[at:at + rng.randint(1, 4)]
    if len(data) >= 8 and rng.random() < 0.85:
        data[4:8] = len(data).to_bytes(4, "little")
    return bytes(data)


class Comparison:
    def __init__(self, library, description, findings_dir):
        self.library = library
        self.description = description
        self.findings_dir = findings_dir
        self.failures = []

    def run(self, record):
        """Compares the two readings of `record`; returns True when accepted."""
        verdict = None
        for difference in KNOWN_DIFFERENCES:
            if difference["applies"](record):
                verdict = difference["library_accepts"]
        by_library = self.library.decode(record)
        try:
            by_description = self.description.read(record)
        except Exception as error:  # the parser itself broke
            self.fail(record, "description-parser-raises-%s" % type(error).__name__, repr(error))
            return by_library is not None
        if verdict is not None:
            if (by_library is not None) != verdict:
                self.fail(record, "library-breaks-known-difference", "")
            return by_library is not None
        if by_library is None and by_description is None:
            return False
        if by_library is None:
            self.fail(record, "library-refuses-description-accepts", "")
            return False
        if by_description is None:
            self.fail(record, "library-accepts-description-refuses", "")
            return True
        for name, _, _, _, _ in FIELDS:
            if by_description[name] is NOT_READ:
                continue
            if by_library[name] != by_description[name]:
                self.fail(record, "field-%s-differs" % name,
                          "library %r, description %r" % (by_library[name],
                                                          by_description[name]))
        return True

    def fail(self, record, what, detail):
        self.failures.append(what)
        if self.failures.count(what) > 10:
            return  # ten inputs of a kind are enough to look at
        digest = hashlib.sha1(record).hexdigest()[:12]
        path = os.path.join(self.findings_dir, "%s-%s.bir" % (what, digest))
        os.makedirs(self.findings_dir, exist_ok=True)
        with open(path, "wb") as out:
            out.write(record)
        print("disagreement: %s: %s%s" % (what, path, " (%s)" % detail if detail else ""))


def files_under(directory):
    for root, _, names in sorted(os.walk(directory)):
        for name in sorted(names):
            yield os.path.join(root, name)


def read_file(path):
    with open(path, "rb") as f:
        return f.read()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--library", required=True, help="libbioapi_data.so")
    parser.add_argument("--out", required=True, help="directory for the parsers and findings")
    parser.add_argument("--mutations", type=int, default=100000)
    parser.add_argument("--seed", type=int, default=19, help="seed of the mutations")
    parser.add_argument("--require", action="store_true",
                        help="fail instead of skipping when a tool is missing")
    args = parser.parse_args()
    if os.environ.get("BIOAPI_DATA_FORMAT_REQUIRED"):
        args.require = True

    start = time.monotonic()
    try:
        parser_dir = compile_description(os.path.join(args.out, "parsers"))
        description = Description(parser_dir)
    except Skip as why:
        print("skipped: %s" % why)
        return 1 if args.require else SKIPPED
    library = Library(args.library)
    findings_dir = os.path.join(args.out, "findings")
    shutil.rmtree(findings_dir, ignore_errors=True)
    comparison = Comparison(library, description, findings_dir)

    corpus = [read_file(p) for p in files_under(os.path.join(SOURCE_DIR, "tests", "fuzz", "corpus"))]
    samples = [read_file(os.path.join(SOURCE_DIR, "tests", "data", name))
               for name in sorted(os.listdir(os.path.join(SOURCE_DIR, "tests", "data")))
               if name.endswith(".bir")]
    seeds = []
    for group, inputs in (("fuzz corpus inputs", corpus), ("sample records", samples)):
        accepted = 0
        for record in inputs:
            if comparison.run(record):
                accepted += 1
                seeds.append(record)
        print("%s: %d (the library accepts %d, refuses %d)"
              % (group, len(inputs), accepted, len(inputs) - accepted))
    if not seeds:
        raise AssertionError("no accepted record to mutate")

    rng = random.Random(args.seed)
    accepted = 0
    for _ in range(args.mutations):
        if comparison.run(mutate(rng, rng.choice(seeds))):
            accepted += 1
    print("mutated records: %d (the library accepts %d, refuses %d; seed %d)"
          % (args.mutations, accepted, args.mutations - accepted, args.seed))
    print("what the description saw, over all inputs:")
    for what, count in sorted(description.tally.items()):
        print("  %7d %s" % (count, what))
    print("known differences checked: %d" % len(KNOWN_DIFFERENCES))
    print("time: %.1f s" % (time.monotonic() - start))

    if comparison.failures:
        kinds = sorted(set(comparison.failures))
        print("%d disagreements, in %s; inputs in %s"
              % (len(comparison.failures), ", ".join(kinds), findings_dir))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
