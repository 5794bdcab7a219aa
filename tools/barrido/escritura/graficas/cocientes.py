"""The plot of the verdict's test: each ratio t/f(n), normalised to its
value at the largest size, against n, with the upper half of the sizes
(where the verdict on the times is judged) shaded. The ratio of the bound
the times follow levels off there; on the log-log plot every program looks
like a straight line. A last panel does the same for the main count, whose
verdict takes every size: it is not shaded."""

from typing import List, Optional, Sequence, Tuple

from ...analisis.analisis import Analisis
from ...datos.medidas import CUENTAS
from ...datos.cotas import Cota
from .comun import (cadena, datos, describir_serie, eje_x, ejecutables, enriquecer, inicio,
                    marcas_log, rango_log)

_TRAZOS = ["#7570b3", "#1b9e77", "#d95f02", "#e7298a", "#66a61e"]


def _panel(titulo: str, pares: Sequence[Tuple[int, float]], cotas: Sequence[Cota],
           magnitud: str, k: int, sombra: Optional[Tuple[int, int]]) -> List[str]:
    """One panel: every bound's ratio normalised to its value at the
    largest size, the upper half shaded when given."""
    lineas = [f"set title {cadena(titulo)} noenhanced", "unset object"]
    if sombra:
        desde, hasta = sombra
        lineas.append(f"set object 1 rect from {desde},graph 0 to {hasta},graph 1"
                      " fc rgb '#e8e8e8' fs solid 1.0 noborder behind")
    series, valores = [], []
    for j, cota in enumerate(cotas):
        cocientes = [(n, t / f) for n, t in pares if (f := cota(n)) and t > 0]
        if len(cocientes) < 2:
            continue
        ultimo = cocientes[-1][1]
        nombre = f"$cociente_{k}_{j}"
        normalizados = [(n, r / ultimo) for n, r in cocientes]
        valores += [r for _, r in normalizados]
        lineas += datos(nombre, normalizados)
        columna = cota.columna.replace("t/", f"{magnitud}/", 1)
        series.append(f"{nombre} using 1:2 with linespoints pt 7 ps 0.7 lw 1.5"
                      f" lc rgb '{_TRAZOS[j % len(_TRAZOS)]}' title {cadena(enriquecer(columna))}")
    if not series:
        return []
    bajo, alto = rango_log(valores + [1.0], 1.15)
    lineas += [f"set yrange [{bajo!r}:{alto!r}]", *marcas_log(bajo, alto),
               f"set ylabel {cadena(f'{magnitud}/f(n), relativo a la talla mayor')}"
               " noenhanced"]
    return lineas + ["plot " + ", \\\n     ".join(series + ["1 with lines lc rgb '#444444'"
                                                         " dt 2 notitle"])]


def guion_cocientes(analisis: Analisis, formato: str) -> str:
    estudio = analisis.estudio
    paneles = []
    for configuracion, de in analisis.configuraciones.items():
        if not de.rapidas:
            continue
        sombra = de.veredicto.tallas if de.veredicto.pruebas else None
        titulo = (f"tiempo de {ejecutables(estudio, [configuracion])}: t/f(n) relativo a la talla"
                  " mayor")
        if sombra:
            titulo += "; sombreada, la mitad superior, donde se juzga"
        paneles.append((titulo, de.rapidas, "t", sombra))
    cuentas = estudio.cuentas_principales()
    if len(cuentas) >= 2:
        paneles.append((f"{estudio.programa.cuenta} de {ejecutables(estudio, [CUENTAS.nombre])}:"
                        " c/f(n) relativo a la talla mayor (se juzgan en todas las tallas)",
                        cuentas, "c", None))
    if not paneles:
        return ""
    titulo = f"{describir_serie(estudio)}: ¿qué cociente se asienta?"
    lineas = inicio(formato, 1000, 340 * len(paneles) + 40) + [
        "set xlabel 'n'",
        "set logscale y",
        "set grid xtics ytics lc rgb '#dddddd'",
        # Beside the plot, where it hides no curve.
        "set key outside right top box samplen 2",
        f"set multiplot layout {len(paneles)},1 title {cadena(titulo)} noenhanced",
    ]
    tallas = [n for _, pares, _, _ in paneles for n, _ in pares]
    lineas += eje_x(tallas, estudio.programa.exponencial)
    for k, (titulo, pares, magnitud, sombra) in enumerate(paneles):
        lineas += _panel(titulo, pares, analisis.cotas, magnitud, k, sombra)
    lineas.append("unset multiplot")
    return "\n".join(lineas) + "\n"
