"""What the memory hierarchy does to the time of one operation: the size
at which a program's working set outgrows each data cache, and the steps
in the time per operation between neighbouring sizes. (The caches
themselves are the machine's description, datos.maquina; the sentences
that name a step by its cache are the wording's.)"""

import math
from dataclasses import dataclass
from typing import Callable, Dict, List, Optional, Sequence, Tuple

from ..datos.maquina import Caches, Nivel
from .por_operacion import DERIVA
from .persistencia import es_escalon

# Between neighbouring sizes the time per operation, the median of five
# invocations, wobbles by 5 to 10 %: a change within this factor is flat,
# beyond it the value rises or falls. The factor only decides where a step
# begins and ends; whether it is a step at all is DERIVA's (its meaning as
# in por_operacion), which noise of ±10 % (at most 1.1 / 0.9 ≈ 1.22 between any two
# sizes) cannot reach. Bubble sort's step out of the L1d cache rose by 1.14,
# 1.20, 1.00, 1.21 and 1.33 between its sizes from 8000 to 24000 keys.
RUIDO = 1.10


@dataclass(frozen=True)
class Cruce:
    nivel: Nivel
    n: float  # the size at which the working set reaches the level's size
    entre: Optional[Tuple[int, int]]  # the measured sizes around n; None outside them


def talla_que_llena(bytes_de: Callable[[float], float], tamano: float) -> Optional[float]:
    """The real n at which bytes_de, increasing and defined on real n,
    reaches tamano, by bisection; None if it never does."""
    bajo, alto = 0.0, 1.0
    while bytes_de(alto) < tamano:
        bajo, alto = alto, 2 * alto
        if alto > 2.0**64:
            return None
    while (medio := (bajo + alto) / 2) not in (bajo, alto):
        bajo, alto = (medio, alto) if bytes_de(medio) < tamano else (bajo, medio)
    return alto


def cruces(caches: Caches, bytes_de: Callable[[float], float],
           tallas: Sequence[int]) -> List[Cruce]:
    """Where the working set bytes_de(n) outgrows each data cache."""
    medidas = sorted(set(tallas))
    resultado = []
    for nivel in caches.de_datos:
        n = talla_que_llena(bytes_de, nivel.tamano or 0)
        if n is not None:
            entre = next(((a, b) for a, b in zip(medidas, medidas[1:]) if a <= n <= b), None)
            resultado.append(Cruce(nivel, n, entre))
    return resultado


@dataclass(frozen=True)
class Escalon:
    """The time of one operation goes from valor_desde at n = desde to
    valor_hasta at hasta, by `factor`."""

    desde: int
    hasta: int
    valor_desde: float
    valor_hasta: float
    factor: float


def _sentido(cociente: float, ruido: float) -> int:
    return 1 if cociente > ruido else -1 if cociente < 1 / ruido else 0


def escalones(por_operacion: Sequence[Tuple[int, float]], deriva: float = DERIVA,
              ruido: float = RUIDO,
              rangos: Optional[Dict[int, Tuple[float, float]]] = None) -> List[Escalon]:
    """The runs of neighbouring sizes over which the time per operation
    keeps rising (or falling) by more than ruido, taken as one step when
    it changes by more than deriva over the run. A single flat interval
    inside a run (two sizes at one value, as bubble sort's 12000 and 14000
    keys) does not end it; two in a row are a plateau. A step must also
    persist (es_escalon): `rangos`, n -> the lowest and highest time per
    operation of the invocations at n, is the spread it must clear."""
    puntos = sorted((n, v) for n, v in por_operacion if v > 0 and math.isfinite(v))
    sentidos = [_sentido(b / a, ruido) for (_, a), (_, b) in zip(puntos, puntos[1:])]
    resultado: List[Escalon] = []
    i = 0
    while i < len(sentidos):
        s, j = sentidos[i], i + 1  # the run covers sizes i to j
        while s and j < len(sentidos):
            if sentidos[j] == s:
                j += 1
            elif sentidos[j] == 0 and sentidos[j + 1:j + 2] == [s]:
                j += 2
            else:
                break
        (desde, a), (hasta, b) = puntos[i], puntos[j]
        if s and not 1 / deriva <= b / a <= deriva:
            escalon = Escalon(desde, hasta, a, b, b / a)
            if es_escalon(escalon, puntos, ruido, rangos):
                resultado.append(escalon)
        i = j
    return resultado


@dataclass(frozen=True)
class EscalonNombrado:
    """A step with the data caches whose crossing lies within it (none when
    it is a fall: a cache outgrown does not make an operation faster) and
    the working set at its ends."""

    escalon: Escalon
    caches: List[Nivel]
    sin_cruce: bool  # no crossing lies within the step at all
    bytes_desde: float
    bytes_hasta: float


def nombrar(escalones: Sequence[Escalon], cruces: Sequence[Cruce],
            bytes_de: Callable[[float], float]) -> List[EscalonNombrado]:
    """Each step with the caches whose crossing lies within a rise. A fall
    is not put down to a cache, and a crossing with no step is not
    claimed."""
    resultado = []
    for e in escalones:
        dentro = [c.nivel for c in cruces if e.desde <= c.n <= e.hasta]
        resultado.append(EscalonNombrado(e, dentro if e.factor >= 1 else [], not dentro,
                                         bytes_de(e.desde), bytes_de(e.hasta)))
    return resultado
