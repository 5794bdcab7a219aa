"""What a program's study concludes, as values: each measure's verdict and
fit (Conclusion), the times against the growth the counts name
(FrenteACuentas) and against the fit over all sizes (FrenteAlAjuste). The
summary, resumen.tsv and the wording read them."""

import math
from dataclasses import dataclass, field
from typing import Dict, List, Optional, Sequence, Tuple

from ..datos.cotas import Cota
from ..estadistica.ajuste import Ajuste
from ..estadistica.jerarquia import EscalonNombrado
from ..estadistica.por_operacion import Deriva
from ..estadistica.sucesos import Cambio
from ..estadistica.veredicto import Prueba, Veredicto, exponente_en


@dataclass
class FrenteACuentas:
    """How the verdict on the times stands against the growth the counts
    name: the same bound, or another one, and then, when the time of one
    operation drifts, by how much (what the machine adds)."""

    crecimiento: Cota
    coinciden: bool
    deriva: Optional[Deriva]
    escalones: List[EscalonNombrado] = field(default_factory=list)  # with the caches crossed


@dataclass
class FrenteAlAjuste:
    """The fit over all sizes beside a verdict that could read as its
    contradiction: a bound named whose growth over the fitted sizes lies
    outside the fit's interval, or times said to grow past every bound
    while the fit's interval holds the nearest one. The verdict judges the
    upper half only, and holds a slope to a window rather than to 0."""

    ajuste: Ajuste
    prueba: Prueba  # the verdict's test of the bound concerned
    equivalente: float  # the bound's exponent (base, for a^n) over the fitted sizes
    tipo: str  # of the verdict

    @property
    def desvio(self) -> float:
        """How far the fit's rate lies from the bound's, on the scale of the
        verdict's slopes (a difference of exponents, or of the logarithms of
        the bases)."""
        if self.ajuste.exponencial:
            return math.log(self.ajuste.tasa) - math.log(self.equivalente)
        return self.ajuste.tasa - self.equivalente

    @property
    def dentro(self) -> bool:
        return -self.prueba.abajo <= self.desvio <= self.prueba.arriba


@dataclass
class Conclusion:
    """What one measure of a program grows as: the lines the summary of a
    sweep repeats and the rows of resumen.tsv, made from the same object."""

    configuracion: str  # a timed configuration, or CUENTAS
    medida: str  # "tiempo", the main count's name, or a measure of space
    ajuste: Optional[Ajuste]
    tipo: str  # cota, indistinguibles, mas_deprisa, mas_despacio, sin_datos
    cota: Optional[Cota]  # the bound the verdict names
    # The verdict: a Veredicto on a time, a VeredictoCrecimiento on a count
    # or a measure of space; None with no verdict.
    veredicto: Optional[object]
    cociente: Optional[float]  # the ratio to the named bound where it settles
    segun_cuentas: Optional[Cota] = None  # on a time, the growth the counts name
    tallas_ajuste: Tuple[int, int] = (0, 0)  # the smallest and largest size fitted
    # On a time: the test the verdict cites, with its slope, interval and
    # window, over the sizes it judges.
    prueba: Optional[Prueba] = None
    tallas_veredicto: Tuple[int, int] = (0, 0)
    frente_al_ajuste: Optional[FrenteAlAjuste] = None
    por_operacion: Optional[Tuple[int, float]] = None  # at the largest size: (n, seconds)
    deriva: Optional[Deriva] = None
    frente: Optional[FrenteACuentas] = None  # on a time, how it stands against the counts
    operacion: str = ""  # the name of one counted operation, for the drift
    datos: str = ""  # what a run works on, for the steps (el vector, la matriz)
    # On the recursion depth: the largest size counted and the depth there,
    # set against log2(n) + 1.
    profundidad: Optional[Tuple[int, float]] = None
    # On a time: for each stretch (desde, hasta) where the time per
    # operation steps or drifts, the event that rises with it (None: the
    # events were measured there and none rises).
    cambios: Dict[Tuple[int, int], Optional[Cambio]] = field(default_factory=dict)

    @property
    def cerca(self) -> bool:
        """Whether the verdict names its bound as near: its slope in the
        window but away from 0 (cerca de n^2, algo más deprisa), or the
        counts' growth named by the naming rule for another the times leaned
        to or tied with (cerca de n^2, como las cuentas), whose slope may
        reach 0. Only a verdict on the times can."""
        v = self.veredicto
        return isinstance(v, Veredicto) and (v.cerca or (v.tipo == "cota" and bool(v.motivo)))


def frente_al_ajuste(v: Veredicto, ajuste: Optional[Ajuste], tallas: Sequence[int],
                     exponencial: bool) -> Optional[FrenteAlAjuste]:
    """The fit over all sizes, where it could read as contradicting the
    verdict: None where the two agree."""
    prueba = v.citada()
    if ajuste is None or ajuste.tasa_inf is None or prueba is None or v.tipo not in (
            "cota", "mas_deprisa", "mas_despacio"):
        return None
    equivalente = exponente_en(prueba.cota, tallas, exponencial)
    if equivalente is None:
        return None
    # As printed: a rate with two decimals (a base with three) whose
    # interval misses the bound by less than half the last digit reads as
    # holding it.
    holgura = 0.0005 if exponencial else 0.005
    incluye = ajuste.tasa_inf - holgura <= equivalente <= ajuste.tasa_sup + holgura
    if incluye == (v.tipo == "cota"):
        return None
    return FrenteAlAjuste(ajuste, prueba, equivalente, v.tipo)
