"""Batch conversion of many frames on a Dask cluster (``dask.distributed``).

Each frame is independent, so a collection is cut into tasks of one frame (or
a small group) and spread over the cluster's workers.  Every worker loads the
library once, through a worker plugin, and keeps it for all its tasks.  A
frame that fails is reported by name; the others go on.

The same call runs on a local cluster or a remote one::

    result = pixmill.convert_batch(paths, cluster=LocalCluster(n_workers=2))
    result = pixmill.convert_batch(paths, cluster="tcp://scheduler:8786")

Frames given as file paths (``.npy`` arrays or binary 8-bit ``.pgm``) are read
on the workers, so a remote cluster needs the files on a shared file system;
with ``write_beside=True`` each output is written next to its input as
``<name>.bgr.npy``.  Frames given as arrays are sent to the workers and the
images come back as arrays.
"""
from __future__ import annotations

import os
import uuid
from dataclasses import dataclass, field
from pathlib import Path
from typing import Any, Dict, Iterable, List, Mapping, Optional, Sequence, Tuple, Union, cast

import numpy as np

from ._library import load, set_default_library
from .conversion import Tables, convert, convert_ex

Frame = Union[np.ndarray, str, os.PathLike]
OUTPUT_SUFFIX = ".bgr.npy"


@dataclass
class BatchResult:
    """What a batch produced.

    Attributes:
        outputs: frame name -> BGR image (or the path written, with
            ``write_beside``), in the order the frames were given.
        failures: frame name -> what went wrong, for every frame not converted.
    """

    outputs: Dict[str, Union[np.ndarray, str]] = field(default_factory=dict)
    failures: Dict[str, str] = field(default_factory=dict)

    def raise_for_failures(self) -> None:
        """Raise RuntimeError naming every failed frame, if any failed."""
        if self.failures:
            lines = "\n".join(f"  {name}: {why}" for name, why in self.failures.items())
            raise RuntimeError(f"{len(self.failures)} frame(s) failed:\n{lines}")


def read_frame(path: Union[str, os.PathLike]) -> np.ndarray:
    """Read a raw frame from a ``.npy`` file or a binary 8-bit PGM (P5) file."""
    path = Path(path)
    if path.suffix == ".npy":
        return np.load(path, allow_pickle=False)
    data = path.read_bytes()
    fields: List[bytes] = []
    position = 0
    while len(fields) < 4:
        while position < len(data) and data[position:position + 1].isspace():
            position += 1
        if data[position:position + 1] == b"#":
            position = data.index(b"\n", position) + 1
            continue
        end = position
        while end < len(data) and not data[end:end + 1].isspace():
            end += 1
        fields.append(data[position:end])
        position = end
    if fields[0] != b"P5" or not 0 < int(fields[3]) < 256:
        raise ValueError(f"{path}: not a binary 8-bit PGM file")
    width, height = int(fields[1]), int(fields[2])
    pixels = np.frombuffer(data, np.uint8, width * height, position + 1)
    return pixels.reshape(height, width).copy()


class _LibraryLoader:
    """Worker plugin: loads the library when a worker joins, once per worker.

    Each (build, library file) pair registers under a name of its own, so a
    batch that asks for another build or file does not replace (or reuse) the
    loader of an earlier one; the tasks themselves load what their own batch
    names."""

    def __init__(self, build: Optional[str], path: Optional[str]) -> None:
        self.build = build
        self.path = path
        self.name = f"pixmill-library-{build or 'default'}-{path or 'searched'}"

    def setup(self, worker: Any = None) -> None:
        set_default_library(load(self.build, self.path))

    def teardown(self, worker: Any = None) -> None:
        pass

    def transition(self, key: str, start: str, finish: str, **kwargs: Any) -> None:
        pass

    def release_key(self, *args: Any, **kwargs: Any) -> None:
        pass


def _convert_group(group: Sequence[Tuple[str, Frame]], options: Dict[str, Any]) -> List[Tuple[str, bool, Any]]:
    """Runs on a worker: convert each frame of the group, catching each
    frame's failure so that the others still run."""
    library = load(options["build"], options["library_path"])
    entry = convert_ex if options["ex"] else convert
    results: List[Tuple[str, bool, Any]] = []
    for name, frame in group:
        try:
            raw = frame if isinstance(frame, np.ndarray) else read_frame(frame)
            image = entry(raw, options["method"], options["layout"], tables=options["tables"],
                          flip=options["flip"], library=library)
            if options["write_beside"]:
                target = _output_path(frame)
                np.save(target, image, allow_pickle=False)
                results.append((name, True, str(target)))
            else:
                results.append((name, True, image))
        except Exception as error:  # reported by name, the batch goes on
            results.append((name, False, f"{type(error).__name__}: {error}"))
    return results


def _output_path(frame: Frame) -> Path:
    path = Path(cast("Union[str, os.PathLike[str]]", frame))  # called for frames given as files only
    return path.with_name(path.stem + OUTPUT_SUFFIX)


