"""Bayer conversion: the two 8-bit entries, the record entry, packed-frame unpacking.

Layout codes are the conversion entries' 1 to 4 everywhere in this package
(1 GBRG, 2 GRBG, 3 BGGR, 4 RGGB: the colours of row 0, then row 1); the record
entry's own numbering is translated here.  Images come back as
``(height, width, 3)`` arrays in blue, green, red order.
"""
from __future__ import annotations

import ctypes
from enum import IntEnum
from typing import Callable, Dict, Optional, Sequence, Tuple, Type

import numpy as np

from . import _checks as check
from ._library import DEFAULT_BUILD, Library, PixmillError, default_library
from ._method_codes import METHOD_CODES, METHOD_ENUMS, RgbExMethod_1_7_7_6, RgbMethod_1_7_7_6


class Layout(IntEnum):
    """Bayer layout codes of the conversion entries: the colours of row 0,
    then row 1 of the frame's top-left 2 x 2 block."""

    GBRG = 1
    GRBG = 2
    BGGR = 3
    RGGB = 4


GBRG, GRBG, BGGR, RGGB = Layout.GBRG, Layout.GRBG, Layout.BGGR, Layout.RGGB
#: Layout codes by name.
LAYOUTS = {layout.name: layout for layout in Layout}

#: Method codes of :func:`convert` (``ConvertBayer2Rgb``) in the current build,
#: e.g. ``RgbMethod.LAPLACIAN``; plain integers work as well.
RgbMethod = RgbMethod_1_7_7_6
#: Method codes of :func:`convert_ex` (``ConvertBayer2RgbEx``) in the current
#: build, e.g. ``RgbExMethod.EX_COUNTED_MEDIAN``.
RgbExMethod = RgbExMethod_1_7_7_6

Tables = Optional[Sequence[Optional[np.ndarray]]]

_U8 = (np.dtype(np.uint8),)
_U16 = (np.dtype(np.uint16),)
_IDENTITY8 = np.arange(256, dtype=np.uint8)
_IDENTITY8.flags.writeable = False

# The record entry numbers the mosaics differently: RGGB is its 0.
_RECORD_LAYOUT: Dict[int, int] = {GBRG: 1, GRBG: 2, BGGR: 3, RGGB: 0}
_FORMAT_MONO8, _FORMAT_BGR8, _FORMAT_MONO16, _FORMAT_BGR16 = 0, 4, 5, 6


class NotConvertedError(PixmillError):
    """The library returned 0: it did not produce the image."""


def _entry(ex: bool) -> str:
    return "ConvertBayer2RgbEx" if ex else "ConvertBayer2Rgb"


def methods(build: str = DEFAULT_BUILD, ex: bool = False) -> Type[IntEnum]:
    """The enumeration of the method codes of an entry of ``build``
    (``ConvertBayer2RgbEx`` with ``ex``): :data:`RgbMethod` and
    :data:`RgbExMethod` for the current build, e.g. ``methods("1.1.2.0").TWO_BY_TWO``.

    Raises:
        ValueError: the build has no such entry.
    """
    try:
        return METHOD_ENUMS[(build, _entry(ex))]
    except KeyError:
        raise ValueError(f"build {build} has no {_entry(ex)}") from None


def method_codes(library: Library, ex: bool = False) -> range:
    """The method codes an entry of ``library``'s build accepts."""
    return range(len(METHOD_CODES[library.build].get(_entry(ex), ())))


def turns_picture(library: Library, method: int, ex: bool = False) -> bool:
    """True for a method that writes the picture turned a quarter turn
    clockwise (code 9 of the current build's standard entry)."""
    rows = METHOD_CODES[library.build].get(_entry(ex), ())
    return 0 <= method < len(rows) and rows[method][5]


def output_shape(library: Library, method: int, height: int, width: int, ex: bool = False) -> Tuple[int, int, int]:
    """Shape of the image a conversion of a ``(height, width)`` frame writes."""
    return (width, height, 3) if turns_picture(library, method, ex) else (height, width, 3)


