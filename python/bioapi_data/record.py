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
import mmap
import threading
from typing import (TYPE_CHECKING, Any, Callable, ClassVar, Dict, Generic,
                    Iterator, List, Mapping, Optional, Sequence, Tuple, Type,
                    TypeVar, Union, overload)

try:
    from . import _speedups
except ImportError as missing:
    raise ImportError(
        "bioapi_data: the package's compiled module (_speedups) is missing or "
        "cannot be loaded (see above). Install the package with pip, or build "
        "the target bioapi_data_python with Python's headers at hand "
        "(Debian: python3-dev).") from missing
from ._library import (DateTimeStruct, DecodeRejection, EncodeRefusal,
                       FieldLimits, JsonError, inspect, lib)
from .enums import (BY_NUMBER, BiometricSubtype, BiometricType, ProcessedLevel,
                    Purpose)
from .errors import BioAPIError, check, new_rejection, rejection
from .values import DateTime, RegistryID

__all__ = ["BIR", "Buffer"]

#: What a record decodes, and what a byte string field takes (any other
#: buffer, such as an array.array, is taken too).
Buffer = Union[bytes, bytearray, memoryview, mmap.mmap]

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
# Byte strings up to this size are read with the record's values; a larger
# one at its first read.
_EAGER_BYTES = 4096
_DATETIME_SIZE = ctypes.sizeof(DateTimeStruct)
# Byte strings up to this size are kept once read; larger ones are copied out
# on every read instead.
_KEPT_BYTES = 65535
# A record decoded from `bytes` keeps them to serve its BDB when they hold at
# most this many bytes besides it; otherwise it keeps a copy of the BDB alone.
_SLACK = 4096
# A record up to this size, given as `bytes`, is decoded with the decoder's
# own copy of its BDB.
_SMALL_RECORD = 4096

G = TypeVar("G")
S = TypeVar("S")
E = TypeVar("E", bound=enum.IntEnum)
F = TypeVar("F", bound=enum.IntFlag)


def _type_name(value: object) -> str:
    return type(value).__name__


def _is_int(value: object) -> bool:
    return isinstance(value, int) and not isinstance(value, bool)


class _Value(Generic[G]):
    """A field of the record: its number in the C interface, and what the
    library says of it (filled in when the package is imported). Read-only;
    `_Field` adds assignment.

    The values of a record (all but the bytes of its byte strings) are read
    in one call into the record's own attribute dictionary, where a read finds
    them without running any code of the package: a field of that kind is a
    descriptor without __set__, which Python consults only while the
    dictionary lacks its value (then it reads them). An assignment goes
    through BIR.__setattr__ and gives the record an empty dictionary."""

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
        value: G = record._load()[self.name]
        return value

    def refused(self, value: object, why: str) -> ValueError:
        return ValueError(f"{self.name} cannot hold {value!r}: {why}")

    def doc(self) -> str:
        """The field's line in help()."""
        return f"{self.name}: {self.type_text}."


class _Field(_Value[G], Generic[G, S]):
    """A field that takes assignments (through BIR.__setattr__)."""

    if TYPE_CHECKING:
        def __set__(self, record: BIR, value: S) -> None:
            ...

    def store(self, record: BIR, value: Any) -> None:
        """Checks `value` and sets it; raises TypeError or ValueError naming
        the field, and then leaves the record as it was."""
        raise NotImplementedError


class _Constant(_Value[int]):
    """A constant of the object that no record carries: read-only (an
    assignment raises AttributeError, and a type checker refuses it)."""

    kinds = (KIND_INT,)

    def store(self, record: BIR, value: Any) -> None:
        raise AttributeError(f"{self.name} is a constant of the object that "
                             "no record carries: read-only")

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
        _forget_values(record)
    return status


def _set_int(record: BIR, field: _Value[Any], number: int) -> None:
    check(_assign(record, lib.bioapi_bir_set_int, field.number, number))


