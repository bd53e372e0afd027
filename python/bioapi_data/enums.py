"""The library's enumerations, written out for type checkers and readers and
checked against the library's own table when the package is imported.

The bit masks (`BiometricType`, `BiometricSubtype`) are `enum.IntFlag`, so
``BiometricSubtype.Right | BiometricSubtype.Thumb`` stays a member; the others
are `enum.IntEnum`. `BiometricType` holds the 32 bits without sign: the top
bit, `BiometricType.Password`, is 0x80000000.
"""

from __future__ import annotations

import ctypes
import enum
from typing import Dict, List, Tuple, Type

from ._library import lib

__all__ = ["BiometricType", "BiometricSubtype", "ProcessedLevel", "Purpose",
           "Facility"]


class BiometricType(enum.IntFlag):
    """Biometric type, a bit mask; a record carries all 32 bits."""

    NoTypeAvailable = 0x00000000
    Multiple = 0x00000001
    FacialFeatures = 0x00000002
    Voice = 0x00000004
    Fingerprint = 0x00000008
    Iris = 0x00000010
    Retina = 0x00000020
    HandGeometry = 0x00000040
    SignatureDynamics = 0x00000080
    KeystrokeDynamics = 0x00000100
    LipMovement = 0x00000200
    ThermalFaceImage = 0x00000400
    ThermalHandImage = 0x00000800
    Gait = 0x00001000
    Scent = 0x00002000
    DNA = 0x00004000
    EarShape = 0x00008000
    FingerGeometry = 0x00010000
    PalmPrint = 0x00020000
    VeinPattern = 0x00040000
    FootPrint = 0x00080000
    Other = 0x40000000
    Password = 0x80000000


class BiometricSubtype(enum.IntFlag):
    """Biometric subtype, a bit mask; a record carries 8 bits."""

    NoSubtypeAvailable = 0x00
    Left = 0x01
    Right = 0x02
    Thumb = 0x04
    PointerFinger = 0x08
    MiddleFinger = 0x10
    RingFinger = 0x20
    LittleFinger = 0x40
    Multiple = 0x80


class ProcessedLevel(enum.IntEnum):
    """Processing level of the biometric data."""

    Raw = 0x01
    Intermediate = 0x02
    Processed = 0x04


class Purpose(enum.IntEnum):
    """Purpose of the biometric data."""

    NoPurposeAvailable = 0
    Verify = 1
    Identify = 2
    Enroll = 3
    EnrollForVerificationOnly = 4
    EnrollForIdentificationOnly = 5
    Audit = 6


class Facility(enum.IntEnum):
    """The source of an error: the framework, a BSP or a unit."""

    Framework = 0
    BSP = 1
    Unit = 2


#: The enumerations by their number in the C interface
#: (BIOAPI_ENUMERATION_...), in the library's order.
BY_NUMBER: Dict[int, Type[enum.IntEnum] | Type[enum.IntFlag]] = {
    1: BiometricType,
    2: BiometricSubtype,
    3: ProcessedLevel,
    4: Purpose,
    5: Facility,
}


def library_table() -> Dict[int, Tuple[str, List[Tuple[str, int]]]]:
    """The library's own table: for each enumeration number, its name and
    its (name, value) pairs, values as 32 bits without sign."""
    table: Dict[int, Tuple[str, List[Tuple[str, int]]]] = {}
    number = 1
    while True:
        name = ctypes.c_char_p()
        count = ctypes.c_size_t()
        if lib.bioapi_enumeration_info(number, ctypes.byref(name),
                                       ctypes.byref(count)):
            return table
        members = []
        for index in range(count.value):
            member = ctypes.c_char_p()
            value = ctypes.c_int32()
            lib.bioapi_enumerator(number, index, ctypes.byref(member),
                                  ctypes.byref(value))
            members.append((str((member.value or b"").decode("ascii")),
                            value.value & 0xFFFFFFFF))
        table[number] = (str((name.value or b"").decode("ascii")), members)
        number += 1


def differences() -> List[str]:
    """Where these classes differ from the library's table (none, normally)."""
    found = []
    table = library_table()
    if set(table) != set(BY_NUMBER):
        found.append(f"enumeration numbers {sorted(table)} against "
                     f"{sorted(BY_NUMBER)}")
    for number, (name, members) in table.items():
        cls = BY_NUMBER.get(number)
        if cls is None:
            continue
        ours = [(m.name, int(m)) for m in cls.__members__.values()]
        if cls.__name__ != name or ours != members:
            found.append(f"{name}: the library has {members}, the package "
                         f"{cls.__name__} {ours}")
    return found


_DIFFERENCES = differences()
if _DIFFERENCES:
    raise ImportError("bioapi_data: the library's enumerations differ from "
                      "the package's: " + "; ".join(_DIFFERENCES))
