"""The fit of the growth and the trend of the ratios, on synthetic data of
known growth and noise."""

import math
import random
import unittest

from comun import GEOMETRICAS, sinteticos
from barrido.estadistica.ajuste import Ajuste as UnAjuste, ajustar, ajustar_con_intervalo, tendencias
from barrido.estadistica.incertidumbre import intervalo_mediana
from barrido.redaccion.ajuste import crecimiento
from barrido.datos.cotas import Cota
from barrido.datos.tallas import leer_tallas


class Ajuste(unittest.TestCase):
    def test_potencia(self):
        for b in (1.0, 1.5, 2.0, 3.0):
            with self.subTest(b=b):
                ajuste = ajustar(sinteticos(lambda n: 3e-9 * n**b, GEOMETRICAS), False)
                self.assertAlmostEqual(ajuste.tasa, b, delta=0.03)
                self.assertAlmostEqual(math.log(ajuste.constante), math.log(3e-9), delta=0.3)
                self.assertGreater(ajuste.r2, 0.99)

    def test_exponencial(self):
        for a in (1.5, 2.0, 2.1):
            with self.subTest(a=a):
                ajuste = ajustar(sinteticos(lambda n: 2e-9 * a**n, range(16, 29)), True)
                self.assertAlmostEqual(ajuste.tasa, a, delta=0.02)
                self.assertGreater(ajuste.r2, 0.99)

    def test_crecimiento_escrito(self):
        # The interval follows the whole growth, whatever its form.
        casos = [
            (UnAjuste(1e-9, 2.031, 1.0, 5, False, 1.98, 2.07), "n^2.03 [1.98, 2.07]"),
            (UnAjuste(1e-9, 1.9984, 1.0, 5, True, 1.9912, 2.0121), "1.998^n [1.991, 2.012]"),
            (UnAjuste(1e-9, 1.9984, 1.0, 5, True), "1.998^n"),
        ]
        for ajuste, texto in casos:
            with self.subTest(texto=texto):
                self.assertEqual(crecimiento(ajuste), texto)

    def test_intervalo_del_exponente(self):
        # The bootstrap interval holds the true exponent in most noisy data
        # sets, and narrows as invocations are added.
        def series(veces, semilla):
            azar = random.Random(semilla)
            return [(n, [2e-10 * n**2 * (1 + azar.gauss(0, 0.05)) for _ in range(veces)])
                    for n in GEOMETRICAS]

        dentro, anchos = 0, {3: [], 12: []}
        for semilla in range(30):
            for veces in anchos:
                a = ajustar_con_intervalo(series(veces, semilla), False, semilla)
                anchos[veces].append(a.tasa_sup - a.tasa_inf)
                if veces == 3:
                    dentro += a.tasa_inf <= 2 <= a.tasa_sup
                    self.assertLessEqual(a.constante_inf, a.constante)
                    self.assertLessEqual(a.constante, a.constante_sup)
        self.assertGreaterEqual(dentro, 24)
        self.assertLess(sum(anchos[12]), 0.8 * sum(anchos[3]))

    def test_intervalo_de_la_mediana(self):
        # (values, interval, whether it reaches 95 %): order statistics whose
        # binomial coverage is at least 95 %; below six values it cannot be.
        casos = [
            ([3, 1, 2], (1, 3, False)),
            ([5, 1, 4, 2, 3], (1, 5, False)),
            ([6, 1, 5, 2, 4, 3], (1, 6, True)),
            (list(range(15)), (3, 11, True)),
        ]
        for valores, esperado in casos:
            with self.subTest(valores=valores):
                self.assertEqual(intervalo_mediana(valores), esperado)

    def test_hacen_falta_dos_tallas(self):
        self.assertIsNone(ajustar([], False))
        self.assertIsNone(ajustar([(100, 1e-3), (100, 2e-3)], False))


class Veredicto(unittest.TestCase):
    def test_cota_mas_estable(self):
        casos = [
            (lambda n: 4e-10 * n**2, ("n^1.8", "n^2", "n^2.2"), "n^2", GEOMETRICAS, False),
            (lambda n: 7e-9 * n * math.log(n), ("n", "n*log(n)", "n^1.2"), "n*log(n)",
             leer_tallas("1000:4096000:x2"), False),
            (lambda n: 2e-9 * n**3, ("n^2.8", "n^3", "n^3.2"), "n^3", range(100, 1001, 100),
             False),
            (lambda n: 3e-9 * 2**n, ("1.9^n", "2^n", "2.1^n"), "2^n", range(18, 29), True),
        ]
        for t, cotas, esperada, tallas, exponencial in casos:
            with self.subTest(esperada=esperada):
                pares = sinteticos(t, tallas, ruido=0.03)
                lista = tendencias(pares, [Cota(c) for c in cotas], exponencial)
                # The steadiest ratio: its trend's factor nearest 1.
                mejor = min(lista, key=lambda x: abs(math.log(x.factor)))
                self.assertEqual(mejor.cota.texto, esperada)
                self.assertAlmostEqual(mejor.constante / (t(tallas[-1]) / mejor.cota(tallas[-1])),
                                       1, delta=0.05)
                self.assertGreater(lista[0].factor, 1.25)  # the underestimate grows
                self.assertLess(lista[2].factor, 0.8)  # the overestimate falls


if __name__ == "__main__":
    unittest.main()
