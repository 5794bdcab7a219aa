"""Whether a change in the time per operation is a step the machine's
caches make, one that persists, rather than a spell of a busy machine or
a slow drift; and which steps a cache explains, the only cause a verdict
on the times may rest on to name a growth other than the counts'."""

from typing import TYPE_CHECKING, Dict, List, Optional, Sequence, Tuple

if TYPE_CHECKING:
    from .jerarquia import Cruce, Escalon

# The widest run of sizes one step may span: four doublings. A cache fills
# over about one doubling of the working set (bubble sort's L1d step took
# 8000 to 24000 keys); a rise spread over five doublings or more is a
# drift, which says nothing of where a cache is.
MAX_TRAMO = 16.0


def es_escalon(e: "Escalon", puntos: Sequence[Tuple[int, float]], ruido: float,
               rangos: Optional[Dict[int, Tuple[float, float]]] = None) -> bool:
    """Whether a run is a step rather than noise or a drift: it spans at
    most MAX_TRAMO; the sizes after it keep it (a rise that falls back to
    where it began is a spell of the machine) and those before it lie on
    its near side (a fall from one high size is the same spell ending); and
    the two sizes it joins do not overlap, every invocation of the upper
    one beyond every invocation of the lower. `ruido` is how far
    neighbouring sizes wobble (jerarquia.RUIDO)."""
    if e.hasta > MAX_TRAMO * e.desde:
        return False
    sube = e.factor > 1
    antes = [v for n, v in puntos if n < e.desde]
    despues = [v for n, v in puntos if n > e.hasta]
    if sube and (any(v >= e.valor_hasta / ruido for v in antes)
                 or any(v <= e.valor_desde * ruido for v in despues)):
        return False
    if not sube and (any(v <= e.valor_hasta * ruido for v in antes)
                     or any(v >= e.valor_desde / ruido for v in despues)):
        return False
    if rangos and e.desde in rangos and e.hasta in rangos:
        (bajo_d, alto_d), (bajo_h, alto_h) = rangos[e.desde], rangos[e.hasta]
        return bajo_h > alto_d if sube else alto_h < bajo_d
    return True


def con_causa(lista: Sequence["Escalon"], cruces: Sequence["Cruce"]) -> List["Escalon"]:
    """The steps a cache explains: rises within which the data outgrow a
    cache. Only these are a cause the verdict on the times may rest on."""
    return [e for e in lista if e.factor > 1 and any(e.desde <= c.n <= e.hasta for c in cruces)]
