"""The growth of a measure across the sizes (an operation count, the extra
memory held at once, the recursion depth), named from a ladder of bounds so
that lower-order terms cannot decide it, and judged in logarithms so that
no bound overflows and drops a size. The verdict is a value;
redaccion.crecimiento puts it in words."""

import math
import statistics
from dataclasses import dataclass, field
from typing import Dict, List, NamedTuple, Optional, Sequence, Tuple

from ..datos.cotas import Cota
from .modelo import minimos_cuadrados

ESCALERA = [Cota(t) for t in ("1", "log(n)", "n", "n*log(n)", "n^2", "n^3", "2^n")]

# Each bound f, taken in order of growth, is fitted as a·f + b·g, g the next
# slower bound, which takes up lower-order terms. f is named when: a·f is at
# least PARTE_MINIMA of the fit at the largest size (n·log2(n) + 10.5·n gives
# n*log(n) 68 % at 4096000; mergesort's comparisons on reversed keys, to which
# the insertion sort of its ranges below 100 keys adds about 25·n, 46 % at
# 2048000 and 42 % at 256000; n·ln(n) + 0.45·n^1.2 gives n^1.2 38 %, naming
# neither); g's residual is DISTINCION times f's or more and the next faster
# bound's is not (for the slowest bound: the next one's part is at most
# PARTE_AJENA); and the residual is at most AJUSTE times its roughness
# (scatter is as rough as it is large, a missed growth smooth) or
# RESIDUO_EXACTO (exact counts: n^2 + 1000·n leaves 1.3 %, mergesort's memory
# from 100 keys 1.9 %, while n^1.1 beside n*log(n) leaves 2.9 %).
# Simulated, 1000 sweeps each of 25 cases (2·n·ln n ± 3 %; quicksort's
# comparisons, 2·n·ln n - 2.85·n ± 0.65·n, against the ladder and n,
# n*log(n), n^1.2; n^2/4 ± 2 % on three lists of sizes and against n^1.8,
# n^2, n^2.2 and n^2, n^3; n, log2(n) + 1, 5, n^3, 2^n ± 3 %, also against
# n, n*log(n) and n^3, n^3.2; exact Floyd and Hanoi counts): the right bound
# kept 91 % of the fit or more, the slower bound's residual was 2.35 times
# its own or more, the slowest bound's neighbour took 11 % at most; 12 times
# a faster bound's residual fell below half (11 of them n^3.2 against n^3
# over seven sizes) and 4 times a residual passed 2.5 times its roughness
# (2.9 at most): 16 sweeps in 25000 named nothing, none a wrong bound.
# n^1.5, n^2.5, n^2·ln(n), exact or ± 1 % or ± 3 %: never named in 200.
# Quicksort's recursion depth (7 to 31 at 1000..4096000 keys): log(n) in 299
# of 300, else nothing; round(2·log2(n/50) + a normal scatter of deviation
# 2, 3 or 4): log(n) in 498, 443, 339 of 500, else nothing.
PARTE_MINIMA = 0.42
PARTE_AJENA = 0.25
DISTINCION = 2.0
AJUSTE = 2.5
RESIDUO_EXACTO = 0.02
SUELO = 1e-9  # rounding: exact fits leave 1e-16 to 1e-13, none better than another


class Peldano(NamedTuple):
    """One rung of the ladder: the fit of a·f + b·g for one bound f, g the
    next slower candidate."""

    cota: Cota
    parte: float  # a·f's share of the fitted value at the largest size
    residuo: float  # root mean square of the relative residuals
    aspereza: float  # how rough those residuals are (see _aspereza)


@dataclass
class VeredictoCrecimiento:
    medida: str  # what is judged, as the counting build names it: comparaciones, memoria_extra
    tipo: str  # "cota" (one bound named), "indistinguibles", "cero" (0 at every size)
    cota: Optional[Cota]  # the bound named when tipo == "cota"
    # Each candidate's figure, best first: the largest of its four tests, each
    # as a fraction of its limit (see the constants). A bound is named when
    # its figure is at most 1 and no other's is.
    residuos: List[Tuple[Cota, float]]
    ajustes: List[Peldano] = field(default_factory=list)  # in order of growth
    talla: int = 0  # the largest size judged
    ceros: List[int] = field(default_factory=list)  # sizes where the measure is 0


def _aspereza(x: Sequence[float], e: Sequence[float]) -> float:
    """How rough residuals are: the root mean square of each inner one's
    distance from the line through its neighbours, scaled to one residual's.
    Scatter gives about its own size; a smooth shape the fit misses, less."""
    cuadrados = []
    for i in range(1, len(x) - 1):
        w = (x[i + 1] - x[i]) / (x[i + 1] - x[i - 1])
        distancia = e[i] - w * e[i - 1] - (1 - w) * e[i + 1]
        cuadrados.append(distancia ** 2 / (1 + w * w + (1 - w) ** 2))
    return math.sqrt(statistics.fmean(cuadrados))


