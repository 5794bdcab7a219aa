"""Uncertainty from the invocations themselves: a seeded bootstrap that
resamples the invocations within each size, and the distribution-free
interval of a median."""

import math
import random
import statistics
from typing import Callable, List, Optional, Sequence, Tuple, TypeVar

REMUESTRAS = 1000  # resamples of every bootstrap: a 95% interval to about ±1%
# The level of the intervals the study reports: of a fit's rate and
# constant, of a model's constants, of a median, of a ratio in compare.
# (The verdict's test has a level of its own, NIVEL_VEREDICTO.)
NIVEL_INTERVALO = 0.95

# What stands for the invocations of one size in a resample: estimacion.
Representante = Callable[[Sequence[float]], float]


def estimacion(valores: Sequence[float]) -> float:
    """The one number that stands for a size's time everywhere the study
    quotes it (the table, the summary, the fits, the verdict, the steps,
    the plots and resumen.tsv): the median of its invocations, those the
    machine did not disturb (Punto.limpios). The median, not the fastest:
    with the disturbed invocations set aside it is as little moved by
    other work, it does not drift down as invocations are added (the
    fastest of a sample is an extreme, lower the more there are, so a study
    with --append would change its own estimates), and it is the value the
    table has always printed."""
    return statistics.median(valores)


def abarcar(punto: float, inf: float, sup: float) -> Tuple[float, float]:
    """An interval that holds its own estimate. A percentile bootstrap of
    a statistic of medians can lie wholly on one side of the estimate when
    the invocations are skewed (a few slow ones: resampled medians then
    shift one way only); the interval is then stretched to reach the
    estimate, so that it never claims the estimate itself is implausible."""
    return min(inf, punto), max(sup, punto)


T = TypeVar("T")


def bootstrap(
    grupos: Sequence[Sequence[float]], estadistico: Callable[[List[float]], Optional[T]],
    semilla: int, veces: int = REMUESTRAS, representante: Representante = statistics.median,
) -> List[T]:
    """The statistic of `veces` resamples: each resample replaces every
    group of values (the invocations of one size) by the `representante`
    (estimacion, the median) of as many values drawn with replacement
    from it, and hands that list to `estadistico`. Resamples whose
    statistic is None are left out."""
    azar = random.Random(semilla)
    resultado = []
    for _ in range(veces):
        resumidos = [representante(azar.choices(v, k=len(v))) for v in grupos]
        valor = estadistico(resumidos)
        if valor is not None:
            resultado.append(valor)
    return resultado


def intervalo(valores: Sequence[float], nivel: float = NIVEL_INTERVALO) -> Tuple[float, float]:
    """The central interval holding `nivel` of the values: their 2.5% and
    97.5% quantiles for 95%."""
    if len(valores) == 1:
        return valores[0], valores[0]
    partes = round(2 / (1 - nivel))  # 40 parts: cut points every 2.5%
    cortes = statistics.quantiles(valores, n=partes, method="inclusive")
    return cortes[0], cortes[-1]


def intervalo_mediana(valores: Sequence[float], nivel: float = NIVEL_INTERVALO) -> Tuple[float, float, bool]:
    """The interval between two order statistics that holds the median of
    the distribution with probability at least `nivel` (whatever the
    distribution), and whether that level is reached: with fewer than six
    values no interval reaches 95%, and the range of the values is given."""
    x = sorted(valores)
    k = len(x)
    # Cover the median by x[j] .. x[k-1-j]: it falls outside with probability
    # 2·P(Bin(k, 1/2) <= j), so take the largest j that keeps that below 1 - nivel.
    j = -1
    while j + 1 < k // 2 and 2 * _cola(k, j + 1) <= 1 - nivel:
        j += 1
    if j < 0:
        return x[0], x[-1], False
    return x[j], x[k - 1 - j], True


def _cola(k: int, j: int) -> float:
    """P(Bin(k, 1/2) <= j)."""
    return sum(math.comb(k, i) for i in range(j + 1)) / 2**k
