"""Rounds beyond the plan's first ones: those added to a saved study
(--append), and those that spend what is left of a series' share of time
where its verdict on the times is still undecided."""

import random
from typing import TYPE_CHECKING, Dict, List, Tuple

if TYPE_CHECKING:
    from .medicion import Medicion


def anadir(medicion: "Medicion") -> int:
    """The rounds added to a saved study, numbered after the ones it has,
    in an order of their own (the seed and the invocations already made
    choose it, so that they do not replay the study's first rounds); the
    number of the last."""
    estudio = medicion.estudio
    hechas = max((len(p.valores) for p in estudio.puntos), default=0)
    medicion.azar = random.Random(f"{estudio.semilla}+{hechas}")
    for configuracion in estudio.configuraciones:
        for n in estudio.cortadas(configuracion):
            medicion.cortes[configuracion] = min(n, medicion.cortes.get(configuracion, n))
    if not any(medicion._del_plan(p.n) for p in estudio.puntos):
        return hechas  # a program not chosen, or none of its sizes
    for ronda in range(hechas + 1, hechas + medicion.plan.rondas + 1):
        medicion._ronda(medicion._pares(), ronda)
    return hechas + medicion.plan.rondas


def _pares(medicion: "Medicion", tallas: Dict[str, List[int]]) -> List[Tuple[str, int]]:
    """The (configuration, n) to measure once more: measured, not cut, and
    below --max-repeat."""
    pares = []
    for configuracion, ns in tallas.items():
        for n in ns:
            punto = medicion.estudio.punto(configuracion, n)
            if (punto is not None and len(punto.valores) < medicion.plan.max_rondas
                    and not medicion._cortado(configuracion, n)):
                pares.append((configuracion, n))
    return pares


def para_decidir(medicion: "Medicion", ronda: int) -> int:
    """After the planned rounds, while the series' share of time lasts
    (Plan.cuota, with what the series before it left: Plan.sobrante): one
    more round at the sizes that decide each verdict on the
    times that cannot yet tell its candidates apart (the juez names them),
    until every verdict decides, the sizes reach --max-repeat, or the next
    round would pass the share. What is left undecided is noted in
    estudio.sin_decidir with the sizes and what one round of them costs.
    Without a share (sizes named with --sizes and no --time, or a study
    added to) the plan is measured as it is. The number of the last round."""
    estudio, plan = medicion.estudio, medicion.plan
    if plan.cuota is None or medicion.juez is None or estudio.incompleto:
        return ronda
    while True:
        tallas = medicion.juez(estudio)
        if not tallas:
            estudio.sin_decidir = {}
            return ronda
        pares = _pares(medicion, tallas)
        coste = sum(medicion.duraciones.get(c, {}).get(n, 0.0) for c, n in pares)
        gastado = medicion.reloj() - medicion.inicio
        cuota = plan.cuota + plan.sobrante
        if not pares or gastado + coste > cuota:
            estudio.sin_decidir = {c: (ns, sum(medicion.duraciones.get(c, {}).get(n, 0.0)
                                               for n in ns))
                                   for c, ns in tallas.items()}
            return ronda
        ronda += 1
        pares += _baratas(medicion, pares, cuota - gastado - coste)
        medicion.azar.shuffle(pares)
        medicion._ronda(pares, ronda)


def _baratas(medicion: "Medicion", pares: List[Tuple[str, int]], holgura: float
             ) -> List[Tuple[str, int]]:
    """More invocations, in the same round, of the deciding sizes that cost
    little: the time of the round's dearest invocation (or what is left of
    the share, if less), split evenly among the others, each taking as
    many invocations of its size as fit in its part, up to --max-repeat.
    A round's time goes to its largest sizes, while a median of the
    smallest is cheap to firm up, and one that falls in a slow spell of
    the machine (a few milliseconds of insertion sort at 5600, in three
    invocations of five) moves the slope of the whole upper half."""
    duracion = {p: medicion.duraciones.get(p[0], {}).get(p[1], 0.0) for p in pares}
    if len(pares) < 2 or min(duracion.values()) <= 0:
        return []
    cara = max(pares, key=lambda p: duracion[p])
    parte = min(duracion[cara], holgura) / (len(pares) - 1)
    extra = []
    for configuracion, n in pares:
        if (configuracion, n) == cara:
            continue
        punto = medicion.estudio.punto(configuracion, n)
        caben = int(parte // duracion[(configuracion, n)]) - 1
        quedan = medicion.plan.max_rondas - len(punto.valores) - 1 if punto else 0
        extra += [(configuracion, n)] * max(0, min(caben, quedan))
    return extra
