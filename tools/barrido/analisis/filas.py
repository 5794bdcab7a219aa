"""The rows of a program's tables: for each point of a configuration its
ratios, doubling ratio, speed-up, time per operation, marks and working
set; for each size counted its counts and ratios."""

import math
from dataclasses import dataclass
from typing import Dict, List, Optional, Sequence

from ..datos.cotas import Cota
from ..datos.estudio import Estudio, Punto
from ..datos.programas import Programa

# The measures of space a counting build reports beside its operations
# (peaks over its runs): the extra keys held at once, the recursion depth.
MEMORIA, PROFUNDIDAD = "memoria_extra", "profundidad"
ESPACIO = (MEMORIA, PROFUNDIDAD)

# Each key of the timed builds takes this many bytes: what the extra memory
# the counting build counts in keys adds to a run's working set.
BYTES_POR_CLAVE = 4


@dataclass
class Fila:
    """One row of the table of times: a point and what follows from it."""

    punto: Punto
    cocientes: List[Optional[float]]  # the median over each candidate bound
    doblado: Optional[float]  # t(n)/t(n/2), when the series has n/2
    exponente_local: Optional[float]  # log2 of the doubling ratio
    aceleracion: Optional[float]  # least optimised configuration's median over this one's
    por_operacion: Optional[float]  # median seconds per counted operation
    marcas: List[str]  # rep, <res, * (out of the fit), ! (wide spread)
    fuera_del_ajuste: bool
    bytes: Optional[float] = None  # the working set of one run at this size


@dataclass
class FilaCuentas:
    n: int
    cuentas: Dict[str, float]
    cocientes: List[Optional[float]]  # the main count over each candidate bound


def cociente(valor: Optional[float], cota: Cota, n: int) -> Optional[float]:
    f = cota(n)
    return valor / f if valor is not None and f else None


def bytes_de(estudio: Estudio):
    """The working set of one run as a function of n, or None for a program
    without data: its input, plus the extra keys its counting build held at
    once (in proportion to n, as at the largest size counted)."""
    programa: Programa = estudio.programa
    if programa.bytes_de_entrada(1) is None:
        return None
    extra = [(n, c[MEMORIA]) for n, c in sorted(estudio.cuentas.items()) if MEMORIA in c]
    por_clave = extra[-1][1] / extra[-1][0] if extra and extra[-1][0] > 0 else 0.0

    def funcion(n: float) -> float:
        return programa.bytes_de_entrada(n) + BYTES_POR_CLAVE * por_clave * n
    return funcion


def filas_de(estudio: Estudio, configuracion: str, cotas: Sequence[Cota], memoria) -> List[Fila]:
    filas = []
    base = estudio.configuraciones[0]
    varias = len(estudio.configuraciones) > 1
    for p in estudio.puntos_de(configuracion):
        mitad = estudio.punto(configuracion, p.n // 2) if p.n % 2 == 0 else None
        doblado = (p.mediana / mitad.mediana
                   if mitad and mitad.mediana > 0 and p.mediana > 0 else None)
        referencia = estudio.punto(base, p.n) if varias else None
        aceleracion = (referencia.mediana / p.mediana
                       if referencia and p.mediana > 0 and referencia.mediana > 0 else None)
        c = estudio.cuenta(p.n)
        filas.append(Fila(p, [cociente(p.mediana, cota, p.n) for cota in cotas],
                          doblado, math.log2(doblado) if doblado else None, aceleracion,
                          p.mediana / c if c else None, estudio.marcas(p),
                          estudio.fuera_del_ajuste(p), memoria(p.n) if memoria else None))
    return filas
