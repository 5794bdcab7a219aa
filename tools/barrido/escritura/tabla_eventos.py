"""The machine's events of a study as standard output shows them: one row
per size simulated, each event per operation (per the program's main
count at that size) and per key, with a legend that says their source."""

from typing import List, Sequence

from ..analisis.analisis import Analisis
from ..analisis.eventos import DeEventos
from ..redaccion.eventos import cifra
from .tabla import alinear

# Short column names: the event, then «/op» or «/clave».
CORTOS = {"instrucciones": "instr", "fallos_l1d": "f_l1d", "fallos_ll": "f_ll",
          "saltos": "saltos", "saltos_fallidos": "fallidos"}


def _corto(nombre: str) -> str:
    if nombre.startswith("hardware_"):
        return "hw_" + CORTOS.get(nombre[len("hardware_"):], nombre[len("hardware_"):])
    return CORTOS.get(nombre, nombre)


def filas_eventos(de: DeEventos, operacion: str) -> List[List[str]]:
    """The cells, heading first: n, each event per operation, each per key."""
    cabecera = (["n"] + [f"{_corto(x)}/{operacion[:4]}" for x in de.nombres]
                + [f"{_corto(x)}/clave" for x in de.nombres])
    filas = [cabecera]
    for f in de.filas:
        filas.append([str(f.n)]
                     + [cifra(f.por_operacion[x]) if x in f.por_operacion else "-"
                        for x in de.nombres]
                     + [cifra(f.por_clave[x]) if x in f.por_clave else "-" for x in de.nombres])
    return filas


def leyenda(de: DeEventos, operacion: str, fuente: Sequence[str] = ()) -> List[str]:
    nombres = ", ".join(f"{_corto(x)} = {x}" for x in de.nombres)
    return ([f"eventos de la llamada medida por {operacion} y por clave, de una ejecución:"
             f" {nombres}; simulados por valgrind (callgrind con --cache-sim y --branch-sim),"
             " los hw_ leídos del procesador"] + list(fuente))


def tabla_eventos(analisis: Analisis, fuente: Sequence[str] = ()) -> str:
    """The table of events, or "" when the study has none. fuente: lines
    that say how the caches were simulated."""
    de = analisis.eventos
    if de is None:
        return ""
    operacion = analisis.estudio.programa.operacion
    return "\n".join(alinear([f + [""] for f in filas_eventos(de, operacion)])
                     + leyenda(de, operacion, fuente))
