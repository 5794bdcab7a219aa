"""The fit of a theoretical cost on synthetic data of known constants:
exact data gives them back, noisy data gets intervals that hold them and
narrow with more invocations."""

import math
import random
import statistics
import unittest

from comun import GEOMETRICAS
from barrido.datos.cotas import leer_cotas
from barrido.estadistica.modelo import ajustar_modelo, sin_modelo
from barrido.redaccion.ajuste import texto_modelo, texto_sin_modelo
from barrido.datos.tallas import leer_tallas


def exactos(terminos, constantes, tallas):
    cotas = leer_cotas(terminos)
    return cotas, [(n, [sum(a * (g(n) or 0.0) for a, g in zip(constantes, cotas))]) for n in tallas]


class Exactos(unittest.TestCase):
    def test_recupera_las_constantes(self):
        # (terms, constants, sizes, sizes fitted)
        casos = [
            ("n^2,n,1", [0.25, 0.75, -1.0], leer_tallas("2:2048:x2"), 11),
            # n*log(n) has no value at n = 1: that size is left out.
            ("n*log(n),n", [1.0, 10.5], leer_tallas("1,1000:4096000:x2"), 13),
            ("2^n,1", [2.0, -1.0], range(10, 26), 16),
            # Columns of very different size: n^3 against 1 up to n = 10^6.
            ("n^3,n^2,n,1", [3e-9, 2e-7, 1e-5, 1e-3], leer_tallas("1:1000000:x3"), 13),
        ]
        for terminos, constantes, tallas, ajustadas in casos:
            with self.subTest(terminos=terminos):
                cotas, puntos = exactos(terminos, constantes, tallas)
                modelo = ajustar_modelo(cotas, puntos, veces=50)
                self.assertEqual(modelo.puntos, ajustadas)
                for a, esperada, (inf, sup) in zip(modelo.constantes, constantes,
                                                   modelo.intervalos):
                    self.assertAlmostEqual(a / esperada, 1, delta=1e-9)
                    self.assertAlmostEqual(inf / esperada, 1, delta=1e-9)  # one value a size:
                    self.assertAlmostEqual(sup / esperada, 1, delta=1e-9)  # nothing to resample
                self.assertLess(modelo.residuo_maximo, 1e-9)
                n = tallas[-1]
                self.assertAlmostEqual(modelo(n) / puntos[-1][1][0], 1, delta=1e-9)

    def test_pesa_el_error_relativo_de_las_medianas(self):
        # t = a·n through (1, 1) and (100, 200): the relative residuals
        # 1 - a and 1 - a/2 are least squared at a = 1.2 (-20 % and 40 %); a
        # fit of absolute error would give a ≈ 2. Outliers leave the medians.
        modelo = ajustar_modelo(leer_cotas("n"), [(1, [1, 1, 1000]), (100, [200, 200, 1])])
        self.assertAlmostEqual(modelo.constantes[0], 1.2)
        self.assertAlmostEqual(modelo.residuo_maximo, 0.4)

    def test_sin_modelo(self):
        # (terms, sizes, why there is no model)
        casos = [
            ("n^2,n,1", [100, 200], "un modelo de 3 términos necesita al menos 4 tallas en que todos"
                                    " tengan valor, y hay 2"),
            # As many sizes as terms: a fit through every point, which says nothing.
            ("n^2,n,1", [100, 200, 400], "y hay 3"),
            ("n^n^n", [3, 500], "un modelo de 1 término necesita al menos 2 tallas"),  # none at 500
            ("n,2*n", [1, 2, 3], "sus términos no son independientes en estas tallas"),
            ("n*log(n),n", [1, 10], "y hay 1"),  # n*log(n) has no value at 1
        ]
        for terminos, tallas, motivo in casos:
            with self.subTest(terminos=terminos, tallas=tallas):
                cotas, puntos = exactos(terminos, [1.0] * len(terminos), tallas)
                self.assertIsNone(ajustar_modelo(cotas, puntos))
                self.assertIn(motivo, texto_sin_modelo(sin_modelo(cotas, puntos)))

    def test_describir(self):
        cotas, puntos = exactos("n^2,n-1,1", [0.25, -3.0, 5.0], range(10, 20))
        self.assertEqual(
            texto_modelo(ajustar_modelo(cotas, puntos), "comparaciones"),
            "t(n) ≈ 0.25·n^2 [0.25, 0.25] − 3·(n-1) [-3, -3] + 5 [5, 5] comparaciones;"
            " residuo relativo máximo < 0.01%")


class ConRuido(unittest.TestCase):
    VERDAD = (2.5e-10, 3e-8)  # t(n) = 2.5e-10·n^2 + 3e-8·n

    def ajustar(self, invocaciones, semilla):
        azar = random.Random(1000 + semilla)
        a, b = self.VERDAD
        puntos = [(n, [(a * n * n + b * n) * (1 + azar.uniform(-0.05, 0.05))
                       for _ in range(invocaciones)]) for n in GEOMETRICAS]
        return ajustar_modelo(leer_cotas("n^2,n"), puntos, semilla=semilla, veces=200)

    def test_intervalos_contienen_la_verdad_y_se_estrechan(self):
        semillas = range(20)
        anchos = {}
        for invocaciones in (5, 25):
            modelos = [self.ajustar(invocaciones, s) for s in semillas]
            for j, verdad in enumerate(self.VERDAD):
                with self.subTest(invocaciones=invocaciones, constante=j):
                    dentro = sum(m.intervalos[j][0] <= verdad <= m.intervalos[j][1]
                                 for m in modelos)
                    self.assertGreaterEqual(dentro, 16)  # a 95 % interval, 20 data sets
            anchos[invocaciones] = [statistics.median(
                (m.intervalos[j][1] - m.intervalos[j][0]) / v for m in modelos)
                for j, v in enumerate(self.VERDAD)]
        for estrecho, ancho in zip(anchos[25], anchos[5]):
            self.assertLess(estrecho, 0.75 * ancho)
            self.assertGreater(estrecho, 0)

    def test_la_misma_semilla_da_los_mismos_intervalos(self):
        self.assertEqual(self.ajustar(5, 3).intervalos, self.ajustar(5, 3).intervalos)
        self.assertTrue(all(math.isfinite(x) for i in self.ajustar(5, 3).intervalos for x in i))


if __name__ == "__main__":
    unittest.main()
