"""The verdict on the times: which candidate bound they follow, judged on
the upper half of the sizes by the slope of log(t/f) with its bootstrap
interval; it can also find that bounds cannot be told apart at these
sizes, or that the times grow faster or slower than all of them. The
verdict is a value; redaccion.veredicto puts it in words."""

import math
import statistics
from dataclasses import dataclass, field
from typing import List, Optional, Sequence, Tuple

from ..datos.cotas import Cota
from ..datos.estudio import Muestras
from .incertidumbre import abarcar, bootstrap, estimacion, intervalo

# A bound fits when the interval of its ratio's slope lies within its window
# around 0: an equivalence test, which shows the slope is near 0 rather than
# failing to show it is not. Each side of the window reaches three quarters
# of the way to the slope of the neighbouring bound on that side (an outer
# side as far as the inner one): real times never follow a bound exactly,
# and the window leaves them that room while the neighbour still lies
# outside it. The windows of two neighbours then overlap in the middle half
# of the distance between them: times that grow there fit both, and the
# verdict says they cannot be told apart rather than pick one.
FRACCION_MARGEN = 0.75
MARGEN_DE_UNA_COTA = 0.05  # with a single candidate there is no distance to take
# Each side of the window is a one-sided test at 5 %, which a two-sided 90 %
# interval carries out. (The intervals the study reports, of a fit's rate
# for instance, are 95 %: NIVEL_INTERVALO.)
NIVEL_VEREDICTO = 0.90

# Slopes are printed with three decimals: half the last one is how far an
# interval may miss 0 and still read as reaching it.
MEDIO_DIGITO = 0.0005



@dataclass
class Prueba:
    """The slope test of one bound over the upper half of the sizes."""

    cota: Cota
    pendiente: float  # of log(t/f) against log n (against n for exponential growth)
    inf: float
    sup: float
    constante: float  # median of t/f over the upper half
    abajo: float = 0.0  # the window: the slope may go this far below 0
    arriba: float = 0.0  # and this far above
    exponente: float = 0.0  # the slope of log f itself over the same sizes

    @property
    def cabe(self) -> bool:
        return -self.abajo <= self.inf and self.sup <= self.arriba

    @property
    def tocada(self) -> bool:
        """The interval reaches into the window: the data do not rule the
        bound out."""
        return self.inf <= self.arriba and self.sup >= -self.abajo


@dataclass
class Veredicto:
    tipo: str  # cota, indistinguibles, mas_deprisa, mas_despacio, sin_datos
    cotas: List[Cota] = field(default_factory=list)  # the bounds the verdict names
    pruebas: List[Prueba] = field(default_factory=list)
    tallas: Tuple[int, int] = (0, 0)  # the upper half: from, to
    lado: str = ""  # a single bound not told apart from growing faster or slower than it
    # Set when the upper half followed another bound than the counts' and
    # the naming rule (nombre.py) would not name it: that bound, and why.
    en_vez_de: Optional[Cota] = None
    motivo: str = ""
    # Set when the machine disturbed most invocations of the sizes judged:
    # how many, in words; no bound is then named.
    ocupada: str = ""

    def cota(self) -> Optional[Cota]:
        """The one bound the times follow, if the verdict names one."""
        return self.cotas[0] if self.tipo == "cota" else None

    def citada(self) -> Optional[Prueba]:
        """The test the verdict states as its evidence: that of the bound it
        names (the first, when it names several), or, when the times grow
        past every bound, that of the bound they pass closest to."""
        if not self.pruebas:
            return None
        if self.cotas:
            return next(p for p in self.pruebas if p.cota is self.cotas[0])
        extremo = max if self.tipo == "mas_deprisa" else min
        return extremo(self.pruebas, key=lambda p: p.exponente)

    @property
    def cerca(self) -> bool:
        """A bound named whose slope fits its window without reaching 0: the
        times grow near it, a little faster or slower. An interval that
        misses 0 by less than the last digit printed reaches it as printed."""
        p = self.citada()
        return (self.tipo == "cota" and p is not None
                and not p.inf - MEDIO_DIGITO <= 0 <= p.sup + MEDIO_DIGITO)

    @property
    def lado_cercano(self) -> str:
        """For a bound named nearby: deprisa when the times grow a little
        faster than it, despacio when a little slower."""
        p = self.citada()
        return "deprisa" if p is not None and p.inf > 0 else "despacio"


