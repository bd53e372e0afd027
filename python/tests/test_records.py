"""Decoding, reading, changing and encoding records; JSON; copies."""

import copy
import datetime
import json
import mmap
import pickle
import sys

import pytest

import bioapi_data as bd
from bioapi_data import record
from conftest import DATA_DIR


def full_record():
    return bd.BIR((DATA_DIR / "full_record.bir").read_bytes())


def test_full_record_reads_as_the_cpp_tests_expect():
    rec = full_record()
    assert rec.BDBFormat == bd.RegistryID(0x001B, 0x0201)
    assert rec.EncryptionOption is False and rec.IntegrityOption is True
    assert rec.BDBBiometricType is bd.BiometricType.Fingerprint
    assert rec.BDBBiometricSubtype is bd.BiometricSubtype.Right
    assert rec.BDBProcessedLevel is bd.ProcessedLevel.Processed
    assert rec.BDBPurpose is bd.Purpose.Enroll
    assert rec.BDBQuality == 80
    assert rec.OctetString1 == b"scanner-07"
    assert rec.BDBCreationDate == bd.DateTime(2026, 3, 14, 9, 26, 53)
    assert rec.BDBValidityPeriod == [
        bd.DateTime(2026, 3, 14, 9, 26, 53),
        bd.DateTime(2031, 3, 13, 23, 59, 59)
    ]
    assert rec.RegisteredId8 == (0x31, 8)
    assert rec.BiometricData[:4] == b"FMR\x00" and len(rec.BiometricData) == 27
    assert len(rec.SecurityBlock) == 16
    assert rec.encode() == (DATA_DIR / "full_record.bir").read_bytes()


def test_samples_match_the_golden_json_both_ways(sample):
    name, data, golden = sample
    rec = bd.BIR(data)
    back = bd.BIR.from_json(golden)
    assert back == rec
    assert bd.BIR.from_json(json.loads(golden)) == rec
    if name != "minimal":
        # Records that the library writes: the same text and bytes.
        assert rec.to_json() == golden
        assert back.encode() == data
        return
    # The minimal record lacks fields that the encoder always writes; its
    # JSON shows them with their values where `bir json` shows the record's
    # null, and agrees on every other field.
    ours, theirs = json.loads(rec.to_json()), json.loads(golden)
    assert list(ours) == list(theirs)
    added = {key for key in ours if ours[key] != theirs[key]}
    assert added == {"BDBBiometricType", "BDBBiometricSubtype",
                     "RegisteredId1", "BDBProcessedLevel", "BDBPurpose",
                     "BDBQuality"}
    assert all(theirs[key] is None for key in added)
    assert bd.BIR(back.encode()) == rec


def test_fields_are_the_cpp_members_in_order():
    assert bd.BIR.FIELDS[:5] == ("NativeFormatOwner", "NativeFormatType",
                                 "FixedWord3", "FixedWord4", "RecordFormat")
    assert bd.BIR.FIELDS[-2:] == ("BiometricData", "SecurityBlock")
    assert len(bd.BIR.FIELDS) == 35
    rec = bd.BIR()
    assert [name for name, _ in rec.fields()] == list(bd.BIR.FIELDS)


def test_default_record():
    rec = bd.BIR()
    assert rec.RecordFormat == (0x0101, 0x0009)
    assert (rec.HeaderVersion, rec.HeaderRevision) == (0x30, 0x01)
    assert rec.BDBCreationDate is None and rec.BDBValidityPeriod == []
    assert rec.BiometricData == b"" and rec.SecurityBlock == b""
    assert bd.BIR(rec.encode()) == rec


def test_decodes_every_buffer_kind():
    data = (DATA_DIR / "full_record.bir").read_bytes()
    expected = bd.BIR(data)
    padded = b"xx" + data
    interleaved = bytes(b for byte in data for b in (byte, 0))
    mapped = mmap.mmap(-1, len(data))
    mapped.write(data)
    for view in (bytearray(data), memoryview(data), memoryview(bytearray(data)),
                 memoryview(padded)[2:], memoryview(interleaved)[::2], mapped,
                 memoryview(bytearray(data)).cast("B", (len(data), 1))):
        assert bd.BIR(view) == expected
    mapped.close()  # no export of the buffer outlives the decode
    with pytest.raises(TypeError):
        bd.BIR("not bytes")


