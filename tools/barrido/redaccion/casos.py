"""Programs and kinds of input side by side, in words: a factor over the
least, and the line that names a program's best and worst case."""

from typing import Optional

from ..analisis.casos import Caso, Casos


def veces(x: Optional[float]) -> str:
    """×1.00, ×3.42, ×215: a factor over the least."""
    if x is None:
        return "-"
    return f"×{x:.2f}" if x < 100 else f"×{x:.0f}"


def _caso(c: Caso) -> str:
    return f"{c.entrada} ({c.crecimiento.texto if c.crecimiento else '?'})"


def linea_casos(casos: Casos) -> str:
    """The line the summary of a sweep repeats: the best and the worst case
    with how far apart they lie, or that no size is common to every kind."""
    if casos.n is None:
        return (f"casos de {casos.nombre}: ninguna talla la alcanzan todas las entradas;"
                " nada que ordenar")
    mejor, peor = casos.mejor, casos.peor
    if peor is None:
        return f"{casos.nombre}: un solo caso, {_caso(mejor)}" if mejor else ""
    return (f"{casos.nombre}: mejor caso {_caso(mejor)}, peor caso {_caso(peor)}; a {casos.n},"
            f" {peor.entrada} {veces(peor.veces)} de {mejor.entrada}")
