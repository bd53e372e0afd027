"""The biometric information record, `BIR`, over a handle of the C library.

Each record holds a lock: every call into the library on its handle runs
under it, so that threads sharing a record never see the handle half-changed
and never read storage that another thread frees. What a record read returns
is always a copy (a Python value), never a view into the library's memory.
"""

from __future__ import annotations

import ctypes
import datetime as _datetime
import enum
import json
import threading
from typing import (Any, Callable, ClassVar, Dict, Generic, Iterator, List,
                    Mapping, Optional, Sequence, Tuple, Type, TypeVar, Union, overload)

from ._library import (DateTimeStruct, FieldLimits, JsonError, ValuesStruct,
                       inspect, lib)
from .enums import (BY_NUMBER, BiometricSubtype, BiometricType, ProcessedLevel,
                    Purpose)
from .errors import BioAPIError, check, rejection
from .values import DateTime, RegistryID

__all__ = ["BIR", "Buffer"]

#: What a record decodes, and what a byte string field takes.
Buffer = Union[bytes, bytearray, memoryview]

_INT32_MIN, _INT32_MAX = -(2**31), 2**31 - 1

# Statuses and field kinds of the C interface (bioapi_data_c.h).
_INVALID_PARAMETER = 0x00000503
KIND_INT = 1
KIND_BOOL = 2
KIND_ENUM = 3
KIND_REGISTRY_ID = 4
KIND_BYTES = 5
KIND_DATETIME = 6
KIND_PERIOD = 7
# Slots of bioapi_bir_values per kind (BIOAPI_VALUE_SLOTS_...).
_SLOTS = {KIND_INT: 1, KIND_BOOL: 1, KIND_ENUM: 1, KIND_REGISTRY_ID: 2,
          KIND_BYTES: 1, KIND_DATETIME: 9, KIND_PERIOD: 19}
_DATETIME_SIZE = ctypes.sizeof(DateTimeStruct)
# Byte strings up to this size are kept once read; the blocks (BDB, SB),
# which may be large, are copied out on every read instead.
_KEPT_BYTES = 65535

G = TypeVar("G")
S = TypeVar("S")
E = TypeVar("E", bound=enum.IntEnum)
F = TypeVar("F", bound=enum.IntFlag)


# Builds a named tuple from members already checked, without the generated
# __new__ (which costs most of a read of a record's values).
_new_tuple: Callable[..., Any] = tuple.__new__


def _type_name(value: object) -> str:
    return type(value).__name__


def _is_int(value: object) -> bool:
    return isinstance(value, int) and not isinstance(value, bool)


class _Value(Generic[G]):
    """A field of the record: its number in the C interface, and what the
    library says of it (filled in when the package is imported). Read-only;
    `_Field` adds assignment."""

    kinds: ClassVar[Tuple[int, ...]] = ()
    type_text = "int"

    def __init__(self, number: int) -> None:
        self.number = number
        self.index = number - 1
        self.name = ""
        self.kind = 0
        self.enumeration = 0
        self.max_size = 0
        self.limits = FieldLimits()
        self.slot = 0
        self.__doc__ = ""

    def __set_name__(self, owner: type, name: str) -> None:
        self.name = name

    @overload
    def __get__(self, record: None, owner: Optional[type] = None
                ) -> _Value[G]:
        ...

    @overload
    def __get__(self, record: BIR, owner: Optional[type] = None) -> G:
        ...

    def __get__(self, record: Optional[BIR], owner: Optional[type] = None
                ) -> Union[G, _Value[G]]:
        if record is None:
            return self
        values = record._cache
        if values is None:
            values = record._load()
        value: G = values[self.index]
        return value

    def convert(self, slots: List[int], present: int, handle: int) -> Any:
        """The field's value from the slots of bioapi_bir_values."""
        return None

    def refused(self, value: object, why: str) -> ValueError:
        return ValueError(f"{self.name} cannot hold {value!r}: {why}")

    def doc(self) -> str:
        """The field's line in help()."""
        return f"{self.name}: {self.type_text}."


class _Field(_Value[G], Generic[G, S]):
    """A field that takes assignments."""

    def __set__(self, record: BIR, value: S) -> None:
        self.store(record, value)

    def store(self, record: BIR, value: Any) -> None:
        """Checks `value` and sets it; raises TypeError or ValueError naming
        the field, and then leaves the record as it was."""
        raise NotImplementedError


