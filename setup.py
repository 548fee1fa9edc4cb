# Build of the Python package varn: the pure-Python layer in hosts/python/varn and
# the extension varn._varn, compiled from hosts/python/varn_py.cpp and the same
# library sources CMake builds (varn_core_sources.txt), linked to the system's
# ERFA. Metadata are in pyproject.toml; the version is the file VERSION.
import shlex
import subprocess
from pathlib import Path

from pybind11.setup_helpers import Pybind11Extension
from setuptools import setup

ROOT = Path(__file__).resolve().parent
VERSION = (ROOT / "VERSION").read_text().strip()
LIBRARY_SOURCES = [
    line.strip()
    for line in (ROOT / "varn_core_sources.txt").read_text().splitlines()
    if line.strip() and not line.lstrip().startswith("#")
]


def erfa_flags():
    """Compiler and linker flags of the system's ERFA, from pkg-config when it knows them."""
    try:
        cflags = subprocess.run(["pkg-config", "--cflags", "erfa"], capture_output=True,
                                text=True, check=True).stdout
        libs = subprocess.run(["pkg-config", "--libs", "erfa"], capture_output=True,
                              text=True, check=True).stdout
        return shlex.split(cflags), shlex.split(libs)
    except (OSError, subprocess.CalledProcessError):
        return [], ["-lerfa"]


erfa_cflags, erfa_libs = erfa_flags()
extension = Pybind11Extension(
    "varn._varn",
    # Relative to the root, as setuptools wants them.
    ["hosts/python/varn_py.cpp"] + LIBRARY_SOURCES,
    include_dirs=["src"],
    cxx_std=17,
    define_macros=[("VARN_VERSION", '"%s"' % VERSION), ("NDEBUG", None)],
    # The flags that decide the result bits are those of the CMake build: no
    # fused multiply-add, the same optimisation level.
    extra_compile_args=["-O2", "-ffp-contract=off"] + erfa_cflags,
    extra_link_args=erfa_libs + ["-pthread"],
)

setup(
    version=VERSION,
    ext_modules=[extension],
    # Intermediate files stay out of the CMake build folder (build/).
    options={"build": {"build_base": "build-py/setuptools"}},
)
