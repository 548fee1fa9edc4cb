"""varn.compute on dask arrays: one task per chunk of rows, on any scheduler.

Rows are independent, so a batch split into chunks of rows gives, chunk by
chunk, the rows of one call on the whole batch: the exact computation is the
same bits whichever way the batch is cut. Nothing is computed or gathered
until the caller asks for a result, and then each chunk is computed where its
inputs are (a thread, a process, a worker of a distributed cluster).

Examples
--------
>>> import dask, dask.array as da, varn.dask
>>> from distributed import Client
>>> client = Client()                              # or Client("scheduler:8786")
>>> tt = da.from_array(tt_numpy, chunks=(100_000, 2))
>>> r = varn.dask.compute(tt, xp, yp, dX, dY, dut)  # lazy
>>> rc2t, rc2i, *rest = dask.compute(*r)           # every chunk computed once

Each output asked for on its own (``r.rc2t.compute()``, then
``r.era.compute()``) runs the whole computation of its chunks again: ask for
all the outputs you need in one ``dask.compute`` (or ``dask.store``) call.
"""

from typing import Any, Optional

import numpy as np

from ._compute import Result, compute as _compute_numpy
from ._inputs import (COLUMNS, check_dtype, check_fast, check_time_dtype, column_shape_error, fits_rows, real_array,
                      thread_count, tt_array)

__all__ = ["compute"]

# Trailing shape of each output after the rows, in the order of Result.
_OUT_SHAPES = {"rc2t": (3, 3), "rc2i": (3, 3), "rpom": (3, 3), "utc": (2,), "ut1": (2,),
               "tidal_args": (11,), "tai": (2,)}


def _dask_array():
    import dask.array
    return dask.array


def _chunk(tt, xp, yp, dX, dY, dut, fast, threads):
    """The whole Result of one chunk of rows (the only task that computes)."""
    return _compute_numpy(tt, xp, yp, dX, dY, dut, fast=fast, threads=threads)


def _pick(result, k):
    return result[k]


def compute(tt: Any, xp: Any, yp: Any, dX: Any, dY: Any, dut: Any, *, fast: bool = False,
            threads: Optional[int] = 1) -> Result:
    """varn.compute on dask arrays chunked along the rows; lazy, one task per chunk.

    Parameters
    ----------
    tt : dask array or array_like, shape (n, 2), or astropy.time.Time
        TT as MJD plus seconds. Its chunks along the rows set the tasks; a
        numpy array or a Time is one chunk.
    xp, yp, dX, dY, dut : dask array, array_like or scalar, shape (n,) or (n, 1)
        As for varn.compute (arcseconds; UT1 - UTC in seconds). Arrays are
        rechunked to the rows of tt's chunks; scalars and one-row arrays go
        to every row.
    fast : bool, optional
        The fast computation, chunk by chunk: each chunk is interpolated on
        its own rows, so results can differ from one call on the whole batch
        within the fast computation's bound (1e-12).
    threads : int or None, optional
        Threads of each task, as varn.compute takes it. Default 1: the
        scheduler already runs the chunks in parallel.

    Returns
    -------
    Result
        The named tuple of varn.compute, each field a lazy float64 dask array
        of the documented shape, chunked along the rows as tt. The exact
        computation gives the same bits as varn.compute on the whole batch.

    Raises
    ------
    TypeError, ValueError
        As varn.compute, before any task is made; also a dask array whose
        row count is unknown (NaN chunk sizes).
    """
    da = _dask_array()
    from dask.base import tokenize
    check_fast(fast)
    thread_count(threads)

    if isinstance(tt, da.Array):
        check_time_dtype("tt", tt.dtype)
        if tt.ndim != 2 or tt.shape[1] != 2:
            raise ValueError(f"tt must have shape (n, 2) (TT MJD, seconds), got shape {tt.shape}")
        if np.isnan(tt.shape[0]):
            raise ValueError("tt has an unknown number of rows: call compute_chunk_sizes() first")
        tt = tt.astype(np.float64).rechunk({1: 2})
    else:
        converted = tt_array(tt)
        tt = da.from_array(converted, chunks=(max(converted.shape[0], 1), 2))
    n, rows = tt.shape[0], tt.chunks[0]

    columns = []
    for name, x in zip(COLUMNS, (xp, yp, dX, dY, dut)):
        if isinstance(x, da.Array):
            check_dtype(name, x.dtype)
        else:
            x = real_array(name, x)
        if not fits_rows(x.shape, n):
            raise column_shape_error(name, x.shape, n)
        if x.ndim == 0:
            columns.append((x, None))
            continue
        # One row goes to every row, as varn.compute broadcasts it.
        x = da.broadcast_to(da.asarray(x).reshape(-1).astype(np.float64), (n,))
        columns.append((x.rechunk((rows,)), "i"))

    args = [tt, "ij"] + [item for column in columns for item in column]
    parts = da.blockwise(_chunk, "i", *args, fast=bool(fast), threads=threads,
                         concatenate=True, token="varn-compute", dtype=object, meta=np.empty((0,), dtype=object))
    outputs = []
    for k, field in enumerate(Result._fields):
        trailing = _OUT_SHAPES.get(field, ())
        outputs.append(parts.map_blocks(
            _pick, k, name=f"varn-{field}-{tokenize(parts.name, k)}", dtype=np.float64, chunks=(rows,) + tuple((d,) for d in trailing),
            new_axis=list(range(1, 1 + len(trailing))),
            meta=np.empty((0,) * (1 + len(trailing)), dtype=np.float64)))
    return Result(*outputs)
