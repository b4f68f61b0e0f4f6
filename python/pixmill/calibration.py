"""Calibration: white balance, gamma tables, dead pixels, fixed-pattern noise.

The functions that correct a frame in the library (``erase_dead_pixels``,
``fix_pattern_noise``) work on a copy unless ``out`` is given; passing the
frame itself as ``out`` corrects it in place, as the library does.
"""
from __future__ import annotations

import ctypes
from typing import Optional, Tuple

import numpy as np

from . import _checks as check
from ._library import Library, PixmillError, default_library
from .conversion import white_balance_record

_U8 = (np.dtype(np.uint8),)
_I32 = (np.dtype(np.int32),)


def white_balance_ratio(image: np.ndarray, *, library: Optional[Library] = None) -> Tuple[float, float, float]:
    """Gains (red, green, blue) that bring the mean red and blue of a BGR
    image's interior to its mean green.

    Args:
        image: ``(height, width, 3)`` BGR image, uint8 (``GetWhiteBalanceRatio``)
            or uint16 (``PmConvert`` operation 1, current build only), at
            least 4 x 4.

    Returns:
        ``(red, green, blue)``; a channel whose mean is zero gives 0.0.

    Raises:
        PixmillError: the library refused the image (the earlier builds
            refuse odd sizes).
    """
    library = library or default_library()
    check.array("image", image, _U8 + (np.dtype(np.uint16),), (3,))
    if image.shape[2] != 3:
        raise ValueError(f"image must have 3 channels (blue, green, red), not {image.shape[2]}")
    height, width = check.frame_size("image", image, even=False, minimum=4)
    if image.dtype == np.uint16:
        return white_balance_record(image, library)
    function = library.function("GetWhiteBalanceRatio")
    ratios = [ctypes.c_double(), ctypes.c_double(), ctypes.c_double()]
    result = function(image.ctypes.data, width, height, *(ctypes.addressof(r) for r in ratios))
    if result != 1:
        raise PixmillError(f"GetWhiteBalanceRatio refused a {width} x {height} image ({library.describe()})")
    return ratios[0].value, ratios[1].value, ratios[2].value


def gamma_table(gamma: float, *, out: Optional[np.ndarray] = None, library: Optional[Library] = None) -> np.ndarray:
    """A 256-entry uint8 power-curve table for exponent ``gamma`` (clamped by
    the library to 0.1 - 10.0), to pass as a conversion table."""
    library = library or default_library()
    gamma = check.number("gamma", gamma)
    table = check.output("out", out, np.uint8, (256,))
    function = library.function("SetGammaLut")
    function(table.ctypes.data, gamma)
    return table


def set_bad_pixel_threshold(threshold: int, *, library: Optional[Library] = None) -> int:
    """Set the library's process-wide dead-pixel threshold (10 at load) that
    :func:`detect_dead_pixels` uses; returns it.  Current build only."""
    library = library or default_library()
    threshold = check.int32("threshold", threshold)
    return int(library.function("SetBadPixelThreshold")(threshold))


def detect_dead_pixels(frame: np.ndarray, *, out: Optional[np.ndarray] = None,
                       library: Optional[Library] = None) -> np.ndarray:
    """Dead-pixel map of a calibration frame: 1 where a sample strays from the
    frame mean by at least the threshold, else 0.

    Args:
        frame: ``(height, width)`` uint8 raw frame.
        out: uint8 map of the same shape to write into.
    """
    library = library or default_library()
    check.array("frame", frame, _U8, (2,))
    height, width = check.frame_size("frame", frame, even=False, minimum=1)
    dead = check.output("out", out, np.uint8, frame.shape, (frame,))
    function = library.function("DetectDeadPixel")
    function(frame.ctypes.data, dead.ctypes.data, width, height)
    return dead


def _region(name: str, region: np.ndarray, full: np.ndarray, x_offset: int, y_offset: int) -> Tuple[int, int]:
    # The library narrows a region that runs past the map and then reads the
    # region buffer with the narrowed row length; a numpy region must lie
    # inside the map so that its rows are what the library reads.
    x = check.int32("x_offset", x_offset, 0)
    y = check.int32("y_offset", y_offset, 0)
    rows, columns = region.shape
    if x + columns > full.shape[1] or y + rows > full.shape[0]:
        raise ValueError(f"{name} of {columns} x {rows} at ({x}, {y}) does not lie inside the "
                         f"{full.shape[1]} x {full.shape[0]} map")
    return x, y


