"""The JSON form of a record, as the bir tool writes and reads it."""

from __future__ import annotations

import enum
import json
from typing import Any, Dict, List, Mapping, Sequence, Type, Union

from .record import (BIR, KIND_BOOL, KIND_BYTES, KIND_DATETIME, KIND_ENUM,
                     KIND_PERIOD, KIND_REGISTRY_ID, _FIELD_LIST, _Value)
from .values import DateTime, RegistryID

_INT32_MIN, _INT32_MAX = -(2**31), 2**31 - 1
_INT16_MIN, _INT16_MAX = -(2**15), 2**15 - 1


def to_json(record: BIR) -> str:
    """Returns the JSON text that ``bir json`` prints for `record`: every
    field of the record, byte strings as hex, date-times as their six
    recorded members, enumerations as {"value", "name"}, and null for an
    optional field that the encoder leaves out."""
    out: Dict[str, Any] = {}
    for field in _JSON_FIELDS:
        if not record.present(field.name):
            out[field.name] = None
        else:
            out[field.name] = _to_json_value(field, getattr(record,
                                                            field.name))
    return _json_text(out)


def from_json(text: Union[str, bytes, bytearray, Mapping[str, Any]]) -> BIR:
    """Builds a record from JSON of the form that `to_json` and ``bir
    json`` write (text, or the parsed object). A field that is null or
    missing keeps its default; the header fields and BiometricData are
    required. Raises ValueError naming the field for anything else."""
    if isinstance(text, (str, bytes, bytearray)):
        try:
            parsed = json.loads(text)
        except json.JSONDecodeError as error:
            raise ValueError(f"not JSON: {error}") from None
    else:
        parsed = text
    if not isinstance(parsed, Mapping):
        raise ValueError("expected an object of record fields, got "
                         f"{_json_kind(parsed)}")
    for key in parsed:
        if key not in _JSON_FIELD_BY_NAME:
            raise ValueError(f"{key}: not a field of a record")
    record = BIR()
    for field in _JSON_FIELDS:
        value = parsed.get(field.name)
        if value is None:
            if field.name in _JSON_REQUIRED:
                raise ValueError(f"{field.name}: missing; every record "
                                 "has it")
            continue
        converted = _from_json_value(field, field.name, value)
        try:
            setattr(record, field.name, converted)
        except (TypeError, ValueError) as error:
            message = str(error)
            raise ValueError(message if message.startswith(field.name) else
                             f"{field.name}: {message}") from None
    return record


# The JSON carries the fields of the byte record: from RecordFormat on.
_JSON_FIELDS = _FIELD_LIST[BIR.FIELDS.index("RecordFormat"):]
_JSON_FIELD_BY_NAME = {field.name: field for field in _JSON_FIELDS}
# Fields that every record has, in the JSON's terms.
_JSON_REQUIRED = frozenset(("RecordFormat", "HeaderVersion", "HeaderRevision",
                            "BDBFormat", "EncryptionOption", "IntegrityOption",
                            "BiometricData"))
_DATE_MEMBERS = ("tm_year", "tm_mon", "tm_mday", "tm_hour", "tm_min", "tm_sec")
# A value goes on one line when it is this short.
_INLINE_WIDTH = 96


def _signed(value: int, bits: int) -> int:
    """The JSON shows registry identifiers and enumeration values signed."""
    return value - (1 << bits) if value >= 1 << (bits - 1) else value


def _to_json_value(field: _Value[Any], value: Any) -> Any:
    if field.kind == KIND_REGISTRY_ID:
        return {"Owner": _signed(value.owner, 16), "Type": _signed(value.type,
                                                                   16)}
    if field.kind == KIND_BYTES:
        return value.hex()
    if field.kind == KIND_DATETIME:
        return dict(zip(_DATE_MEMBERS, value))
    if field.kind == KIND_PERIOD:
        return [dict(zip(_DATE_MEMBERS, v)) for v in value]
    if field.kind == KIND_ENUM:
        out: Dict[str, Any] = {"value": _signed(int(value), 32)}
        # A member's own name; a combination of flags has none in the table.
        if (isinstance(value, enum.Enum) and value.name and
                value.name in type(value).__members__):
            out["name"] = value.name
        return out
    if field.kind == KIND_BOOL:
        return bool(value)
    return int(value)


def _json_kind(value: Any) -> str:
    if value is None:
        return "null"
    if isinstance(value, bool):
        return "boolean"
    if isinstance(value, (int, float)):
        return "number"
    if isinstance(value, str):
        return "string"
    if isinstance(value, list):
        return "array"
    return "object"


def _json_int(path: str, value: Any, low: int, high: int) -> int:
    if not isinstance(value, int) or isinstance(value, bool):
        raise ValueError(f"{path}: expected an integer, got "
                         f"{_json_kind(value)} {json.dumps(value)}")
    if not low <= value <= high:
        raise ValueError(f"{path}: {value} is outside {low}..{high}")
    return value


