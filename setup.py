# Build of the Python package varn: the pure-Python layer in hosts/python/varn and
# the extension varn._varn, compiled from hosts/python/varn_py.cpp and the same
# library sources CMake builds (varn_core_sources.txt), linked to the system's
# ERFA, or to ERFA built from its release source when the environment
# variable VARN_ERFA_SOURCE names its folder or its .tar.gz. Metadata are in
# pyproject.toml; the version is the file VERSION.
import os
import shlex
import shutil
import subprocess
import sys
import tarfile
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


def erfa_source():
    """The folder of ERFA's C sources named by VARN_ERFA_SOURCE, copied or
    unpacked under build-py/ (setuptools takes only paths inside the
    project), relative to the root; None when the variable is not set."""
    name = os.environ.get("VARN_ERFA_SOURCE")
    if not name:
        return None
    path = Path(name).resolve()
    unpacked = ROOT / "build-py" / "erfa-source"
    if path.is_dir():
        inner = path / "src" if (path / "src" / "erfa.h").is_file() else path
        shutil.copytree(inner, unpacked, dirs_exist_ok=True)
        path = unpacked
    elif path.is_file():
        with tarfile.open(path) as archive:
            members = [m for m in archive.getmembers() if m.isfile() or m.isdir()]
            for m in members:  # nothing may land outside the folder
                if m.name.startswith("/") or ".." in Path(m.name).parts:
                    sys.exit("VARN_ERFA_SOURCE: unsafe name %r in %s" % (m.name, path))
            archive.extractall(unpacked, members)
        tops = {Path(m.name).parts[0] for m in members}
        path = unpacked / tops.pop() if len(tops) == 1 else unpacked
    folder = path / "src" if (path / "src" / "erfa.h").is_file() else path
    if not (folder / "erfa.h").is_file():
        sys.exit("VARN_ERFA_SOURCE: no ERFA source (erfa.h and the .c files) in %s" % path)
    return folder.relative_to(ROOT)


# Results keep the published evaluation order only without contraction of a
# multiply and an add into one fused rounding: GCC and clang contract by
# default on processors that have the instruction (every arm64), MSVC not
# under /fp:precise. The same flags for varn and for an ERFA built here.
if sys.platform == "win32":
    EXACT_FLAGS, THREAD_FLAGS = ["/O2", "/fp:precise"], []
else:
    EXACT_FLAGS, THREAD_FLAGS = ["-O2", "-ffp-contract=off"], ["-pthread"]

ERFA_SOURCE = erfa_source()
libraries = []
if ERFA_SOURCE is None:
    erfa_cflags, erfa_libs = erfa_flags()
    if sys.platform == "win32" and erfa_libs == ["-lerfa"]:
        sys.exit("No ERFA found: set VARN_ERFA_SOURCE to ERFA's release source (a folder or "
                 "erfa-2.0.0.tar.gz) and run pip again.")
    include_dirs = ["src"]
else:
    # A static library of ERFA's routines, without its test programs and
    # without erfaversion.c, which needs its configure script's config.h.
    erfa_c = sorted(f.relative_to(ROOT).as_posix() for f in (ROOT / ERFA_SOURCE).glob("*.c")
                    if not f.name.startswith("t_erfa_c") and f.name != "erfaversion.c")
    libraries = [("varn_erfa", {"sources": erfa_c, "include_dirs": [ERFA_SOURCE.as_posix()],
                                "cflags": EXACT_FLAGS})]
    erfa_cflags, erfa_libs = [], []
    include_dirs = ["src", ERFA_SOURCE.as_posix()]

extension = Pybind11Extension(
    "varn._varn",
    # Relative to the root, as setuptools wants them.
    ["hosts/python/varn_py.cpp"] + LIBRARY_SOURCES,
    include_dirs=include_dirs,
    cxx_std=17,
    define_macros=[("VARN_VERSION", '"%s"' % VERSION), ("NDEBUG", None)],
    # The flags that decide the result bits are those of the CMake build: no
    # fused multiply-add, the same optimisation level.
    extra_compile_args=EXACT_FLAGS + erfa_cflags,
    extra_link_args=erfa_libs + THREAD_FLAGS,
)

setup(
    version=VERSION,
    ext_modules=[extension],
    libraries=libraries,
    # Intermediate files stay out of the CMake build folder (build/).
    options={"build": {"build_base": "build-py/setuptools"}},
)
