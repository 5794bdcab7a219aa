"""The verdict on the times and the one on the counts, on synthetic data of
known growth and noise."""

import math
import random
import unittest

from comun import GEOMETRICAS
from barrido.conteo import deriva, juzgar_cuentas
from barrido.cotas import Cota
from barrido.tallas import leer_tallas
from barrido.veredicto import juzgar

NLOGN = leer_tallas("1000:4096000:x2")


def invocaciones(t, tallas, ruido, veces, semilla=1):
    """(n, values) with `veces` invocations each, multiplicative noise of
    standard deviation `ruido`."""
    azar = random.Random(semilla)
    return [(n, [t(n) * (1 + azar.gauss(0, ruido)) for _ in range(veces)]) for n in tallas]


def cotas(*textos):
    return [Cota(t) for t in textos]


class VeredictoDeTiempos(unittest.TestCase):
    def test_tipos(self):
        # (times, sizes, bounds, exponential, noise, invocations) -> verdict and bounds named
        casos = [
            (lambda n: 3e-10 * n**2, GEOMETRICAS, ("n^1.8", "n^2", "n^2.2"), False, 0.03, 5,
             "cota", ["n^2"]),
            (lambda n: 7e-9 * n * math.log(n), NLOGN, ("n", "n*log(n)", "n^1.2"), False, 0.03, 3,
             "cota", ["n*log(n)"]),
            (lambda n: 3e-9 * 2**n, range(18, 30), ("1.9^n", "2^n", "2.1^n"), True, 0.03, 3,
             "cota", ["2^n"]),
            # Halfway between two bounds, with narrow intervals: both fit.
            (lambda n: 3e-10 * n**1.9, GEOMETRICAS, ("n^1.8", "n^2", "n^2.2"), False, 0.01, 5,
             "indistinguibles", ["n^1.8", "n^2"]),
            (lambda n: 1e-12 * n**2.6, GEOMETRICAS, ("n^1.8", "n^2", "n^2.2"), False, 0.03, 5,
             "mas_deprisa", []),
            (lambda n: 1e-8 * n**1.4, GEOMETRICAS, ("n^1.8", "n^2", "n^2.2"), False, 0.03, 5,
             "mas_despacio", []),
            # Each side of a window reaches three quarters of the way to the
            # neighbour on that side: growth a little past n*log(n), further
            # from n than n is from it, still fits it, and n^1.2 as well.
            (lambda n: 7e-9 * n * math.log(n) * n**0.07, NLOGN, ("n", "n*log(n)", "n^1.2"),
             False, 0.01, 5, "indistinguibles", ["n*log(n)", "n^1.2"]),
            # Noise far wider than the distance between the bounds: none is
            # ruled out.
            (lambda n: 3e-10 * n**2, GEOMETRICAS, ("n^1.8", "n^2", "n^2.2"), False, 0.6, 2,
             "indistinguibles", ["n^1.8", "n^2", "n^2.2"]),
        ]
        for t, tallas, textos, exponencial, ruido, veces, tipo, nombradas in casos:
            with self.subTest(cotas=textos, tipo=tipo):
                v = juzgar(invocaciones(t, tallas, ruido, veces), cotas(*textos), exponencial, 3)
                self.assertEqual(v.tipo, tipo, v.detalle())
                self.assertEqual([c.texto for c in v.cotas], nombradas)

    def test_se_juzga_en_la_mitad_superior(self):
        # A constant cost that dominates the small sizes bends the lower half
        # only: the verdict still names n^2.
        tiempos = invocaciones(lambda n: 2e-4 + 3e-10 * n**2, GEOMETRICAS, 0.02, 5)
        v = juzgar(tiempos, cotas("n^1.8", "n^2", "n^2.2"), False, 1)
        self.assertEqual((v.tipo, v.cotas[0].texto), ("cota", "n^2"))
        self.assertEqual(v.tallas, (8000, 64000))

    def test_el_intervalo_cubre_la_pendiente(self):
        # Over many noisy data sets the 95% interval of the right bound's
        # slope holds 0 about 95% of the time.
        dentro = 0
        for semilla in range(40):
            v = juzgar(invocaciones(lambda n: 3e-10 * n**2, GEOMETRICAS, 0.05, 5, semilla),
                       cotas("n^2"), False, semilla)
            dentro += v.pruebas[0].inf <= 0 <= v.pruebas[0].sup
        self.assertGreaterEqual(dentro, 32)


class VeredictoDeCuentas(unittest.TestCase):
    def test_un_termino_lineal_grande_no_decide(self):
        # a·f(n) + b·n with b large against a: the ratio to n would look
        # steady, yet the growth named is f.
        casos = [
            (lambda n: n * math.log2(n) + 10.5 * n, NLOGN, ("n", "n*log(n)", "n^1.2"), "n*log(n)"),
            (lambda n: 0.5 * n * math.log(n) + 200 * n, NLOGN, ("n", "n*log(n)", "n^1.2"),
             "n*log(n)"),
            (lambda n: n * n / 4 + 3000 * n, GEOMETRICAS, ("n^1.8", "n^2", "n^2.2"), "n^2"),
            (lambda n: n**3 + 50 * n * n, range(100, 1001, 100), ("n^2.8", "n^3", "n^3.2"), "n^3"),
            (lambda n: 2 ** (n + 1) - 1, range(18, 30), ("1.9^n", "2^n", "2.1^n"), "2^n"),
        ]
        for c, tallas, textos, esperada in casos:
            with self.subTest(esperada=esperada, textos=textos):
                v = juzgar_cuentas("comparaciones", [(n, c(n)) for n in tallas], cotas(*textos))
                self.assertEqual(v.cota.texto, esperada, v.texto())

    def test_cuentas_con_dispersion(self):
        # Quicksort's comparisons scatter by about 0.65·n from one input to
        # the next; the right bound is still named in most simulated sweeps,
        # and a wrong one never.
        nombradas = []
        for semilla in range(30):
            azar = random.Random(semilla)
            cuentas = [(n, 2 * n * math.log(n) - 2.85 * n + 0.65 * n * azar.gauss(0, 1))
                       for n in NLOGN]
            v = juzgar_cuentas("comparaciones", cuentas, cotas("n", "n*log(n)", "n^1.2"))
            nombradas.append(v.cota.texto if v.cota else None)
        self.assertNotIn("n", nombradas)
        self.assertNotIn("n^1.2", nombradas)
        self.assertGreaterEqual(nombradas.count("n*log(n)"), 25)

    def test_deriva_del_tiempo_por_operacion(self):
        casos = [
            # Measured against the largest size: a rise first, then a fall.
            ([(1000, 2e-9), (8000, 2.1e-9), (64000, 4.6e-9), (512000, 4.4e-9)], (2.2, 1000, 512000)),
            ([(1000, 3e-9), (8000, 1e-9), (64000, 1.1e-9)], (1.1 / 3, 1000, 64000)),
            ([(1000, 2e-9), (8000, 2.2e-9), (64000, 1.9e-9)], None),
        ]
        for por_operacion, esperada in casos:
            with self.subTest(esperada=esperada):
                d = deriva(por_operacion)
                if esperada is None:
                    self.assertIsNone(d)
                else:
                    self.assertAlmostEqual(d.factor, esperada[0], places=6)
                    self.assertEqual((d.desde, d.hasta), esperada[1:])


if __name__ == "__main__":
    unittest.main()
