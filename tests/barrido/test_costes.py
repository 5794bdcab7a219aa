"""The costs of the machine's events, fitted to synthetic times made from
synthetic events with known costs."""

import importlib.util
import random
import unittest

import comun  # noqa: F401  (puts tools/ on the path)
from barrido.estadistica.costes import EVENTOS, Punto, ajustar, costes
from barrido.redaccion.eventos import texto_costes as texto
from barrido.datos.errores import ErrorDeUso

HAY_SCIPY = all(importlib.util.find_spec(m) for m in ("numpy", "scipy"))

# Seconds per instruction, mispredicted branch, L1d miss, last-level miss.
VERDAD = {"instrucciones": 0.3e-9, "saltos_fallidos": 5e-9, "fallos_l1d": 2e-9,
          "fallos_ll": 60e-9}
TALLAS = [1000, 2000, 4000, 8000, 16000, 32000, 64000, 128000]


def puntos(ruido=0.01, verdad=VERDAD, semilla=3, sin=()):
    """Three kinds of input a size whose events grow each their own way,
    and their time from the known costs, times 1 ± ruido."""
    azar = random.Random(semilla)
    resultado = []
    for n in TALLAS:
        for entrada, fallidos in (("aleatoria", 0.3), ("ordenada", 0.001), ("inversa", 0.01)):
            eventos = {"instrucciones": 20 * n * azar.uniform(0.9, 1.1) * (1 + n / 8000),
                       "saltos_fallidos": fallidos * n * (1 + n / 8000),
                       "fallos_l1d": 0.1 * n * max(0.0, n / 4000 - 0.5) * azar.uniform(0.5, 1),
                       "fallos_ll": 0.05 * n * max(0.0, n / 16000 - 1) * azar.uniform(0.5, 1)}
            for e in sin:
                eventos[e] = 0.0
            tiempo = sum(verdad[e] * eventos[e] for e in EVENTOS)
            resultado.append(Punto(n, entrada, tiempo * (1 + azar.uniform(-ruido, ruido)),
                                   eventos))
    return resultado


@unittest.skipUnless(HAY_SCIPY, "faltan numpy o scipy: instale python3-numpy y python3-scipy"
                                " (tools/preparar los instala)")
class Costes(unittest.TestCase):
    def test_costes_conocidos(self):
        # (noise, largest relative error of each cost, of the prediction)
        for ruido, tolerancia, prediccion in ((0.0, 1e-6, 1e-6), (0.01, 0.15, 0.05)):
            with self.subTest(ruido=ruido):
                r = costes(puntos(ruido), remuestras=200)
                for e, c in VERDAD.items():
                    self.assertLess(abs(r.costes[e] / c - 1), tolerancia, e)
                    bajo, alto = r.intervalos[e]
                    self.assertLessEqual(bajo, r.costes[e] * (1 + 1e-9))
                    self.assertGreaterEqual(alto, r.costes[e] * (1 - 1e-9))
                    self.assertTrue(bajo * (1 - 1e-9) <= c <= alto * (1 + 1e-9), e)
                self.assertLess(r.residuo_maximo, ruido * 2.5 + 1e-9)
                self.assertEqual(r.prediccion.tallas, [64000, 128000])
                self.assertEqual(len(r.prediccion.errores), 6)
                self.assertLess(r.prediccion.error_maximo, prediccion)

    def test_partes(self):
        datos = puntos(0.0)
        r = costes(datos, remuestras=10)
        for e in EVENTOS:
            esperada = sum(VERDAD[e] * p.eventos[e] / p.tiempo for p in datos) / len(datos)
            self.assertAlmostEqual(r.partes[e], esperada, places=6)
        self.assertAlmostEqual(sum(r.partes.values()), 1, places=6)

    def test_costes_no_negativos(self):
        # Times that mispredictions lower: least squares would give them a
        # negative cost; here it is 0, and the others stay close.
        verdad = dict(VERDAD, saltos_fallidos=-1e-9)
        r = ajustar(puntos(0.0, verdad))
        self.assertEqual(r["saltos_fallidos"], 0)
        self.assertTrue(all(c >= 0 for c in r.values()))

    def test_evento_ausente(self):
        # No point outgrows the last-level cache: its cost is not known.
        r = costes(puntos(0.0, sin=("fallos_ll",)), remuestras=10)
        self.assertIsNone(r.costes["fallos_ll"])
        self.assertIsNone(r.intervalos["fallos_ll"])
        lineas = texto(r)
        self.assertIn("por fallo de la última caché: no se sabe", lineas[3])
        self.assertRegex(lineas[0], r"^por instrucción: 0\.3 ns \[0\.3, 0\.3\], \d+ % del tiempo$")
        self.assertRegex(lineas[-1], r"^predicción de 64000, 128000 ajustando sin ellas")

    def test_datos_que_no_valen(self):
        bueno = puntos(0.0)
        casos = [
            (bueno[:4], "al menos 5 puntos"),
            (bueno[:-1] + [Punto(1, "x", 0.0, bueno[0].eventos)], "mayor que 0"),
            (bueno[:-1] + [Punto(1, "x", 1.0, {"instrucciones": 5})], "faltan los eventos"),
            (bueno[:-1] + [Punto(1, "x", 1.0, dict(bueno[0].eventos, fallos_l1d=-1))],
             "negativo"),
        ]
        for datos, error in casos:
            with self.subTest(error=error), self.assertRaisesRegex(ErrorDeUso, error):
                costes(datos, remuestras=10)

    def test_pocas_tallas_para_predecir(self):
        datos = [p for p in puntos(0.0) if p.n <= 2000]
        r = costes(datos, remuestras=10)
        self.assertIsNone(r.prediccion)
        self.assertEqual(texto(r)[-1], "predicción: pocas tallas para ajustar sin las mayores")


if __name__ == "__main__":
    unittest.main()
