"""The study as a document: informe.md in --out, Markdown that reads well on
a code host and in a terminal pager. It opens with the record (the seed
and the plan among it), then one table over the programs made from the
analyses' conclusions, then the commands that repeat the plan, then a
section per program: what it concludes in prose, its plots (embedded by their file
names, which sit beside the document) and its tables, as Markdown tables
where they fit and in fixed-width blocks where they are too wide."""

import re
import shlex
import textwrap
from dataclasses import dataclass, field
from typing import Dict, List, Mapping, Optional, Sequence

from ..analisis.analisis import Analisis
from ..datos.medidas import CUENTAS as _CUENTAS
from .graficas import Grafica
from .registro import describir_registro
from .resumen import filas_resumen
from .tabla_eventos import filas_eventos, leyenda
from .tabla import Nota, alinear, filas_cuentas, filas_tabla, notas

# Wider than this, a program's table stays in a fixed-width block: a
# Markdown table pads every cell with pipes and blanks, and past about this
# width a pager wraps its lines.
ANCHO_TABLA = 120
ANCHO_PROSA = 100  # the lines of a paragraph


@dataclass
class Seccion:
    """One part of the document after the summary: a program's study (its
    analysis), or the programs side by side (a table already formatted)."""

    titulo: str
    graficas: List[Grafica] = field(default_factory=list)
    analisis: Optional[Analisis] = None
    tabla: str = ""


_PIES = {
    "tiempos": "Tiempos: la mediana de cada talla con barras del mínimo al máximo; el ajuste y el"
        " modelo pasan por esas medianas, que se dibujan aparte.",
    "cocientes": "El veredicto de los tiempos: cada cociente t/f(n) entre su valor en la talla"
                  " mayor; sombreada, la mitad superior de las tallas, donde se juzga.",
    "cuentas": "Las cuentas de operaciones con su ajuste y su modelo, y el tiempo de una"
                " operación en cada talla.",
    "eventos": "Los eventos de la máquina por operación, simulados por valgrind, y en punteado"
               " las tallas donde los datos dejan de caber en cada caché.",
    "juntos": "Los programas juntos: sus tiempos, y cada uno entre el más rápido en cada talla.",
    "entradas": "Los tipos de entrada juntos: los tiempos de cada uno, y cada uno entre el más"
                " rápido en cada talla.",
}

_ETIQUETAS = {"ajuste": "Ajuste", "cocientes": "Cocientes", "veredicto": "Veredicto",
              "pendientes": "Prueba", "modelo": "Modelo", "por operación": "Por operación",
              "inestables": "Inestables", "omitidas": "Omitidas", "incompleto": "Incompleto"}

_COMO_LEERLO = (
    "Cómo leerlo: una fila por medida de cada programa. *Según las cuentas* es el crecimiento"
    " que nombran las cuentas de operaciones, que son exactas; *exponente* es el b del ajuste"
    " t(n) ≈ C·n^b (la base a de C·a^n) en todas las tallas, con su intervalo del 95 %;"
    " *veredicto* es lo que dicen los tiempos en la *mitad superior* de las tallas: la"
    " *pendiente* de log(t/f) de la cota que cita, con su intervalo del 90 %, debe caber en su"
    " *margen* para nombrarla (*cerca de* cuando cabe sin llegar a 0); *por operación* es el"
    " tiempo de una operación contada en la talla mayor y, si cambia, cuánto desde la talla"
    " que más se aparta."
)


def markdown(texto: str) -> str:
    """A text of the sweep as Markdown that shows it as it is: the
    characters that would start emphasis, a tag or a strike-through are
    escaped (n*log(n) twice in a line would turn italic)."""
    return re.sub(r"([\\*_<~`])", r"\\\1", texto)


def _celda(texto: str) -> str:
    return markdown(texto).replace("|", "\\|")


_NUMERO = re.compile(r"^[-+]?(\d[\d.]*(e[-+]?\d+)?|-)$")


