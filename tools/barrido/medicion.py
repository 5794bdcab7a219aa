"""The order of the invocations: every size of every configuration, one
invocation at a time (two at once would disturb each other's times)."""

import statistics
from pathlib import Path
from typing import Sequence

from .errores import FalloPrograma
from .estudio import Estudio, Punto
from .ejecucion import ejecutar
from .progreso import Progreso


def barrer(
    estudio: Estudio, tallas: Sequence[int], directorio: Path, repeticiones: int,
    presupuesto: float, progreso: Progreso,
):
    """Measures every size of every configuration into estudio.puntos. A
    configuration stops growing n after the size at which one invocation
    took longer than the budget. The first failure of a program stops its
    whole sweep and is kept in estudio.fallo."""
    programa = estudio.programa
    for configuracion in estudio.configuraciones:
        binario = directorio / programa.binario(configuracion)
        for i, n in enumerate(tallas):
            valores, duraciones = [], []
            for vez in range(repeticiones):
                progreso.midiendo(programa.nombre, configuracion, n, vez + 1, repeticiones)
                try:
                    valor, duracion = ejecutar(binario, n)
                except FalloPrograma as e:
                    estudio.fallo = str(e)
                    return
                valores.append(valor)
                duraciones.append(duracion)
            punto = Punto(n, configuracion, statistics.median(valores), min(valores),
                          max(valores), n <= programa.umbral_repeticion)
            estudio.puntos.append(punto)
            progreso.medido(programa.nombre, punto)
            if max(duraciones) > presupuesto and i + 1 < len(tallas):
                estudio.omitidas[configuracion] = list(tallas[i + 1:])
                break
