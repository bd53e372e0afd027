"""The shared table of values that no record can carry
(tests/data/refused_values.json): every one is refused on assignment with a
ValueError naming the field, and the record keeps what it held."""

import json

import pytest

import bioapi_data as bd
from conftest import DATA_DIR

ROWS = json.loads((DATA_DIR / "refused_values.json").read_text())
MEMBERS = {"tm_year": "year", "tm_mon": "month", "tm_mday": "day",
           "tm_hour": "hour", "tm_min": "minute", "tm_sec": "second"}
DATE = bd.DateTime(2026, 3, 14, 9, 26, 53)


def refused_value(row):
    """The Python value of a row: the field's own value, or a date, period,
    registry identifier or byte string with the named member changed."""
    field, member, value = row["field"], row["member"], row["value"]
    if member == "":
        return value
    if member in ("Owner", "Type"):
        return (0x0101, value) if member == "Type" else (value, 0x0009)
    if member == "length":
        return [DATE] * value if "Period" in field else bytes(value)
    date = DATE._replace(**{MEMBERS[member]: value})
    return [date, DATE] if "Period" in field else date


@pytest.mark.parametrize("row", ROWS,
                         ids=[f"{r['field']}.{r['member'] or 'value'}="
                              f"{r['value']}" for r in ROWS])
def test_every_refused_value_is_refused_naming_the_field(row):
    rec = bd.BIR((DATA_DIR / "full_record.bir").read_bytes())
    before = rec.encode()
    with pytest.raises(ValueError, match=row["field"]):
        setattr(rec, row["field"], refused_value(row))
    assert rec.encode() == before
