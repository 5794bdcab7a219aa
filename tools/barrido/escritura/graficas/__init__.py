"""The plots of a sweep, drawn by gnuplot from the analysis: for each
program its times (X.svg), the verdict's ratios (X_cocientes.svg) and,
with counts, the counts and the time per operation (X_cuentas.svg); for
several programs together, juntos.svg. Each module writes one script;
comun holds what they share."""

from dataclasses import dataclass
from pathlib import Path
from typing import Callable, List, Optional, Sequence, Tuple

from ...analisis.analisis import Analisis
from ..ficheros import Ficheros
from ...analisis.juntos import Juntos
from .cocientes import guion_cocientes
from .comun import AVISO_GNUPLOT
from .gnuplot import GnuplotColgado, ejecutar_gnuplot
from .cuentas import guion_cuentas
from .juntos import guion_juntos
from .tiempos import guion_tiempos

__all__ = ["AVISO_GNUPLOT", "GRAFICAS", "GnuplotColgado", "Grafica", "dibujar", "dibujar_juntos",
           "guion_cocientes", "guion_cuentas", "guion_juntos", "guion_tiempos"]


@dataclass(frozen=True)
class Grafica:
    """A plot drawn and what it shows, which its caption says: tiempos,
    cocientes or cuentas of one program; juntos, several programs; entradas,
    the kinds of input of one program."""

    ruta: Path
    clase: str

    @property
    def name(self) -> str:
        return self.ruta.name

    @property
    def suffix(self) -> str:
        return self.ruta.suffix

    def __str__(self) -> str:
        return str(self.ruta)


# Each program's plots: the suffix of the file, what it shows, its script.
GRAFICAS = (("", "tiempos", guion_tiempos), ("_cocientes", "cocientes", guion_cocientes),
            ("_cuentas", "cuentas", guion_cuentas))


def _dibujar(ficheros: Ficheros, gnuplot: str, nombre: str, guion: Callable[[], str]
             ) -> Optional[Path]:
    """Draws one plot into a temporary file that then takes its name, so
    that a plot is never left half drawn: its path, or None when there is
    nothing to draw or the file could not be put in place."""
    texto = guion()
    if not texto:
        return None
    creado = ficheros.temporal(nombre)
    if creado is None:
        return None
    temporal, descriptor = creado
    try:
        with open(descriptor, "wb") as salida:
            ejecutar_gnuplot(gnuplot, texto, salida, ficheros.directorio / nombre)
    except BaseException:
        ficheros.descartar(temporal)
        raise
    return ficheros.confirmar(temporal, nombre)


def dibujar(analisis: Analisis, ficheros: Ficheros, gnuplot: str,
            formatos: Sequence[str]) -> List[Grafica]:
    """Runs gnuplot once per plot and format; the plots it wrote."""
    hechas = []
    for formato in formatos:
        for sufijo, clase, guion_de in GRAFICAS:
            nombre = f"{analisis.estudio.fichero}{sufijo}.{formato}"
            ruta = _dibujar(ficheros, gnuplot, nombre,
                            lambda: guion_de(analisis, formato))
            if ruta:
                hechas.append(Grafica(ruta, clase))
    return hechas


def dibujar_juntos(juntos: Juntos, ficheros: Ficheros, gnuplot: str,
                   formatos: Sequence[str], nombre: str = "juntos", clase: str = "juntos"
                   ) -> Tuple[List[Grafica], List[str]]:
    """Runs gnuplot once per format into <nombre>.<formato> (juntos.svg, or
    insertion_entradas.svg, of clase entradas, for the kinds of one
    program): the plots it wrote (none when fewer than two series have
    times to draw) and the notes on what the plot leaves out, for the
    user."""
    hechas, notas = [], []
    for formato in formatos:
        guion, notas = guion_juntos(juntos, formato)
        ruta = _dibujar(ficheros, gnuplot, f"{nombre}.{formato}", lambda: guion)
        if ruta:
            hechas.append(Grafica(ruta, clase))
    return hechas, notas
