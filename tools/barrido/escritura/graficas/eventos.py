"""The plot of the machine's events: each event per operation (per the
program's main count at that size) against n, on logarithmic axes, with a
dotted line where the working set outgrows each cache. Where a line rises
at a cache's line, that cache is what the time per operation pays for."""

from ...analisis.analisis import Analisis
from ...redaccion.eventos import plural
from .comun import (ALTO_LINEA, cadena, clave_debajo, datos, eje_x, inicio, marcas_de_cache,
                    marcas_log, rango_log)

COLORES = {"instrucciones": "#333333", "fallos_l1d": "#1b6fb5", "fallos_ll": "#d95f02",
           "saltos": "#7570b3", "saltos_fallidos": "#1b9e77"}


def guion_eventos(analisis: Analisis, formato: str) -> str:
    de = analisis.eventos
    if de is None:
        return ""
    programa = analisis.estudio.programa
    por_operacion = de.por_operacion()
    series, bloques, valores = [], [], []
    for k, nombre in enumerate(de.nombres):
        puntos = [(n, v[nombre]) for n, v in sorted(por_operacion.items()) if v.get(nombre, 0) > 0]
        if len(puntos) < 2:
            continue
        valores += [y for _, y in puntos]
        bloques += datos(f"$evento_{k}", puntos)
        series.append(f"$evento_{k} using 1:2 with linespoints pt 7 ps 0.8 lw 1.5"
                      f" lc rgb '{COLORES.get(nombre, '#999999')}'"
                      f" title {cadena(plural(nombre))} noenhanced")
    if not series:
        return ""
    tallas = sorted(por_operacion)
    bajo, alto = rango_log(valores)
    lineas = inicio(formato, 900, 520 + ALTO_LINEA * len(series)) + [
        f"set title {cadena(f'{programa.algoritmo}: eventos simulados por {programa.operacion}')}"
        " noenhanced",
        "set xlabel 'n'", f"set ylabel {cadena(f'por {programa.operacion}')} noenhanced",
        "set grid xtics ytics lc rgb '#dddddd'", "set logscale y",
        f"set yrange [{bajo!r}:{alto!r}]", *marcas_log(bajo, alto),
    ] + clave_debajo(len(series)) + eje_x(tallas, programa.exponencial)
    lineas += bloques + marcas_de_cache(analisis.cruces, tallas)
    lineas.append("plot " + ", \\\n     ".join(series))
    return "\n".join(lineas) + "\n"
