"""Finding and loading libpixmill.so, and the ctypes prototypes of its exports.

The library is searched for in this order, and the first hit wins:

1. the ``path`` argument of :func:`load`;
2. the environment variable ``PIXMILL_LIBRARY``: the file itself, or a
   directory holding ``libpixmill.so`` or ``<build>/libpixmill.so``;
3. the library installed with the package: ``<package>/lib/<build>/libpixmill.so``;
4. the CMake build tree of the checkout this package lives in:
   ``build/<build>/libpixmill.so`` under it;
5. an installed earlier build: ``pixmill/<build>/libpixmill.so.<build>`` or
   ``pixmill/<build>/libpixmill.so`` in the system's library directories
   (multiarch, ``lib64`` and ``lib`` under ``/usr/local`` and ``/usr``:
   where ``cmake --install`` and the Debian packages put them);
6. the system's library path (``LD_LIBRARY_PATH``, the linker cache), by the
   name ``libpixmill.so``: the installed current build.

The current working directory is never searched: a program started in a
folder that happens to hold a ``build/`` tree (an unpacked archive, a shared
folder) must not load and run the code it finds there.

The build (``1.7.7.6``, ``1.5.0.1`` or ``1.1.2.0``) is chosen by the ``build``
argument, else the environment variable ``PIXMILL_BUILD``, else ``1.7.7.6``;
it selects the build-tree directory.  Which build a loaded file really is
follows from its export set, which is exactly one build's (each build exports
its own set and nothing else; the sets are in ``_method_codes.EXPORTS``): a
file whose exports match no build is refused, a file named by ``path`` or ``PIXMILL_LIBRARY``
that is not the requested build is refused with ValueError, and a file found
by the search that is another build is passed over (the system's
``libpixmill.so`` is the current build), so a build that is not installed is
reported as not found, with every place tried.
"""
from __future__ import annotations

import ctypes
import ctypes.util
import os
import sysconfig
import threading
from pathlib import Path
from typing import Any, Callable, Dict, List, Optional, Tuple, Union

from ._method_codes import EXPORTS

BUILDS: Tuple[str, ...] = tuple(EXPORTS)
DEFAULT_BUILD = BUILDS[0]
LIBRARY_NAME = "libpixmill.so"
ENV_LIBRARY = "PIXMILL_LIBRARY"
ENV_BUILD = "PIXMILL_BUILD"

_p = ctypes.c_void_p
_i = ctypes.c_int32
_u = ctypes.c_uint32

# Every export the package can call, with its result and argument types.
# Pointers are passed as plain addresses (numpy's ``ctypes.data``).
_PROTOTYPES: Dict[str, Tuple[object, List[object]]] = {
    "ConvertBayer2Rgb": (_i, [_p, _p, _i, _i, _i, _p, _p, _p, _i, _i]),
    "ConvertBayer2RgbEx": (_i, [_p, _p, _i, _i, _i, _p, _p, _p, _i, _i]),
    "PmConvert": (_i, [_i, _p, _i]),
    "Raw10PackedToRaw16": (None, [_p, _p, _i, _i]),
    "Raw12PackedToRaw16": (None, [_p, _p, _i, _i]),
    "GetWhiteBalanceRatio": (_i, [_p, _i, _i, _p, _p, _p]),
    "SetGammaLut": (None, [_p, ctypes.c_double]),
    "DetectDeadPixel": (None, [_p, _p, _i, _i]),
    "EraseDeadPixel": (None, [_p, _p, _i, _i, _i, _i, _i, _i]),
    "SetBadPixelThreshold": (_i, [_i]),
    "GetPatternNoise": (None, [_p, _p, _i, _i]),
    "AvgPatternNoise": (None, [_p, _i, _i, _i]),
    "FixPatternNoise": (None, [_p, _p, _i, _i, _i, _i, _i, _i]),
    "PmBrightness": (_i, [_p, _i, _i, _p]),
    "PmContrast": (_i, [_p, _i, _i, _p]),
    "PmRotate90CW8B": (_i, [_p, _i, _i, _p]),
    "PmRotate90CCW8B": (_i, [_p, _i, _i, _p]),
    "PmSharpen24B": (_i, [_p, _i, _i, ctypes.c_float, _p]),
    "ROIColorCorrection": (None, [_p, _i, _i, _i, _i, _i, _i]),
}


