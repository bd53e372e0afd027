"""BioAPI 2.0 biometric information records, over the bioapi_data C library.

Decode a record, change it, encode it again::

    import bioapi_data as bd

    rec = bd.BIR(open("sample.bir", "rb").read())
    rec.BDBQuality = 90
    out = rec.encode()

`BIR` has every field of the library's C++ class, under the same names
(`BIR.FIELDS` lists them in order). The library decides every rule of the
record format: which fields a record carries, what a field can hold, and how
a record is decoded and encoded. A rejected record or value raises
`BioAPIError`, a `ValueError` that carries the library's error code.
"""

from __future__ import annotations

import ctypes
import datetime as _datetime
import enum
import json
from typing import (Any, Callable, Dict, Iterator, List, Mapping, NamedTuple,
                    Optional, Sequence, Tuple, Type, Union)

from . import _library
from ._version import __version__

__all__ = [
    "BIR",
    "BioAPIError",
    "BiometricSubtype",
    "BiometricType",
    "DateTime",
    "Facility",
    "ProcessedLevel",
    "Purpose",
    "RegistryID",
    "error_message",
    "__version__",
]

_lib = _library.load()

_INT32_MIN, _INT32_MAX = -(2**31), 2**31 - 1
_INT16_MIN, _INT16_MAX = -(2**15), 2**15 - 1

# Statuses and field kinds of the C interface (bioapi_data_c.h).
_OK = 0
_INVALID_PARAMETER = 0x00000503
_KIND_INT = 1
_KIND_BOOL = 2
_KIND_ENUM = 3
_KIND_REGISTRY_ID = 4
_KIND_BYTES = 5
_KIND_DATETIME = 6
_KIND_PERIOD = 7

Buffer = Union[bytes, bytearray, memoryview]

# --------------------------------------------------------------------------
# Enumerations: built from the library's own table of names.


def _enumerations() -> Dict[int, Type[enum.IntEnum]]:
    """The library's enumerations by their C number."""
    found: Dict[int, Type[enum.IntEnum]] = {}
    number = 1
    while True:
        name = ctypes.c_char_p()
        count = ctypes.c_size_t()
        if _lib.bioapi_enumeration_info(number, ctypes.byref(name),
                                        ctypes.byref(count)) != _OK:
            return found
        members = []
        for index in range(count.value):
            member = ctypes.c_char_p()
            value = ctypes.c_int32()
            if _lib.bioapi_enumerator(number, index, ctypes.byref(member),
                                      ctypes.byref(value)) != _OK:
                raise ImportError(f"bioapi_data: the library cannot list "
                                  f"enumeration {number}")
            members.append((member.value.decode("ascii"), value.value))
        enum_name = name.value.decode("ascii")
        cls = enum.IntEnum(enum_name, members, module=__name__)  # type: ignore
        cls.__doc__ = (f"The library's {enum_name} enumeration. A field of this "
                       "type reads as a member, or as a plain int for a value "
                       "that has no name.")
        found[number] = cls
        number += 1


_ENUMERATIONS = _enumerations()
_ENUMERATION_BY_NAME = {cls.__name__: cls for cls in _ENUMERATIONS.values()}
try:
    #: Biometric type; a record carries all 32 bits.
    BiometricType: Type[enum.IntEnum] = _ENUMERATION_BY_NAME["BiometricType"]
    #: Biometric subtype.
    BiometricSubtype: Type[enum.IntEnum] = _ENUMERATION_BY_NAME["BiometricSubtype"]
    #: Processing level of the biometric data.
    ProcessedLevel: Type[enum.IntEnum] = _ENUMERATION_BY_NAME["ProcessedLevel"]
    #: Purpose of the biometric data.
    Purpose: Type[enum.IntEnum] = _ENUMERATION_BY_NAME["Purpose"]
    #: The source of an error: the framework, a BSP or a unit.
    Facility: Type[enum.IntEnum] = _ENUMERATION_BY_NAME["Facility"]
except KeyError as missing:
    raise ImportError(f"bioapi_data: the library names no enumeration "
                      f"{missing}") from None

# --------------------------------------------------------------------------
# Errors.


