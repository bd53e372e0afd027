"""A plain-Python check of an installed package, for interpreters without
pytest: decode, read, change, encode, JSON, refusals, threads.

Usage: python smoke.py [TEST_DATA_DIR]   (default: tests/data of the tree)
"""

import sys
import threading
from pathlib import Path

import bioapi_data as bd


def main(data_dir: Path) -> int:
    data = (data_dir / "full_record.bir").read_bytes()
    rec = bd.BIR(data)
    assert rec.BDBBiometricType is bd.BiometricType.Fingerprint, rec
    assert rec.BDBQuality == 80 and rec.OctetString1 == b"scanner-07"
    assert rec.encode() == data
    assert bd.BIR.from_json(rec.to_json()) == rec
    rec.BDBBiometricSubtype = bd.BiometricSubtype.Right | bd.BiometricSubtype.Thumb
    rec.RegisteredId2 = (0x8001, 1)
    back = bd.BIR(rec.encode())
    assert back == rec and back.RegisteredId2 == (0x8001, 1)
    for name, value in (("BDBPurpose", 300), ("HeaderVersion", 0x31)):
        try:
            setattr(rec, name, value)
        except ValueError as error:
            assert name in str(error), error
        else:
            raise AssertionError(f"{name} = {value} was accepted")
    try:
        bd.BIR(data[:30])
    except bd.BioAPIError as error:
        assert error.code == 0x0200010B
    else:
        raise AssertionError("a cut record was accepted")
    shared = bd.BIR(data)
    results = []

    def work():
        for i in range(50):
            shared.OctetString2 = bytes([i]) * 100
            results.append(len(bd.BIR(shared.encode()).OctetString2) == 100)

    threads = [threading.Thread(target=work) for _ in range(4)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert len(results) == 200 and all(results)
    print(f"bioapi_data {bd.__version__} from {Path(bd.__file__).parent} "
          f"works on Python {sys.version.split()[0]}")
    return 0


if __name__ == "__main__":
    default = Path(__file__).resolve().parents[2] / "tests" / "data"
    sys.exit(main(Path(sys.argv[1]) if len(sys.argv) > 1 else default))
