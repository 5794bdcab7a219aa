"""The best, worst and typical cases of one program, concluded once from
the studies of its kinds of input: each kind's growth as its counts name
it, its time and main count at the largest size every kind reached,
ordered from the best case to the worst, with what cannot be told apart."""

from dataclasses import dataclass
from typing import List, Optional, Sequence

from .analisis import Analisis
from ..datos.cotas import Cota
from ..datos.estudio import Punto
from ..estadistica.sucesos import Diferencia, que_difiere

# Two counts this close are the same count: the deterministic kinds give
# exactly the same operations whatever the values.
IGUALES = 1e-9


@dataclass
class Caso:
    entrada: str
    crecimiento: Optional[Cota]  # what the counts name
    punto: Optional[Punto]  # the times at the common size
    cuenta: Optional[float]  # the main count at the common size
    veces: Optional[float] = None  # time (or count) over the best case's
    como_el_anterior: bool = False  # not told apart from the case before it


@dataclass
class Casos:
    nombre: str  # the program
    cuenta: str  # the name of its main count
    n: Optional[int]  # the largest size every kind reached
    casos: List[Caso]  # from the best case to the worst
    por_tiempo: bool  # ordered by time (else by the main count)
    # Among the kinds with the same counts, the event per operation that
    # differs the most between them (when their events were measured).
    diferencia: Optional[Diferencia] = None
    operacion: str = "operación"  # one counted operation, for the events per operation

    @property
    def mejor(self) -> Optional[Caso]:
        return self.casos[0] if self.casos else None

    @property
    def peor(self) -> Optional[Caso]:
        return self.casos[-1] if len(self.casos) > 1 else None


def _n_comun(analisis: Sequence[Analisis], por_tiempo: bool) -> Optional[int]:
    if por_tiempo:
        tallas = [{p.n for p in a.estudio.puntos} for a in analisis]
    else:
        tallas = [{n for n, _ in a.estudio.cuentas_principales()} for a in analisis]
    comunes = set.intersection(*tallas) if tallas else set()
    return max(comunes) if comunes else None


def comparar_casos(analisis: Sequence[Analisis], configuracion: str) -> Casos:
    """The kinds of one program, each its own study, side by side."""
    estudio = analisis[0].estudio
    por_tiempo = all(a.estudio.puntos_de(configuracion) for a in analisis)
    n = _n_comun(analisis, por_tiempo)
    casos = []
    for a in analisis:
        veredicto = a.cuentas.veredicto if a.cuentas else None
        casos.append(Caso(a.estudio.entrada or "", veredicto.cota if veredicto else None,
                          a.estudio.punto(configuracion, n) if n is not None else None,
                          a.estudio.cuenta(n) if n is not None else None))
    if n is None:
        return Casos(estudio.programa.nombre, estudio.programa.cuenta, None, casos, por_tiempo)

    def valor(c: Caso) -> float:
        return (c.punto.mediana if por_tiempo else c.cuenta) or 0.0

    casos.sort(key=valor)
    base = valor(casos[0])
    for anterior, caso in zip(casos, casos[1:]):
        if por_tiempo:
            # Ranges of invocations that overlap: the order between them is
            # the machine's, not the input's.
            caso.como_el_anterior = caso.punto.minimo <= anterior.punto.maximo
        elif caso.cuenta is not None and anterior.cuenta is not None:
            caso.como_el_anterior = abs(caso.cuenta - anterior.cuenta) <= IGUALES * caso.cuenta
    for caso in casos:
        caso.veces = valor(caso) / base if base > 0 else None
    return Casos(estudio.programa.nombre, estudio.programa.cuenta, n, casos, por_tiempo,
                 _diferencia(analisis), estudio.programa.operacion)


def _diferencia(analisis: Sequence[Analisis]) -> Optional[Diferencia]:
    """The event that tells apart the kinds whose counts are the same (the
    largest such group, at the largest size all of them counted): what
    makes one slower than another when the algorithm does the same work."""
    con_eventos = [a for a in analisis if a.eventos is not None and a.estudio.entrada]
    n = _n_comun(con_eventos, False) if len(con_eventos) > 1 else None
    if n is None:
        return None
    grupos: List[List[Analisis]] = []
    for a in sorted(con_eventos, key=lambda a: a.estudio.cuenta(n) or 0.0):
        cuenta = a.estudio.cuenta(n) or 0.0
        if grupos and abs(cuenta - (grupos[-1][0].estudio.cuenta(n) or 0.0)) <= IGUALES * cuenta:
            grupos[-1].append(a)
        else:
            grupos.append([a])
    grupo = max(grupos, key=len)
    if len(grupo) < 2:
        return None
    return que_difiere({a.estudio.entrada: a.eventos.por_operacion() for a in grupo})
