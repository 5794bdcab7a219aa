"""The TSV files of a sweep, written from the model and read back into it.

A program's TSV (<programa>.tsv) has a line per size and configuration with
every invocation's value, and with counts each count; a study that only
counted has one line per size, configuration «cuentas», with the time
columns empty. Its first line names the format's version; comment lines
(#) say which kind of input it was measured on, which sizes were left out
(or cut at the hard limit) and, at the end, whether the study was cut
short; while the sweep measures, the file is rewritten after every
invocation and ends «# incompleto: en curso». Files written before the
version line existed read the same way. resumen.tsv has a line per
program, configuration and measure."""

import unicodedata
from typing import List, Optional, Sequence, Tuple

from ..analisis.analisis import Analisis, Conclusion
from ..datos.estudio import EN_CURSO, Estudio
from ..datos.medidas import CUENTAS, MEDIDAS, de_valores
from ..datos.tsv_previo import FILA_DE_CUENTAS, MARCAS as _MARCAS
from ..datos.tsv_previo import leer_estudios, leer_tsv  # noqa: F401 (read back where written)
from ..redaccion.conclusiones import texto_conclusion

VERSION = 2
LINEA_VERSION = f"# estudio de eficiencia, formato {VERSION}"

# The note of a row whose counts lie past 2^53.
INEXACTA = "cuenta_inexacta"


def _ascii(texto: str) -> str:
    """comparación -> comparacion: column names without accents."""
    return "".join(c for c in unicodedata.normalize("NFD", texto) if unicodedata.category(c) != "Mn")


def _g(x: Optional[float], formato: str = ".6g") -> str:
    return "" if x is None else format(x, formato)


def marca_incompleto(estudio: Estudio, en_curso: bool = False) -> List[str]:
    """The comment line that closes the files of a study cut short (or
    still being measured): the failure's first line, or the signal that
    stopped it (interrumpido for Ctrl-C)."""
    motivo = estudio.motivo_incompleto
    if motivo:
        return [f"# incompleto: {motivo.splitlines()[0]}"]
    return [f"# incompleto: {EN_CURSO}"] if en_curso else []


def _entrada(estudio: Estudio) -> List[str]:
    return [f"# entrada {estudio.entrada}"] if estudio.entrada else []


def _omitidas(estudio: Estudio) -> List[str]:
    return [f"# omitida {configuracion} {o.n}" + (f": {o.motivo}" if o.motivo else "")
            for configuracion, omitidas in estudio.omitidas.items() for o in omitidas]


def tsv(analisis: Analisis, en_curso: bool = False) -> str:
    """A header line, then n, configuration, median, min, max, each ratio,
    the speed-up (with two or more configurations), the notes and every
    invocation's value; then t(n)/t(n/2) where sizes double, and with counts
    each count, the main count's ratios and the nanoseconds per operation,
    and the working set of a run. en_curso: the study is still being
    measured."""
    estudio = analisis.estudio
    varias = len(estudio.configuraciones) > 1
    cuentas = analisis.cuentas
    nombres = cuentas.nombres if cuentas else []
    cabecera = ["n", "configuracion", "mediana", "minimo", "maximo"]
    cabecera += [c.columna for c in analisis.cotas]
    cabecera += (["aceleracion"] if varias else []) + ["notas", "valores", "doblado",
                                                      "exponente_local"]
    if nombres:
        cabecera += nombres + [c.columna.replace("t/", "c/", 1) for c in analisis.cotas]
        cabecera.append(f"ns_por_{_ascii(estudio.programa.operacion)}")
    datos = any(f.bytes for de in analisis.configuraciones.values() for f in de.filas)
    if datos:
        cabecera.append("bytes_de_datos")
    # Each invocation's CPU time and whether the machine disturbed it
    # (1) or not (0), in the order of valores, once the sweep measured them.
    vigilado = any(p.cpu for p in estudio.puntos)
    if vigilado:
        cabecera += ["cpu", "perturbadas"]
    # Measures of named values other than the counts: a column per value,
    # «medida:nombre», after every other.
    otras = _otras(estudio)
    cabecera += [f"{m}:{x}" for m, nombres_de in otras for x in nombres_de]
    de_cuentas = {f.n: f for f in cuentas.filas} if cuentas else {}
    filas = []
    for fila in (f for de in analisis.configuraciones.values() for f in de.filas):
        p = fila.punto
        campos = [str(p.n), p.configuracion] + [_g(x) for x in (p.mediana, p.minimo, p.maximo)]
        campos += [_g(c) for c in fila.cocientes]
        if varias:
            campos.append(_g(fila.aceleracion, ".4g"))
        campos.append(",".join([_MARCAS[x] for x in fila.marcas]
                               + ([INEXACTA] if estudio.inexacta(p.n) else [])))
        campos.append(",".join(_g(v) for v in p.valores))
        campos += [_g(fila.doblado, ".4g"), _g(fila.exponente_local, ".4g")]
        if nombres:
            campos += _columnas_de_cuentas(de_cuentas.get(p.n), nombres, len(analisis.cotas))
            campos.append(_g(None if fila.por_operacion is None else 1e9 * fila.por_operacion,
                             ".4g"))
        if datos:
            campos.append(_g(fila.bytes, ".10g"))
        if vigilado:
            campos += [",".join(_g(c, ".4g") for c in p.cpu),
                       ",".join("1" if x else "0" for x in p.perturbadas)]
        filas.append(campos + _columnas_de_otras(estudio, otras, p.n))
    # Counts at a size no timed row holds (the study only counted, the
    # budget or a fault stopped the times first) get a row of their own:
    # what was counted is never left out of the file.
    cronometradas = {f.punto.n for de in analisis.configuraciones.values() for f in de.filas}
    contadas = set(de_cuentas).union(*(estudio.valores_de(m) for m, _ in otras))
    for n in sorted(contadas - cronometradas):
        notas = [INEXACTA] if estudio.inexacta(n) else []
        vacios = [""] * (3 + len(analisis.cotas) + varias) + [",".join(notas), "", "", ""]
        medida = FILA_DE_CUENTAS if n in de_cuentas else next(
            m for m, _ in otras if n in estudio.valores_de(m))
        cuentas_de = (_columnas_de_cuentas(de_cuentas.get(n), nombres, len(analisis.cotas))
                      + [""] if nombres else [])
        filas.append([str(n), medida] + vacios + cuentas_de + ([""] if datos else [])
                     + [""] * (2 * vigilado) + _columnas_de_otras(estudio, otras, n))
    lineas = [LINEA_VERSION] + _entrada(estudio) + ["\t".join(cabecera)]
    lineas += ["\t".join(f) for f in filas]
    return "\n".join(lineas + _omitidas(estudio) + marca_incompleto(estudio, en_curso)) + "\n"


