"""The memory hierarchy in words: sizes in binary units, each cache level,
and a step in the time per operation named by the cache its data
outgrow."""

import math
from typing import List

from ..datos.maquina import Caches, Nivel
from ..estadistica.jerarquia import EscalonNombrado


def texto_bytes(b: float) -> str:
    """In binary units, whole from 10 up and with one decimal below, so at
    most three digits: 31 KiB, 94 KiB, 1.5 MiB; 1000 KiB and over is MiB."""
    valor, unidad = float(b), "B"
    for siguiente in ("KiB", "MiB", "GiB", "TiB"):
        if round(valor) < 1000:
            break
        valor, unidad = valor / 1024, siguiente
    texto = f"{valor:.0f}" if valor >= 9.95 else f"{valor:.1f}".removesuffix(".0")
    return f"{texto} {unidad}"


def texto_nivel(nivel: Nivel) -> str:
    """L1d 48 KiB (línea 64 B, propia del núcleo)."""
    partes = [f"línea {nivel.linea} B" if nivel.linea else "línea desconocida"]
    if nivel.compartida is not None:
        partes.append("compartida" if nivel.compartida else "propia del núcleo")
    if not nivel.datos:
        partes.append("solo instrucciones")
    tamano = texto_bytes(nivel.tamano) if nivel.tamano else "de tamaño desconocido"
    return f"{nivel.nombre} {tamano} ({', '.join(partes)})"


def lineas_caches(caches: Caches) -> List[str]:
    """One line per level, or why none could be read."""
    return [texto_nivel(n) for n in caches.niveles] or [f"cachés: no se saben ({caches.motivo})"]


_ESCALAS = ((1e-3, "ms"), (1e-6, "µs"), (1e-9, "ns"))


def _tiempos(a: float, b: float) -> str:
    """Both times in one unit, the one in which the larger lies from 1 to
    1000 (ps below a nanosecond), with two significant digits: 1.5 a 3.4 ns."""
    escala, unidad = next(((e, u) for e, u in _ESCALAS if max(a, b) >= e), (1e-12, "ps"))
    cifras = [float(f"{x / escala:.2g}") for x in (a, b)]
    a_texto, b_texto = (f"{v:.{max(0, 1 - math.floor(math.log10(v)))}f}" for v in cifras)
    return f"{a_texto} a {b_texto} {unidad}"


def _rango(a: float, b: float) -> str:
    """31 a 94 KiB, or 500 KiB a 2 MiB when the units differ."""
    ta, tb = texto_bytes(a), texto_bytes(b)
    (na, ua), ub = ta.split(" "), tb.split(" ")[1]
    return f"{na if ua == ub else ta} a {tb}"


def frase_escalon(nombrado: EscalonNombrado, operacion: str, datos: str = "el vector") -> str:
    """One step in a sentence, naming the caches its data outgrow. datos
    names the working set (el vector, la matriz, los datos: an article in
    the plural makes the verb plural)."""
    e = nombrado.escalon
    frase = (f"el tiempo por {operacion} pasa de {_tiempos(e.valor_desde, e.valor_hasta)}"
             f" entre {e.desde} y {e.hasta}")
    if nombrado.sin_cruce:
        return frase + ", sin cruce de caché entre esas tallas"
    if e.factor < 1:
        return frase + ": baja, y que los datos dejen de caber en una caché no lo explica"
    verbo = "dejan" if datos.startswith(("los ", "las ")) else "deja"
    nombres = " y en la ".join(f"{n.nombre} de {texto_bytes(n.tamano or 0)}"
                               for n in nombrado.caches)
    return (frase + f", donde {datos} ({_rango(nombrado.bytes_desde, nombrado.bytes_hasta)})"
            f" {verbo} de caber en la caché {nombres}")