def _as_int32(code: Any, what: str) -> int:
    """Returns `code` as the signed 32 bits that the C interface takes."""
    if not isinstance(code, int) or isinstance(code, bool):
        raise TypeError(f"{what} must be an int, not {type(code).__name__}")
    if not _INT32_MIN <= code <= 0xFFFFFFFF:
        raise ValueError(f"{what} {code} does not fit in 32 bits")
    return code - 2**32 if code > _INT32_MAX else code


def error_message(code: int) -> str:
    """Returns the library's message for a BioAPI error code, e.g.
    ``error_message(0x0200010B)`` is "BioAPI Error: Invalid Data. (Source:
    Unit)."; the top byte names the source (0x01 a BSP, 0x02 a unit)."""
    text = _lib.bioapi_error_message(_as_int32(code, "code"))
    return text.decode("utf-8")


class BioAPIError(ValueError):
    """An error that the library reports: a BioAPI error code, its source and
    the library's message (``str(error)``).

    ``code`` is the code as an unsigned 32-bit number (0x0200010B for a record
    that the decoder rejects), ``facility`` its `Facility`.
    """

    code: int
    facility: Any

    def __init__(self, code: int, message: Optional[str] = None) -> None:
        signed = _as_int32(code, "code")
        self.code = signed & 0xFFFFFFFF
        self.facility = Facility(_lib.bioapi_error_facility(signed))
        super().__init__(message if message is not None else
                         error_message(signed))

    def __reduce__(self) -> Any:
        return (type(self), (self.code, str(self)))


def _check(status: int) -> None:
    if status != _OK:
        raise BioAPIError(status)


# --------------------------------------------------------------------------
# Value types.


class RegistryID(NamedTuple):
    """A registered identifier: the registering owner, then the item; each a
    signed 16-bit number."""

    owner: int
    type: int

    def __repr__(self) -> str:
        return f"RegistryID(owner={self.owner:#06x}, type={self.type:#06x})"


class DateTime(NamedTuple):
    """A date-time as a record carries it: six integers, held as they are
    (month 0 or 31 February included), ``year`` the full calendar year."""

    year: int
    month: int
    day: int
    hour: int
    minute: int
    second: int

    def to_datetime(self) -> _datetime.datetime:
        """Returns the `datetime.datetime` of these members; ValueError when
        they name no calendar date-time."""
        return _datetime.datetime(*self)

    @classmethod
    def from_datetime(cls, value: _datetime.date) -> "DateTime":
        """Returns the members of a `datetime.datetime` (a `datetime.date` is
        midnight); microseconds and the time zone are not carried."""
        if isinstance(value, _datetime.datetime):
            return cls(value.year, value.month, value.day, value.hour,
                       value.minute, value.second)
        if isinstance(value, _datetime.date):
            return cls(value.year, value.month, value.day, 0, 0, 0)
        raise TypeError(
            f"expected a datetime.datetime, not {type(value).__name__}")

    def __str__(self) -> str:
        return (f"{self.year:04d}-{self.month:02d}-{self.day:02d} "
                f"{self.hour:02d}:{self.minute:02d}:{self.second:02d}")


# --------------------------------------------------------------------------
# The fields, from the library's table.


class _Field(NamedTuple):
    number: int
    name: str
    kind: int
    enumeration: Optional[Type[enum.IntEnum]]
    max_size: int


def _fields() -> Tuple[_Field, ...]:
    fields = []
    number = 1
    while True:
        name = ctypes.c_char_p()
        kind = ctypes.c_int32()
        enumeration = ctypes.c_int32()
        max_size = ctypes.c_size_t()
        status = _lib.bioapi_bir_field_info(number, ctypes.byref(name),
                                            ctypes.byref(kind),
                                            ctypes.byref(enumeration),
                                            ctypes.byref(max_size))
        if status != _OK:
            return tuple(fields)
        fields.append(
            _Field(number, name.value.decode("ascii"), kind.value,
                   _ENUMERATIONS.get(enumeration.value), max_size.value))
        number += 1


_FIELDS = _fields()
_FIELD_BY_NAME = {field.name: field for field in _FIELDS}
_BDB_NUMBER = _FIELD_BY_NAME["BiometricData"].number


def _date_struct(value: Sequence[int]) -> _library.DateTimeStruct:
    # Weekday, day of the year and DST flag are "not known" (-1): a date-time
    # set from Python is always one that the record carries.
    return _library.DateTimeStruct(ctypes.sizeof(_library.DateTimeStruct),
                                   *value, -1, -1, -1)


