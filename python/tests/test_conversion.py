"""Conversions, the record entry and unpacking against the library's own output."""
from __future__ import annotations

import ctypes

import numpy as np
import pytest

import pixmill
from conftest import address, needs

I = ctypes.c_int32


def direct_convert(c, entry, raw, method, layout, tables, flip, shape):
    dest = np.zeros(shape, np.uint8)
    red, green, blue = (None if t is None else address(t) for t in tables)
    result = getattr(c, entry)(address(dest), address(raw), I(raw.shape[1]), I(raw.shape[0]), I(method), red, green,
                               blue, I(flip), I(layout))
    return result, dest


@pytest.mark.parametrize("entry", ["ConvertBayer2Rgb", "ConvertBayer2RgbEx"])
def test_conversions_equal_direct_calls(lib, c, rng, entry):
    """Every method code, layout and flip, with and without tables, on random
    frames of a few sizes; codes the library does not build raise
    NotConvertedError exactly when the direct call returns 0."""
    wrapper = pixmill.convert if entry == "ConvertBayer2Rgb" else pixmill.convert_ex
    gamma = rng.integers(0, 256, (3, 256), np.uint8)
    for height, width in ((4, 4), (6, 10), (34, 66)):
        raw = rng.integers(0, 256, (height, width), np.uint8)
        for method in pixmill.method_codes(lib, entry.endswith("Ex")):
            shape = pixmill.output_shape(lib, method, height, width, entry.endswith("Ex"))
            for layout in (1, 2, 3, 4):
                for flip, tables in ((0, (None, None, None)), (1, tuple(gamma)), (0, (None, gamma[1], None))):
                    result, expected = direct_convert(c, entry, raw, method, layout, tables, flip, shape)
                    where = f"{entry} method {method} layout {layout} flip {flip} {width}x{height}"
                    if result == 0:
                        with pytest.raises(pixmill.NotConvertedError):
                            wrapper(raw, method, layout, tables=tables, flip=bool(flip))
                        continue
                    got = wrapper(raw, method, layout, tables=tables, flip=bool(flip))
                    assert got.shape == shape, where
                    assert np.array_equal(got, expected), where


def test_convert_writes_into_out_and_keeps_unwritten_pixels(rng):
    raw = rng.integers(0, 256, (8, 8), np.uint8)
    out = np.full((8, 8, 3), 7, np.uint8)
    assert pixmill.convert(raw, 2, 1, out=out) is out
    assert np.array_equal(out, pixmill.convert(raw, 2, 1))


def test_new_images_reuse_only_memory_nothing_refers_to(rng):
    """Large results take the memory of earlier results the caller has let
    go of, never of one still held (directly or through a view), and come out
    as a fresh conversion would, their unwritten border zero."""
    first, second = (rng.integers(0, 256, (600, 600), np.uint8) for _ in range(2))
    a = pixmill.convert(first, 8)
    expected = a.copy()
    b = pixmill.convert(second, 8)
    assert not np.shares_memory(a, b) and np.array_equal(a, expected)
    view = a[1:]
    del a
    c = pixmill.convert(second, 8)
    assert not np.shares_memory(view, c) and np.array_equal(view, expected[1:])
    del view, b, c
    assert np.array_equal(pixmill.convert(first, 8), expected)


@pytest.mark.parametrize("build", pixmill.BUILDS)
def test_new_images_are_zero_where_a_method_writes_nothing(rng, build):
    """A new image is cleared only at its edges: every pixel a method leaves
    unwritten lies there, in every build, so the image equals one converted
    into a zeroed array."""
    try:
        library = pixmill.load(build)
    except (pixmill.LibraryNotFoundError, ValueError):
        pytest.skip(f"build {build} is not reachable")
    for height, width in ((4, 4), (6, 10), (34, 66)):
        raw = rng.integers(0, 256, (height, width), np.uint8)
        for entry, wrapper in (("ConvertBayer2Rgb", pixmill.convert), ("ConvertBayer2RgbEx", pixmill.convert_ex)):
            if not library.has(entry):
                continue
            for method in pixmill.method_codes(library, wrapper is pixmill.convert_ex):
                shape = pixmill.output_shape(library, method, height, width, wrapper is pixmill.convert_ex)
                for layout in (1, 2, 3, 4):
                    where = f"{build} {entry} method {method} layout {layout} {width}x{height}"
                    try:
                        zeroed = wrapper(raw, method, layout, out=np.zeros(shape, np.uint8), library=library)
                    except pixmill.NotConvertedError:
                        continue
                    full = wrapper(raw, method, layout, out=np.full(shape, 255, np.uint8), library=library)
                    assert not np.any(zeroed != full, axis=2)[3:-3, 3:-3].any(), where
                    assert np.array_equal(wrapper(raw, method, layout, library=library), zeroed), where
    if not library.has("PmConvert"):
        return
    for dtype, top in ((np.uint8, 255), (np.uint16, 65535)):
        raw = rng.integers(0, top + 1, (34, 66), dtype)
        for grey in (False, True):
            for layout in (1, 2, 3, 4):
                where = f"{build} PmConvert {np.dtype(dtype).name} grey {grey} layout {layout}"
                shape = (34, 66) if grey else (34, 66, 3)
                zeroed = pixmill.convert_record(raw, layout, grey=grey, out=np.zeros(shape, dtype), library=library)
                full = pixmill.convert_record(raw, layout, grey=grey, out=np.full(shape, top, dtype), library=library)
                unwritten = zeroed != full if grey else np.any(zeroed != full, axis=2)
                assert not unwritten[3:-3, 3:-3].any(), where
                assert np.array_equal(pixmill.convert_record(raw, layout, grey=grey, library=library), zeroed), where


