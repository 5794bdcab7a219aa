"""The programs of a sweep checked before anything is run or any file of
the previous study removed: the configurations each has, and its
binaries."""

import os
from dataclasses import dataclass
from pathlib import Path
from typing import Callable, List, Optional, Sequence, Tuple

from ..datos.medidas import EVENTOS
from ..datos.programas import Programa
from .analizador import RAIZ
from .opciones import Opciones


@dataclass
class Medible:
    """What a sweep can measure of one program."""

    configuraciones: List[str]
    entradas: List[Optional[str]]  # the kinds of input; [None]: its own


def _faltan(programa: Programa, configuraciones: Sequence[str], directorio: Path,
            entrada: Optional[str] = None) -> List[str]:
    """A message for each binary that is not there, naming how to build it."""
    mensajes = []
    for configuracion in configuraciones:
        binario = directorio / programa.binario(configuracion, entrada)
        if os.access(binario, os.X_OK) and binario.is_file():
            continue
        mensaje = (f"falta {binario}; se construye con «cmake --workflow --preset default»"
                   f" (o «cmake --build build --target {binario.name}»)")
        if not (RAIZ / programa.nombre / "main.cpp").exists():
            mensaje += f"; su fuente {programa.nombre}/main.cpp aún no está en este árbol"
        mensajes.append(mensaje)
    return mensajes


def comprobar(programa: Programa, o: Opciones, nota: Callable[[str], None]
              ) -> Tuple[Optional[Medible], int]:
    """What can be measured of one program, each fault said through
    `nota`: (None, the series it would have had) when a binary is missing
    or it has no configuration to run."""
    configuraciones = [c for c in o.configuraciones if c in programa.configuraciones]
    otras = [c for c in o.configuraciones if c not in programa.configuraciones]
    if otras:
        nota(f"{programa.nombre}: no tiene la configuración {', '.join(otras)}"
             f" (tiene {', '.join(programa.configuraciones)})")
    if o.tiempos and not configuraciones:
        return None, 0
    entradas: List[Optional[str]] = [None]
    if o.entradas and programa.entradas:
        entradas = list(o.entradas)
    elif o.entradas:
        nota(f"{programa.nombre}: no tiene tipos de entrada; se estudia con la suya de siempre")
    binarios = (configuraciones if o.tiempos else []) + o.nombradas
    faltan = _faltan(programa, binarios, o.directorio_bin, entradas[0])
    if faltan:
        for mensaje in faltan:
            nota(f"{programa.nombre}: {mensaje}")
        # The events are a series of their own on each kind (Opciones.series).
        return None, len(entradas) * (max(1, len(configuraciones))
                                      + (EVENTOS.nombre in o.nombradas))
    return Medible(configuraciones, entradas), 0
