"""How long one invocation is predicted to take at a size not yet
measured, from the sizes measured so far."""

import math
import sys
from typing import Dict, Optional

from ..estadistica.ajuste import recta


def prever(duraciones: Dict[int, float], n: int, exponencial: bool) -> Optional[float]:
    """One invocation's wall time at n, from the growth of the largest
    sizes measured so far (the last three: the small ones are mostly the
    cost of starting a process). None with fewer than two sizes. Worked
    out in logarithms: close sizes (1000, 1001, 1002) can give any growth,
    and a time past a double is infinite (past any budget), not an error."""
    ultimas = sorted(duraciones.items())[-3:]
    if len(ultimas) < 2:
        return None
    xs = [m if exponencial else math.log(m) for m, _ in ultimas]
    _, pendiente, _ = recta(xs, [math.log(max(d, 1e-6)) for _, d in ultimas])
    # A growth read off sizes dominated by the start-up cost can come out
    # flat or even falling; the time never grows slower than linearly here
    # (than a constant, for a^n), from the largest size measured.
    ultima_n, ultima_d = ultimas[-1]
    logaritmo = math.log(max(ultima_d, 1e-300)) + (
        max(pendiente, 0.0) * (n - ultima_n) if exponencial
        else max(pendiente, 1.0) * math.log(n / ultima_n))
    return math.exp(logaritmo) if logaritmo < math.log(sys.float_info.max) else math.inf


def _segundos(prevista: float) -> str:
    if math.isfinite(prevista):
        return f"{prevista:.3g} s"
    return "más segundos de los que caben en un double"