class _Constant(_Value[int]):
    """A constant of the object that no record carries: read-only (only
    __get__, so an assignment raises AttributeError, and a type checker
    refuses it)."""

    kinds = (KIND_INT,)

    def convert(self, slots: List[int], present: int, handle: int) -> int:
        return slots[self.slot]

    def doc(self) -> str:
        return (f"{self.name}: int, a constant of the object that no record "
                "carries (read-only).")


def _int_in_limits(field: _Value[Any], value: object,
                   kinds: str = "an int") -> int:
    """Returns the signed 32 bits to set for `value`, or raises."""
    if not isinstance(value, int) or isinstance(value, bool):
        raise TypeError(f"{field.name} must be {kinds}, not "
                        f"{_type_name(value)}")
    number = int(value)
    low, high = field.limits.min, field.limits.max
    if low == _INT32_MIN and high == _INT32_MAX:
        # All 32 bits travel: either form of them.
        if not _INT32_MIN <= number <= 0xFFFFFFFF:
            raise field.refused(value, "a record carries 32 bits")
        return number - 2**32 if number > _INT32_MAX else number
    if low == high and number != low:
        raise field.refused(value, f"the decoder accepts only {low:#04x}")
    if not low <= number <= high:
        raise field.refused(value, f"a record carries {low} to {high}")
    return number


def _assign(record: BIR, setter: Callable[..., int], *args: Any) -> int:
    """Calls a setter of the C interface on the record's handle, under its
    lock, and drops the values read before; returns the status."""
    with record._lock:
        status = setter(record._handle, *args)
        record._cache = None
    return status


def _set_int(record: BIR, field: _Value[Any], number: int) -> None:
    check(_assign(record, lib.bioapi_bir_set_int, field.number, number))


class _Int(_Field[int, int]):
    """An integer."""

    kinds = (KIND_INT,)

    def store(self, record: BIR, value: Any) -> None:
        _set_int(record, self, _int_in_limits(self, value))

    def convert(self, slots: List[int], present: int, handle: int) -> int:
        return slots[self.slot]


class _Bool(_Field[bool, Union[bool, int]]):
    """A truth value (an int 0 or 1 is taken too)."""

    kinds = (KIND_BOOL,)
    type_text = "bool"

    def store(self, record: BIR, value: Any) -> None:
        number = int(value) if isinstance(value, bool) else _int_in_limits(
            self, value, "a bool")
        _set_int(record, self, number)

    def convert(self, slots: List[int], present: int, handle: int) -> bool:
        return slots[self.slot] != 0


class _Enum(_Field[Union[E, int], int]):
    """A value of an `IntEnum`: its member, or a plain int without a name."""

    kinds = (KIND_ENUM,)

    def __init__(self, number: int, enumeration: Type[E]) -> None:
        super().__init__(number)
        self.cls = enumeration
        self.type_text = f"{enumeration.__name__} (or a plain int)"

    def store(self, record: BIR, value: Any) -> None:
        _set_int(record, self, _int_in_limits(self, value))

    def convert(self, slots: List[int], present: int,
                handle: int) -> Union[E, int]:
        number = slots[self.slot]
        member: Optional[E] = self.cls._value2member_map_.get(  # type: ignore
            number)
        return number if member is None else member


class _Flag(_Field[F, int]):
    """A bit mask: always a value of its `IntFlag`, its bits without sign."""

    kinds = (KIND_ENUM,)

    def __init__(self, number: int, enumeration: Type[F]) -> None:
        super().__init__(number)
        self.cls = enumeration
        self.type_text = f"{enumeration.__name__} (a bit mask; an int is taken)"

    def store(self, record: BIR, value: Any) -> None:
        _set_int(record, self, _int_in_limits(self, value))

    def convert(self, slots: List[int], present: int, handle: int) -> F:
        number = slots[self.slot] & 0xFFFFFFFF
        member: Optional[F] = self.cls._value2member_map_.get(  # type: ignore
            number)
        return self.cls(number) if member is None else member


