"""What fields take and how they read back; the package's shape."""

import io
import pkgutil
import pydoc

import pytest

import bioapi_data as bd
from bioapi_data import enums, record
from conftest import DATA_DIR


@pytest.mark.parametrize("given, shown", [
    ((0x8001, 1), (0x8001, 1)),
    ((-32767, 1), (0x8001, 1)),
    ((-1, 0xFFFF), (0xFFFF, 0xFFFF)),
    ((-32768, 65535), (0x8000, 0xFFFF)),
    ((0x7FFF, 1), (0x7FFF, 1)),
])
def test_registry_ids_take_either_form_of_16_bits_and_show_one(given, shown):
    rec = bd.BIR()
    rec.RegisteredId2 = given
    assert rec.RegisteredId2 == shown
    back = bd.BIR(rec.encode())
    assert back.RegisteredId2 == shown
    assert rec.to_json() == back.to_json()
    rec.BDBFormat = given
    assert f"BDBFormat={shown[0]:#06x}/{shown[1]:#06x}" in repr(rec)
    assert repr(rec.BDBFormat) == (f"RegistryID(owner={shown[0]:#06x}, "
                                   f"type={shown[1]:#06x})")


def test_bit_masks_combine_and_read_back_as_their_flags():
    rec = bd.BIR()
    rec.BDBBiometricSubtype = bd.BiometricSubtype.Right | \
        bd.BiometricSubtype.Thumb
    back = bd.BIR(rec.encode()).BDBBiometricSubtype
    assert isinstance(back, bd.BiometricSubtype)
    assert back == 6 and bd.BiometricSubtype.Thumb in back
    rec.BDBBiometricType = bd.BiometricType.Password | bd.BiometricType.Iris
    back_type = bd.BIR(rec.encode()).BDBBiometricType
    assert isinstance(back_type, bd.BiometricType)
    assert back_type == 0x80000010
    rec.BDBBiometricType = -2**31  # the same 32 bits, signed
    assert rec.BDBBiometricType is bd.BiometricType.Password


def test_an_empty_input_is_the_same_error_whatever_its_buffer():
    messages = set()
    for empty in (b"", bytearray(), memoryview(b""), memoryview(bytearray())):
        with pytest.raises(bd.BioAPIError) as caught:
            bd.BIR(empty)
        messages.add((caught.value.code, str(caught.value)))
    assert messages == {(0x0200010B,
                         "BioAPI Error: Invalid Data. (Source: Unit). "
                         "rejected at offset 0 (RecordFormat): check \"enough "
                         "bytes remain\" failed")}


def every_value(rec):
    return [(name, getattr(rec, name)) for name in bd.BIR.FIELDS]


@pytest.mark.parametrize("source", [bytes, bytearray])
def test_encode_leaves_a_decoded_record_unchanged(source):
    data = (DATA_DIR / "full_record.bir").read_bytes()
    rec = bd.BIR(source(data))
    before = every_value(rec)
    for _ in range(3):
        assert rec.encode() == data
        assert rec.copy().encode() == data
        assert rec.present("BiometricData")
    assert every_value(rec) == before


def test_declared_fields_and_enumerations_are_the_librarys():
    # The import checks them too; here the check itself is shown to look.
    assert enums.differences() == []
    table = enums.library_table()
    assert [name for name, _ in table.values()] == [
        cls.__name__ for cls in enums.BY_NUMBER.values()]
    assert len(bd.BIR.FIELDS) == 35
    for field in record._FIELD_LIST:
        assert field.kind in field.kinds, field.name
        assert getattr(bd.BIR, field.name) is field


def test_help_lists_only_public_names():
    out = io.StringIO()
    pydoc.Helper(output=out).help(bd)
    text = out.getvalue()
    for public in ("BIR", "BioAPIError", "BiometricType", "error_message"):
        assert public in text
    data_section = text.split("DATA", 1)[-1].split("VERSION", 1)[0]
    names = [line.split()[0] for line in data_section.splitlines()
             if line.strip() and not line.startswith("    " * 2)]
    assert not [n for n in names if n.startswith("_") and n != "__all__"]
    # The private modules show only under PACKAGE CONTENTS, by name.
    for private in ("lib =", "_FIELD_LIST", "_CONVERTERS", "_json_int",
                    "_handed_over", "_bytes_argument"):
        assert private not in text


def test_the_shared_library_is_no_module():
    found = [info.name for info in pkgutil.walk_packages(
        bd.__path__, bd.__name__ + ".")]
    assert "bioapi_data.record" in found
    assert not [name for name in found if "libbioapi" in name
                or name.endswith("bioapi_data.bioapi_data")]
