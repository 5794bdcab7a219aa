"""The programs side by side (--together) as text: the table for standard
output and the file juntos.tsv, formatted from a Juntos. Sizes present for
only some programs show «-» in the table and empty fields in the TSV."""

from typing import List

from ..analisis.casos import Casos
from ..analisis.juntos import Cotejo, Juntos
from ..redaccion.casos import linea_casos, veces
from .tabla import alinear

FICHERO_TSV = "juntos.tsv"


def _tabla(cotejo: Cotejo, final: str, formato: str) -> List[str]:
    filas = [["n"] + [x for p in cotejo.nombres for x in (p, "×")] + [final]]
    for n in cotejo.tallas:
        fila = [str(n)]
        for p in cotejo.nombres:
            valor = cotejo.valores[p].get(n)
            fila += ["-" if valor is None else format(valor, formato),
                     veces(cotejo.relativo(p, n))]
        filas.append(fila + [cotejo.menor(n) or "-"])
    return alinear(filas)


def _linea_orden(cotejo: Cotejo, etiqueta: str) -> str:
    orden = cotejo.orden()
    if orden is None:
        return f"{etiqueta}: ninguna talla la tienen dos programas; nada que ordenar"
    n, factores, faltan = orden
    sin = f" (sin {', '.join(faltan)})" if faltan else ""
    return f"a {n}{sin}{etiqueta}: " + ", ".join(f"{p} {veces(x)}" for p, x in factores)


def tabla_juntos(juntos: Juntos) -> str:
    """The table of times at the configuration, those of each count name,
    the notes, and a line ranking the programs by each measure."""
    configuracion, tiempos = juntos.configuracion, juntos.tiempos
    notas = juntos.notas + juntos.notas_aparte
    notas += [f"{e.etiqueta}: estudio incompleto" for e in juntos.estudios if e.incompleto]
    bloques, ordenes = [], []
    if len(tiempos.valores) >= 2:
        bloques.append([f"tiempos en {configuracion}: mediana en s de cada programa y, tras ella,"
                        " cuántas veces la del más rápido en esa talla"]
                       + _tabla(tiempos, "más rápido", ".3e"))
        ordenes.append(_linea_orden(tiempos, ""))
    elif tiempos.valores:
        notas.append(f"tiempos en {configuracion}: solo los tiene"
                     f" {tiempos.nombres[0]}; nada que comparar")
    for grupo in juntos.grupos:
        bloques.append([f"{grupo.magnitud}: las de cada programa y cuántas veces las del que"
                        " menos hace en esa talla"]
                       + _tabla(grupo, f"menos {grupo.magnitud}", ".3e"))
        ordenes.append(_linea_orden(grupo, f", {grupo.magnitud}"))
    if not bloques and not notas:
        return ""
    return "\n\n".join("\n".join(b) for b in bloques + [notas + ordenes] if b) + "\n"


def tsv_juntos(juntos: Juntos) -> str:
    """A header line, then one line per size: n, for each program its median
    time and its factor over the fastest, the fastest; then for each count
    name that two programs share, each program's count and its factor over
    the least, and the program with the least. Empty fields where a size or
    a factor is missing; comment lines at the end name the configuration
    and what was left out."""
    medidas = [(juntos.tiempos, "", "mas_rapido", ".6g")]
    medidas += [(g, f"_{g.magnitud}", f"menos_{g.magnitud}", ".10g") for g in juntos.grupos]
    cabecera = ["n"]
    for c, sufijo, final, _ in medidas:
        cabecera += [x for p in c.nombres for x in (p + sufijo, f"{p}{sufijo}_relativo")]
        cabecera.append(final)
    tallas = sorted({n for c, _, _, _ in medidas for n in c.tallas})
    lineas = ["\t".join(cabecera)]
    for n in tallas:
        campos = [str(n)]
        for c, _, _, formato in medidas:
            for p in c.nombres:
                valor, relativo = c.valores[p].get(n), c.relativo(p, n)
                campos += ["" if valor is None else format(valor, formato),
                           "" if relativo is None else f"{relativo:.4g}"]
            campos.append(c.menor(n) or "")
        lineas.append("\t".join(campos))
    lineas.append(f"# configuracion {juntos.configuracion}")
    lineas += [f"# {nota}" for nota in juntos.notas]
    lineas += [f"# incompleto: {e.etiqueta}" for e in juntos.estudios if e.incompleto]
    return "\n".join(lineas) + "\n"


def texto_casos(casos: Casos) -> str:
    """The kinds of input of one program from the best case to the worst,
    at the largest size they all reached, and the line that names the best
    and the worst case."""
    nombre = casos.nombre
    if casos.n is None:
        return linea_casos(casos)
    medida = "tiempo" if casos.por_tiempo else casos.cuenta
    filas = [["entrada", "crece como", "t(n) s", casos.cuenta, "×", ""]]
    for anterior, caso in zip([None] + casos.casos, casos.casos):
        iguales = "tiempo" if casos.por_tiempo else "cuenta"
        nota = (f"{iguales} como el de {anterior.entrada}: no se distinguen"
                if caso.como_el_anterior and anterior else "")
        filas.append([caso.entrada, caso.crecimiento.texto if caso.crecimiento else "?",
                      "-" if caso.punto is None else f"{caso.punto.mediana:.3e}",
                      "-" if caso.cuenta is None else f"{caso.cuenta:.10g}",
                      veces(caso.veces), nota])
    lineas = [f"casos de {nombre} a n = {casos.n}, la mayor talla de todas las entradas, del"
              f" mejor al peor por {medida}:"] + alinear(filas)
    if casos.peor is not None:
        lineas.append(linea_casos(casos))
    return "\n".join(lineas)
