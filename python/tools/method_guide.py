#!/usr/bin/python3
"""Write docs/methods.md: what each demosaicing method reads, how it treats the
border, whether it shifts the picture, what the smoothing flag does to it, how
well it restores real photographs and how fast it runs, for each build in the
build tree, beside OpenCV's methods where OpenCV's Python bindings exist; and
detail crops of one photograph through each method.

Run from the checkout after building (cmake -B build && cmake --build build -j2):

    /usr/bin/python3 python/tools/method_guide.py

Everything but the speed column is reproduced byte for byte by a rerun on the
same library.  Each build is measured in a child process of its own, so that
the library's process-wide smoothing flag starts clear for every build.
"""
from __future__ import annotations

import argparse
import importlib.util
import json
import os
import platform
import subprocess
import sys
import time
from fractions import Fraction
from pathlib import Path
from typing import Dict, List, Optional, Sequence, Tuple

import numpy as np

CHECKOUT = Path(__file__).resolve().parent.parent.parent
sys.path.insert(0, str(CHECKOUT / "python"))

COMMAND = "/usr/bin/python3 python/tools/method_guide.py"
LAYOUT_NAMES = {1: "GBRG", 2: "GRBG", 3: "BGGR", 4: "RGGB"}
# Colour (index into a BGR pixel) of the samples at row 0 column 0, row 0
# column 1, row 1 column 0, row 1 column 1 of each layout.
MOSAIC = {1: (1, 0, 2, 1), 2: (1, 2, 0, 1), 3: (0, 1, 1, 2), 4: (2, 1, 1, 0)}
# OpenCV names a mosaic by its second row's second and third samples.
OPENCV_BAYER = {1: "GR", 2: "GB", 3: "RG", 4: "BG"}

PHOTOS = [
    ("astronaut.png", "Portrait of astronaut Eileen Collins", "NASA Great Images database",
     "public domain (no known copyright restrictions)"),
    ("chelsea.png", "Chelsea the cat", "photograph by Stefan van der Walt", "CC0"),
    ("coffee.png", "A cup of coffee", "photograph by Rachel Michetti, courtesy of Pikolo Espresso Bar", "CC0"),
]
# The detail crop: the mission patch of the astronaut's suit (fine lettering,
# a sharp edge between orange and violet, small stripes).
CROP_PHOTO, CROP_TOP, CROP_LEFT, CROP_SIZE, CROP_SCALE = "astronaut.png", 344, 128, 48, 6
MARGIN = 4  # pixels left out of every PSNR on each side
SPEED_SHAPE = (1080, 1920)
ROUNDS, ROUND_SECONDS = 5, 0.1
# Other processes may keep this much of a core busy before the speed
# columns are left out as untrustworthy.
QUIET_LOAD = 0.2



def method_name(build: str, entry: str, code: int) -> str:
    """The method's name: its line in the build's methods.txt up to a colon."""
    from pixmill._method_codes import METHOD_CODES
    rows = METHOD_CODES[build].get(entry, ())
    return rows[code][6].split(":")[0] if 0 <= code < len(rows) else "?"


def same_kernels(build: str) -> List[List[Tuple[str, int]]]:
    """Groups of codes of one build that run the same routine (and the same
    smoothing), whose timings must agree within TIMING_NOISE of each other
    for the page to be written."""
    from pixmill._method_codes import METHOD_CODES
    groups: Dict[Tuple[str, bool], List[Tuple[str, int]]] = {}
    for entry, rows in METHOD_CODES[build].items():
        for code, _name, routine, sets_flag, follows_flag, _turns, _what in rows:
            groups.setdefault((routine, follows_flag and sets_flag), []).append((entry, code))
    return [group for group in groups.values() if len(group) > 1]


def flag_setters(build: str, entry: str) -> Tuple[int, ...]:
    """Codes that set the smoothing flag as they run."""
    from pixmill._method_codes import METHOD_CODES
    return tuple(row[0] for row in METHOD_CODES[build].get(entry, ()) if row[3])


TIMING_NOISE = 0.15



