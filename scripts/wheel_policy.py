#!/usr/bin/env python3
"""The platform tag that the wheel's native libraries earn, and the checks of
a built wheel.

    wheel_policy.py tag LIBRARY...   print the tag that the libraries meet
    wheel_policy.py check WHEEL      check a built wheel; exit 1 on a fault

A manylinux_2_NN tag (PEP 600) promises that the libraries run on any Linux
with glibc 2.NN or later and the libstdc++ of that era. The libraries earn
the lowest tag whose policy (the symbol versions that the distributions
behind it provide, as auditwheel's policy lists them) covers every symbol
version they need of glibc, libstdc++ and libgcc, and whose libraries are
the only ones they need outside the wheel. Anything else keeps the plain
linux_<arch> tag, and the requirement is printed for the documentation.

The check of a wheel reads its libraries with readelf (binutils): the tag
that they earn is the wheel's, they find each other beside themselves
(RUNPATH $ORIGIN or none), they carry no debug information and no path of
the machine that built them, and the wheel states its licence. Its Python
and ABI tags are those of the compiled modules it holds: cp3N-abi3 for
modules of CPython's limited API (NAME.abi3.so), which need no libpython;
py3-none for a wheel without one.
"""

from __future__ import annotations

import re
import subprocess
import sys
import tempfile
import zipfile
from pathlib import Path
from typing import Collection, Dict, List, Sequence, Tuple

Version = Tuple[int, ...]

# The greatest symbol version of each library family that a policy allows on
# x86_64, from auditwheel's manylinux-policy.json; the named versions beside
# them are allowed too.
POLICIES_X86_64: List[Tuple[str, Dict[str, Version]]] = [
    ("manylinux_2_17", {"GLIBC": (2, 17), "GLIBCXX": (3, 4, 19),
                        "CXXABI": (1, 3, 7), "GCC": (4, 8, 0)}),
    ("manylinux_2_24", {"GLIBC": (2, 24), "GLIBCXX": (3, 4, 22),
                        "CXXABI": (1, 3, 10), "GCC": (4, 8, 0)}),
    ("manylinux_2_31", {"GLIBC": (2, 31), "GLIBCXX": (3, 4, 28),
                        "CXXABI": (1, 3, 12), "GCC": (7, 0, 0)}),
    ("manylinux_2_34", {"GLIBC": (2, 34), "GLIBCXX": (3, 4, 29),
                        "CXXABI": (1, 3, 13), "GCC": (7, 0, 0)}),
    ("manylinux_2_35", {"GLIBC": (2, 35), "GLIBCXX": (3, 4, 30),
                        "CXXABI": (1, 3, 13), "GCC": (12, 0, 0)}),
]
NAMED_VERSIONS = {"CXXABI_FLOAT128", "CXXABI_TM_1"}
# The libraries that every system of these policies has.
SYSTEM_LIBRARIES = {
    "libc.so.6", "libm.so.6", "libdl.so.2", "librt.so.1", "libpthread.so.0",
    "libgcc_s.so.1", "libstdc++.so.6", "ld-linux-x86-64.so.2"
}


def readelf(*arguments: str) -> str:
    """Returns what readelf prints, in the C locale."""
    return subprocess.run(["readelf", "--wide", *arguments],
                          check=True,
                          capture_output=True,
                          text=True,
                          env={"LC_ALL": "C"}).stdout


def needed_versions(library: Path,
                    beside: Collection[str] = ()) -> Dict[str, Version]:
    """Returns the greatest version that `library` needs of each family
    (GLIBC, GLIBCXX, CXXABI, GCC), named versions under their full name,
    leaving out what it needs of the libraries named in `beside`."""
    needs: Dict[str, Version] = {}
    text = readelf("--version-info", str(library))
    section = text.split("Version needs section", 1)
    if len(section) < 2:
        return needs
    source = ""
    for line in section[1].splitlines():
        file_match = re.search(r"File: (\S+)", line)
        if file_match:
            source = file_match.group(1)
            continue
        name_match = re.search(r"Name: (\S+)\s+Flags", line)
        if not name_match or source in beside:
            continue
        name = name_match.group(1)
        match = re.fullmatch(r"([A-Z]+)_(\d+(?:\.\d+)*)", name)
        if not match:
            needs[name] = ()
            continue
        family, version = match.group(1), tuple(
            int(part) for part in match.group(2).split("."))
        needs[family] = max(needs.get(family, ()), version)
    return needs


def dynamic_entries(library: Path, tag: str) -> List[str]:
    """Returns the values of the dynamic section's entries of kind `tag`
    (NEEDED, RUNPATH, RPATH)."""
    return re.findall(rf"\({tag}\)\s+.*?\[(.*)\]",
                      readelf("--dynamic", str(library)))