class PixmillError(RuntimeError):
    """The library refused a call, or an export the call needs is missing."""


class LibraryNotFoundError(PixmillError, OSError):
    """No libpixmill.so could be loaded; the message lists every place tried."""


class MissingExportError(PixmillError, AttributeError):
    """The loaded library does not export the function a wrapper needs."""


class Library:
    """One loaded libpixmill.so.

    Attributes:
        path: the file loaded (or the bare name, when the dynamic linker
            found it on the system's library path).
        origin: why this file was chosen (argument, environment variable,
            build tree or system library path).
        build: the build the file is, judged from its export set.
    """

    def __init__(self, handle: ctypes.CDLL, path: str, origin: str) -> None:
        self.cdll = handle
        self.path = path
        self.origin = origin
        self._functions: Dict[str, Callable[..., object]] = {}
        self.build = _build_of(self)

    def has(self, name: str) -> bool:
        """True when the library exports ``name``."""
        try:
            getattr(self.cdll, name)
        except AttributeError:
            return False
        return True

    def function(self, name: str) -> Callable[..., Any]:
        """The export ``name`` with its prototype set.

        Raises:
            MissingExportError: the library does not export ``name``.
        """
        found = self._functions.get(name)
        if found is not None:
            return found
        try:
            function = getattr(self.cdll, name)
        except AttributeError:
            raise MissingExportError(
                f"{name} is not exported by {self.path} (build {self.build}, loaded from the "
                f"{self.origin}); this library was built without it") from None
        restype, argtypes = _PROTOTYPES[name]
        function.restype = restype
        function.argtypes = argtypes
        self._functions[name] = function
        return function

    def describe(self) -> str:
        """One line saying which file was loaded, which build it is, and why."""
        return f"libpixmill build {self.build} from {self.path} ({self.origin})"

    def __repr__(self) -> str:
        return f"<pixmill.Library {self.describe()}>"


def _build_of(library: Library) -> str:
    # The build whose export set is exactly the file's, among every name any
    # build exports.
    known = {name for names in EXPORTS.values() for name in names}
    present = {name for name in known if library.has(name)}
    for build, names in EXPORTS.items():
        if set(names) == present:
            return build
    raise PixmillError(f"{library.path} exports {', '.join(sorted(present)) or 'none'} of the library's functions, "
                       f"which is no build's set ({', '.join(BUILDS)}): it is not a libpixmill this package knows")


_lock = threading.Lock()
_loaded: Dict[Tuple[str, str], Library] = {}
_default: Optional[Library] = None
_load_count = 0


# Where a built package carries its libraries (python/setup.py puts them there).
_PACKAGE_LIBRARIES = Path(__file__).resolve().parent / "lib"


def _package_checkout() -> Optional[Path]:
    # python/pixmill/_library.py -> the checkout root, when run from a checkout.
    root = Path(__file__).resolve().parent.parent.parent
    return root if (root / "CMakeLists.txt").is_file() else None


def _system_library_directories() -> List[Path]:
    """Where installed libraries live: the multiarch and plain directories
    under /usr/local and /usr."""
    multiarch = sysconfig.get_config_var("MULTIARCH") or ""
    found = []
    for prefix in ("/usr/local", "/usr"):
        if multiarch:
            found.append(Path(prefix) / "lib" / multiarch)
        found += [Path(prefix) / "lib64", Path(prefix) / "lib"]
    return found