def _date_of(struct: _library.DateTimeStruct) -> DateTime:
    return DateTime(struct.year, struct.month, struct.day, struct.hour,
                    struct.minute, struct.second)


def _present(handle: int, number: int) -> bool:
    present = ctypes.c_int()
    _check(_lib.bioapi_bir_field_present(handle, number,
                                         ctypes.byref(present)))
    return present.value != 0


def _type_name(value: Any) -> str:
    return type(value).__name__


def _refused(field: _Field, value: Any) -> ValueError:
    return ValueError(f"{field.name} cannot hold {value!r}")


def _int_value(field: _Field, value: Any, kinds: str = "an int") -> int:
    if not isinstance(value, int) or isinstance(value, bool):
        raise TypeError(f"{field.name} must be {kinds}, not {_type_name(value)}")
    if not _INT32_MIN <= value <= _INT32_MAX:
        raise _refused(field, value)
    return int(value)


def _date_value(field: _Field, value: Any) -> Tuple[int, ...]:
    if isinstance(value, _datetime.date):
        value = DateTime.from_datetime(value)
    if (not isinstance(value, tuple) or len(value) != 6 or
            any(not isinstance(v, int) or isinstance(v, bool) for v in value)):
        raise TypeError(f"{field.name} takes a DateTime (six ints), not "
                        f"{value!r}")
    if any(not _INT32_MIN <= v <= _INT32_MAX for v in value):
        raise _refused(field, value)
    return tuple(int(v) for v in value)


def _bytes_argument(value: Any) -> Tuple[Any, int]:
    """Returns what the C interface reads the bytes of `value` through, without
    a copy when the buffer allows it, and their number."""
    if isinstance(value, bytes):
        return value, len(value)
    view = memoryview(value)
    size = view.nbytes
    if size == 0:
        return None, 0
    if view.readonly or not view.c_contiguous:
        return view.tobytes(), size
    return (ctypes.c_char * size).from_buffer(view.cast("B")), size


