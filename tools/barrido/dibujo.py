"""Draws every plot of a program's study with gnuplot, in each format
asked for: the times (X.svg), the verdict's ratios (X_cocientes.svg) and,
with counts, the counts and the time per operation (X_cuentas.svg)."""

from pathlib import Path
from typing import List, Sequence

from .analisis import Analisis
from .estudio import Estudio
from .ficheros import Ficheros
from .grafica import ejecutar_gnuplot, guion_gnuplot
from .grafica_cocientes import guion_cocientes
from .grafica_cuentas import guion_cuentas

GRAFICAS = (("", guion_gnuplot), ("_cocientes", guion_cocientes), ("_cuentas", guion_cuentas))


def dibujar(estudio: Estudio, analisis: Analisis, ficheros: Ficheros, gnuplot: str,
            formatos: Sequence[str]) -> List[Path]:
    """Runs gnuplot once per plot and format; the paths it wrote."""
    hechas = []
    for formato in formatos:
        for sufijo, guion_de in GRAFICAS:
            ruta = ficheros.directorio / f"{estudio.programa.nombre}{sufijo}.{formato}"
            guion = guion_de(estudio, analisis, ruta, formato)
            if not guion:
                continue
            ejecutar_gnuplot(gnuplot, guion, ficheros.ruta(ruta.name))
            hechas.append(ruta)
    return hechas
