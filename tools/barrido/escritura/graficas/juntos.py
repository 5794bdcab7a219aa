"""The plot of several programs in one study (juntos.svg). Above, every program's medians with min-max bars and its fitted
curve over the sizes it was fitted on, one colour per program, log-log
axes, the key naming each program with its fitted growth. Below, on the
same n axis, each program's time as a factor of the fastest at each size
two or more programs share (log y), which reads the ranking at a glance.

A program that grows as a^n is left out when some other does not: its n
(Hanoi's discs, 16 to 28 by default) would sit on the sorts' axis of array lengths as
if it were comparable. The notes say which; the table says so too, and the
plot carries the note under its title. Programs that all grow as a^n are
drawn against a linear n axis."""

import math
from typing import List, Sequence, Tuple

from ...analisis.analisis import Analisis
from ...analisis.juntos import Juntos
from ...redaccion.casos import veces
from ...datos.programas import ENTRADAS, PROGRAMAS
from ...redaccion.ajuste import crecimiento
from .comun import (cadena, curva, datos, eje_x, enriquecer, enumerar, inicio, marcas_log,
                    rango_log)

# One colour a program, the same in every run whatever the others are.
_PALETA = ["#1b9e77", "#d95f02", "#7570b3", "#e7298a", "#66a61e", "#b8860b", "#a6761d",
           "#555555"]
_NOMBRES = list(PROGRAMAS)


def _color(nombre: str, k: int) -> str:
    """A program's colour, or a kind of input's when the series are the
    kinds of one program («insertion ordenada»)."""
    tipo = nombre.split()[-1]
    if tipo in ENTRADAS:
        indice = ENTRADAS.index(tipo)
    else:
        indice = _NOMBRES.index(nombre) if nombre in _NOMBRES else k
    return _PALETA[indice % len(_PALETA)]


def _marcas_veces(mayor: float) -> str:
    """Tics of the factor axis: ×1, ×1.5, ×2, ×3, ×5, ×7, ×10, ... up to
    mayor."""
    marcas = [m * 10 ** e for e in range(0, 1 + int(math.log10(max(mayor, 1))))
              for m in (1, 1.5, 2, 3, 5, 7)]
    marcas = [m for m in marcas if m <= mayor * 1.3] or [1]
    if len(marcas) > 10:
        marcas = [m for m in marcas if m / 10 ** math.floor(math.log10(m)) in (1, 2, 5)]
    return "set ytics (" + ", ".join(f"'×{m:g}' {m:g}" for m in marcas) + ")"


def _panel_tiempos(dibujados: Sequence[Analisis], configuracion: str,
                   exponencial: bool) -> List[str]:
    lineas, series = [], []
    fuera = False
    for k, analisis in enumerate(dibujados):
        estudio = analisis.estudio
        nombre = estudio.etiqueta
        color = _color(nombre, k)
        serie = [p for p in estudio.puntos_de(configuracion) if p.minimo > 0]
        ajustables = [p for p in serie if not estudio.fuera_del_ajuste(p)]
        otros = [p for p in serie if estudio.fuera_del_ajuste(p)]
        de = analisis.configuraciones.get(configuracion)
        ajuste = de.ajuste if de else None
        for grupo, puntos, tipo in (("medidos", ajustables, 7), ("fuera", otros, 6)):
            if not puntos:
                continue
            lineas += datos(f"${grupo}_{k}", [(p.n, p.mediana, p.minimo, p.maximo)
                                              for p in puntos])
            titulo = "notitle" if ajuste or grupo == "fuera" else \
                f"title {cadena(f'{nombre}: sin ajuste')} noenhanced"
            series.append(f"${grupo}_{k} using 1:2:3:4 with yerrorbars pt {tipo} ps 0.8"
                          f" lc rgb '{color}' {titulo}")
        fuera = fuera or bool(otros)
        if ajuste and ajustables:
            lineas += datos(f"$ajuste_{k}", curva(ajuste, ajustables[0].n, ajustables[-1].n,
                                                  ajuste.exponencial))
            titulo = f"{enriquecer(nombre)}: {enriquecer(crecimiento(ajuste))}"
            series.append(f"$ajuste_{k} using 1:2 with lines lw 1.5 dt 2 lc rgb '{color}'"
                          f" title {cadena(titulo)}")
    puntos = [p for a in dibujados for p in a.estudio.puntos_de(configuracion) if p.minimo > 0]
    bajo, alto = rango_log([p.minimo for p in puntos] + [p.maximo for p in puntos])
    titulo = "medianas, barras mín–máx; a trazos, el ajuste a las medianas"
    if fuera:
        titulo += "; huecos: fuera del ajuste"
    return [f"set title {cadena(titulo)} noenhanced",
            "set ylabel 't(n) en segundos'", "set logscale y",
            f"set yrange [{bajo!r}:{alto!r}]", *marcas_log(bajo, alto),
            *eje_x([p.n for p in puntos], exponencial), *lineas,
            "plot " + ", \\\n     ".join(series)]


