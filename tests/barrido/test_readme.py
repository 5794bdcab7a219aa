"""The README and the user's guide in docs/ against the tool they describe:
no placeholder left in them, every option of every tools/sweep command they
show known to that command's --help, every link leading to a file and a
heading that exist; and the README short, with the commands CI runs."""

import re
import shlex
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

from comun import BARRIDO, RAIZ

README = RAIZ / "README.md"
# The README and the guide it links to.
DOCUMENTOS = [README] + sorted((RAIZ / "docs").glob("*.md"))
MARCADORES = re.compile(r"\b(DURACION\w*|TODO|XXX)\b")


def ordenes(texto: str) -> list:
    """Every tools/sweep command in the README: in its code blocks (a line
    of its own, after a $ prompt or after &&) and in its code spans, which
    may run over a line break."""
    bloques = re.findall(r"^```[^\n]*\n(.*?)^```", texto, re.MULTILINE | re.DOTALL)
    fuera = re.sub(r"^```[^\n]*\n.*?^```", "", texto, flags=re.MULTILINE | re.DOTALL)
    trozos = [l for b in bloques for l in b.splitlines()]
    trozos += [" ".join(s.split()) for s in re.findall(r"`([^`]+)`", fuera)]
    resultado = []
    for trozo in trozos:
        for parte in re.split(r"&&|\|\||;|\|", trozo):
            m = re.search(r"(?:^|\s)tools/sweep(\s.*)?$", parte.strip())
            if m:
                resultado.append(shlex.split(m.group(1) or ""))
    return resultado


def ayuda(*args: str) -> str:
    return subprocess.run([sys.executable, str(BARRIDO), *args, "--help"],
                          stdout=subprocess.PIPE, text=True, timeout=30, check=True).stdout


def ancla(titulo: str) -> str:
    """The anchor a code host gives a heading: lower case, punctuation
    dropped, blanks as hyphens."""
    return re.sub(r"[^\w\- ]", "", titulo.strip().lower()).replace(" ", "-")


def enlaces_rotos(ruta) -> list:
    """The links of a Markdown file (not to the network) whose file or
    heading does not exist."""
    texto = ruta.read_text(encoding="utf-8")
    fuera = re.sub(r"^```[^\n]*\n.*?^```", "", texto, flags=re.MULTILINE | re.DOTALL)
    rotos = []
    for destino in re.findall(r"\]\(([^)\s]+)\)", fuera):
        if re.match(r"[a-z]+:", destino):
            continue
        fichero, _, seccion = destino.partition("#")
        objetivo = (ruta.parent / fichero).resolve() if fichero else ruta
        if not objetivo.exists():
            rotos.append(destino)
        elif seccion and objetivo.suffix == ".md":
            titulos = re.findall(r"^#+ (.*)$", objetivo.read_text(encoding="utf-8"), re.MULTILINE)
            if seccion not in {ancla(t) for t in titulos}:
                rotos.append(destino)
    return rotos


class Readme(unittest.TestCase):
    def setUp(self):
        self.texto = README.read_text(encoding="utf-8")
        self.textos = {d.relative_to(RAIZ): d.read_text(encoding="utf-8") for d in DOCUMENTOS}

    def test_sin_marcadores(self):
        for documento, texto in self.textos.items():
            with self.subTest(documento=str(documento)):
                lineas = [f"{i}: {l}" for i, l in enumerate(texto.splitlines(), 1)
                          if MARCADORES.search(l)]
                self.assertEqual(lineas, [])

    def test_corto_y_con_las_ordenes_de_ci(self):
        # A newcomer reads it in a few minutes; the rest is in the guide.
        self.assertLessEqual(len(self.texto.splitlines()), 250)
        lineas = self.texto.splitlines()
        self.assertIn("tools/preparar && cmake --workflow --preset default &&"
                      " tools/sweep insertion quicksort", lineas)
        ci = (RAIZ / ".ci" / "run").read_text().splitlines()
        self.assertEqual([l for l in ci if l.startswith("cmake ")],
                         ["cmake --workflow --preset test && cmake --workflow --preset sanitize"])
        self.assertIn(ci[-1], lineas)

    def test_los_enlaces_llevan_a_algo(self):
        self.assertIn("docs/guia.md", self.texto)
        for documento in DOCUMENTOS:
            with self.subTest(documento=str(documento.relative_to(RAIZ))):
                self.assertEqual(enlaces_rotos(documento), [])

    def test_las_opciones_de_cada_orden_existen(self):
        ayudas = {"": ayuda(), "compare": ayuda("compare")}
        self.assertGreaterEqual(len(ordenes(self.texto)), 4)
        vistas = [o for texto in self.textos.values() for o in ordenes(texto)]
        self.assertGreaterEqual(len(vistas), 8)
        for argumentos in vistas:
            orden = "compare" if argumentos[:1] == ["compare"] else ""
            for opcion in (a.split("=")[0] for a in argumentos if a.startswith("-")):
                with self.subTest(orden=" ".join(argumentos), opcion=opcion):
                    self.assertRegex(ayudas[orden], rf"(?<![\w-]){re.escape(opcion)}(?![\w-])")

    def test_el_extractor_de_ordenes(self):
        # (README text, the commands found in it)
        casos = [
            ("```sh\ntools/preparar && tools/sweep insertion --seed 1\n```\n",
             [["insertion", "--seed", "1"]]),
            ("```\n$ tools/sweep compare A B --resamples 200\n```\n",
             [["compare", "A", "B", "--resamples", "200"]]),
            ("run `tools/sweep bubble --sizes 1,2\n  --budget 2` and", [
                ["bubble", "--sizes", "1,2", "--budget", "2"]]),
            ("`tools/sweep --help` lists them; `tools/barrido/` is the code", [["--help"]]),
        ]
        for texto, esperadas in casos:
            with self.subTest(texto=texto):
                self.assertEqual(ordenes(texto), esperadas)

    def test_anclas_y_enlaces(self):
        # (heading, its anchor)
        for titulo, esperada in [("Best, worst and typical cases", "best-worst-and-typical-cases"),
                                 ("Output and exit status", "output-and-exit-status"),
                                 ("Setting up", "setting-up")]:
            with self.subTest(titulo=titulo):
                self.assertEqual(ancla(titulo), esperada)
        with tempfile.TemporaryDirectory() as tmp:
            (Path(tmp) / "b.md").write_text("# Uno\n## Dos, tres\n")
            a = Path(tmp) / "a.md"
            a.write_text("[x](b.md#dos-tres) [y](b.md#cuatro) [z](c.md) [w](#nada)"
                         " [r](https://ejemplo.org) ![i](b.md)\n```\n[n](no.md)\n```\n# Nada\n")
            self.assertEqual(enlaces_rotos(a), ["b.md#cuatro", "c.md"])


if __name__ == "__main__":
    unittest.main()
