"""Batch conversion on a two-worker local Dask cluster, and on a scheduler
and workers started as programs of their own."""
from __future__ import annotations

import errno
import io
import json
import os
import signal
import subprocess
import sys
import threading
import time

import numpy as np
import pytest

import pixmill

distributed = pytest.importorskip("distributed")


@pytest.fixture(scope="module")
def client():
    cluster = distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None)
    with distributed.Client(cluster) as connected:
        yield connected
    cluster.close()


def test_batch_outputs_equal_direct_calls_and_failures_are_named(client, tmp_path, rng):
    frames = {f"frame-{i:02d}": rng.integers(0, 256, (16 + 2 * (i % 3), 24), np.uint8) for i in range(48)}
    frames["odd-size"] = np.zeros((7, 8), np.uint8)
    table = rng.integers(0, 256, 256, np.uint8)
    result = pixmill.convert_batch(frames, method=5, layout=3, tables=(table, None, table), flip=True,
                                   cluster=client, group_size=3)
    assert list(result.failures) == ["odd-size"] and "even" in result.failures["odd-size"]
    assert list(result.outputs) == [name for name in frames if name != "odd-size"]
    for name, image in result.outputs.items():
        expected = pixmill.convert(frames[name], 5, 3, tables=(table, None, table), flip=True)
        assert image.tobytes() == expected.tobytes(), name
    # Each worker process loaded the library once, however many tasks it ran.
    assert set(client.run(pixmill._library.load_count).values()) == {1}


def test_batch_by_address_writes_beside_files(client, tmp_path, rng, capsys):
    paths = []
    for i in range(4):
        frame = rng.integers(0, 256, (8, 10), np.uint8)
        path = tmp_path / f"shot{i}.npy"
        np.save(path, frame)
        paths.append(str(path))
    pgm = tmp_path / "shot4.pgm"
    frame = rng.integers(0, 256, (6, 8), np.uint8)
    pgm.write_bytes(b"P5\n# camera\n8 6\n255\n" + frame.tobytes())
    paths += [str(pgm), str(tmp_path / "missing.npy")]
    np.save(tmp_path / "shot0.bgr.npy", np.ones((3, 3, 3), np.uint8))  # an earlier image, to be replaced
    # By scheduler address, as a remote cluster is reached, with Dask's progress bar.  Code 8 leaves a
    # border unwritten: every file must still hold what a direct call gives, not an earlier frame's edge.
    result = pixmill.convert_batch(paths, method=8, cluster=client.scheduler.address, write_beside=True,
                                   progress=True, group_size=3)
    assert list(result.failures) == [str(tmp_path / "missing.npy")]
    for path in paths[:-1]:
        written = result.outputs[path]
        assert written == path.rsplit(".", 1)[0] + ".bgr.npy"
        assert np.array_equal(np.load(written), pixmill.convert(pixmill.read_frame(path), 8)), path
    assert not list(tmp_path.glob(".*partial"))
    assert "100%" in capsys.readouterr().out


@pytest.mark.parametrize("change", ["method", "layout", "tables", "flip", "entry", "build"])
def test_two_batches_on_one_client_keep_their_own_results(client, rng, change):
    # Same frame names, one option changed: the second batch must not be
    # handed the first one's images while those are still held.
    frames = {"a": rng.integers(0, 256, (12, 16), np.uint8), "b": rng.integers(0, 256, (10, 8), np.uint8)}
    table = rng.permutation(256).astype(np.uint8)
    build = pixmill.default_library().build
    first = dict(method=2, layout=1, tables=None, flip=False, ex=False, build=build)
    other_build = "1.5.0.1" if build != "1.5.0.1" else "1.7.7.6"
    second = dict(first, **{"method": dict(method=8), "layout": dict(layout=4), "tables": dict(tables=(table,) * 3),
                            "flip": dict(flip=True), "entry": dict(ex=True, method=3),
                            "build": dict(build=other_build)}[change])
    libraries = {}
    for options in (first, second):
        try:
            libraries[options["build"]] = pixmill.load(options["build"])
        except (pixmill.LibraryNotFoundError, ValueError):
            pytest.skip(f"build {options['build']} is not built beside {build}")
    held = list(pixmill.submit_batch(client, frames, **first))  # still held while the second runs
    distributed.wait(held)
    result = pixmill.convert_batch(frames, cluster=client, **second)
    assert all(future.status == "finished" for future in held) and not result.failures
    for name, image in result.outputs.items():
        entry = pixmill.convert_ex if second["ex"] else pixmill.convert
        expected = entry(frames[name], second["method"], second["layout"], tables=second["tables"],
                         flip=second["flip"], library=libraries[second["build"]])
        assert image.tobytes() == expected.tobytes(), (change, name)
    if change == "build":  # code 2 agrees between builds: the workers must have loaded the other one too
        loaded = client.run(lambda: sorted({lib.build for lib in pixmill._library._loaded.values()}))
        assert all(other_build in builds for builds in loaded.values())


