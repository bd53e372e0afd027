"""Builds the bioapi_data shared library with CMake and ships it inside the
Python package (see pyproject.toml for the package itself).

    pip install --no-build-isolation .

needs CMake 3.20 or later, a C++17 compiler, setuptools and wheel in the
interpreter that runs pip, and that interpreter's headers (Debian:
python3-dev). BIOAPI_DATA_CMAKE_ARGS adds arguments to the CMake
configuration (a generator, a toolchain file, ...).

The package's compiled module, bioapi_data._speedups, is built against
CPython's limited API of Python 3.8, so the wheel is tagged
cp38-abi3-<platform> and serves CPython 3.8 and every later 3.x on that
platform. On Linux the platform is the manylinux_2_NN tag that the libraries
and the module earn by the glibc and libstdc++ symbol versions they need
(scripts/wheel_policy.py), else linux_<arch>.
"""

import os
import shlex
import shutil
import subprocess
import sys
from pathlib import Path

import setuptools
from setuptools import setup
from setuptools.command.build_py import build_py
from setuptools.dist import Distribution

ROOT = Path(__file__).resolve().parent
PACKAGE_SOURCE = ROOT / "python" / "bioapi_data"
# The library files and the compiled module that the CMake target puts
# beside the package's modules.
LIBRARY_SUFFIXES = (".so", ".dll", ".dylib", ".pyd")
# The oldest Python whose limited API the compiled module is built against
# (Py_LIMITED_API in python/CMakeLists.txt).
LIMITED_API_PYTHON = "cp38"


def fail(message):
    """Stops the build with one line that says what to do."""
    sys.stderr.write(f"\nbioapi_data: {message}\n\n")
    raise SystemExit(1)


def is_library(path):
    return any(part in LIBRARY_SUFFIXES
               for part in path.suffixes) and path.is_file()


class BuildPyWithLibrary(build_py):
    """Builds the CMake target bioapi_data_python, the package beside its
    library, and copies the library into the package (into the source
    package for an editable install, where Python imports it from)."""

    def run(self):
        super().run()
        if shutil.which("cmake") is None:
            fail("building the package needs CMake 3.20 or later and a C++17 "
                 "compiler on PATH (Debian: apt-get install cmake g++)")
        build_temp = Path(self.get_finalized_command("build").build_temp)
        cmake_dir = (build_temp / "cmake").resolve()
        configure = [
            "cmake", "-S", str(ROOT), "-B", str(cmake_dir),
            "-DCMAKE_BUILD_TYPE=Release",
            "-DBIOAPI_DATA_BUILD_PYTHON=ON",
            "-DBIOAPI_DATA_BUILD_TESTS=OFF",
            "-DBIOAPI_DATA_BUILD_EXAMPLES=OFF",
            "-DBIOAPI_DATA_BUILD_TOOLS=OFF",
            "-DBIOAPI_DATA_BUILD_DOCS=OFF",
            "-DBIOAPI_DATA_BUILD_DOTNET=OFF",
            "-DBIOAPI_DATA_INSTALL=OFF",
            # The compiled module, with the headers of this interpreter.
            f"-DPython3_EXECUTABLE={sys.executable}",
            "-DBIOAPI_DATA_PYTHON_MODULE_REQUIRED=ON",
        ]
        if sys.platform.startswith("linux"):
            # As the release preset builds what is published: optimised, the
            # debug information split off into files that stay in the build
            # folder, so that the package's libraries name no build path.
            configure += [
                "-DCMAKE_C_FLAGS_RELEASE=-O2 -g -DNDEBUG",
                "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -g -DNDEBUG",
                "-DBIOAPI_DATA_SPLIT_DEBUG_INFO=ON",
            ]
        if shutil.which("ninja") and not (cmake_dir / "CMakeCache.txt").exists():
            configure += ["-G", "Ninja"]
        configure += shlex.split(os.environ.get("BIOAPI_DATA_CMAKE_ARGS", ""))
        subprocess.check_call(configure)
        subprocess.check_call([
            "cmake", "--build", str(cmake_dir), "--config", "Release",
            "--target", "bioapi_data_python", "--parallel"
        ])
        built = cmake_dir / "python" / "bioapi_data"
        editable = getattr(self, "editable_mode", False)
        target = PACKAGE_SOURCE if editable else Path(self.build_lib) / \
            "bioapi_data"
        target.mkdir(parents=True, exist_ok=True)
        for library in built.iterdir():
            if is_library(library):
                shutil.copy2(library, target / library.name)


class BinaryDistribution(Distribution):
    """The wheel holds shared libraries and a compiled module: it is for one
    platform."""

    def has_ext_modules(self):
        return True


def earned_platform_tag(package, platform):
    """Returns the manylinux tag that the package's libraries and compiled
    module earn by the symbol versions they need (scripts/wheel_policy.py),
    else `platform`."""
    libraries = sorted(package.glob("lib*.so.*")) + sorted(
        package.glob("*.abi3.so"))
    if not libraries or shutil.which("readelf") is None:
        return platform
    policy = ROOT / "scripts" / "wheel_policy.py"
    tag = subprocess.run([sys.executable, str(policy), "tag", *map(str, libraries)],
                         check=True, capture_output=True, text=True).stdout
    return tag.strip() or platform


def bdist_wheel_class():
    """bdist_wheel tagged cp38-abi3-<platform>: the compiled module keeps to
    the limited API of Python 3.8, so any CPython from 3.8 on the platform
    takes the wheel."""
    try:
        from setuptools.command.bdist_wheel import bdist_wheel
    except ImportError:
        try:
            from wheel.bdist_wheel import bdist_wheel
        except ImportError:
            return None

    class BdistWheel(bdist_wheel):

        def finalize_options(self):
            super().finalize_options()
            self.root_is_pure = False

        def get_tag(self):
            _, _, platform = super().get_tag()
            if platform.startswith("linux_") and not getattr(
                    self, "plat_name_supplied", False):
                platform = earned_platform_tag(
                    Path(self.get_finalized_command("build_py").build_lib) /
                    "bioapi_data", platform)
            return LIMITED_API_PYTHON, "abi3", platform

    return BdistWheel


WHAT_TO_INSTALL = (f"in {sys.executable} (Debian: python3-setuptools and "
                   "python3-wheel; or build from /usr/bin/python3 -m venv "
                   "--system-site-packages, as the README says)")
if tuple(int(part) for part in
         setuptools.__version__.split(".")[:2] if part.isdigit()) < (61, 0):
    fail(f"building needs setuptools 61 or later, not "
         f"{setuptools.__version__}, and wheel, {WHAT_TO_INSTALL}")

commands = {"build_py": BuildPyWithLibrary}
wheel_command = bdist_wheel_class()
if wheel_command is not None:
    commands["bdist_wheel"] = wheel_command
elif any(arg in ("bdist_wheel", "editable_wheel", "dist_info")
         for arg in sys.argv):
    fail(f"building a wheel needs the wheel package {WHAT_TO_INSTALL}")

setup(cmdclass=commands, distclass=BinaryDistribution)
