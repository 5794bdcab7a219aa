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

import math
import re
import unicodedata
from pathlib import Path
from typing import Dict, List, Optional, Sequence

from ..analisis.analisis import Analisis, Conclusion
from ..datos.cotas import Cota
from ..datos.errores import ErrorDeUso
from ..datos.estudio import CORTADA, TIEMPO_MAXIMO, Estudio, Omision, Punto
from ..datos.programas import CUENTAS, PROGRAMAS, Programa

VERSION = 2
LINEA_VERSION = f"# estudio de eficiencia, formato {VERSION}"

# The marks of the table as the TSV spells them.
_MARCAS = {"rep": "repeticion", "<res": "bajo_resolucion", "neg": "negativo",
           "*": "fuera_del_ajuste", "!": "dispersion_ancha", "cortada": "cortada_al_limite",
           "ocupada": "invocacion_perturbada"}
# The note of a row whose counts lie past 2^53.
INEXACTA = "cuenta_inexacta"
# What the last line of a program's TSV says while the sweep still measures
# it: a sweep killed outright leaves it there, and its study reads back as
# incomplete.
EN_CURSO = "en curso (el barrido no llegó a cerrar este fichero)"

# The columns that are not counts (counts are the columns of names the
# counting build chose).
_FIJAS = {"n", "configuracion", "mediana", "minimo", "maximo", "aceleracion", "notas",
          "valores", "doblado", "exponente_local", "bytes_de_datos", "cpu", "perturbadas"}


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
        filas.append(campos)
    if not estudio.puntos:
        for n, fila in de_cuentas.items():
            notas = [INEXACTA] if estudio.inexacta(n) else []
            vacios = [""] * (3 + len(analisis.cotas) + varias) + [",".join(notas), "", "", ""]
            filas.append([str(n), CUENTAS] + vacios
                         + _columnas_de_cuentas(fila, nombres, len(analisis.cotas)) + [""]
                         + [""] * (datos + 2 * vigilado))
    lineas = [LINEA_VERSION] + _entrada(estudio) + ["\t".join(cabecera)]
    lineas += ["\t".join(f) for f in filas]
    return "\n".join(lineas + _omitidas(estudio) + marca_incompleto(estudio, en_curso)) + "\n"


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
                    "ajuste_desde", "ajuste_hasta", "entrada", "cortadas"]


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
    (empty for the specified programs' random input), and the sizes of the
    configuration cut at the hard limit."""
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
                c.texto.replace("\t", " "),
            ] + _evidencia(c) + [a.estudio.entrada or "",
                                 ",".join(map(str, a.estudio.cortadas(c.configuracion)))]))
    return "\n".join(lineas) + "\n"


def _evidencia(c: Conclusion) -> List[str]:
    p = c.prueba
    campos = ["", "", "", "", "", "", "", ""]
    if p is not None:
        campos = [p.cota.columna, _g(p.pendiente, ".4g"), _g(p.inf, ".4g"), _g(p.sup, ".4g"),
                  _g(-p.abajo, ".4g"), _g(p.arriba, ".4g"), str(c.tallas_veredicto[0]),
                  str(c.tallas_veredicto[1])]
    return campos + [str(c.tallas_ajuste[0]), str(c.tallas_ajuste[1])]


# Reading a saved study back.

# A number as the sweep writes one (Python's and the C++ stream's formats):
# an exponent always has two digits or more, so «5.469e-0» is a number cut
# short, not 5.469.
_NUMERO = re.compile(r"[-+]?(?:[0-9]+\.?[0-9]*|\.[0-9]+)(?:e[-+]?[0-9]{2,})?", re.ASCII)
_NO_FINITO = re.compile(r"[-+]?(?:inf|infinity|nan)", re.IGNORECASE)


def _numero(texto: str, donde: str, que: str) -> float:
    limpio = texto.strip()
    if _NO_FINITO.fullmatch(limpio):
        raise ErrorDeUso(f"{donde}: {que} «{texto}» no es un número finito")
    if not _NUMERO.fullmatch(limpio):
        raise ErrorDeUso(f"{donde}: {que} «{texto}» no es un número")
    valor = float(limpio)
    if not math.isfinite(valor):
        raise ErrorDeUso(f"{donde}: {que} «{texto}» no es un número finito")
    return valor


def _valores(texto: str, donde: str) -> List[float]:
    partes = [p.strip() for p in texto.split(",") if p.strip()]
    if not all(_NUMERO.fullmatch(p) or _NO_FINITO.fullmatch(p) for p in partes):
        raise ErrorDeUso(f"{donde}: «{texto}» no es una lista de números")
    valores = [float(p) for p in partes]
    if not all(math.isfinite(v) for v in valores):
        raise ErrorDeUso(f"{donde}: «{texto}» tiene valores no finitos")
    if any(abs(v) > TIEMPO_MAXIMO for v in valores):
        raise ErrorDeUso(f"{donde}: «{texto}» tiene tiempos de más de {TIEMPO_MAXIMO:g} s, más"
                         " de lo que dura una ejecución del barrido")
    return valores


def _programa(nombre: str) -> Programa:
    """The program a TSV is named after; one this suite does not have gets
    a description of its own, so that its points can still be compared."""
    return PROGRAMAS.get(nombre) or Programa(nombre, nombre, (), "", ("n", "n", "n"), "")


def _cota(columna: str, donde: str) -> Cota:
    """The bound of a ratio column: t/n^2 → n^2, t/(n*log(n)) → n*log(n)."""
    texto = columna[2:]
    if texto.startswith("(") and texto.endswith(")"):
        texto = texto[1:-1]
    try:
        return Cota(texto)
    except ErrorDeUso as e:
        raise ErrorDeUso(f"{donde}: la columna «{columna}»: {e}") from None


def leer_tsv(ruta: Path) -> Optional[Estudio]:
    """The study saved in one program's TSV, or None when the file is not
    one (it lacks the columns n, configuracion and valores). A line that
    cannot be read is an ErrorDeUso naming the file and the line."""
    try:
        texto = ruta.read_text(encoding="utf-8")
    except (OSError, UnicodeDecodeError) as e:
        raise ErrorDeUso(f"no se pudo leer {ruta}: {e}") from None
    numeradas = list(enumerate(texto.splitlines(), 1))
    comentarios = [(i, l.lstrip()[1:].strip()) for i, l in numeradas if l.lstrip().startswith("#")]
    datos = [(i, l) for i, l in numeradas if l.strip() and not l.lstrip().startswith("#")]
    if not datos:
        return None
    cabecera = datos[0][1].split("\t")
    if not {"n", "configuracion", "valores"} <= set(cabecera):
        return None
    if texto and not texto.endswith("\n"):
        raise ErrorDeUso(f"{ruta}, línea {numeradas[-1][0]}: la última línea está cortada"
                         " (no acaba en un salto de línea)")
    cotas = [_cota(c, f"{ruta}, línea {datos[0][0]}") for c in cabecera if c.startswith("t/")]
    nombres = [c for c in cabecera if c not in _FIJAS and not c.startswith(("t/", "c/", "ns_por_"))]
    nombre, _, entrada = ruta.stem.partition(".")
    estudio = Estudio(_programa(nombre), [], cotas, entrada=entrada or None)
    for numero, linea in datos[1:]:
        donde = f"{ruta}, línea {numero}"
        campos = linea.split("\t")
        if len(campos) != len(cabecera):
            raise ErrorDeUso(f"{donde}: tiene {len(campos)} campos y la cabecera"
                             f" {len(cabecera)}")
        fila = dict(zip(cabecera, campos))
        if not re.fullmatch(r"\s*[0-9]{1,10}\s*", fila["n"], re.ASCII):
            raise ErrorDeUso(f"{donde}: la talla «{fila['n']}» no es un entero")
        n = int(fila["n"])
        configuracion = fila["configuracion"].strip()
        if not configuracion:
            raise ErrorDeUso(f"{donde}: falta la configuración")
        cuentas = {x: _numero(fila[x], donde, x) for x in nombres if fila[x].strip()}
        if cuentas:
            estudio.cuentas[n] = cuentas
        valores = _valores(fila["valores"], donde)
        if configuracion == CUENTAS or not valores:
            continue
        if configuracion not in estudio.configuraciones:
            estudio.configuraciones.append(configuracion)
        notas = fila.get("notas", "").split(",")
        punto = Punto(n, configuracion, valores, "repeticion" in notas,
                      _MARCAS["cortada"] in notas)
        punto.cpu, punto.perturbadas = _vigilancia(fila, len(valores), donde)
        estudio.puntos.append(punto)
    for _, comentario in comentarios:
        _comentario(estudio, comentario)
    return estudio


def _vigilancia(fila: Dict[str, str], cuantos: int, donde: str) -> tuple:
    """The CPU times and disturbance marks of a line, one per value; a file
    written before the sweep measured them has neither."""
    cpu = [_numero(x, donde, "cpu") for x in fila.get("cpu", "").split(",") if x.strip()]
    marcas = [x.strip() for x in fila.get("perturbadas", "").split(",") if x.strip()]
    if any(m not in ("0", "1") for m in marcas):
        raise ErrorDeUso(f"{donde}: perturbadas «{fila['perturbadas'][:40]}» no es una lista"
                         " de 0 y 1")
    if (cpu and len(cpu) != cuantos) or (marcas and len(marcas) != cuantos):
        raise ErrorDeUso(f"{donde}: cpu y perturbadas deben tener un dato por valor ({cuantos})")
    return cpu, [m == "1" for m in marcas]


def _comentario(estudio: Estudio, comentario: str):
    """What a comment line says of the study: the kind of input, a size
    left out (or cut at the hard limit), or the study cut short (by a
    failure, or by a signal: interrumpido for Ctrl-C, its name for
    another)."""
    if comentario.startswith("entrada "):
        estudio.entrada = comentario[len("entrada "):].strip() or None
    elif comentario.startswith("omitida "):
        cabeza, _, motivo = comentario[len("omitida "):].partition(": ")
        partes = cabeza.split()
        if len(partes) == 2 and re.fullmatch(r"[0-9]{1,10}", partes[1], re.ASCII):
            estudio.omitidas.setdefault(partes[0], []).append(
                Omision(int(partes[1]), motivo, motivo.startswith(CORTADA)))
    elif comentario.startswith("incompleto: "):
        motivo = comentario[len("incompleto: "):]
        if motivo == "interrumpido":
            estudio.interrumpido = True
        elif re.fullmatch(r"SIG[A-Z0-9]+", motivo):
            estudio.interrumpido, estudio.senal = True, motivo
        else:
            estudio.fallo = motivo


def leer_estudios(directorio: Path) -> Dict[str, Estudio]:
    """The stem of each program TSV of a study's directory (insertion, or
    insertion.ordenada for a kind of input) → its study; files that are not
    a program's TSV are left out."""
    if not directorio.is_dir():
        raise ErrorDeUso(f"no existe el directorio {directorio}" if not directorio.exists()
                         else f"{directorio} no es un directorio")
    try:
        rutas = sorted(directorio.glob("*.tsv"))
    except OSError as e:
        raise ErrorDeUso(f"no se pudo leer {directorio}: {e}") from None
    estudios = {}
    for ruta in rutas:
        estudio = leer_tsv(ruta)
        if estudio is not None:
            estudios[ruta.stem] = estudio
    return estudios
