"""Adjustments of finished images: tone curves, quarter turns, sharpening,
region colour correction (current build only).

The library's rotation and sharpening read and write rows padded to a
multiple of 4 bytes; these wrappers take plain numpy images and pad and unpad
around the call.
"""
from __future__ import annotations

from typing import Optional

import numpy as np

from . import _checks as check
from ._library import Library, PixmillError, default_library

_U8 = (np.dtype(np.uint8),)


def _stride(row_bytes: int) -> int:
    return (row_bytes + 3) // 4 * 4


def _status(entry: str, result: int) -> None:
    if result != 0:
        raise PixmillError(f"{entry} returned {result}")


def _tone(entry: str, data: np.ndarray, amount: int, low: int, high: int, out: Optional[np.ndarray],
          library: Optional[Library]) -> np.ndarray:
    library = library or default_library()
    check.array("data", data, _U8, range(0, 33))
    amount = check.int32("amount", amount, low, high)
    if out is data:
        check.array("out", out, _U8, (data.ndim,), writeable=True)
    else:
        out = check.output("out", out, np.uint8, data.shape, (data,), zero=False)
    function = library.function(entry)
    _status(entry, function(data.ctypes.data, data.size, amount, out.ctypes.data))
    return out


def brightness(data: np.ndarray, amount: int, *, out: Optional[np.ndarray] = None,
               library: Optional[Library] = None) -> np.ndarray:
    """Map every byte of ``data`` (any shape, uint8) through the brightness
    curve of ``amount`` (-150 to 150).  ``out`` may be ``data`` itself."""
    return _tone("PmBrightness", data, amount, -150, 150, out, library)


def contrast(data: np.ndarray, amount: int, *, out: Optional[np.ndarray] = None,
             library: Optional[Library] = None) -> np.ndarray:
    """Map every byte of ``data`` (any shape, uint8) through the contrast
    curve of ``amount`` (-50 to 100).  ``out`` may be ``data`` itself."""
    return _tone("PmContrast", data, amount, -50, 100, out, library)


def _rotate(entry: str, image: np.ndarray, out: Optional[np.ndarray], library: Optional[Library]) -> np.ndarray:
    library = library or default_library()
    check.array("image", image, _U8, (2,))
    height, width = check.frame_size("image", image, even=False, minimum=1)
    result = check.output("out", out, np.uint8, (width, height), (image,))
    function = library.function(entry)
    source = np.zeros((height, _stride(width)), np.uint8)
    source[:, :width] = image
    destination = np.zeros((width, _stride(height)), np.uint8)
    _status(entry, function(source.ctypes.data, width, height, destination.ctypes.data))
    result[...] = destination[:, :height]
    return result


def rotate_cw(image: np.ndarray, *, out: Optional[np.ndarray] = None, library: Optional[Library] = None) -> np.ndarray:
    """Turn a ``(height, width)`` uint8 image a quarter turn clockwise
    (``PmRotate90CW8B``); returns ``(width, height)``."""
    return _rotate("PmRotate90CW8B", image, out, library)


def rotate_ccw(image: np.ndarray, *, out: Optional[np.ndarray] = None,
               library: Optional[Library] = None) -> np.ndarray:
    """Turn a ``(height, width)`` uint8 image a quarter turn counter-clockwise
    (``PmRotate90CCW8B``); returns ``(width, height)``."""
    return _rotate("PmRotate90CCW8B", image, out, library)


def sharpen(image: np.ndarray, amount: float, *, out: Optional[np.ndarray] = None,
            library: Optional[Library] = None) -> np.ndarray:
    """Unsharp-mask a ``(height, width, 3)`` uint8 BGR image, at least 3 x 3:
    every byte moves away from the mean of its 3 x 3 neighbourhood in its
    channel by ``amount`` in (0, 5]."""
    library = library or default_library()
    check.array("image", image, _U8, (3,))
    if image.shape[2] != 3:
        raise ValueError(f"image must have 3 channels, not {image.shape[2]}")
    height, width = check.frame_size("image", image, even=False, minimum=3)
    amount = check.number("amount", amount)
    if not 0.0 < amount <= 5.0:
        raise ValueError(f"amount must lie in (0, 5], not {amount}")
    if out is image:
        result = check.array("out", out, _U8, (3,), writeable=True)
    else:
        result = check.output("out", out, np.uint8, image.shape, (image,), zero=False)
    function = library.function("PmSharpen24B")
    stride = _stride(3 * width)
    if stride == 3 * width:
        _status("PmSharpen24B", function(image.ctypes.data, width, height, amount, result.ctypes.data))
        return result
    padded = np.zeros((height, stride), np.uint8)
    padded[:, :3 * width] = image.reshape(height, 3 * width)
    _status("PmSharpen24B", function(padded.ctypes.data, width, height, amount, padded.ctypes.data))
    result[...] = padded[:, :3 * width].reshape(height, width, 3)
    return result


def color_correct_region(image: np.ndarray, x: int, y: int, width: int, height: int, *,
                         out: Optional[np.ndarray] = None, library: Optional[Library] = None) -> np.ndarray:
    """Colour-correct the pixels of columns ``x`` to ``x + width - 1`` and rows
    ``y`` to ``y + height - 1`` of a ``(rows, columns, 3)`` uint8 BGR image
    (``ROIColorCorrection``).  The region must lie inside the image (the
    library checks nothing).  Returns a corrected copy unless ``out`` is given;
    ``out`` may be ``image`` itself."""
    library = library or default_library()
    check.array("image", image, _U8, (3,))
    if image.shape[2] != 3:
        raise ValueError(f"image must have 3 channels, not {image.shape[2]}")
    rows, columns = image.shape[:2]
    x, y = check.int32("x", x, 0), check.int32("y", y, 0)
    width, height = check.int32("width", width, 0), check.int32("height", height, 0)
    if x + width > columns or y + height > rows:
        raise ValueError(f"region {width} x {height} at ({x}, {y}) does not lie inside the {columns} x {rows} image")
    if out is not image:
        out = check.output("out", out, np.uint8, image.shape, (image,), zero=False)
        out[...] = image
    else:
        check.array("out", out, _U8, (3,), writeable=True)
    function = library.function("ROIColorCorrection")
    function(out.ctypes.data, x, y, width, height, columns, 0)
    return out
