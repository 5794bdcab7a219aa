"""The plot of a program's study, drawn by gnuplot: the measured medians
with their min-max bars and the fitted curve of each configuration."""

import math
import subprocess
from pathlib import Path
from typing import List, Sequence

from .errores import FalloPrograma
from .estudio import Estudio
from .ficheros import Ficheros

AVISO_GNUPLOT = (
    "gnuplot no está instalado: no se dibujan las gráficas "
    "(se instala con: apt-get install gnuplot-nox)"
)

_COLORES = {"O0": "#d95f02", "O2": "#1b6fb5", "O3": "#1b9e77"}


def _cadena(texto: str) -> str:
    return '"' + texto.replace("\\", "\\\\").replace('"', '\\"') + '"'


def _exponente10(x: float) -> str:
    """x in gnuplot's enhanced text: 2.31·10^{-10}."""
    mantisa, exponente = f"{x:.3e}".split("e")
    return f"{mantisa}·10^{{{int(exponente)}}}"


def _abreviar(n: int) -> str:
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
    return "set xtics (" + ", ".join(f"'{_abreviar(n)}' {n}" for n in marcas) + ")"


def guion_gnuplot(estudio: Estudio, destino: Path, formato: str) -> str:
    """A gnuplot script that draws the study into destino: the measured
    medians with min-max bars, one series per configuration, the fitted curve
    with its formula in the key; log-log axes (log t against n for a program
    that grows exponentially)."""
    programa = estudio.programa
    terminal = {
        "svg": "svg size 900,600 dynamic enhanced font 'Sans,13' background '#ffffff'",
        "png": "pngcairo size 900,600 enhanced font 'Sans,11'",
    }[formato]
    ruta = str(destino).replace("'", "''")
    binarios = ", ".join(programa.binario(c) for c in estudio.configuraciones)
    lineas = [
        "set encoding utf8",
        f"set terminal {terminal}",
        f"set output '{ruta}'",
        f"set title {_cadena(f'{programa.algoritmo} ({binarios})')} noenhanced",
        "set xlabel 'n'",
        "set ylabel 't(n) en segundos'",
        "set logscale y",
        "set format y '10^{%L}'",
        "set grid xtics ytics mxtics mytics lc rgb '#dddddd'",
        "set key top left Left reverse box samplen 3",
    ]
    # Ranges from the data alone, so that the fitted curves do not stretch
    # the axes, with a margin around the points and room above for the key.
    visibles = [p for p in estudio.puntos if p.minimo > 0]
    if visibles:
        ns = [p.n for p in visibles]
        bajo, alto = min(p.minimo for p in visibles), max(p.maximo for p in visibles)
        lineas.append(f"set yrange [{bajo / 1.5!r}:{alto * (alto / bajo) ** 0.35 * 1.5!r}]")
        if programa.exponencial:
            lineas.append(f"set xrange [{min(ns) - 0.5}:{max(ns) + 0.5}]")
        else:
            lineas.append(f"set xrange [{min(ns) / 1.15!r}:{max(ns) * 1.15!r}]")
    if not programa.exponencial:
        lineas += ["set logscale x", "set mxtics 10", _marcas_x(sorted({p.n for p in visibles}))]
    series = []
    for k, configuracion in enumerate(estudio.configuraciones):
        color = _COLORES.get(configuracion, "black")
        serie = estudio.serie(configuracion)
        grupos = {
            "medidos": [p for p in serie if not p.repeticion and not p.bajo_resolucion],
            "repeticion": [p for p in serie if p.repeticion and not p.bajo_resolucion],
            "resolucion": [p for p in serie if p.bajo_resolucion and p.minimo > 0],
        }
        fuera = " (fuera del ajuste)" if any(
            estudio.fuera_del_ajuste(p) for p in grupos["repeticion"]) else ""
        estilos = {
            "medidos": (f"pt 7 ps 0.9 lc rgb '{color}'",
                        f"{configuracion}: mediana, barras mín–máx"),
            "repeticion": (f"pt 6 ps 1.3 lc rgb '{color}'",
                           f"{configuracion}: n ≤ {programa.umbral_repeticion},"
                           f" por repetición{fuera}"),
            "resolucion": ("pt 2 ps 1 lc rgb '#888888'",
                           f"{configuracion}: bajo la resolución (fuera del ajuste)"),
        }
        for grupo, puntos in grupos.items():
            if not puntos:
                continue
            nombre = f"${grupo}_{k}"
            lineas.append(f"{nombre} << EOD")
            lineas += [f"{p.n} {p.mediana:.6g} {p.minimo:.6g} {p.maximo:.6g}" for p in puntos]
            lineas.append("EOD")
            estilo, titulo = estilos[grupo]
            series.append(f"{nombre} using 1:2:3:4 with yerrorbars {estilo}"
                          f" title {_cadena(titulo)}")
        ajuste = estudio.ajuste(configuracion)
        if ajuste:
            if ajuste.exponencial:
                expresion = f"{ajuste.constante!r}*{ajuste.tasa!r}**x"
                formula = f"{_exponente10(ajuste.constante)}·{ajuste.tasa:.3f}^n"
            else:
                expresion = f"{ajuste.constante!r}*x**{ajuste.tasa!r}"
                formula = f"{_exponente10(ajuste.constante)}·n^{{{ajuste.tasa:.3f}}}"
            titulo = f"{configuracion}: ajuste t(n) ≈ {formula}  (R² = {ajuste.r2:.4f})"
            series.append(f"{expresion} with lines lw 1.5 dt 2 lc rgb '{color}'"
                          f" title {_cadena(titulo)}")
    if not series:
        return ""
    lineas.append("plot " + ", \\\n     ".join(series))
    return "\n".join(lineas) + "\n"


def dibujar(
    estudio: Estudio, ficheros: Ficheros, gnuplot: str, formatos: Sequence[str]
) -> List[Path]:
    """Runs gnuplot once per format; the paths it wrote."""
    hechas = []
    for formato in formatos:
        ruta = ficheros.ruta(f"{estudio.programa.nombre}.{formato}")
        guion = guion_gnuplot(estudio, ruta, formato)
        if not guion:
            continue
        r = subprocess.run([gnuplot], input=guion.encode("utf-8"), stdout=subprocess.PIPE,
                           stderr=subprocess.PIPE)
        if r.returncode != 0:
            raise FalloPrograma(f"gnuplot no pudo dibujar {ruta}:\n"
                                + r.stderr.decode("utf-8", "replace").strip())
        hechas.append(ruta)
    return hechas