def erase_dead_pixels(frame: np.ndarray, dead_map: np.ndarray, x_offset: int = 0, y_offset: int = 0, *,
                      out: Optional[np.ndarray] = None, library: Optional[Library] = None) -> np.ndarray:
    """Replace the marked samples of a frame (or a region cut from one) by the
    mean of same-coloured neighbours; samples within two of the region's edge
    are kept.

    Args:
        frame: ``(rows, columns)`` uint8 region of the full frame.
        dead_map: ``(height, width)`` uint8 map of the full frame
            (:func:`detect_dead_pixels`).
        x_offset, y_offset: the region's position in the full frame; the
            region must lie inside the map.
        out: where to write the corrected region; may be ``frame`` itself.

    Returns:
        The corrected region.
    """
    library = library or default_library()
    check.array("frame", frame, _U8, (2,))
    check.array("dead_map", dead_map, _U8, (2,))
    check.frame_size("frame", frame, even=False, minimum=1)
    x, y = _region("frame", frame, dead_map, x_offset, y_offset)
    result = _copy_into("out", frame, out, (dead_map,))
    function = library.function("EraseDeadPixel")
    function(result.ctypes.data, dead_map.ctypes.data, x, y, frame.shape[1], frame.shape[0],
             dead_map.shape[1], dead_map.shape[0])
    return result


def _copy_into(name: str, frame: np.ndarray, out: Optional[np.ndarray], others: Tuple[np.ndarray, ...]) -> np.ndarray:
    if out is None:
        return frame.copy()
    if out is frame:
        check.array(name, out, (frame.dtype,), (frame.ndim,), writeable=True)
        for other in others:
            if np.may_share_memory(out, other):
                raise ValueError(f"{name} must not share memory with the map")
        return out
    result = check.output(name, out, frame.dtype, frame.shape, (frame,) + others)
    result[...] = frame
    return result


def accumulate_pattern_noise(frame: np.ndarray, *, out: Optional[np.ndarray] = None,
                             library: Optional[Library] = None) -> np.ndarray:
    """Add one calibration frame's deviations from its parity-class means to a
    pattern-noise accumulator.

    Args:
        frame: ``(height, width)`` uint8 calibration frame.
        out: the int32 accumulator of the same shape to add to (updated in
            place); a new zeroed one when None.

    Returns:
        The accumulator.
    """
    library = library or default_library()
    check.array("frame", frame, _U8, (2,))
    height, width = check.frame_size("frame", frame, even=False, minimum=1)
    accumulator = check.output("out", out, np.int32, frame.shape, (frame,))
    function = library.function("GetPatternNoise")
    function(frame.ctypes.data, accumulator.ctypes.data, width, height)
    return accumulator


def average_pattern_noise(accumulator: np.ndarray, frame_count: int, *, out: Optional[np.ndarray] = None,
                          library: Optional[Library] = None) -> np.ndarray:
    """Divide every accumulator entry by the number of frames measured
    (truncating toward zero).  Returns a new array unless ``out`` is given
    (``out`` may be ``accumulator`` itself)."""
    library = library or default_library()
    check.array("accumulator", accumulator, _I32, (2,))
    height, width = check.frame_size("accumulator", accumulator, even=False, minimum=1)
    frame_count = check.int32("frame_count", frame_count, 1)
    result = _copy_into("out", accumulator, out, ())
    function = library.function("AvgPatternNoise")
    function(result.ctypes.data, width, height, frame_count)
    return result


def fix_pattern_noise(frame: np.ndarray, accumulator: np.ndarray, x_offset: int = 0, y_offset: int = 0, *,
                      out: Optional[np.ndarray] = None, library: Optional[Library] = None) -> np.ndarray:
    """Subtract the averaged pattern from a frame (or a region cut from one),
    clamping to 0 - 255.  Arguments as :func:`erase_dead_pixels`, with the
    int32 accumulator in place of the map."""
    library = library or default_library()
    check.array("frame", frame, _U8, (2,))
    check.array("accumulator", accumulator, _I32, (2,))
    check.frame_size("frame", frame, even=False, minimum=1)
    x, y = _region("frame", frame, accumulator, x_offset, y_offset)
    result = _copy_into("out", frame, out, (accumulator,))
    function = library.function("FixPatternNoise")
    function(result.ctypes.data, accumulator.ctypes.data, x, y, frame.shape[1], frame.shape[0],
             accumulator.shape[1], accumulator.shape[0])
    return result
