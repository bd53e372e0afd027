"""Finds and loads the bioapi_data shared library and declares its C functions.

The library is the one that ships inside the package, or the one that the
environment variable ``BIOAPI_DATA_LIBRARY`` names (which wins when set).
"""

from __future__ import annotations

import ctypes
import os
import sys
from pathlib import Path
from typing import Any, Dict, List, Optional, Sequence, Tuple

from ._version import __version__

#: The environment variable that names a library to load instead of the
#: package's own copy.
LIBRARY_VARIABLE = "BIOAPI_DATA_LIBRARY"


def library_file_name(name: str = "bioapi_data") -> str:
    """Returns the file name of shared library `name` in the package.

    On Linux it is the name under which the library knows itself
    (``libbioapi_data.so.1``): a plain ``.so`` would look like a Python
    extension module to ``pkgutil``, and a library that needs it finds it
    loaded under that name."""
    if sys.platform == "win32":
        return f"{name}.dll"
    if sys.platform == "darwin":
        return f"lib{name}.dylib"
    return f"lib{name}.so.{__version__.split('.')[0]}"


def parse_version(text: str) -> Tuple[int, int, int]:
    """Returns (major, minor, patch) of a dotted version string."""
    major, minor, patch = (int(part) for part in text.split(".")[:3])
    return major, minor, patch


def check_version(number: int, path: str, wanted: str = __version__) -> None:
    """Raises ImportError unless the library version ``number`` (as
    ``bioapi_version()`` gives it: major * 10000 + minor * 100 + patch) can
    serve a package built for ``wanted``: the same major version, and at least
    the minor and patch level (later versions only add)."""
    major, minor, patch = number // 10000, number // 100 % 100, number % 100
    want = parse_version(wanted)
    if major != want[0] or (minor, patch) < want[1:]:
        raise ImportError(
            f"bioapi_data {wanted} needs version {want[0]}.{want[1]}.{want[2]} "
            f"or a later {want[0]}.x of its library; {path} is "
            f"{major}.{minor}.{patch}")


def candidates() -> List[Tuple[str, str]]:
    """Returns the paths to try, in order, each with what named it."""
    named = os.environ.get(LIBRARY_VARIABLE)
    if named:
        return [(named, f"${LIBRARY_VARIABLE}")]
    return [(str(Path(__file__).with_name(library_file_name())),
             "the package directory")]


class DateTimeStruct(ctypes.Structure):
    """The C interface's bioapi_datetime."""

    _fields_ = [("struct_size", ctypes.c_uint32)] + [
        (name, ctypes.c_int32)
        for name in ("year", "month", "day", "hour", "minute", "second",
                     "wday", "yday", "isdst")
    ]


class FieldLimits(ctypes.Structure):
    """The C interface's bioapi_field_limits."""

    _fields_ = [
        ("struct_size", ctypes.c_uint32),
        ("carried", ctypes.c_int32),
        ("min", ctypes.c_int64),
        ("max", ctypes.c_int64),
        ("owner_min", ctypes.c_int32),
        ("owner_max", ctypes.c_int32),
        ("type_min", ctypes.c_int32),
        ("type_max", ctypes.c_int32),
        ("period_length", ctypes.c_int32),
        ("reserved", ctypes.c_int32),
    ]


class EncodeRefusal(ctypes.Structure):
    """The C interface's bioapi_encode_refusal."""

    _fields_ = [
        ("struct_size", ctypes.c_uint32),
        ("refused", ctypes.c_int32),
        ("field", ctypes.c_int32),
        ("message", ctypes.c_char * 256),
    ]


#: Slots of bioapi_bir_values (BIOAPI_BIR_VALUE_SLOTS).
VALUE_SLOTS = 112


