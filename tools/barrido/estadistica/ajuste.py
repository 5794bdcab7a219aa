"""The fit of the growth, t(n) ≈ C·n^b (C·a^n for a program that grows
exponentially), by least squares on logarithms, and the trend of the
ratio t/f(n) of each candidate bound."""

import math
import statistics
from dataclasses import dataclass
from typing import List, Optional, Sequence, Tuple

from ..datos.cotas import Cota
from ..datos.estudio import Muestras
from .incertidumbre import abarcar, bootstrap, estimacion, intervalo

Pares = Sequence[Tuple[int, float]]  # one value per size


@dataclass
class Ajuste:
    """t(n) ≈ C·n^b, or C·a^n for a program that grows exponentially, with
    95% intervals of the rate and the constant when they were estimated."""

    constante: float
    tasa: float  # b, or a
    r2: float
    puntos: int
    exponencial: bool
    tasa_inf: Optional[float] = None
    tasa_sup: Optional[float] = None
    constante_inf: Optional[float] = None
    constante_sup: Optional[float] = None

    def __call__(self, n: float) -> float:
        """The fitted curve at n; inf where it overflows a double."""
        try:
            return self.constante * (self.tasa ** n if self.exponencial else n ** self.tasa)
        except OverflowError:
            return math.inf

    def expresion(self, variable: str = "x") -> str:
        """The curve as an expression of `variable` for gnuplot."""
        if self.exponencial:
            return f"{self.constante!r}*{self.tasa!r}**{variable}"
        return f"{self.constante!r}*{variable}**{self.tasa!r}"


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
    try:
        return Ajuste(math.exp(a), math.exp(b) if exponencial else b, r2, len(pares),
                      exponencial)
    except OverflowError:  # close sizes can give a growth whose constant no double holds
        return None


def ajustar_con_intervalo(muestras: Muestras, exponencial: bool, semilla: int
                          ) -> Optional[Ajuste]:
    """The fit of each size's estimate (incertidumbre.estimacion), with the
    95% intervals of its rate and constant from a bootstrap over the
    invocations of each size, each holding its estimate."""
    ajuste = ajustar([(n, estimacion(v)) for n, v in muestras], exponencial)
    if ajuste is None:
        return None
    tallas = [n for n, _ in muestras]

    def refit(medianas: List[float]) -> Optional[Tuple[float, float]]:
        otro = ajustar(list(zip(tallas, medianas)), exponencial)
        return (otro.tasa, otro.constante) if otro else None

    remuestreados = bootstrap([v for _, v in muestras], refit, semilla,
                              representante=estimacion)
    ajuste.tasa_inf, ajuste.tasa_sup = abarcar(ajuste.tasa,
                                               *intervalo([m[0] for m in remuestreados]))
    ajuste.constante_inf, ajuste.constante_sup = abarcar(
        ajuste.constante, *intervalo([m[1] for m in remuestreados]))
    return ajuste


@dataclass
class Tendencia:
    """How the ratio t/f(n) of one bound moves over the fitted points."""

    cota: Cota
    factor: float  # change of the ratio from the smallest to the largest n, by its trend
    constante: float  # median of the ratio over the larger half of the sizes


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

