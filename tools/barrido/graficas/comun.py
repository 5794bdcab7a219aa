"""What every plot of a sweep shares: the gnuplot terminals, quoting of
texts, data blocks, the n axis, the colours of the configurations, and
running gnuplot."""

import math
import subprocess
from pathlib import Path
from typing import List, Sequence

from ..errores import FalloPrograma

AVISO_GNUPLOT = (
    "gnuplot no está instalado: no se dibujan las gráficas "
    "(se instala con: apt-get install gnuplot-nox)"
)

COLORES = {"O0": "#d95f02", "O2": "#1b6fb5", "O3": "#1b9e77"}


def cadena(texto: str) -> str:
    """A text as a double-quoted gnuplot string."""
    return '"' + texto.replace("\\", "\\\\").replace('"', '\\"') + '"'


def abreviar(n: int) -> str:
    """1500 → 1.5k, 2000000 → 2M: a size as a tic label."""
    if n < 1000:
        return str(n)
    if n < 1000000:
        return f"{n / 1000:.3g}k"
    return f"{n / 1000000:.3g}M"


def _marcas_x(tallas: Sequence[int]) -> str:
    """Tics at the measured sizes on a log axis, leaving out any size too
    close to the previous labelled one for both labels to be read."""
    if len(tallas) < 2:
        return "set format x '%.0s%c'"
    separacion = 0.045 * math.log(tallas[-1] / tallas[0])
    marcas = [tallas[0]]
    for n in tallas[1:]:
        if math.log(n / marcas[-1]) >= separacion:
            marcas.append(n)
    return "set xtics (" + ", ".join(f"'{abreviar(n)}' {n}" for n in marcas) + ")"


def inicio(destino: Path, formato: str, ancho: int = 900, alto: int = 600) -> List[str]:
    """The first lines of every script: the terminal and the output file."""
    terminal = {
        "svg": f"svg size {ancho},{alto} dynamic enhanced font 'Sans,13' background '#ffffff'",
        "png": f"pngcairo size {ancho},{alto} enhanced font 'Sans,11'",
    }[formato]
    ruta = str(destino).replace("'", "''")
    return ["set encoding utf8", f"set terminal {terminal}", f"set output '{ruta}'"]


def datos(nombre: str, filas: Sequence[Sequence[float]]) -> List[str]:
    """An inline data block of the script."""
    return [f"{nombre} << EOD"] + [" ".join(f"{x:.6g}" for x in f) for f in filas] + ["EOD"]


def eje_x(tallas: Sequence[int], exponencial: bool) -> List[str]:
    """A log axis with tics at the measured sizes, or a linear one for a
    program that grows exponentially."""
    if not tallas:
        return []
    if exponencial:
        return [f"set xrange [{min(tallas) - 0.5}:{max(tallas) + 0.5}]"]
    return [f"set xrange [{min(tallas) / 1.15!r}:{max(tallas) * 1.15!r}]", "set logscale x",
            "set mxtics 10", _marcas_x(sorted(set(tallas)))]


def ejecutar_gnuplot(gnuplot: str, guion: str, ruta: Path):
    r = subprocess.run([gnuplot], input=guion.encode("utf-8"), stdout=subprocess.PIPE,
                       stderr=subprocess.PIPE)
    if r.returncode != 0:
        raise FalloPrograma(f"gnuplot no pudo dibujar {ruta}:\n"
                            + r.stderr.decode("utf-8", "replace").strip())


def marcas_de_cache(cruces: Sequence, tallas: Sequence[int]) -> List[str]:
    """A dotted vertical line, labelled L1d, L2 or L3, at each size where
    the working set outgrows a cache, when it lies within the sizes drawn."""
    if not tallas:
        return []
    lineas = []
    for k, cruce in enumerate(c for c in cruces if min(tallas) <= c.n <= max(tallas)):
        lineas += [f"set arrow {10 + k} from {cruce.n!r}, graph 0 to {cruce.n!r}, graph 1 nohead"
                   " dt 3 lw 1.2 lc rgb '#888888' back",
                   f"set label {10 + k} {cadena(cruce.nivel.nombre)} at {cruce.n!r}, graph 0.04"
                   " offset 0.4,0 tc rgb '#666666' noenhanced"]
    return lineas
