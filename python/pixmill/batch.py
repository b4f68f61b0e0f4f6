"""Batch conversion of many frames, in this process or on a Dask cluster
(``dask.distributed``).

Each frame is independent, so a collection is cut into tasks of a group of
frames and spread over the cluster's workers.  Every worker loads the library
once, through a worker plugin, and keeps it for all its tasks.  A frame that
fails is reported by name; the others go on.

The same call runs in this process, on a local cluster or on a remote one::

    result = pixmill.convert_batch(frames)                      # this process, one thread per core
    result = pixmill.convert_batch(paths, cluster=LocalCluster(n_workers=2))
    result = pixmill.convert_batch(paths, cluster="tcp://scheduler:8786")

Where the work runs.  ``cluster=None`` (the default) starts no cluster: the
frames are converted in this process by Dask's threaded scheduler, one thread
per core.  The library converts with the interpreter lock released, so the
threads convert side by side, and no frame or image is copied: a full-HD
frame converts in one to a few milliseconds (by method), less than sending
it to another process and its image back costs, and starting worker processes costs a
second or more.  A cluster pays when it brings more processors than this
machine has (workers on other machines) and the frames are files on storage
the workers share, so that only paths travel; for frames already in memory
on one machine, the default is the fastest way.

What travels.  Frames given as file paths (``.npy`` arrays or binary 8-bit
``.pgm``) are read on the workers, so a remote cluster needs the files on a
shared file system; with ``write_beside=True`` each output is written next
to its input as ``<name>.bgr.npy`` (under a temporary name first, renamed
when whole, an earlier image of that name removed just before) and only its
path comes back.  No image is synced to the disk: after a power cut an image
written just before may be missing or empty, and is made again from its
frame.  Frames given as arrays are scattered to the workers once, a task's
frames in one piece, and the task refers to them: the task graph carries
names, paths and references, never pixels.  The images come back as arrays.

Grouping.  ``group_size=None`` makes about four tasks per worker thread
(every task costs the scheduler a few milliseconds, so one per frame spends
as much on bookkeeping as on converting; a few per thread still balance the
workers and bound what a lost worker costs), with at most 64 MiB of frames
and images per task when the images come back.

Faults.  A worker lost mid-batch (killed, out of memory, its machine gone)
loses no frame: the scheduler runs the tasks it was running, or whose results
it held, on the other workers, and a task whose scattered frames were lost
with it is sent again from here.  :attr:`BatchResult.retried` says how many
tasks ran again.  A task whose workers die three times (a frame that crashes
every worker it reaches) fails with KilledWorker, reported for its frames.
"""
from __future__ import annotations

import os
import uuid
from concurrent.futures import CancelledError
from dataclasses import dataclass, field
from pathlib import Path
from typing import Any, Dict, Iterable, List, Mapping, Optional, Sequence, Tuple, Type, Union, cast

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
        tasks: how many tasks the frames were grouped into.
        retried: how many of them ran again because a worker was lost while
            running them, holding their result or holding their frames
            (counted by the scheduler, plus the tasks sent again).
    """

    outputs: Dict[str, Union[np.ndarray, str]] = field(default_factory=dict)
    failures: Dict[str, str] = field(default_factory=dict)
    tasks: int = 0
    retried: int = 0

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
    """Runs on a worker (or a thread of this process): convert each frame of
    the group, catching each frame's failure so that the others still run."""
    try:
        library = load(options["build"], options["library_path"])
    except Exception as error:  # every frame of the group is reported with the cause
        why = f"{type(error).__name__}: {error}"
        return [(name, False, why) for name, _ in group]
    entry = convert_ex if options["ex"] else convert
    # Frames read from files go through one buffer kept for the whole group:
    # a fresh frame each time costs its page faults again, the more so in
    # Dask's worker processes, whose allocator hands freed memory straight
    # back to the system (MALLOC_TRIM_THRESHOLD_), which made a task about
    # 1.7 times slower than the same loop run plainly.  Images need no such
    # buffer: one written beside and let go is reused by the next conversion
    # (see _buffers), with its unwritten border cleared as a new image's is.
    held: Dict[str, np.ndarray] = {}
    results: List[Tuple[str, bool, Any]] = []
    for name, frame in group:
        try:
            raw = frame if isinstance(frame, np.ndarray) else _read_held(frame, held)
            image = entry(raw, options["method"], options["layout"], tables=options["tables"],
                          flip=options["flip"], library=library)
            if options["write_beside"]:
                results.append((name, True, str(_write_beside(frame, image))))
            else:
                results.append((name, True, image))
        except Exception as error:  # reported by name, the batch goes on
            results.append((name, False, f"{type(error).__name__}: {error}"))
    return results


