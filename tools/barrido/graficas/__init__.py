"""The plots of a sweep, drawn by gnuplot from the analysis: for each
program its times (X.svg), the verdict's ratios (X_cocientes.svg) and,
with counts, the counts and the time per operation (X_cuentas.svg); for
several programs together, juntos.svg. Each module writes one script;
comun holds what they share."""

from pathlib import Path
from typing import List, Sequence, Tuple

from ..analisis import Analisis
from ..ficheros import Ficheros
from ..juntos import Juntos
from .cocientes import guion_cocientes
from .comun import AVISO_GNUPLOT, ejecutar_gnuplot
from .cuentas import guion_cuentas
from .juntos import guion_juntos
from .tiempos import guion_tiempos

__all__ = ["AVISO_GNUPLOT", "GRAFICAS", "dibujar", "dibujar_juntos", "guion_cocientes",
           "guion_cuentas", "guion_juntos", "guion_tiempos"]

GRAFICAS = (("", guion_tiempos), ("_cocientes", guion_cocientes), ("_cuentas", guion_cuentas))


def dibujar(analisis: Analisis, ficheros: Ficheros, gnuplot: str,
            formatos: Sequence[str]) -> List[Path]:
    """Runs gnuplot once per plot and format; the paths it wrote."""
    hechas = []
    for formato in formatos:
        for sufijo, guion_de in GRAFICAS:
            ruta = ficheros.directorio / f"{analisis.estudio.fichero}{sufijo}.{formato}"
            guion = guion_de(analisis, ruta, formato)
            if not guion:
                continue
            ejecutar_gnuplot(gnuplot, guion, ficheros.ruta(ruta.name))
            hechas.append(ruta)
    return hechas


def dibujar_juntos(juntos: Juntos, ficheros: Ficheros, gnuplot: str,
                   formatos: Sequence[str], nombre: str = "juntos"
                   ) -> Tuple[List[Path], List[str]]:
    """Runs gnuplot once per format into <nombre>.<formato> (juntos.svg, or
    insertion_entradas.svg for the kinds of one program): the paths it
    wrote (none when fewer than two series have times to draw) and the
    notes on what the plot leaves out, for the user."""
    hechas, notas = [], []
    for formato in formatos:
        ruta = ficheros.directorio / f"{nombre}.{formato}"
        guion, notas = guion_juntos(juntos, ruta, formato)
        if guion:
            ejecutar_gnuplot(gnuplot, guion, ficheros.ruta(ruta.name))
            hechas.append(ruta)
    return hechas, notas
