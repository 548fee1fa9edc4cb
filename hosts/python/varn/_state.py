"""Positions, velocities and accelerations between the GCRS and the ITRS."""

from typing import Any, List, NamedTuple, Optional

import numpy as np

from . import _varn
from ._inputs import real_array, thread_count


class StateVectors(NamedTuple):
    """Position, velocity and acceleration in the target frame; None where not given."""
    r: np.ndarray
    v: Optional[np.ndarray]
    a: Optional[np.ndarray]


def _state_batch(rc2t: Any, rpom: Any, r: Any, v: Any, a: Any, lod: Any) -> List[Any]:
    """The arguments checked, as float64 arrays broadcast to n rows (stride 0 for one row)."""
    if isinstance(rc2t, tuple) and hasattr(rc2t, "rpom"):
        raise TypeError("rc2t is a result of varn.compute: call its method, "
                        "res.gcrs_to_itrs(r, ...) or res.itrs_to_gcrs(r, ...)")
    inputs = {"rc2t": rc2t, "rpom": rpom, "r": r, "v": v, "a": a}
    arrays = {k: real_array(k, x) for k, x in inputs.items() if x is not None}
    lod = real_array("lod", 0.0 if lod is None else lod)
    rows = []
    for k, x in arrays.items():
        core = (3, 3) if k in ("rc2t", "rpom") else (3,)
        if x.shape[-len(core):] != core or x.ndim not in (len(core), len(core) + 1):
            raise ValueError(f"{k} must have shape (n,) + {core} or {core}, got {x.shape}")
        if x.ndim > len(core):
            rows.append((k, x.shape[0]))
    if lod.ndim > 2 or (lod.ndim == 2 and lod.shape[1] != 1):
        raise ValueError(f"lod must be a scalar or have shape (n,) or (n, 1), got {lod.shape}")
    if lod.ndim >= 1:
        rows.append(("lod", lod.shape[0]))
    n = max((m for _, m in rows), default=1)
    for k, m in rows:
        if m not in (1, n):
            raise ValueError(f"{k} has {m} rows where the other inputs have {n}")
    if "a" in arrays and "v" not in arrays:
        raise ValueError("an acceleration needs the velocity v as well")

    def spread(x, core):
        x = np.asarray(x, dtype=np.float64)
        if any(s % x.itemsize for s in x.strides):  # a view into records
            x = np.ascontiguousarray(x)
        return np.broadcast_to(x, (n,) + core)

    out = [spread(arrays[k], (3, 3)) for k in ("rc2t", "rpom")]
    out += [spread(arrays[k], (3,)) if k in arrays else None for k in ("r", "v", "a")]
    out.append(np.broadcast_to(np.asarray(lod, dtype=np.float64).reshape(-1), (n,)))
    return out


def gcrs_to_itrs(rc2t: Any, rpom: Any, r: Any, v: Any = None, a: Any = None, lod: Any = 0.0, *,
                 threads: Optional[int] = None) -> StateVectors:
    """Positions, velocities and accelerations from the GCRS to the ITRS.

    Per row, with W = rpom and RQ = W.T @ rc2t (Earth rotation times the
    celestial-to-intermediate matrix), and w = (0, 0, omega) in the
    terrestrial intermediate frame, omega = 7.292115146706979e-5 *
    (1 - lod / 86400) rad/s::

        r' = RQ r;  v' = RQ v - w x r';  a' = RQ a - 2 w x v' - w x (w x r')
        r_ITRS = W r';  v_ITRS = W v';  a_ITRS = W a'

    The rates of W and of the precession-nutation are left out: against the
    numerical derivative of varn's own rc2t over 1900-2100 the velocity is
    within 1e-11 s^-1 * |r| (0.05 mm/s in low orbit).

    Parameters
    ----------
    rc2t, rpom : array_like, shape (n, 3, 3) or (3, 3)
        Celestial-to-terrestrial and polar-motion matrices, as
        :func:`compute` returns them (a :class:`Result` does the same with
        its method ``res.gcrs_to_itrs(r, v, a, lod)``).
    r : array_like, shape (n, 3) or (3,)
        Position, any length unit.
    v, a : array_like, shape (n, 3) or (3,), optional
        Velocity per second, acceleration per second squared (a needs v).
    lod : array_like, shape (n,) or (n, 1), or scalar, optional
        Excess length of day, seconds; default (or None) 0.
    threads : int or None, keyword only
        As in :func:`compute`.

    One-row inputs are broadcast to the n rows of the others.

    Returns
    -------
    StateVectors
        ``r``, ``v``, ``a`` in the ITRS, float64 (n, 3) in column-major
        order as every array of varn; v and a are None where not given. A
        NaN input gives NaN in its own row only.

    Raises
    ------
    TypeError
        Inputs that are not real numbers; a Result in place of rc2t.
    ValueError
        Shapes other than the above, row counts that differ, a without v.

    Examples
    --------
    >>> res = varn.compute(tt, xp, yp, dX, dY, dut)
    >>> r_itrs, v_itrs, _ = varn.gcrs_to_itrs(res.rc2t, res.rpom, r_gcrs, v_gcrs)
    """
    count = thread_count(threads)
    return StateVectors(*_varn.transform(True, *_state_batch(rc2t, rpom, r, v, a, lod), count))


def itrs_to_gcrs(rc2t: Any, rpom: Any, r: Any, v: Any = None, a: Any = None, lod: Any = 0.0, *,
                 threads: Optional[int] = None) -> StateVectors:
    """Positions, velocities and accelerations from the ITRS to the GCRS.

    The exact inverse of :func:`gcrs_to_itrs`, step by step::

        r' = W.T r;  v' = W.T v;  a' = W.T a
        r = RQ.T r';  v = RQ.T (v' + w x r');  a = RQ.T (a' + 2 w x v' + w x (w x r'))

    so that a round trip returns its input to rounding. Arguments, returns
    and errors as :func:`gcrs_to_itrs`, the inputs in the ITRS and the
    results in the GCRS.

    Examples
    --------
    >>> station = [4075539.0, 931735.0, 4801629.0]        # m, ITRS, at rest
    >>> r, v, _ = varn.itrs_to_gcrs(res.rc2t, res.rpom, station, [0.0, 0.0, 0.0])
    """
    count = thread_count(threads)
    return StateVectors(*_varn.transform(False, *_state_batch(rc2t, rpom, r, v, a, lod), count))