def _otras(estudio: Estudio) -> List[Tuple[str, List[str]]]:
    """(measure, names of its values) of each measure of named values
    other than the counts that the study holds."""
    otras = []
    for m in MEDIDAS:
        valores = estudio.valores_de(m) if de_valores(m) and m != CUENTAS.nombre else {}
        if valores:
            otras.append((m, list(next(iter(valores.values())))))
    return otras


def _columnas_de_otras(estudio: Estudio, otras, n: int) -> List[str]:
    campos = []
    for m, nombres in otras:
        valores = estudio.valores_de(m).get(n)
        campos += [f"{valores[x]:.10g}" if valores else "" for x in nombres]
    return campos


def _columnas_de_cuentas(fila, nombres: Sequence[str], cotas: int) -> List[str]:
    if fila is None:
        return [""] * (len(nombres) + cotas)
    return [f"{fila.cuentas[x]:.10g}" for x in nombres] + [_g(c) for c in fila.cocientes]


CABECERA_RESUMEN = ["programa", "configuracion", "medida", "exponente", "exponente_inf",
                    "exponente_sup", "r2", "cota", "veredicto", "constante", "cociente",
                    "puntos", "estado", "segun_cuentas", "texto",
                    # The verdict's own evidence, on a time: the ratio whose slope
                    # it cites, that slope with its 90 % interval, the window it is
                    # held to, and the sizes judged; then the sizes fitted; then the
                    # kind of input.
                    "pendiente_de", "pendiente", "pendiente_inf", "pendiente_sup",
                    "margen_inf", "margen_sup", "veredicto_desde", "veredicto_hasta",
                    "ajuste_desde", "ajuste_hasta", "entrada", "cortadas",
                    # 1 where the verdict names its bound as near, a little faster
                    # or slower (cerca de n^2), 0 elsewhere.
                    "cerca_de"]


def resumen_tsv(analisis: Sequence[Analisis]) -> str:
    """One line per program, configuration and measure (tiempo, the main
    count's name, or a measure of space: memoria_extra, profundidad): the fitted rate (b of C·n^b, a of C·a^n) with its 95%
    interval, R², the bound the verdict names (written as in --bounds; empty
    when it names none, and then «veredicto» says why), the fit's constant C,
    the ratio to the named bound where it settles, the number of points,
    whether the study was completo or incompleto, on a time the growth the
    counts name, and the verdict in words as the sweep printed it; then,
    on a time, the evidence the verdict cites (the ratio, its slope over the
    upper half with its 90 % interval, the window, the sizes it judged),
    on every line the smallest and largest size fitted, the kind of input
    (empty for the specified programs' random input), the sizes of the
    configuration cut at the hard limit, and 1 where the verdict names its
    bound as near (cerca de), else 0."""
    lineas = ["\t".join(CABECERA_RESUMEN)]
    for a in analisis:
        estado = "incompleto" if a.estudio.incompleto else "completo"
        for c in a.conclusiones:
            aj = c.ajuste
            if aj is None and c.medida in ("tiempo", a.estudio.programa.cuenta):
                continue
            lineas.append("\t".join([
                a.estudio.programa.nombre, c.configuracion, c.medida,
                *([_g(aj.tasa), _g(aj.tasa_inf), _g(aj.tasa_sup), _g(aj.r2, ".6f")] if aj
                  else [""] * 4),
                c.cota.texto if c.cota else "", c.tipo, _g(aj.constante) if aj else "",
                _g(c.cociente), str(aj.puntos) if aj else "", estado,
                c.segun_cuentas.texto if c.segun_cuentas else "",
                texto_conclusion(c).replace("\t", " "),
            ] + _evidencia(c) + [a.estudio.entrada or "",
                                 ",".join(map(str, a.estudio.cortadas(c.configuracion))),
                                 "1" if c.cerca else "0"]))
    return "\n".join(lineas) + "\n"


def _evidencia(c: Conclusion) -> List[str]:
    p = c.prueba
    campos = ["", "", "", "", "", "", "", ""]
    if p is not None:
        campos = [p.cota.columna, _g(p.pendiente, ".4g"), _g(p.inf, ".4g"), _g(p.sup, ".4g"),
                  _g(-p.abajo, ".4g"), _g(p.arriba, ".4g"), str(c.tallas_veredicto[0]),
                  str(c.tallas_veredicto[1])]
    # No fit, no window: a measure that is 0 at every size has none.
    return campos + ([str(c.tallas_ajuste[0]), str(c.tallas_ajuste[1])] if c.ajuste
                     else ["", ""])