def _until(condition, what, seconds=30.0):
    deadline = time.monotonic() + seconds
    while True:
        found = condition()
        if found:
            return found
        if time.monotonic() > deadline:
            raise AssertionError(f"no {what} after {seconds} s")
        time.sleep(0.02)


def test_worker_killed_mid_batch_loses_no_frame(client, tmp_path, rng):
    # One frame is a named pipe: its task blocks reading it until the test
    # writes the frame.  The worker reading it is killed meanwhile; the batch
    # must still give every frame (arrays scattered to the dead worker too).
    frames = {f"array-{i}": rng.integers(0, 256, (12, 16), np.uint8) for i in range(6)}
    for i in range(4):
        np.save(tmp_path / f"file-{i}.npy", rng.integers(0, 256, (10, 8), np.uint8))
        frames[f"file-{i}"] = str(tmp_path / f"file-{i}.npy")
    gate = tmp_path / "gate.npy"
    os.mkfifo(gate)
    frames["gate"] = str(gate)
    gate_frame = rng.integers(0, 256, (8, 12), np.uint8)
    content = io.BytesIO()
    np.save(content, gate_frame)
    outcome = []
    batch = threading.Thread(target=lambda: outcome.append(pixmill.convert_batch(frames, method=8, cluster=client,
                                                                                 group_size=1)), daemon=True)
    batch.start()

    def open_writer():  # succeeds once a task has the pipe open for reading
        try:
            return os.open(gate, os.O_WRONLY | os.O_NONBLOCK)
        except OSError as error:
            if error.errno != errno.ENXIO:
                raise
            return None

    def holds_gate(pid):
        try:
            return any(os.readlink(f"/proc/{pid}/fd/{fd}") == str(gate) for fd in os.listdir(f"/proc/{pid}/fd"))
        except OSError:  # gone
            return False

    writer = _until(open_writer, "task reading the pipe")
    try:
        victim = _until(lambda: next((pid for pid in client.run(os.getpid).values() if holds_gate(pid)), None),
                        "worker holding the pipe")
        os.kill(victim, signal.SIGKILL)
        _until(lambda: not holds_gate(victim), "killed worker gone")

        def write():  # refused while no task has the pipe open
            try:
                return os.write(writer, content.getvalue())
            except BrokenPipeError:
                return None
        _until(write, "task run again reading the pipe")
        # The pipe is kept open meanwhile, so what it holds stays for the task
        # run again.  A reader the frame did not reach (the task started once
        # more after the first read) gets it again while the batch runs.
        deadline = time.monotonic() + 60
        while batch.is_alive() and time.monotonic() < deadline:
            batch.join(1)
            if batch.is_alive():
                write()
    finally:
        os.close(writer)
    assert outcome, f"the batch did not finish; tasks on the workers: {client.processing()}"
    result = outcome[0]
    assert not result.failures and list(result.outputs) == list(frames)
    assert result.retried >= 1
    for name, frame in frames.items():
        raw = gate_frame if name == "gate" else frame if isinstance(frame, np.ndarray) else np.load(frame)
        assert result.outputs[name].tobytes() == pixmill.convert(raw, 8).tobytes(), name


def test_batch_on_scheduler_and_workers_started_apart(tmp_path, rng):
    # As a remote cluster is reached: by address, the scheduler and workers
    # being programs of their own (here on this machine, ports chosen by them).
    address_file = tmp_path / "scheduler.json"
    started = []
    try:
        for command in (["distributed.cli.dask_scheduler", "--host", "127.0.0.1", "--port", "0", "--no-dashboard"],
                        ["distributed.cli.dask_worker", "--nworkers", "2", "--nthreads", "1", "--no-dashboard",
                         "--local-directory", str(tmp_path)]):
            started.append(subprocess.Popen([sys.executable, "-m", *command, "--scheduler-file", str(address_file)],
                                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                            start_new_session=True))
            _until(address_file.exists, "scheduler address")
        address = _until(lambda: json.loads(address_file.read_text() or "{}").get("address"), "scheduler address")
        with distributed.Client(address) as remote:
            remote.wait_for_workers(2, timeout=60)
            paths = []
            for i in range(6):
                np.save(tmp_path / f"shot{i}.npy", rng.integers(0, 256, (14, 20), np.uint8))
                paths.append(str(tmp_path / f"shot{i}.npy"))
            result = pixmill.convert_batch(paths, method=3, cluster=address, write_beside=True)
            assert not result.failures and result.retried == 0
            for path in paths:
                assert np.load(result.outputs[path]).tobytes() == pixmill.convert(np.load(path), 3).tobytes()
            # Converted by the worker programs, each having loaded the library,
            # with the package under test (not another one on their path).
            assert list(remote.run(pixmill._library.load_count).values()) == [1, 1]
            assert set(remote.run(lambda: __import__("pixmill").__file__).values()) == {pixmill.__file__}
    finally:
        for process in reversed(started):
            os.killpg(process.pid, signal.SIGTERM)
        for process in reversed(started):
            try:
                process.wait(20)
            except subprocess.TimeoutExpired:
                os.killpg(process.pid, signal.SIGKILL)
                process.wait()
