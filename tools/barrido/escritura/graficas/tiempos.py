"""The main plot of a program's study: the measured medians with their
min-max bars, the median of each size, through which the fit
and the model are drawn, and the fitted curve and the model of each
configuration with their formulas."""


from ...analisis.analisis import Analisis
from .comun import (ALTO_LINEA, COLORES, cadena, clave_debajo, curva, datos, describir_serie,
                    eje_x, ejecutables, formula_ajuste, formula_modelo, inicio,
                    marcas_de_cache, marcas_log, rango_log)


def guion_tiempos(analisis: Analisis, formato: str) -> str:
    """A gnuplot script that draws the study on its standard output: one
    series of medians per configuration, the medians fitted, the fitted curve
    and the model; log-log axes (log t against n for a program that grows
    exponentially). The key sits under the plot, so that it hides no point
    and the axes can end where the data do."""
    estudio = analisis.estudio
    programa = estudio.programa
    titulo = (f"{describir_serie(estudio)}: tiempo de"
              f" {ejecutables(estudio, estudio.configuraciones)}")
    lineas = [
        f"set title {cadena(titulo)} noenhanced",
        "set xlabel 'n'",
        "set ylabel 't(n) en segundos'",
        "set logscale y",
        "set grid xtics ytics mxtics mytics lc rgb '#dddddd'",
    ]
    # Ranges from the data alone, so that the fitted curves do not stretch
    # the axes.
    visibles = [p for p in estudio.puntos if p.minimo > 0]
    rango = rango_log([p.minimo for p in visibles] + [p.maximo for p in visibles])
    if rango:
        lineas.append(f"set yrange [{rango[0]!r}:{rango[1]!r}]")
        lineas += marcas_log(*rango)
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
            lineas += datos(nombre, [(p.n, p.mediana, p.minimo, p.maximo) for p in puntos])
            estilo, titulo = estilos[grupo]
            series.append(f"{nombre} using 1:2:3:4 with yerrorbars {estilo}"
                          f" title {cadena(titulo)} noenhanced")
        de = analisis.configuraciones.get(configuracion)
        if de and de.rapidas:
            lineas += datos(f"$rapidas_{k}", de.rapidas)
            series.append(f"$rapidas_{k} using 1:2 with points pt 9 ps 1.1 lc rgb '{color}'"
                          f" title {cadena(configuracion + ': la mediana de cada talla, la que se ajusta')}"
                          " noenhanced")
        ajuste = de.ajuste if de else None
        # Both curves over the sizes they were fitted on.
        desde, hasta = (de.rapidas[0][0], de.rapidas[-1][0]) if de and de.rapidas else (0, 0)
        if ajuste:
            titulo = (f"{configuracion}: ajuste a las medianas, {formula_ajuste(ajuste)}"
                      f"  (R² = {ajuste.r2:.4f})")
            lineas += datos(f"$ajuste_{k}", curva(ajuste, desde, hasta, programa.exponencial))
            series.append(f"$ajuste_{k} using 1:2 with lines lw 1.5 dt 2 lc rgb '{color}'"
                          f" title {cadena(titulo)}")
        if de and de.modelo and desde:
            titulo = f"{configuracion}: modelo, {formula_modelo(de.modelo)}"
            lineas += datos(f"$modelo_{k}", curva(de.modelo, desde, hasta, programa.exponencial))
            series.append(f"$modelo_{k} using 1:2 with lines lw 1 dt 3 lc rgb '{color}'"
                          f" title {cadena(titulo)}")
    if not series:
        return ""
    lineas = (inicio(formato, 900, 560 + ALTO_LINEA * len(series))
              + clave_debajo(len(series)) + lineas)
    lineas.append("plot " + ", \\\n     ".join(series))
    return "\n".join(lineas) + "\n"
