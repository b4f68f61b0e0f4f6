"""Calibration wrappers against the library's own output, with hand-worked rows."""
from __future__ import annotations

import ctypes

import numpy as np
import pytest

import pixmill
from conftest import address, needs

I = ctypes.c_int32


def direct_ratios(c, image):
    ratios = [ctypes.c_double(-1.0) for _ in range(3)]
    c.GetWhiteBalanceRatio.restype = I
    result = c.GetWhiteBalanceRatio(address(image), I(image.shape[1]), I(image.shape[0]),
                                    *(ctypes.byref(r) for r in ratios))
    return result, tuple(r.value for r in ratios)


def test_white_balance(c, rng):
    flat = np.empty((6, 6, 3), np.uint8)
    flat[...] = (50, 100, 200)  # blue, green, red
    assert pixmill.white_balance_ratio(flat) == (0.5, 1.0, 2.0)
    for shape in ((8, 8, 3), (17, 12, 3), (40, 64, 3)):
        image = rng.integers(0, 256, shape, np.uint8)
        result, expected = direct_ratios(c, image)
        assert result == 1 and pixmill.white_balance_ratio(image) == expected, shape


@needs("PmConvert")
def test_white_balance_of_16_bit_images_matches_8_bit_scaled(rng):
    image = rng.integers(0, 256, (12, 10, 3), np.uint8)
    assert pixmill.white_balance_ratio(image.astype(np.uint16) * 256) == pytest.approx(pixmill.white_balance_ratio(image))


def test_gamma_table(c):
    # Hand-worked: gamma 0.45 gives 0, 21, 28, 34, 39, 43, 47, 50 for 0 to 7.
    assert pixmill.gamma_table(0.45)[:8].tolist() == [0, 21, 28, 34, 39, 43, 47, 50]
    for gamma in (0.05, 0.45, 1.0, 2.2, 25.0):
        expected = np.zeros(256, np.uint8)
        c.SetGammaLut(address(expected), ctypes.c_double(gamma))
        out = np.empty(256, np.uint8)
        assert pixmill.gamma_table(gamma, out=out) is out and np.array_equal(out, expected), gamma


def test_dead_pixels_detect_and_erase(c, rng):
    frame = rng.integers(90, 111, (12, 16), np.uint8)
    frame[5, 7], frame[8, 4] = 250, 3
    expected = np.zeros_like(frame)
    c.DetectDeadPixel(address(frame), address(expected), I(16), I(12))
    dead = pixmill.detect_dead_pixels(frame)
    assert np.array_equal(dead, expected) and dead[5, 7] == 1 and dead[8, 4] == 1
    # A region cut from the middle of the frame, and the whole frame in place.
    for x, y, w, h in ((0, 0, 16, 12), (3, 2, 10, 8)):
        region = np.ascontiguousarray(frame[y:y + h, x:x + w])
        expected = region.copy()
        c.EraseDeadPixel(address(expected), address(dead), I(x), I(y), I(w), I(h), I(16), I(12))
        got = pixmill.erase_dead_pixels(region, dead, x, y)
        assert np.array_equal(got, expected) and got is not region, (x, y)
    in_place = frame.copy()
    assert pixmill.erase_dead_pixels(in_place, dead, out=in_place) is in_place
    assert in_place[5, 7] != 250


@needs("SetBadPixelThreshold")
def test_threshold_changes_detection():
    frame = np.full((6, 6), 100, np.uint8)
    frame[2, 2] = 120
    try:
        assert pixmill.set_bad_pixel_threshold(25) == 25
        assert pixmill.detect_dead_pixels(frame).sum() == 0
        pixmill.set_bad_pixel_threshold(5)
        assert pixmill.detect_dead_pixels(frame)[2, 2] == 1
    finally:
        pixmill.set_bad_pixel_threshold(10)


def test_pattern_noise(c, rng):
    frames = rng.integers(0, 256, (3, 10, 14), np.uint8)
    expected = np.zeros((10, 14), np.int32)
    accumulator = None
    for frame in frames:
        c.GetPatternNoise(address(frame), address(expected), I(14), I(10))
        accumulator = pixmill.accumulate_pattern_noise(frame, out=accumulator)
    assert np.array_equal(accumulator, expected)
    c.AvgPatternNoise(address(expected), I(14), I(10), I(3))
    averaged = pixmill.average_pattern_noise(accumulator, 3)
    assert np.array_equal(averaged, expected) and not np.array_equal(accumulator, averaged)
    live = rng.integers(0, 256, (10, 14), np.uint8)
    for x, y, w, h in ((0, 0, 14, 10), (4, 3, 6, 5)):
        region = np.ascontiguousarray(live[y:y + h, x:x + w])
        corrected = region.copy()
        c.FixPatternNoise(address(corrected), address(averaged), I(x), I(y), I(w), I(h), I(14), I(10))
        assert np.array_equal(pixmill.fix_pattern_noise(region, averaged, x, y), corrected), (x, y)