def _panel_relativos(juntos: Juntos) -> List[str]:
    """Each program's time over the fastest's at the sizes two or more
    programs share; nothing when no size is shared. The key gives each
    program's factor at the size the table ranks them at, slowest first,
    as the lines stand there."""
    comparacion = juntos.tiempos
    orden = comparacion.orden()
    if orden is None:
        return []
    donde, factores, _ = orden
    en_orden = [p for p, _ in reversed(factores)]
    en_orden += [p for p in comparacion.nombres if p not in en_orden]
    lineas, series, mayor = [], [], 1.0
    for nombre in en_orden:
        k = comparacion.nombres.index(nombre)
        pares = [(n, x) for n in comparacion.tallas
                 if (x := comparacion.relativo(nombre, n)) is not None]
        if not pares:
            continue
        mayor = max([mayor] + [x for _, x in pares])
        lineas += datos(f"$relativo_{k}", pares)
        x = comparacion.relativo(nombre, donde)
        titulo = nombre if x is None else f"{nombre}: {veces(x)} a n = {donde}"
        series.append(f"$relativo_{k} using 1:2 with linespoints pt 7 ps 0.8 lw 1.5"
                      f" lc rgb '{_color(nombre, k)}' title {cadena(titulo)} noenhanced")
    if not series:
        return []
    return ["set title 'tiempo entre el del más rápido en esa talla' noenhanced",
            "set ylabel 'veces el más rápido'", "set logscale y", "set format y '%g'",
            f"set yrange [0.9:{mayor * 1.15!r}]", _marcas_veces(mayor), *lineas,
            "plot " + ", \\\n     ".join(series + ["1 with lines lc rgb '#444444' dt 2 notitle"])]


def _titulo(dibujados: Sequence[Analisis], configuracion: str) -> str:
    """What the plot shows: «ordenación por inserción, entradas ordenada e
    inversa: tiempo de bench_insertion_entradas (O2)» for the kinds of one
    program, «insertion, quicksort: tiempo de bench_insertion (O2) y
    bench_quicksort (O2)» for several programs."""
    estudios = [a.estudio for a in dibujados]
    de = enumerar(list(dict.fromkeys(f"{e.programa.binario(configuracion, e.entrada)}"
                                     f" ({configuracion})" for e in estudios)))
    if len({e.programa.nombre for e in estudios}) == 1 and all(e.entrada for e in estudios):
        return (f"{estudios[0].programa.algoritmo}, entradas"
                f" {enumerar([e.entrada for e in estudios])}: tiempo de {de}")
    return f"{', '.join(e.etiqueta for e in estudios)}: tiempo de {de}"


def guion_juntos(juntos: Juntos, formato: str) -> Tuple[str, List[str]]:
    """The gnuplot script of juntos.svg (empty when fewer than two programs
    have times to draw) and the notes on what it leaves out."""
    configuracion = juntos.configuracion
    notas = list(juntos.notas_aparte)
    dibujados = juntos.dibujados()
    if len(dibujados) < 2:
        return "", notas + [f"gráfica juntos: menos de dos programas con tiempos en"
                            f" {configuracion}; no se dibuja"]
    exponencial = all(a.estudio.programa.exponencial for a in dibujados)
    arriba = _panel_tiempos(dibujados, configuracion, exponencial)
    abajo = _panel_relativos(juntos)
    titulo = _titulo(dibujados, configuracion)
    if juntos.aparte:
        titulo += f" (sin {', '.join(e.etiqueta for e in juntos.aparte)}: crece como a^n)"
    paneles = 2 if abajo else 1
    lineas = inicio(formato, 1200, 80 + 460 * paneles) + [
        f"set multiplot layout {paneles},1 title {cadena(titulo)} noenhanced",
        "set xlabel 'n'",
        "set grid xtics ytics mxtics mytics lc rgb '#dddddd'",
        # Beside the panels, where it hides no point; one right margin for
        # both, so that their n axes line up.
        "set key outside right top Left reverse box samplen 3",
        "set rmargin 44",
    ]
    lineas += arriba + abajo + ["unset multiplot"]
    return "\n".join(lineas) + "\n", notas