class Run:
    """One conversion under measurement: ``run(raw, layout, fill)`` converts
    into a new buffer filled with ``fill`` (zeros when None) and returns the
    picture upright; ``timed(raw)`` converts layout 1 into a buffer it keeps."""

    def __call__(self, raw: np.ndarray, layout: int, fill: Optional[int] = None) -> np.ndarray:
        raise NotImplementedError

    def timed(self, raw: np.ndarray) -> None:
        raise NotImplementedError


def fail(message: str) -> None:
    print(f"method guide: {message}", file=sys.stderr)
    sys.exit(1)


# ---- Photographs -------------------------------------------------------------

def photo_directory() -> Path:
    spec = importlib.util.find_spec("skimage")
    if spec is None or spec.origin is None:
        fail("the photographs come from Debian's python3-skimage, which is not installed "
             "(apt-get install python3-skimage)")
    directory = Path(spec.origin).parent / "data"
    missing = [name for name, *_ in PHOTOS if not (directory / name).is_file()]
    if missing:
        fail(f"the sample photographs {', '.join(missing)} are missing from {directory} "
             "(reinstall Debian's python3-skimage)")
    return directory


def read_photo(directory: Path, name: str) -> np.ndarray:
    """The photograph as an even-sized BGR uint8 array."""
    try:
        from PIL import Image
    except ImportError:
        fail("reading the photographs needs Debian's python3-pil (apt-get install python3-pil)")
    rgb = np.asarray(Image.open(directory / name).convert("RGB"))
    height, width = rgb.shape[0] // 2 * 2, rgb.shape[1] // 2 * 2
    return np.ascontiguousarray(rgb[:height, :width, ::-1])


def mosaic(bgr: np.ndarray, layout: int) -> np.ndarray:
    """The Bayer frame a camera of this layout would have taken of ``bgr``."""
    colours = MOSAIC[layout]
    raw = np.empty(bgr.shape[:2], np.uint8)
    for index, (row, column) in enumerate(((0, 0), (0, 1), (1, 0), (1, 1))):
        raw[row::2, column::2] = bgr[row::2, column::2, colours[index]]
    return raw


def psnr(image: np.ndarray, reference: np.ndarray) -> float:
    inner = (slice(MARGIN, -MARGIN), slice(MARGIN, -MARGIN))
    error = image[inner].astype(np.float64) - reference[inner]
    mse = float(np.mean(error * error))
    return float("inf") if mse == 0 else 10.0 * np.log10(255.0 ** 2 / mse)


# ---- Measurements on any conversion ------------------------------------------

def half_steps(value: Fraction) -> str:
    whole, half = divmod(abs(value), 1)
    text = ("" if whole == 0 and half else str(int(whole))) + ("½" if half else "")
    return text


def reads_and_shift(run: Run) -> Tuple[str, str, Tuple[Fraction, Fraction]]:
    """Which raw samples around a pixel its value depends on, found by changing
    single samples of random frames (every site colour, every layout) and
    noting which output pixels change; and where the centre of that window
    lies, which is how far the picture moves."""
    rng = np.random.default_rng(7)
    offsets = set()
    for _ in range(3):
        raw = rng.integers(0, 256, (24, 24), np.uint8)
        for layout in (1, 2, 3, 4):
            base = run(raw, layout)
            for row, column in ((11, 11), (11, 12), (12, 11), (12, 12)):
                changed = raw.copy()
                changed[row, column] ^= 0x80
                moved = np.argwhere(np.any(run(changed, layout) != base, axis=2))
                offsets.update((row - int(y), column - int(x)) for y, x in moved)
    if not offsets:
        return "nothing", "—", (Fraction(0), Fraction(0))
    rows = [dy for dy, _ in offsets]
    columns = [dx for _, dx in offsets]
    top, bottom, left, right = min(rows), max(rows), min(columns), max(columns)
    reads = f"{bottom - top + 1} × {right - left + 1}"
    if (top, left) != (-(bottom), -(right)):
        reads += f" (rows {top:+d}…{bottom:+d}, columns {left:+d}…{right:+d})"
    down, across = Fraction(top + bottom, 2), Fraction(left + right, 2)
    if down == 0 and across == 0:
        return reads, "none", (down, across)
    parts = []
    if down:
        parts.append(f"{half_steps(down)} px {'up' if down > 0 else 'down'}")
    if across:
        parts.append(f"{half_steps(across)} px {'left' if across > 0 else 'right'}")
    return reads, "picture moves " + " and ".join(parts), (down, across)