def _candidates(build: str, path: Union[str, os.PathLike, None]) -> List[Tuple[str, str]]:
    """(file or name, origin) in search order."""
    found: List[Tuple[str, str]] = []
    if path is not None:
        found.append((os.fspath(path), "path argument"))
        return found
    env = os.environ.get(ENV_LIBRARY)
    if env:
        if os.path.isdir(env):
            for sub in (os.path.join(env, build, LIBRARY_NAME), os.path.join(env, LIBRARY_NAME)):
                found.append((sub, f"environment variable {ENV_LIBRARY}"))
        else:
            found.append((env, f"environment variable {ENV_LIBRARY}"))
        return found
    bundled = _PACKAGE_LIBRARIES / build / LIBRARY_NAME
    if bundled.is_file():
        found.append((str(bundled), "library installed with the package"))
    checkout = _package_checkout()
    if checkout is not None:
        found.append((str(checkout / "build" / build / LIBRARY_NAME), "build tree"))
    if build != DEFAULT_BUILD:
        # The runtime package holds the file named after the build (its
        # SONAME); the link libpixmill.so beside it comes with the
        # development package, or with `cmake --install`.
        for directory in _system_library_directories():
            for name in (f"{LIBRARY_NAME}.{build}", LIBRARY_NAME):
                installed = directory / "pixmill" / build / name
                if installed.is_file():
                    found.append((str(installed), "installed earlier build"))
                    break
    system = ctypes.util.find_library("pixmill") or LIBRARY_NAME
    found.append((system, "system library path"))
    return found


def load(build: Optional[str] = None, path: Union[str, os.PathLike, None] = None) -> Library:
    """Load libpixmill.so once per process and return it.

    Args:
        build: ``"1.7.7.6"``, ``"1.5.0.1"`` or ``"1.1.2.0"``; default the
            environment variable ``PIXMILL_BUILD``, else ``"1.7.7.6"``.
        path: a file to load instead of searching.

    Returns:
        The loaded library.  The first successful call without arguments also
        becomes the default that every wrapper uses.

    Raises:
        ValueError: an unknown build name, or a file that is another build
            (or none: its exports match no build's set).
        LibraryNotFoundError: nothing could be loaded; the message lists each
            place tried and why it failed.
    """
    global _load_count
    explicit_build = build is not None or ENV_BUILD in os.environ
    build = build or os.environ.get(ENV_BUILD) or DEFAULT_BUILD
    if build not in BUILDS:
        raise ValueError(f"unknown build {build!r}; choose one of {', '.join(BUILDS)}")
    with _lock:
        tried: List[str] = []
        for candidate, origin in _candidates(build, path):
            key = (candidate, build)
            if key in _loaded:
                return _loaded[key]
            if os.sep in candidate and not os.path.isfile(candidate):
                tried.append(f"  {origin}: {candidate}: no such file")
                continue
            try:
                handle = ctypes.CDLL(candidate)
            except OSError as error:
                tried.append(f"  {origin}: {candidate}: {error}")
                continue
            try:
                library = Library(handle, candidate, origin)
            except PixmillError as error:
                if origin == "path argument" or origin.startswith("environment variable"):
                    raise ValueError(str(error)) from None
                tried.append(f"  {origin}: {candidate}: matches no build's exports")
                continue
            if explicit_build and library.build != build:
                if origin == "path argument" or origin.startswith("environment variable"):
                    raise ValueError(f"{candidate} ({origin}) is build {library.build}, not the requested {build}")
                tried.append(f"  {origin}: {candidate}: is build {library.build}")
                continue
            _load_count += 1
            _loaded[key] = library
            return library
        raise LibraryNotFoundError(
            f"libpixmill.so (build {build}) could not be loaded: build {build} is not installed or built "
            "where the package looks. Tried, in order:\n" + "\n".join(tried) +
            f"\nBuild it (cmake -B build && cmake --build build -j2), or set {ENV_LIBRARY} to the file.")


def default_library() -> Library:
    """The library the wrappers use when none is passed: :func:`load`'s default."""
    global _default
    if _default is None:
        _default = load()
    return _default


def set_default_library(library: Library) -> None:
    """Make ``library`` the one every wrapper uses when none is passed."""
    global _default
    _default = library


def load_count() -> int:
    """How many library files this process has loaded (for checking workers)."""
    return _load_count
