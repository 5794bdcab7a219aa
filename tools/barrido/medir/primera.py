"""The first round of a series: it goes up in size, the configurations
alternating at each size, and finds where the budget stops growth. Before
a size runs, one invocation's time is predicted from the sizes already
measured; a size predicted past the budget is left out with every larger
one, and so is a size that would take the whole series past its share of
time. An invocation stopped at the hard limit marks its size cut, and the
larger sizes of its configuration are left out."""

from typing import TYPE_CHECKING, List, Optional

from ..datos.estudio import CORTADA, Omision
from ..datos.medidas import de_valores
from .ejecucion import LimiteSuperado
from .prevision import _segundos, prever

if TYPE_CHECKING:
    from .medicion import Medicion


def primera_ronda(medicion: "Medicion"):
    """Runs the first round; the sizes it leaves out go to estudio.omitidas
    with why."""
    omitidas = medicion.estudio.omitidas
    for i, n in enumerate(medicion.plan.tallas):
        orden = medicion._activas()
        if i % 2:
            orden.reverse()
        total = total_previsto(medicion, n)
        if medicion.plan.cuota is not None and total is not None and total > medicion.plan.cuota:
            motivo = (f"el estudio no cabe en sus {medicion.plan.cuota:.3g} s: con ella se prevén"
                      f" {total:.3g} s")
            for configuracion in orden:
                if configuracion not in omitidas:
                    omitidas[configuracion] = [Omision(m, motivo if m == n else "")
                                               for m in medicion.plan.tallas if m >= n]
            return
        for configuracion in orden:
            if configuracion in omitidas:
                continue
            prevista = prever(medicion.duraciones.get(configuracion, {}), n,
                              medicion.estudio.programa.exponencial)
            if prevista is not None and prevista > medicion.plan.presupuesto:
                omitidas[configuracion] = _omitir_desde(medicion, configuracion, n, prevista)
                continue
            try:
                medicion._invocar(configuracion, n, 1)
            except LimiteSuperado as e:
                medicion.progreso.nota(f"{medicion.estudio.programa.nombre}: {e}: talla cortada;"
                                       f" las mayores de {configuracion} quedan fuera")
                resto = [Omision(m, "mayor que una talla cortada")
                         for m in medicion.plan.tallas if m > n]
                omitidas[configuracion] = [
                    Omision(n, f"{CORTADA} {e.limite:.3g} s", cortada=True)] + resto


def total_previsto(medicion: "Medicion", n: int) -> Optional[float]:
    """The seconds the whole series is predicted to take if it goes on to
    n: every round of each timed configuration, and the counts once, of
    the sizes measured so far and of n. None while a configuration has
    no prediction for n yet."""
    total = 0.0
    for configuracion in medicion._activas():
        if configuracion in medicion.estudio.omitidas:
            continue
        vistas = medicion.duraciones.get(configuracion, {})
        prevista = prever(vistas, n, medicion.estudio.programa.exponencial)
        if prevista is None:
            return None
        veces = 1 if de_valores(configuracion) else medicion.plan.rondas
        total += veces * (sum(vistas.values()) + prevista)
    return total


def _omitir_desde(medicion: "Medicion", configuracion: str, n: int,
                  prevista: float) -> List[Omision]:
    """n and every larger size, each with its predicted time."""
    duraciones = medicion.duraciones.get(configuracion, {})
    exponencial = medicion.estudio.programa.exponencial
    return [Omision(m, "se prevén"
                       f" {_segundos(prever(duraciones, m, exponencial) or prevista)}"
                       " por ejecución")
            for m in medicion.plan.tallas if m >= n]
