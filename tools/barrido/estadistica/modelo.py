"""The fit of a theoretical cost t(n) = a₀·g₀(n) + a₁·g₁(n) + ... whose
terms g_j are written as bounds ("n^2,n,1"), with a bootstrap interval for
each constant a_j."""

import math
import statistics
from dataclasses import dataclass, field
from typing import Dict, List, Optional, Sequence, Tuple

from ..datos.cotas import Cota
from ..datos.estudio import Muestras
from .incertidumbre import Representante, abarcar, bootstrap, intervalo


@dataclass
class Modelo:
    """t(n) ≈ Σ constantes[j]·terminos[j](n), fitted on one value per size."""

    terminos: List[str]
    constantes: List[float]
    intervalos: List[Tuple[float, float]]  # 95 % bootstrap interval of each constant
    residuo_maximo: float  # largest |relative residual| over the sizes
    puntos: int  # sizes fitted
    funciones: List[Cota] = field(repr=False, compare=False)

    def __call__(self, n: float) -> Optional[float]:
        """The fitted value at n, or None where a term has no value."""
        valores = [g(n) for g in self.funciones]
        if None in valores:
            return None
        return sum(a * g for a, g in zip(self.constantes, valores))

    def expresion(self, variable: str = "x") -> str:
        """The model's sum as an expression of `variable` for gnuplot."""
        return " + ".join(f"({a!r})*{g.expresion(variable)}"
                          for a, g in zip(self.constantes, self.funciones))


def _punto(x: Sequence[float], y: Sequence[float]) -> float:
    return math.fsum(a * b for a, b in zip(x, y))


def minimos_cuadrados(filas: Sequence[Sequence[float]], b: Sequence[float]
                      ) -> Optional[List[float]]:
    """The x minimising |A·x − b|² for the rows of A, by modified Gram–Schmidt
    with a second pass (twice is enough for orthogonality) on the columns,
    each first divided by its largest magnitude so that terms of very
    different size (n^3 and 1) weigh alike. None when the columns are not
    independent."""
    k = len(filas[0])
    columnas = [[f[j] for f in filas] for j in range(k)]
    escalas = [max(abs(x) for x in c) for c in columnas]
    if not all(math.isfinite(e) and e > 0 for e in escalas):
        return None
    q: List[List[float]] = []
    r = [[0.0] * k for _ in range(k)]
    for j, (columna, escala) in enumerate(zip(columnas, escalas)):
        v = [x / escala for x in columna]
        norma_inicial = math.sqrt(_punto(v, v))
        for _ in range(2):
            for i, qi in enumerate(q):
                p = _punto(qi, v)
                r[i][j] += p
                v = [x - p * y for x, y in zip(v, qi)]
        norma = math.sqrt(_punto(v, v))
        if norma <= 1e-10 * norma_inicial:
            return None
        r[j][j] = norma
        q.append([x / norma for x in v])
    c = [_punto(qi, b) for qi in q]
    x = [0.0] * k
    for i in reversed(range(k)):
        x[i] = (c[i] - math.fsum(r[i][j] * x[j] for j in range(i + 1, k))) / r[i][i]
    return [xi / e for xi, e in zip(x, escalas)]


def _ajuste_relativo(disenio: Sequence[Sequence[float]], ys: Sequence[float]
                     ) -> Optional[List[float]]:
    """Minimises Σ ((y_i − Σ a_j g_j(n_i)) / y_i)²: each row divided by its y,
    against a right-hand side of ones."""
    return minimos_cuadrados([[g / y for g in fila] for fila, y in zip(disenio, ys)],
                             [1.0] * len(ys))


def _por_talla(terminos: Sequence[Cota], muestras: Muestras
               ) -> Tuple[Dict[int, List[float]], Dict[int, List[float]]]:
    """The sizes a model can be fitted on: n → the terms' values at n, and
    n → its finite positive values (those of an n given twice pooled)."""
    agrupados: Dict[int, List[float]] = {}
    filas: Dict[int, List[float]] = {}
    for n, valores in muestras:
        fila = [g(n) for g in terminos]
        validos = [v for v in valores if math.isfinite(v) and v > 0]
        if None in fila or not validos:
            continue
        filas[n] = fila
        agrupados.setdefault(n, []).extend(validos)
    return filas, agrupados


@dataclass
class SinModelo:
    """Why ajustar_modelo gives no model: `tallas` sizes where every term
    has a value, for `terminos` terms, which need one more size than they
    are (or, with enough sizes, terms that are not independent there)."""

    terminos: int
    tallas: int

    @property
    def pocas_tallas(self) -> bool:
        return self.tallas <= self.terminos


def sin_modelo(terminos: Sequence[Cota], muestras: Muestras) -> SinModelo:
    """Why ajustar_modelo gives no model for these terms and values."""
    _, agrupados = _por_talla(terminos, muestras)
    return SinModelo(len(terminos), len(agrupados))


def ajustar_modelo(terminos: Sequence[Cota], muestras: Muestras, semilla: int = 1,
                   veces: int = 1000, representante: Representante = statistics.median
                   ) -> Optional[Modelo]:
    """Fits t(n) = Σ a_j·g_j(n) on the `representante` of each size's values
    (their median unless told otherwise) by least
    squares weighted for relative error, so that sizes whose values span
    several decades count alike.

    A size is left out where a term has no value (a bound is None where it
    is not finite and positive, as n*log(n) at n = 1); values that are not
    finite and positive cannot be weighted by their relative error and are
    left out too. Values of the same n given twice are pooled. None with
    no more sizes left than terms (through as many points as constants the
    fit is exact, and says nothing of the cost), or when the terms are not
    independent over those sizes; sin_modelo says which.

    Each constant's 95 % interval comes from a bootstrap over the
    invocations: every resample draws, within each size, as many values as
    it has, with replacement, and refits on their representante; the interval is
    the 2.5 % and 97.5 % quantiles of the refitted constants. A size with a
    single value contributes that value to every resample, so the interval
    reflects only the sizes with several. With fewer than two resamples the
    interval is the constant itself."""
    if not terminos:
        return None
    filas, agrupados = _por_talla(terminos, muestras)
    tallas = sorted(agrupados)
    if len(tallas) <= len(terminos):
        return None
    disenio = [filas[n] for n in tallas]
    resumidos = [representante(agrupados[n]) for n in tallas]
    constantes = _ajuste_relativo(disenio, resumidos)
    if constantes is None:
        return None
    ajustados = [_punto(constantes, fila) for fila in disenio]
    residuo = max(abs(y - f) / y for y, f in zip(resumidos, ajustados))

    remuestreadas = (bootstrap([agrupados[n] for n in tallas],
                               lambda ys: _ajuste_relativo(disenio, ys), semilla, veces,
                               representante)
                     if veces >= 2 else [])
    intervalos = [abarcar(a, *intervalo([m[j] for m in remuestreadas]))
                  if len(remuestreadas) >= 2 else (a, a) for j, a in enumerate(constantes)]
    return Modelo([g.texto for g in terminos], constantes, intervalos, residuo, len(tallas),
                  list(terminos))
