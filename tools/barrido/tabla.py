"""The study as standard output shows it: the aligned tables of times and
of counts with their legends, and the lines of the fits and verdicts, all
formatted from an Analisis."""

from typing import List, Optional, Sequence

from .analisis import ESPACIO, Analisis, Conclusion
from .estudio import DISPERSION_ANCHA, RESOLUCION
from .jerarquia import texto_bytes


def _num(x: Optional[float], formato: str = ".3e") -> str:
    return "-" if x is None else format(x, formato)


def _bytes(x: Optional[float]) -> str:
    """A working set for a column: 31KiB, 1.6MiB (no blank inside a cell)."""
    return "-" if not x else texto_bytes(x).replace(" ", "")


def alinear(filas: Sequence[Sequence[str]]) -> List[str]:
    """Columns right-aligned under their headings, the last one (notes) left
    as it is."""
    anchos = [max(len(f[i]) for f in filas) for i in range(len(filas[0]))]
    return ["  ".join([c.rjust(a) for c, a in zip(fila[:-1], anchos)] + [fila[-1]]).rstrip()
            for fila in filas]


def tabla(analisis: Analisis) -> str:
    """One row per size and configuration, configurations one after another,
    and a legend of the marks that appear."""
    estudio = analisis.estudio
    programa = estudio.programa
    varias = len(estudio.configuraciones) > 1
    doblados = analisis.hay_doblados
    con_cuentas = bool(estudio.cuentas)
    datos = any(f.bytes for de in analisis.configuraciones.values() for f in de.filas)
    cabecera = ["n"] + (["datos"] if datos else []) + ["conf", "t(n) s", "mín", "máx"]
    cabecera += [c.columna for c in analisis.cotas]
    if doblados:
        cabecera += ["t(n)/t(n/2)", "log2"]
    if varias:
        cabecera.append("aceleración")
    if con_cuentas:
        cabecera.append(f"ns/{programa.operacion}")
    cabecera.append("notas")
    filas = [cabecera]
    todas = [f for de in analisis.configuraciones.values() for f in de.filas]
    for f in todas:
        p = f.punto
        fila = [str(p.n)] + ([_bytes(f.bytes)] if datos else [])
        fila += [p.configuracion, _num(p.mediana), _num(p.minimo), _num(p.maximo)]
        fila += [_num(c) for c in f.cocientes]
        if doblados:
            fila += [_num(f.doblado, ".3f"), _num(f.exponente_local, ".3f")]
        if varias:
            fila.append(_num(f.aceleracion, ".2f"))
        if con_cuentas:
            fila.append(_num(None if f.por_operacion is None else 1e9 * f.por_operacion, ".3g"))
        fila.append(" ".join(f.marcas))
        filas.append(fila)
    leyenda = []
    if any(f.punto.repeticion for f in todas):
        leyenda.append(
            f"rep: el programa cronometra n <= {programa.umbral_repeticion} repitiendo"
            " la ordenación y restando el coste de las copias; el salto al cronometraje"
            " único puede verse como un escalón"
        )
    if any(f.punto.bajo_resolucion for f in todas):
        leyenda.append(f"<res: por debajo de {RESOLUCION:g} s, la resolución útil del reloj")
    if any(f.fuera_del_ajuste for f in todas):
        leyenda.append("*: fuera del ajuste")
    if any(f.punto.inestable for f in todas):
        leyenda.append(f"!: dispersión ancha, el máximo pasa de {DISPERSION_ANCHA:g} veces la"
                       " mediana: algo más en la máquina estorbó esa talla")
    if doblados:
        leyenda.append("t(n)/t(n/2): cuánto crece el tiempo al doblar n; log2 es el exponente"
                       " local (2 para n^2, algo más de 1 para n*log(n))")
    if datos:
        leyenda.append(f"datos: lo que ocupa {programa.datos} de una ejecución, con la memoria"
                       " adicional que cuentan las cuentas")
    cruces = [f"{c.nivel.nombre} ({texto_bytes(c.nivel.tamano)}) a n ≈ {c.n:.3g}"
              for c in analisis.cruces]
    if cruces:
        leyenda.append("los datos dejan de caber en la caché " + ", ".join(cruces))
    return "\n".join(alinear(filas) + leyenda)


def tabla_cuentas(analisis: Analisis) -> str:
    """The counts, one row per size: every counted operation and the ratio
    of the main count to each candidate bound."""
    cuentas = analisis.cuentas
    if cuentas is None:
        return ""
    estudio = analisis.estudio
    principal = estudio.programa.cuenta
    cabecera = ["n"] + cuentas.nombres + [c.columna.replace("t/", "c/", 1) for c in analisis.cotas]
    filas = [cabecera + [""]]
    for f in cuentas.filas:
        fila = [str(f.n)] + [f"{f.cuentas.get(nombre, 0):.10g}" for nombre in cuentas.nombres]
        filas.append(fila + [_num(c, ".4g") for c in f.cocientes] + [""])
    return "\n".join(alinear(filas) + [f"c: {principal} por ejecución (la media de las"
                                       " ejecuciones de una invocación)"])