def _accessors(field: _Field) -> Tuple[Callable[[Any], Any],
                                       Callable[[Any, Any], None]]:
    """The getter and setter of one field, by its kind."""
    number, name = field.number, field.name

    if field.kind in (_KIND_INT, _KIND_BOOL, _KIND_ENUM):
        # The members by value; a value without a name reads as a plain int.
        members = (None if field.enumeration is None else
                   {int(m): m for m in field.enumeration})

        get_int = _lib.bioapi_bir_get_int
        is_bool = field.kind == _KIND_BOOL

        def get(self: "BIR") -> Any:
            value = ctypes.c_int32()
            status = get_int(self._handle, number, ctypes.byref(value))
            if status:
                raise BioAPIError(status)
            if is_bool:
                return value.value != 0
            if members is not None:
                return members.get(value.value, value.value)
            return value.value

        def set(self: "BIR", value: Any) -> None:
            if field.kind == _KIND_BOOL and isinstance(value, bool):
                number_value = int(value)
            else:
                number_value = _int_value(
                    field, value,
                    "a bool" if field.kind == _KIND_BOOL else "an int")
            status = _lib.bioapi_bir_set_int(self._handle, number, number_value)
            if status == _INVALID_PARAMETER:
                raise _refused(field, value)
            _check(status)

    elif field.kind == _KIND_REGISTRY_ID:

        def get(self: "BIR") -> RegistryID:
            owner = ctypes.c_int16()
            type_ = ctypes.c_int16()
            _check(_lib.bioapi_bir_get_registry_id(self._handle, number,
                                                   ctypes.byref(owner),
                                                   ctypes.byref(type_)))
            return RegistryID(owner.value, type_.value)

        def set(self: "BIR", value: Any) -> None:
            if (not isinstance(value, tuple) or len(value) != 2 or
                    any(not isinstance(v, int) or isinstance(v, bool)
                        for v in value)):
                raise TypeError(f"{name} takes a RegistryID (owner, type), "
                                f"not {value!r}")
            for half, v in zip(("owner", "type"), value):
                if not _INT16_MIN <= v <= _INT16_MAX:
                    raise ValueError(f"{name}: {half} {v} is outside the "
                                     "signed 16 bits of a registry identifier")
            _check(_lib.bioapi_bir_set_registry_id(self._handle, number,
                                                   value[0], value[1]))

    elif field.kind == _KIND_BYTES:
        max_size = field.max_size

        get_bytes = _lib.bioapi_bir_get_bytes
        is_bdb = name == "BiometricData"

        def get(self: "BIR") -> bytes:
            if is_bdb and self._bdb is not None:
                # Still in the bytes that the record was decoded from.
                source, offset, size_ = self._bdb
                return source[offset:offset + size_]
            data = ctypes.c_void_p()
            size = ctypes.c_size_t()
            status = get_bytes(self._handle, number, ctypes.byref(data),
                               ctypes.byref(size))
            if status:
                raise BioAPIError(status)
            # One copy, straight from the record's storage into the bytes.
            return ctypes.string_at(data.value, size.value) if size.value \
                else b""

        def set(self: "BIR", value: Any) -> None:
            if isinstance(value, (str, int)) or value is None:
                raise TypeError(f"{name} takes bytes, not {_type_name(value)}")
            try:
                data, size = _bytes_argument(value)
            except TypeError:
                raise TypeError(f"{name} takes bytes, not "
                                f"{_type_name(value)}") from None
            if size > max_size:
                raise ValueError(f"{name}: {size} bytes; the record carries at "
                                 f"most {max_size}")
            _check(_lib.bioapi_bir_set_bytes(self._handle, number, data, size))
            if is_bdb:
                self._bdb = None

    elif field.kind == _KIND_DATETIME:

        def get(self: "BIR") -> Optional[DateTime]:
            if not _present(self._handle, number):
                return None
            struct = _library.DateTimeStruct(
                ctypes.sizeof(_library.DateTimeStruct))
            _check(_lib.bioapi_bir_get_datetime(self._handle, number,
                                                ctypes.byref(struct)))
            return _date_of(struct)

        def set(self: "BIR", value: Any) -> None:
            if value is None:
                # All nine members 0: a date-time that the record leaves out.
                struct = _library.DateTimeStruct(
                    ctypes.sizeof(_library.DateTimeStruct))
            else:
                struct = _date_struct(_date_value(field, value))
            status = _lib.bioapi_bir_set_datetime(self._handle, number,
                                                  ctypes.byref(struct))
            if status == _INVALID_PARAMETER:
                raise _refused(field, value)
            _check(status)

    elif field.kind == _KIND_PERIOD:

        def get(self: "BIR") -> List[DateTime]:
            count = ctypes.c_size_t()
            _check(_lib.bioapi_bir_get_period_count(self._handle, number,
                                                    ctypes.byref(count)))
            struct = _library.DateTimeStruct(
                ctypes.sizeof(_library.DateTimeStruct))
            out = []
            for index in range(count.value):
                _check(_lib.bioapi_bir_get_period_element(
                    self._handle, number, index, ctypes.byref(struct)))
                out.append(_date_of(struct))
            return out

        def set(self: "BIR", value: Any) -> None:
            if not isinstance(value, (list, tuple)):
                raise TypeError(f"{name} takes a list of DateTime, not "
                                f"{_type_name(value)}")
            members = [_date_value(field, v) for v in value]
            array = (_library.DateTimeStruct * max(1, len(members)))(
                *(_date_struct(m) for m in members))
            status = _lib.bioapi_bir_set_period(self._handle, number, array,
                                                len(members))
            if status == _INVALID_PARAMETER:
                raise _refused(field, value)
            _check(status)

    else:  # a kind that this package does not know: read-only, as raw
        raise ImportError(f"bioapi_data: field {name} has kind {field.kind}, "
                          "which this package does not know")

    return get, set


_KIND_DOCS = {
    _KIND_INT: "int",
    _KIND_BOOL: "bool",
    _KIND_REGISTRY_ID: "RegistryID (owner, type)",
    _KIND_BYTES: "bytes",
    _KIND_DATETIME: "DateTime, or None when the record leaves it out",
    _KIND_PERIOD: "list of DateTime (start, end); empty when left out",
}


def _field_doc(field: _Field) -> str:
    if field.enumeration is not None:
        kind = f"{field.enumeration.__name__} (or a plain int)"
    else:
        kind = _KIND_DOCS[field.kind]
    doc = f"{field.name}: {kind}."
    if field.kind == _KIND_BYTES:
        doc += f" At most {field.max_size} bytes."
    return doc