class ValuesStruct(ctypes.Structure):
    """The C interface's bioapi_bir_values."""

    _fields_ = [
        ("struct_size", ctypes.c_uint32),
        ("reserved", ctypes.c_uint32),
        ("present", ctypes.c_uint64),
        ("slot", ctypes.c_int32 * VALUE_SLOTS),
    ]


class DecodeRejection(ctypes.Structure):
    """The C interface's bioapi_decode_rejection, first version: why the
    decoder rejects a record, filled by the decode itself."""

    _fields_ = [
        ("struct_size", ctypes.c_uint32),
        ("rejected", ctypes.c_int32),
        ("offset", ctypes.c_uint64),
        ("part_offset", ctypes.c_uint64),
        ("part", ctypes.c_int32),
        ("field", ctypes.c_int32),
        ("inside_part", ctypes.c_int32),
        ("reserved", ctypes.c_int32),
        ("part_name", ctypes.c_char * 32),
        ("check", ctypes.c_char * 64),
        ("reason", ctypes.c_char * 192),
    ]


def _signatures() -> Dict[str, Tuple[Any, Sequence[Any]]]:
    status = ctypes.c_int32
    handle = ctypes.c_void_p
    field = ctypes.c_int32
    size = ctypes.c_size_t
    out_ptr = ctypes.POINTER(ctypes.c_void_p)
    out_size = ctypes.POINTER(ctypes.c_size_t)
    out_i32 = ctypes.POINTER(ctypes.c_int32)
    out_text = ctypes.POINTER(ctypes.c_char_p)
    dt = ctypes.POINTER(DateTimeStruct)
    return {
        "bioapi_version": (ctypes.c_int32, []),
        "bioapi_error_message": (ctypes.c_char_p, [ctypes.c_int32]),
        "bioapi_error_facility": (ctypes.c_int32, [ctypes.c_int32]),
        "bioapi_free": (None, [ctypes.c_void_p]),
        "bioapi_bir_create": (status, [out_ptr]),
        "bioapi_bir_decode": (status, [ctypes.c_void_p, size, out_ptr]),
        "bioapi_bir_decode_leaving_bdb":
            (status, [ctypes.c_void_p, size, out_ptr, out_size, out_size]),
        "bioapi_bir_decode_ex":
            (status, [ctypes.c_void_p, size, out_ptr,
                      ctypes.POINTER(DecodeRejection)]),
        "bioapi_bir_decode_leaving_bdb_ex":
            (status, [ctypes.c_void_p, size, out_ptr, out_size, out_size,
                      ctypes.POINTER(DecodeRejection)]),
        "bioapi_bir_clone": (status, [handle, out_ptr]),
        "bioapi_bir_destroy": (None, [handle]),
        "bioapi_bir_encode": (status, [handle, out_ptr, out_size]),
        "bioapi_bir_to_array": (status, [handle, out_ptr, out_size]),
        "bioapi_bir_encode_refusal":
            (status, [handle, ctypes.POINTER(EncodeRefusal)]),
        "bioapi_bir_get_int": (status, [handle, field, out_i32]),
        "bioapi_bir_set_int": (status, [handle, field, ctypes.c_int32]),
        "bioapi_bir_set_registry_id":
            (status, [handle, field, ctypes.c_int16, ctypes.c_int16]),
        "bioapi_bir_get_bytes": (status, [handle, field, out_ptr, out_size]),
        "bioapi_bir_set_bytes":
            (status, [handle, field, ctypes.c_void_p, size]),
        "bioapi_bir_set_datetime": (status, [handle, field, dt]),
        "bioapi_bir_get_period_element": (status, [handle, field, size, dt]),
        "bioapi_bir_set_period": (status, [handle, field, dt, size]),
        "bioapi_bir_field_present":
            (status, [handle, field, ctypes.POINTER(ctypes.c_int)]),
        "bioapi_bir_field_info":
            (status, [field, out_text, out_i32, out_i32, out_size]),
        "bioapi_bir_field_limits":
            (status, [field, ctypes.POINTER(FieldLimits)]),
        "bioapi_bir_read_values":
            (status, [handle, ctypes.POINTER(ValuesStruct)]),
        "bioapi_enumeration_info": (status, [ctypes.c_int32, out_text,
                                             out_size]),
        "bioapi_enumerator": (status, [ctypes.c_int32, size, out_text,
                                       out_i32]),
    }


