# varn.dask on a cluster of two worker processes: the same bits as one call.
import numpy as np
import pytest

import varn
import varn.dask


def test_chunks_on_two_worker_processes_equal_one_call():
    import dask.array as da
    from distributed import Client, LocalCluster

    n = 50
    tt = np.stack([np.full(n, 58849.0), 3600.0 * np.arange(n)], axis=1)
    xp = np.linspace(0.05, 0.08, n)
    dY = np.full((n, 1), 2e-5)
    want = varn.compute(tt, xp, np.array([0.3]), 1e-4, dY, -0.17)  # one row broadcast
    lazy = varn.dask.compute(da.from_array(tt, chunks=(20, 2)), xp, np.array([0.3]), 1e-4,
                             da.from_array(dY, chunks=(7, 1)), -0.17)
    # One computing task per chunk of tt, nothing run yet.
    tasks = [k for k in lazy.rc2t.__dask_graph__() if k[0].startswith("varn-compute-")]
    assert len(tasks) == 3 and lazy.rc2t.chunks[0] == (20, 20, 10)
    with LocalCluster(n_workers=2, processes=True, threads_per_worker=1, dashboard_address=None) as cluster, \
            Client(cluster) as client:
        got = client.compute(list(lazy), sync=True)
    for field, g, w in zip(varn.Result._fields, got, want):
        assert g.shape == w.shape and np.array_equal(g.view(np.uint64), w.view(np.uint64)), field


def test_bad_dask_arguments_raise_before_any_task():
    import dask.array as da
    tt = da.zeros((6, 2), chunks=(3, 2))
    for args, error in [((tt[:, :1], 0), ValueError), ((tt, da.zeros(5, chunks=3)), ValueError),
                        ((tt, da.zeros(6, dtype=bool, chunks=3)), TypeError),
                        ((tt.astype(complex), 0), TypeError), ((tt, "0.1"), TypeError),
                        ((tt.astype(np.float32), 0), TypeError)]:
        with pytest.raises(error):
            varn.dask.compute(*args, 0, 0, 0, 0)