def earned_tag(libraries: Sequence[Path], machine: str) -> Tuple[str, str]:
    """Returns the tag that the libraries earn on `machine` and what they
    need, in words."""
    needs: Dict[str, Version] = {}
    outside = set()
    names = {library.name for library in libraries}
    # A library finds the others by their sonames.
    names.update(entry for library in libraries
                 for entry in dynamic_entries(library, "SONAME"))
    for library in libraries:
        for family, version in needed_versions(library, names).items():
            needs[family] = max(needs.get(family, ()), version)
        outside.update(
            set(dynamic_entries(library, "NEEDED")) - names - SYSTEM_LIBRARIES)
    words = ", ".join(
        f"{family}_{'.'.join(map(str, version))}" if version else family
        for family, version in sorted(needs.items()))
    if machine == "x86_64" and not outside:
        for tag, allowed in POLICIES_X86_64:
            if all((family in NAMED_VERSIONS) if not version else
                   (family in allowed and version <= allowed[family])
                   for family, version in needs.items()):
                return f"{tag}_{machine}", words
    return f"linux_{machine}", words


def machine_of(library: Path) -> str:
    """Returns the architecture of an ELF library as a wheel tag spells it."""
    header = readelf("--file-header", str(library))
    if "X86-64" in header:
        return "x86_64"
    if "AArch64" in header:
        return "aarch64"
    match = re.search(r"Machine:\s+(.*)", header)
    return (match.group(1) if match else "unknown").strip().lower()


def module_faults(modules: Sequence[Path], python: str, abi: str,
                  scratch: str) -> List[str]:
    """Returns the faults of the wheel's Python and ABI tags against the
    compiled modules it holds, and of the modules themselves."""
    faults: List[str] = []
    limited = [module for module in modules if module.name.endswith(".abi3.so")]
    versioned = [module for module in modules if module not in limited]
    if versioned:
        faults.append("modules built for one Python version: " + ", ".join(
            str(module.relative_to(scratch)) for module in versioned))
    if limited and (abi != "abi3" or not re.fullmatch(r"cp3\d+", python)):
        faults.append(f"holds modules of the limited API but is tagged "
                      f"{python}-{abi}, not cp3N-abi3")
    if not modules and (python, abi) != ("py3", "none"):
        faults.append(f"holds no compiled module but is tagged {python}-{abi}, "
                      "not py3-none")
    for module in limited:
        libpython = [name for name in dynamic_entries(module, "NEEDED")
                     if name.startswith("libpython")]
        if libpython:
            faults.append(f"{module.relative_to(scratch)}: needs "
                          f"{', '.join(libpython)} (a module of the limited "
                          "API takes Python's symbols from the interpreter)")
    return faults


def check_wheel(wheel: Path, forbidden: Sequence[str]) -> List[str]:
    """Returns the faults of a built wheel; none when it is sound."""
    faults: List[str] = []
    name = wheel.name[:-len(".whl")]
    python, abi, platform = name.split("-")[-3:]
    with tempfile.TemporaryDirectory() as scratch, zipfile.ZipFile(
            wheel) as archive:
        archive.extractall(scratch)
        libraries = sorted(
            path for path in Path(scratch).rglob("*")
            if path.is_file() and re.search(r"\.so(\.\d+)*$", path.name))
        metadata = next(Path(scratch).glob("*.dist-info/METADATA")).read_text()
        if not libraries:
            return [f"{wheel.name}: no native library"]
        tag, needs = earned_tag(libraries, machine_of(libraries[0]))
        print(f"{wheel.name}: libraries need {needs}; they earn {tag}")
        if platform != tag:
            faults.append(f"tagged {platform}, but the libraries earn {tag}")
        modules = [library for library in libraries
                   if re.search(r"\.(abi3|cpython-[^.]+)\.so$", library.name)]
        faults += module_faults(modules, python, abi, scratch)
        for library in libraries:
            shown = library.relative_to(scratch)
            for kind in ("RUNPATH", "RPATH"):
                for path in dynamic_entries(library, kind):
                    if path != "$ORIGIN":
                        faults.append(f"{shown}: {kind} {path} (only $ORIGIN)")
            sections = readelf("--section-headers", str(library))
            if ".debug_info" in sections:
                faults.append(f"{shown}: carries debug information")
            content = library.read_bytes()
            for path in forbidden:
                if path.encode() in content:
                    faults.append(f"{shown}: names the build machine's {path}")
        if not re.search(r"^(License|License-Expression): \S", metadata, re.M):
            faults.append("METADATA states no licence")
    return faults


def main(arguments: Sequence[str]) -> int:
    if len(arguments) >= 2 and arguments[0] == "tag":
        libraries = [Path(argument) for argument in arguments[1:]]
        tag, needs = earned_tag(libraries, machine_of(libraries[0]))
        print(tag)
        print(f"needs {needs}", file=sys.stderr)
        return 0
    if len(arguments) >= 2 and arguments[0] == "check":
        faults = check_wheel(Path(arguments[1]), list(arguments[2:]))
        for fault in faults:
            print(f"{arguments[1]}: {fault}", file=sys.stderr)
        return 1 if faults else 0
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
