#!/usr/bin/env python3
"""Reads the same bytes with the library and with the parsers generated from
format/bioapi_bir.ksy, and fails when the readings differ.

Usage: differential_test.py --library PATH --out DIR [--mutations N] [--seed S]

1. Compiles the description for Python, Java and JavaScript with the pinned
   compiler (format/compile.js); a warning fails the test.
2. Runs every input of the fuzz corpus, the sample records and N mutated
   records (100,000 by default) through the library's decoder (its C
   interface, through ctypes) and through the generated Python parser: both
   must accept or both refuse, and every field that both read must be equal.
3. Runs the same inputs through the generated JavaScript parser, which must
   read each exactly as the Python parser does.

An input on which two readers disagree is saved in DIR/findings under a name
that says what differed. Without node, the npm modules of format/ or the
Kaitai Struct Python runtime the test is skipped (exit code 77), unless
--require is given or BIOAPI_DATA_FORMAT_REQUIRED is set.
"""
import argparse
import collections
import ctypes
import hashlib
import importlib
import json
import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile
import time

SKIPPED = 77
HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE_DIR = os.path.dirname(os.path.dirname(HERE))
FORMAT_DIR = os.path.join(SOURCE_DIR, "format")
LANGUAGES = ("python", "java", "javascript")
INVALID_DATA = 0x0200010B

# The fields of the record model: name, the description's attribute, the C
# interface's field number, the kind of value and the presence bit (None for
# the header and the two blocks).
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

# Where the library and the description read the same bytes differently.
#
# Every check of the decoder is a constraint of the description (format
# identifier, total length, version, revision, reserved byte, non-negative
# lengths, enough bytes for every field and block), so no input needs a
# verdict of its own here. What the description cannot say is the value of a
# field that the record lacks: the parsers have none (null), a decoded BIR
# holds the defaults below. The enumerations and the quality have no default
# that the record format fixes, so they are compared only when present. A
# security option is a byte in the record and a bool in the model.
ABSENT = {"registry_id": [0, 0], "bytes": "", "datetime": [2000, 1, 1, 0, 0, 0], "period": []}


def library_view(kind, value):
    """The description's reading of a field as the library's model holds it;
    None when the model's value is not fixed by the record."""
    if value is None:
        return ABSENT.get(kind)
    if kind == "option":
        return int(value != 0)
    return value


class Skip(Exception):
    """A tool that the test needs is missing."""


class DateTime(ctypes.Structure):
    _fields_ = [(name, ctypes.c_uint32 if name == "struct_size" else ctypes.c_int32)
                for name in ("struct_size", "year", "month", "day", "hour", "minute",
                             "second", "wday", "yday", "isdst")]


class Library:
    """The library's decoder through its C interface. A reading is the list
    of field values in the order of FIELDS, in plain JSON types."""

    def __init__(self, path):
        lib = ctypes.CDLL(path)
        handle, field = ctypes.c_void_p, ctypes.c_int32
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
            function.restype = ctypes.c_int32
        lib.bioapi_bir_destroy.argtypes = [handle]
        lib.bioapi_bir_destroy.restype = None
        self.lib = lib
        self.handle = handle()
        self.int32 = ctypes.c_int32()
        self.owner, self.type = ctypes.c_int16(), ctypes.c_int16()
        self.data, self.size = ctypes.POINTER(ctypes.c_char)(), ctypes.c_size_t()
        self.datetime = DateTime()
        self.datetime.struct_size = ctypes.sizeof(DateTime)

    def read(self, record):
        """Returns the reading of an accepted record, None for a rejected one."""
        status = self.lib.bioapi_bir_decode(record, len(record), ctypes.byref(self.handle))
        if status == INVALID_DATA:
            return None
        self._check(status, "bioapi_bir_decode")
        try:
            return [self._field(number, kind) for _, _, number, kind, _ in FIELDS]
        finally:
            self.lib.bioapi_bir_destroy(self.handle)

    @staticmethod
    def _check(status, call):
        if status != 0:
            raise RuntimeError("%s answered 0x%08X" % (call, status & 0xFFFFFFFF))

    def _date_time(self):
        t = self.datetime
        return [t.year, t.month, t.day, t.hour, t.minute, t.second]

    def _field(self, number, kind):
        lib, h, by = self.lib, self.handle, ctypes.byref
        if kind in ("int", "option"):
            self._check(lib.bioapi_bir_get_int(h, number, by(self.int32)), "get_int")
            return self.int32.value
        if kind == "registry_id":
            self._check(lib.bioapi_bir_get_registry_id(h, number, by(self.owner), by(self.type)),
                        "get_registry_id")
            return [self.owner.value, self.type.value]
        if kind == "bytes":
            self._check(lib.bioapi_bir_get_bytes(h, number, by(self.data), by(self.size)),
                        "get_bytes")
            size = self.size.value
            return ctypes.string_at(self.data, size).hex() if size else ""
        if kind == "datetime":
            self._check(lib.bioapi_bir_get_datetime(h, number, by(self.datetime)),
                        "get_datetime")
            return self._date_time()
        # A validity period: every element that the record gave.
        self._check(lib.bioapi_bir_get_period_count(h, number, by(self.size)),
                    "get_period_count")
        elements = []
        for index in range(self.size.value):
            self._check(lib.bioapi_bir_get_period_element(h, number, index, by(self.datetime)),
                        "get_period_element")
            elements.append(self._date_time())
        return elements