def declare(lib: ctypes.CDLL,
            signatures: Optional[Dict[str, Tuple[Any, Sequence[Any]]]] = None
            ) -> None:
    """Declares the argument and result types of the C functions used."""
    for name, (restype, argtypes) in (signatures or _signatures()).items():
        try:
            function = getattr(lib, name)
        except AttributeError:
            raise ImportError(
                f"bioapi_data: the library {lib._name} lacks {name}; it is "
                f"older than the package ({__version__})") from None
        function.restype = restype
        function.argtypes = argtypes


class JsonError(ctypes.Structure):
    """The inspection interface's bioapi_json_error."""

    _fields_ = [
        ("struct_size", ctypes.c_uint32),
        ("field", ctypes.c_char * 64),
        ("message", ctypes.c_char * 256),
    ]


def _inspect_signatures() -> Dict[str, Tuple[Any, Sequence[Any]]]:
    status = ctypes.c_int32
    out_text = ctypes.POINTER(ctypes.c_void_p)
    out_size = ctypes.POINTER(ctypes.c_size_t)
    return {
        "bioapi_inspect_to_json":
            (status, [ctypes.c_void_p, out_text, out_size]),
        "bioapi_inspect_from_json":
            (status, [ctypes.c_char_p, ctypes.c_size_t,
                      ctypes.POINTER(ctypes.c_void_p),
                      ctypes.POINTER(JsonError)]),
        "bioapi_inspect_free": (None, [ctypes.c_void_p]),
        "bioapi_inspect_bdb_summary":
            (status, [ctypes.c_void_p, ctypes.POINTER(ctypes.c_void_p)]),
        "bioapi_inspect_bdb_json":
            (status, [ctypes.c_void_p, out_text, out_size]),
        "bioapi_inspect_bdb_free": (None, [ctypes.c_void_p]),
    }


def load() -> ctypes.CDLL:
    """Loads the library, declares its functions and checks its version."""
    tried = []
    for path, source in candidates():
        if not os.path.exists(path):
            tried.append(f"{path} ({source}): no such file")
            continue
        try:
            lib = ctypes.CDLL(path)
        except OSError as error:
            tried.append(f"{path} ({source}): {error}")
            continue
        try:
            version = lib.bioapi_version
        except AttributeError:
            tried.append(f"{path} ({source}): not a bioapi_data library")
            continue
        version.restype = ctypes.c_int32
        version.argtypes = []
        check_version(int(version()), path)
        declare(lib)
        global library_path
        library_path = path
        return lib
    raise ImportError(
        "bioapi_data: cannot load the bioapi_data shared library; looked for "
        + "; ".join(tried) + f". Install the package with pip, or set "
        f"{LIBRARY_VARIABLE} to the path of {library_file_name()}.")


def load_inspect(core: str) -> ctypes.CDLL:
    """Loads the inspection library that lies beside the core library at
    `core` (it finds the core, already loaded, by its soname)."""
    path = str(Path(core).with_name(library_file_name("bioapi_data_inspect")))
    try:
        inspect = ctypes.CDLL(path)
    except OSError as error:
        raise ImportError(
            f"bioapi_data: cannot load the inspection library {path} beside "
            f"{core}: {error}. Install the package with pip, or build the "
            "target bioapi_data_python.") from None
    declare(inspect, _inspect_signatures())
    return inspect


#: Where the core library was loaded from.
library_path = ""
#: The loaded library.
lib = load()
#: The inspection library: JSON, and the summary of a BDB.
inspect = load_inspect(library_path)