def exponente_en(cota: Cota, tallas: Sequence[int], exponencial: bool) -> Optional[float]:
    """The growth a bound shows over these sizes, as the fit of the times
    writes it: the slope of log f against log n (n*log(n) grows as about
    n^1.1 between 1000 and 4M), or, for exponential growth, the base a of
    a^n. None with fewer than two sizes where the bound has a value."""
    puntos = [(n, f) for n in tallas if (f := cota(n)) is not None]
    if len({n for n, _ in puntos}) < 2:
        return None
    xs = [float(n) if exponencial else math.log(n) for n, _ in puntos]
    pendiente = _pendiente(xs, [math.log(f) for _, f in puntos])
    return math.exp(pendiente) if exponencial else pendiente


def mitad_superior(muestras: Muestras) -> Muestras:
    """The larger half of the sizes (the middle one too, when they are
    odd), and at least three where there are."""
    ordenadas = sorted(muestras, key=lambda s: s[0])
    k = len(ordenadas)
    return ordenadas[k - max(min(3, k), math.ceil(k / 2)):]


def _pendiente(xs: Sequence[float], ys: Sequence[float]) -> float:
    return statistics.linear_regression(xs, ys)[0]


def juzgar(muestras: Muestras, cotas: Sequence[Cota], exponencial: bool, semilla: int
           ) -> Veredicto:
    """The verdict on the times of one configuration (its fitted sizes with
    every invocation's value) against the candidate bounds."""
    mitad = [(n, v) for n, v in mitad_superior(muestras)
             if all(c(n) is not None for c in cotas)]
    if len({n for n, _ in mitad}) < 2 or not cotas:
        return Veredicto("sin_datos")
    xs = [float(n) if exponencial else math.log(n) for n, _ in mitad]

    def pendiente(medianas: List[float]) -> float:
        return _pendiente(xs, [math.log(t) for t in medianas])

    b = pendiente([estimacion(v) for _, v in mitad])
    lo, hi = abarcar(b, *intervalo(bootstrap([v for _, v in mitad], pendiente, semilla,
                                             representante=estimacion), NIVEL_VEREDICTO))
    # The slope of log f itself: that of log(t/f) is then b - e.
    exponentes = [_pendiente(xs, [math.log(c(n)) for n, _ in mitad]) for c in cotas]
    pruebas = []
    for cota, e in zip(cotas, exponentes):
        cocientes = [estimacion(v) / cota(n) for n, v in mitad]
        pruebas.append(Prueba(cota, b - e, lo - e, hi - e, statistics.median(cocientes),
                              exponente=e))
    _ventanas(pruebas, exponentes)
    veredicto = Veredicto("", [], pruebas, (mitad[0][0], mitad[-1][0]))
    caben = [p.cota for p in pruebas if p.cabe]
    tocadas = [p for p in pruebas if p.tocada]
    if len(caben) == 1:
        veredicto.tipo, veredicto.cotas = "cota", caben
    elif caben:
        veredicto.tipo, veredicto.cotas = "indistinguibles", caben
    elif len(tocadas) > 1:
        veredicto.tipo, veredicto.cotas = "indistinguibles", [p.cota for p in tocadas]
    elif tocadas:
        # The interval reaches out of one window into growth no bound has.
        p = tocadas[0]
        veredicto.tipo, veredicto.cotas = "indistinguibles", [p.cota]
        veredicto.lado = "deprisa" if p.sup > p.arriba else "despacio"
    else:
        # The windows cover every slope from below the slowest bound's to
        # above the fastest's: an interval clear of all of them lies above
        # or below them all.
        veredicto.tipo = "mas_deprisa" if pruebas[0].inf > pruebas[0].arriba else "mas_despacio"
    return veredicto


def _ventanas(pruebas: Sequence[Prueba], exponentes: Sequence[float]):
    """Sets each bound's window from the distances to its neighbours."""
    orden = sorted(range(len(pruebas)), key=lambda i: exponentes[i])
    for k, i in enumerate(orden):
        abajo = exponentes[i] - exponentes[orden[k - 1]] if k > 0 else None
        arriba = exponentes[orden[k + 1]] - exponentes[i] if k + 1 < len(orden) else None
        abajo = abajo if abajo is not None else arriba
        arriba = arriba if arriba is not None else abajo
        if abajo is None:  # a single candidate
            abajo = arriba = MARGEN_DE_UNA_COTA / FRACCION_MARGEN
        pruebas[i].abajo = FRACCION_MARGEN * abajo
        pruebas[i].arriba = FRACCION_MARGEN * arriba