class _Int(_Field[int, int]):
    """An integer."""

    kinds = (KIND_INT,)

    def store(self, record: BIR, value: Any) -> None:
        _set_int(record, self, _int_in_limits(self, value))


class _Bool(_Field[bool, Union[bool, int]]):
    """A truth value (an int 0 or 1 is taken too)."""

    kinds = (KIND_BOOL,)
    type_text = "bool"

    def store(self, record: BIR, value: Any) -> None:
        number = int(value) if isinstance(value, bool) else _int_in_limits(
            self, value, "a bool")
        _set_int(record, self, number)


class _Enum(_Field[Union[E, int], int]):
    """A value of an `IntEnum`: its member, or a plain int without a name."""

    kinds = (KIND_ENUM,)

    def __init__(self, number: int, enumeration: Type[E]) -> None:
        super().__init__(number)
        self.cls = enumeration
        self.type_text = f"{enumeration.__name__} (or a plain int)"

    def store(self, record: BIR, value: Any) -> None:
        _set_int(record, self, _int_in_limits(self, value))


class _Flag(_Field[F, int]):
    """A bit mask: always a value of its `IntFlag`, its bits without sign."""

    kinds = (KIND_ENUM,)

    def __init__(self, number: int, enumeration: Type[F]) -> None:
        super().__init__(number)
        self.cls = enumeration
        self.type_text = f"{enumeration.__name__} (a bit mask; an int is taken)"

    def store(self, record: BIR, value: Any) -> None:
        _set_int(record, self, _int_in_limits(self, value))


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


class _PyBuffer(ctypes.Structure):
    """Python's Py_buffer: what the buffer protocol hands out."""

    _fields_ = [("buf", ctypes.c_void_p), ("obj", ctypes.c_void_p),
                ("len", ctypes.c_ssize_t), ("itemsize", ctypes.c_ssize_t),
                ("readonly", ctypes.c_int), ("ndim", ctypes.c_int),
                ("format", ctypes.c_char_p), ("shape", ctypes.c_void_p),
                ("strides", ctypes.c_void_p), ("suboffsets", ctypes.c_void_p),
                ("internal", ctypes.c_void_p)]


def _buffer_functions() -> Tuple[Optional[Any], Optional[Any]]:
    """PyObject_GetBuffer and PyBuffer_Release of the running interpreter,
    or None when it offers no C API."""
    try:
        get, release = (ctypes.pythonapi.PyObject_GetBuffer,
                        ctypes.pythonapi.PyBuffer_Release)
    except (AttributeError, OSError):
        return None, None
    get.argtypes = [ctypes.py_object, ctypes.POINTER(_PyBuffer), ctypes.c_int]
    get.restype = ctypes.c_int
    release.argtypes = [ctypes.POINTER(_PyBuffer)]
    release.restype = None
    return get, release


_get_buffer, _release_buffer = _buffer_functions()


class _Pinned:
    """The bytes of a buffer (bytearray, memoryview, mmap, array...) in
    place: `address` and `size`, held by the buffer protocol, so that the
    buffer can be neither resized nor closed, until `release()`. A buffer that
    is not contiguous, or an interpreter without the protocol's C API, gives
    a copy instead."""

    __slots__ = ("address", "size", "_view", "_copy")

    def __init__(self, value: Any) -> None:
        self._view: Optional[_PyBuffer] = None
        self._copy: Optional[bytes] = None
        self.address = 0
        self.size = 0
        with memoryview(value) as view:  # TypeError for what is no buffer
            if _get_buffer is not None and view.c_contiguous:
                pinned = _PyBuffer()
                try:
                    # PyBUF_SIMPLE: the plain bytes, whatever their format.
                    _get_buffer(value, pinned, 0)
                except BufferError:
                    pass
                else:
                    self._view = pinned
                    self.address = pinned.buf or 0
                    self.size = pinned.len
                    return
            self._copy = view.tobytes()
        self.address = _bytes_address(self._copy)
        self.size = len(self._copy)

    def release(self) -> None:
        if self._view is not None and _release_buffer is not None:
            _release_buffer(self._view)
            self._view = None
        self._copy = None


