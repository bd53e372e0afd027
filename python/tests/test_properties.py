"""Properties over random records and random bytes (hypothesis)."""

import pytest

hypothesis = pytest.importorskip("hypothesis")
from hypothesis import given, settings, strategies as st  # noqa: E402

import bioapi_data as bd  # noqa: E402
from bioapi_data import record  # noqa: E402
from conftest import DATA_DIR, SAMPLES  # noqa: E402

byte = st.integers(0, 255)
# A date-time that a record carries as it is: a 16-bit year, the other
# members a byte each.
date_times = st.builds(bd.DateTime, st.integers(-2**15, 2**15 - 1), byte,
                       byte, byte, byte, byte)
# Byte strings up to this limit are drawn now and then at their limit; the
# blocks, whose limit is gigabytes, up to 1024 bytes.
SMALL_LIMIT = 0xFFFF
# A block that the encoder writes only when one of these options is set.
WRITTEN_WITH_AN_OPTION = {"SecurityBlock": ("EncryptionOption",
                                            "IntegrityOption")}
# The optional fields: those that the encoder leaves out of the default
# record (the library's own rule, bioapi_bir_field_present).
LEFT_OUT_BY_DEFAULT = {name for name in bd.BIR.FIELDS
                       if not bd.BIR().present(name)}


def integer_values(field):
    """Any value within an integer field's limits (int, bool, enumeration),
    an enumeration's named values often among them."""
    low, high = field.limits.min, field.limits.max
    if field.kind == record.KIND_BOOL and (low, high) == (0, 1):
        return st.booleans()
    numbers = st.integers(low, high)
    cls = getattr(field, "cls", None)
    if cls is None:
        return numbers
    # A field that carries all 32 bits takes them in either form.
    full = (low, high) == (-2**31, 2**31 - 1)
    named = [m for m in cls if (0 <= m <= 0xFFFFFFFF if full else
                                low <= m <= high)]
    return st.one_of(st.sampled_from(named), numbers) if named else numbers


def registry_ids(field):
    """Halves within the field's limits; for an optional one, which the
    encoder leaves out when either half is 0, (0, 0) or both non-zero."""
    limits = field.limits
    owners = st.integers(limits.owner_min, limits.owner_max)
    types = st.integers(limits.type_min, limits.type_max)
    if field.name not in LEFT_OUT_BY_DEFAULT:
        return st.tuples(owners, types)
    return st.one_of(st.just((0, 0)),
                     st.tuples(owners.filter(bool), types.filter(bool)))


def byte_strings(field):
    size = field.max_size
    if size > SMALL_LIMIT:
        return st.binary(max_size=1024)
    # Now and then one at its limit.
    return st.one_of(st.binary(max_size=min(size, 64)),
                     st.just(b"\xA5" * size))


def optional_date_times(field):
    if field.name in LEFT_OUT_BY_DEFAULT:
        return st.one_of(st.none(), date_times)
    return date_times


def periods(field):
    length = field.limits.period_length
    return st.one_of(st.just([]),
                     st.lists(date_times, min_size=length, max_size=length))


VALUES_OF_KIND = {
    record.KIND_INT: integer_values,
    record.KIND_BOOL: integer_values,
    record.KIND_ENUM: integer_values,
    record.KIND_REGISTRY_ID: registry_ids,
    record.KIND_BYTES: byte_strings,
    record.KIND_DATETIME: optional_date_times,
    record.KIND_PERIOD: periods,
}
# Kinds whose every value is written; an optional field of one of them
# needs its own rule here before the properties can cover it.
ALWAYS_WRITTEN_KINDS = {record.KIND_INT, record.KIND_BOOL, record.KIND_ENUM}


def field_values(field):
    """The values of `field` that the byte record carries as they are;
    fails for a field that this module does not know how to draw."""
    draw_values = VALUES_OF_KIND.get(field.kind)
    if draw_values is None:
        raise AssertionError(f"{field.name}: no values drawn for field kind "
                             f"{field.kind}; teach test_properties.py it")
    if field.kind in ALWAYS_WRITTEN_KINDS and \
            field.name in LEFT_OUT_BY_DEFAULT:
        raise AssertionError(f"{field.name}: an optional field of kind "
                             f"{field.kind}; teach test_properties.py when "
                             "the encoder writes it")
    return draw_values(field)


CARRIED_FIELDS = [getattr(bd.BIR, name) for name in bd.BIR.FIELDS
                  if getattr(bd.BIR, name).limits.carried]


def test_records_draw_every_field_but_the_read_only_constants():
    assert set(WRITTEN_WITH_AN_OPTION) <= set(bd.BIR.FIELDS)
    for field in CARRIED_FIELDS:
        field_values(field)  # raises for a kind that it does not know


@st.composite
def records(draw):
    """A record whose every value is one that the byte record carries."""
    rec = bd.BIR()
    for field in CARRIED_FIELDS:
        if field.name not in WRITTEN_WITH_AN_OPTION:
            setattr(rec, field.name, draw(field_values(field)))
    for name, options in WRITTEN_WITH_AN_OPTION.items():
        if any(getattr(rec, option) for option in options):
            setattr(rec, name, draw(field_values(getattr(bd.BIR, name))))
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