def test_code_9_turns_the_picture_clockwise(lib, rng):
    if lib.build != "1.7.7.6":
        pytest.skip("code 9 exists in the current build only")
    raw = rng.integers(0, 256, (6, 10), np.uint8)
    turned = pixmill.convert(raw, 9, 1)
    upright = pixmill.convert(raw, 7, 1)
    assert turned.shape == (10, 6, 3)
    # The same pixel values as code 7, turned; the turn's own border column aside.
    assert np.array_equal(np.rot90(turned, 1)[1:-1, 1:-1], upright[1:-1, 1:-1])


def direct_record(c, raw, dest, layout, grey, tables, flip):
    class Record(ctypes.Structure):
        _fields_ = [("dest", ctypes.c_void_p), ("destFormat", I), ("r0", ctypes.c_uint32), ("r1", ctypes.c_uint32),
                    ("src", ctypes.c_void_p), ("srcFormat", I), ("r2", ctypes.c_uint32), ("r3", ctypes.c_uint32),
                    ("layout", ctypes.c_uint32), ("width", I), ("height", I), ("method", I),
                    ("red", ctypes.c_void_p), ("green", ctypes.c_void_p), ("blue", ctypes.c_void_p),
                    ("flip", ctypes.c_uint32)]
    wide = raw.dtype == np.uint16
    record = Record(dest.ctypes.data, (5 if wide else 0) if grey else 4, 0, 0, raw.ctypes.data, 5 if wide else 0, 0, 0,
                    {1: 1, 2: 2, 3: 3, 4: 0}[layout], raw.shape[1], raw.shape[0], 7,
                    *(t.ctypes.data for t in tables), flip)
    c.PmConvert.restype = I
    return c.PmConvert(I(0), ctypes.byref(record), I(0))


@needs("PmConvert")
@pytest.mark.parametrize("dtype", [np.uint8, np.uint16])
def test_record_conversion_equals_direct_calls(c, rng, dtype):
    top = 256 if dtype == np.uint8 else 4096
    raw = rng.integers(0, top, (10, 12)).astype(dtype)
    tables = tuple(rng.integers(0, np.iinfo(dtype).max, top).astype(dtype) for _ in range(3))
    for layout in (1, 2, 3, 4):
        for grey in (False, True):
            for flip in (0, 1):
                expected = np.zeros((10, 12) if grey else (10, 12, 3), dtype)
                assert direct_record(c, raw, expected, layout, grey, tables, flip) == 1
                got = pixmill.convert_record(raw, layout, grey=grey, tables=tables, flip=bool(flip))
                assert got.dtype == dtype and np.array_equal(got, expected), (dtype, layout, grey, flip)


@needs("PmConvert")
def test_record_colour_of_8_bit_frames_is_code_7(rng):
    raw = rng.integers(0, 256, (12, 16), np.uint8)
    for layout in (1, 2, 3, 4):
        assert np.array_equal(pixmill.convert_record(raw, layout), pixmill.convert(raw, 7, layout))


@needs("Raw10PackedToRaw16", "Raw12PackedToRaw16")
def test_unpacking_hand_worked_and_against_direct_calls(c, rng):
    # Hand-worked words: three 10-bit samples per word, top two bits ignored;
    # two 12-bit samples per three bytes.
    words = np.array([0x00300801, 0xC0300801], np.uint32)
    assert pixmill.unpack_raw10(words, 3, 2).tolist() == [[1, 2, 3], [1, 2, 3]]
    assert pixmill.unpack_raw12(np.array([0x21, 0x43, 0x65] * 2, np.uint8), 2, 2).tolist() == [[0x321, 0x654]] * 2
    for width, height in ((4, 4), (5, 3), (7, 5)):
        n = width * height
        for entry, wrapper, nbytes in (("Raw10PackedToRaw16", pixmill.unpack_raw10, 4 * -(-n // 3)),
                                       ("Raw12PackedToRaw16", pixmill.unpack_raw12, -(-3 * n // 2))):
            packed = rng.integers(0, 256, nbytes, np.uint8)
            expected = np.zeros((height, width), np.uint16)
            getattr(c, entry)(address(packed), address(expected), I(width), I(height))
            assert np.array_equal(wrapper(packed, width, height), expected), (entry, width, height)
