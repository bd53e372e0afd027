"""The value types of record fields: registry identifiers and date-times."""

from __future__ import annotations

import datetime as _datetime
from typing import NamedTuple

__all__ = ["RegistryID", "DateTime"]


class RegistryID(NamedTuple):
    """A registered identifier: the registering owner, then the item.

    Each half is 16 bits, read as a number from 0 to 0xFFFF; a field takes
    either form of those bits (0x8001 or -32767 alike)."""

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
    def from_datetime(cls, value: _datetime.date) -> DateTime:
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
