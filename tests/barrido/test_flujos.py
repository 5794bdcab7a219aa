"""Closed standard streams and paths that are not UTF-8: the study is
measured and written, the paths shown escaped, and at most one line says
what could not be said; never a traceback."""

import json
import os
import subprocess
import sys
import unittest
from pathlib import Path

from comun import BARRIDO, ConFalsos


def _cerrar(*descriptores):
    """A preexec_fn that starts the sweep with those descriptors closed."""
    def cerrar():
        for descriptor in descriptores:
            os.close(descriptor)
    return cerrar


class Flujos(ConFalsos):
    def barrer_con(self, cerrados=(), out=None, binarios=None):
        orden = self.orden("insertion", "--sizes", "100,200")
        if out is not None:
            self.out = out
            orden[orden.index("--out") + 1] = str(out)
        if binarios is not None:
            orden[orden.index("--bin") + 1] = str(binarios)
        return subprocess.run(orden, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              preexec_fn=_cerrar(*cerrados), timeout=60)

    def test_flujos_cerrados_y_rutas_que_no_son_utf8(self):
        self.falso("bench_insertion", "cuadratico")
        raro = Path(self.tmp.name, os.fsdecode(b"bin\xfe"))
        raro.mkdir()
        (raro / "bench_insertion").write_bytes((self.bin / "bench_insertion").read_bytes())
        (raro / "bench_insertion").chmod(0o755)
        # (case, closed descriptors, --out, --bin, what stdout shows escaped,
        # the one line on stderr about what could not be said)
        casos = [
            ("stdout cerrada", (1,), None, None, None, "la salida estándar se cerró"),
            ("stderr cerrada", (2,), None, None, None, None),
            ("las dos cerradas", (1, 2), None, None, None, None),
            ("--out no UTF-8", (), Path(self.tmp.name, os.fsdecode(b"out\xff")), None,
             "out\\xff/insertion.tsv", None),
            ("--bin no UTF-8", (), None, raro, None, None),
        ]
        for caso, cerrados, out, binarios, escapado, dicho in casos:
            with self.subTest(caso=caso):
                self.out = Path(self.tmp.name, "out")
                r = self.barrer_con(cerrados, out, binarios)
                errores = r.stderr.decode("utf-8")
                self.assertEqual(r.returncode, 0, errores)
                self.assertNotIn("Traceback", errores)
                self.assertNotIn("Error", errores)
                for fichero in ("insertion.tsv", "informe.md", "registro.json"):
                    self.assertTrue((self.out / fichero).exists(), fichero)
                registro = json.loads((self.out / "registro.json").read_text(encoding="utf-8"))
                if binarios is not None:
                    self.assertEqual(registro["plan"]["programas"], f"{self.tmp.name}/bin\\xfe")
                if escapado:
                    self.assertIn(escapado, r.stdout.decode("utf-8"))
                lineas = [l for l in errores.splitlines() if "salida estándar" in l]
                self.assertEqual(lineas, [l for l in lineas if dicho and dicho in l])
                self.assertLessEqual(len(lineas), 1)

    def test_compare_con_la_salida_cerrada(self):
        self.falso("bench_insertion", "cuadratico")
        self.assertEqual(self.barrer("insertion", "--sizes", "100,200").returncode, 0)
        r = subprocess.run([sys.executable, str(BARRIDO), "compare", str(self.out),
                            str(self.out)], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                           preexec_fn=_cerrar(1), timeout=60)
        errores = r.stderr.decode("utf-8")
        self.assertNotIn("Traceback", errores)
        self.assertLessEqual(len(errores.splitlines()), 1)


class ValoresLargos(unittest.TestCase):
    def test_cada_mensaje_corta_un_valor_largo(self):
        # (options with a value of 401 characters): one line of status 2
        # that quotes its head and length.
        largo = "x" * 401
        casos = [[largo], ["insertion", "--repeat", largo], ["insertion", "--repeat", "9" * 401],
                 ["insertion", "--budget", largo], ["insertion", "--sizes", largo],
                 ["insertion", "--sizes", "9" * 401], ["insertion", "--config", largo],
                 ["insertion", "--bounds", "n" * 150], ["insertion", "--model", "n" * 150],
                 ["insertion", "--measure", largo], ["insertion", "--precision", largo],
                 ["insertion", "--input", largo]]
        for args in casos:
            with self.subTest(args=[a[:20] for a in args]):
                r = subprocess.run([sys.executable, str(BARRIDO), *args], text=True,
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=60)
                self.assertEqual(r.returncode, 2, r.stderr)
                self.assertEqual(len(r.stderr.splitlines()), 1, r.stderr)
                self.assertRegex(r.stderr, r"… \((150|401) caracteres\)")
                self.assertLess(len(r.stderr), 300, r.stderr)


if __name__ == "__main__":
    unittest.main()