# --------------------------------------------------------------------------
# The record.

_SIZE_OUT = ctypes.c_size_t
_HANDLE_OUT = ctypes.c_void_p


def _handed_over(call: Callable[..., int], *args: Any) -> bytes:
    """Calls a C function that returns a buffer for the caller to free, and
    returns its bytes."""
    data = ctypes.c_void_p()
    size = ctypes.c_size_t()
    _check(call(*args, ctypes.byref(data), ctypes.byref(size)))
    try:
        return ctypes.string_at(data.value, size.value) if size.value else b""
    finally:
        _lib.bioapi_free(data)


class BIR:
    """A biometric information record, backed by the library's C++ object.

    ``BIR(data)`` decodes a byte record (`bytes`, `bytearray` or
    `memoryview`); a record that the library rejects raises `BioAPIError`
    with code 0x0200010B. ``BIR()`` is the default record: the native header,
    every other scalar 0, every byte string and sequence empty.

    Every field of the C++ class is an attribute of the same name, in the
    order of `BIR.FIELDS`. Each value is checked on assignment: a wrong type
    raises `TypeError`, a value that the field cannot hold `ValueError`
    naming the field, and the field then keeps its old value.
    """

    # _bdb: (bytes, offset, size) of a BDB that is still in the bytes that
    # the record was decoded from, which the C record then holds empty: a
    # decode from bytes saves the decoder's copy of the BDB. The C record
    # gets it before anything reads it there (_take_bdb).
    __slots__ = ("_handle", "_bdb", "__weakref__")

    #: The names of the fields, in the order of the C++ class.
    FIELDS: Tuple[str, ...] = tuple(field.name for field in _FIELDS)

    # The fields, for type checkers and readers; the attributes themselves
    # are built from the library's field table below.
    NativeFormatOwner: int
    NativeFormatType: int
    FixedWord3: int
    FixedWord4: int
    RecordFormat: RegistryID
    HeaderVersion: int
    HeaderRevision: int
    BDBFormat: RegistryID
    EncryptionOption: bool
    IntegrityOption: bool
    BDBBiometricType: int
    BDBBiometricSubtype: int
    RegisteredId1: RegistryID
    RegisteredId2: RegistryID
    RegisteredId3: RegistryID
    RegisteredId4: RegistryID
    RegisteredId5: RegistryID
    OctetString1: bytes
    BDBCreationDate: Optional[DateTime]
    OctetString2: bytes
    BDBProcessedLevel: int
    RegisteredId6: RegistryID
    BDBPurpose: int
    BDBQuality: int
    RegisteredId7: RegistryID
    BDBValidityPeriod: List[DateTime]
    BIRCreationDate: Optional[DateTime]
    OctetString3: bytes
    OctetString4: bytes
    OctetString5: bytes
    OctetString6: bytes
    BIRValidityPeriod: List[DateTime]
    RegisteredId8: RegistryID
    BiometricData: bytes
    SecurityBlock: bytes

    def __init__(self, data: Optional[Buffer] = None) -> None:
        self._handle: Optional[int] = None
        self._bdb: Optional[Tuple[bytes, int, int]] = None
        out = ctypes.c_void_p()
        if data is None:
            _check(_lib.bioapi_bir_create(ctypes.byref(out)))
        elif isinstance(data, bytes):
            offset = ctypes.c_size_t()
            size = ctypes.c_size_t()
            _check(_lib.bioapi_bir_decode_leaving_bdb(data, len(data),
                                                      ctypes.byref(out),
                                                      ctypes.byref(offset),
                                                      ctypes.byref(size)))
            if size.value:
                self._bdb = (data, offset.value, size.value)
        else:
            if isinstance(data, (str, int)):
                raise TypeError("BIR() decodes bytes, bytearray or memoryview, "
                                f"not {_type_name(data)}")
            try:
                argument, size = _bytes_argument(data)
            except TypeError:
                raise TypeError("BIR() decodes bytes, bytearray or memoryview, "
                                f"not {_type_name(data)}") from None
            _check(_lib.bioapi_bir_decode(argument, size, ctypes.byref(out)))
        self._handle = out.value

    def __del__(self) -> None:
        handle = getattr(self, "_handle", None)
        lib = _lib
        if handle and lib is not None:
            self._handle = None
            lib.bioapi_bir_destroy(handle)

    @classmethod
    def _adopt(cls, handle: int, bdb: Optional[Tuple[bytes, int,
                                                     int]]) -> "BIR":
        record = cls.__new__(cls)
        record._handle = handle
        record._bdb = bdb
        return record

    def _take_bdb(self) -> None:
        """Hands a BDB that is still in the decoded bytes to the C record."""
        if self._bdb is None:
            return
        source, offset, size = self._bdb
        start = ctypes.cast(ctypes.c_char_p(source), ctypes.c_void_p).value
        _check(_lib.bioapi_bir_set_bytes(self._handle, _BDB_NUMBER,
                                         start + offset, size))
        self._bdb = None

    def encode(self) -> bytes:
        """Returns the byte record; touches no file. Raises `BioAPIError`
        (0x0200010B) when a byte string or the record is over its limit."""
        self._take_bdb()
        return _handed_over(_lib.bioapi_bir_encode, self._handle)

    def to_array(self) -> bytes:
        """Returns `encode()` and also replaces the file "record" in the
        working directory with the same bytes."""
        self._take_bdb()
        return _handed_over(_lib.bioapi_bir_to_array, self._handle)

    def copy(self) -> "BIR":
        """Returns an independent copy."""
        out = ctypes.c_void_p()
        _check(_lib.bioapi_bir_clone(self._handle, ctypes.byref(out)))
        # The decoded bytes are immutable: the copy may share them.
        return BIR._adopt(out.value, self._bdb)  # type: ignore[arg-type]

    __copy__ = copy

    def __deepcopy__(self, memo: Dict[int, Any]) -> "BIR":
        return self.copy()

    def __reduce__(self) -> Any:
        # Pickled as its field values: the handle is this process's alone.
        return (_record_of_fields, (tuple(getattr(self, name)
                                          for name in self.FIELDS),))

    def present(self, name: str) -> bool:
        """Returns whether the encoder writes field `name` into the record
        (the library's own rule)."""
        field = _FIELD_BY_NAME.get(name)
        if field is None:
            raise KeyError(f"{name!r} is not a field of a record")
        return _present(self._handle, field.number)  # type: ignore[arg-type]

    def fields(self) -> Iterator[Tuple[str, Any]]:
        """Yields (name, value) of every field, in `FIELDS` order."""
        for name in self.FIELDS:
            yield name, getattr(self, name)

    def __eq__(self, other: object) -> bool:
        if not isinstance(other, BIR):
            return NotImplemented
        return all(getattr(self, name) == getattr(other, name)
                   for name in self.FIELDS)

    __hash__ = None  # type: ignore[assignment]

    def __repr__(self) -> str:
        parts = [f"BDBFormat={_registry_text(self.BDBFormat)}"]
        for name in ("BDBBiometricType", "BDBBiometricSubtype", "BDBPurpose"):
            value = getattr(self, name)
            parts.append(f"{name}={getattr(value, 'name', value)}")
        parts.append(f"BDBQuality={self.BDBQuality}")
        if self.present("BIRCreationDate"):
            parts.append(f"BIRCreationDate={self.BIRCreationDate}")
        parts.append(f"BiometricData=<{len(self.BiometricData)} bytes>")
        if self.present("SecurityBlock"):
            parts.append(f"SecurityBlock=<{len(self.SecurityBlock)} bytes>")
        return f"BIR({', '.join(parts)})"

    # JSON ------------------------------------------------------------------

    def to_json(self) -> str:
        """Returns the JSON text that ``bir json`` prints for this record:
        every field of the record, byte strings as hex, date-times as their
        six recorded members, enumerations as {"value", "name"}, and null for
        an optional field that the encoder leaves out."""
        return _json_text(self._json_object())

    def _json_object(self) -> Dict[str, Any]:
        handle = self._handle
        out: Dict[str, Any] = {}
        for field in _JSON_FIELDS:
            if not _present(handle, field.number):  # type: ignore[arg-type]
                out[field.name] = None
            else:
                out[field.name] = _to_json_value(field,
                                                 getattr(self, field.name))
        return out

    @classmethod
    def from_json(cls, text: Union[str, bytes, Mapping[str, Any]]) -> "BIR":
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
        record = cls()
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
                text = str(error)
                raise ValueError(text if text.startswith(field.name) else
                                 f"{field.name}: {text}") from None
        return record


