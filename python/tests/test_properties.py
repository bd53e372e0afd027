"""Properties over random records and random bytes (hypothesis)."""

import pytest

hypothesis = pytest.importorskip("hypothesis")
from hypothesis import given, settings, strategies as st  # noqa: E402

import bioapi_data as bd  # noqa: E402
from conftest import DATA_DIR, SAMPLES  # noqa: E402

int16 = st.integers(-2**15, 2**15 - 1)
nonzero16 = int16.filter(bool)
byte = st.integers(0, 255)
# A date-time that a record carries as it is.
date_times = st.builds(bd.DateTime, st.integers(-2**15, 2**15 - 1), byte,
                       byte, byte, byte, byte)
optional_ids = st.one_of(st.just((0, 0)), st.tuples(nonzero16, nonzero16))
small_bytes = st.binary(max_size=64)


@st.composite
def records(draw):
    """A record whose every value is one that the byte record carries."""
    rec = bd.BIR()
    rec.BDBFormat = draw(st.tuples(int16, int16))
    rec.EncryptionOption = draw(st.booleans())
    rec.IntegrityOption = draw(st.booleans())
    rec.BDBBiometricType = draw(
        st.one_of(st.sampled_from(list(bd.BiometricType)),
                  st.integers(-2**31, 2**31 - 1)))
    rec.BDBBiometricSubtype = draw(byte)
    rec.RegisteredId1 = draw(st.tuples(int16, int16))
    for name in ("RegisteredId2", "RegisteredId3", "RegisteredId4",
                 "RegisteredId5", "RegisteredId6", "RegisteredId7",
                 "RegisteredId8"):
        setattr(rec, name, draw(optional_ids))
    for name in ("OctetString1", "OctetString2", "OctetString3",
                 "OctetString4", "OctetString5", "OctetString6"):
        setattr(rec, name, draw(small_bytes))
    # Now and then a byte string at its limit.
    rec.OctetString6 = draw(st.one_of(small_bytes,
                                      st.just(b"\xA5" * 32767)))
    for name in ("BDBCreationDate", "BIRCreationDate"):
        setattr(rec, name, draw(st.one_of(st.none(), date_times)))
    for name in ("BDBValidityPeriod", "BIRValidityPeriod"):
        setattr(rec, name, draw(st.one_of(st.just([]),
                                          st.lists(date_times, min_size=2,
                                                   max_size=2))))
    rec.BDBProcessedLevel = draw(byte)
    rec.BDBPurpose = draw(byte)
    rec.BDBQuality = draw(byte)
    rec.BiometricData = draw(st.binary(max_size=1024))
    if rec.EncryptionOption or rec.IntegrityOption:
        rec.SecurityBlock = draw(small_bytes)
    return rec


@settings(max_examples=100, deadline=None)
@given(records())
def test_any_record_encodes_decodes_and_compares_equal(rec):
    data = rec.encode()
    back = bd.BIR(data)
    assert back == rec
    assert back.encode() == data
    assert bd.BIR.from_json(rec.to_json()) == rec


def decodes_or_is_invalid_data(data):
    try:
        rec = bd.BIR(data)
    except bd.BioAPIError as error:
        assert error.code == 0x0200010B
        assert error.facility is bd.Facility.Unit
        return
    # Whatever decodes can be read and encoded.
    rec.to_json()
    rec.encode()


@settings(max_examples=300, deadline=None)
@given(st.binary(max_size=512))
def test_random_bytes_decode_or_raise_invalid_data(data):
    decodes_or_is_invalid_data(data)


SAMPLE_BYTES = [(DATA_DIR / f"{name}.bir").read_bytes() for name in SAMPLES]


@settings(max_examples=300, deadline=None)
@given(st.sampled_from(SAMPLE_BYTES), st.data())
def test_cut_and_damaged_records_decode_or_raise_invalid_data(data, draw):
    start = draw.draw(st.integers(0, len(data)))
    end = draw.draw(st.integers(start, len(data)))
    decodes_or_is_invalid_data(data[start:end])
    decodes_or_is_invalid_data(data[:end])
    damaged = bytearray(data)
    position = draw.draw(st.integers(0, len(data) - 1))
    damaged[position] = draw.draw(byte)
    decodes_or_is_invalid_data(bytes(damaged))