def _bytes_address(data: bytes) -> int:
    """The address of the bytes of `data` (which the caller keeps alive)."""
    return ctypes.cast(ctypes.c_char_p(data), ctypes.c_void_p).value or 0


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
        # Called only while the record's values lack the byte string (no
        # __set__: the values come first): before they are read, for one
        # larger than what they take, and for a BDB in Python bytes.
        if record is None:
            return self
        values = record._load()
        value: Optional[bytes] = values.get(self.name)
        if value is not None:
            return value
        return record._read_bytes(self, values)

    def store(self, record: BIR, value: Any) -> None:
        if isinstance(value, (str, int)) or value is None:
            raise TypeError(f"{self.name} takes bytes, not {_type_name(value)}")
        if type(value) is bytes:
            pinned = None
            address, size = _bytes_address(value), len(value)
        else:
            try:
                pinned = _Pinned(value)
            except TypeError:
                raise TypeError(f"{self.name} takes bytes, not "
                                f"{_type_name(value)}") from None
            address, size = pinned.address, pinned.size
        try:
            if size > self.max_size:
                raise self.refused(f"<{size} bytes>",
                                   f"a record carries at most {self.max_size}")
            with record._lock:
                status = lib.bioapi_bir_set_bytes(record._handle, self.number,
                                                  address, size)
                if not status and self.number == _BDB_NUMBER:
                    _set(record, "_bdb", None)
                _forget_values(record)
        finally:
            if pinned is not None:
                pinned.release()
        check(status)

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


class _Period(_speedups.TupleAsList,
              _Field[List[DateTime], Sequence[DateTimeLike]]):
    """A validity period: empty, or its start and end. Each read gives a new
    list, the caller's own.

    The record's values hold the period as a tuple; the base (in C) lists it
    at each read, and calls `_read` while the values are not read."""

    kinds = (KIND_PERIOD,)
    type_text = "list of DateTime (start, end); empty when left out"

    def _read(self, record: BIR) -> List[DateTime]:
        return list(record._load()[self.name])

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


def _refusal(status: int, handle: Any) -> BioAPIError:
    """The error of an encode of `handle` that failed with `status`: for a
    refused record, the encoder's own words (the field, its value and what a
    record carries)."""
    refusal = EncodeRefusal()
    refusal.struct_size = ctypes.sizeof(refusal)
    if (lib.bioapi_bir_encode_refusal(handle, ctypes.byref(refusal)) != 0
            or not refusal.refused):
        return BioAPIError(status)
    return BioAPIError(status, refusal.message.decode("utf-8", "replace"))


def _encoded_by(call: Callable[..., int], handle: Any) -> bytes:
    """Encodes the record of `handle` with `call`, a C function that hands
    over a buffer; raises `_refusal`."""
    try:
        return _handed_over(call, handle)
    except BioAPIError as refused:
        raise _refusal(refused.code, handle) from None


def _to_array(handle: Any) -> bytes:
    """Encodes the record of `handle` and writes the file "record"."""
    return _encoded_by(lib.bioapi_bir_to_array, handle)


def _encoded(handle: Any) -> bytes:
    """Encodes the record of `handle`; raises `_refusal`."""
    out = _encode(handle)
    if type(out) is bytes:
        return out
    raise _refusal(int(out), handle)


