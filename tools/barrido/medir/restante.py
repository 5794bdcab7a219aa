"""The seconds a sweep has left, as the progress line gives them: the
plan's prediction of every series still to come, and for the series being
measured never less than what it alone still needs.

The plan gives each series a share of time before anything is measured
(the sweep's time over its series, or the default share of one). The
estimate counts down the current series' share as its invocations run,
adds the shares of the series after it, and so starts each series where the
one before left off. What the current series needs has two parts: what the
sizes it has measured still need, known from their first invocations (the
rest of this round and every later one), and what the sizes it has not
reached will take, predicted from the growth of those measured, every
round of them, only as far as the first round will go (a size predicted
past the budget leaves its configuration; one that would take the series
past its share ends it). Where that need exceeds what is left of the share
(sizes the user named are measured whole, and a slow machine can overrun
a share) the need stands instead. The predictions move as sizes are
measured; the share does not, which keeps the estimate steady."""

from typing import TYPE_CHECKING, Callable, Mapping, Optional, Sequence, Tuple

from ..datos.medidas import de_valores
from .prevision import prever as prever_duracion

if TYPE_CHECKING:
    from .medicion import Medicion

# One invocation's predicted seconds at n from the durations seen at each
# size, or None while there are too few.
Prever = Callable[[Mapping[int, float], int], Optional[float]]

Duraciones = Mapping[str, Mapping[int, float]]


def medidas(duraciones: Duraciones, cronometradas: Sequence[str], rondas: int, ronda: int,
            actual: Sequence[Tuple[str, int]], pendientes: Sequence[Tuple[str, int]],
            cortado: Callable[[str, int], bool]) -> float:
    """What the sizes measured so far still need, from their first
    invocations: in the first round, every later round of them; in a later
    one, the invocation about to run (`actual`: none, or its (configuration,
    n)), those after it in this round (`pendientes`) and every round after.
    Sizes cut at the hard limit run no more."""
    def duracion(c: str, m: int) -> float:
        return duraciones.get(c, {}).get(m, 0.0)

    ronda_entera = sum(d for c in cronometradas for m, d in duraciones.get(c, {}).items()
                       if not cortado(c, m))
    if ronda == 1:
        return (rondas - 1) * ronda_entera
    esta = sum(duracion(c, m) for c, m in list(actual) + list(pendientes))
    return esta + max(rondas - ronda, 0) * ronda_entera


def por_medir(duraciones: Duraciones, veces: Mapping[str, int], tallas: Sequence[int],
              cerradas: Sequence[str], presupuesto: float, cuota: Optional[float],
              prever: Prever) -> Optional[float]:
    """The seconds the sizes not reached yet will take, every round of them
    (`veces`: the rounds of each configuration or measure), as the first
    round will leave them: each larger size in turn, for each configuration
    still growing (not in `cerradas`), while one invocation stays within
    the budget and the series within its share (`cuota`, None for none). A
    size some configuration has already run is decided, and counts whole.
    None while a configuration with a size to go has no prediction."""
    abiertas = [c for c in veces if c not in cerradas]
    total = sum(veces[c] * sum(duraciones.get(c, {}).values()) for c in veces)
    futuro = 0.0
    for m in sorted(tallas):
        decidida = any(m in duraciones.get(c, {}) for c in veces)
        suma = 0.0
        for c in list(abiertas):
            vistas = duraciones.get(c, {})
            if m in vistas:
                continue
            d = prever(vistas, m)
            if d is None:
                return None
            if d > presupuesto:
                abiertas.remove(c)
                continue
            suma += veces[c] * d
        if not decidida and cuota is not None and total + futuro + suma > cuota:
            break
        futuro += suma
    return futuro


def quedan(necesita: float, prevision: Optional[float], gastado: float, despues: float) -> float:
    """The seconds left in the sweep: what is left of the current series'
    share of the plan (`prevision` less the `gastado` seconds it has run),
    or what it still needs when that is more; then `despues`, the shares of
    the series after it."""
    plan = max(0.0, prevision - gastado) if prevision is not None else 0.0
    return max(plan, necesita) + despues


def de_la_medicion(medicion: "Medicion", configuracion: str, ronda: int, n: int,
                   pendientes: Sequence[Tuple[str, int]]) -> float:
    """The estimate of a series being measured, (configuration, n) about to
    run in round `ronda` and `pendientes` after it in that round: what is
    left of its share of the plan, never less than what it still needs,
    and the shares of the series after it."""
    plan, estudio = medicion.plan, medicion.estudio
    exponencial = estudio.programa.exponencial
    activas = medicion._activas()
    veces = {c: 1 if de_valores(c) else plan.rondas for c in activas}
    necesita = medidas(medicion.duraciones, [c for c in activas if not de_valores(c)],
                       plan.rondas, ronda, [] if ronda == 1 else [(configuracion, n)],
                       pendientes, medicion._cortado)
    necesita += por_medir(medicion.duraciones, veces, plan.tallas, list(estudio.omitidas),
                          plan.presupuesto, plan.cuota,
                          lambda vistas, m: prever_duracion(dict(vistas), m, exponencial)) or 0.0
    return quedan(necesita, plan.prevision, medicion.reloj() - medicion.inicio, plan.despues)