def _held(held: Dict[str, np.ndarray], shape: Tuple[int, ...]) -> np.ndarray:
    buffer = held.get("frame")
    if buffer is None or buffer.shape != shape:
        buffer = held["frame"] = np.empty(shape, np.uint8)
    return buffer


def _read_held(frame: Frame, held: Dict[str, np.ndarray]) -> np.ndarray:
    """:func:`read_frame`, reading a ``.npy`` file of uint8 samples into the
    group's frame buffer."""
    path = Path(cast("Union[str, os.PathLike[str]]", frame))
    if path.suffix != ".npy":
        return read_frame(path)
    with open(path, "rb") as file:
        version = np.lib.format.read_magic(file)
        if version == (1, 0):
            shape, fortran, dtype = np.lib.format.read_array_header_1_0(file)
        elif version == (2, 0):
            shape, fortran, dtype = np.lib.format.read_array_header_2_0(file)
        else:
            return read_frame(path)
        if dtype != np.uint8 or fortran:
            return read_frame(path)
        buffer = _held(held, tuple(shape))
        if file.readinto(buffer.data.cast("B")) != buffer.nbytes:
            raise ValueError(f"{path}: the file ends before its {shape} samples")
    return buffer


def _write_beside(frame: Frame, image: np.ndarray) -> Path:
    # Written under a name of its own, then renamed: a worker killed while
    # writing leaves no truncated image under the output's name, and the
    # task run again in its place writes it whole.
    target = _output_path(frame)
    partial = target.with_name(f".{target.name}.{uuid.uuid4().hex}.partial")
    try:
        with open(partial, "wb") as file:
            np.save(file, image, allow_pickle=False)
        _remove(target)
        os.rename(partial, target)
    except BaseException:
        partial.unlink(missing_ok=True)
        raise
    return target


def _remove(target: Path) -> None:
    # An earlier image under the name is removed before the new one is
    # renamed in place, not replaced by the rename: ext4 (by default) starts
    # writing a file renamed over another out to the disk there and then, so
    # that a power cut leaves the old file or the new one.  That made every image
    # wait for the disk, one worker behind the other, and a batch written
    # beside ran no faster on two worker processes than a plain loop.  Images
    # written beside can be made again from their frames, and a worker
    # killed between the two steps still leaves no partial image under the
    # name: the task run again writes it.
    target.unlink(missing_ok=True)


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


