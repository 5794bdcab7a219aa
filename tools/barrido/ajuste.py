"""The fit of the growth, t(n) ≈ C·n^b (C·a^n for a program that grows
exponentially), by least squares on logarithms, and the trend of the
ratio t/f(n) of each candidate bound."""

import math
import statistics
from dataclasses import dataclass
from typing import List, Optional, Sequence, Tuple

from .cotas import Cota

Pares = Sequence[Tuple[int, float]]


@dataclass
class Ajuste:
    """t(n) ≈ C·n^b, or C·a^n for a program that grows exponentially."""

    constante: float
    tasa: float  # b, or a
    r2: float
    puntos: int
    exponencial: bool

    def formula(self) -> str:
        if self.exponencial:
            return f"t(n) ≈ {self.constante:.3g}·{self.tasa:.3f}^n"
        return f"t(n) ≈ {self.constante:.3g}·n^{self.tasa:.3f}"


def recta(xs: Sequence[float], ys: Sequence[float]) -> Tuple[float, float, float]:
    """Least-squares line y = a + b·x: (a, b, R²). R² of a line fitted by
    least squares is the square of the correlation; ys that do not vary are
    fitted exactly."""
    b, a = statistics.linear_regression(xs, ys)
    if len(set(ys)) < 2:
        return a, b, 1.0
    return a, b, statistics.correlation(xs, ys) ** 2


def _abscisa(n: float, exponencial: bool) -> float:
    return n if exponencial else math.log(n)


def ajustar(pares: Pares, exponencial: bool) -> Optional[Ajuste]:
    """Least squares on log t against log n (against n when exponencial).
    None with fewer than two distinct sizes."""
    if len({n for n, _ in pares}) < 2:
        return None
    xs = [_abscisa(n, exponencial) for n, _ in pares]
    a, b, r2 = recta(xs, [math.log(t) for _, t in pares])
    return Ajuste(math.exp(a), math.exp(b) if exponencial else b, r2, len(pares), exponencial)


@dataclass
class Tendencia:
    """How the ratio t/f(n) of one bound moves over the fitted points."""

    cota: Cota
    factor: float  # change of the ratio from the smallest to the largest n, by its trend
    constante: float  # median of the ratio over the larger half of the sizes

    def describir(self) -> str:
        if self.factor > 1.25:
            return f"{self.cota.columna} crece ×{self.factor:.3g}"
        if self.factor < 0.8:
            return f"{self.cota.columna} decrece ×{self.factor:.3g}"
        return f"{self.cota.columna} casi constante ×{self.factor:.3g}"


def tendencias(pares: Pares, cotas: Sequence[Cota], exponencial: bool) -> List[Tendencia]:
    """The trend of each bound's ratio: the slope of log(t/f) fitted against
    log n (n when exponencial), turned into the factor by which the ratio
    changes across the range. The steadiest bound has the factor nearest 1:
    an underestimate's ratio keeps growing, an overestimate's keeps falling."""
    resultado = []
    for cota in cotas:
        con_valor = [(n, t / f) for n, t in pares if (f := cota(n)) is not None]
        if len({n for n, _ in con_valor}) < 2:
            continue
        xs = [_abscisa(n, exponencial) for n, _ in con_valor]
        _, pendiente, _ = recta(xs, [math.log(r) for _, r in con_valor])
        mayores = sorted(con_valor)[len(con_valor) // 2:]
        resultado.append(
            Tendencia(
                cota,
                math.exp(pendiente * (max(xs) - min(xs))),
                statistics.median(r for _, r in mayores),
            )
        )
    return resultado


def mas_estable(lista: Sequence[Tendencia]) -> Optional[Tendencia]:
    return min(lista, key=lambda t: abs(math.log(t.factor)), default=None)
