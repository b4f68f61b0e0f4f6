"""Adjustment wrappers against the library's own output on padded buffers."""
from __future__ import annotations

import ctypes

import numpy as np

import pixmill
from conftest import address, needs

I = ctypes.c_int32


def padded(rows: int, row_bytes: int) -> np.ndarray:
    return np.zeros((rows, (row_bytes + 3) // 4 * 4), np.uint8)


@needs("PmBrightness", "PmContrast")
def test_tone_curves(c, rng):
    data = rng.integers(0, 256, (7, 9, 3), np.uint8)
    for entry, wrapper, amounts in (("PmBrightness", pixmill.brightness, (-150, -1, 0, 77, 150)),
                                    ("PmContrast", pixmill.contrast, (-50, 0, 33, 100))):
        for amount in amounts:
            expected = np.empty_like(data)
            assert getattr(c, entry)(address(data), I(data.size), I(amount), address(expected)) == 0
            assert np.array_equal(wrapper(data, amount), expected), (entry, amount)
    in_place = data.copy()
    assert pixmill.brightness(in_place, 40, out=in_place) is in_place
    assert np.array_equal(in_place, pixmill.brightness(data, 40))


@needs("PmRotate90CW8B", "PmRotate90CCW8B")
def test_quarter_turns(c, rng):
    square = np.arange(16, dtype=np.uint8).reshape(4, 4)
    assert pixmill.rotate_cw(square).tolist() == [[12, 8, 4, 0], [13, 9, 5, 1], [14, 10, 6, 2], [15, 11, 7, 3]]
    assert pixmill.rotate_ccw(square).tolist() == [[3, 7, 11, 15], [2, 6, 10, 14], [1, 5, 9, 13], [0, 4, 8, 12]]
    for height, width in ((4, 8), (5, 7), (9, 6)):
        image = rng.integers(0, 256, (height, width), np.uint8)
        for entry, wrapper in (("PmRotate90CW8B", pixmill.rotate_cw), ("PmRotate90CCW8B", pixmill.rotate_ccw)):
            source, expected = padded(height, width), padded(width, height)
            source[:, :width] = image
            getattr(c, entry)(address(source), I(width), I(height), address(expected))
            assert np.array_equal(wrapper(image), expected[:, :height]), (entry, width, height)


@needs("PmSharpen24B")
def test_sharpen(c, rng):
    for height, width in ((3, 3), (6, 5), (8, 12)):
        image = rng.integers(0, 256, (height, width, 3), np.uint8)
        for amount in (0.02, 1.0, 5.0):
            source = padded(height, 3 * width)
            source[:, :3 * width] = image.reshape(height, -1)
            expected = source.copy()
            c.PmSharpen24B.argtypes = [ctypes.c_void_p, I, I, ctypes.c_float, ctypes.c_void_p]
            assert c.PmSharpen24B(address(source), width, height, amount, address(expected)) == 0
            got = pixmill.sharpen(image, amount)
            assert np.array_equal(got, expected[:, :3 * width].reshape(height, width, 3)), (width, height, amount)


@needs("ROIColorCorrection")
def test_region_colour_correction(c, rng):
    grey = np.full((2, 2, 3), 100, np.uint8)
    assert pixmill.color_correct_region(grey, 0, 0, 2, 2)[0, 0].tolist() == [107, 112, 116]
    image = rng.integers(0, 256, (9, 11, 3), np.uint8)
    for x, y, w, h in ((0, 0, 11, 9), (3, 2, 5, 4), (10, 8, 1, 1), (4, 4, 0, 3)):
        expected = image.copy()
        c.ROIColorCorrection(address(expected), I(x), I(y), I(w), I(h), I(11), I(0))
        got = pixmill.color_correct_region(image, x, y, w, h)
        assert np.array_equal(got, expected), (x, y, w, h)
    in_place = image.copy()
    assert pixmill.color_correct_region(in_place, 1, 1, 3, 3, out=in_place) is in_place