def tabla_markdown(filas: Sequence[Sequence[str]]) -> List[str]:
    """A Markdown table of the heading and rows, each column padded to one
    width so that it also reads aligned as plain text; columns of numbers
    are right-aligned."""
    celdas = [[_celda(c) for c in f] for f in filas]
    anchos = [max(3, *(len(f[i]) for f in celdas)) for i in range(len(celdas[0]))]
    derecha = [all(_NUMERO.match(f[i]) for f in filas[1:]) and len(filas) > 1
               for i in range(len(celdas[0]))]

    def linea(f: Sequence[str]) -> str:
        return "| " + " | ".join(c.rjust(a) if d else c.ljust(a)
                                 for c, a, d in zip(f, anchos, derecha)) + " |"

    separador = "|" + "|".join(("-" * (a + 1) + ":") if d else "-" * (a + 2)
                               for a, d in zip(anchos, derecha)) + "|"
    return [linea(celdas[0]), separador] + [linea(f) for f in celdas[1:]]


def _bloque(texto: str, lenguaje: str = "text") -> List[str]:
    return [f"```{lenguaje}", texto.rstrip("\n"), "```", ""]


def _tabla(filas: Sequence[Sequence[str]], leyenda: Sequence[str], notas: bool = False
           ) -> List[str]:
    """A program's table as Markdown where it fits, in a fixed-width block
    (as standard output shows it; `notas`: the last column is the notes)
    where it does not; its legend below as a list."""
    markdown_ = tabla_markdown(filas)
    if max(len(l) for l in markdown_) <= ANCHO_TABLA:
        lineas = markdown_ + [""]
    else:
        lineas = _bloque("\n".join(alinear([list(f) + ([] if notas else [""]) for f in filas])))
    return lineas + [l for x in leyenda for l in _punto(markdown(x))] + ([""] if leyenda else [])


def pie(grafica: Grafica) -> str:
    """The caption of a plot, from what it shows."""
    return _PIES[grafica.clase]


def _graficas(graficas: Sequence[Grafica]) -> List[str]:
    """Each plot with its caption written once, under it."""
    lineas = []
    for g in graficas:
        if g.suffix == ".svg":
            lineas += [f"![{g.name}]({g.name})", ""] + envolver(f"*{markdown(pie(g))}*") + [""]
    return lineas


# A sentence whose first word is a word (two letters or more, then a
# blank or a stop), not a formula such as n^2 or log(n).
_PRIMERA_PALABRA = re.compile(r"^([a-záéíóúüñ])(?=[a-záéíóúüñ]+(?:[\s,;:.]|$))")


def frase(texto: str) -> str:
    """A sentence that starts with a capital: «no usa memoria adicional» →
    «No usa memoria adicional»; one that starts with a formula (n^2, y
    n*log(n) no se distinguen) is left as it is."""
    return _PRIMERA_PALABRA.sub(lambda m: m.group(1).upper(), texto, count=1)


def _prosa(lista: Sequence[Nota]) -> List[str]:
    """The notes of a study as paragraphs, one per measure: the counts,
    then each configuration, then what concerns the whole study."""
    grupos: Dict[str, List[Nota]] = {}
    for nota in lista:
        grupos.setdefault("espacio" if nota.clave == "espacio" else nota.configuracion,
                          []).append(nota)
    lineas = []
    for configuracion, grupo in grupos.items():
        titulo = ("Cuentas" if configuracion == _CUENTAS.nombre else "Espacio"
                  if configuracion == "espacio" else
                  f"Tiempos {configuracion}" if configuracion else "El estudio")
        frases = [frase(("" if n.clave == "espacio" else
                         f"{_ETIQUETAS.get(n.clave, n.clave.capitalize())}: ")
                        + f"{markdown(re.sub(r'  +', ' ', n.texto))}.") for n in grupo]
        lineas += envolver(f"**{titulo}.** " + " ".join(frases)) + [""]
    return lineas


# A line of a paragraph that starts like this would begin a list, a heading,
# a quote or a table row.
_COMIENZO_DE_BLOQUE = re.compile(r"^([-+*>#|=]|\d+[.)])( |$)")


def envolver(parrafo: str, ancho: int = ANCHO_PROSA) -> List[str]:
    """A paragraph in lines of at most `ancho` characters where words
    allow, so that it reads in a pager; a line that would start a block of
    its own in Markdown goes on the end of the one before."""
    lineas: List[str] = []
    for linea in textwrap.wrap(parrafo, ancho, break_long_words=False, break_on_hyphens=False):
        if lineas and _COMIENZO_DE_BLOQUE.match(linea):
            lineas[-1] += " " + linea
        else:
            lineas.append(linea)
    return lineas