def _tables8(library: Library, tables: Tables) -> Tuple[Optional[np.ndarray], ...]:
    if tables is None:
        tables = (None, None, None)
    if isinstance(tables, np.ndarray) or len(tables) != 3:
        raise TypeError("tables must be a sequence of three (red, green, blue), each a table or None")
    checked = []
    for name, table in zip(("red table", "green table", "blue table"), tables):
        if table is None:
            # The earliest build does not substitute its identity table for a
            # missing one; it reads whatever pointer it is given.
            checked.append(_IDENTITY8 if library.build == "1.1.2.0" else None)
            continue
        check.array(name, table, _U8, (1,))
        if table.shape != (256,):
            raise ValueError(f"{name} must have 256 entries, not {table.shape[0]}")
        checked.append(table)
    return tuple(checked)


# The pixels a method may leave unwritten (the border some methods do not
# make) lie within this many pixels of the image's edges.
_UNWRITTEN_EDGE = 3


def _clear_edges(image: np.ndarray) -> None:
    """Zero the edge band of a new, uninitialised image, so that pixels a
    method leaves unwritten come out zero.  Clearing all of it instead
    (np.zeros) costs more than most conversions: its fresh pages fault in
    one at a time while the method writes them."""
    band = _UNWRITTEN_EDGE
    image[:band] = 0
    image[-band:] = 0
    image[:, :band] = 0
    image[:, -band:] = 0


def _convert(entry: str, raw: np.ndarray, method: int, layout: int, tables: Tables, flip: bool,
             out: Optional[np.ndarray], library: Optional[Library]) -> np.ndarray:
    library = library or default_library()
    ex = entry == "ConvertBayer2RgbEx"
    check.array("raw", raw, _U8, (2,))
    height, width = check.frame_size("raw", raw, even=True, minimum=4)
    codes = method_codes(library, ex)
    method = check.int32("method", method, codes.start, codes.stop - 1)
    layout = check.layout_code(layout)
    red, green, blue = _tables8(library, tables)
    image = check.output("out", out, np.uint8, output_shape(library, method, height, width, ex), (raw,),
                         zero=False)
    if out is None:
        _clear_edges(image)
    function = library.function(entry)
    result = function(image.ctypes.data, raw.ctypes.data, width, height, method, check.address(red),
                      check.address(green), check.address(blue), 1 if flip else 0, layout)
    if result != 1:
        raise NotConvertedError(f"{entry} returned {result} for method {method} (layout {layout}, "
                                f"{width} x {height}): {library.describe()} does not convert this method code")
    return image


def convert(raw: np.ndarray, method: int = 2, layout: int = GBRG, *, tables: Tables = None, flip: bool = False,
            out: Optional[np.ndarray] = None, library: Optional[Library] = None) -> np.ndarray:
    """Demosaic an 8-bit Bayer frame through ``ConvertBayer2Rgb``.

    Args:
        raw: ``(height, width)`` uint8 frame, both sides even and at least 4.
        method: method code (:data:`RgbMethod`, or :func:`methods` of the
            loaded build), 0 to 9 in the current build (0 to 6 in the
            earlier ones).  Codes 7 and 9 set the library's process-wide
            smoothing flag, after which code 5 gives the smoothed result.
        layout: Bayer layout code 1 to 4 (:class:`Layout`).
        tables: ``(red, green, blue)`` look-up tables of 256 uint8 entries,
            each or all None for the identity.
        flip: write the image bottom-up.
        out: ``(height, width, 3)`` uint8 array to write into (``(width,
            height, 3)`` for code 9); pixels a method leaves unwritten keep
            its contents.  By default a new array is allocated, in which
            they are zero; for a large image its memory is that of an
            earlier result nothing refers to any more, where there is one
            (see :func:`release_buffers`), which spares the cost of fresh
            pages.
        library: the library to call (default :func:`pixmill.load`'s).

    Returns:
        The BGR image.  Code 9 of the current build returns the picture
        turned a quarter turn clockwise (a transpose with ``flip``).

    Raises:
        TypeError, ValueError: a malformed argument (nothing is called).
        NotConvertedError: the library did not convert (a method code that
            this library does not build).
    """
    return _convert("ConvertBayer2Rgb", raw, method, layout, tables, flip, out, library)


