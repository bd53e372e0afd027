"""Shared fixtures: the golden records and their JSON."""

import os
from pathlib import Path

import pytest

#: The golden records of the C++ tests.
DATA_DIR = Path(os.environ.get(
    "BIOAPI_DATA_TEST_DATA_DIR",
    Path(__file__).resolve().parents[2] / "tests" / "data"))

SAMPLES = ("minimal", "field_by_field", "full_record")


@pytest.fixture(params=SAMPLES)
def sample(request):
    """(name, record bytes, golden JSON text) of each golden record."""
    name = request.param
    return (name, (DATA_DIR / f"{name}.bir").read_bytes(),
            (DATA_DIR / f"{name}.json").read_text())