#: What a registry identifier field takes.
RegistryIDLike = Union[RegistryID, Tuple[int, int]]


class _RegistryID(_Field[RegistryID, RegistryIDLike]):
    """A registry identifier; each half read as 0 to 0xFFFF, and taken in
    either form of its 16 bits."""

    kinds = (KIND_REGISTRY_ID,)
    type_text = "RegistryID (owner, type)"

    def store(self, record: BIR, value: Any) -> None:
        if (not isinstance(value, tuple) or len(value) != 2 or
                not all(_is_int(v) for v in value)):
            raise TypeError(f"{self.name} takes a RegistryID (owner, type), "
                            f"not {value!r}")
        halves = []
        limits = self.limits
        for half, v, low, high in (("owner", value[0], limits.owner_min,
                                    limits.owner_max),
                                   ("type", value[1], limits.type_min,
                                    limits.type_max)):
            if not -32768 <= v <= 0xFFFF:
                raise self.refused(value, f"the {half} {v} is not 16 bits")
            signed = v - 0x10000 if v > 0x7FFF else int(v)
            if not low <= signed <= high:
                raise self.refused(
                    value, "the decoder accepts only "
                    f"{RegistryID(low & 0xFFFF, limits.type_min & 0xFFFF)!r}")
            halves.append(signed)
        check(_assign(record, lib.bioapi_bir_set_registry_id, self.number,
                      *halves))

    def convert(self, slots: List[int], present: int,
                handle: int) -> RegistryID:
        at = self.slot
        value: RegistryID = _new_tuple(RegistryID, (slots[at] & 0xFFFF,
                                                    slots[at + 1] & 0xFFFF))
        return value


def _bytes_argument(value: Any) -> Tuple[Any, int]:
    """Returns what the C interface reads the bytes of `value` through, without
    a copy when the buffer allows it, and their number. Never a null pointer:
    an empty buffer of any type is the same empty input."""
    if isinstance(value, bytes):
        return value, len(value)
    view = memoryview(value)
    size = view.nbytes
    if size == 0:
        return b"", 0
    if view.readonly or not view.c_contiguous:
        return view.tobytes(), size
    return (ctypes.c_char * size).from_buffer(view.cast("B")), size


class _Bytes(_Field[bytes, Buffer]):
    """A byte string."""

    kinds = (KIND_BYTES,)
    type_text = "bytes"

    @overload
    def __get__(self, record: None, owner: Optional[type] = None
                ) -> _Bytes:
        ...

    @overload
    def __get__(self, record: BIR, owner: Optional[type] = None) -> bytes:
        ...

    def __get__(self, record: Optional[BIR], owner: Optional[type] = None
                ) -> Union[bytes, _Bytes]:
        if record is None:
            return self
        kept = record._kept.get(self.index)
        if kept is not None:
            return kept
        return record._read_bytes(self)

    def store(self, record: BIR, value: Any) -> None:
        if isinstance(value, (str, int)) or value is None:
            raise TypeError(f"{self.name} takes bytes, not {_type_name(value)}")
        try:
            data, size = _bytes_argument(value)
        except TypeError:
            raise TypeError(f"{self.name} takes bytes, not "
                            f"{_type_name(value)}") from None
        if size > self.max_size:
            raise self.refused(f"<{size} bytes>",
                               f"a record carries at most {self.max_size}")
        with record._lock:
            status = lib.bioapi_bir_set_bytes(record._handle, self.number,
                                              data, size)
            if not status:
                record._kept.pop(self.index, None)
                if self.number == _BDB_NUMBER:
                    record._bdb = None
            record._cache = None
        check(status)

    def convert(self, slots: List[int], present: int, handle: int) -> int:
        return slots[self.slot]  # its size; the bytes are read on demand

    def doc(self) -> str:
        return f"{self.name}: bytes. At most {self.max_size} bytes."


def _date_struct(value: Sequence[int]) -> DateTimeStruct:
    # Weekday, day of the year and DST flag are "not known" (-1): a date-time
    # set from Python is always one that the record carries.
    return DateTimeStruct(_DATETIME_SIZE, *value, -1, -1, -1)


