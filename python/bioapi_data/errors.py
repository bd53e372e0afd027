"""The error that the library reports, and the messages of its codes."""

from __future__ import annotations

import ctypes
from typing import Any, Optional, Tuple

from ._library import RecordCheck, inspect, lib
from .enums import Facility

_INT32_MAX = 2**31 - 1
# A record that the decoder rejects (BIOAPI_ERROR_INVALID_DATA).
_INVALID_DATA = 0x0200010B
_INT32_MIN = -(2**31)


def _as_int32(code: object, what: str) -> int:
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
    text: bytes = lib.bioapi_error_message(_as_int32(code, "code"))
    return text.decode("utf-8")


class BioAPIError(ValueError):
    """An error that the library reports: a BioAPI error code, its source and
    the library's message (``str(error)``).

    ``code`` is the code as an unsigned 32-bit number (0x0200010B for a record
    that the decoder rejects), ``facility`` its `Facility`. For a record that
    the decoder rejects, ``offset``, ``field`` and ``check`` say where and
    why, as the inspection library finds it (``offset`` the byte where the
    failing check looked, ``field`` the part of the record being read, such
    as "TotalLength", ``check`` the condition that does not hold, such as
    "enough bytes remain"), and the text is the library's message, then that
    reason; otherwise they are None.
    """

    code: int
    facility: Facility
    offset: Optional[int]
    field: Optional[str]
    check: Optional[str]

    def __init__(self, code: int, message: Optional[str] = None,
                 offset: Optional[int] = None, field: Optional[str] = None,
                 check: Optional[str] = None) -> None:
        signed = _as_int32(code, "code")
        self.code = signed & 0xFFFFFFFF
        self.facility = Facility(int(lib.bioapi_error_facility(signed)))
        self.offset = offset
        self.field = field
        self.check = check
        super().__init__(message if message is not None else
                         error_message(signed))

    def __reduce__(self) -> Tuple[Any, ...]:
        return (type(self), (self.code, str(self), self.offset, self.field,
                             self.check))


def check(status: int) -> None:
    """Raises `BioAPIError` for a status other than success."""
    if status:
        raise BioAPIError(status)


def rejection(status: int, data: Any, size: int) -> BioAPIError:
    """The error for a decode of the `size` bytes at `data` that failed with
    `status`: for a rejected record, with where and why."""
    found = RecordCheck()
    found.struct_size = ctypes.sizeof(RecordCheck)
    if (status & 0xFFFFFFFF != _INVALID_DATA or
            inspect.bioapi_inspect_check(data, size, ctypes.byref(found)) or
            found.accepted):
        return BioAPIError(status)
    reason = found.reason.decode("utf-8", "replace")
    return BioAPIError(
        status, f"{error_message(status)} {reason}", int(found.offset),
        (found.field_name or b"").decode("ascii") or None,
        (found.check or b"").decode("utf-8", "replace") or None)
