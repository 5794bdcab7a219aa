"""The main plot of a program's study: the measured medians with their
min-max bars, the fitted curve and the model of each configuration."""

from pathlib import Path

from ..analisis import Analisis
from .comun import COLORES, cadena, eje_x, inicio, marcas_de_cache


def guion_tiempos(analisis: Analisis, destino: Path, formato: str) -> str:
    """A gnuplot script that draws the study into destino: the measured
    medians with min-max bars, one series per configuration, the fitted curve
    with its formula in the key and the model; log-log axes (log t against n
    for a program that grows exponentially)."""
    estudio = analisis.estudio
    programa = estudio.programa
    binarios = ", ".join(programa.binario(c) for c in estudio.configuraciones)
    lineas = inicio(destino, formato) + [
        f"set title {cadena(f'{programa.algoritmo} ({binarios})')} noenhanced",
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
    lineas += marcas_de_cache(analisis.cruces, [p.n for p in visibles])
    series = []
    for k, configuracion in enumerate(estudio.configuraciones):
        color = COLORES.get(configuracion, "black")
        serie = estudio.puntos_de(configuracion)
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
                          f" title {cadena(titulo)}")
        de = analisis.configuraciones.get(configuracion)
        ajuste = de.ajuste if de else None
        if ajuste:
            titulo = (f"{configuracion}: ajuste t(n) ≈ {ajuste.enriquecida()}"
                      f"  (R² = {ajuste.r2:.4f})")
            series.append(f"{ajuste.expresion()} with lines lw 1.5 dt 2 lc rgb '{color}'"
                          f" title {cadena(titulo)}")
        if de and de.modelo:
            titulo = f"{configuracion}: modelo {de.modelo.enriquecido()}"
            series.append(f"{de.modelo.expresion()} with lines lw 1 dt 3 lc rgb '{color}'"
                          f" title {cadena(titulo)}")
    if not series:
        return ""
    lineas.append("plot " + ", \\\n     ".join(series))
    return "\n".join(lineas) + "\n"
