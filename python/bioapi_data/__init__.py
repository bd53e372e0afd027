"""BioAPI 2.0 biometric information records, over the bioapi_data C library.

Decode a record, change it, encode it again::

    import bioapi_data as bd

    rec = bd.BIR(open("sample.bir", "rb").read())
    rec.BDBQuality = 90
    out = rec.encode()

`BIR` has every field of the library's C++ class, under the same names
(`BIR.FIELDS` lists them in order). The library decides every rule of the
record format: which fields a record carries, what a field can hold, and how
a record is decoded and encoded. A rejected record raises `BioAPIError`, a
`ValueError` that carries the library's error code.
"""

from __future__ import annotations

from ._version import __version__
from .enums import (BiometricSubtype, BiometricType, Facility, ProcessedLevel,
                    Purpose)
from .errors import BioAPIError, error_message
from .record import BIR, Buffer
from .values import DateTime, RegistryID

__all__ = [
    "BIR",
    "BioAPIError",
    "BiometricSubtype",
    "BiometricType",
    "Buffer",
    "DateTime",
    "Facility",
    "ProcessedLevel",
    "Purpose",
    "RegistryID",
    "error_message",
    "__version__",
]

