"""The main plot of a program's study, drawn by gnuplot: the measured
medians with their min-max bars, the fitted curve and the model of each
configuration; and what every plot of the sweep shares (terminals, texts,
running gnuplot)."""

import math
import re
import subprocess
from pathlib import Path
from typing import List, Sequence

from .analisis import Analisis
from .errores import FalloPrograma
from .estudio import Estudio
from .modelo import Modelo

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


def guion_gnuplot(estudio: Estudio, analisis: Analisis, destino: Path, formato: str) -> str:
    """A gnuplot script that draws the study into destino: the measured
    medians with min-max bars, one series per configuration, the fitted curve
    with its formula in the key and the model; log-log axes (log t against n
    for a program that grows exponentially)."""
    programa = estudio.programa
    binarios = ", ".join(programa.binario(c) for c in estudio.configuraciones)
    lineas = inicio(destino, formato) + [
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
        bajo, alto = min(p.minimo for p in visibles), max(p.maximo for p in visibles)
        lineas.append(f"set yrange [{bajo / 1.5!r}:{alto * (alto / bajo) ** 0.35 * 1.5!r}]")
    lineas += eje_x([p.n for p in visibles], programa.exponencial)
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
        de = analisis.configuraciones.get(configuracion)
        ajuste = de.ajuste if de else None
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
        if de and de.modelo:
            series.append(f"{expresion_modelo(de.modelo)} with lines lw 1 dt 3 lc rgb '{color}'"
                          f" title {_cadena(f'{configuracion}: modelo {texto_modelo(de.modelo)}')}")
    if not series:
        return ""
    lineas.append("plot " + ", \\\n     ".join(series))
    return "\n".join(lineas) + "\n"


def expresion_modelo(modelo: Modelo) -> str:
    """The model's sum as a gnuplot expression of x."""
    return " + ".join(f"({a!r})*{g.expresion()}"
                      for a, g in zip(modelo.constantes, modelo.funciones))


def texto_modelo(modelo: Modelo) -> str:
    """The model for a key in gnuplot's enhanced text: 2.5e-10·n^{2} +
    3.1e-08·n, every power a superscript."""
    partes = [f"{a:.3g}" + ("" if t == "1" else "·" + re.sub(r"\^([\w.]+)", r"^{\1}", t))
              for a, t in zip(modelo.constantes, modelo.terminos)]
    return " + ".join(partes).replace("+ -", "− ").replace("*", "·")


def ejecutar_gnuplot(gnuplot: str, guion: str, ruta: Path):
    r = subprocess.run([gnuplot], input=guion.encode("utf-8"), stdout=subprocess.PIPE,
                       stderr=subprocess.PIPE)
    if r.returncode != 0:
        raise FalloPrograma(f"gnuplot no pudo dibujar {ruta}:\n"
                            + r.stderr.decode("utf-8", "replace").strip())
