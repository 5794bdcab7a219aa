"""The study as standard output shows it: the aligned table of sizes and
times with its legend, and the lines of the fit and the verdict."""

from typing import List, Optional

from .ajuste import mas_estable
from .estudio import RESOLUCION, Estudio


def _num(x: Optional[float], formato: str = ".3e") -> str:
    return "-" if x is None else format(x, formato)


def tabla(estudio: Estudio) -> str:
    """Aligned columns, one row per size and configuration, configurations
    one after another, and a legend of the marks that appear."""
    varias = len(estudio.configuraciones) > 1
    cabecera = ["n", "conf", "t(n) s", "mín", "máx"] + [c.columna for c in estudio.cotas]
    if varias:
        cabecera.append("aceleración")
    cabecera.append("notas")
    filas = [cabecera]
    for configuracion in estudio.configuraciones:
        for p in estudio.serie(configuracion):
            fila = [str(p.n), configuracion, _num(p.mediana), _num(p.minimo), _num(p.maximo)]
            for cota in estudio.cotas:
                f = cota(p.n)
                fila.append(_num(p.mediana / f if f else None))
            if varias:
                fila.append(_num(estudio.aceleracion(p), ".2f"))
            fila.append(" ".join(estudio.notas(p)))
            filas.append(fila)
    anchos = [max(len(f[i]) for f in filas) for i in range(len(cabecera))]
    lineas = []
    for fila in filas:
        celdas = [c.rjust(a) for c, a in zip(fila[:-1], anchos)] + [fila[-1]]
        lineas.append("  ".join(celdas).rstrip())
    leyenda = []
    if any(p.repeticion for p in estudio.puntos):
        leyenda.append(
            f"rep: el programa cronometra n <= {estudio.programa.umbral_repeticion} repitiendo"
            " la ordenación y restando el coste de las copias; el salto al cronometraje"
            " único puede verse como un escalón"
        )
    if any(p.bajo_resolucion for p in estudio.puntos):
        leyenda.append(f"<res: por debajo de {RESOLUCION:g} s, la resolución útil del reloj")
    if any(estudio.fuera_del_ajuste(p) for p in estudio.puntos):
        leyenda.append("*: fuera del ajuste")
    return "\n".join(lineas + leyenda)


def veredicto(estudio: Estudio) -> List[str]:
    """The fitted growth and the steadiest bound of each configuration."""
    lineas = []
    for configuracion in estudio.configuraciones:
        ajuste = estudio.ajuste(configuracion)
        total = len(estudio.serie(configuracion))
        if ajuste is None:
            lineas.append(f"ajuste {configuracion}: sin ajuste, hacen falta dos tallas por"
                          f" encima de {RESOLUCION:g} s")
            continue
        lineas.append(f"ajuste {configuracion}: {ajuste.formula()}  (R² = {ajuste.r2:.4f};"
                      f" {ajuste.puntos} de {total} puntos)")
        lista = estudio.tendencias(configuracion)
        if lista:
            lineas.append(f"cocientes {configuracion}: " + "; ".join(t.describir() for t in lista))
            mejor = mas_estable(lista)
            lineas.append(f"veredicto {configuracion}: el cociente más estable es"
                          f" {mejor.cota.columna}, que se asienta en {mejor.constante:.3g}")
    for configuracion, omitidas in estudio.omitidas.items():
        lineas.append(f"omitidas {configuracion}: {', '.join(map(str, omitidas))}"
                      " (una ejecución pasó del presupuesto)")
    return lineas
