"""The reader of a program's TSV, for the studies saved before estudio.json
(docs/insercion, docs/heapsort, docs/insercion_xeon): it reads the file
back into the model. A study that has an estudio.json is read from there
(almacen.py); this is only the fallback for an older folder.

Every fault is an ErrorDeUso naming the file and the line at fault: a file
that is empty, has no header, lacks the columns n, configuracion and
valores, or cannot be read is not taken for a program that is missing."""

import math
import re
from pathlib import Path
from typing import Dict, List, Tuple

from .cotas import Cota
from .errores import ErrorDeUso
from .estudio import CORTADA, TIEMPO_MAXIMO, Estudio, Omision, Punto
from .lectura import leer_texto
from .programas import PROGRAMAS, Programa

# The marks of the table as the TSV spells them.
MARCAS = {"rep": "repeticion", "<res": "bajo_resolucion", "neg": "negativo",
          "*": "fuera_del_ajuste", "!": "dispersion_ancha", "cortada": "cortada_al_limite",
          "ocupada": "invocacion_perturbada"}

# The columns that are not counts (counts are the columns of names the
# counting build chose).
FIJAS = {"n", "configuracion", "mediana", "minimo", "maximo", "aceleracion", "notas",
         "valores", "doblado", "exponente_local", "bytes_de_datos", "cpu", "perturbadas"}

# The TSV files of a sweep that are not a program's.
VISTAS = {"resumen.tsv", "juntos.tsv"}

# The configuration of a row that holds counts only.
FILA_DE_CUENTAS = "cuentas"

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


def leer_tsv(ruta: Path) -> Estudio:
    """The study saved in one program's TSV. A file that is not one (empty,
    without a header, or a header without the columns n, configuracion and
    valores) or a line that cannot be read is an ErrorDeUso naming the file
    and the line."""
    texto = leer_texto(ruta)
    numeradas = list(enumerate(texto.splitlines(), 1))
    comentarios = [(i, l.lstrip()[1:].strip()) for i, l in numeradas if l.lstrip().startswith("#")]
    datos = [(i, l) for i, l in numeradas if l.strip() and not l.lstrip().startswith("#")]
    if not datos:
        raise ErrorDeUso(f"{ruta}: está vacío" if not texto.strip() else
                         f"{ruta}: no tiene cabecera (solo comentarios)")
    cabecera = datos[0][1].split("\t")
    faltan = [c for c in ("n", "configuracion", "valores") if c not in cabecera]
    if faltan:
        raise ErrorDeUso(f"{ruta}, línea {datos[0][0]}: la cabecera no tiene la columna"
                         f" {', '.join(faltan)}; no es el TSV de un programa")
    if texto and not texto.endswith("\n"):
        raise ErrorDeUso(f"{ruta}, línea {numeradas[-1][0]}: la última línea está cortada"
                         " (no acaba en un salto de línea)")
    cotas = [_cota(c, f"{ruta}, línea {datos[0][0]}") for c in cabecera if c.startswith("t/")]
    # A column «medida:nombre» holds a measure other than the counts.
    nombres = [c for c in cabecera if c not in FIJAS and ":" not in c
               and not c.startswith(("t/", "c/", "ns_por_"))]
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
        if configuracion == FILA_DE_CUENTAS or not valores:
            continue
        if configuracion not in estudio.configuraciones:
            estudio.configuraciones.append(configuracion)
        notas = fila.get("notas", "").split(",")
        punto = Punto(n, configuracion, valores, "repeticion" in notas,
                      MARCAS["cortada"] in notas)
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


def leer_estudios(directorio: Path) -> Tuple[Dict[str, Estudio], Dict[str, str]]:
    """The stem of each program TSV of a study's directory (insertion, or
    insertion.ordenada for a kind of input) → its study; and the name of
    each TSV that could not be read → why. The sweep's own views
    (resumen.tsv, juntos.tsv) are not a program's and are left out."""
    if not directorio.is_dir():
        raise ErrorDeUso(f"no existe el directorio {directorio}" if not directorio.exists()
                         else f"{directorio} no es un directorio")
    try:
        rutas = sorted(directorio.glob("*.tsv"))
    except OSError as e:
        raise ErrorDeUso(f"no se pudo leer {directorio}: {e}") from None
    estudios, fallos = {}, {}
    for ruta in rutas:
        if ruta.name in VISTAS:
            continue
        try:
            estudios[ruta.stem] = leer_tsv(ruta)
        except ErrorDeUso as e:
            fallos[ruta.stem] = str(e)
    return estudios, fallos
