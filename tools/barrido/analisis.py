"""Everything the study concludes from its points, computed once: for each
configuration the fit with its intervals, the ratio trends, the verdict,
the time per operation and the model; for the counts their fit, the growth
they name and the model."""

from dataclasses import dataclass, field
from typing import Dict, List, Optional, Sequence, Tuple

from .ajuste import Ajuste, Tendencia, ajustar, ajustar_con_intervalo, tendencias
from .conteo import Deriva, VeredictoCuentas, deriva, juzgar_cuentas, tiempo_por_operacion
from .cotas import Cota
from .estudio import Estudio
from .incertidumbre import mas_rapida
from .modelo import Modelo, ajustar_modelo
from .veredicto import Veredicto, juzgar


@dataclass
class DeConfiguracion:
    ajuste: Optional[Ajuste]
    tendencias: List[Tendencia]
    veredicto: Veredicto
    por_operacion: List[Tuple[int, float]]  # seconds per counted operation
    deriva: Optional[Deriva]
    modelo: Optional[Modelo]


@dataclass
class DeCuentas:
    ajuste: Optional[Ajuste]  # of the main count, C·n^b (C·a^n)
    veredicto: Optional[VeredictoCuentas]
    modelo: Optional[Modelo]


@dataclass
class Analisis:
    terminos: List[Cota]  # of the model
    configuraciones: Dict[str, DeConfiguracion] = field(default_factory=dict)
    cuentas: Optional[DeCuentas] = None

    def inestables(self, estudio: Estudio) -> Dict[str, List[int]]:
        """The sizes of each configuration whose spread is wide."""
        resultado: Dict[str, List[int]] = {}
        for p in estudio.puntos:
            if p.inestable:
                resultado.setdefault(p.configuracion, []).append(p.n)
        return {c: sorted(ns) for c, ns in resultado.items()}


def cuentas_principales(estudio: Estudio) -> List[Tuple[int, float]]:
    """(n, main count) of every size counted, by size; sizes whose count is
    0 (an array of one element makes no comparison) have no logarithm."""
    return sorted((n, c) for n in estudio.cuentas if (c := estudio.cuenta(n)) and c > 0)


def analizar(estudio: Estudio, terminos: Sequence[Cota]) -> Analisis:
    programa = estudio.programa
    analisis = Analisis(list(terminos))
    cuentas = cuentas_principales(estudio)
    for configuracion in estudio.configuraciones:
        series = estudio.series(configuracion)
        if not series:
            continue
        por_operacion = tiempo_por_operacion(estudio.pares(configuracion), cuentas)
        analisis.configuraciones[configuracion] = DeConfiguracion(
            ajustar_con_intervalo(series, programa.exponencial, estudio.semilla),
            tendencias(estudio.pares(configuracion), estudio.cotas, programa.exponencial),
            juzgar(series, estudio.cotas, programa.exponencial, estudio.semilla),
            por_operacion,
            deriva(por_operacion),
            ajustar_modelo(list(terminos), series, estudio.semilla, resumen=mas_rapida)
            if terminos else None,
        )
    if cuentas:
        puntos = [(n, [c]) for n, c in cuentas]
        analisis.cuentas = DeCuentas(
            ajustar(cuentas, programa.exponencial),
            juzgar_cuentas(programa.cuenta, cuentas, estudio.cotas),
            ajustar_modelo(list(terminos), puntos, remuestras=0) if terminos else None,
        )
    return analisis
