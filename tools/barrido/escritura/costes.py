"""What each of the machine's events costs in a program's time, as text:
the lines standard output prints, costes.tsv (one line per program and
event), and two studies' costs side by side for compare."""

from typing import List, Optional, Sequence, Tuple

from ..analisis.eventos import Costes
from ..redaccion.eventos import SINGULARES, texto_costes
from .tabla import alinear

FICHERO_TSV = "costes.tsv"
CABECERA_TSV = ["programa", "evento", "coste_ns", "coste_inf_ns", "coste_sup_ns", "parte",
                "residuo_maximo", "prediccion_tallas", "prediccion_error_maximo", "puntos"]


def _ns(x: Optional[float], formato: str = ".6g") -> str:
    return "" if x is None else format(1e9 * x, formato)


def texto_de_costes(programa: str, configuracion: str, costes: Costes, puntos: int) -> str:
    cabeza = (f"tiempo de una ejecución de {programa} ({configuracion}) ajustado a sus eventos"
              f" simulados en {puntos} puntos (tallas y entradas), con costes no negativos y su"
              " intervalo del 95 % (bootstrap sobre los puntos):")
    return "\n".join([cabeza] + ["  " + x for x in texto_costes(costes)])


def tsv_costes(filas: Sequence[Tuple[str, Costes, int]]) -> str:
    """A header line, then one line per program and event."""
    lineas = ["\t".join(CABECERA_TSV)]
    for programa, c, puntos in filas:
        p = c.prediccion
        for e in c.eventos:
            intervalo = c.intervalos[e] or (None, None)
            lineas.append("\t".join([
                programa, e, _ns(c.costes[e]), _ns(intervalo[0]), _ns(intervalo[1]),
                f"{c.partes[e]:.4g}", f"{c.residuo_maximo:.4g}",
                ",".join(map(str, p.tallas)) if p else "",
                f"{p.error_maximo:.4g}" if p else "", str(puntos)]))
    return "\n".join(lineas) + "\n"


def costes_lado_a_lado(a: Costes, b: Costes) -> str:
    """The costs of two studies, event by event, in nanoseconds with their
    intervals, and A over B."""
    filas = [["evento", "A ns [95 %]", "B ns [95 %]", "A/B", ""]]
    for e in a.eventos:
        ca, cb = a.costes.get(e), b.costes.get(e)

        def celda(c: Costes, x: Optional[float]) -> str:
            i = c.intervalos.get(e)
            if x is None or i is None:
                return "-"
            return f"{_ns(x, '.3g')} [{_ns(i[0], '.3g')}, {_ns(i[1], '.3g')}]"
        cociente = f"{ca / cb:.3g}" if ca is not None and cb else "-"
        filas.append([SINGULARES.get(e, e), celda(a, ca), celda(b, cb), cociente, ""])
    pies = []
    for lado, c in (("A", a), ("B", b)):
        p = c.prediccion
        pies.append(f"{lado}: residuo relativo máximo {100 * c.residuo_maximo:.1f} %"
                    + (f"; predicción de las mayores tallas sin ellas: error máximo"
                       f" {100 * p.error_maximo:.1f} %" if p else ""))
    return "\n".join(alinear(filas) + pies)


def lineas_costes(programa: str, configuracion: str, costes: Optional[Costes],
                  puntos: int) -> List[str]:
    if costes is None:
        return [f"{programa}: menos puntos con tiempo y eventos que los que pide el ajuste de los"
                f" costes ({puntos})"]
    return [texto_de_costes(programa, configuracion, costes, puntos)]