class BIR(_speedups.RecordBase):
    """A biometric information record, backed by the library's C++ object.

    ``BIR(data)`` decodes a byte record (`bytes`, `bytearray`, `memoryview`,
    `mmap` or another buffer, read in place); a record that the library
    rejects raises `BioAPIError` with code 0x0200010B. ``BIR()`` is the
    default record: the native header, every other scalar 0, every byte
    string and sequence empty. A validity period reads as a new list each
    time, the caller's own.

    Every field of the C++ class is an attribute of the same name, in the
    order of `BIR.FIELDS`. Each value is checked on assignment: a wrong type
    raises `TypeError`, a value that the record cannot carry `ValueError`
    naming the field, and the field then keeps its old value.

    A record may be shared between threads: each call runs under the
    record's lock, a read gives the value before or after a concurrent
    assignment (never a mix), and `encode()` and every other read leave the
    record as it was.
    """

    # _handle: the C record. _lock: held for every call on it. The attribute
    # dictionary: every value but the byte strings (their sizes, replaced by
    # the bytes of the short ones once read; the periods as tuples), read in
    # one call, replaced by an empty one at each assignment. _bdb: (bytes,
    # offset, size, held) of the BDB in Python bytes: the record's own bytes
    # when they hold little else, or a copy of the BDB; `held` whether the C
    # record holds the BDB as well (else it holds it empty).
    if TYPE_CHECKING:
        # What a caller may assign: the fields, through their descriptors
        # (a constant has no __set__, so a type checker refuses it).
        __slots__ = ("_handle", "_lock", "_bdb", "__weakref__")
    else:
        __slots__ = ("_handle", "_lock", "_bdb", "__dict__", "__weakref__")

    _handle: Optional[int]
    _lock: threading.Lock
    _bdb: Optional[Tuple[bytes, int, int, bool]]

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

    # Making a record (no C record yet, a new lock), decoding a byte record
    # of up to 4 KiB into a new one (with its values, in one call) and
    # releasing its C record are the slots of the base, in C; __init__
    # hands anything else to _init.
    if TYPE_CHECKING:
        def __init__(self, data: Optional[Buffer] = None) -> None:
            ...

    def _init(self, data: Optional[Buffer] = None) -> None:
        handle, bdb = _decoded(data)
        if self._handle is None:
            _set(self, "_handle", handle)
            _set(self, "_bdb", bdb)
            return
        # __init__ again on a live record: it becomes the new one whole, and
        # the old C record is freed once no call uses it.
        with self._lock:
            old = self._handle
            _set(self, "_handle", handle)
            _set(self, "_bdb", bdb)
            _forget_values(self)
        _destroy(old)

    if not TYPE_CHECKING:
        def __setattr__(self, name, value):
            field = _FIELD_BY_NAME.get(name)
            if field is None:
                raise AttributeError(f"{type(self).__name__!r} object has no "
                                     f"field {name!r}")
            field.store(self, value)

        def __delattr__(self, name):
            raise AttributeError(f"{name}: a field of a record cannot be "
                                 "deleted")

    def _load(self) -> Dict[str, Any]:
        """Every value but the larger byte strings, from one call, into the
        record's attribute dictionary until the next assignment; returns
        that dictionary."""
        with self._lock:
            values = self.__dict__
            if not values:
                bdb = self._bdb
                if bdb is None:
                    values = _read_values(self._handle)
                else:
                    # The BDB is in Python bytes: itself when it is all of
                    # them, else a slice at each read.
                    values = _read_values_but_bdb(self._handle)
                    if not bdb[1] and bdb[2] == len(bdb[0]):
                        values[_BDB_NAME] = bdb[0]
                _set_values(self, values)
            return values

    def _read_bytes(self, field: _Value[Any], values: Dict[str, Any]) -> bytes:
        """A byte string, copied out under the lock: the library's storage
        never outlives the call. One up to 64 KiB is kept in `values` (the
        values read) while they are the record's."""
        bdb = self._bdb
        if bdb is not None and field.number == _BDB_NUMBER:
            # In Python bytes: a slice of them.
            return bdb[0][bdb[1]:bdb[1] + bdb[2]]
        with self._lock:
            value = _read_bytes(self._handle, field.number)
            if len(value) <= _KEPT_BYTES and self.__dict__ is values:
                values[field.name] = value
        return value

    def _clone_handle(self) -> int:
        """A new C record equal to this one, BDB included; the caller owns
        it."""
        out = ctypes.c_void_p()
        with self._lock:
            check(lib.bioapi_bir_clone(self._handle, ctypes.byref(out)))
            bdb = self._bdb
        handle: int = out.value  # type: ignore[assignment]
        if bdb is not None and not bdb[3]:
            source, offset, size, _ = bdb
            status = lib.bioapi_bir_set_bytes(
                handle, _BDB_NUMBER, _bytes_address(source) + offset, size)
            if status:
                lib.bioapi_bir_destroy(handle)
                raise BioAPIError(status)
        return handle

    def _holds_bdb(self) -> bool:
        """Whether the C record holds the BDB, so that it serves an encode as
        it is; a small BDB that it holds empty is given to it now (called
        under the lock)."""
        bdb = self._bdb
        if bdb is None or bdb[3]:
            return True
        source, offset, size, _ = bdb
        if size > _KEPT_BYTES:
            return False  # not held twice: a private copy serves instead
        check(lib.bioapi_bir_set_bytes(self._handle, _BDB_NUMBER,
                                       _bytes_address(source) + offset, size))
        _set(self, "_bdb", (source, offset, size, True))
        return True

    def _encoded(self, encoder: Callable[[Any], bytes]) -> bytes:
        with self._lock:
            if self._holds_bdb():
                return encoder(self._handle)
        # A large BDB still in Python bytes: encode a private copy that holds
        # it, and leave this record as it is.
        handle = self._clone_handle()
        try:
            return encoder(handle)
        finally:
            _destroy(handle)

    def encode(self) -> bytes:
        """Returns the byte record; touches no file and leaves the record as
        it is. Raises `BioAPIError` (0x0200010B) when the encoder refuses the
        record (a byte string or the record over its limit)."""
        with self._lock:
            if self._bdb is None:
                # The C record holds every byte: one call.
                out = _encode(self._handle)
                if type(out) is bytes:
                    return out
                raise _refusal(int(out), self._handle)
        return self._encoded(_encoded)

    def to_array(self) -> bytes:
        """Returns `encode()` and also replaces the file "record" in the
        working directory with the same bytes."""
        return self._encoded(_to_array)

    def copy(self) -> BIR:
        """Returns an independent copy."""
        out = ctypes.c_void_p()
        record = BIR.__new__(BIR)
        with self._lock:
            check(lib.bioapi_bir_clone(self._handle, ctypes.byref(out)))
            _set(record, "_handle", out.value)
            # The decoded bytes and every value read are immutable: shared.
            _set(record, "_bdb", self._bdb)
            _set_values(record, dict(self.__dict__))
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
            if self._holds_bdb():
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
            try:
                data = json.dumps(text).encode("utf-8")
            except RecursionError:
                raise ValueError("the JSON record nests values too deeply "
                                 "to be written as text") from None
            except TypeError as unwritable:
                raise ValueError(f"the JSON record holds a value that JSON "
                                 f"has not: {unwritable}") from None
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
        _set(record, "_handle", out.value)
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
_BDB_NUMBER = BIR.BiometricData.number
_BDB_NAME = BIR.BiometricData.name
# Sets an internal slot, past BIR.__setattr__ (which takes fields only).
_set = object.__setattr__
# Gives a record its attribute dictionary: the values read.
_set_values: Callable[[BIR, Dict[str, Any]], None] = vars(BIR)["__dict__"].__set__


