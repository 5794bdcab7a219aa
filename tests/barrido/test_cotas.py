"""Candidate bounds: their values, where they have none, the texts they
refuse and the headings of their ratio columns."""

import math
import re
import unittest

import comun  # noqa: F401  (puts the package on the path)
from barrido.datos.cotas import Cota
from barrido.datos.errores import ErrorDeUso


class Cotas(unittest.TestCase):
    def test_valores(self):
        casos = [
            ("n^2", 10, 100.0),
            ("n*log(n)", math.e, math.e),
            ("2^n", 10, 1024.0),
            ("2.1^n", 2, 4.41),
            ("2^3^2", 1, 512.0),
            ("-n^2 + 2*n^2", 3, 9.0),
            ("n^3/(n - 1)", 3, 13.5),
            ("n * log2(n) ^ 2", 8, 72.0),
            ("sqrt(n)*log10(n)", 100, 20.0),
            ("(n+1)*(n-1)", 5, 24.0),
            ("1.5e2*n", 2, 300.0),
            ("n**2", 10, 100.0),
            ("2**3^2", 1, 512.0),
            ("2^-1*n", 4, 2.0),
            ("exp(n)/exp(n-1)", 3, math.e),
        ]
        for texto, n, esperado in casos:
            with self.subTest(texto=texto):
                self.assertAlmostEqual(Cota(texto)(n), esperado)

    def test_sin_valor_donde_no_es_finita_y_positiva(self):
        # (bound, n, why it has no value there)
        for texto, n, motivo in [("n*log(n)", 1, "no es positiva"),
                                 ("2.1^n", 5000, "no cabe en un double"),
                                 ("n - 5", 3, "no es positiva"),
                                 ("log(n - 5)", 2, "no está definida"),
                                 ("1/(n-2)", 2, "no está definida"),
                                 ("(-8)^(1/3)", 1, "no está definida"),
                                 ("9^9^9^9", 1, "no cabe en un double"),
                                 ("exp(n)", 1000, "no cabe en un double")]:
            with self.subTest(texto=texto):
                self.assertIsNone(Cota(texto)(n))
                self.assertEqual(Cota(texto).sin_valor(n), motivo)

    def test_errores(self):
        # (text, what the message says): bad syntax keeps the messages of the
        # hand-written parser this one replaced.
        casos = [
            ("", "cota vacía"),
            ("n^", "acaba antes de tiempo"),
            ("(n", "falta «)»"),
            ("n)", "sobra «)»"),
            ("log n", "no se entiende"),
            ("2n", "no se entiende"),
            ("n;2", "no se entiende"),
            ("m^2", "«m» no es n ni una de las funciones log, log2, log10, sqrt, exp"),
            ("foo(n)", "«foo» no es n ni una"),
            ("log", "falta «(» tras log"),
            ("log(n, 2)", "log lleva un solo argumento"),
            ("1e400*n", "el número «1e400» no cabe en un double"),
            ("n*" + "9" * 400, "demasiado larga: 402 caracteres, y como mucho 200"),
            ("(" * 150 + "n" + ")" * 150, "demasiado larga"),
            ("n\0", "no se entiende"),
        ]
        for texto, motivo in casos:
            with self.subTest(texto=texto), self.assertRaisesRegex(ErrorDeUso, re.escape(motivo)):
                Cota(texto)

    def test_solo_admite_lo_de_la_lista(self):
        # Python's parser accepts all of these; the allow-list must not.
        for texto in ["__import__(n)", "n.real", "n.__class__", "(n)[0]", "x", "abs(n)",
                      "(lambda m: m)(n)", "[n for n in (1, 2)]", "sum(n for n in (1,))",
                      "{n: 1}", "'n'", "2j*n", "True*n", "n if n else 1", "n < 2", "n // 2",
                      "n % 2", "n & 1", "+n", "~n", "log(n=2)", "math.log(n)", "(n, n)",
                      "n := 2"]:
            with self.subTest(texto=texto), self.assertRaises(ErrorDeUso):
                Cota(texto)

    def test_columna(self):
        for texto, columna in [("n^2", "t/n^2"), ("n ^ 1.8", "t/n^1.8"), ("2.1^n", "t/2.1^n"),
                               ("n*log(n)", "t/(n*log(n))"), ("n", "t/n")]:
            self.assertEqual(Cota(texto).columna, columna)

    def test_logaritmo(self):
        # (text, n, log f(n) or None): finite where f(n) overflows a double.
        casos = [("2^n", 2000, 2000 * math.log(2)), ("n^3", 1e200, 600 * math.log(10)),
                 ("n*log(n)", 1000, math.log(1000) + math.log(math.log(1000))),
                 ("exp(n)/exp(n-1)", 3000, 1.0), ("n^2 - n^2 + n", 1e9, math.log(1e9)),
                 ("-(-2)^3 * sqrt(n)/log2(n)", 16, math.log(8)), ("n - 1", 1, None),
                 ("(-8)^(1/3)", 1, None), ("1/(n-2)", 2, None), ("log(n - 5)", 2, None)]
        for texto, n, esperado in casos:
            with self.subTest(texto=texto, n=n):
                log = Cota(texto).logaritmo(n)
                if esperado is None:
                    self.assertIsNone(log)
                else:
                    self.assertAlmostEqual(log, esperado, delta=1e-12 * esperado)


if __name__ == "__main__":
    unittest.main()