def _json_members(path: str, value: Any, names: Sequence[str],
                  all_of_them: bool = True) -> Mapping[str, Any]:
    if not isinstance(value, Mapping):
        raise ValueError(f"{path}: expected an object, got "
                         f"{_json_kind(value)} {json.dumps(value)}")
    for key in value:
        if key not in names:
            raise ValueError(f"{path}: unknown member \"{key}\"")
    if all_of_them:
        for name in names:
            if name not in value:
                raise ValueError(f"{path}: missing member \"{name}\"")
    return value


def _json_date(path: str, value: Any) -> DateTime:
    members = _json_members(path, value, _DATE_MEMBERS)
    return DateTime(*(_json_int(f"{path}.{name}", members[name], _INT32_MIN,
                                _INT32_MAX) for name in _DATE_MEMBERS))


def _json_enum(path: str, enumeration: Type[enum.Enum], value: Any) -> int:

    def from_number(at: str, number: Any) -> int:
        n = _json_int(at, number, _INT32_MIN, 0xFFFFFFFF)
        return n - 2**32 if n > _INT32_MAX else n

    def from_name(at: str, name: Any) -> int:
        if not isinstance(name, str):
            raise ValueError(f"{at}: expected a name, got {_json_kind(name)}")
        try:
            member: int = enumeration[name].value
            return member
        except KeyError:
            raise ValueError(f"{at}: {json.dumps(name)} names no value of "
                             "this field") from None

    if isinstance(value, str):
        return from_name(path, value)
    if isinstance(value, (int, float)) and not isinstance(value, bool):
        return from_number(path, value)
    members = _json_members(path, value, ("value", "name"), False)
    if "value" in members:
        number = from_number(f"{path}.value", members["value"])
        if "name" in members and (from_name(f"{path}.name", members["name"])
                                  - number) % 2**32:
            raise ValueError(f"{path}: \"name\" {json.dumps(members['name'])} "
                             f"is not the name of {members['value']}")
        return number
    if "name" in members:
        return from_name(f"{path}.name", members["name"])
    raise ValueError(f"{path}: missing member \"value\"")


def _from_json_value(field: _Value[Any], path: str, value: Any) -> Any:
    kind = field.kind
    if kind == KIND_REGISTRY_ID:
        members = _json_members(path, value, ("Owner", "Type"))
        return RegistryID(
            _json_int(f"{path}.Owner", members["Owner"], _INT16_MIN,
                      _INT16_MAX),
            _json_int(f"{path}.Type", members["Type"], _INT16_MIN, _INT16_MAX))
    if kind == KIND_BYTES:
        if not isinstance(value, str):
            raise ValueError(f"{path}: expected a string of hex digits, got "
                             f"{_json_kind(value)}")
        if len(value) % 2:
            raise ValueError(f"{path}: odd number of hex digits: two digits "
                             "make one byte")
        try:
            return bytes.fromhex(value)
        except ValueError:
            raise ValueError(f"{path}: not a string of hex digits") from None
    if kind == KIND_DATETIME:
        return _json_date(path, value)
    if kind == KIND_PERIOD:
        if not isinstance(value, list):
            raise ValueError(f"{path}: expected an array of date-times "
                             f"(start, end), got {_json_kind(value)}")
        return [_json_date(f"{path}[{i}]", v) for i, v in enumerate(value)]
    if kind == KIND_ENUM:
        return _json_enum(path, getattr(field, "cls"), value)
    if kind == KIND_BOOL:
        if not isinstance(value, bool):
            raise ValueError(f"{path}: expected true or false, got "
                             f"{_json_kind(value)} {json.dumps(value)}")
        return value
    return _json_int(path, value, _INT32_MIN, _INT32_MAX)


def _json_inline(value: Any) -> str:
    if isinstance(value, dict):
        return "{" + ", ".join(f"{json.dumps(key)}: {_json_inline(item)}"
                               for key, item in value.items()) + "}"
    if isinstance(value, list):
        return "[" + ", ".join(_json_inline(item) for item in value) + "]"
    return json.dumps(value)


def _json_write(value: Any, indent: int, top: bool, out: List[str]) -> None:
    structured = isinstance(value, (dict, list))
    if not structured or not value or (
            not top and len(_json_inline(value)) <= _INLINE_WIDTH):
        out.append(_json_inline(value))
        return
    inner = " " * (indent + 2)
    is_object = isinstance(value, dict)
    out.append("{\n" if is_object else "[\n")
    items = value.items() if is_object else ((None, v) for v in value)
    first = True
    for key, item in items:
        if not first:
            out.append(",\n")
        first = False
        out.append(inner)
        if is_object:
            out.append(json.dumps(key) + ": ")
        _json_write(item, indent + 2, False, out)
    out.append("\n" + " " * indent + ("}" if is_object else "]"))


def _json_text(value: Any) -> str:
    out: List[str] = []
    _json_write(value, 0, True, out)
    return "".join(out) + "\n"
