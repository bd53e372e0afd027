"""The error that the library reports, and the messages of its codes."""

from __future__ import annotations

import ctypes
from typing import Any, Optional, Tuple

from ._library import DecodeRejection, lib
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
    why, as the decoder reports it (``offset`` the byte where the
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


def new_rejection() -> DecodeRejection:
    """A structure for the decoder to say why it rejects a record."""
    found = DecodeRejection()
    found.struct_size = ctypes.sizeof(DecodeRejection)
    return found


def rejection(status: int, found: DecodeRejection) -> BioAPIError:
    """The error for a decode that failed with `status`, having filled
    `found`: for a rejected record, with where and why."""
    if status & 0xFFFFFFFF != _INVALID_DATA or not found.rejected:
        return BioAPIError(status)
    reason = found.reason.decode("utf-8", "replace")
    return BioAPIError(
        status, f"{error_message(status)} {reason}", int(found.offset),
        found.part_name.decode("ascii") or None,
        found.check.decode("utf-8", "replace") or None)