def _date_time(t):
    return [t.year, t.month, t.day, t.hour, t.minute, t.second]


# The generated parsers' values in the form of a library reading (None for a
# field that the record lacks). javascript_reader.js has the same table.
DESCRIPTION_VALUE = {
    "int": lambda v: v,
    "option": lambda v: v,
    "registry_id": lambda v: [v.owner, v.type],
    "bytes": lambda v: v.data.hex(),
    "datetime": _date_time,
    "period": lambda v: [_date_time(v.start), _date_time(v.end)],
}


class PythonParser:
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
        self.tally = collections.Counter()  # which paths the inputs took

    def read(self, record):
        """Returns the reading of an accepted record, None for a refused one.
        Any error other than the runtime's refusals propagates."""
        try:
            parsed = self.parser.from_bytes(record)
        except self.refusals as refusal:
            where = getattr(refusal, "src_path", None)
            self.tally["refused: %s%s" % (type(refusal).__name__,
                                          " at " + where if where else "")] += 1
            return None
        self._tally_accepted(parsed, record)
        reading = []
        for _, attribute, _, kind, _ in FIELDS:
            value = getattr(parsed, attribute, None)
            reading.append(None if value is None else DESCRIPTION_VALUE[kind](value))
        return reading

    def _tally_accepted(self, parsed, record):
        self.tally["accepted"] += 1
        if getattr(parsed, "security_block", None) is not None:
            self.tally["accepted with an SB"] += 1
        elif parsed.encryption_option or parsed.integrity_option:
            self.tally["accepted with a security option and no SB"] += 1
        if parsed._io.pos() < len(record):
            self.tally["accepted with bytes after the last field"] += 1
        if parsed.presence_bitmap >> 23:
            self.tally["accepted with presence bits 23 to 31"] += 1


def compile_description(out_dir):
    """Compiles the description for every language of LANGUAGES into out_dir."""
    node = shutil.which("node")
    if node is None:
        raise Skip("no node")
    modules = os.path.join(FORMAT_DIR, "node_modules")
    for module in ("kaitai-struct-compiler", "kaitai-struct"):
        if not os.path.isdir(os.path.join(modules, module)):
            raise Skip("no %s: run 'npm ci --prefix format' (or scripts/setup format)" % module)
    shutil.rmtree(out_dir, ignore_errors=True)
    run = subprocess.run(
        [node, os.path.join(FORMAT_DIR, "compile.js"), "--out", out_dir] + list(LANGUAGES),
        stdout=subprocess.PIPE, stderr=subprocess.STDOUT, universal_newlines=True)
    sys.stdout.write(run.stdout)
    if run.returncode != 0:
        raise AssertionError("the description does not compile cleanly")
    return out_dir


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
            # A presence bit: one of the 23 fields' or one of the ignored nine.
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


class Findings:
    """Disagreements, with their inputs saved under what they broke."""

    def __init__(self, directory):
        self.directory = directory
        self.count = collections.Counter()
        shutil.rmtree(directory, ignore_errors=True)

    def add(self, record, what, detail=""):
        self.count[what] += 1
        if self.count[what] > 10:
            return  # ten inputs of a kind are enough to look at
        os.makedirs(self.directory, exist_ok=True)
        path = os.path.join(self.directory,
                            "%s-%s.bir" % (what, hashlib.sha1(record).hexdigest()[:12]))
        with open(path, "wb") as out:
            out.write(record)
        print("disagreement: %s: %s%s" % (what, path, " (%s)" % detail if detail else ""))


def compare_with_library(library, parser, findings, record):
    """Compares the library's and the Python parser's readings of `record`;
    returns the parser's reading, or False when the parser itself broke."""
    by_library = library.read(record)
    try:
        by_description = parser.read(record)
    except Exception as error:  # not a refusal: the parser broke
        findings.add(record, "python-parser-raises-%s" % type(error).__name__, repr(error))
        return False
    if by_library is None and by_description is not None:
        findings.add(record, "library-refuses-description-accepts")
    elif by_library is not None and by_description is None:
        findings.add(record, "library-accepts-description-refuses")
    elif by_library is not None:
        for (name, _, _, kind, _), ours, theirs in zip(FIELDS, by_library, by_description):
            expected = library_view(kind, theirs)
            if expected is not None and ours != expected:
                findings.add(record, "field-%s-differs" % name,
                             "library %r, description %r" % (ours, theirs))
    return by_description


