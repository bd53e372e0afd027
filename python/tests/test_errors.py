"""Refused assignments, and finding and checking the library."""

import os
import subprocess
import sys

import pytest

import bioapi_data as bd
from bioapi_data import _library


@pytest.mark.parametrize("name, value, error", [
    ("BDBQuality", 300, ValueError),
    ("BDBQuality", -1, ValueError),
    ("BDBQuality", "90", TypeError),
    ("BDBQuality", 9.0, TypeError),
    ("BDBQuality", True, TypeError),
    ("HeaderVersion", 256, ValueError),
    ("BDBBiometricType", 2**32, ValueError),
    ("BDBBiometricType", -2**31 - 1, ValueError),
    ("BDBPurpose", None, TypeError),
    ("EncryptionOption", 2, ValueError),
    ("EncryptionOption", "yes", TypeError),
    ("OctetString1", b"x" * 40000, ValueError),
    ("OctetString1", "site", TypeError),
    ("OctetString1", [1, 2], TypeError),
    ("OctetString1", None, TypeError),
    ("RegisteredId2", (0x10000, 1), ValueError),
    ("RegisteredId2", (-32769, 1), ValueError),
    ("RegisteredId2", (1, -32769), ValueError),
    ("RegisteredId2", (1, 2, 3), TypeError),
    ("RegisteredId2", (1, "2"), TypeError),
    ("RegisteredId2", 5, TypeError),
    ("BDBCreationDate", (2026, 1, 1), TypeError),
    ("BDBCreationDate", "2026-01-01", TypeError),
    ("BDBCreationDate", (2026, 1, 1, 0, 0, 2**31), ValueError),
    ("BDBCreationDate", (2026, 256, 1, 0, 0, 0), ValueError),
    ("BIRCreationDate", (70000, 1, 1, 0, 0, 0), ValueError),
    ("BIRValidityPeriod", [(2026, 1, 1, 0, 0, 0), (2026, 1, 1, 0, 0, -1)],
     ValueError),
    ("BDBValidityPeriod", bd.DateTime(2026, 1, 1, 1, 1, 1), TypeError),
    ("BDBValidityPeriod", [bd.DateTime(2026, 1, 1, 1, 1, 1), "x"], TypeError),
    ("BDBValidityPeriod", "x", TypeError),
    # What a record cannot carry, or the decoder would refuse: refused on
    # assignment rather than cut to 8 bits or refused late by encode().
    ("BDBPurpose", 300, ValueError),
    ("BDBPurpose", -1, ValueError),
    ("BDBBiometricSubtype", 999, ValueError),
    ("BDBBiometricSubtype", -1, ValueError),
    ("BDBProcessedLevel", 256, ValueError),
    ("BDBProcessedLevel", -1, ValueError),
    ("HeaderVersion", 0x31, ValueError),
    ("HeaderRevision", 2, ValueError),
    ("RecordFormat", (1, 2), ValueError),
    ("RecordFormat", (0x0101, 0x0008), ValueError),
    # A validity period is a start and an end, or nothing.
    ("BDBValidityPeriod", [bd.DateTime(2026, 1, 1, 1, 1, 1)], ValueError),
    ("BIRValidityPeriod", [bd.DateTime(2026, 1, 1, 1, 1, 1)] * 3, ValueError),
])
def test_refused_assignment_names_the_field_and_changes_nothing(
        name, value, error):
    rec = bd.BIR()
    rec.BDBCreationDate = bd.DateTime(2020, 1, 1, 1, 1, 1)
    rec.BDBValidityPeriod = [bd.DateTime(2020, 1, 1, 1, 1, 1)] * 2
    rec.RegisteredId2 = (3, 4)
    before = rec.copy()
    with pytest.raises(error, match=name):
        setattr(rec, name, value)
    assert rec == before


@pytest.mark.parametrize("name", [
    name for name in bd.BIR.FIELDS
    if not getattr(bd.BIR, name).limits.carried])
def test_constants_that_no_record_carries_are_read_only(name):
    rec = bd.BIR()
    value = getattr(rec, name)
    with pytest.raises(AttributeError):
        setattr(rec, name, value + 1)
    assert getattr(rec, name) == value
    assert rec == bd.BIR(rec.encode())


def test_bioapi_error_is_not_raised_for_assignments():
    # Assignments raise TypeError or ValueError; BioAPIError is for what the
    # library reports.
    rec = bd.BIR()
    with pytest.raises(ValueError) as caught:
        rec.BDBQuality = 300
    assert not isinstance(caught.value, bd.BioAPIError)


def run_import(environment):
    env = dict(os.environ)
    env.update(environment)
    return subprocess.run([sys.executable, "-c", "import bioapi_data"],
                          env=env, capture_output=True, text=True)


def test_missing_library_says_what_it_looked_for(tmp_path):
    missing = tmp_path / "nowhere" / _library.library_file_name()
    result = run_import({_library.LIBRARY_VARIABLE: str(missing)})
    assert result.returncode != 0
    assert "ImportError" in result.stderr
    assert str(missing) in result.stderr
    assert "$BIOAPI_DATA_LIBRARY" in result.stderr


def test_a_file_that_is_no_library_is_refused(tmp_path):
    fake = tmp_path / _library.library_file_name()
    fake.write_bytes(b"not a shared library")
    result = run_import({_library.LIBRARY_VARIABLE: str(fake)})
    assert result.returncode != 0
    assert "ImportError" in result.stderr and str(fake) in result.stderr


def test_the_package_directory_is_where_it_looks_by_default(monkeypatch):
    monkeypatch.delenv(_library.LIBRARY_VARIABLE, raising=False)
    [(path, source)] = _library.candidates()
    assert os.path.dirname(path) == os.path.dirname(_library.__file__)
    assert source == "the package directory"


@pytest.mark.parametrize("number, wanted, accepted", [
    (10000, "1.0.0", True),
    (10203, "1.2.3", True),
    (10300, "1.2.3", True),
    (10202, "1.2.3", False),
    (20000, "1.0.0", False),
    (9999, "1.0.0", False),
])
def test_version_check(number, wanted, accepted):
    if accepted:
        _library.check_version(number, "lib", wanted)
    else:
        with pytest.raises(ImportError, match=r"needs version .* lib is"):
            _library.check_version(number, "lib", wanted)


def test_the_loaded_library_is_the_packages_version():
    number = _library.lib.bioapi_version()
    assert "%d.%d.%d" % (number // 10000, number // 100 % 100,
                         number % 100) == bd.__version__