def large_record(bdb_size, sb_size=0):
    """A record whose BDB (and security block) are large enough that the
    package decodes it without the decoder's copy of the BDB."""
    rec = bd.BIR()
    rec.BiometricData = bytes(range(256)) * (bdb_size // 256)
    if sb_size:
        rec.IntegrityOption = True
        rec.SecurityBlock = b"\x5a" * sb_size
    return rec.encode()


@pytest.mark.parametrize("source", [
    bytes, bytearray, memoryview, lambda data: memoryview(bytearray(data))])
def test_bdb_held_apart_from_the_c_record_reaches_every_use(source):
    data = large_record(1 << 20)
    bdb = data[-(1 << 20):]
    rec = bd.BIR(source(data))
    assert rec.BiometricData == bdb
    twin = rec.copy()
    assert twin.encode() == data and twin.BiometricData == bdb
    assert copy.deepcopy(rec).encode() == data
    assert rec.encode() == data and rec.BiometricData == bdb
    assert bd.BIR.from_json(rec.to_json()) == rec
    rec.BiometricData = b"new"
    assert rec.BiometricData == b"new"
    assert bd.BIR(rec.encode()).BiometricData == b"new"
    assert twin.BiometricData == bdb
    rec = bd.BIR(source(data))
    with pytest.raises(TypeError):
        rec.BiometricData = "refused"
    assert rec.BiometricData == bdb and rec.encode() == data


def test_a_record_keeps_only_the_bytes_it_needs():
    # Decoded from bytes that are mostly its BDB: those bytes serve it.
    data = large_record(1 << 20)
    assert bd.BIR(data)._bdb[0] is data
    # Mostly a security block: the BDB alone is kept, not the input.
    data = large_record(64 << 10, sb_size=4 << 20)
    rec = bd.BIR(data)
    assert rec._bdb[0] is not data and len(rec._bdb[0]) == 64 << 10
    assert rec.encode() == data
    # A buffer that the caller may change: changing it changes no record.
    buffer = bytearray(large_record(1 << 20))
    rec = bd.BIR(buffer)
    before = rec.encode()
    buffer[-10:] = b"\xff" * 10
    buffer.extend(b"more")  # the record holds no export of the buffer
    assert rec.encode() == before and rec.BiometricData == before[-(1 << 20):]


def test_changes_encode_and_come_back():
    rec = full_record()
    rec.BDBQuality = 90
    rec.OctetString1 = b"site"
    rec.BDBPurpose = 1  # a plain int is accepted
    rec.BDBBiometricType = 0x1234  # a combination of flags
    rec.BDBProcessedLevel = 0x80  # read back as int: it has no name
    rec.RegisteredId2 = (5, 6)
    rec.OctetString2 = bytearray(b"\x01\x02")
    rec.BiometricData = memoryview(b"\xAA" * 1000)
    back = bd.BIR(rec.encode())
    assert back == rec
    assert back.BDBPurpose is bd.Purpose.Verify
    assert back.BDBBiometricType == 0x1234
    assert isinstance(back.BDBBiometricType, bd.BiometricType)
    assert back.BDBProcessedLevel == 0x80
    assert type(back.BDBProcessedLevel) is int
    assert back.OctetString2 == b"\x01\x02"


def test_creation_dates_none_and_written():
    rec = bd.BIR()
    rec.BIRCreationDate = bd.DateTime(2026, 1, 2, 3, 4, 5)
    assert bd.BIR(rec.encode()).BIRCreationDate == (2026, 1, 2, 3, 4, 5)
    rec.BIRCreationDate = None
    assert rec.BIRCreationDate is None
    assert bd.BIR(rec.encode()).BIRCreationDate is None
    rec.BDBCreationDate = datetime.datetime(2025, 12, 31, 23, 59, 58, 999)
    assert rec.BDBCreationDate == (2025, 12, 31, 23, 59, 58)
    # Set from Python, a date-time is written whatever its members: midnight,
    # and even all of them 0.
    for value in (bd.DateTime(2026, 1, 1, 0, 0, 0), bd.DateTime(0, 0, 0, 0, 0,
                                                                0)):
        rec.BDBCreationDate = value
        assert bd.BIR(rec.encode()).BDBCreationDate == value


def test_datetime_holds_what_datetime_cannot():
    feb31 = bd.DateTime(2026, 2, 31, 1, 1, 1)
    rec = bd.BIR()
    rec.BDBValidityPeriod = [feb31, bd.DateTime(2026, 13, 1, 1, 1, 1)]
    assert bd.BIR(rec.encode()).BDBValidityPeriod[0] == feb31
    with pytest.raises(ValueError):
        feb31.to_datetime()
    moment = datetime.datetime(2026, 3, 14, 9, 26, 53)
    assert bd.DateTime.from_datetime(moment).to_datetime() == moment
    assert str(feb31) == "2026-02-31 01:01:01"


def test_encode_and_to_array(tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)
    rec = full_record()
    out = rec.encode()
    assert not (tmp_path / "record").exists()
    assert rec.to_array() == out
    assert (tmp_path / "record").read_bytes() == out


def test_copies_are_independent():
    rec = full_record()
    for other in (rec.copy(), copy.copy(rec), copy.deepcopy(rec)):
        assert other == rec and other is not rec
        other.BDBQuality = 1
        other.OctetString3 = b"changed"
        assert rec.BDBQuality == 80 and rec.OctetString3 == b"enrolment"
        assert other != rec


def test_pickle_carries_every_field():
    rec = full_record()
    rec.RegisteredId7 = (0x8001, 0xFFFF)
    back = pickle.loads(pickle.dumps(rec))
    assert back == rec and back._handle != rec._handle
    assert pickle.loads(pickle.dumps(bd.BioAPIError(0x0200010B))).code == \
        0x0200010B


def another_value(field, value):
    """A value other than `value` that `field` takes and a record carries, or
    None for a field that takes one value only."""
    limits = field.limits
    if not limits.carried:
        return None  # a read-only constant
    if field.kind in (record.KIND_INT, record.KIND_BOOL, record.KIND_ENUM):
        if limits.min == limits.max:
            return None
        return limits.min if value != limits.min else limits.min + 1
    if field.kind == record.KIND_REGISTRY_ID:
        for other in ((limits.owner_min, limits.type_min),
                      (limits.owner_max, limits.type_max)):
            if bd.RegistryID(*(half & 0xFFFF for half in other)) != value:
                return other
        return None
    if field.kind == record.KIND_BYTES:
        return value + b"!"
    if field.kind == record.KIND_DATETIME:
        if value is None:
            return bd.DateTime(2026, 1, 2, 3, 4, 5)
        return value._replace(second=(value.second + 1) % 256)
    if field.kind == record.KIND_PERIOD:
        if not value:
            return [bd.DateTime(2026, 1, 2, 3, 4, 5)] * \
                limits.period_length
        return [value[0]._replace(second=(value[0].second + 1) % 256)] + \
            value[1:]
    raise AssertionError(f"{field.name}: no other value for field kind "
                         f"{field.kind}")


def test_equality_and_the_bytes_see_every_field():
    for name in bd.BIR.FIELDS:
        a, b = full_record(), full_record()
        other = another_value(getattr(bd.BIR, name), getattr(a, name))
        if other is None:
            continue
        setattr(b, name, other)
        assert a != b, name
        assert bd.BIR(b.encode()) != a, name
    assert full_record() != "not a record"


def test_repr_is_short_and_names_the_essentials():
    text = repr(full_record())
    assert len(text) < 240
    for part in ("0x001b/0x0201", "Fingerprint", "Right", "Enroll",
                 "BDBQuality=80", "27 bytes", "16 bytes"):
        assert part in text


def test_present_follows_the_library():
    rec = bd.BIR()
    assert not rec.present("RegisteredId2")
    rec.RegisteredId2 = (1, 0)
    assert not rec.present("RegisteredId2")
    rec.RegisteredId2 = (1, 2)
    assert rec.present("RegisteredId2")
    rec.SecurityBlock = b"sb"
    assert not rec.present("SecurityBlock")
    rec.EncryptionOption = True
    assert rec.present("SecurityBlock")
    with pytest.raises(KeyError):
        rec.present("Nope")


def test_to_json_is_null_for_what_the_encoder_leaves_out():
    rec = bd.BIR()
    rec.RegisteredId3 = (7, 0)
    parsed = json.loads(rec.to_json())
    assert parsed["RegisteredId3"] is None
    assert parsed["BDBQuality"] == 0
    assert parsed["SecurityBlock"] is None
    assert parsed["BDBBiometricType"] == {"value": 0, "name": "NoTypeAvailable"}


@pytest.mark.parametrize("change, message", [
    ({"Nope": 1}, "Nope: not a field"),
    ({"BDBFormat": None}, "BDBFormat: missing"),
    ({"BDBQuality": 256}, "BDBQuality: 256 is outside 0..255"),
    ({"BDBQuality": "x"}, "BDBQuality: expected an integer"),
    ({"OctetString1": "abc"}, "OctetString1: odd number"),
    ({"OctetString1": "zz"}, "OctetString1: \"zz\" at character 0 is not a hex"),
    ({"RegisteredId2": {"Owner": 1}}, "RegisteredId2: missing member \"Type\""),
    ({"RegisteredId2": {"Owner": 1, "Type": 40000}}, "RegisteredId2.Type"),
    ({"BDBPurpose": "Sleep"}, "BDBPurpose: \"Sleep\" names no value"),
    ({"BDBPurpose": {"value": 1, "name": "Audit"}}, "is not the name of 1"),
    ({"EncryptionOption": 1}, "EncryptionOption: expected true or false"),
    ({"BDBValidityPeriod": {}}, "BDBValidityPeriod: expected an array"),
    ({"BDBCreationDate": {"tm_year": 1}}, "BDBCreationDate: missing member"),
])
def test_from_json_names_the_faulty_field(change, message):
    fields = json.loads((DATA_DIR / "full_record.json").read_text())
    fields.update(change)
    fields = {k: v for k, v in fields.items() if not (
        k == "BDBFormat" and v is None)}
    with pytest.raises(ValueError, match=message.replace("(", r"\(")):
        bd.BIR.from_json(fields)


def test_a_mapping_that_json_cannot_write_is_a_value_error():
    fields = json.loads((DATA_DIR / "full_record.json").read_text())
    nested = []
    for _ in range(100_000):
        nested = [nested]
    for value in (nested, object()):
        with pytest.raises(ValueError, match="JSON record"):
            bd.BIR.from_json({**fields, "OctetString1": value})


def test_from_json_accepts_the_enumeration_forms():
    fields = json.loads((DATA_DIR / "full_record.json").read_text())
    for form in (3, "Enroll", {"name": "Enroll"}, {"value": 3}):
        fields["BDBPurpose"] = form
        assert bd.BIR.from_json(fields).BDBPurpose is bd.Purpose.Enroll
    fields["BDBBiometricType"] = 0x80000000  # its unsigned 32 bits
    assert bd.BIR.from_json(fields).BDBBiometricType is \
        bd.BiometricType.Password
    with pytest.raises(ValueError, match="not JSON"):
        bd.BIR.from_json("{")
    with pytest.raises(ValueError, match="expected an object"):
        bd.BIR.from_json("[]")


def test_enumerations_come_from_the_library():
    assert bd.BiometricType.Fingerprint == 8
    # A bit mask as IntFlag, its 32 bits without sign.
    assert bd.BiometricType.Password == 0x80000000
    assert bd.Purpose.Verify == 1
    assert bd.Facility.Unit == 2
    assert [m.name for m in bd.ProcessedLevel] == [
        "Raw", "Intermediate", "Processed"
    ]


def test_errors_carry_code_facility_and_message():
    assert bd.error_message(0x0200010B) == \
        "BioAPI Error: Invalid Data. (Source: Unit)."
    with pytest.raises(bd.BioAPIError) as caught:
        bd.BIR(b"\x00" * 3)
    error = caught.value
    assert isinstance(error, ValueError)
    assert error.code == 0x0200010B
    assert error.facility is bd.Facility.Unit
    # The library's message, then where and why.
    assert str(error) == ("BioAPI Error: Invalid Data. (Source: Unit). "
                          "rejected at offset 2 (in RecordFormat, which begins "
                          "at 0): check \"enough bytes remain\" failed")
    assert (error.offset, error.field, error.check) == (
        2, "RecordFormat", "enough bytes remain")
    assert bd.BioAPIError(0x0200010B).offset is None
    assert bd.BioAPIError(0x01000102).facility is bd.Facility.BSP
    with pytest.raises(TypeError):
        bd.error_message("0x10B")


def test_help_page_is_readable():
    text = bd.BIR.__doc__ + "".join(
        getattr(bd.BIR, name).__doc__ for name in bd.BIR.FIELDS)
    assert "BDBQuality: int." in text
    assert "OctetString1: bytes. At most 32767 bytes." in text
    assert "BDBPurpose: Purpose (or a plain int)." in text


def test_bdb_summary_reads_the_record_inside_and_notes_what_disagrees():
    # full_record.bir is the fixture of the notes: its header names ANSI 378
    # minutiae, its BDB is an ISO 19794-2:2005 record cut short.
    rec = bd.BIR((DATA_DIR / "full_record.bir").read_bytes())
    summary = rec.bdb_summary()
    assert summary["Format"] == "ISO/IEC 19794-2:2005 finger minutiae"
    assert summary["RecordLength"] == 240
    assert summary["Views"][0]["Quality"] == 3
    assert summary["Notes"][1] == ("the record declares 240 bytes; the BDB "
                                   "holds 27 (213 fewer)")
    assert json.loads(rec.to_json())["BiometricDataSummary"] == summary
    # A public sample under its own format: nothing to note.
    sample = bd.BIR()
    sample.BDBFormat = (0x0101, 0x0008)
    sample.BiometricData = (DATA_DIR / "bdb" /
                            "libbiomeval_face01.iso2005").read_bytes()
    face = sample.bdb_summary()
    assert face["Faces"][0]["Width"] == 280 and face["Notes"] == []
    sample.BiometricData = b"\xaa\xbb"
    assert sample.bdb_summary() == {
        "Format": None,
        "Notes": ["BDBFormat 0x0101/0x0008 names ISO/IEC 19794-5 face image, "
                  "but the BDB does not hold a record of that format",
                  "not recognised; it begins AA BB"]}


def test_a_period_read_is_the_callers_own():
    rec = full_record()
    twin = rec.copy()
    period = rec.BDBValidityPeriod
    period.clear()
    rec.BIRValidityPeriod.extend(rec.BIRValidityPeriod)
    assert len(rec.BDBValidityPeriod) == 2 and len(rec.BIRValidityPeriod) == 2
    assert rec == twin and rec == bd.BIR(rec.encode())
    assert rec.BDBValidityPeriod is not rec.BDBValidityPeriod


def test_init_again_makes_a_live_record_the_new_one_whole():
    rec = full_record()
    twin = rec.copy()
    rec.__init__(bd.BIR().encode())
    assert rec == bd.BIR() and rec.encode() == bd.BIR().encode()
    assert twin == full_record()
    rec.__init__(bytearray((DATA_DIR / "full_record.bir").read_bytes()))
    assert rec == twin
    with pytest.raises(bd.BioAPIError):
        rec.__init__(b"\x00" * 8)
    assert rec == twin  # a refused decode leaves it as it was
    rec.__init__()
    assert rec == bd.BIR()


def test_unknown_names_are_refused_on_assignment_and_read():
    rec = full_record()
    with pytest.raises(AttributeError):
        rec.BDBQualty = 3
    with pytest.raises(AttributeError):
        rec.BDBQualty
    with pytest.raises(AttributeError):
        rec.NativeFormatOwner = 1
    with pytest.raises(AttributeError):
        del rec.BDBQuality
    assert rec == full_record()


# Byte strings on each side of the sizes that change how they are read: read
# with the record's values (up to 4 KiB), kept once read (up to 64 KiB), or
# copied out at each read; and records on each side of the 4 KiB under which
# a record is decoded with its values in one call.
@pytest.mark.parametrize("name, size", [
    ("OctetString1", 1), ("OctetString3", 4000), ("OctetString6", 4096),
    ("OctetString2", 4097), ("OctetString5", 32767),
    ("SecurityBlock", 4096), ("SecurityBlock", 65535),
    ("SecurityBlock", 65536), ("BiometricData", 3900),
    ("BiometricData", 4097), ("BiometricData", 65536)])
@pytest.mark.parametrize("source", [bytes, bytearray])
def test_byte_strings_read_alike_whatever_their_size(name, size, source):
    rec = bd.BIR()
    if name == "SecurityBlock":
        rec.IntegrityOption = True
    value = bytes(range(251)) * (size // 251) + bytes(range(size % 251))
    setattr(rec, name, value)
    rec.OctetString4 = b"beside"
    data = rec.encode()
    fresh = bd.BIR(source(data))
    assert getattr(fresh, name) == value and getattr(fresh, name) == value
    assert fresh.OctetString4 == b"beside" and fresh == rec
    fresh.BDBQuality = 7  # the values read before are dropped
    assert getattr(fresh, name) == value and fresh.OctetString4 == b"beside"
    assert fresh.encode()[:-1] != data[:-1] or fresh.BDBQuality == 7
    fresh.BDBQuality = rec.BDBQuality
    assert fresh.encode() == data


def test_records_read_and_dropped_leave_no_reference_behind():
    # Every value that records share (the default record's, enumeration
    # members, registry identifiers, date-times made once) keeps its count
    # of references however many records read it and go.
    data = (DATA_DIR / "full_record.bir").read_bytes()
    probes = [value for rec in (bd.BIR(data), bd.BIR())
              for _, value in rec.fields()
              if not isinstance(value, (int, type(None)))
              or isinstance(value, (bd.BiometricType, bd.Purpose))]
    probes += [member for member in bd.BiometricType]

    def read_records(count):
        for _ in range(count):
            for rec in (bd.BIR(data), bd.BIR(bytearray(data)), bd.BIR()):
                for name in bd.BIR.FIELDS:
                    getattr(rec, name)
                rec.encode()

    read_records(1)  # what is made once, at the first read, is made
    before = [sys.getrefcount(probe) for probe in probes]
    read_records(500)
    assert [sys.getrefcount(probe) for probe in probes] == before


def test_a_record_is_made_alike_however_it_is_called():
    data = (DATA_DIR / "full_record.bir").read_bytes()
    expected = bd.BIR(data)

    class Decoded(bd.BIR):
        __slots__ = ()

        def __init__(self, source):
            super().__init__(bytes(source))

    made = [bd.BIR(data=data), bd.BIR(bytearray(data)), Decoded(data),
            Decoded(bytearray(data)), bd.BIR.__new__(bd.BIR)]
    made[-1].__init__(data)
    for rec in made:
        assert rec == expected and rec.encode() == data
    assert type(made[2]) is Decoded
    for bad in (data[:-1], b"", bytearray(data[:-1])):
        with pytest.raises(bd.BioAPIError):
            bd.BIR(bad)
    with pytest.raises(TypeError):
        bd.BIR("text")
