"""Every wrapper refuses malformed arrays of each kind (dtype, shape, memory
layout, size) before anything reaches the library: the calls here go to a
stand-in library that fails the test if it is ever asked for a function."""
from __future__ import annotations

import numpy as np
import pytest

import pixmill

FRAME = np.zeros((8, 8), np.uint8)
IMAGE = np.zeros((8, 8, 3), np.uint8)
ACCUMULATOR = np.zeros((8, 8), np.int32)

# name -> (call with the array under test and a library, a well-formed array)
WRAPPERS = {
    "convert": (lambda a, lib: pixmill.convert(a, 2, 1, library=lib), FRAME),
    "convert_ex": (lambda a, lib: pixmill.convert_ex(a, 2, 1, library=lib), FRAME),
    "convert out": (lambda a, lib: pixmill.convert(FRAME, 2, 1, out=a, library=lib), IMAGE),
    "convert table": (lambda a, lib: pixmill.convert(FRAME, 2, 1, tables=(a, None, None), library=lib),
                      np.zeros(256, np.uint8)),
    "convert_record": (lambda a, lib: pixmill.convert_record(a, 1, library=lib), FRAME),
    "unpack_raw10": (lambda a, lib: pixmill.unpack_raw10(a, 4, 3, library=lib), np.zeros(16, np.uint8)),
    "unpack_raw12": (lambda a, lib: pixmill.unpack_raw12(a, 4, 3, library=lib), np.zeros(18, np.uint8)),
    "white_balance_ratio": (lambda a, lib: pixmill.white_balance_ratio(a, library=lib), IMAGE),
    "gamma_table out": (lambda a, lib: pixmill.gamma_table(0.45, out=a, library=lib), np.zeros(256, np.uint8)),
    "detect_dead_pixels": (lambda a, lib: pixmill.detect_dead_pixels(a, library=lib), FRAME),
    "erase_dead_pixels": (lambda a, lib: pixmill.erase_dead_pixels(a, FRAME, library=lib), FRAME),
    "erase_dead_pixels map": (lambda a, lib: pixmill.erase_dead_pixels(FRAME, a, library=lib), FRAME),
    "accumulate_pattern_noise": (lambda a, lib: pixmill.accumulate_pattern_noise(a, library=lib), FRAME),
    "average_pattern_noise": (lambda a, lib: pixmill.average_pattern_noise(a, 2, library=lib), ACCUMULATOR),
    "fix_pattern_noise": (lambda a, lib: pixmill.fix_pattern_noise(a, ACCUMULATOR, library=lib), FRAME),
    "fix_pattern_noise accumulator": (lambda a, lib: pixmill.fix_pattern_noise(FRAME, a, library=lib), ACCUMULATOR),
    "brightness": (lambda a, lib: pixmill.brightness(a, 10, library=lib), IMAGE),
    "contrast": (lambda a, lib: pixmill.contrast(a, 10, library=lib), IMAGE),
    "rotate_cw": (lambda a, lib: pixmill.rotate_cw(a, library=lib), FRAME),
    "rotate_ccw": (lambda a, lib: pixmill.rotate_ccw(a, library=lib), FRAME),
    "sharpen": (lambda a, lib: pixmill.sharpen(a, 1.0, library=lib), IMAGE),
    "color_correct_region": (lambda a, lib: pixmill.color_correct_region(a, 0, 0, 2, 2, library=lib), IMAGE),
}


def malformed(good: np.ndarray):
    """(kind, array, exception) for each kind of malformed array."""
    other = np.float32 if good.dtype != np.float32 else np.uint8
    yield "dtype", good.astype(other), TypeError
    yield "not an array", good.tolist(), TypeError
    yield "shape", good[..., None] if good.ndim < 3 else good[..., :2, None], ValueError
    yield "contiguity", np.repeat(good, 2, axis=-1)[..., ::2], ValueError
    # More than 2^31 samples: a broadcast view costs no memory.
    rows = 2**31 // (good.size // good.shape[0]) + 2
    yield "size", np.broadcast_to(good[:1], (rows,) + good.shape[1:]), ValueError


CASES = [(name, kind, bad, error) for name, (_, good) in WRAPPERS.items() for kind, bad, error in malformed(good)]


@pytest.mark.parametrize("name, kind, bad, error", CASES, ids=[f"{n}-{k}" for n, k, _, _ in CASES])
def test_malformed_arrays_are_refused_before_any_call(no_calls, name, kind, bad, error):
    call, good = WRAPPERS[name]
    if name == "brightness" or name == "contrast":
        if kind == "shape":
            pytest.skip("the tone curves take bytes of any shape")
    with pytest.raises(error) as raised:
        call(bad, no_calls)
    assert str(raised.value), "the message says what is wrong"
    if kind == "size":
        assert "2^31" in str(raised.value)