def _sides(written: np.ndarray, image: np.ndarray) -> Tuple[List[int], List[int]]:
    """Per side (top, bottom, left, right): rows or columns left unwritten,
    and rows or columns that copy the first computed one inside them."""
    unwritten, copied = [], []
    views = [(written, image), (written[::-1], image[::-1]),
             (written.T, image.transpose(1, 0, 2)), (written.T[::-1], image.transpose(1, 0, 2)[::-1])]
    for mask, lines in views:
        blank = 0
        while blank < len(mask) and not mask[blank].any():
            blank += 1
        same = 0
        while blank + same + 1 < len(lines) and np.array_equal(lines[blank + same], lines[blank + same + 1]):
            same += 1
        unwritten.append(blank)
        copied.append(same)
    return unwritten, copied


def _per_side(counts: List[int]) -> str:
    if len(set(counts)) == 1:
        return f"{counts[0]} px"
    return ", ".join(f"{side} {count}" for side, count in zip(("top", "bottom", "left", "right"), counts)) + " px"


def border(run: Run) -> str:
    """How the pixels near the edge are made: copied outwards from the
    computed ones, or not written at all (found by converting into buffers
    filled with 0 and with 255)."""
    rng = np.random.default_rng(11)
    raw = rng.integers(0, 256, (32, 40), np.uint8)
    found: Dict[str, List[int]] = {}
    for layout in (1, 2, 3, 4):
        zero = run(raw, layout, 0)
        full = run(raw, layout, 255)
        unwritten, copied = _sides(np.all(zero == full, axis=2), zero)
        parts = []
        if any(copied):
            parts.append("replicated " + _per_side(copied))
        if any(unwritten):
            parts.append("not written " + _per_side(unwritten))
        if not parts and np.any(zero != full):
            parts.append(f"{int(np.any(zero != full, axis=2).sum())} pixels not written")
        found.setdefault("; ".join(parts) or "computed to the edge", []).append(layout)
    if len(found) == 1:
        return next(iter(found))
    return "; ".join(f"{text} (layout {', '.join(str(l) for l in layouts)})" for text, layouts in found.items())


def quality(run: Run, photos: Sequence[np.ndarray]) -> List[float]:
    """Colour PSNR per layout, the mean over the photographs."""
    return [float(np.mean([psnr(run(mosaic(photo, layout), layout), photo) for photo in photos]))
            for layout in (1, 2, 3, 4)]


def moved(photo: np.ndarray, down: Fraction, across: Fraction) -> np.ndarray:
    """The photograph as a method that moves the picture by (down, across)
    pixels would show it: sampled (down, across) further on, half steps
    taken as the mean of the two neighbouring pixels."""
    result = photo.astype(np.float64)
    for axis, step in ((0, down), (1, across)):
        low = int(np.floor(step))
        shifted = np.roll(result, -low, axis=axis)
        if step != low:
            shifted = (shifted + np.roll(result, -low - 1, axis=axis)) / 2
        result = shifted
    return result


def realigned_quality(run: Run, photos: Sequence[np.ndarray], shift: Tuple[Fraction, Fraction]) -> float:
    """Colour PSNR in layout 1 against the photograph moved as the method
    moves it: what is left is the method's own error."""
    return float(np.mean([psnr(run(mosaic(photo, 1), 1), moved(photo, *shift)) for photo in photos]))


_SPEED_FRAMES: List[np.ndarray] = []
_HUGE_PAGE = 2 << 20


def page_aligned(array: np.ndarray) -> np.ndarray:
    """A copy of ``array`` that starts on a 2 MiB boundary, so that the
    system backs it with the same kind of pages in every run (whether a
    buffer's first and last huge pages are whole depends on where it starts,
    and moved timings of the fastest methods by a fifth from run to run)."""
    block = np.zeros(array.nbytes + _HUGE_PAGE, np.uint8)
    offset = -block.ctypes.data % _HUGE_PAGE
    aligned = block[offset:offset + array.nbytes].view(array.dtype).reshape(array.shape)
    aligned[...] = array
    return aligned


