"""The method guide's timing: codes that run one kernel time alike when
timed round by round, a disagreement is caught, and other processes' load is
seen."""
from __future__ import annotations

import importlib.util
import subprocess
import sys
from pathlib import Path

import numpy as np
import pixmill

_TOOL = Path(__file__).resolve().parent.parent / "tools" / "method_guide.py"
_spec = importlib.util.spec_from_file_location("method_guide", _TOOL)
guide = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(guide)


def test_codes_of_one_kernel_time_alike(lib):
    raw = np.random.default_rng(5).integers(0, 256, guide.SPEED_SHAPE, np.uint8)
    for group in ([("ConvertBayer2Rgb", 2), ("ConvertBayer2RgbEx", 2)],
                  [("ConvertBayer2Rgb", 1), ("ConvertBayer2RgbEx", 5)]):
        runs = [(guide.LibraryRun(pixmill, lib, entry, code), raw) for entry, code in group]
        times = guide.interleaved_times(runs, rounds=9, seconds=0.03)
        assert max(times) <= (1 + guide.TIMING_NOISE) * min(times), (group, times)


def test_disagreeing_timings_are_caught():
    def build(first: float, second: float):
        return {"build": "1.7.7.6", "entries": {
            "ConvertBayer2Rgb": {"2": {"built": True, "speed": 9000.0, "ratio": first}},
            "ConvertBayer2RgbEx": {"2": {"built": True, "speed": 9000.0, "ratio": second}}}}
    assert guide.kernel_disagreements([build(4.0, 4.3)]) == []
    found = guide.kernel_disagreements([build(4.0, 0.4)])
    assert len(found) == 1 and "ConvertBayer2Rgb 2, ConvertBayer2RgbEx 2" in found[0]


def test_other_processes_load_is_seen():
    spinner = subprocess.Popen([sys.executable, "-c", "while True: pass"])
    try:
        assert guide.other_load(1.0) > 0.5
    finally:
        spinner.kill()
        spinner.wait()
