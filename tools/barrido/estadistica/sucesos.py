"""The machine's events beside the time and the kinds of input: which
event, counted per operation, changes where the time per operation steps,
and which differs between kinds of input. Values only; the wording quotes
the measured events, never the weights below.

An event is chosen by its change per operation weighted by a rough cost in
cycles on a present-day core: a last-level miss goes to memory (some 200
cycles), an L1d miss that the next level serves costs some 12, a
mispredicted branch some 15, an instruction a third of one (several retire
each cycle). Without weights a rise of last-level misses from 0.0001 to
0.001 an operation (ten times, and nothing in cycles) would outrank
mispredictions going from 0.01 to 0.3."""

from dataclasses import dataclass
from typing import Dict, List, Optional, Tuple

PESOS = {"instrucciones": 0.3, "saltos_fallidos": 15.0, "fallos_l1d": 12.0, "fallos_ll": 200.0}

# The least weighted change, in cycles per operation, worth naming: a
# tenth of a cycle.
MINIMO = 0.1


@dataclass(frozen=True)
class Cambio:
    """An event per operation going from valor_desde at n = desde to
    valor_hasta at hasta (sizes the events were measured at)."""
    evento: str
    desde: int
    hasta: int
    valor_desde: float
    valor_hasta: float


@dataclass(frozen=True)
class Diferencia:
    """An event per operation on each kind of input at size n, from the
    kind with the most to the one with the least."""
    evento: str
    n: int
    valores: Tuple[Tuple[str, float], ...]


def cubre(por_operacion: Dict[int, Dict[str, float]], desde: int, hasta: int) -> bool:
    """Whether the events were measured at two sizes or more from desde to
    hasta: enough to say what rises there, or that nothing does."""
    return sum(desde <= n <= hasta for n in por_operacion) >= 2


def que_cambia(por_operacion: Dict[int, Dict[str, float]], desde: int, hasta: int
               ) -> Optional[Cambio]:
    """The event whose count per operation rises the most, weighted, between
    the sizes of the events nearest to desde and hasta inside that range;
    None when fewer than two sizes lie there, or no event rises by
    MINIMO cycles an operation."""
    tallas = sorted(n for n in por_operacion if desde <= n <= hasta)
    if len(tallas) < 2:
        return None
    a, b = por_operacion[tallas[0]], por_operacion[tallas[-1]]
    subidas = [(PESOS[e] * (b[e] - a[e]), e) for e in PESOS if e in a and e in b]
    if not subidas:
        return None
    subida, evento = max(subidas)
    if subida < MINIMO:
        return None
    return Cambio(evento, tallas[0], tallas[-1], a[evento], b[evento])


def que_difiere(por_entrada: Dict[str, Dict[int, Dict[str, float]]]) -> Optional[Diferencia]:
    """The event whose count per operation differs the most, weighted,
    between kinds of input, at the largest size every kind's events reached;
    None with fewer than two kinds, no common size, or no difference of
    MINIMO cycles an operation."""
    if len(por_entrada) < 2:
        return None
    comunes = set.intersection(*(set(v) for v in por_entrada.values()))
    if not comunes:
        return None
    n = max(comunes)
    en_n = {entrada: valores[n] for entrada, valores in por_entrada.items()}
    mejor: Optional[Tuple[float, str]] = None
    for evento, peso in PESOS.items():
        if not all(evento in v for v in en_n.values()):
            continue
        cifras = [v[evento] for v in en_n.values()]
        diferencia = peso * (max(cifras) - min(cifras))
        if diferencia >= MINIMO and (mejor is None or diferencia > mejor[0]):
            mejor = (diferencia, evento)
    if mejor is None:
        return None
    evento = mejor[1]
    orden: List[Tuple[str, float]] = sorted(((e, v[evento]) for e, v in en_n.items()),
                                            key=lambda x: -x[1])
    return Diferencia(evento, n, tuple(orden))