def partir_orden(orden: str, ancho: int = ANCHO_PROSA) -> str:
    """A command as a shell script writes a long one: lines of at most
    `ancho` characters where its words allow, each continued by a
    backslash, every option beside its value."""
    palabras = shlex.split(orden)
    grupos: List[str] = []
    for palabra in palabras:
        texto = shlex.quote(palabra)
        if grupos and not palabra.startswith("-") and grupos[-1].startswith("-") \
                and " " not in grupos[-1]:
            grupos[-1] += " " + texto  # an option's value
        else:
            grupos.append(texto)
    lineas = [grupos[0]]
    for grupo in grupos[1:]:
        if len(lineas[-1]) + 1 + len(grupo) + 2 > ancho:
            lineas.append("    " + grupo)
        else:
            lineas[-1] += " " + grupo
    return " \\\n".join(lineas)


def _punto(linea: str) -> List[str]:
    """A list item, its continuation lines indented under it."""
    partes = envolver(linea, ANCHO_PROSA - 2)
    return [f"- {partes[0]}"] + [f"  {p}" for p in partes[1:]]


def _registro(registro: Mapping[str, object]) -> List[str]:
    lineas = ["## Registro", ""]
    for linea in describir_registro(registro):
        clave, _, valor = linea.partition(": ")
        if clave == "orden":
            lineas.append(f"- orden: `{valor}`")
        else:
            lineas += _punto(markdown(linea))
    return lineas + [""]


def _repetir(registro: Mapping[str, object]) -> List[str]:
    """The commands that repeat the plan of the study, under the summary."""
    repetir = registro.get("repetir")
    if not (isinstance(repetir, list) and repetir):
        return []
    lineas = ["## Para repetirlo", ""]
    lineas += envolver("Estas órdenes repiten el plan de este estudio: las mismas tallas, en el"
                       " mismo orden de invocaciones, con la misma semilla (los tiempos serán"
                       " otros):")
    return lineas + [""] + _bloque("\n".join(partir_orden(str(o)) for o in repetir), "sh")


def informe(registro: Mapping[str, object], secciones: Sequence[Seccion],
            juntos: Optional[Seccion] = None, incompleto: bool = False) -> str:
    """The whole document: the record, the summary table, then each
    program's section and the joint study if there is one."""
    lineas = ["# Estudio de eficiencia", ""]
    if incompleto:
        lineas += ["> **Incompleto**: el barrido se detuvo antes de acabar; lo que sigue es lo",
                   "> medido hasta entonces.", ""]
    lineas += _registro(registro)
    analisis = [s.analisis for s in secciones if s.analisis is not None]
    filas = filas_resumen(analisis)
    if len(filas) > 1:
        lineas += ["## Resumen", ""] + tabla_markdown(filas) + [""] + envolver(_COMO_LEERLO)
        lineas.append("")
    lineas += _repetir(registro)
    for seccion in secciones:
        a = seccion.analisis
        lineas += [f"## {markdown(seccion.titulo)}", ""]
        if a is None:
            # The kinds of input of a program side by side, already formatted.
            lineas += _bloque(seccion.tabla) if seccion.tabla else []
            lineas += _graficas(seccion.graficas)
            continue
        lineas += _prosa(notas(a))
        lineas += _graficas(seccion.graficas)
        if a.estudio.puntos:
            lineas += ["### Tiempos", ""] + _tabla(*filas_tabla(a), notas=True)
        if a.cuentas is not None:
            lineas += ["### Cuentas", ""] + _tabla(*filas_cuentas(a))
        if a.eventos is not None:
            operacion = a.estudio.programa.operacion
            lineas += ["### Eventos", ""] + _tabla(filas_eventos(a.eventos, operacion),
                                                   leyenda(a.eventos, operacion))
    if juntos:
        lineas += [f"## {markdown(juntos.titulo)}", ""] + _bloque(juntos.tabla)
        lineas += _graficas(juntos.graficas)
    return "\n".join(lineas).rstrip("\n") + "\n"
