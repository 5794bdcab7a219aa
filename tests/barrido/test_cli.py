"""The command line end to end: small fake programs that report what a
real one would or fail in one way each, and one sweep of a real program at
small sizes."""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

from comun import BARRIDO, BIN


# Fake programs: each prints what a real one would, or fails in one way.
FALSOS = {
    "cuadratico": 'echo "$1 $(( $1 * $1 ))e-09"',
    "estado": 'echo "ERROR: la talla no vale" >&2; exit 1',
    "senal": "kill -SEGV $$",
    "basura": 'echo "hola"',
    "otra_talla": 'echo "7 0.5"',
    "dos_lineas": 'echo "$1 0.5"; echo "$1 0.5"',
    "sin_numero": 'echo "$1 nan"',
    "lento": '[ "$1" -ge 300 ] && sleep 1; echo "$1 0.001"',
    # Reports 1, 1 and 7 seconds on successive calls, over and over.
    "uno_uno_siete": 'c=$(cat "$0.veces" 2>/dev/null || echo 0); echo $((c + 1)) > "$0.veces";'
                     ' case $((c % 3)) in 2) t=7;; *) t=1;; esac; echo "$1 $t"',
}


class ConFalsos(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.bin = Path(self.tmp.name) / "bin"
        self.out = Path(self.tmp.name) / "out"
        self.bin.mkdir()

    def tearDown(self):
        self.tmp.cleanup()

    def falso(self, binario, clase):
        ruta = self.bin / binario
        ruta.write_text("#!/bin/sh\n" + FALSOS[clase] + "\n")
        ruta.chmod(0o755)

    def barrer(self, *args, entorno=None):
        return subprocess.run(
            [sys.executable, str(BARRIDO), "--repeat", "1", *args, "--bin", str(self.bin),
             "--out", str(self.out)],
            stdout=subprocess.PIPE, stderr=subprocess.PIPE, universal_newlines=True,
            env=entorno, timeout=60,
        )

    def test_un_fallo_detiene_su_programa_y_no_los_demas(self):
        casos = [
            ("estado", "terminó con estado 1; su mensaje:\nERROR: la talla no vale"),
            ("senal", "murió por la señal SIGSEGV"),
            ("basura", "no escribió una línea «n segundos» sino 'hola\\n'"),
            ("otra_talla", "informó de la talla 7, no de 100"),
            ("dos_lineas", "no escribió una línea «n segundos»"),
            ("sin_numero", "no escribió una línea «n segundos»"),
        ]
        self.falso("bench_bubble", "cuadratico")
        for clase, mensaje in casos:
            with self.subTest(clase=clase):
                self.falso("bench_insertion", clase)
                r = self.barrer("insertion", "bubble", "--sizes", "100,200")
                self.assertEqual(r.returncode, 1)
                self.assertIn("insertion: barrido detenido: «bench_insertion 100» " + mensaje,
                              r.stderr)
                self.assertIn("ajuste O2: t(n) ≈ 1e-09·n^2.000", r.stdout)  # bubble still ran
                self.assertTrue((self.out / "bubble.tsv").exists())
                self.assertFalse((self.out / "insertion.tsv").exists())

    def test_binario_que_falta(self):
        self.falso("bench_quicksort", "cuadratico")
        r = self.barrer("quicksort", "--config", "O0,O2", "--sizes", "100,200")
        self.assertEqual(r.returncode, 1)
        self.assertIn(f"falta {self.bin / 'bench_quicksort_O0'}; se construye con"
                      " «cmake --workflow --preset default»", r.stderr)
        self.assertEqual(r.stdout, "")

    def test_configuracion_que_el_programa_no_tiene(self):
        self.falso("bench_mergesort", "cuadratico")
        r = self.barrer("mergesort", "--config", "O0", "--sizes", "100,200")
        self.assertEqual(r.returncode, 1)
        self.assertIn("mergesort: no tiene la configuración O0 (tiene O2, O3)", r.stderr)

    def test_presupuesto_omite_las_tallas_mayores(self):
        self.falso("bench_hanoi", "lento")
        r = self.barrer("hanoi", "--sizes", "100:500:+100", "--budget", "0.5")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertIn("omitidas O2: 400, 500 (una ejecución pasó del presupuesto)", r.stdout)
        self.assertEqual(len((self.out / "hanoi.tsv").read_text().splitlines()), 4)

    def test_dos_configuraciones_y_aviso_al_sobrescribir(self):
        self.falso("bench_insertion", "cuadratico")
        self.falso("bench_insertion_O0", "cuadratico")
        primera = self.barrer("insertion", "--config", "O2,O0", "--sizes", "100,200")
        self.assertEqual(primera.returncode, 0, primera.stderr)
        self.assertNotIn("sobrescribe", primera.stderr)
        self.assertIn("aceleración", primera.stdout)
        self.assertIn("ajuste O0", primera.stdout)
        segunda = self.barrer("insertion", "--sizes", "100,200")
        self.assertIn(f"se sobrescribe {self.out / 'insertion.tsv'}", segunda.stderr)

    def test_sin_gnuplot_escribe_la_tabla_y_lo_dice_una_vez(self):
        self.falso("bench_bubble", "cuadratico")
        self.falso("bench_insertion", "cuadratico")
        entorno = dict(os.environ, PATH=str(self.bin))
        r = self.barrer("bubble", "insertion", "--sizes", "100,200", entorno=entorno)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stderr.count("apt-get install gnuplot-nox"), 1)
        self.assertEqual(sorted(p.name for p in self.out.iterdir()),
                         ["bubble.tsv", "insertion.tsv"])

    def test_la_talla_da_la_mediana_de_sus_ejecuciones(self):
        self.falso("bench_bubble", "uno_uno_siete")
        r = self.barrer("bubble", "--sizes", "100,200", "--repeat", "3")
        self.assertEqual(r.returncode, 0, r.stderr)
        filas = [l.split("\t")[:5] for l in (self.out / "bubble.tsv").read_text().splitlines()]
        self.assertEqual(filas[1:], [["100", "O2", "1", "1", "7"], ["200", "O2", "1", "1", "7"]])

    def test_errores_de_uso(self):
        for args in (["nada"], ["insertion", "--sizes", "10:1:x2"], ["insertion", "--config", "O1"],
                     ["insertion", "--bounds", "n^"], ["insertion", "--repeat", "0"]):
            with self.subTest(args=args):
                r = self.barrer(*args)
                self.assertEqual(r.returncode, 2)
                self.assertIn("sweep: error:", r.stderr)