def _date_value(field: _Value[Any], value: Any) -> Tuple[int, ...]:
    if isinstance(value, _datetime.date):
        value = DateTime.from_datetime(value)
    if (not isinstance(value, tuple) or len(value) != 6 or
            not all(_is_int(v) for v in value)):
        raise TypeError(f"{field.name} takes a DateTime (six ints), not "
                        f"{value!r}")
    if any(not _INT32_MIN <= v <= _INT32_MAX for v in value):
        raise field.refused(value, "a member is outside what a record carries")
    return tuple(int(v) for v in value)


def _check_date(field: _Value[Any], value: Any, status: int) -> None:
    """Raises for the status of setting a date-time or a period: ValueError
    naming the field for a member that the record cannot carry."""
    if status == _INVALID_PARAMETER:
        raise field.refused(value, "a member is outside what a record "
                            "carries (year 16 bits, the others 0 to 255)")
    check(status)


#: What a date-time field takes.
DateTimeLike = Union[DateTime, Tuple[int, int, int, int, int, int],
                     _datetime.date]


class _DateTime(_Field[Optional[DateTime], Optional[DateTimeLike]]):
    """A creation date: None when the encoder leaves it out."""

    kinds = (KIND_DATETIME,)
    type_text = "DateTime, or None when the record leaves it out"

    def store(self, record: BIR, value: Any) -> None:
        if value is None:
            # All nine members 0: a date-time that the record leaves out.
            struct = DateTimeStruct(_DATETIME_SIZE)
        else:
            struct = _date_struct(_date_value(self, value))
        _check_date(self, value, _assign(record, lib.bioapi_bir_set_datetime,
                                         self.number, ctypes.byref(struct)))

    def convert(self, slots: List[int], present: int,
                handle: int) -> Optional[DateTime]:
        if not present >> self.index & 1:
            return None
        at = self.slot
        value: DateTime = _new_tuple(DateTime, slots[at:at + 6])
        return value


class _Period(_Field[List[DateTime], Sequence[DateTimeLike]]):
    """A validity period: empty, or its start and end."""

    kinds = (KIND_PERIOD,)
    type_text = "list of DateTime (start, end); empty when left out"

    def store(self, record: BIR, value: Any) -> None:
        if not isinstance(value, (list, tuple)) or (
                len(value) == 6 and all(_is_int(v) for v in value)):
            raise TypeError(f"{self.name} takes a list of DateTime, not "
                            f"{_type_name(value)}")
        members = [_date_value(self, v) for v in value]
        length = self.limits.period_length
        if len(members) not in (0, length):
            raise self.refused(value, f"a period holds none or {length} "
                               "date-times (start, end)")
        array = (DateTimeStruct * max(1, len(members)))(
            *(_date_struct(m) for m in members))
        _check_date(self, value, _assign(record, lib.bioapi_bir_set_period,
                                         self.number, array, len(members)))

    def convert(self, slots: List[int], present: int,
                handle: int) -> List[DateTime]:
        at = self.slot
        count = slots[at]
        if count <= 2:
            return [_new_tuple(DateTime, slots[at + 1 + 9 * i:at + 7 + 9 * i])
                    for i in range(count)]
        # A longer period (only a C caller makes one): element by element,
        # still under the record's lock.
        struct = DateTimeStruct(_DATETIME_SIZE)
        out = []
        for index in range(count):
            check(lib.bioapi_bir_get_period_element(handle, self.number, index,
                                                    ctypes.byref(struct)))
            out.append(DateTime(struct.year, struct.month, struct.day,
                                struct.hour, struct.minute, struct.second))
        return out


def _handed_over(call: Callable[..., int], *args: Any) -> bytes:
    """Calls a C function that returns a buffer for the caller to free, and
    returns its bytes."""
    data = ctypes.c_void_p()
    size = ctypes.c_size_t()
    check(call(*args, ctypes.byref(data), ctypes.byref(size)))
    try:
        return (ctypes.string_at(data.value or 0, size.value) if size.value
                else b"")
    finally:
        lib.bioapi_free(data)


