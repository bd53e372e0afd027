"""Builds the bioapi_data shared library with CMake and ships it inside the
Python package (see pyproject.toml for the package itself).

    pip install --no-build-isolation .

needs CMake and a C++17 compiler. BIOAPI_DATA_CMAKE_ARGS adds arguments to
the CMake configuration (a generator, a toolchain file, ...).
"""

import os
import shlex
import shutil
import subprocess
from pathlib import Path

from setuptools import setup
from setuptools.command.build_py import build_py
from setuptools.dist import Distribution

ROOT = Path(__file__).resolve().parent


class BuildPyWithLibrary(build_py):
    """Builds the CMake target bioapi_data_python, the package beside its
    library, and copies the library into the package."""

    def run(self):
        super().run()
        build_temp = Path(self.get_finalized_command("build").build_temp)
        cmake_dir = (build_temp / "cmake").resolve()
        configure = [
            "cmake", "-S", str(ROOT), "-B", str(cmake_dir),
            "-DCMAKE_BUILD_TYPE=Release",
            "-DBIOAPI_DATA_BUILD_PYTHON=ON",
            "-DBIOAPI_DATA_BUILD_TESTS=OFF",
            "-DBIOAPI_DATA_BUILD_EXAMPLES=OFF",
            "-DBIOAPI_DATA_BUILD_TOOLS=OFF",
            "-DBIOAPI_DATA_INSTALL=OFF",
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
        target = Path(self.build_lib) / "bioapi_data"
        target.mkdir(parents=True, exist_ok=True)
        for library in built.iterdir():
            if library.suffix in (".so", ".dll", ".dylib"):
                shutil.copy2(library, target / library.name)


class BinaryDistribution(Distribution):
    """The wheel holds a shared library: it is for one platform."""

    def has_ext_modules(self):
        return True


setup(cmdclass={"build_py": BuildPyWithLibrary}, distclass=BinaryDistribution)
