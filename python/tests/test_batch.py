"""Batch conversion on a two-worker local Dask cluster."""
from __future__ import annotations

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
    # By scheduler address, as a remote cluster is reached, with Dask's progress bar.
    result = pixmill.convert_batch(paths, cluster=client.scheduler.address, write_beside=True, progress=True)
    assert list(result.failures) == [str(tmp_path / "missing.npy")]
    for path in paths[:-1]:
        written = result.outputs[path]
        assert written == path.rsplit(".", 1)[0] + ".bgr.npy"
        assert np.array_equal(np.load(written), pixmill.convert(pixmill.read_frame(path)))
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