class BIR:
    """A biometric information record, backed by the library's C++ object.

    ``BIR(data)`` decodes a byte record (`bytes`, `bytearray` or
    `memoryview`); a record that the library rejects raises `BioAPIError`
    with code 0x0200010B. ``BIR()`` is the default record: the native header,
    every other scalar 0, every byte string and sequence empty.

    Every field of the C++ class is an attribute of the same name, in the
    order of `BIR.FIELDS`. Each value is checked on assignment: a wrong type
    raises `TypeError`, a value that the record cannot carry `ValueError`
    naming the field, and the field then keeps its old value.

    A record may be shared between threads: each call runs under the
    record's lock, a read gives the value before or after a concurrent
    assignment (never a mix), and `encode()` and every other read leave the
    record as it was.
    """

    # _handle: the C record. _lock: held for every call on it. _cache: every
    # value but the byte strings, read in one call, until an assignment.
    # _kept: the short byte strings read so far. _bdb: (bytes, offset, size)
    # of a BDB still in the bytes that the record was decoded from, which the
    # C record then holds empty: a decode from bytes saves the decoder's copy
    # of the BDB.
    __slots__ = ("_handle", "_lock", "_cache", "_kept", "_bdb", "__weakref__")

    #: The names of the fields, in the order of the C++ class.
    FIELDS: ClassVar[Tuple[str, ...]]

    NativeFormatOwner = _Constant(1)
    NativeFormatType = _Constant(2)
    FixedWord3 = _Constant(3)
    FixedWord4 = _Constant(4)
    RecordFormat = _RegistryID(5)
    HeaderVersion = _Int(6)
    HeaderRevision = _Int(7)
    BDBFormat = _RegistryID(8)
    EncryptionOption = _Bool(9)
    IntegrityOption = _Bool(10)
    BDBBiometricType = _Flag(11, BiometricType)
    BDBBiometricSubtype = _Flag(12, BiometricSubtype)
    RegisteredId1 = _RegistryID(13)
    RegisteredId2 = _RegistryID(14)
    RegisteredId3 = _RegistryID(15)
    RegisteredId4 = _RegistryID(16)
    RegisteredId5 = _RegistryID(17)
    OctetString1 = _Bytes(18)
    BDBCreationDate = _DateTime(19)
    OctetString2 = _Bytes(20)
    BDBProcessedLevel = _Enum(21, ProcessedLevel)
    RegisteredId6 = _RegistryID(22)
    BDBPurpose = _Enum(23, Purpose)
    BDBQuality = _Int(24)
    RegisteredId7 = _RegistryID(25)
    BDBValidityPeriod = _Period(26)
    BIRCreationDate = _DateTime(27)
    OctetString3 = _Bytes(28)
    OctetString4 = _Bytes(29)
    OctetString5 = _Bytes(30)
    OctetString6 = _Bytes(31)
    BIRValidityPeriod = _Period(32)
    RegisteredId8 = _RegistryID(33)
    BiometricData = _Bytes(34)
    SecurityBlock = _Bytes(35)

    def __init__(self, data: Optional[Buffer] = None) -> None:
        self._handle: Optional[int] = None
        self._lock = threading.Lock()
        self._cache: Optional[List[Any]] = None
        self._kept: Dict[int, bytes] = {}
        self._bdb: Optional[Tuple[bytes, int, int]] = None
        out = ctypes.c_void_p()
        if data is None:
            check(lib.bioapi_bir_create(ctypes.byref(out)))
        elif type(data) is bytes:
            offset = ctypes.c_size_t()
            size = ctypes.c_size_t()
            status = lib.bioapi_bir_decode_leaving_bdb(data, len(data),
                                                       ctypes.byref(out),
                                                       ctypes.byref(offset),
                                                       ctypes.byref(size))
            if status:
                raise rejection(status, data, len(data))
            if size.value:
                self._bdb = (data, offset.value, size.value)
        else:
            if isinstance(data, (str, int)):
                raise TypeError("BIR() decodes bytes, bytearray or memoryview, "
                                f"not {_type_name(data)}")
            try:
                argument, length = _bytes_argument(data)
            except TypeError:
                raise TypeError("BIR() decodes bytes, bytearray or memoryview, "
                                f"not {_type_name(data)}") from None
            status = lib.bioapi_bir_decode(argument, length, ctypes.byref(out))
            if status:
                raise rejection(status, argument, length)
        self._handle = out.value

    def __del__(self) -> None:
        handle = getattr(self, "_handle", None)
        if handle and lib is not None:
            self._handle = None
            lib.bioapi_bir_destroy(handle)

    def _load(self) -> List[Any]:
        """Every value but the byte strings, from one call, kept until the
        next assignment."""
        with self._lock:
            values = self._cache
            if values is None:
                raw = ValuesStruct()
                raw.struct_size = _VALUES_SIZE
                check(lib.bioapi_bir_read_values(self._handle,
                                                 ctypes.byref(raw)))
                slots = raw.slot[:]
                present = raw.present
                handle = self._handle or 0
                values = [convert(slots, present, handle)
                          for convert in _CONVERTERS]
                self._cache = values
                # Empty byte strings need no call to read them.
                kept = self._kept
                for index in _BYTES_INDEXES:
                    if not values[index] and (index != _BDB_INDEX or
                                              self._bdb is None):
                        kept[index] = b""
            return values

    def _read_bytes(self, field: _Value[Any]) -> bytes:
        """A byte string, copied out under the lock: the library's storage
        never outlives the call."""
        if self._cache is None:
            self._load()  # which keeps the empty ones
            kept = self._kept.get(field.index)
            if kept is not None:
                return kept
        bdb = self._bdb
        if bdb is not None and field.number == _BDB_NUMBER:
            # Still in the bytes that the record was decoded from.
            source, offset, size = bdb
            return source[offset:offset + size]
        data = ctypes.c_void_p()
        length = ctypes.c_size_t()
        with self._lock:
            status = lib.bioapi_bir_get_bytes(self._handle, field.number,
                                              ctypes.byref(data),
                                              ctypes.byref(length))
            if status:
                raise BioAPIError(status)
            value = (ctypes.string_at(data.value or 0, length.value)
                     if length.value else b"")
            if field.max_size <= _KEPT_BYTES:
                self._kept[field.index] = value
        return value

    def _clone_handle(self) -> int:
        """A new C record equal to this one, BDB included; the caller owns
        it."""
        out = ctypes.c_void_p()
        with self._lock:
            check(lib.bioapi_bir_clone(self._handle, ctypes.byref(out)))
            bdb = self._bdb
        handle: int = out.value  # type: ignore[assignment]
        if bdb is not None:
            source, offset, size = bdb
            start = ctypes.cast(ctypes.c_char_p(source), ctypes.c_void_p).value
            status = lib.bioapi_bir_set_bytes(handle, _BDB_NUMBER,
                                              (start or 0) + offset, size)
            if status:
                lib.bioapi_bir_destroy(handle)
                raise BioAPIError(status)
        return handle

    def _encoded(self, call: Callable[..., int]) -> bytes:
        with self._lock:
            if self._bdb is None:
                return _handed_over(call, self._handle)
        # The BDB is still in the decoded bytes: encode a private copy that
        # holds it, and leave this record as it is.
        handle = self._clone_handle()
        try:
            return _handed_over(call, handle)
        finally:
            lib.bioapi_bir_destroy(handle)

    def encode(self) -> bytes:
        """Returns the byte record; touches no file and leaves the record as
        it is. Raises `BioAPIError` (0x0200010B) when the encoder refuses the
        record (a byte string or the record over its limit)."""
        return self._encoded(lib.bioapi_bir_encode)

    def to_array(self) -> bytes:
        """Returns `encode()` and also replaces the file "record" in the
        working directory with the same bytes."""
        return self._encoded(lib.bioapi_bir_to_array)

    def copy(self) -> BIR:
        """Returns an independent copy."""
        out = ctypes.c_void_p()
        record = BIR.__new__(BIR)
        record._handle = None
        record._lock = threading.Lock()
        with self._lock:
            check(lib.bioapi_bir_clone(self._handle, ctypes.byref(out)))
            record._handle = out.value
            # The decoded bytes and every kept value are immutable: shared.
            record._bdb = self._bdb
            record._cache = self._cache
            record._kept = dict(self._kept)
        return record

    __copy__ = copy

    def __deepcopy__(self, memo: Dict[int, Any]) -> BIR:
        return self.copy()

    def __reduce__(self) -> Tuple[Any, ...]:
        # Pickled as its field values: the handle is this process's alone.
        return (_record_of_fields, (tuple(getattr(self, name)
                                          for name in self.FIELDS),))

    def present(self, name: str) -> bool:
        """Returns whether the encoder writes field `name` into the record
        (the library's own rule)."""
        field = _FIELD_BY_NAME.get(name)
        if field is None:
            raise KeyError(f"{name!r} is not a field of a record")
        with self._lock:
            present = ctypes.c_int()
            check(lib.bioapi_bir_field_present(self._handle, field.number,
                                               ctypes.byref(present)))
        return present.value != 0

    def to_json(self) -> str:
        """Returns the JSON text that ``bir json`` prints for the record that
        `encode()` writes: every field of the record, byte strings as hex,
        date-times as their six recorded members, enumerations as {"value",
        "name"}, and null for an optional field that the encoder leaves out.
        Written by the library's inspection layer."""
        with self._lock:
            if self._bdb is None:
                return _json_text(self._handle or 0)
        handle = self._clone_handle()
        try:
            return _json_text(handle)
        finally:
            lib.bioapi_bir_destroy(handle)

    def bdb_summary(self) -> Dict[str, Any]:
        """Returns what BiometricData holds, read from its own headers by the
        library's inspection layer: the object that ``bir json`` writes as
        "BiometricDataSummary". "Format" names the record format (None when
        not recognised), the general header's fields follow by name, views
        or representations as lists of objects, and "Notes" lists where the
        block disagrees with BDBFormat, BDBBiometricType or itself."""
        with self._lock:
            if self._bdb is None:
                return _bdb_summary(self._handle or 0)
        handle = self._clone_handle()
        try:
            return _bdb_summary(handle)
        finally:
            lib.bioapi_bir_destroy(handle)

    @classmethod
    def from_json(cls, text: Union[str, bytes, bytearray,
                                   Mapping[str, Any]]) -> BIR:
        """Builds a record from JSON of the form that `to_json` and ``bir
        json`` write (text, or the parsed object), read by the library's
        inspection layer. A field that is null or missing keeps its default;
        the header fields and BiometricData are required. Raises ValueError
        naming the field for anything else."""
        if isinstance(text, str):
            data = text.encode("utf-8")
        elif isinstance(text, (bytes, bytearray)):
            data = bytes(text)
        elif isinstance(text, Mapping):
            data = json.dumps(text).encode("utf-8")
        else:
            raise TypeError("from_json() reads str, bytes or a mapping, not "
                            f"{_type_name(text)}")
        out = ctypes.c_void_p()
        error = JsonError()
        error.struct_size = ctypes.sizeof(JsonError)
        status = inspect.bioapi_inspect_from_json(data, len(data),
                                                  ctypes.byref(out),
                                                  ctypes.byref(error))
        if status == _INVALID_PARAMETER:
            raise ValueError(error.message.decode("utf-8", "replace"))
        check(status)
        record = cls.__new__(cls)
        record._handle = out.value
        record._lock = threading.Lock()
        record._cache = None
        record._kept = {}
        record._bdb = None
        return record

    def fields(self) -> Iterator[Tuple[str, Any]]:
        """Yields (name, value) of every field, in `FIELDS` order."""
        for name in self.FIELDS:
            yield name, getattr(self, name)

    def __eq__(self, other: object) -> bool:
        if not isinstance(other, BIR):
            return NotImplemented
        if other is self:
            return True
        return all(getattr(self, name) == getattr(other, name)
                   for name in self.FIELDS)

    __hash__ = None  # type: ignore[assignment]

    def __repr__(self) -> str:
        parts = [f"BDBFormat={_registry_text(self.BDBFormat)}"]
        for name in ("BDBBiometricType", "BDBBiometricSubtype", "BDBPurpose"):
            value = getattr(self, name)
            parts.append(f"{name}={getattr(value, 'name', None) or value}")
        parts.append(f"BDBQuality={self.BDBQuality}")
        if self.BIRCreationDate is not None:
            parts.append(f"BIRCreationDate={self.BIRCreationDate}")
        parts.append(f"BiometricData=<{len(self.BiometricData)} bytes>")
        if self.present("SecurityBlock"):
            parts.append(f"SecurityBlock=<{len(self.SecurityBlock)} bytes>")
        return f"BIR({', '.join(parts)})"