def convert_ex(raw: np.ndarray, method: int = 2, layout: int = GBRG, *, tables: Tables = None, flip: bool = False,
               out: Optional[np.ndarray] = None, library: Optional[Library] = None) -> np.ndarray:
    """Demosaic through ``ConvertBayer2RgbEx`` (codes 0 to 6, :data:`RgbExMethod`:
    code 3 is the counted-neighbour median, code 5 the same method as code 1;
    the smoothing flag is never touched).  Arguments, result and errors as :func:`convert`."""
    return _convert("ConvertBayer2RgbEx", raw, method, layout, tables, flip, out, library)


class _ConvertRecord(ctypes.Structure):
    _fields_ = [("dest", ctypes.c_void_p), ("destFormat", ctypes.c_int32), ("reserved0", ctypes.c_uint32),
                ("reserved1", ctypes.c_uint32), ("src", ctypes.c_void_p), ("srcFormat", ctypes.c_int32),
                ("reserved2", ctypes.c_uint32), ("reserved3", ctypes.c_uint32), ("layout", ctypes.c_uint32),
                ("width", ctypes.c_int32), ("height", ctypes.c_int32), ("method", ctypes.c_int32),
                ("lutRed", ctypes.c_void_p), ("lutGreen", ctypes.c_void_p), ("lutBlue", ctypes.c_void_p),
                ("flip", ctypes.c_uint32)]


class _WhiteBalanceRecord(ctypes.Structure):
    _fields_ = [("image", ctypes.c_void_p), ("format", ctypes.c_int32), ("reserved0", ctypes.c_uint32),
                ("reserved1", ctypes.c_uint32), ("width", ctypes.c_int32), ("height", ctypes.c_int32),
                ("redRatio", ctypes.POINTER(ctypes.c_double)), ("greenRatio", ctypes.POINTER(ctypes.c_double)),
                ("blueRatio", ctypes.POINTER(ctypes.c_double))]


def _tables16(raw: np.ndarray, tables: Tables) -> Tuple[np.ndarray, ...]:
    # A 16-bit table is indexed by the sample (or the mean of two samples), so
    # it must reach the largest sample of the frame.  A missing table becomes
    # a 16-bit identity here rather than relying on the library's choice.
    if tables is None:
        tables = (None, None, None)
    if isinstance(tables, np.ndarray) or len(tables) != 3:
        raise TypeError("tables must be a sequence of three (red, green, blue), each a table or None")
    needed = int(raw.max()) + 1 if raw.size else 1
    checked = []
    for name, table in zip(("red table", "green table", "blue table"), tables):
        if table is None:
            checked.append(np.arange(needed, dtype=np.uint16))
            continue
        check.array(name, table, _U16, (1,))
        if table.shape[0] < needed:
            raise ValueError(f"{name} has {table.shape[0]} entries; the frame's largest sample needs {needed}")
        checked.append(table)
    return tuple(checked)


def convert_record(raw: np.ndarray, layout: int = GBRG, *, grey: bool = False, tables: Tables = None,
                   flip: bool = False, out: Optional[np.ndarray] = None,
                   library: Optional[Library] = None) -> np.ndarray:
    """Demosaic an 8-bit or 16-bit frame through the record entry ``PmConvert``.

    The conversion is always the smoothed forward window of method code 7,
    and it sets the library's process-wide smoothing flag as code 7 does.

    Args:
        raw: ``(height, width)`` uint8 or uint16 frame, sides even and at least 4.
        layout: Bayer layout code 1 to 4, as for :func:`convert`.
        grey: produce one luminance value per pixel instead of three colours.
        tables: ``(red, green, blue)``: for uint8 frames 256-entry uint8 tables,
            for uint16 frames uint16 tables reaching the largest sample; None
            for the identity.
        flip: write the image bottom-up.
        out: array to write into, of the frame's dtype and shape
            ``(height, width)`` (grey) or ``(height, width, 3)``.

    Returns:
        The grey or BGR image, of the frame's dtype.

    Raises:
        TypeError, ValueError: a malformed argument (nothing is called).
        MissingExportError: the library has no record entry.
        NotConvertedError: the library returned 0.
    """
    library = library or default_library()
    check.array("raw", raw, _U8 + _U16, (2,))
    height, width = check.frame_size("raw", raw, even=True, minimum=4)
    layout = check.layout_code(layout)
    wide = raw.dtype == np.uint16
    red, green, blue = _tables16(raw, tables) if wide else _tables8(library, tables)
    shape = (height, width) if grey else (height, width, 3)
    image = check.output("out", out, raw.dtype, shape, (raw,), zero=False)
    if out is None:
        _clear_edges(image)
    function = library.function("PmConvert")
    record = _ConvertRecord()
    record.dest = image.ctypes.data
    record.destFormat = (_FORMAT_MONO16 if wide else _FORMAT_MONO8) if grey else (_FORMAT_BGR16 if wide else _FORMAT_BGR8)
    record.src = raw.ctypes.data
    record.srcFormat = _FORMAT_MONO16 if wide else _FORMAT_MONO8
    record.layout = _RECORD_LAYOUT[layout]
    record.width, record.height, record.method = width, height, 7
    record.lutRed, record.lutGreen, record.lutBlue = (check.address(t) for t in (red, green, blue))
    record.flip = 1 if flip else 0
    result = function(0, ctypes.addressof(record), 0)
    if result != 1:
        raise NotConvertedError(f"PmConvert returned {result} ({width} x {height}, layout {layout})")
    return image


