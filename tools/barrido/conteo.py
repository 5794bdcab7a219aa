"""What the counts say: the growth of the algorithm, read from exact counts
so that a lower-order term cannot decide it, and how the time of one
operation drifts across the sizes, which is what the machine adds."""

import math
import statistics
from dataclasses import dataclass
from typing import List, Optional, Sequence, Tuple

from .cotas import Cota
from .modelo import ajustar_modelo

# A bound is the counts' growth when a·f(n) + b·n fits the counts with a
# root-mean-square relative residual below RESIDUO_MAXIMO and every other
# bound leaves one at least DISTINCION times as large. Counts on random input
# scatter: quicksort's comparisons vary by about 0.65·n from one input to the
# next (2 to 5 % of them), and the three runs of an invocation that starts
# within one second sort the same input. With that scatter over the 13
# default sizes the right bound's residual is near 2.5 % and n^1.2's near
# 5 %; in 300 simulated sweeps their ratio stayed above 1.3 in 99 % and never
# fell below 1, so a ratio of 1.3 names the right bound and no other.
RESIDUO_MAXIMO = 0.06
DISTINCION = 1.3

# The time of one operation "drifts" when it changes by more than this
# factor between two sizes (or falls below its inverse).
DERIVA = 1.25

_LINEAL = Cota("n")


@dataclass
class VeredictoCuentas:
    cuenta: str  # comparaciones, pasos, llamadas
    residuos: List[Tuple[Cota, float]]  # of a·f + b·n for each bound, best first
    cota: Optional[Cota]  # the growth named, None when the counts cannot tell

    def texto(self) -> str:
        detalle = ", ".join(f"{c.texto} {100 * r:.2g} %" for c, r in self.residuos)
        if self.cota is None:
            return (f"el número de {self.cuenta} no distingue las cotas a estas tallas"
                    f" (residuo relativo de a·f(n) + b·n: {detalle}): pruebe tallas mayores")
        return (f"el número de {self.cuenta} crece como {self.cota.texto} (residuo relativo de"
                f" a·f(n) + b·n: {detalle})")


def _proporcional_a_n(cota: Cota, tallas: Sequence[int]) -> bool:
    cocientes = [cota(n) / n for n in tallas]
    return max(cocientes) - min(cocientes) <= 1e-9 * max(cocientes)


def residuo(cota: Cota, cuentas: Sequence[Tuple[int, float]]) -> Optional[float]:
    """The root-mean-square relative residual of the counts fitted by
    a·f(n) + b·n.
    The linear term takes up what grows as n beside the main term (the
    insertion sort of mergesort's short ranges adds about 10.5·n
    comparisons to its n·lg n), so only the shape of f decides."""
    puntos = [(n, [c]) for n, c in cuentas if cota(n) is not None and c > 0]
    if len(puntos) < 3:
        return None
    terminos = [cota] if _proporcional_a_n(cota, [n for n, _ in puntos]) else [cota, _LINEAL]
    modelo = ajustar_modelo(terminos, puntos, veces=0)
    if modelo is None:
        return None
    return math.sqrt(statistics.fmean((modelo(n) / v[0] - 1) ** 2 for n, v in puntos))


def juzgar_cuentas(cuenta: str, cuentas: Sequence[Tuple[int, float]],
                   cotas: Sequence[Cota]) -> Optional[VeredictoCuentas]:
    """The bound whose a·f(n) + b·n fits the counts best, if it fits them
    well and clearly better than every other; None with under three sizes."""
    residuos = [(c, r) for c in cotas if (r := residuo(c, cuentas)) is not None]
    if not residuos:
        return None
    residuos.sort(key=lambda x: x[1])
    mejor, r = residuos[0]
    clara = all(otro >= DISTINCION * r for _, otro in residuos[1:])
    return VeredictoCuentas(cuenta, residuos, mejor if r <= RESIDUO_MAXIMO and clara else None)


@dataclass
class Deriva:
    """The time of one operation changes by `factor` from n = desde to hasta."""

    factor: float
    desde: int
    hasta: int

    def texto(self, operacion: str) -> str:
        verbo = "crece" if self.factor > 1 else "baja"
        return f"el tiempo por {operacion} {verbo} ×{self.factor:.2g} de {self.desde} a {self.hasta}"


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