def compare_with_javascript(parser_file, inputs, python_readings, findings):
    """Runs every input through the JavaScript parser, which must read each
    as the Python parser did."""
    with tempfile.NamedTemporaryFile(suffix=".records") as batch:
        for record in inputs:
            batch.write(struct.pack("<I", len(record)))
            batch.write(record)
        batch.flush()
        env = dict(os.environ, NODE_PATH=os.path.join(FORMAT_DIR, "node_modules"))
        fields = json.dumps([[attribute, kind] for _, attribute, _, kind, _ in FIELDS])
        run = subprocess.run(
            ["node", os.path.join(HERE, "javascript_reader.js"), parser_file, batch.name, fields],
            stdout=subprocess.PIPE, universal_newlines=True, env=env, check=True)
    lines = run.stdout.splitlines()
    if len(lines) != len(inputs):
        raise AssertionError("the JavaScript reader answered %d of %d inputs"
                             % (len(lines), len(inputs)))
    accepted = 0
    for record, line, expected in zip(inputs, lines, python_readings):
        reading = json.loads(line)
        if isinstance(reading, dict):
            findings.add(record, "javascript-parser-raises", reading["crash"])
        elif (reading is None) != (expected is None):
            findings.add(record, "javascript-parser-%s-python-parser-%s"
                         % ("refuses" if reading is None else "accepts",
                            "refuses" if expected is None else "accepts"))
        elif reading is not None:
            accepted += 1
            for (name, _, _, _, _), ours, theirs in zip(FIELDS, reading, expected):
                if ours != theirs:
                    findings.add(record, "javascript-field-%s-differs" % name,
                                 "JavaScript %r, Python %r" % (ours, theirs))
    return accepted


def files_under(directory):
    for root, dirs, names in os.walk(directory):
        dirs.sort()
        for name in sorted(names):
            yield os.path.join(root, name)


def read_file(path):
    with open(path, "rb") as f:
        return f.read()


def main():
    arguments = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    arguments.add_argument("--library", required=True, help="the library (libbioapi_data.so)")
    arguments.add_argument("--out", required=True, help="directory for parsers and findings")
    arguments.add_argument("--mutations", type=int, default=100000)
    arguments.add_argument("--seed", type=int, default=19, help="seed of the mutations")
    arguments.add_argument("--require", action="store_true",
                           help="fail instead of skipping when a tool is missing")
    args = arguments.parse_args()
    require = args.require or bool(os.environ.get("BIOAPI_DATA_FORMAT_REQUIRED"))

    start = time.monotonic()
    try:
        parsers = compile_description(os.path.join(args.out, "parsers"))
        parser = PythonParser(os.path.join(parsers, "python"))
    except Skip as why:
        print("skipped: %s" % why)
        return 1 if require else SKIPPED
    library = Library(args.library)
    findings = Findings(os.path.join(args.out, "findings"))

    corpus = [read_file(p) for p in files_under(os.path.join(SOURCE_DIR, "tests", "fuzz", "corpus"))]
    data_dir = os.path.join(SOURCE_DIR, "tests", "data")
    samples = [read_file(os.path.join(data_dir, name))
               for name in sorted(os.listdir(data_dir)) if name.endswith(".bir")]
    rng = random.Random(args.seed)
    inputs, readings, seeds = [], [], []

    def run(group, records, are_seeds):
        accepted = 0
        for record in records:
            reading = compare_with_library(library, parser, findings, record)
            if reading is False:
                continue  # the Python parser broke on it: nothing to compare
            inputs.append(record)
            readings.append(reading)
            if reading is not None:
                accepted += 1
                if are_seeds:
                    seeds.append(record)
        count = len(records) if isinstance(records, list) else args.mutations
        print("%s: %d (the description accepts %d, refuses %d)"
              % (group, count, accepted, count - accepted))

    # Mutations start from the accepted records of the corpus and the samples
    # only, so that they stay near records that a writer makes.
    run("fuzz corpus inputs", corpus, True)
    run("sample records", samples, True)
    if not seeds:
        raise AssertionError("no accepted record to mutate")
    run("mutated records (seed %d)" % args.seed,
        (mutate(rng, rng.choice(seeds)) for _ in range(args.mutations)), False)
    print("the Python parser's paths over all inputs:")
    for what, count in sorted(parser.tally.items()):
        print("  %7d %s" % (count, what))

    accepted = compare_with_javascript(os.path.join(parsers, "javascript", "BioapiBir.js"),
                                       inputs, readings, findings)
    print("JavaScript parser against the Python parser: %d inputs (accepts %d)"
          % (len(inputs), accepted))
    print("time: %.1f s" % (time.monotonic() - start))

    if findings.count:
        print("%d disagreements (%s); inputs in %s"
              % (sum(findings.count.values()), ", ".join(sorted(findings.count)),
                 findings.directory))
        return 1
    print("no disagreement")
    return 0


if __name__ == "__main__":
    sys.exit(main())