def _ajustar(cota: Cota, logs: Sequence[Sequence[float]], x: Sequence[float],
             y: Sequence[float]) -> Peldano:
    """The fit of y ≈ a·f + b·g (g left out where proportional to f), all as
    logs at the sizes whose logs are x, by least squares on the relative
    error. A column f/y is exp(log f - log y - its largest value): 2^n over
    n^3 at a million is 1 at the largest size and 0 elsewhere, no overflow."""
    columnas = []
    for c in logs:
        cocientes = [lc - ly for lc, ly in zip(c, y)]
        mayor = max(cocientes)
        columnas.append([math.exp(q - mayor) for q in cocientes])
    filas = [list(fila) for fila in zip(*columnas)]
    a = minimos_cuadrados(filas, [1.0] * len(y))
    if a is None:
        return _ajustar(cota, logs[:1], x, y)
    ajustados = [math.fsum(ai * u for ai, u in zip(a, fila)) for fila in filas]
    # A fit whose terms underflow at the largest size gives f no part there.
    parte = a[0] * filas[-1][0] / ajustados[-1] if ajustados[-1] > 0 else 0.0
    errores = [v - 1 for v in ajustados]
    residuo = math.sqrt(statistics.fmean(e * e for e in errores))
    return Peldano(cota, parte, residuo, _aspereza(x, errores))


def _figura(ajustes: Sequence[Peldano], k: int) -> float:
    """The largest of bound k's tests, each as a fraction of its limit."""
    a = ajustes[k]
    residuo = max(a.residuo, SUELO)
    pruebas = [a.residuo / max(AJUSTE * a.aspereza, RESIDUO_EXACTO),
               (1 - a.parte) / (1 - PARTE_MINIMA)]
    if k > 0:
        pruebas.append(DISTINCION * residuo / max(ajustes[k - 1].residuo, SUELO))
    elif len(ajustes) > 1:  # the slowest bound: nothing faster in the measure
        pruebas.append(abs(ajustes[1].parte) / PARTE_AJENA)
    if k + 1 < len(ajustes):
        pruebas.append(residuo / (DISTINCION * max(ajustes[k + 1].residuo, SUELO)))
    return max(pruebas)


def juzgar_crecimiento(medida: str, valores: Sequence[Tuple[int, float]],
                       cotas: Optional[Sequence[Cota]] = None) -> Optional[VeredictoCrecimiento]:
    """The growth of a measure given as (n, value), one size's values taken
    by their median, against the candidate bounds (the ladder unless given).
    Sizes where it is 0 are set aside and named in the text, those where a
    bound has no value (log(n) at n = 1) left out; None under three sizes."""
    cotas = list(ESCALERA if cotas is None else cotas)
    por_talla: Dict[int, List[float]] = {}
    for n, v in valores:
        por_talla.setdefault(n, []).append(v)
    if len(por_talla) < 3 or not cotas:
        return None
    # median_low is one of the values: a count too large for a double
    # (2^2001) stays an exact integer, whose log is still finite.
    medianas = {n: statistics.median_low(v) for n, v in sorted(por_talla.items())}
    ceros = [n for n, v in medianas.items() if v == 0]
    if len(ceros) == len(medianas):
        return VeredictoCrecimiento(medida, "cero", None, [], ceros=ceros)
    tallas, y, logs = [], [], []
    for n, v in medianas.items():
        fila = [c.logaritmo(n) for c in cotas]
        if v > 0 and None not in fila and math.isfinite(math.log(v)):
            tallas.append(n)
            y.append(math.log(v))
            logs.append(fila)
    veredicto = VeredictoCrecimiento(medida, "indistinguibles", None, [], ceros=ceros)
    if len(tallas) < 3:
        return veredicto
    columnas = [list(c) for c in zip(*logs)]
    orden = sorted(range(len(cotas)), key=lambda j: columnas[j][-1] - columnas[j][0])
    x = [math.log(n) for n in tallas]
    ajustes = [_ajustar(cotas[j], [columnas[j]] + ([columnas[orden[k - 1]]] if k else []), x, y)
               for k, j in enumerate(orden)]
    figuras = [(a.cota, _figura(ajustes, k)) for k, a in enumerate(ajustes)]
    nombradas = [c for c, figura in figuras if figura <= 1]
    veredicto.residuos = sorted(figuras, key=lambda f: f[1])
    veredicto.ajustes, veredicto.talla = ajustes, tallas[-1]
    if len(nombradas) == 1:
        veredicto.tipo, veredicto.cota = "cota", nombradas[0]
    return veredicto