def linea_ajuste(conclusion: Conclusion, total: int) -> str:
    """The fit of one measure: of the main count, or of one configuration's
    times over `total` points."""
    aj, conf = conclusion.ajuste, conclusion.configuracion
    if conclusion.medida != "tiempo":
        return f"ajuste {conf}: {aj.formula('c')}  (R² = {aj.r2:.4f}; {aj.puntos} tallas)"
    if aj is None:
        return (f"ajuste {conf}: sin ajuste, hacen falta dos tallas por encima de"
                f" {RESOLUCION:g} s")
    return (f"ajuste {conf}: {aj.formula()}  (R² = {aj.r2:.4f}; {aj.puntos} de {total}"
            " puntos)")


def linea_veredicto(conclusion: Conclusion) -> str:
    if conclusion.medida in ESPACIO:
        return f"espacio {conclusion.medida}: {conclusion.texto}"
    return f"veredicto {conclusion.configuracion}: {conclusion.texto}"


def _lineas_conclusion(analisis: Analisis, conclusion: Conclusion) -> List[str]:
    """The fit and verdict lines of one conclusion, as both the study and
    the summary print them."""
    estudio = analisis.estudio
    if conclusion.medida in ESPACIO:
        return [linea_veredicto(conclusion)]
    if conclusion.medida != "tiempo":
        lineas = [linea_ajuste(conclusion, 0)]
        return lineas + ([linea_veredicto(conclusion)] if conclusion.texto else [])
    total = len(estudio.puntos_de(conclusion.configuracion))
    if conclusion.ajuste is None:
        return [linea_ajuste(conclusion, total)] if total else []
    return [linea_ajuste(conclusion, total), linea_veredicto(conclusion)]


def lineas_incompleto(analisis: Analisis) -> List[str]:
    estudio = analisis.estudio
    if estudio.fallo:
        return [f"incompleto: {estudio.fallo}"]
    if estudio.interrumpido:
        return ["incompleto: interrumpido"]
    return []


def veredicto(analisis: Analisis) -> List[str]:
    """The lines of the fits and verdicts, counts first: the growth the study
    names comes from them; then, per configuration, what the times say."""
    estudio = analisis.estudio
    programa = estudio.programa
    lineas: List[str] = []
    for conclusion in analisis.conclusiones:
        configuracion = conclusion.configuracion
        de = analisis.configuraciones.get(configuracion)
        if de is None or de.ajuste is None:
            lineas += _lineas_conclusion(analisis, conclusion)
            if conclusion.medida == programa.cuenta and analisis.cuentas.modelo:
                lineas.append("modelo cuentas: "
                              + analisis.cuentas.modelo.describir(programa.cuenta, "c"))
            continue
        ajuste, linea = _lineas_conclusion(analisis, conclusion)
        lineas.append(ajuste)
        if de.tendencias:
            lineas.append(f"cocientes {configuracion}: "
                          + "; ".join(t.describir() for t in de.tendencias))
        lineas.append(linea)
        if de.veredicto.detalle():
            lineas.append(f"  {de.veredicto.detalle()}")
        if de.modelo:
            lineas.append(f"modelo {configuracion}: {de.modelo.describir()}")
        if de.escalones and not de.cita_deriva:
            lineas += [f"escalón {configuracion}: {e}" for e in de.escalones]
        elif de.deriva and not de.cita_deriva:
            lineas.append(f"por operación {configuracion}: {de.deriva.texto(programa.operacion)}")
    for configuracion, ns in analisis.inestables.items():
        total = len(estudio.puntos_de(configuracion))
        if 2 * len(ns) > total:
            lineas.append(f"inestables {configuracion}: {len(ns)} de {total} tallas tienen una"
                          " dispersión ancha: la máquina estuvo ocupada durante el barrido; el"
                          " ajuste y el veredicto toman la ejecución más rápida de cada talla,"
                          " y un barrido en un momento más tranquilo los afinará")
            continue
        tallas = ",".join(map(str, ns))
        lineas.append(f"inestables {configuracion}: {', '.join(map(str, ns))}: su dispersión es"
                      f" ancha; repítalas (--sizes {tallas} --repeat 7) en un momento más"
                      " tranquilo de la máquina")
    for configuracion, omitidas in estudio.omitidas.items():
        lineas.append(f"omitidas {configuracion}: "
                      + "; ".join(f"{o.n} ({o.motivo})" if o.motivo else str(o.n)
                                  for o in omitidas))
    return lineas + lineas_incompleto(analisis)


def lineas_resumen(analisis: Analisis) -> List[str]:
    """The lines of a program's study that the summary of several repeats:
    each measure's fit and verdict, and whether the study is incomplete."""
    nombre = analisis.estudio.etiqueta
    lineas = [l for c in analisis.conclusiones for l in _lineas_conclusion(analisis, c)]
    return [f"{nombre:<10} {l}" for l in lineas + lineas_incompleto(analisis)]
