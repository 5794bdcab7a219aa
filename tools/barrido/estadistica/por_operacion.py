"""The time of one operation, what the counts add to the times: the time
of each size over its main count, and how it drifts across the sizes,
which is what the machine adds. (The growth the counts name is
crecimiento's.)"""

from dataclasses import dataclass
from typing import List, Optional, Sequence, Tuple


# The time of one operation "drifts" when it changes by more than this
# factor between two sizes (or falls below its inverse).
DERIVA = 1.25


@dataclass
class Deriva:
    """The time of one operation changes by `factor` from n = desde to hasta."""

    factor: float
    desde: int
    hasta: int


def tiempo_por_operacion(tiempos: Sequence[Tuple[int, float]],
                         cuentas: Sequence[Tuple[int, float]]) -> List[Tuple[int, float]]:
    """(n, seconds per operation) where both are known."""
    por_n = dict(cuentas)
    return [(n, t / por_n[n]) for n, t in tiempos if por_n.get(n, 0) > 0]


def deriva(por_operacion: Sequence[Tuple[int, float]]) -> Optional[Deriva]:
    """How far the time per operation at the largest size lies from that at
    a smaller one, when it is beyond DERIVA: the largest rise towards the
    largest size (the caches filling) is looked for first, then the largest
    fall. The largest size is the one the growth is read from, and its
    time, the longest, is the least disturbed."""
    puntos = sorted(por_operacion)
    if len(puntos) < 2:
        return None
    hasta, ultimo = puntos[-1]
    cambios = [(ultimo / t, n, hasta) for n, t in puntos[:-1]]
    subida, bajada = max(cambios), min(cambios)
    if subida[0] > DERIVA:
        return Deriva(*subida)
    if bajada[0] < 1 / DERIVA:
        return Deriva(*bajada)
    return None
