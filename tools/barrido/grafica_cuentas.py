"""The plot of the counts: the main count against n with its fit and
model, and beside it the time of one operation against n for each
configuration, which is the picture of what the machine adds (for heapsort
it climbs as the heap leaves each cache level)."""

from pathlib import Path

from .analisis import Analisis, cuentas_principales
from .estudio import Estudio
from .grafica import _COLORES, _cadena, datos, eje_x, expresion_modelo, inicio


def guion_cuentas(estudio: Estudio, analisis: Analisis, destino: Path, formato: str) -> str:
    cuentas = cuentas_principales(estudio)
    if len(cuentas) < 2 or analisis.cuentas is None:
        return ""
    programa = estudio.programa
    exponencial = programa.exponencial
    lineas = inicio(destino, formato, 1200, 520) + [
        f"set multiplot layout 1,2 title {_cadena(programa.algoritmo)} noenhanced",
        "set xlabel 'n'",
        "set grid xtics ytics lc rgb '#dddddd'",
        "set key top left box samplen 2",
    ]
    lineas += eje_x([n for n, _ in cuentas], exponencial)
    lineas += [f"set title {_cadena(f'{programa.cuenta} por ejecución')} noenhanced",
               "set logscale y", "set format y '10^{%L}'"]
    lineas += datos("$cuentas", cuentas)
    series = [f"$cuentas using 1:2 with points pt 7 ps 0.9 lc rgb '#333333'"
              f" title {_cadena(programa.cuenta)}"]
    ajuste = analisis.cuentas.ajuste
    if ajuste:
        expresion = (f"{ajuste.constante!r}*{ajuste.tasa!r}**x" if exponencial
                     else f"{ajuste.constante!r}*x**{ajuste.tasa!r}")
        series.append(f"{expresion} with lines dt 2 lc rgb '#1b6fb5'"
                      f" title {_cadena('ajuste ' + ajuste.formula('c'))} noenhanced")
    if analisis.cuentas.modelo:
        series.append(f"{expresion_modelo(analisis.cuentas.modelo)} with lines dt 3"
                      " lc rgb '#d95f02' title 'modelo'")
    lineas.append("plot " + ", \\\n     ".join(series))
    lineas += [f"set title {_cadena(f'tiempo por {programa.operacion}, en ns')} noenhanced",
               "unset logscale y", "set format y '%g'", "set yrange [0:*]"]
    series = []
    for k, (configuracion, de) in enumerate(analisis.configuraciones.items()):
        if not de.por_operacion:
            continue
        lineas += datos(f"$operacion_{k}", [(n, 1e9 * s) for n, s in de.por_operacion])
        series.append(f"$operacion_{k} using 1:2 with linespoints pt 7 ps 0.8 lw 1.5"
                      f" lc rgb '{_COLORES.get(configuracion, 'black')}'"
                      f" title {_cadena(configuracion)}")
    if series:
        lineas.append("plot " + ", \\\n     ".join(series))
    lineas.append("unset multiplot")
    return "\n".join(lineas) + "\n"
