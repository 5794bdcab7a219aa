"""The study as standard output shows it: the aligned tables of times and
of counts with their legends, and the lines of the fits and verdicts, all
formatted from an Analisis."""

from typing import List, Optional, Sequence

from .analisis import Analisis, Conclusion
from .estudio import DISPERSION_ANCHA, EXACTO, RESOLUCION


def _num(x: Optional[float], formato: str = ".3e") -> str:
    return "-" if x is None else format(x, formato)


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
    cabecera = ["n", "conf", "t(n) s", "mín", "máx"] + [c.columna for c in estudio.cotas]
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
        fila = [str(p.n), p.configuracion, _num(p.mediana), _num(p.minimo), _num(p.maximo)]
        fila += [_num(c) for c in f.cocientes]
        if doblados:
            fila += [_num(f.doblado, ".3f"), _num(f.exponente_local, ".3f")]
        if varias:
            fila.append(_num(f.aceleracion, ".2f"))
        if con_cuentas:
            fila.append(_num(None if f.por_operacion is None else 1e9 * f.por_operacion, ".3g"))
        fila.append(" ".join(f.marcas))
        filas.append(fila)
    # The sizes stopped at the hard limit before any invocation ended: a row
    # that says so where the size would be.
    for configuracion, omitidas in estudio.omitidas.items():
        for o in omitidas:
            if o.cortada:
                filas.append([str(o.n), configuracion] + ["-"] * (len(cabecera) - 3) + [o.motivo])
    leyenda = []
    if any(f.punto.repeticion for f in todas):
        leyenda.append(
            f"rep: el programa cronometra n <= {programa.umbral_repeticion} repitiendo"
            " la ordenación y restando el coste de las copias; el salto al cronometraje"
            " único puede verse como un escalón"
        )
    if any(f.punto.bajo_resolucion for f in todas):
        leyenda.append(f"<res: por debajo de {RESOLUCION:g} s, la resolución útil del reloj"
                       + ("; 0 s es el reloj sin ver pasar el tiempo, su resolución, no un tiempo"
                          if any(f.punto.minimo == 0 for f in todas) else ""))
    if any(f.punto.negativo for f in todas):
        leyenda.append("neg: una ejecución dio un tiempo negativo: por repetición se resta el"
                       " coste de las copias, y a esta talla la diferencia es ruido del reloj")
    if any(f.fuera_del_ajuste for f in todas):
        leyenda.append("*: fuera del ajuste")
    if any(f.punto.inestable for f in todas):
        leyenda.append(f"!: dispersión ancha, el máximo pasa de {DISPERSION_ANCHA:g} veces la"
                       " mediana: algo más en la máquina estorbó esa talla")
    if any(f.punto.cortada for f in todas):
        leyenda.append("cortada: una ejecución de esa talla pasó del límite (3·--budget + 1 s)"
                       " y se detuvo; se conservan las que acabaron, y las tallas mayores no"
                       " se repiten")
    if doblados:
        leyenda.append("t(n)/t(n/2): cuánto crece el tiempo al doblar n; log2 es el exponente"
                       " local (2 para n^2, algo más de 1 para n*log(n))")
    return "\n".join(alinear(filas) + leyenda)


def tabla_cuentas(analisis: Analisis) -> str:
    """The counts, one row per size: every counted operation and the ratio
    of the main count to each candidate bound."""
    cuentas = analisis.cuentas
    if cuentas is None:
        return ""
    estudio = analisis.estudio
    principal = estudio.programa.cuenta
    cabecera = ["n"] + cuentas.nombres + [c.columna.replace("t/", "c/", 1) for c in estudio.cotas]
    filas = [cabecera + [""]]
    for f in cuentas.filas:
        fila = [str(f.n)] + [f"{f.cuentas.get(nombre, 0):.10g}" for nombre in cuentas.nombres]
        filas.append(fila + [_num(c, ".4g") for c in f.cocientes]
                     + ["inexacta" if estudio.inexacta(f.n) else ""])
    leyenda = [f"c: {principal} por ejecución (la media de las ejecuciones de una invocación)"]
    if any(estudio.inexacta(f.n) for f in cuentas.filas):
        leyenda.append(f"inexacta: pasa de 2^53 = {EXACTO:.4g}, desde donde un double no guarda"
                       " todos los enteros: sus últimas cifras están redondeadas")
    return "\n".join(alinear(filas) + leyenda)


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
    return f"veredicto {conclusion.configuracion}: {conclusion.texto}"


def _lineas_conclusion(analisis: Analisis, conclusion: Conclusion) -> List[str]:
    """The fit and verdict lines of one conclusion, as both the study and
    the summary print them."""
    estudio = analisis.estudio
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
        return ["incompleto: interrumpido" + (f" por {estudio.senal}" if estudio.senal else "")]
    return []


def lineas_cortadas(analisis: Analisis) -> List[str]:
    """The sizes of each series stopped at the hard limit: not a failure of
    the study (with worst-case inputs a prediction can fall short), but
    what the summary names."""
    estudio = analisis.estudio
    lineas = []
    for configuracion in estudio.configuraciones:
        cortadas = estudio.cortadas(configuracion)
        if cortadas:
            lineas.append(f"cortadas {configuracion}: {', '.join(map(str, cortadas))}: una"
                          " ejecución pasó del límite de 3·--budget + 1 s; las tallas mayores"
                          " quedan fuera")
    return lineas


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
            if conclusion.medida != "tiempo" and analisis.cuentas.modelo:
                lineas.append("modelo cuentas: "
                              + analisis.cuentas.modelo.describir(programa.cuenta, "c"))
            elif conclusion.medida != "tiempo" and analisis.cuentas.sin_modelo:
                lineas.append(f"modelo cuentas: sin ajuste: {analisis.cuentas.sin_modelo}")
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
        elif de.sin_modelo:
            lineas.append(f"modelo {configuracion}: sin ajuste: {de.sin_modelo}")
        if de.deriva and not de.cita_deriva:
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
    return lineas + lineas_cortadas(analisis) + lineas_incompleto(analisis)


def lineas_resumen(analisis: Analisis) -> List[str]:
    """The lines of a program's study that the summary of several repeats:
    each measure's fit and verdict, the sizes cut at the hard limit, and
    whether the study is incomplete."""
    nombre = analisis.estudio.programa.nombre
    lineas = [l for c in analisis.conclusiones for l in _lineas_conclusion(analisis, c)]
    return [f"{nombre:<10} {l}"
            for l in lineas + lineas_cortadas(analisis) + lineas_incompleto(analisis)]
