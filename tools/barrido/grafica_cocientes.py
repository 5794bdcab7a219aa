"""The plot of the verdict's test: each ratio t/f(n), normalised to its
value at the largest size, against n, with the upper half of the sizes
(where the verdict is judged) shaded. The ratio of the bound the times
follow levels off there; on the log-log plot every program looks like a
straight line."""

from pathlib import Path
from typing import List, Optional, Sequence, Tuple

from .analisis import Analisis, cuentas_principales
from .estudio import Estudio
from .grafica import _cadena, datos, eje_x, inicio
from .veredicto import mitad_superior

_TRAZOS = ["#7570b3", "#1b9e77", "#d95f02", "#e7298a", "#66a61e"]


def _panel(titulo: str, pares: Sequence[Tuple[int, float]], estudio: Estudio, k: int,
           sombra: Optional[Tuple[int, int]]) -> List[str]:
    """One panel: every bound's ratio normalised to its value at the
    largest size, the upper half shaded."""
    lineas = [f"set title {_cadena(titulo)} noenhanced", "unset object"]
    if sombra:
        desde, hasta = sombra
        lineas.append(f"set object 1 rect from {desde},graph 0 to {hasta},graph 1"
                      " fc rgb '#e8e8e8' fs solid 1.0 noborder behind")
    series, valores = [], []
    for j, cota in enumerate(estudio.cotas):
        cocientes = [(n, t / f) for n, t in pares if (f := cota(n)) and t > 0]
        if len(cocientes) < 2:
            continue
        ultimo = cocientes[-1][1]
        nombre = f"$cociente_{k}_{j}"
        normalizados = [(n, r / ultimo) for n, r in cocientes]
        valores += [r for _, r in normalizados]
        lineas += datos(nombre, normalizados)
        series.append(f"{nombre} using 1:2 with linespoints pt 7 ps 0.7 lw 1.5"
                      f" lc rgb '{_TRAZOS[j % len(_TRAZOS)]}' title {_cadena(cota.columna)}"
                      " noenhanced")
    if not series:
        return []
    lineas.append(f"set yrange [{min(valores) / 1.3!r}:{max(valores) * 1.6!r}]")
    return lineas + ["plot " + ", \\\n     ".join(series + ["1 with lines lc rgb '#444444'"
                                                         " dt 2 notitle"])]


def guion_cocientes(estudio: Estudio, analisis: Analisis, destino: Path, formato: str) -> str:
    paneles = []
    for configuracion in estudio.configuraciones:
        de = analisis.configuraciones.get(configuracion)
        if de is None:
            continue
        sombra = de.veredicto.tallas if de.veredicto.pruebas else None
        paneles.append((f"{configuracion}: t/f(n) entre su valor en la talla mayor",
                        estudio.pares(configuracion), sombra))
    cuentas = cuentas_principales(estudio)
    if len(cuentas) >= 2:
        mitad = mitad_superior([(n, [c]) for n, c in cuentas])
        paneles.append((f"cuentas: {estudio.programa.cuenta}/f(n) entre su valor en la talla"
                        " mayor", cuentas, (mitad[0][0], mitad[-1][0])))
    if not paneles:
        return ""
    lineas = inicio(destino, formato, 900, 330 * len(paneles) + 40) + [
        "set xlabel 'n'",
        "set logscale y",
        "set grid xtics ytics lc rgb '#dddddd'",
        "set key top left box samplen 2",
        f"set multiplot layout {len(paneles)},1 title"
        f" {_cadena(f'{estudio.programa.algoritmo}: ¿qué cociente se asienta? (sombreada, la mitad superior de las tallas)')}"
        " noenhanced",
    ]
    tallas = [n for _, pares, _ in paneles for n, _ in pares]
    lineas += eje_x(tallas, estudio.programa.exponencial)
    for k, (titulo, pares, sombra) in enumerate(paneles):
        lineas += _panel(titulo, pares, estudio, k, sombra)
    lineas.append("unset multiplot")
    return "\n".join(lineas) + "\n"