def white_balance_record(image: np.ndarray, library: Library) -> Tuple[float, float, float]:
    """White-balance ratios of a ``(height, width, 3)`` uint16 BGR image through
    ``PmConvert`` operation 1 (used by :func:`pixmill.white_balance_ratio`)."""
    function = library.function("PmConvert")
    red, green, blue = ctypes.c_double(), ctypes.c_double(), ctypes.c_double()
    record = _WhiteBalanceRecord()
    record.image = image.ctypes.data
    record.format = _FORMAT_BGR16
    record.height, record.width = image.shape[:2]
    record.redRatio, record.greenRatio, record.blueRatio = (ctypes.pointer(r) for r in (red, green, blue))
    result = function(1, ctypes.addressof(record), 0)
    if result != 1:
        raise NotConvertedError(f"PmConvert white balance returned {result}")
    return red.value, green.value, blue.value


def _unpack(entry: str, packed: np.ndarray, width: int, height: int, needed_bytes: Callable[[int], int],
            out: Optional[np.ndarray], library: Optional[Library]) -> np.ndarray:
    library = library or default_library()
    width = check.int32("width", width, 1)
    height = check.int32("height", height, 1)
    if width * height > check.MAX_SAMPLES:
        raise ValueError(f"{width} x {height} is {width * height} samples; the library takes at most 2^31 - 1")
    check.array("packed", packed, (np.dtype(np.uint8), np.dtype(np.uint32)), (1,))
    needed = needed_bytes(width * height)
    if packed.nbytes < needed:
        raise ValueError(f"packed holds {packed.nbytes} bytes; {width} x {height} samples need {needed}")
    unpacked = check.output("out", out, np.uint16, (height, width), (packed,))
    function = library.function(entry)
    function(packed.ctypes.data, unpacked.ctypes.data, width, height)
    return unpacked


def unpack_raw10(packed: np.ndarray, width: int, height: int, *, out: Optional[np.ndarray] = None,
                 library: Optional[Library] = None) -> np.ndarray:
    """Widen a packed 10-bit frame (three samples per little-endian 32-bit word,
    bits 0-9, 10-19, 20-29) into a ``(height, width)`` uint16 frame.

    ``packed`` is a contiguous 1-D uint8 or uint32 array of at least
    4 x ceil(width x height / 3) bytes.
    """
    return _unpack("Raw10PackedToRaw16", packed, width, height, lambda n: 4 * -(-n // 3), out, library)


def unpack_raw12(packed: np.ndarray, width: int, height: int, *, out: Optional[np.ndarray] = None,
                 library: Optional[Library] = None) -> np.ndarray:
    """Widen a packed 12-bit frame (two samples per three bytes) into a
    ``(height, width)`` uint16 frame.

    ``packed`` is a contiguous 1-D uint8 or uint32 array of at least
    ceil(3 x width x height / 2) bytes (an odd count's last sample may be
    taken from the first two bytes of a last group).
    """
    return _unpack("Raw12PackedToRaw16", packed, width, height, lambda n: -(-3 * n // 2), out, library)
