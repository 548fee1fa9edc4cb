# The extension's LOD and table columns against the files' own numbers.
import os

import numpy as np

import varn

DATA = os.path.join(os.path.dirname(__file__), "..", "data")


def test_lod_at_rows_and_the_table_columns():
    # LOD at a row (0h UTC; TAI - UTC 37 s, 35 s, 36 s): C04 in s, finals2000A in ms, the 2016
    # finals rows have none. To 1e-15 s, the TT -> UTC rounding.
    for name, mjd, tai_utc, want in [("eopc04_14_2016-12.txt", 57756.0, 37.0, 1.3554e-3),
                                     ("finals2000A_2015-01.txt", 57049.0, 35.0, 1.1461e-3),
                                     ("finals2000A_2016-07.txt", 57580.0, 36.0, np.nan)]:
        got = varn.read_eop(os.path.join(DATA, name)).interpolate([[mjd, tai_utc + 32.184]])
        assert got.lod.dtype == np.float64 and got.lod.shape == (1,)
        np.testing.assert_allclose(got.lod, [want], rtol=0, atol=1e-15)
    # The columns of finals2000A_2015-01.txt: rows 34-53 predict nutation, 54-60 all; LOD
    # blank from row 53.
    eop = varn.read_eop(os.path.join(DATA, "finals2000A_2015-01.txt"))
    cols = {name: getattr(eop, name) for name in ["mjd", "xp", "yp", "dX", "dY", "dut", "lod",
                                                  "pred_pole", "pred_ut1", "pred_nut"]}
    assert all(c.shape == (len(eop),) and not c.flags.writeable for c in cols.values())
    assert cols["mjd"][0] == 57048.0 and cols["dut"][59] == -0.5660324
    np.testing.assert_allclose([cols["dX"][0], cols["lod"][0]], [-0.155e-3, 1.2748e-3], rtol=0, atol=1e-18)
    assert np.isfinite(cols["lod"][:52]).all() and np.isnan(cols["lod"][52:]).all()
    row = np.arange(60)
    for flag, first in [("pred_pole", 53), ("pred_ut1", 53), ("pred_nut", 33)]:
        assert cols[flag].dtype == bool and (cols[flag] == (row >= first)).all()
