"""Shared fixtures: the loaded library, direct calls of its exports, a library
stand-in that fails when called."""
from __future__ import annotations

import ctypes
import os
import sys
from pathlib import Path

import numpy as np
import pytest

# The package of this checkout, unless the tests are to exercise an installed
# one (PIXMILL_TEST_INSTALLED=1: the wheel as a user gets it).
_INSTALLED = os.environ.get("PIXMILL_TEST_INSTALLED") == "1"
if not _INSTALLED:
    sys.path.insert(0, str(Path(__file__).resolve().parent.parent))
import pixmill  # noqa: E402

if _INSTALLED and Path(pixmill.__file__).resolve().is_relative_to(Path(__file__).resolve().parent.parent):
    raise RuntimeError(f"PIXMILL_TEST_INSTALLED=1, but pixmill comes from the checkout ({pixmill.__file__})")


@pytest.fixture(scope="session")
def lib() -> pixmill.Library:
    return pixmill.default_library()


@pytest.fixture(scope="session")
def c(lib):
    """The library's exports called directly, with prototypes declared here
    independently of the package's: the reference for every wrapper."""
    return ctypes.CDLL(lib.path)


def needs(*symbols: str):
    """Skip a test when the loaded library lacks one of ``symbols`` (exports
    still being built on other branches)."""
    library = pixmill.default_library()
    missing = [s for s in symbols if not library.has(s)]
    return pytest.mark.skipif(bool(missing), reason=f"{', '.join(missing)} not exported by {library.path}")


def address(a: np.ndarray) -> ctypes.c_void_p:
    return ctypes.c_void_p(a.ctypes.data)


class NoCalls:
    """A library stand-in for checks that must refuse before any call."""

    build = "1.7.7.6"
    path = "no library"

    def has(self, name: str) -> bool:
        return True

    def function(self, name: str):
        raise AssertionError(f"{name} was reached although its arguments should have been refused")

    def describe(self) -> str:
        return "no library"


@pytest.fixture
def no_calls() -> NoCalls:
    return NoCalls()


@pytest.fixture
def rng() -> np.random.Generator:
    return np.random.default_rng(20261209)


# Programs the batch tests start (workers, a scheduler) import the package
# from here too; against the installed package they must get that one.
if not _INSTALLED:
    os.environ["PYTHONPATH"] = os.pathsep.join(
        [str(Path(__file__).resolve().parent.parent)] + [p for p in os.environ.get("PYTHONPATH", "").split(os.pathsep)
                                                         if p])
