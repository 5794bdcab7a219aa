"""The plot of the counts: the main count against n with its fit and
model, each with its formula, and beside it the time of one operation
against n for each configuration (the median of each size over its
count), which is the picture of what the machine adds (for heapsort it
climbs as the heap leaves each cache level)."""


from ...analisis.analisis import Analisis
from ...datos.medidas import CUENTAS
from .comun import (ALTO_LINEA, COLORES, cadena, clave_debajo, curva, datos, describir_serie,
                    eje_x, ejecutables, formula_ajuste, formula_modelo, inicio,
                    marcas_de_cache, marcas_log, rango_log)


def guion_cuentas(analisis: Analisis, formato: str) -> str:
    estudio = analisis.estudio
    cuentas = estudio.cuentas_principales()
    if len(cuentas) < 2 or analisis.cuentas is None:
        return ""
    programa = estudio.programa
    # Both panels keep room under them for the longer key.
    entradas = max(3, len(analisis.configuraciones))
    titulo = f"{describir_serie(estudio)}: {programa.cuenta} y tiempo por {programa.operacion}"
    lineas = inicio(formato, 1200, 500 + ALTO_LINEA * entradas) + [
        f"set multiplot layout 1,2 title {cadena(titulo)} noenhanced",
        "set xlabel 'n'",
        "set grid xtics ytics lc rgb '#dddddd'",
    ] + clave_debajo(entradas, 0.25)
    lineas += eje_x([n for n, _ in cuentas], programa.exponencial)
    bajo, alto = rango_log([c for _, c in cuentas])
    de = ejecutables(estudio, [CUENTAS.nombre])
    lineas += [f"set title {cadena(f'{programa.cuenta} por ejecución de {de}')} noenhanced",
               f"set ylabel {cadena(programa.cuenta)} noenhanced",
               "set logscale y", f"set yrange [{bajo!r}:{alto!r}]", *marcas_log(bajo, alto)]
    lineas += datos("$cuentas", cuentas)
    series = [f"$cuentas using 1:2 with points pt 7 ps 0.9 lc rgb '#333333'"
              f" title {cadena(f'{programa.cuenta}, media de una invocación')} noenhanced"]
    desde, hasta = cuentas[0][0], cuentas[-1][0]
    ajuste = analisis.cuentas.ajuste
    if ajuste:
        lineas += datos("$ajuste", curva(ajuste, desde, hasta, programa.exponencial))
        series.append(f"$ajuste using 1:2 with lines dt 2 lc rgb '#1b6fb5'"
                      f" title {cadena('ajuste, ' + formula_ajuste(ajuste, 'c'))}")
    modelo = analisis.cuentas.modelo
    if modelo:
        lineas += datos("$modelo", curva(modelo, desde, hasta, programa.exponencial))
        series.append(f"$modelo using 1:2 with lines dt 3 lc rgb '#d95f02'"
                      f" title {cadena('modelo, ' + formula_modelo(modelo, 'c'))}")
    lineas.append("plot " + ", \\\n     ".join(series))
    lineas += clave_debajo(entradas, 0.75)
    cronometradas = [c for c, de in analisis.configuraciones.items() if de.por_operacion]
    de = ejecutables(estudio, cronometradas)
    lineas += [f"set title {cadena(f'tiempo por {programa.operacion} de {de}, en ns')} noenhanced",
               f"set ylabel {cadena(f'ns por {programa.operacion}')} noenhanced",
               "unset logscale y", "set ytics autofreq", "set format y '%g'",
               "set yrange [0:*]"]
    series = []
    for k, (configuracion, de) in enumerate(analisis.configuraciones.items()):
        if not de.por_operacion:
            continue
        lineas += datos(f"$operacion_{k}", [(n, 1e9 * s) for n, s in de.por_operacion])
        series.append(f"$operacion_{k} using 1:2 with linespoints pt 7 ps 0.8 lw 1.5"
                      f" lc rgb '{COLORES.get(configuracion, 'black')}'"
                      f" title {cadena(configuracion + ': la mediana ÷ las cuentas')}"
                      " noenhanced")
    if series:
        lineas += marcas_de_cache(analisis.cruces, [n for n, _ in cuentas])
        lineas.append("plot " + ", \\\n     ".join(series))
    lineas.append("unset multiplot")
    return "\n".join(lineas) + "\n"
