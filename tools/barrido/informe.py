"""The study as a document: informe.md in --out, Markdown that reads well on
a code host and in a terminal. Tables stay in fixed-width blocks, as the
terminal shows them; the plots are embedded by their file names, which sit
beside the document."""

from dataclasses import dataclass, field
from pathlib import Path
from typing import List, Mapping, Optional, Sequence

from .registro import describir_registro


@dataclass
class Seccion:
    """One program's part of the document, as the terminal showed it."""

    titulo: str
    tablas: List[str]  # fixed-width tables: times, counts
    lineas: List[str]  # fits, verdicts, models, notes
    graficas: List[Path] = field(default_factory=list)


_EXPLICACIONES = {
    "": "tiempos: medianas con barras mín–máx, ajuste y modelo",
    "_cocientes": "cada cociente t/f(n) entre su valor en la talla mayor; sombreada, la mitad"
                  " superior de las tallas, donde se juzga el veredicto de los tiempos",
    "_cuentas": "cuentas de operaciones con su ajuste, y el tiempo por operación",
    "juntos": "todos los programas juntos",
}


def _pie(ruta: Path) -> str:
    nombre = ruta.stem
    for sufijo, texto in _EXPLICACIONES.items():
        if sufijo and nombre.endswith(sufijo):
            return texto
    return _EXPLICACIONES[""]


def _bloque(texto: str) -> List[str]:
    return ["```text", texto.rstrip("\n"), "```", ""]


def _graficas(graficas: Sequence[Path]) -> List[str]:
    return [f"![{_pie(g)}]({g.name})\n\n*{g.name}: {_pie(g)}*\n" for g in graficas
            if g.suffix == ".svg"]


def informe(registro: Mapping[str, object], secciones: Sequence[Seccion],
            resumen: Sequence[str], juntos: Optional[Seccion] = None,
            incompleto: bool = False) -> str:
    """The whole document: the record, then each program's tables, verdict
    lines and plots, the joint study if there is one, and the summary."""
    lineas = ["# Estudio de eficiencia", ""]
    if incompleto:
        lineas += ["> **Incompleto**: el barrido se detuvo antes de acabar; lo que sigue es lo"
                   " medido hasta entonces.", ""]
    lineas += ["## Registro", ""]
    lineas += [f"- {l}" for l in describir_registro(registro)] + [""]
    lineas += ["Cómo leerlo: cada tabla da, por talla y configuración, la mediana de las"
               " ejecuciones con su mínimo y su máximo y los cocientes t/f(n) frente a las cotas"
               " candidatas; el veredicto sobre los tiempos se juzga en la mitad superior de las"
               " tallas, y el crecimiento que nombra el estudio sale de las cuentas de"
               " operaciones, que son exactas.", ""]
    for seccion in list(secciones) + ([juntos] if juntos else []):
        lineas += [f"## {seccion.titulo}", ""]
        for tabla in seccion.tablas:
            if tabla:
                lineas += _bloque(tabla)
        lineas += [f"- {l.strip()}" for l in seccion.lineas] + [""]
        lineas += _graficas(seccion.graficas)
    if resumen:
        lineas += ["## Resumen", ""] + _bloque("\n".join(resumen))
    return "\n".join(lineas).rstrip("\n") + "\n"
