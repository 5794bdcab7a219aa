"""The plot of the counts: the main count against n with its fit and
model, and beside it the time of one operation against n for each
configuration, which is the picture of what the machine adds (for heapsort
it climbs as the heap leaves each cache level)."""

from pathlib import Path

from ..analisis import Analisis
from .comun import COLORES, cadena, datos, eje_x, inicio, marcas_de_cache


def guion_cuentas(analisis: Analisis, destino: Path, formato: str) -> str:
    estudio = analisis.estudio
    cuentas = estudio.cuentas_principales()
    if len(cuentas) < 2 or analisis.cuentas is None:
        return ""
    programa = estudio.programa
    lineas = inicio(destino, formato, 1200, 520) + [
        f"set multiplot layout 1,2 title {cadena(programa.algoritmo)} noenhanced",
        "set xlabel 'n'",
        "set grid xtics ytics lc rgb '#dddddd'",
        "set key top left box samplen 2",
    ]
    lineas += eje_x([n for n, _ in cuentas], programa.exponencial)
    lineas += [f"set title {cadena(f'{programa.cuenta} por ejecución')} noenhanced",
               "set logscale y", "set format y '10^{%L}'"]
    lineas += datos("$cuentas", cuentas)
    series = [f"$cuentas using 1:2 with points pt 7 ps 0.9 lc rgb '#333333'"
              f" title {cadena(programa.cuenta)}"]
    ajuste = analisis.cuentas.ajuste
    if ajuste:
        series.append(f"{ajuste.expresion()} with lines dt 2 lc rgb '#1b6fb5'"
                      f" title {cadena('ajuste c(n) ≈ ' + ajuste.enriquecida())}")
    modelo = analisis.cuentas.modelo
    if modelo:
        series.append(f"{modelo.expresion()} with lines dt 3 lc rgb '#d95f02'"
                      f" title {cadena('modelo ' + modelo.enriquecido())}")
    lineas.append("plot " + ", \\\n     ".join(series))
    lineas += [f"set title {cadena(f'tiempo por {programa.operacion}, en ns')} noenhanced",
               "unset logscale y", "set format y '%g'", "set yrange [0:*]"]
    series = []
    for k, (configuracion, de) in enumerate(analisis.configuraciones.items()):
        if not de.por_operacion:
            continue
        lineas += datos(f"$operacion_{k}", [(n, 1e9 * s) for n, s in de.por_operacion])
        series.append(f"$operacion_{k} using 1:2 with linespoints pt 7 ps 0.8 lw 1.5"
                      f" lc rgb '{COLORES.get(configuracion, 'black')}'"
                      f" title {cadena(configuracion)}")
    if series:
        lineas += marcas_de_cache(analisis.cruces, [n for n, _ in cuentas])
        lineas.append("plot " + ", \\\n     ".join(series))
    lineas.append("unset multiplot")
    return "\n".join(lineas) + "\n"
