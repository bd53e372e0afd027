"""Threads sharing one record: no crash, no freed memory read, and every
value read is one that was written, whole."""

import sys
import threading

import pytest

import bioapi_data as bd
from conftest import DATA_DIR


@pytest.fixture(autouse=True)
def frequent_switches():
    # Threads change hands often, so that calls interleave.
    before = sys.getswitchinterval()
    sys.setswitchinterval(1e-6)
    yield
    sys.setswitchinterval(before)


def run_together(*targets):
    """Runs every target in its own thread at once; re-raises the first
    failure of any of them."""
    failures = []
    start = threading.Barrier(len(targets))

    def wrapped(target):
        try:
            start.wait()
            target()
        except BaseException as error:  # noqa: B902 - reported below
            failures.append(error)

    threads = [threading.Thread(target=wrapped, args=(t,)) for t in targets]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    if failures:
        raise failures[0]


# Each value is one byte repeated, its length telling which byte: a value
# read half-changed, or from freed memory, fails the check.
SIZES = {n: (64 << 10) * n + n for n in range(1, 9)}


def blob(n):
    return bytes([n]) * SIZES[n]


def is_written(value):
    return value == b"" or (len(value) in SIZES.values() and
                            value == blob(value[0]))


def test_shared_reads_and_writes_of_byte_strings_and_periods():
    rec = bd.BIR((DATA_DIR / "full_record.bir").read_bytes())
    first_bdb = rec.BiometricData
    periods = [[bd.DateTime(2000 + n, n, n, n, n, n),
                bd.DateTime(2100 + n, n, n, n, n, n)] for n in range(1, 9)]
    rounds = 60

    def writer(k):
        def run():
            for i in range(rounds):
                n = (i + k) % 8 + 1
                rec.BiometricData = blob(n)
                rec.OctetString1 = bytes([n]) * n
                rec.BDBValidityPeriod = periods[n - 1]
                rec.BDBQuality = n
        return run

    def reader():
        for _ in range(rounds):
            bdb = rec.BiometricData
            assert bdb == first_bdb or is_written(bdb)
            octets = rec.OctetString1
            assert octets == b"scanner-07" or octets == bytes(
                [octets[0]]) * octets[0]
            period = rec.BDBValidityPeriod
            assert len(period) == 2 and (period in periods or
                                         period[0].year == 2026)
            assert 0 <= rec.BDBQuality <= 80
            rec.present("SecurityBlock")
            twin = rec.copy()  # one state, whole
            assert twin == twin.copy() and is_written(twin.BiometricData) or \
                twin.BiometricData == first_bdb

    run_together(*[writer(k) for k in range(4)], *[reader] * 4)
    assert is_written(rec.BiometricData)


def test_shared_encodes_give_the_same_bytes_and_change_nothing():
    source = bd.BIR()
    source.BDBFormat = (0x1B, 0x201)
    source.OctetString1 = b"scanner-07"
    source.BiometricData = bytes(range(256)) * (4096 * 4)  # 4 MiB
    data = source.encode()
    for _ in range(6):
        rec = bd.BIR(data)  # its BDB still in `data`
        results = []

        def encode():
            results.append(rec.encode())
            results.append(rec.copy().encode())

        run_together(*[encode] * 8)
        assert len(results) == 16
        assert all(result == data for result in results)
        assert rec.BiometricData == source.BiometricData


def test_reads_during_writes_of_every_kind_raise_nothing():
    rec = bd.BIR((DATA_DIR / "full_record.bir").read_bytes())
    golden = rec.copy()
    stop = threading.Event()

    def writer():
        try:
            for i in range(300):
                rec.BIRValidityPeriod = [] if i % 2 else golden.BIRValidityPeriod
                rec.BIRCreationDate = None if i % 3 else golden.BIRCreationDate
                rec.SecurityBlock = b"" if i % 2 else golden.SecurityBlock
                rec.RegisteredId3 = (i, i + 1)
        finally:
            stop.set()

    def reader():
        while not stop.is_set():
            assert rec.BIRValidityPeriod in ([], golden.BIRValidityPeriod)
            assert rec.BIRCreationDate in (None, golden.BIRCreationDate)
            owner, type_ = rec.RegisteredId3
            bd.BIR(rec.encode())
            rec.to_json()
            twin = rec.copy()
            assert twin.SecurityBlock in (b"", golden.SecurityBlock)

    run_together(writer, reader, reader, reader)


# Every call that reads the C record, on a record that has read nothing yet:
# each must wait for the record's lock.
READS_OF_C_MEMORY = [
    *[(name, lambda rec, name=name: getattr(rec, name))
      for name in ("BDBQuality", "BDBValidityPeriod", "OctetString1",
                   "BiometricData", "SecurityBlock", "BIRCreationDate")],
    ("encode", lambda rec: rec.encode()),
    ("to_array", lambda rec: rec.to_array()),
    ("copy", lambda rec: rec.copy()),
    ("to_json", lambda rec: rec.to_json()),
    ("present", lambda rec: rec.present("SecurityBlock")),
    ("fields", lambda rec: list(rec.fields())),
    ("==", lambda rec: rec == bd.BIR()),
    ("repr", repr),
    ("pickle", lambda rec: __import__("pickle").dumps(rec)),
]


@pytest.mark.parametrize("name, read", READS_OF_C_MEMORY,
                         ids=[name for name, _ in READS_OF_C_MEMORY])
def test_every_read_of_the_c_record_holds_its_lock(name, read, tmp_path,
                                                   monkeypatch):
    monkeypatch.chdir(tmp_path)  # to_array writes "record" here
    rec = bd.BIR((DATA_DIR / "full_record.bir").read_bytes())
    # A small record's values are read with its decode; an assignment drops
    # them, so that each read below goes to the C record.
    rec.BDBQuality = rec.BDBQuality
    done = threading.Event()
    failures = []

    def reader():
        try:
            read(rec)
        except BaseException as error:  # noqa: B902 - reported below
            failures.append(error)
        done.set()

    with rec._lock:
        thread = threading.Thread(target=reader)
        thread.start()
        waited = not done.wait(0.2)
    thread.join()
    assert not failures
    assert waited, f"{name} read the C record without its lock"