def _json_text(handle: int) -> str:
    """The JSON text of the C record `handle`, which the caller guards."""
    text = ctypes.c_void_p()
    size = ctypes.c_size_t()
    check(inspect.bioapi_inspect_to_json(handle, ctypes.byref(text),
                                         ctypes.byref(size)))
    try:
        return ctypes.string_at(text.value or 0, size.value).decode("utf-8")
    finally:
        inspect.bioapi_inspect_free(text)


def _bdb_summary(handle: int) -> Dict[str, Any]:
    """The summary of the BDB of the C record `handle`, which the caller
    guards."""
    summary = ctypes.c_void_p()
    check(inspect.bioapi_inspect_bdb_summary(handle, ctypes.byref(summary)))
    try:
        text = ctypes.c_void_p()
        size = ctypes.c_size_t()
        check(inspect.bioapi_inspect_bdb_json(summary, ctypes.byref(text),
                                              ctypes.byref(size)))
        try:
            data = ctypes.string_at(text.value or 0, size.value)
        finally:
            inspect.bioapi_inspect_free(text)
    finally:
        inspect.bioapi_inspect_bdb_free(summary)
    result: Dict[str, Any] = json.loads(data.decode("utf-8"))
    return result


def _record_of_fields(values: Sequence[Any]) -> BIR:
    """Rebuilds a pickled record from its field values, in FIELDS order."""
    record = BIR()
    for name, value in zip(BIR.FIELDS, values):
        if not isinstance(_FIELD_BY_NAME[name], _Constant):
            setattr(record, name, value)
    return record


