#!/usr/bin/python3
"""Print the README's batch table: seconds to convert a batch of full-HD
frames by a plain loop and by ``pixmill.convert_batch`` on this machine,
for frames given as arrays (images returned) and as ``.npy`` files (images
written beside them), each with its multiple of the plain loop.

    PYTHONPATH=python /usr/bin/python3 python/tools/dask_table.py [--frames 100] [--code 8] [--runs 5] [--fresh]

Rows: the plain loop (images saved over the earlier ones with ``np.save``);
the same loop writing its images as a batch does; ``cluster=None`` (this process, one thread per core);
a local cluster of one single-threaded worker process per core; a local
cluster of one process with one worker thread per core; and, as the ceiling
for worker processes on this machine at the time, a process pool without
Dask, each process converting its share of the frames and writing as a
batch does.  Clusters and pool
are started before the timing (a cluster's start-up is printed apart: it is
paid once per cluster, not per batch).  Each figure is the best of ``--runs`` runs;
the load average before and after is printed, since other work on the
machine slows every row.
"""
from __future__ import annotations

import argparse
import os
import platform
import sys
import tempfile
import time
from contextlib import ExitStack
from concurrent.futures import ProcessPoolExecutor
from pathlib import Path
from typing import Any, Callable, Dict, List, Tuple

import numpy as np

sys.path.insert(0, str(Path(__file__).resolve().parent.parent))
import pixmill  # noqa: E402


def convert_arrays(frames: List[np.ndarray], code: int) -> List[np.ndarray]:
    return [pixmill.convert(frame, code) for frame in frames]


def convert_files(paths: List[str], code: int) -> None:
    """The loop as a user writes it: each image saved over the last one."""
    for path in paths:
        image = pixmill.convert(pixmill.read_frame(path), code)
        np.save(path[:-len(".npy")] + pixmill.batch.OUTPUT_SUFFIX, image)


def convert_files_as_batch(paths: List[str], code: int) -> None:
    """The loop writing each image as a batch does (the earlier one removed
    first), to show how much of a batch's gain is the writing alone."""
    for path in paths:
        pixmill.batch._write_beside(path, pixmill.convert(pixmill.read_frame(path), code))


def processor() -> str:
    for line in Path("/proc/cpuinfo").read_text().splitlines():
        if line.startswith("model name"):
            return line.split(":", 1)[1].strip()
    return platform.processor() or "unknown processor"


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--frames", type=int, default=100)
    parser.add_argument("--code", type=int, default=8)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--dir", default=None, help="where the .npy frames are written (default: a temporary folder)")
    parser.add_argument("--fresh", action="store_true",
                        help="remove the images written beside before each run, as on a folder's first conversion "
                             "(by default each run writes over the images of the one before)")
    arguments = parser.parse_args()
    from distributed import Client, LocalCluster

    cores = os.cpu_count() or 1
    code = arguments.code
    rng = np.random.default_rng(1)
    arrays = [rng.integers(0, 256, (1080, 1920), np.uint8) for _ in range(arguments.frames)]
    with tempfile.TemporaryDirectory(dir=arguments.dir) as folder:
        paths = []
        for index, frame in enumerate(arrays):
            path = Path(folder) / f"frame{index:04d}.npy"
            np.save(path, frame)
            paths.append(str(path))

        def loop_arrays() -> List[np.ndarray]:  # the images kept, as a batch returns them
            return convert_arrays(arrays, code)

        def loop_files() -> None:
            convert_files(paths, code)

        def batch(cluster: Any) -> Dict[str, Callable[[], object]]:
            return {"arrays": lambda: pixmill.convert_batch(arrays, method=code, cluster=cluster),
                    "files": lambda: pixmill.convert_batch(paths, method=code, cluster=cluster, write_beside=True)}

        load_before = os.getloadavg()
        pixmill.default_library()
        cluster_kinds = ((f"LocalCluster, {cores} worker processes x 1 thread",
                          dict(n_workers=cores, threads_per_worker=1, processes=True)),
                         (f"LocalCluster, 1 process x {cores} worker threads",
                          dict(n_workers=1, threads_per_worker=cores, processes=False)))
        with ExitStack() as stack:
            ways: List[Tuple[str, str, Dict[str, Callable[[], object]]]] = [
                    ("plain loop", "", {"arrays": loop_arrays, "files": loop_files}),
                    ("plain loop, writing as convert_batch does", "",
                     {"files": lambda: convert_files_as_batch(paths, code)}),
                    ("convert_batch, cluster=None (this process, threads)", "", batch(None))]
            for label, kwargs in cluster_kinds:
                start = time.perf_counter()
                cluster = stack.enter_context(LocalCluster(dashboard_address=None, **kwargs))
                client = stack.enter_context(Client(cluster))
                client.wait_for_workers(kwargs["n_workers"])
                ways.append((label, f"{time.perf_counter() - start:.1f} s", batch(client)))
            pool = stack.enter_context(ProcessPoolExecutor(cores))
            shares = [slice(i, None, cores) for i in range(cores)]
            ways.append((f"process pool, {cores} processes, no Dask (the ceiling)", "", {
                "arrays": lambda: [image for images in pool.map(convert_arrays, [arrays[s] for s in shares],
                                                                [code] * cores) for image in images],
                "files": lambda: list(pool.map(convert_files_as_batch, [paths[s] for s in shares],
                                               [code] * cores))}))
            for _, _, runs in ways:  # workers load the library, pages of the outputs exist
                for run in runs.values():
                    run()
            # Every way in turn in each round, each after the written images
            # of the one before are on the disk, so that none pays another's
            # write-back; each figure the best of its rounds.
            times: Dict[str, Dict[str, float]] = {label: {} for label, _, _ in ways}
            for _ in range(arguments.runs):
                for label, _, runs in ways:
                    for kind, run in runs.items():
                        if arguments.fresh:
                            for frame_path in paths:
                                Path(frame_path[:-len(".npy")] + pixmill.batch.OUTPUT_SUFFIX).unlink(missing_ok=True)
                        os.sync()
                        start = time.perf_counter()
                        run()
                        elapsed = time.perf_counter() - start
                        times[label][kind] = min(times[label].get(kind, elapsed), elapsed)
            rows = [(label, started, times[label]) for label, started, _ in ways]
        load_after = os.getloadavg()

    loop = rows[0][2]
    print(f"{arguments.frames} frames of 1920 x 1080, code {code}; {processor()}, {cores} cores; "
          f"best of {arguments.runs}{'; images removed before each run' if arguments.fresh else ''}; load average {load_before[0]:.1f} before, {load_after[0]:.1f} after")
    print()
    print("| Way | Cluster start | Arrays in, images back | .npy files in, written beside |")
    print("|---|---:|---:|---:|")
    for label, started, best in rows:
        cells = [f"{best[kind]:.2f} s ({loop[kind] / best[kind]:.2f}x)" if kind in best else "—"
                 for kind in ("arrays", "files")]
        print(f"| {label} | {started or '—'} | {cells[0]} | {cells[1]} |")


if __name__ == "__main__":
    main()
