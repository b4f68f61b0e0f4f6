"""Where the library is looked for, and what is said when it is not found."""
from __future__ import annotations

import ctypes.util

import numpy as np
import pytest

import pixmill
from pixmill import _library


def test_search_order(monkeypatch, tmp_path):
    monkeypatch.delenv(_library.ENV_LIBRARY, raising=False)
    places = _library._candidates("1.5.0.1", None)
    assert [origin for _, origin in places][-1] == "system library path"
    assert all(path.endswith("build/1.5.0.1/libpixmill.so") for path, origin in places if origin == "build tree")
    # The environment variable replaces the search: a file, or a directory
    # holding the build's directory or the library itself.
    monkeypatch.setenv(_library.ENV_LIBRARY, str(tmp_path))
    assert [p for p, _ in _library._candidates("1.1.2.0", None)] == [
        str(tmp_path / "1.1.2.0" / "libpixmill.so"), str(tmp_path / "libpixmill.so")]
    assert _library._candidates("1.7.7.6", "/x/libpixmill.so") == [("/x/libpixmill.so", "path argument")]


def test_a_library_in_the_working_directory_is_never_loaded(monkeypatch, tmp_path):
    # A folder holding a build tree of its own (an unpacked archive, a shared
    # folder) must not get its code run by a program started there.
    planted = tmp_path / "build" / "1.7.7.6" / "libpixmill.so"
    planted.parent.mkdir(parents=True)
    planted.write_bytes(b"planted")
    monkeypatch.chdir(tmp_path)
    monkeypatch.delenv(_library.ENV_LIBRARY, raising=False)
    monkeypatch.setattr(_library, "_package_checkout", lambda: None)
    monkeypatch.setattr(_library, "_PACKAGE_LIBRARIES", tmp_path / "no package libraries")
    monkeypatch.setattr(_library.ctypes.util, "find_library", lambda name: None)
    places = [path for path, _ in _library._candidates("1.7.7.6", None)]
    assert str(planted) not in places and places[-1] == "libpixmill.so"
    with pytest.raises(pixmill.LibraryNotFoundError) as refused:
        _library.load("1.7.7.6")
    assert str(tmp_path) not in str(refused.value)


@pytest.mark.parametrize("installed_as", ["libpixmill.so", "libpixmill.so.{build}"])
def test_installed_builds_are_found_and_a_missing_one_is_named(monkeypatch, tmp_path, lib, installed_as):
    # A system-wide installation: the current build as the system's
    # libpixmill.so, an earlier build (or none) under pixmill/<build>/, as
    # the link name (cmake --install) or only as its own file (the Debian
    # runtime package without the development package).
    monkeypatch.delenv(_library.ENV_LIBRARY, raising=False)
    monkeypatch.setattr(_library, "_package_checkout", lambda: None)
    monkeypatch.setattr(_library, "_PACKAGE_LIBRARIES", tmp_path / "no package libraries")
    monkeypatch.setattr(_library, "_system_library_directories", lambda: [tmp_path])
    monkeypatch.setattr(_library.ctypes.util, "find_library", lambda name: lib.path)
    monkeypatch.setattr(_library, "_loaded", {})
    other = "1.5.0.1" if lib.build != "1.5.0.1" else "1.1.2.0"
    with pytest.raises(pixmill.LibraryNotFoundError, match=f"build {other} is not installed") as refused:
        _library.load(other)
    assert f"system library path: {lib.path}: is build {lib.build}" in str(refused.value)
    earlier = tmp_path / "pixmill" / other / installed_as.format(build=other)
    earlier.parent.mkdir(parents=True)
    earlier.symlink_to(_library.load(other, str(_find_build(lib, other))).path)
    found = _library.load(other)
    assert found.build == other and found.origin == "installed earlier build"


def _find_build(lib, build):
    """The library file of another build beside the loaded one's build tree."""
    from pathlib import Path
    candidate = Path(lib.path).parent.parent / build / "libpixmill.so"
    if not candidate.is_file():
        pytest.skip(f"no {build} build beside {lib.path}")
    return candidate


def test_failures_say_what_was_tried(monkeypatch, tmp_path, lib):
    monkeypatch.setenv(_library.ENV_LIBRARY, str(tmp_path / "nowhere.so"))
    with pytest.raises(pixmill.LibraryNotFoundError, match="environment variable PIXMILL_LIBRARY.*nowhere.so: no such"):
        pixmill.load()
    broken = tmp_path / "libpixmill.so"
    broken.write_bytes(b"not a library")
    with pytest.raises(pixmill.LibraryNotFoundError, match="path argument.*libpixmill.so"):
        pixmill.load(path=broken)
    with pytest.raises(ValueError, match="unknown build"):
        pixmill.load("2.0")
    # A loadable file that is no build (its exports match none of the sets).
    with pytest.raises(ValueError, match="no build's set"):
        pixmill.load(path=ctypes.util.find_library("m"))
    other = "1.5.0.1" if lib.build != "1.5.0.1" else "1.7.7.6"
    with pytest.raises(ValueError, match=f"is build {lib.build}, not the requested {other}"):
        pixmill.load(other, lib.path)


def test_loaded_library_describes_itself(lib):
    assert lib.path in lib.describe() and lib.build in lib.describe() and lib.origin in lib.describe()
    if not lib.has("PmConvert"):
        with pytest.raises(pixmill.MissingExportError, match="PmConvert is not exported"):
            pixmill.convert_record(np.zeros((4, 4), np.uint8))