def _registry_text(value: RegistryID) -> str:
    return f"{value.owner:#06x}/{value.type:#06x}"


def _declared_fields() -> List[_Value[Any]]:
    found = [value for value in vars(BIR).values()
             if isinstance(value, _Value)]
    return sorted(found, key=lambda field: field.number)


def _bind_to_library() -> List[_Value[Any]]:
    """Checks the declared fields against the library's table, and takes
    from it what each field accepts; raises ImportError on a difference."""
    fields = _declared_fields()
    problems = []
    slot = 0
    number = 1
    while True:
        name = ctypes.c_char_p()
        kind = ctypes.c_int32()
        enumeration = ctypes.c_int32()
        max_size = ctypes.c_size_t()
        if lib.bioapi_bir_field_info(number, ctypes.byref(name),
                                     ctypes.byref(kind),
                                     ctypes.byref(enumeration),
                                     ctypes.byref(max_size)):
            break
        text = (name.value or b"").decode("ascii")
        field = fields[number - 1] if number <= len(fields) else None
        limits = FieldLimits()
        limits.struct_size = ctypes.sizeof(FieldLimits)
        check(lib.bioapi_bir_field_limits(number, ctypes.byref(limits)))
        cls = BY_NUMBER.get(enumeration.value)
        if (field is None or field.name != text or
                kind.value not in field.kinds or
                getattr(field, "cls", None) is not cls or
                isinstance(field, _Constant) != (not limits.carried)):
            problems.append(f"field {number} {text}")
        else:
            field.kind = kind.value
            field.enumeration = enumeration.value
            field.max_size = max_size.value
            field.limits = limits
            field.slot = slot
            field.__doc__ = field.doc()
        slot += _SLOTS.get(kind.value, 0)
        number += 1
    if len(fields) != number - 1:
        problems.append(f"{len(fields)} fields declared, {number - 1} in the "
                        "library")
    if problems:
        raise ImportError("bioapi_data: the library's fields differ from the "
                          "package's: " + ", ".join(problems))
    return fields


_FIELD_LIST = _bind_to_library()
BIR.FIELDS = tuple(field.name for field in _FIELD_LIST)
_FIELD_BY_NAME: Dict[str, _Value[Any]] = {
    field.name: field for field in _FIELD_LIST}
_CONVERTERS = [field.convert for field in _FIELD_LIST]
_BDB_NUMBER = BIR.BiometricData.number
_BDB_INDEX = BIR.BiometricData.index
_BYTES_INDEXES = [field.index for field in _FIELD_LIST
                  if isinstance(field, _Bytes)]
_VALUES_SIZE = ctypes.sizeof(ValuesStruct)
