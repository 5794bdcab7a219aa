"""The README against the tool it describes: no placeholder left in it,
and every option of every tools/sweep command it shows known to that
command's --help."""

import re
import shlex
import subprocess
import sys
import unittest

from comun import BARRIDO, RAIZ

README = RAIZ / "README.md"
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


class Readme(unittest.TestCase):
    def setUp(self):
        self.texto = README.read_text(encoding="utf-8")

    def test_sin_marcadores(self):
        lineas = [f"{i}: {l}" for i, l in enumerate(self.texto.splitlines(), 1)
                  if MARCADORES.search(l)]
        self.assertEqual(lineas, [])

    def test_las_opciones_de_cada_orden_existen(self):
        ayudas = {"": ayuda(), "compare": ayuda("compare")}
        vistas = ordenes(self.texto)
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


if __name__ == "__main__":
    unittest.main()
