"""The options checked whole before anything runs: each bad value gives one
line in Spanish naming the option, status 2; argparse speaks Spanish too."""

import contextlib
import io
import tempfile
import unittest

import comun  # noqa: F401  (puts the package on the path)
from barrido.ordenes.comparacion import main_comparar
from barrido.ordenes.opciones import analizador, leer_opciones


class Opciones(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()

    def tearDown(self):
        self.tmp.cleanup()

    def leer(self, *args):
        """(the options or None, standard error) of `sweep args`."""
        errores = io.StringIO()
        with contextlib.redirect_stderr(errores):
            try:
                return leer_opciones(["--out", self.tmp.name, *args]), errores.getvalue()
            except SystemExit as salida:
                self.assertEqual(salida.code, 2)
                return None, errores.getvalue()

    def test_valores_que_no_valen(self):
        # (arguments, what the one line says)
        casos = [
            (["insertion", "--budget", "inf"], "--budget inf fuera de lo admitido: mayor que 0 y"
                                               " como mucho 86400 segundos"),
            (["insertion", "--budget", "1e308"], "--budget 1e308 fuera de lo admitido"),
            (["insertion", "--budget", "1e7"], "--budget 1e7 fuera de lo admitido"),
            (["insertion", "--budget", "nan"], "--budget nan fuera de lo admitido"),
            (["insertion", "--budget", "0"], "--budget 0 fuera de lo admitido"),
            (["insertion", "--budget", "٣"], "--budget «٣» no es un número"),
            (["insertion", "--repeat", "1001"], "--repeat 1001 fuera de lo admitido: de 1 a 1000"),
            (["insertion", "--repeat", "9" * 5000], "--repeat 9999999999"),
            (["insertion", "--repeat", "2.5"], "--repeat «2.5» no es un número entero"),
            (["insertion", "--repeat", "5", "--max-repeat", "4"],
             "--max-repeat 4 no puede ser menor que --repeat 5"),
            (["insertion", "--seed", "1" + "0" * 19], "--seed 10000000000000000000 fuera de lo"),
            (["insertion", "--sizes="], "--sizes con un valor vacío"),
            (["insertion", "--bounds", ""], "--bounds con un valor vacío"),
            (["insertion", "--model", " "], "--model con un valor vacío"),
            (["insertion", "--out", ""], "--out con un valor vacío"),
            (["insertion", "--bin", ""], "--bin con un valor vacío"),
            (["insertion", "--precision", ""], "--precision con un valor vacío"),
            (["insertion", "--sizes", "٣"], "«٣» en «٣» no es una talla entera positiva"),
            (["insertion", "--sizes", "1:100000000:+1"], "el rango «1:100000000:+1» da más de"
                                                         " 1000 tallas"),
            (["insertion", "--sizes", "1:100000000:x1.0000001"], "da más de 1000 tallas"),
            (["insertion", "--bounds", "n^2,1/(n-n)"], "--bounds: «1/(n-n)» no tiene valor en"
                                                       " ninguna talla de insertion (en 500 no"
                                                       " está definida)"),
            (["insertion", "--bounds", "log(0)"], "(en 500 no está definida)"),
            (["insertion", "--bounds", "sqrt(-n)"], "(en 500 no está definida)"),
            (["insertion", "--bounds", "0"], "«0» no tiene valor en ninguna talla de insertion"
                                             " (en 500 no es positiva)"),
            (["hanoi", "--bounds", "9^9^9^9", "--sizes", "5,6"],
             "«9^9^9^9» no tiene valor en ninguna talla de --sizes (en 5 no cabe en un double)"),
            (["insertion", "--bounds", "n*" + "9" * 400], "demasiado larga: 402 caracteres"),
            (["insertion", "--model", "n,1e400*n"], "el número «1e400» no cabe en un double"),
            (["insertion", "--model", "n,n"], "--model n,n: el término «n» está repetido"),
            (["insertion", "--model", "n^n^n"], "--model: «n^n^n» no tiene valor en ninguna"
                                                " talla de insertion (en 500 no cabe en un"
                                                " double)"),
            (["insertion", "--sizes", "100,200,400", "--model", "n^3,n^2,n,1"],
             "--model n^3,n^2,n,1: un modelo de 4 términos necesita al menos 5 tallas en que todos tengan"
             " valor, y hay 3 de --sizes"),
            # argparse's own errors.
            (["insertion", "--bogus"], "no se reconoce «--bogus»"),
            ([], "falta PROGRAMA"),
            (["insertion", "--sizes"], "--sizes necesita un valor"),
            (["insertion", "--png=1"], "--png no lleva valor"),
        ]
        for args, mensaje in casos:
            with self.subTest(args=[a[:30] for a in args]):
                opciones, errores = self.leer(*args)
                self.assertIsNone(opciones)
                self.assertTrue(errores.startswith("sweep: error: "), errores)
                self.assertIn(mensaje, errores)
                self.assertTrue(errores.endswith(" (más en «tools/sweep --help»)\n"), errores)
                self.assertEqual(errores.count("\n"), 1)

    def test_valores_que_valen(self):
        # (arguments, (--repeat, --max-repeat, --budget))
        casos = [
            (["insertion"], (5, 15, 10.0)),
            (["insertion", "--repeat", "16"], (16, 16, 10.0)),
            (["insertion", "--repeat", "3", "--max-repeat", "3", "--budget", "86400"],
             (3, 3, 86400.0)),
            (["insertion", "--budget", " 0.5 "], (5, 15, 0.5)),
        ]
        for args, esperado in casos:
            with self.subTest(args=args):
                opciones, errores = self.leer(*args)
                self.assertEqual(errores, "")
                self.assertEqual((opciones.rondas, opciones.max_rondas, opciones.presupuesto),
                                 esperado)

    def test_compare(self):
        for remuestras in ("100000000", "99", "mil"):
            with self.subTest(remuestras=remuestras):
                errores = io.StringIO()
                with contextlib.redirect_stderr(errores), self.assertRaises(SystemExit) as salida:
                    main_comparar([self.tmp.name, self.tmp.name, "--resamples", remuestras])
                self.assertEqual(salida.exception.code, 2)
                self.assertTrue(errores.getvalue().startswith("sweep compare: error: --resamples"))
                self.assertEqual(errores.getvalue().count("\n"), 1)

    def test_la_ayuda_en_castellano(self):
        ayuda = analizador().format_help()
        for palabra in ("uso: tools/sweep ", "\nopciones:\n", "\nargumentos:\n",
                        "-h, --help            muestra esta ayuda y acaba"):
            self.assertIn(palabra, ayuda)
        # The maxima and the exit statuses, wherever the lines break.
        seguida = " ".join(ayuda.split())
        for palabra in ("como mucho 86400", "como mucho 1000 tallas", "de 1 a 1000",
                        "128 + la señal"):
            self.assertIn(palabra, seguida)
        for palabra in ("usage:", "options:", "show this help"):
            self.assertNotIn(palabra, ayuda)


if __name__ == "__main__":
    unittest.main()
