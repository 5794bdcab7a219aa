"""The verdict on the growth of a measure, on synthetic counts of known
growth: exact, scattered, zero at some sizes or all, beyond a double."""

import functools
import math
import random
import unittest

import comun  # noqa: F401  (puts the package on the path)
from barrido.datos.cotas import leer_cotas
from barrido.estadistica.crecimiento import juzgar_crecimiento
from barrido.datos.tallas import leer_tallas
from barrido.redaccion.crecimiento import texto_crecimiento

GRANDES = leer_tallas("1000:4096000:x2")


@functools.lru_cache(maxsize=None)
def memoria(m: int) -> int:
    """Mergesort's extra elements held at once, its halves copied from 100 keys."""
    return 0 if m < 100 else m + 2 + max(memoria(m // 2), memoria(m - m // 2))


def juzgar(cuenta, tallas=GRANDES, cotas=None, medida="comparaciones"):
    return juzgar_crecimiento(medida, [(n, cuenta(n)) for n in tallas],
                              leer_cotas(cotas) if cotas else None)


class Crecimiento(unittest.TestCase):
    def test_cuentas_exactas(self):
        # (count, sizes, bounds, bound named or None): lower-order terms do
        # not decide, nor does n^1.2's 38 % of the last count in the mixture.
        casos = [
            (lambda n: n - 1, GRANDES, None, "n"),
            (lambda n: 2 * n, GRANDES, None, "n"),
            (lambda n: n * (n - 1) // 2, GRANDES, None, "n^2"),
            (lambda n: n * math.log2(n) + 10.5 * n, GRANDES, None, "n*log(n)"),
            # Mergesort on reversed keys: its short ranges' insertion sort adds
            # about 25·n, and n·log2(n) is 42 % of the count at 256000.
            (lambda n: n * math.log2(n) + 24.8 * n, GRANDES[:9], None, "n*log(n)"),
            (lambda n: n * n + 1000 * n, GRANDES, None, "n^2"),
            (lambda n: 2 ** (n + 1) - 1, range(16, 29), None, "2^n"),
            (lambda n: math.log2(n) + 1, GRANDES, None, "log(n)"),
            (lambda n: 5, GRANDES, None, "1"),
            (lambda n: n ** 3 + n ** 2, GRANDES, None, "n^3"),
            (memoria, GRANDES, None, "n"),
            # Far beyond a double, and every size still judged.
            (lambda n: 2 ** (n + 1) - 1, range(100, 2001, 100), None, "2^n"),
            (lambda n: n ** 3 + n, [10 ** k for k in range(100, 111)], None, "n^3"),
            (lambda n: n * math.log(n) + 0.45 * n ** 1.2, GRANDES, "n,n*log(n),n^1.2", None),
            (lambda n: n ** 1.5, GRANDES, None, None),
        ]
        for cuenta, tallas, cotas, nombre in casos:
            with self.subTest(nombre=nombre, valor=cuenta(tallas[0])):
                v = juzgar(cuenta, tallas, cotas)
                self.assertEqual((v.tipo, v.cota and v.cota.texto, v.talla),
                                 ("cota" if nombre else "indistinguibles", nombre, tallas[-1]))

    def test_cuentas_con_dispersion(self):
        # (count with scatter, sizes, bounds, bound named in each of 20 sweeps)
        casos = [
            (lambda n, a: 2 * n * math.log(n) * a.uniform(0.97, 1.03), GRANDES, None, "n*log(n)"),
            # Quicksort's comparisons on random input.
            (lambda n, a: 2 * n * math.log(n) - 2.85 * n + 0.65 * n * a.gauss(0, 1), GRANDES,
             "n,n*log(n),n^1.2", "n*log(n)"),
            (lambda n, a: n * n / 4 * a.uniform(0.98, 1.02),
             leer_tallas("500:64000:x2,700:44800:x2"), None, "n^2"),
            # The scatter does not hide a growth the fit misses.
            (lambda n, a: n * n * math.log(n) * a.uniform(0.97, 1.03), GRANDES, None, None),
        ]
        for cuenta, tallas, cotas, nombre in casos:
            for azar in map(random.Random, range(20)):
                v = juzgar(lambda n: cuenta(n, azar), tallas, cotas)
                self.assertEqual(v.cota and v.cota.texto, nombre, texto_crecimiento(v))

    def test_profundidad_en_enteros_pequenos(self):
        # About 2·log2(n/50), 9 to 33, scattered by 3: log(n) or nothing.
        nombradas = [juzgar(lambda n: round(2 * math.log2(n / 50) + azar.gauss(0, 3))).cota
                     for azar in map(random.Random, range(40))]
        self.assertLessEqual({c and c.texto for c in nombradas}, {"log(n)", None})
        self.assertGreaterEqual(len([c for c in nombradas if c]), 30)

    def test_ceros(self):
        casos = [  # (measure, values, sizes, the text)
            ("memoria_extra", lambda n: 0, "1:8:x2", "^no usa memoria adicional$"),
            ("profundidad", lambda n: 0, "1:8:x2", "^la profundidad es 0 en todas las tallas$"),
            ("memoria_extra", memoria, "25:102400:x2",
             r"^la memoria adicional crece como n \(.*; es 0 en n = 25, 50\)$"),
            ("profundidad", memoria, "25:200:x2", r"^la profundidad no distingue las cotas a"
             r" estas tallas \(menos de tres tallas con valor; es 0 en n = 25, 50\): pruebe"),
        ]
        for medida, valores, tallas, texto in casos:
            self.assertRegex(texto_crecimiento(juzgar(valores, leer_tallas(tallas), medida=medida)),
                             texto)

    def test_mediana_y_pocas_tallas(self):
        # One wild value in three does not count.
        valores = [(n, c) for n in GRANDES for c in (50 * n ** 3, n * n, n * n + 1)]
        self.assertEqual(juzgar_crecimiento("x", valores).cota.texto, "n^2")
        self.assertIsNone(juzgar_crecimiento("x", [(1000, 5), (2000, 9), (1000, 6)]))


if __name__ == "__main__":
    unittest.main()