def speed_frame(run: Run, photos: Sequence[np.ndarray]) -> np.ndarray:
    """The full-HD frame a method is timed on (tiles of the last photograph),
    standing upright for a method whose working planes are narrower than the
    frame (the oldest build's code 5)."""
    height, width = SPEED_SHAPE
    if not _SPEED_FRAMES:
        # Made once, so that every method reads the same pages (see timing_buffer).
        tiles = np.tile(mosaic(photos[-1], 1), (width // photos[-1].shape[0] + 1, width // photos[-1].shape[1] + 1))
        _SPEED_FRAMES.append(page_aligned(np.ascontiguousarray(tiles[:height, :width])))
        _SPEED_FRAMES.append(page_aligned(np.ascontiguousarray(tiles[:width, :height])))
    raw = _SPEED_FRAMES[0]
    try:
        run.timed(raw)
    except Exception as refusal:  # the package's NotConvertedError
        if type(refusal).__name__ != "NotConvertedError":
            raise
        raw = _SPEED_FRAMES[1]
        run.timed(raw)
    return raw


def interleaved_times(runs: Sequence[Tuple[Run, np.ndarray]], rounds: int = ROUNDS,
                      seconds: float = ROUND_SECONDS) -> List[float]:
    """Seconds of the fastest call of each (run, frame) over ``rounds``
    rounds in which every run is called for about ``seconds`` in turn.  The
    fastest single call is the one nothing else interrupted, and round by
    round the runs meet the same state of the machine, so their ratios hold
    where separate timings, or means over a round, drift with the load."""
    best = [float("inf")] * len(runs)
    for _ in range(rounds):
        for index, (run, raw) in enumerate(runs):
            start = time.perf_counter()
            while True:
                before = time.perf_counter()
                run.timed(raw)
                after = time.perf_counter()
                best[index] = min(best[index], after - before)
                if after - start > seconds:
                    break
    return best


def speed(run: Run, photos: Sequence[np.ndarray], reference: Optional[Run]) -> Dict:
    """Million pixels per second on a full-HD frame, and the ratio to the
    reference (OpenCV's bilinear conversion, timed round by round beside it)
    when there is one."""
    raw = speed_frame(run, photos)
    if reference is None:
        return {"speed": raw.size / interleaved_times([(run, raw)])[0] / 1e6}
    own, theirs = interleaved_times([(run, raw), (reference, speed_frame(reference, photos))])
    return {"speed": raw.size / own / 1e6, "ratio": theirs / own}


def other_load(seconds: float = 2.0) -> float:
    """Processor cores kept busy by other processes over ``seconds``, while
    this one sleeps (from /proc/stat; 0 where it cannot be read)."""
    def busy() -> Optional[int]:
        try:
            fields = Path("/proc/stat").read_text().splitlines()[0].split()[1:]
        except (OSError, IndexError):
            return None
        values = [int(v) for v in fields]
        return sum(values) - values[3] - (values[4] if len(values) > 4 else 0)  # less idle and iowait
    before, start = busy(), time.monotonic()
    time.sleep(seconds)
    after, elapsed = busy(), time.monotonic() - start
    if before is None or after is None:
        return 0.0
    return (after - before) / os.sysconf("SC_CLK_TCK") / elapsed


def crop(run: Run, photo: np.ndarray) -> List:
    image = run(mosaic(photo, 1), 1)
    return image[CROP_TOP:CROP_TOP + CROP_SIZE, CROP_LEFT:CROP_LEFT + CROP_SIZE].tolist()


def measure(run: Run, photos: Sequence[np.ndarray], crop_photo: Optional[np.ndarray],
            reference: Optional[Run]) -> Dict:
    reads, shift, steps = reads_and_shift(run)
    row = {"built": True, "reads": reads, "shift": shift, "border": border(run), "psnr": quality(run, photos),
           "realigned": realigned_quality(run, photos, steps)}
    row.update(speed(run, photos, reference))
    if crop_photo is not None:
        row["crop"] = crop(run, crop_photo)
    return row


# ---- One build, in a child process -------------------------------------------

_TIMING_BUFFERS: Dict[Tuple[int, ...], np.ndarray] = {}


def timing_buffer(shape: Tuple[int, ...]) -> np.ndarray:
    """The one image every timed conversion of this shape writes: methods
    timed into buffers of their own differ by how the system happened to
    back each buffer's pages (a fifth or more for the fastest methods), not
    by what they compute."""
    if shape not in _TIMING_BUFFERS:
        _TIMING_BUFFERS[shape] = page_aligned(np.ones(shape, np.uint8))  # every page present before timing
    return _TIMING_BUFFERS[shape]


class LibraryRun(Run):
    def __init__(self, pixmill, library, entry: str, code: int) -> None:
        self.ex = entry == "ConvertBayer2RgbEx"
        self.wrapper = pixmill.convert_ex if self.ex else pixmill.convert
        self.pixmill, self.library, self.code = pixmill, library, code

    def _shape(self, raw: np.ndarray) -> Tuple[int, int, int]:
        return self.pixmill.output_shape(self.library, self.code, raw.shape[0], raw.shape[1], self.ex)

    def __call__(self, raw: np.ndarray, layout: int, fill: Optional[int] = None) -> np.ndarray:
        shape = self._shape(raw)
        out = None if fill is None else np.full(shape, fill, np.uint8)
        image = self.wrapper(raw, self.code, layout, out=out, library=self.library)
        # Code 9 writes the picture a quarter turn clockwise; turn it back so
        # that it can be compared with the photograph.
        return np.rot90(image, 1) if self.pixmill.turns_picture(self.library, self.code, self.ex) else image

    def timed(self, raw: np.ndarray) -> None:
        self.wrapper(raw, self.code, 1, out=timing_buffer(self._shape(raw)), library=self.library)


class OpenCVRun(Run):
    def __init__(self, cv2, suffix: str) -> None:
        self.cv2, self.suffix = cv2, suffix

    def _code(self, layout: int) -> int:
        return getattr(self.cv2, f"COLOR_Bayer{OPENCV_BAYER[layout]}2BGR{self.suffix}")

    def __call__(self, raw: np.ndarray, layout: int, fill: Optional[int] = None) -> np.ndarray:
        out = np.full(raw.shape + (3,), 0 if fill is None else fill, np.uint8)
        return self.cv2.cvtColor(raw, self._code(layout), dst=out)

    def timed(self, raw: np.ndarray) -> None:
        self.cv2.cvtColor(raw, self._code(1), dst=timing_buffer(raw.shape + (3,)))


def measure_build(build: str, path: str, crop_codes: bool) -> Dict:
    import pixmill
    library = pixmill.load(build, path)
    directory = photo_directory()
    photos = [read_photo(directory, name) for name, *_ in PHOTOS]
    crop_photo = read_photo(directory, CROP_PHOTO) if crop_codes else None
    rng = np.random.default_rng(3)
    probe = rng.integers(0, 256, (16, 20), np.uint8)
    entries = [e for e in ("ConvertBayer2Rgb", "ConvertBayer2RgbEx") if library.has(e)]
    reference = opencv_bilinear()
    results: Dict[str, Dict[str, Dict]] = {}
    before: Dict[Tuple[str, int], List[np.ndarray]] = {}
    setters = {entry: flag_setters(build, entry) for entry in entries}

    def attempt(entry: str, code: int) -> Optional[Run]:
        run = LibraryRun(pixmill, library, entry, code)
        try:
            run(probe, 1)
        except pixmill.NotConvertedError:
            return None
        return run

    # First every code that leaves the smoothing flag alone, while it is clear.
    for entry in entries:
        results[entry] = {}
        for code in pixmill.method_codes(library, entry.endswith("Ex")):
            if code in setters[entry]:
                continue
            run = attempt(entry, code)
            if run is None:
                results[entry][str(code)] = {"built": False}
                continue
            results[entry][str(code)] = measure(run, photos, crop_photo, reference)
            before[(entry, code)] = [run(probe, layout) for layout in (1, 2, 3, 4)]
    # Then the codes that set it, and every code again, to see what the flag does.
    flag_results: Dict[Tuple[str, int], List[np.ndarray]] = {}
    for entry in entries:
        for code in setters[entry]:
            run = attempt(entry, code)
            if run is None:
                results[entry][str(code)] = {"built": False}
                continue
            results[entry][str(code)] = measure(run, photos, crop_photo, reference)
            results[entry][str(code)]["flag"] = "sets it"
            flag_results[(entry, code)] = [run(probe, layout) for layout in (1, 2, 3, 4)]
    has_flag = library.has("SetBadPixelThreshold")
    for (entry, code), outputs in before.items():
        row = results[entry][str(code)]
        if not has_flag:
            row["flag"] = "no flag in this build"
            continue
        if not flag_results:
            row["flag"] = "not measured (no code that sets it is built)"
            continue
        run = LibraryRun(pixmill, library, entry, code)
        after = [run(probe, layout) for layout in (1, 2, 3, 4)]
        if all(np.array_equal(a, b) for a, b in zip(after, outputs)):
            row["flag"] = "no effect"
            continue
        same_as = [f"code {c}" for (e, c), out in flag_results.items()
                   if all(np.array_equal(a, b) for a, b in zip(after, out))]
        row["flag"] = "once set: " + (f"the result of {same_as[0]}" if same_as else "a different result")
    return {"build": build, "path": path, "entries": results}


def opencv_bilinear() -> Optional[Run]:
    """OpenCV's bilinear conversion on one thread, the speed reference, or
    None without OpenCV's Python bindings."""
    try:
        import cv2
    except ImportError:
        return None
    cv2.setNumThreads(1)
    return OpenCVRun(cv2, "")


def measure_opencv(photos: Sequence[np.ndarray], crop_photo: np.ndarray) -> Optional[Dict]:
    reference = opencv_bilinear()
    if reference is None:
        return None
    cv2 = reference.cv2
    rows = {}
    for suffix, name in (("", "bilinear"), ("_EA", "edge-aware"), ("_VNG", "VNG")):
        rows[name] = measure(OpenCVRun(cv2, suffix), photos, crop_photo, reference)
        rows[name]["flag"] = "—"
    return {"version": cv2.__version__, "rows": rows}


# ---- The page ------------------------------------------------------------------

def machine() -> str:
    model = platform.processor() or "unknown processor"
    try:
        for line in Path("/proc/cpuinfo").read_text().splitlines():
            if line.startswith("model name"):
                model = line.split(":", 1)[1].strip()
                break
    except OSError:
        pass
    return f"{model}, {os.cpu_count()} cores, Linux {platform.machine()}"


def table_rows(rows: Sequence[Tuple[str, str, Dict]], timed: bool) -> List[str]:
    lines = ["| Code | Method | Reads | Border | Shift | Smoothing flag | "
             + " | ".join(f"PSNR {n}" for n in LAYOUT_NAMES.values()) + " | PSNR realigned | MPix/s | × OpenCV |",
             "|---|---|---|---|---|---|" + "---:|" * 7]
    for code, name, row in rows:
        if not row.get("built"):
            lines.append(f"| {code} | {name} | not built | | | | | | | | | | |")
            continue
        quality = " | ".join(f"{value:.2f}" for value in row["psnr"])
        pace = (f"{row['speed']:.0f} | " + (f"{row['ratio']:.2f}" if "ratio" in row else "—")) if timed else "— | —"
        lines.append(f"| {code} | {name} | {row['reads']} | {row['border']} | {row['shift']} | {row['flag']} | "
                     f"{quality} | {row['realigned']:.2f} | {pace} |")
    return lines


def kernel_disagreements(builds: Sequence[Dict]) -> List[str]:
    """The groups of codes that run one kernel whose ratios to OpenCV (or
    speeds, without it) differ by more than TIMING_NOISE."""
    found = []
    for measured in builds:
        entries = measured.get("entries", {})
        for group in same_kernels(measured["build"]):
            rows = [entries.get(entry, {}).get(str(code), {}) for entry, code in group]
            values = [row.get("ratio", row.get("speed")) for row in rows if row.get("built")]
            if len(values) > 1 and max(values) > (1 + TIMING_NOISE) * min(values):
                names = ", ".join(f"{entry} {code}" for entry, code in group)
                found.append(f"{measured['build']}: {names} run one kernel but timed "
                             + " / ".join(f"{v:.2f}" for v in values))
    return found


def write_png(path: Path, pixels: np.ndarray) -> None:
    from PIL import Image
    big = np.repeat(np.repeat(pixels, CROP_SCALE, axis=0), CROP_SCALE, axis=1)
    Image.fromarray(np.ascontiguousarray(big[..., ::-1])).save(path, optimize=False)


def write_guide(out_dir: Path, builds: List[Dict], opencv: Optional[Dict], photo_dir: Path,
                crop_photo: np.ndarray, load: float) -> None:
    timed = load <= QUIET_LOAD
    pictures = out_dir / "methods"
    pictures.mkdir(parents=True, exist_ok=True)
    for old in pictures.glob("*.png"):
        old.unlink()
    lines = [
        "# Choosing a demosaicing method",
        "",
        f"Generated by `{COMMAND}` (after `cmake -B build && cmake --build build -j2`); do not edit by hand.",
        "Rerunning it reproduces this page byte for byte except the MPix/s and × OpenCV columns.",
        "",
        "## What the columns mean",
        "",
        "- **Reads**: the raw samples an output pixel depends on, as rows × columns around it, found by changing",
        "  single samples of random frames (every site colour, every layout) and seeing which pixels change.",
        "- **Border**: how the pixels near the edge are made: *replicated* copies the nearest computed row or column",
        "  outwards; *not written* leaves what the destination buffer held (the Python package allocates zeros).",
        "- **Shift**: where the centre of the samples read lies. A method that reads a pixel and the samples to its",
        "  right and below puts the picture half a pixel up and to the left of where the camera saw it.",
        "- **Smoothing flag**: what the library's process-wide flag (set by `ConvertBayer2Rgb` codes "
        + " and ".join(str(code) for code in flag_setters("1.7.7.6", "ConvertBayer2Rgb")) + " and by",
        "  `PmConvert`, never cleared) changes. All other columns of a code that does not set it are measured",
        "  with the flag clear.",
        "- **PSNR**: colour PSNR in dB against the photograph, after mosaicing it in the layout of the column",
        f"  (1 GBRG, 2 GRBG, 3 BGGR, 4 RGGB), the mean over the three photographs below, {MARGIN} pixels at each",
        "  edge left out, identity tables. A shifted or turned picture is compared as it comes out (code 9's is",
        "  turned back first), so the shift costs PSNR as it costs sharpness.",
        "- **PSNR realigned**: the same in layout 1 against the photograph moved as the method moves the picture",
        "  (half steps as the mean of two neighbouring pixels): what remains is the method's own error.",
        f"- **MPix/s**: one thread converting a {SPEED_SHAPE[1]} × {SPEED_SHAPE[0]} frame (upright where a method refuses that",
        f"  width) through the Python package into a buffer it keeps, the fastest call of {ROUNDS} rounds, on this machine:",
        f"  **{machine()}**.",
        "- **× OpenCV**: that speed over OpenCV's bilinear `cvtColor` on one thread, timed in the same process",
        f"  round by round beside the method (each for {ROUND_SECONDS:g} s a round), fastest call of each: the column to",
        "  compare across machines. Codes that run one kernel are checked to agree within "
        f"{TIMING_NOISE:.0%}.",
        (None if timed else f"- **Not timed on this run**: other processes kept {load:.2f} cores busy (more than "
         f"{QUIET_LOAD}), so both speed columns show —."),
        "",
        "## Photographs",
        "",
        f"From Debian's `python3-skimage` (`{photo_dir}`):",
        "",
        "| File | Picture | Source | Licence |",
        "|---|---|---|---|",
    ]
    lines = [line for line in lines if line is not None]
    lines += [f"| `{name}` | {what} | {source} | {licence} |" for name, what, source, licence in PHOTOS]
    crops: List[Tuple[str, str]] = []
    for measured in builds:
        build = measured["build"]
        lines += ["", f"## Build {build}", ""]
        if "missing" in measured:
            lines.append(f"Not in this build tree ({measured['missing']}); rerun the script once it is built.")
            continue
        for entry, codes in measured["entries"].items():
            rows = [(code, method_name(build, entry, int(code)), codes[code]) for code in sorted(codes, key=int)]
            lines += [f"### `{entry}`", ""] + table_rows(rows, timed) + [""]
            for code, name, row in rows:
                if "crop" in row and not (entry.endswith("Ex") and int(code) != 3):
                    file = f"{build}-{entry}-{code}.png"
                    write_png(pictures / file, np.array(row["crop"], np.uint8))
                    crops.append((f"{entry} {code}: {name}", file))
    lines += ["", "## OpenCV reference", ""]
    if opencv is None:
        lines.append("OpenCV's Python bindings are not installed (Debian's `python3-opencv`); no reference rows.")
    else:
        lines += [f"OpenCV {opencv['version']} `cvtColor` Bayer conversions, measured the same way:", ""]
        rows = [("OpenCV", name, row) for name, row in opencv["rows"].items()]
        lines += table_rows(rows, timed)
        for name, row in opencv["rows"].items():
            file = f"opencv-{name.lower().replace(' ', '-')}.png"
            write_png(pictures / file, np.array(row["crop"], np.uint8))
            crops.append((f"OpenCV {name}", file))
    write_png(pictures / "photograph.png", crop_photo[CROP_TOP:CROP_TOP + CROP_SIZE, CROP_LEFT:CROP_LEFT + CROP_SIZE])
    crops.insert(0, ("the photograph itself", "photograph.png"))
    lines += ["", "## Detail crops", "",
              f"`{CROP_PHOTO}`, rows {CROP_TOP}–{CROP_TOP + CROP_SIZE - 1}, columns {CROP_LEFT}–"
              f"{CROP_LEFT + CROP_SIZE - 1} (the mission patch: fine lettering, an orange-to-violet edge), mosaiced "
              f"in layout 1 (GBRG), converted with identity tables and enlarged {CROP_SCALE} times without smoothing. "
              "Zipper patterns show along the edge, colour fringes around the lettering.", ""]
    for start in range(0, len(crops), 4):
        group = crops[start:start + 4]
        lines.append("| " + " | ".join(title for title, _ in group) + " |")
        lines.append("|" + "---|" * len(group))
        lines.append("| " + " | ".join(f"![{title}](methods/{file})" for title, file in group) + " |")
        lines.append("")
    (out_dir / "methods.md").write_text("\n".join(lines).rstrip() + "\n")


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build-dir", default=str(CHECKOUT / "build"), help="CMake build directory")
    parser.add_argument("--output", default=str(CHECKOUT / "docs"), help="where methods.md and methods/ go")
    parser.add_argument("--measure", nargs=2, metavar=("BUILD", "LIBRARY"), help=argparse.SUPPRESS)
    parser.add_argument("--crops", action="store_true", help=argparse.SUPPRESS)
    args = parser.parse_args()
    if args.measure:
        json.dump(measure_build(args.measure[0], args.measure[1], args.crops), sys.stdout)
        return
    import pixmill
    directory = photo_directory()
    photos = [read_photo(directory, name) for name, *_ in PHOTOS]
    crop_photo = read_photo(directory, CROP_PHOTO)
    load = other_load()
    print(f"other processes keep {load:.2f} cores busy", file=sys.stderr)
    builds = []
    first = True
    for build in pixmill.BUILDS:
        path = Path(args.build_dir) / build / "libpixmill.so"
        if not path.is_file():
            builds.append({"build": build, "missing": f"no {path.relative_to(CHECKOUT) if path.is_relative_to(CHECKOUT) else path}"})
            continue
        print(f"measuring build {build} ({path})", file=sys.stderr)
        command = [sys.executable, __file__, "--measure", build, str(path)] + (["--crops"] if first else [])
        done = subprocess.run(command, stdout=subprocess.PIPE, check=False)
        if done.returncode != 0:
            fail(f"measuring build {build} failed")
        builds.append(json.loads(done.stdout))
        first = False
    print("measuring OpenCV", file=sys.stderr)
    opencv = measure_opencv(photos, crop_photo)
    load = max(load, other_load())
    disagreements = kernel_disagreements(builds) if load <= QUIET_LOAD else []
    if disagreements:
        fail("timings too noisy to publish (rerun on a quieter machine):\n  " + "\n  ".join(disagreements))
    write_guide(Path(args.output), builds, opencv, directory, crop_photo, load)
    print(f"wrote {Path(args.output) / 'methods.md'}", file=sys.stderr)


if __name__ == "__main__":
    main()
