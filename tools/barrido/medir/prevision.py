"""How long one invocation is predicted to take at a size not yet
measured, from the sizes measured so far."""

import math
from typing import Dict, Optional

from ..estadistica.ajuste import Ajuste, ajustar


def prever(duraciones: Dict[int, float], n: int, exponencial: bool) -> Optional[float]:
    """One invocation's wall time at n, from the growth of the largest
    sizes measured so far (the last three: the small ones are mostly the
    cost of starting a process). None with fewer than two sizes."""
    ultimas = sorted(duraciones.items())[-3:]
    ajuste = ajustar([(m, max(d, 1e-6)) for m, d in ultimas], exponencial)
    if ajuste is None:
        return None
    # A growth read off sizes dominated by the start-up cost can come out
    # flat or even falling; the time never grows slower than linearly here.
    # The curve of that growth goes through the largest size measured.
    tasa = max(ajuste.tasa, 1.0)
    ultima_n, ultima_d = ultimas[-1]
    curva = Ajuste(1.0, tasa, ajuste.r2, ajuste.puntos, exponencial)
    prevista = ultima_d * (curva(n - ultima_n) if exponencial else curva(n / ultima_n))
    # A curve that overflows a double is a time past any budget.
    return prevista if math.isfinite(prevista) else math.inf


def _segundos(prevista: float) -> str:
    if math.isfinite(prevista):
        return f"{prevista:.3g} s"
    return "más segundos de los que caben en un double"