def _record_of_fields(values: Sequence[Any]) -> BIR:
    """Rebuilds a pickled record from its field values, in FIELDS order."""
    record = BIR()
    for name, value in zip(BIR.FIELDS, values):
        setattr(record, name, value)
    return record


def _registry_text(value: RegistryID) -> str:
    return f"{value.owner & 0xFFFF:#06x}/{value.type & 0xFFFF:#06x}"


def _install_fields() -> None:
    known = set(BIR.__annotations__) - {"FIELDS"}
    if set(BIR.FIELDS) != known:
        raise ImportError("bioapi_data: the library's fields "
                          f"{sorted(set(BIR.FIELDS) ^ known)} differ from "
                          "this package's")
    for field in _FIELDS:
        getter, setter = _accessors(field)
        setattr(BIR, field.name, property(getter, setter,
                                          doc=_field_doc(field)))


_install_fields()

# --------------------------------------------------------------------------
# JSON of the fields, as the bir tool writes and reads it.

# The JSON carries the fields of the byte record: from RecordFormat on.
_JSON_FIELDS = _FIELDS[BIR.FIELDS.index("RecordFormat"):]
_JSON_FIELD_BY_NAME = {field.name: field for field in _JSON_FIELDS}
# Fields that every record has, in the JSON's terms.
_JSON_REQUIRED = frozenset(("RecordFormat", "HeaderVersion", "HeaderRevision",
                            "BDBFormat", "EncryptionOption", "IntegrityOption",
                            "BiometricData"))