@unittest.skipUnless((BIN / "bench_insertion").exists(), f"no está {BIN}/bench_insertion")
class DeExtremoAExtremo(unittest.TestCase):
    def test_barrido_de_insercion(self):
        with tempfile.TemporaryDirectory() as tmp:
            r = subprocess.run(
                [sys.executable, str(BARRIDO), "insertion", "--sizes", "200:1600:x2",
                 "--repeat", "2", "--bin", str(BIN), "--out", tmp],
                stdout=subprocess.PIPE, stderr=subprocess.PIPE, universal_newlines=True,
                timeout=120,
            )
            self.assertEqual(r.returncode, 0, r.stderr)
            self.assertIn("t/n^1.8", r.stdout)
            self.assertRegex(r.stdout, r"ajuste O2: t\(n\) ≈ \S+·n\^\d\.\d{3}")
            self.assertIn("veredicto O2: el cociente más estable es", r.stdout)
            filas = Path(tmp, "insertion.tsv").read_text().splitlines()
            self.assertEqual([f.split("\t")[0] for f in filas], ["n", "200", "400", "800", "1600"])
            svg = Path(tmp, "insertion.svg")
            if shutil.which("gnuplot"):
                self.assertIn("<svg", svg.read_text())
            else:
                self.assertFalse(svg.exists())


if __name__ == "__main__":
    unittest.main()