def _named(frames: Union[Mapping[str, Frame], Iterable[Frame]]) -> List[Tuple[str, Frame]]:
    if isinstance(frames, Mapping):
        return [(str(name), frame) for name, frame in frames.items()]
    named: List[Tuple[str, Frame]] = []
    for index, frame in enumerate(frames):
        named.append((f"frame-{index:05d}" if isinstance(frame, np.ndarray) else os.fspath(frame), frame))
    return named


def submit_batch(client: Any, frames: Union[Mapping[str, Frame], Iterable[Frame]], *, method: int = 2,
                 layout: int = 1, tables: Tables = None, flip: bool = False, ex: bool = False,
                 group_size: int = 1, write_beside: bool = False, build: Optional[str] = None,
                 library_path: Optional[str] = None) -> Dict[Any, List[str]]:
    """Submit the conversions to ``client`` and return its futures, each with
    the names of the frames it converts.  Use Dask's own tools on them
    (``distributed.progress``, ``as_completed``); :func:`convert_batch` is the
    blocking form.  Arguments as :func:`convert_batch`."""
    if isinstance(group_size, bool) or not isinstance(group_size, int) or group_size < 1:
        raise ValueError(f"group_size must be a positive integer, not {group_size!r}")
    named = _named(frames)
    if write_beside and any(isinstance(frame, np.ndarray) for _, frame in named):
        raise ValueError("write_beside needs every frame given as a file path")
    loader = _LibraryLoader(build, library_path)
    client.register_worker_plugin(loader, name=loader.name)
    options = dict(method=method, layout=layout, tables=tables, flip=flip, ex=ex, write_beside=write_beside,
                   build=build, library_path=library_path)
    # Dask treats tasks of one key as one result: a key built only from frame
    # names would hand a later batch (another method, table or build) the
    # images of an earlier one still held.  One token per submission keeps
    # every batch's keys its own.
    submission = uuid.uuid4().hex
    futures: Dict[Any, List[str]] = {}
    for start in range(0, len(named), group_size):
        group = named[start:start + group_size]
        future = client.submit(_convert_group, group, options, pure=False,
                               key=f"pixmill-convert-{group[0][0]}-{start}-{submission}")
        futures[future] = [name for name, _ in group]
    return futures


def convert_batch(frames: Union[Mapping[str, Frame], Iterable[Frame]], *, method: int = 2, layout: int = 1,
                  tables: Tables = None, flip: bool = False, ex: bool = False, cluster: Any = None,
                  group_size: int = 1, write_beside: bool = False, progress: bool = False,
                  build: Optional[str] = None, library_path: Optional[str] = None) -> BatchResult:
    """Convert a collection of frames on a Dask cluster.

    Args:
        frames: a mapping name -> frame, or a sequence of frames; a frame is
            a uint8 array or the path of a ``.npy`` or binary ``.pgm`` file
            (named by its path; arrays in a sequence are named frame-00000...).
        method, layout, tables, flip: as :func:`pixmill.convert`
            (:func:`pixmill.convert_ex` with ``ex=True``).
        cluster: a scheduler address (``"tcp://host:8786"``), a
            ``distributed.Client``, or a cluster object (``LocalCluster``);
            None starts a local cluster for this call and closes it after.
        group_size: frames per task (1 = one task per frame).
        write_beside: write each image as ``<name>.bgr.npy`` next to its
            input file and return the paths instead of the arrays.
        progress: show Dask's progress bar while the batch runs.
        build, library_path: which library the workers load (as
            :func:`pixmill.load`; by default each worker searches itself).

    Returns:
        A :class:`BatchResult`; failed frames are in ``failures`` by name.
    """
    from distributed import Client, LocalCluster, as_completed
    from distributed import progress as show_progress

    owned: List[Any] = []
    if cluster is None:
        cluster = LocalCluster(dashboard_address=None)
        owned.append(cluster)
    if isinstance(cluster, Client):
        client = cluster
    else:
        client = Client(cluster)
        owned.insert(0, client)
    try:
        futures = submit_batch(client, frames, method=method, layout=layout, tables=tables, flip=flip, ex=ex,
                               group_size=group_size, write_beside=write_beside, build=build,
                               library_path=library_path)
        if progress:
            show_progress(list(futures))
        order = [name for names in futures.values() for name in names]
        done: Dict[str, Tuple[bool, Any]] = {}
        for future in as_completed(list(futures)):
            names = futures[future]
            if future.status == "error":
                # The whole task failed (a worker lost, the library missing):
                # every frame of the group is reported with the cause.
                why = f"{type(future.exception()).__name__}: {future.exception()}"
                done.update((name, (False, why)) for name in names)
                continue
            done.update((name, (ok, value)) for name, ok, value in future.result())
            future.release()
        result = BatchResult()
        for name in order:
            ok, value = done[name]
            if ok:
                result.outputs[name] = value
            else:
                result.failures[name] = value
        return result
    finally:
        for item in owned:
            item.close()
