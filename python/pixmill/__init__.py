"""Pixmill from Python: numpy arrays in and out of libpixmill.so through ctypes.

    >>> import numpy as np, pixmill
    >>> raw = np.random.default_rng(1).integers(0, 256, (480, 640), np.uint8)
    >>> pixmill.convert(raw, pixmill.RgbMethod.BILINEAR, pixmill.Layout.GBRG).shape
    (480, 640, 3)

Method codes are plain integers or the named constants of each entry:
:data:`RgbMethod` (:func:`convert`) and :data:`RgbExMethod` (:func:`convert_ex`)
for the current build, :func:`methods` for any build.

The library is found on first use (see :func:`load`); ``python3 -m pixmill``
prints which file was loaded and why.  Every wrapper checks its arguments
before calling the library and raises TypeError or ValueError for a wrong
dtype, shape, size or memory layout.  Outputs are new arrays unless ``out=``
is given.  Wrappers of exports the loaded library lacks raise
:class:`MissingExportError`.
"""
from ._buffers import release as release_buffers
from ._library import (BUILDS, Library, LibraryNotFoundError, MissingExportError, PixmillError, default_library,
                       load, set_default_library)
from .adjustments import brightness, color_correct_region, contrast, rotate_ccw, rotate_cw, sharpen
from .batch import BatchResult, convert_batch, read_frame, submit_batch
from .calibration import (accumulate_pattern_noise, average_pattern_noise, detect_dead_pixels, erase_dead_pixels,
                          fix_pattern_noise, gamma_table, set_bad_pixel_threshold, white_balance_ratio)
from .conversion import (BGGR, GBRG, GRBG, LAYOUTS, RGGB, Layout, NotConvertedError, RgbExMethod, RgbMethod, convert,
                         convert_ex, convert_record, method_codes, methods, output_shape, turns_picture, unpack_raw10,
                         unpack_raw12)

__version__ = "1.7.7.6"

__all__ = [
    "BUILDS", "Library", "LibraryNotFoundError", "MissingExportError", "PixmillError", "NotConvertedError",
    "default_library", "load", "set_default_library", "release_buffers",
    "GBRG", "GRBG", "BGGR", "RGGB", "LAYOUTS", "Layout", "RgbMethod", "RgbExMethod", "methods", "convert", "convert_ex", "convert_record", "method_codes",
    "output_shape", "turns_picture", "unpack_raw10", "unpack_raw12",
    "white_balance_ratio", "gamma_table", "set_bad_pixel_threshold", "detect_dead_pixels", "erase_dead_pixels",
    "accumulate_pattern_noise", "average_pattern_noise", "fix_pattern_noise",
    "brightness", "contrast", "rotate_cw", "rotate_ccw", "sharpen", "color_correct_region",
    "BatchResult", "convert_batch", "submit_batch", "read_frame",
]