_DATE_MEMBERS = ("tm_year", "tm_mon", "tm_mday", "tm_hour", "tm_min", "tm_sec")
# A value goes on one line when it is this short.
_INLINE_WIDTH = 96


def _to_json_value(field: _Field, value: Any) -> Any:
    if field.kind == _KIND_REGISTRY_ID:
        return {"Owner": value.owner, "Type": value.type}
    if field.kind == _KIND_BYTES:
        return value.hex()
    if field.kind == _KIND_DATETIME:
        return dict(zip(_DATE_MEMBERS, value))
    if field.kind == _KIND_PERIOD:
        return [dict(zip(_DATE_MEMBERS, v)) for v in value]
    if field.kind == _KIND_ENUM:
        out: Dict[str, Any] = {"value": int(value)}
        if isinstance(value, enum.IntEnum):
            out["name"] = value.name
        return out
    if field.kind == _KIND_BOOL:
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


def _json_enum(path: str, enumeration: Type[enum.IntEnum], value: Any) -> int:

    def from_number(at: str, number: Any) -> int:
        n = _json_int(at, number, _INT32_MIN, 0xFFFFFFFF)
        return n - 2**32 if n > _INT32_MAX else n

    def from_name(at: str, name: Any) -> int:
        if not isinstance(name, str):
            raise ValueError(f"{at}: expected a name, got {_json_kind(name)}")
        try:
            return int(enumeration[name])
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
        if "name" in members and from_name(f"{path}.name",
                                           members["name"]) != number:
            raise ValueError(f"{path}: \"name\" {json.dumps(members['name'])} "
                             f"is not the name of {members['value']}")
        return number
    if "name" in members:
        return from_name(f"{path}.name", members["name"])
    raise ValueError(f"{path}: missing member \"value\"")


def _from_json_value(field: _Field, path: str, value: Any) -> Any:
    kind = field.kind
    if kind == _KIND_REGISTRY_ID:
        members = _json_members(path, value, ("Owner", "Type"))
        return RegistryID(
            _json_int(f"{path}.Owner", members["Owner"], _INT16_MIN,
                      _INT16_MAX),
            _json_int(f"{path}.Type", members["Type"], _INT16_MIN, _INT16_MAX))
    if kind == _KIND_BYTES:
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
    if kind == _KIND_DATETIME:
        return _json_date(path, value)
    if kind == _KIND_PERIOD:
        if not isinstance(value, list):
            raise ValueError(f"{path}: expected an array of date-times "
                             f"(start, end), got {_json_kind(value)}")
        return [_json_date(f"{path}[{i}]", v) for i, v in enumerate(value)]
    if kind == _KIND_ENUM:
        assert field.enumeration is not None
        return _json_enum(path, field.enumeration, value)
    if kind == _KIND_BOOL:
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
