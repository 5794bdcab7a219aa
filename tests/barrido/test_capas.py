"""The layers of the sweep's package, read from its source with ast: each
sub-package imports only the sub-packages the table below allows, and no
import makes a circle between sub-packages, however many it goes through."""

import ast
import unittest
from pathlib import Path
from typing import Dict, List, Set, Tuple

from comun import RAIZ

PAQUETE = RAIZ / "tools" / "barrido"

# Each sub-package and the sub-packages it may import, besides itself. The
# model (datos) imports nothing of the package; the statistics only the
# model's types; the analysis concludes from both; the wording turns the
# conclusions into Spanish; the writers format what the analysis and the
# wording give them (never a statistic of their own); the command line ties
# everything together. Measuring looks ahead with a fit of the durations.
PERMITIDAS: Dict[str, Set[str]] = {
    "datos": set(),
    "estadistica": {"datos"},
    "medir": {"datos", "estadistica"},
    "analisis": {"datos", "estadistica"},
    "redaccion": {"datos", "estadistica", "analisis"},
    "escritura": {"datos", "medir", "analisis", "redaccion"},
    "ordenes": {"datos", "medir", "estadistica", "analisis", "redaccion", "escritura"},
}


def subpaquete(ruta: Path) -> str:
    """The sub-package a module belongs to ("" for the package's own)."""
    partes = ruta.relative_to(PAQUETE).parts
    return partes[0] if len(partes) > 1 else ""


def importados(ruta: Path) -> List[Tuple[int, str]]:
    """(line, sub-package) of every import of the package in a module,
    relative or absolute, at any depth of the code."""
    arbol = ast.parse(ruta.read_text(encoding="utf-8"), str(ruta))
    modulo = ruta.relative_to(PAQUETE).with_suffix("").parts
    paquete = list(modulo[:-1])  # where a relative import of one dot starts
    resultado = []
    for nodo in ast.walk(arbol):
        nombres: List[str] = []
        if isinstance(nodo, ast.ImportFrom):
            if nodo.level:
                base = paquete[:max(len(paquete) - (nodo.level - 1), 0)]
                destino = base + (nodo.module.split(".") if nodo.module else [])
                # `from .. import x` names modules or sub-packages of base.
                nombres = [".".join(destino + ([a.name] if not nodo.module else []))
                           for a in nodo.names]
            elif nodo.module and nodo.module.split(".")[0] == "barrido":
                nombres = [".".join(nodo.module.split(".")[1:])]
        elif isinstance(nodo, ast.Import):
            nombres = [".".join(a.name.split(".")[1:]) for a in nodo.names
                       if a.name.split(".")[0] == "barrido"]
        for nombre in nombres:
            primero = nombre.split(".")[0] if nombre else ""
            if primero in PERMITIDAS:
                resultado.append((nodo.lineno, primero))
    return resultado


def aristas(paquete: Path = PAQUETE) -> Dict[Tuple[str, str], List[str]]:
    """(from, to) sub-package → where: every import between sub-packages."""
    resultado: Dict[Tuple[str, str], List[str]] = {}
    for ruta in sorted(paquete.rglob("*.py")):
        origen = subpaquete(ruta)
        for linea, destino in importados(ruta):
            if origen and destino != origen:
                resultado.setdefault((origen, destino), []).append(
                    f"{ruta.relative_to(paquete)}:{linea}")
    return resultado


def circulos(grafo: Dict[str, Set[str]]) -> List[List[str]]:
    """The circles of a directed graph, one path each, found by a depth-first
    search from every node."""
    encontrados = []
    for inicio in sorted(grafo):
        pila = [(inicio, [inicio])]
        while pila:
            nodo, camino = pila.pop()
            for siguiente in sorted(grafo.get(nodo, ())):
                if siguiente == inicio:
                    encontrados.append(camino + [inicio])
                elif siguiente not in camino and siguiente > inicio:
                    pila.append((siguiente, camino + [siguiente]))
    return encontrados


class Capas(unittest.TestCase):
    def test_cada_subpaquete_en_la_tabla(self):
        presentes = {p.name for p in PAQUETE.iterdir()
                     if p.is_dir() and (p / "__init__.py").exists()}
        self.assertEqual(presentes, set(PERMITIDAS))

    def test_importaciones_permitidas(self):
        contra = [f"{origen} → {destino} ({', '.join(donde)})"
                  for (origen, destino), donde in aristas().items()
                  if destino not in PERMITIDAS[origen]]
        self.assertEqual(contra, [])

    def test_sin_circulos(self):
        grafo: Dict[str, Set[str]] = {}
        for origen, destino in aristas():
            grafo.setdefault(origen, set()).add(destino)
        self.assertEqual(circulos(grafo), [])

    def test_la_tabla_no_tiene_circulos(self):
        self.assertEqual(circulos(PERMITIDAS), [])

    def test_circulos_a_traves_de_un_tercero(self):
        # The search itself, on graphs of known shape.
        casos = [
            ({"a": {"b"}, "b": {"c"}, "c": {"a"}}, [["a", "b", "c", "a"]]),
            ({"a": {"b"}, "b": {"a"}}, [["a", "b", "a"]]),
            ({"a": {"b", "c"}, "b": {"c"}, "c": set()}, []),
        ]
        for grafo, esperados in casos:
            with self.subTest(grafo=grafo):
                self.assertEqual(circulos(grafo), esperados)

    def test_lee_las_importaciones(self):
        # Relative imports at one, two and three dots, inside a function,
        # and absolute ones, from a module two levels down.
        import tempfile
        with tempfile.TemporaryDirectory() as d:
            raiz = Path(d)
            (raiz / "escritura" / "graficas").mkdir(parents=True)
            ruta = raiz / "escritura" / "graficas" / "x.py"
            ruta.write_text("from .comun import a\nfrom ..tabla import b\n"
                            "from ...estadistica import ajuste\n"
                            "def f():\n    from ...datos.cotas import Cota\n"
                            "import barrido.analisis.analisis\n", encoding="utf-8")
            global PAQUETE
            antes, PAQUETE = PAQUETE, raiz
            try:
                self.assertEqual(sorted(importados(ruta)),
                                 [(1, "escritura"), (2, "escritura"), (3, "estadistica"), (5, "datos"),
                                  (6, "analisis")])
            finally:
                PAQUETE = antes


if __name__ == "__main__":
    unittest.main()