def _forget_values(record: BIR) -> None:
    """Drops the values read (a new, empty dictionary: whoever holds the old
    one still reads the values as they were)."""
    _set_values(record, {})


def _rejection_of(status: int, found: bytes) -> BioAPIError:
    """The error for a decode of the compiled module that failed with
    `status`, having filled `found` (the bytes of a bioapi_decode_rejection)."""
    return rejection(status, DecodeRejection.from_buffer_copy(found))


def _configure_speedups() -> None:
    """Tells the compiled module what each field is, as the library's table
    says (bound above): its name, number, kind and first slot in
    bioapi_bir_values, and for an enumeration its members by value (a bit
    mask also its class, which makes a value without a member; another
    enumeration gives a plain int)."""
    entries = []
    for field in _FIELD_LIST:
        cls = getattr(field, "cls", None)
        members = cls._value2member_map_ if cls is not None else None
        make = cls if isinstance(field, _Flag) else None
        entries.append((field.name, field.number, field.kind, field.slot,
                      members, make))
    _speedups.configure(entries, DateTime, RegistryID, _BDB_NUMBER,
                        _EAGER_BYTES, BioAPIError, _rejection_of,
                        _SMALL_RECORD)


_configure_speedups()
_decode_with_values = _speedups.decode
_decode_bytes_leaving_bdb = _speedups.decode_leaving_bdb
_read_values = _speedups.values
_read_values_but_bdb = _speedups.values_but_bdb
_read_bytes = _speedups.read_bytes
_encode = _speedups.encode
_destroy = _speedups.destroy
_decode_leaving_bdb = lib.bioapi_bir_decode_leaving_bdb_ex


