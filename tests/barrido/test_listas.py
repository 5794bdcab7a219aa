"""The lists the C++ programs and the sweep both keep: the kinds of input,
the size up to which a program times by repetition, and the names of the
counted operations and of the peaks. Read from the headers, and asked of
the built programs when they are there."""

import re
import subprocess
import unittest

from comun import BIN, RAIZ
from barrido.analisis.analisis import ESPACIO
from barrido.datos.programas import ENTRADAS, PROGRAMAS, UMBRAL_REPETICION


def leer(ruta) -> str:
    return (RAIZ / ruta).read_text(encoding="utf-8")


def cabeceras():
    """Every header of the suite's programs and harness."""
    return [r for r in RAIZ.glob("*/*.h") if r.parts[-2] not in ("build", "tools", "docs")]


class Listas(unittest.TestCase):
    def test_tipos_de_entrada(self):
        tabla = re.findall(r'\{"(\w+)", Entrada::(\w+)\}', leer("harness/entradas.h"))
        self.assertEqual([a for a, b in tabla], list(ENTRADAS))
        self.assertTrue(all(a == b for a, b in tabla))

    def test_umbral_de_repeticion(self):
        m = re.search(r"constexpr int UMBRAL_REPETICION = (\d+);", leer("harness/repeticion.h"))
        self.assertEqual(int(m[1]), UMBRAL_REPETICION)
        # The programs that include the repeated timing are those the sweep
        # marks as timed by repetition, up to that size.
        repiten = {p.nombre for p in PROGRAMAS.values()
                   if '#include "harness/repeticion.h"' in leer(f"{p.nombre}/main.cpp")}
        self.assertEqual(repiten, {p.nombre for p in PROGRAMAS.values() if p.umbral_repeticion})
        self.assertEqual({p.umbral_repeticion for p in PROGRAMAS.values() if p.umbral_repeticion},
                         {UMBRAL_REPETICION})

    def test_operaciones_y_picos(self):
        operaciones, picos = set(), set()
        for ruta in cabeceras():
            texto = ruta.read_text(encoding="utf-8")
            for nombres, _, de_picos in re.findall(
                    r"return \{\{([^{}]*)\},\s*\{([^{}]*)\}(?:,\s*\{([^{}]*)\})?", texto):
                operaciones |= set(re.findall(r'"(\w+)"', nombres))
                picos |= set(re.findall(r'"(\w+)"', de_picos))
            picos |= set(re.findall(r'anadir_pico\("(\w+)"', texto))
        self.assertEqual(picos, set(ESPACIO))
        for p in PROGRAMAS.values():
            with self.subTest(programa=p.nombre):
                self.assertIn(p.cuenta, operaciones)


@unittest.skipUnless((BIN / "bench_insertion_cuentas").exists(), "sin programas compilados")
class Programas(unittest.TestCase):
    def test_lo_que_dicen_los_programas(self):
        r = subprocess.run([BIN / "bench_insertion_entradas", "8", "nada"], capture_output=True,
                           text=True, timeout=30)
        self.assertNotEqual(r.returncode, 0)
        self.assertIn("Tipos de entrada: " + " ".join(ENTRADAS), r.stderr)
        for p in PROGRAMAS.values():
            with self.subTest(programa=p.nombre):
                r = subprocess.run([BIN / f"bench_{p.nombre}_cuentas", "8"], capture_output=True,
                                   text=True, timeout=30, check=True)
                nombres = re.findall(r"(\w+)=", r.stdout)
                self.assertEqual(nombres[0], p.cuenta)
                self.assertTrue(set(nombres[2:]) <= set(ESPACIO), nombres)


if __name__ == "__main__":
    unittest.main()
