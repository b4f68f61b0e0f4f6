"""New output arrays whose memory is reused once nothing refers to it.

A large new array costs more than most conversions: the kernel hands out its
pages one at a time and clears each as it is first written.  So the package
keeps the blocks of its last few large outputs, and a new output of the same
size takes a block that no array refers to any more (a result the caller has
let go of) instead of fresh memory.  Whether anything refers to a block is
read from its reference count: every array made from a block (the result,
its views, their views) holds the block as its base.  At most ``_KEEP``
blocks are kept; :func:`release` drops those that are idle.
"""
from __future__ import annotations

import sys
import threading
from typing import List, Tuple

import numpy as np
import numpy.typing as npt

# Below this size fresh memory is cheap and nothing is kept.
_MIN_BYTES = 1 << 20
_KEEP = 2
_lock = threading.Lock()
_blocks: List[np.ndarray] = []  # the oldest first


def _references(block: np.ndarray) -> int:
    return sys.getrefcount(block)


def _idle_references() -> int:
    # What _references reports for a block that only the list and the loop
    # over it refer to: measured, since it depends on the interpreter.
    blocks = [np.empty(1, np.uint8)]
    for block in blocks:
        return _references(block)
    raise AssertionError("unreachable")


_IDLE = _idle_references()


def empty(shape: Tuple[int, ...], dtype: npt.DTypeLike) -> np.ndarray:
    """An array of ``shape`` and ``dtype`` whose contents are undefined, as
    ``np.empty``'s (they may be an earlier result's)."""
    dtype = np.dtype(dtype)
    nbytes = int(np.prod(shape, dtype=np.int64)) * dtype.itemsize
    if nbytes < _MIN_BYTES:
        return np.empty(shape, dtype)
    with _lock:
        chosen = None
        for block in _blocks:
            if block.nbytes == nbytes and _references(block) == _IDLE:
                chosen = block
                break
        if chosen is None:
            chosen = np.empty(nbytes, np.uint8)
            _blocks.append(chosen)
            while len(_blocks) > _KEEP:
                del _blocks[0]
        else:
            # The most recently used last, so that the oldest goes first.
            _blocks.remove(chosen)
            _blocks.append(chosen)
        return chosen.view(dtype).reshape(shape)


def release() -> None:
    """Drop the kept blocks that no array refers to (their memory goes back
    to the system)."""
    with _lock:
        kept = []
        for block in _blocks:
            if _references(block) != _IDLE:
                kept.append(block)
        _blocks[:] = kept