def _decoded(data: Optional[Buffer]
             ) -> Tuple[int, Optional[Tuple[bytes, int, int, bool]]]:
    """Decodes `data` (None: the default record) into a new C record; returns
    it and (bytes, offset, size, False) of its BDB in Python bytes."""
    if data is None:
        out = ctypes.c_void_p()
        check(lib.bioapi_bir_create(ctypes.byref(out)))
        return out.value or 0, None
    if type(data) is bytes:
        size = len(data)
        if size <= _SMALL_RECORD:
            # The decoder's copy of a small BDB costs less than handing it
            # to the C record at the first encode.
            return _decode_with_values(data)[0], None
        handle, at, bdb_size = _decode_bytes_leaving_bdb(data)
        return handle, _kept_bdb(data, size, at, bdb_size)
    if isinstance(data, (str, int)):
        raise TypeError("BIR() decodes bytes, bytearray, memoryview or "
                        f"another buffer, not {_type_name(data)}")
    try:
        pinned = _Pinned(data)
    except TypeError:
        raise TypeError("BIR() decodes bytes, bytearray, memoryview or "
                        f"another buffer, not {_type_name(data)}") from None
    try:
        # Read in place: the decoder keeps nothing of its input.
        return _decoded_at(pinned.address, pinned.size)
    finally:
        pinned.release()


def _kept_bdb(data: bytes, size: int, at: int, bdb_size: int
              ) -> Optional[Tuple[bytes, int, int, bool]]:
    """What a record decoded from `data` keeps of its BDB, which the decoder
    left at `at`: `data` itself when it holds little else, otherwise (bytes
    that are mostly a large security block) a copy of the BDB alone, which a
    read then hands out as it is."""
    if not bdb_size:
        return None
    if size - bdb_size <= _SLACK:
        return data, at, bdb_size, False
    return data[at:at + bdb_size], 0, bdb_size, False


def _decoded_at(address: int, size: int
                ) -> Tuple[int, Optional[Tuple[bytes, int, int, bool]]]:
    """Decodes the record at `address` (a buffer that the caller may change)
    without the decoder's copy of its BDB, which is copied once into Python
    bytes that a read then hands out as they are."""
    out = ctypes.c_void_p()
    offset = ctypes.c_size_t()
    length = ctypes.c_size_t()
    found = new_rejection()
    status = _decode_leaving_bdb(address, size, ctypes.byref(out),
                                 ctypes.byref(offset), ctypes.byref(length),
                                 ctypes.byref(found))
    if status:
        raise rejection(status, found)
    handle: int = out.value or 0
    at, bdb_size = offset.value, length.value
    if not bdb_size:
        return handle, None
    return handle, (ctypes.string_at(address + at, bdb_size), 0, bdb_size,
                    False)
