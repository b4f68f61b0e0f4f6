"""Argument checks shared by the wrappers.

Every array is checked before any call reaches the library: its type and
dtype (TypeError), then its number of dimensions, its size, its memory layout
and its shape (ValueError).  The size is checked before the layout so that a
frame too large for the library's 32-bit sizes is refused without looking any
further.
"""
from __future__ import annotations

from typing import Optional, Sequence, Tuple

import numpy as np
import numpy.typing as npt

from . import _buffers

#: Largest sample count the library's signed 32-bit sizes can express.
MAX_SAMPLES = 2**31 - 1

INT32_MIN = -(2**31)
INT32_MAX = 2**31 - 1


def array(name: str, value: object, dtypes: Sequence[np.dtype], ndims: Sequence[int],
          writeable: bool = False) -> np.ndarray:
    """Check that ``value`` is a C-contiguous array of one of ``dtypes`` with one
    of ``ndims`` dimensions, small enough for the library; return it."""
    if not isinstance(value, np.ndarray):
        raise TypeError(f"{name} must be a numpy array, not {type(value).__name__}")
    if value.dtype not in dtypes:
        wanted = " or ".join(np.dtype(d).name for d in dtypes)
        raise TypeError(f"{name} must have dtype {wanted}, not {value.dtype}")
    if value.ndim not in ndims:
        wanted = " or ".join(str(n) for n in ndims)
        raise ValueError(f"{name} must have {wanted} dimensions, not {value.ndim} (shape {value.shape})")
    if value.size > MAX_SAMPLES:
        raise ValueError(f"{name} has {value.size} samples; the library takes at most {MAX_SAMPLES} (2^31 - 1)")
    if not value.flags.c_contiguous:
        raise ValueError(f"{name} must be C-contiguous (use numpy.ascontiguousarray)")
    if writeable and not value.flags.writeable:
        raise ValueError(f"{name} must be writeable")
    return value


def frame_size(name: str, frame: np.ndarray, even: bool, minimum: int) -> Tuple[int, int]:
    """(height, width) of a frame whose sides must be at least ``minimum``
    (and even, when ``even``)."""
    height, width = frame.shape[:2]
    if height < minimum or width < minimum:
        raise ValueError(f"{name} is {width} x {height}; both sides must be at least {minimum}")
    if even and (height % 2 or width % 2):
        raise ValueError(f"{name} is {width} x {height}; both sides must be even")
    return height, width


def output(name: str, out: Optional[np.ndarray], dtype: npt.DTypeLike, shape: Tuple[int, ...],
           inputs: Sequence[np.ndarray] = (), zero: bool = True) -> np.ndarray:
    """The array to write: ``out`` checked against ``dtype`` and ``shape`` and
    against overlap with ``inputs``, or a new array when ``out`` is None:
    zeroed, or with ``zero`` false of undefined contents (memory of an earlier
    result nothing refers to any more, where there is such; see _buffers)."""
    if out is None:
        return np.zeros(shape, dtype) if zero else _buffers.empty(shape, dtype)
    array(name, out, (np.dtype(dtype),), (len(shape),), writeable=True)
    if out.shape != tuple(shape):
        raise ValueError(f"{name} must have shape {tuple(shape)}, not {out.shape}")
    for other in inputs:
        if np.may_share_memory(out, other):
            raise ValueError(f"{name} must not share memory with the input")
    return out


def int32(name: str, value: object, low: int = INT32_MIN, high: int = INT32_MAX) -> int:
    """An integer in [low, high]; bools and floats are refused."""
    if isinstance(value, (bool, np.bool_)) or not isinstance(value, (int, np.integer)):
        raise TypeError(f"{name} must be an integer, not {type(value).__name__}")
    value = int(value)
    if not low <= value <= high:
        raise ValueError(f"{name} must lie in {low} to {high}, not {value}")
    return value


def number(name: str, value: object) -> float:
    """A real number (int or float, not bool)."""
    if isinstance(value, (bool, np.bool_)) or not isinstance(value, (int, float, np.integer, np.floating)):
        raise TypeError(f"{name} must be a number, not {type(value).__name__}")
    return float(value)


def layout_code(layout: object) -> int:
    """A Bayer layout code 1 to 4."""
    return int32("layout", layout, 1, 4)


def address(a: Optional[np.ndarray]) -> Optional[int]:
    """The address to pass for ``a`` (None passes a null pointer)."""
    return None if a is None else a.ctypes.data