def _group_size(named: Sequence[Tuple[str, Frame]], threads: int, images_back: bool) -> int:
    """Frames per task when the caller leaves it to the batch.

    About four tasks per worker thread: every task costs the scheduler and
    the network a few milliseconds, about what converting one full-HD frame
    costs, so one task per frame would spend as much on the bookkeeping as on
    the work; a handful per thread still lets a fast worker take over from a
    slow one, and a worker lost mid-batch costs only its own tasks.  When the
    images come back as arrays, a task's frames and images are also kept
    under 64 MiB, the memory a worker holds for a task until it is
    collected."""
    size = max(1, -(-len(named) // (_TASKS_PER_THREAD * max(1, threads))))
    if images_back:
        frame_bytes = max((_frame_bytes(frame) for _, frame in named), default=0)
        size = min(size, max(1, _TASK_BYTES // max(1, 4 * frame_bytes)))
    return size


_TASKS_PER_THREAD = 4
_TASK_BYTES = 64 << 20


def _frame_bytes(frame: Frame) -> int:
    if isinstance(frame, np.ndarray):
        return frame.nbytes
    try:  # the file may live where only the workers see it
        return os.stat(frame).st_size
    except OSError:
        return 0


def _groups(named: Sequence[Tuple[str, Frame]], size: int) -> List[Tuple[int, List[Tuple[str, Frame]]]]:
    return [(start, list(named[start:start + size])) for start in range(0, len(named), size)]


def _check(named: Sequence[Tuple[str, Frame]], group_size: Optional[int], write_beside: bool) -> None:
    if group_size is not None and (isinstance(group_size, bool) or not isinstance(group_size, int)
                                   or group_size < 1):
        raise ValueError(f"group_size must be a positive integer or None, not {group_size!r}")
    if write_beside and any(isinstance(frame, np.ndarray) for _, frame in named):
        raise ValueError("write_beside needs every frame given as a file path")


class _Submitter:
    """Puts groups of one batch on a client: the library loader first, the
    arrays of a group scattered to the workers once (the task itself carries
    only names, paths and the reference to its frames, never the pixels),
    every task under a key of this submission."""

    def __init__(self, client: Any, options: Dict[str, Any]) -> None:
        self.client = client
        self.options = options
        loader = _LibraryLoader(options["build"], options["library_path"])
        client.register_worker_plugin(loader, name=loader.name)
        # Dask treats tasks of one key as one result: a key built only from
        # frame names would hand a later batch (another method, table or
        # build) the images of an earlier one still held.  One token per
        # submission keeps every batch's keys its own.
        self.submission = uuid.uuid4().hex
        self.keys: List[str] = []
        self.inputs: Dict[Any, Any] = {}  # task future -> its scattered frames

    def submit(self, groups: Sequence[Tuple[int, List[Tuple[str, Frame]]]], attempt: int = 0) -> List[Any]:
        with_arrays = [index for index, (_, group) in enumerate(groups)
                       if any(isinstance(frame, np.ndarray) for _, frame in group)]
        payload: List[Any] = [group for _, group in groups]
        if with_arrays:
            scattered = self.client.scatter([payload[index] for index in with_arrays], hash=False)
            for index, future in zip(with_arrays, scattered):
                payload[index] = future
        futures = []
        for (start, group), argument in zip(groups, payload):
            key = f"pixmill-convert-{group[0][0]}-{start}-{self.submission}" + (f"-again{attempt}" if attempt else "")
            future = self.client.submit(_convert_group, argument, self.options, pure=False, key=key)
            self.keys.append(key)
            if argument is not group:
                self.inputs[future] = argument
            futures.append(future)
        return futures

    def result(self, future: Any) -> Any:
        """The finished task's result (one lost with its worker after the
        task finished is computed again, and this waits for it)."""
        while True:
            try:
                return future.result(timeout=_RECHECK_SECONDS)
            except _timeout():
                self.drop_forgotten([future])

    def drop_forgotten(self, futures: Sequence[Any]) -> List[Any]:
        """Cancel, and return, the futures whose tasks the scheduler no
        longer has.  A task whose scattered frames were lost with a worker
        is forgotten by the scheduler, and the client may not hear of it
        (distributed 2022.12 resets a future whose result it failed to fetch
        after the news came, and it then waits for ever)."""
        def known(dask_scheduler: Any, keys: List[str]) -> List[str]:  # nested: sent by value
            return [key for key in keys if key in dask_scheduler.tasks]
        have = set(self.client.run_on_scheduler(known, keys=[future.key for future in futures]))
        dropped = [future for future in futures if future.key not in have]
        for future in dropped:
            future.cancel()
        return dropped

    def release(self, future: Any) -> None:
        future.release()
        scattered = self.inputs.pop(future, None)
        if scattered is not None:
            scattered.release()

    def tasks_run_again(self) -> int:
        """How many of this batch's tasks the scheduler started more than
        once: a worker lost while running a task, or while holding its
        result, has the task run again elsewhere."""
        def count(dask_scheduler: Any, keys: List[str]) -> int:  # nested: sent by value, no package needed there
            wanted = set(keys)
            starts: Dict[str, int] = {}
            for step in dask_scheduler.story(*keys):
                if step[0] in wanted and step[2] == "processing":
                    starts[step[0]] = starts.get(step[0], 0) + 1
            return sum(1 for n in starts.values() if n > 1)
        return int(self.client.run_on_scheduler(count, keys=self.keys))


def submit_batch(client: Any, frames: Union[Mapping[str, Frame], Iterable[Frame]], *, method: int = 2,
                 layout: int = 1, tables: Tables = None, flip: bool = False, ex: bool = False,
                 group_size: Optional[int] = None, write_beside: bool = False, build: Optional[str] = None,
                 library_path: Optional[str] = None) -> Dict[Any, List[str]]:
    """Submit the conversions to ``client`` and return its futures, each with
    the names of the frames it converts.  Use Dask's own tools on them
    (``distributed.progress``, ``as_completed``); :func:`convert_batch` is the
    blocking form, and the one that runs again the tasks whose scattered
    frames were lost with a worker.  Arguments as :func:`convert_batch`."""
    named = _named(frames)
    _check(named, group_size, write_beside)
    options = dict(method=method, layout=layout, tables=tables, flip=flip, ex=ex, write_beside=write_beside,
                   build=build, library_path=library_path)
    submitter = _Submitter(client, options)
    size = group_size or _group_size(named, sum(client.nthreads().values()), not write_beside)
    groups = _groups(named, size)
    return {future: [name for name, _ in group] for future, (_, group) in zip(submitter.submit(groups), groups)}


def convert_batch(frames: Union[Mapping[str, Frame], Iterable[Frame]], *, method: int = 2, layout: int = 1,
                  tables: Tables = None, flip: bool = False, ex: bool = False, cluster: Any = None,
                  group_size: Optional[int] = None, write_beside: bool = False, progress: bool = False,
                  build: Optional[str] = None, library_path: Optional[str] = None) -> BatchResult:
    """Convert a collection of frames, on a Dask cluster or in this process.

    Args:
        frames: a mapping name -> frame, or a sequence of frames; a frame is
            a uint8 array or the path of a ``.npy`` or binary ``.pgm`` file
            (named by its path; arrays in a sequence are named frame-00000...).
        method, layout, tables, flip: as :func:`pixmill.convert`
            (:func:`pixmill.convert_ex` with ``ex=True``).
        cluster: a scheduler address (``"tcp://host:8786"``), a
            ``distributed.Client``, or a cluster object (``LocalCluster``).
            None converts in this process, on one thread per core, with no
            cluster started (see the module's notes on when a cluster pays).
        group_size: frames per task; None chooses (about four tasks per
            worker thread, at most 64 MiB of frames and images per task when
            the images come back).
        write_beside: write each image as ``<name>.bgr.npy`` next to its
            input file and return the paths instead of the arrays.
        progress: show Dask's progress bar while the batch runs.
        build, library_path: which library the workers load (as
            :func:`pixmill.load`; by default each worker searches itself).

    Returns:
        A :class:`BatchResult`; failed frames are in ``failures`` by name,
        and ``retried`` counts the tasks that ran again after a worker was
        lost.  A worker lost mid-batch loses no frame: the scheduler runs its
        tasks again on the others (a task whose workers die three times, a
        frame that crashes every worker it reaches, fails with KilledWorker),
        and frames given as arrays that were lost with it are sent again.
    """
    named = _named(frames)
    _check(named, group_size, write_beside)
    options = dict(method=method, layout=layout, tables=tables, flip=flip, ex=ex, write_beside=write_beside,
                   build=build, library_path=library_path)
    if cluster is None:
        return _convert_here(named, options, group_size, progress)

    from distributed import Client, wait
    from distributed import progress as show_progress

    owned: Optional[Any] = None
    if isinstance(cluster, Client):
        client = cluster
    else:
        client = owned = Client(cluster)
    try:
        submitter = _Submitter(client, options)
        size = group_size or _group_size(named, sum(client.nthreads().values()), not write_beside)
        groups = _groups(named, size)
        futures = submitter.submit(groups)
        pending: Dict[Any, Tuple[Tuple[int, List[Tuple[str, Frame]]], int]] = {
            future: (group, 0) for future, group in zip(futures, groups)}
        if progress:
            show_progress(futures)
        done: Dict[str, Tuple[bool, Any]] = {}
        resent = 0
        while pending:
            try:
                finished = wait(list(pending), timeout=_RECHECK_SECONDS, return_when="FIRST_COMPLETED").done
            except CancelledError:  # wait() refuses a cancelled future: taken next
                finished = {future for future in pending if future.status == "cancelled"}
            except _timeout():
                finished = set(submitter.drop_forgotten(list(pending)))
            for future in finished:
                group, attempt = pending.pop(future)
                try:
                    outcome = submitter.result(future)
                except Exception as error:
                    if future.status == "cancelled" and future in submitter.inputs and attempt < _SEND_AGAIN:
                        # Its scattered frames were lost with a worker before
                        # it ran: send them again (they are still here).
                        submitter.release(future)
                        pending[submitter.submit([group], attempt + 1)[0]] = (group, attempt + 1)
                        resent += 1
                        continue
                    # The whole task failed (a worker crashed by it three
                    # times): every frame of the group is reported with the cause.
                    why = f"{type(error).__name__}: {error}"
                    done.update((name, (False, why)) for name, _ in group[1])
                else:
                    done.update((name, (ok, value)) for name, ok, value in outcome)
                submitter.release(future)
        result = BatchResult(tasks=len(groups), retried=submitter.tasks_run_again() + resent)
        for name, _ in named:
            ok, value = done[name]
            if ok:
                result.outputs[name] = value
            else:
                result.failures[name] = value
        return result
    finally:
        if owned is not None:
            owned.close()


_SEND_AGAIN = 3  # times a group's lost frames are sent again
_RECHECK_SECONDS = 2.0  # after this long without news, ask whether the scheduler still has the tasks


def _timeout() -> Tuple[Type[BaseException], ...]:
    from distributed import TimeoutError as DaskTimeout
    return (DaskTimeout, TimeoutError)


def _convert_here(named: Sequence[Tuple[str, Frame]], options: Dict[str, Any], group_size: Optional[int],
                  progress: bool) -> BatchResult:
    """The batch in this process, on Dask's threaded scheduler: the library
    converts with the interpreter lock released, so the threads convert side
    by side, and no frame or image is copied between processes."""
    import functools

    import dask
    import dask.threaded

    threads = os.cpu_count() or 1
    groups = _groups(named, group_size or _group_size(named, threads, False))
    graph = {f"pixmill-convert-{start}": (functools.partial(_convert_group, group, options),)
             for start, group in groups}
    keys = list(graph)
    if progress:
        from dask.diagnostics import ProgressBar
        with ProgressBar():
            outcomes = dask.threaded.get(graph, keys, num_workers=threads)
    else:
        outcomes = dask.threaded.get(graph, keys, num_workers=threads)
    result = BatchResult(tasks=len(groups))
    for outcome in outcomes:
        for name, ok, value in outcome:
            if ok:
                result.outputs[name] = value
            else:
                result.failures[name] = value
    return result
