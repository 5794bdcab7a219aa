"""The study as standard output shows it: the aligned tables of times and
of counts with their legends, and the lines of the fits and verdicts."""

import math
from typing import List, Optional, Sequence, Tuple

from .analisis import Analisis, DeConfiguracion
from .cotas import Cota
from .estudio import DISPERSION_ANCHA, RESOLUCION, Estudio, Punto


def _num(x: Optional[float], formato: str = ".3e") -> str:
    return "-" if x is None else format(x, formato)


def alinear(filas: Sequence[Sequence[str]]) -> List[str]:
    """Columns right-aligned under their headings, the last one (notes) left
    as it is."""
    anchos = [max(len(f[i]) for f in filas) for i in range(len(filas[0]))]
    return ["  ".join([c.rjust(a) for c, a in zip(fila[:-1], anchos)] + [fila[-1]]).rstrip()
            for fila in filas]


def doblado(estudio: Estudio, punto: Punto) -> Optional[float]:
    """t(n)/t(n/2) when the series also has the size n/2."""
    if punto.n % 2:
        return None
    anterior = estudio.punto(punto.configuracion, punto.n // 2)
    if anterior is None or anterior.mediana <= 0 or punto.mediana <= 0:
        return None
    return punto.mediana / anterior.mediana


def _hay_doblados(estudio: Estudio) -> bool:
    return any(doblado(estudio, p) is not None for p in estudio.puntos)


def tabla(estudio: Estudio) -> str:
    """One row per size and configuration, configurations one after another,
    and a legend of the marks that appear."""
    varias = len(estudio.configuraciones) > 1
    doblados = _hay_doblados(estudio)
    programa = estudio.programa
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
    for configuracion in estudio.configuraciones:
        for p in estudio.serie(configuracion):
            fila = [str(p.n), configuracion, _num(p.mediana), _num(p.minimo), _num(p.maximo)]
            for cota in estudio.cotas:
                f = cota(p.n)
                fila.append(_num(p.mediana / f if f else None))
            if doblados:
                d = doblado(estudio, p)
                fila += [_num(d, ".3f"), _num(math.log2(d) if d else None, ".3f")]
            if varias:
                fila.append(_num(estudio.aceleracion(p), ".2f"))
            if con_cuentas:
                c = estudio.cuenta(p.n)
                fila.append(_num(1e9 * p.mediana / c if c else None, ".3g"))
            fila.append(" ".join(estudio.notas(p)))
            filas.append(fila)
    leyenda = []
    if any(p.repeticion for p in estudio.puntos):
        leyenda.append(
            f"rep: el programa cronometra n <= {programa.umbral_repeticion} repitiendo"
            " la ordenación y restando el coste de las copias; el salto al cronometraje"
            " único puede verse como un escalón"
        )
    if any(p.bajo_resolucion for p in estudio.puntos):
        leyenda.append(f"<res: por debajo de {RESOLUCION:g} s, la resolución útil del reloj")
    if any(estudio.fuera_del_ajuste(p) for p in estudio.puntos):
        leyenda.append("*: fuera del ajuste")
    if any(p.inestable for p in estudio.puntos):
        leyenda.append(f"!: dispersión ancha, el máximo pasa de {DISPERSION_ANCHA:g} veces la"
                       " mediana: algo más en la máquina estorbó esa talla")
    if doblados:
        leyenda.append("t(n)/t(n/2): cuánto crece el tiempo al doblar n; log2 es el exponente"
                       " local (2 para n^2, algo más de 1 para n*log(n))")
    return "\n".join(alinear(filas) + leyenda)


def tabla_cuentas(estudio: Estudio) -> str:
    """The counts, one row per size: every counted operation and the ratio
    of the main count to each candidate bound."""
    if not estudio.cuentas:
        return ""
    nombres = list(next(iter(estudio.cuentas.values())))
    principal = estudio.programa.cuenta
    cabecera = ["n"] + nombres + [c.columna.replace("t/", "c/", 1) for c in estudio.cotas]
    filas = [cabecera + [""]]
    for n in sorted(estudio.cuentas):
        cuentas = estudio.cuentas[n]
        fila = [str(n)] + [f"{cuentas.get(nombre, 0):.10g}" for nombre in nombres]
        for cota in estudio.cotas:
            f = cota(n)
            fila.append(_num(cuentas.get(principal, 0) / f if f else None, ".4g"))
        filas.append(fila + [""])
    return "\n".join(alinear(filas) + [f"c: {principal} por ejecución (media de las tres)"])


def veredicto(estudio: Estudio, analisis: Analisis) -> List[str]:
    """The lines of the fits and verdicts, counts first: the growth the study
    names comes from them; then, per configuration, what the times say."""
    programa = estudio.programa
    lineas = []
    cuentas = analisis.cuentas
    crecimiento = cuentas.veredicto.cota if cuentas and cuentas.veredicto else None
    if cuentas:
        if cuentas.ajuste:
            lineas.append(f"ajuste cuentas: {cuentas.ajuste.formula('c')}"
                          f"  (R² = {cuentas.ajuste.r2:.4f}; {cuentas.ajuste.puntos} tallas)")
        if cuentas.veredicto:
            lineas.append(f"veredicto cuentas: {cuentas.veredicto.texto()}")
        if cuentas.modelo:
            lineas.append(f"modelo cuentas: {cuentas.modelo.describir(programa.cuenta, 'c')}")
    for configuracion in estudio.configuraciones:
        de = analisis.configuraciones.get(configuracion)
        total = len(estudio.serie(configuracion))
        if de is None or de.ajuste is None:
            if total:
                lineas.append(f"ajuste {configuracion}: sin ajuste, hacen falta dos tallas por"
                              f" encima de {RESOLUCION:g} s")
            continue
        lineas.append(f"ajuste {configuracion}: {de.ajuste.formula()}  (R² = {de.ajuste.r2:.4f};"
                      f" {de.ajuste.puntos} de {total} puntos)")
        if de.tendencias:
            lineas.append(f"cocientes {configuracion}: "
                          + "; ".join(t.describir() for t in de.tendencias))
        texto, con_deriva = _veredicto_de_tiempos(de, crecimiento, programa.operacion)
        lineas.append(f"veredicto {configuracion}: {texto}")
        if de.veredicto.detalle():
            lineas.append(f"  {de.veredicto.detalle()}")
        if de.modelo:
            lineas.append(f"modelo {configuracion}: {de.modelo.describir()}")
        if de.deriva and not con_deriva:
            lineas.append(f"por operación {configuracion}: {de.deriva.texto(programa.operacion)}")
    for configuracion, ns in analisis.inestables(estudio).items():
        if 2 * len(ns) > len(estudio.serie(configuracion)):
            lineas.append(f"inestables {configuracion}: {len(ns)} de"
                          f" {len(estudio.serie(configuracion))} tallas tienen una dispersión"
                          " ancha: la máquina estuvo ocupada durante el barrido; el ajuste y el"
                          " veredicto toman la ejecución más rápida de cada talla, y un barrido"
                          " en un momento más tranquilo los afinará")
            continue
        tallas = ",".join(map(str, ns))
        lineas.append(f"inestables {configuracion}: {', '.join(map(str, ns))}: su dispersión es"
                      f" ancha; repítalas (--sizes {tallas} --repeat 7) en un momento más"
                      " tranquilo de la máquina")
    for configuracion, omitidas in estudio.omitidas.items():
        lineas.append(f"omitidas {configuracion}: "
                      + "; ".join(f"{o.n} ({o.motivo})" if o.motivo else str(o.n)
                                  for o in omitidas))
    if estudio.fallo:
        lineas.append(f"incompleto: {estudio.fallo}")
    elif estudio.interrumpido:
        lineas.append("incompleto: interrumpido")
    return lineas


def _veredicto_de_tiempos(de: DeConfiguracion, crecimiento: Optional[Cota],
                          operacion: str) -> Tuple[str, bool]:
    """The verdict on the times, set against the growth the counts name, and
    whether it quotes the drift of the time per operation: times that follow
    another bound are the machine speaking, and the drift says how."""
    texto = de.veredicto.texto()
    cota = de.veredicto.cota()
    if crecimiento is None or de.veredicto.tipo == "sin_datos":
        return texto, False
    if cota is not None and cota.texto == crecimiento.texto:
        return texto + ", como las cuentas", False
    if de.veredicto.tipo == "indistinguibles" and not de.deriva:
        return texto, False
    texto += f"; las cuentas crecen como {crecimiento.texto}"
    if de.deriva:
        texto += f": {de.deriva.texto(operacion)}; eso lo añade la máquina, no el algoritmo"
    return texto, de.deriva is not None


def resumen(estudio: Estudio, lineas: List[str]) -> List[str]:
    """The lines of a program's study that the summary of several repeats."""
    return [f"{estudio.programa.nombre:<10} {l}" for l in lineas
            if l.startswith(("ajuste", "veredicto", "incompleto"))]