# Refusals of values other than arrays, and of sizes the library would refuse
# or mishandle; each row: call, exception, a word the message must contain.
ODD = np.zeros((6, 7), np.uint8)
SHARED = np.zeros(8 * 8 * 3, np.uint8)
VALUES = [
    (lambda lib: pixmill.convert(ODD, 2, 1, library=lib), ValueError, "even"),
    (lambda lib: pixmill.convert(np.zeros((2, 2), np.uint8), 2, 1, library=lib), ValueError, "at least"),
    (lambda lib: pixmill.convert(FRAME, 10, 1, library=lib), ValueError, "method"),
    (lambda lib: pixmill.convert_ex(FRAME, 7, 1, library=lib), ValueError, "method"),
    (lambda lib: pixmill.convert(FRAME, 2, 0, library=lib), ValueError, "layout"),
    (lambda lib: pixmill.convert(FRAME, 2.0, 1, library=lib), TypeError, "method"),
    (lambda lib: pixmill.convert(FRAME, 2, 1, tables=(None, None), library=lib), TypeError, "three"),
    (lambda lib: pixmill.convert(FRAME, 2, 1, tables=(np.zeros(255, np.uint8), None, None), library=lib),
     ValueError, "256"),
    (lambda lib: pixmill.convert(FRAME, 2, 1, out=np.zeros((8, 8, 4), np.uint8), library=lib), ValueError, "shape"),
    (lambda lib: pixmill.convert(SHARED[:64].reshape(8, 8), 2, 1, out=SHARED.reshape(8, 8, 3), library=lib),
     ValueError, "share"),
    (lambda lib: pixmill.convert_record(np.zeros((8, 8), np.uint16) + 300, 1,
                                        tables=(np.zeros(256, np.uint16), None, None), library=lib),
     ValueError, "entries"),
    (lambda lib: pixmill.unpack_raw10(np.zeros(15, np.uint8), 4, 3, library=lib), ValueError, "bytes"),
    (lambda lib: pixmill.unpack_raw12(np.zeros(17, np.uint8), 4, 3, library=lib), ValueError, "bytes"),
    (lambda lib: pixmill.unpack_raw10(np.zeros(16, np.uint8), 65536, 32768, library=lib), ValueError, r"2\^31"),
    (lambda lib: pixmill.white_balance_ratio(np.zeros((8, 8, 4), np.uint8), library=lib), ValueError, "channels"),
    (lambda lib: pixmill.white_balance_ratio(np.zeros((3, 8, 3), np.uint8), library=lib), ValueError, "at least"),
    (lambda lib: pixmill.gamma_table("0.45", library=lib), TypeError, "number"),
    (lambda lib: pixmill.erase_dead_pixels(FRAME[:4, :4].copy(), FRAME, 6, 0, library=lib), ValueError, "inside"),
    (lambda lib: pixmill.fix_pattern_noise(FRAME, ACCUMULATOR, -1, 0, library=lib), ValueError, "x_offset"),
    (lambda lib: pixmill.average_pattern_noise(ACCUMULATOR, 0, library=lib), ValueError, "frame_count"),
    (lambda lib: pixmill.brightness(FRAME, 151, library=lib), ValueError, "amount"),
    (lambda lib: pixmill.contrast(FRAME, -51, library=lib), ValueError, "amount"),
    (lambda lib: pixmill.sharpen(IMAGE, 0.0, library=lib), ValueError, "amount"),
    (lambda lib: pixmill.sharpen(np.zeros((2, 8, 3), np.uint8), 1.0, library=lib), ValueError, "at least"),
    (lambda lib: pixmill.color_correct_region(IMAGE, 4, 4, 5, 1, library=lib), ValueError, "inside"),
    (lambda lib: pixmill.brightness(np.zeros(4, np.uint8), 1, out=np.zeros(4, np.uint8)[::-1], library=lib),
     ValueError, "contiguous"),
]


@pytest.mark.parametrize("row", range(len(VALUES)))
def test_bad_values_are_refused_before_any_call(no_calls, row):
    call, error, word = VALUES[row]
    with pytest.raises(error, match=word):
        call(no_calls)


def test_read_only_out_is_refused(no_calls):
    out = np.zeros((8, 8, 3), np.uint8)
    out.flags.writeable = False
    with pytest.raises(ValueError, match="writeable"):
        pixmill.convert(FRAME, 2, 1, out=out, library=no_calls)
