"""Why a record was rejected: BioAPIError's offset, field and check, from the
decoder itself, for the shared table of damaged records that every
language's tests read."""

import ctypes
import json
import pickle

import pytest

import bioapi_data as bd
from conftest import DATA_DIR

DAMAGED = json.loads((DATA_DIR / "damaged_records.json").read_text())
MESSAGE = "BioAPI Error: Invalid Data. (Source: Unit)."


def rejected(data):
    with pytest.raises(bd.BioAPIError) as caught:
        bd.BIR(data)
    return caught.value


@pytest.mark.parametrize("case", DAMAGED, ids=[c["name"] for c in DAMAGED])
def test_damaged_records_say_where_and_why(case):
    data = bytes.fromhex(case["hex"])
    # The same answer whatever the buffer: bytes keep the BDB where it is,
    # the others go through the decoder's copy.
    for source in (data, bytearray(data), memoryview(data)):
        error = rejected(source)
        assert error.code == 0x0200010B
        assert (error.offset, error.field, error.check) == (
            case["offset"], case["field"], case["check"])
        assert str(error) == f"{MESSAGE} {case['reason']}"
    back = pickle.loads(pickle.dumps(error))
    assert (back.offset, back.field, back.check, str(back)) == (
        error.offset, error.field, error.check, str(error))


def full():
    return (DATA_DIR / "full_record.bir").read_bytes()


def test_a_record_cut_inside_its_optional_fields():
    data = bytearray(full()[:60])
    data[4:8] = len(data).to_bytes(4, "little")  # the total length agrees
    error = rejected(bytes(data))
    assert error.offset > 21 and error.check == "enough bytes remain"
    assert error.field in bd.BIR.FIELDS  # one of the optional fields
    assert f"(in {error.field}, which begins at" in str(error)


def test_a_wrong_total_length():
    data = bytearray(full())
    data[4:8] = (len(data) + 1).to_bytes(4, "little")
    error = rejected(bytes(data))
    assert (error.offset, error.field, error.check) == (
        4, "TotalLength", "total length equals the size of the record")


def test_a_bad_header_version():
    data = bytearray(full())
    data[8] = 0x31
    error = rejected(bytes(data))
    assert (error.offset, error.field, error.check) == (
        8, "HeaderVersion", "header version is 0x30")
    assert str(error).startswith(MESSAGE + " rejected at offset 8")


def test_the_rejection_structure_is_the_c_one():
    # Every member has a fixed width: the same layout on every platform.
    from bioapi_data._library import DecodeRejection
    assert ctypes.sizeof(DecodeRejection) == 328
    assert DecodeRejection.part_name.offset == 40
    assert DecodeRejection.reason.offset == 136
