# Type stub of varn.dask: the fields of the Result are lazy dask arrays.
from typing import Any, Optional

from varn import Result

def compute(tt: Any, xp: Any, yp: Any, dX: Any, dY: Any, dut: Any, *, fast: bool = ...,
            threads: Optional[int] = ...) -> Result: ...
