"""The command line end to end: small fake programs that report what a
real one would or fail in one way each, and one sweep of real programs at
small sizes."""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

from comun import BARRIDO, BIN, ConFalsos


class Fallos(ConFalsos):
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
                self.assertRegex(r.stdout, r"ajuste O2: t\(n\) ≈ 1e-09 \[.*\]·n\^2.00")  # bubble ran
                self.assertTrue((self.out / "bubble.tsv").exists())
                self.assertFalse((self.out / "insertion.tsv").exists())  # nothing measured

    def test_un_fallo_conserva_lo_medido(self):
        self.falso("bench_bubble", "falla_en_300")
        r = self.barrer("bubble", "--sizes", "100,200,300,400")
        self.assertEqual(r.returncode, 1)
        self.assertIn("incompleto: «bench_bubble 300» terminó con estado 3", r.stdout)
        lineas = self.tsv("bubble")
        self.assertEqual([l.split("\t")[0] for l in lineas[1:-1]], ["100", "200"])
        self.assertEqual(lineas[-1], "# incompleto: «bench_bubble 300» terminó con estado 3")
        self.assertIn("\tincompleto", (self.out / "resumen.tsv").read_text())

    def test_binario_que_falta(self):
        self.falso("bench_quicksort", "cuadratico")
        for args, falta in [(["--config", "O0,O2"], "bench_quicksort_O0"),
                            (["--measure", "time,counts"], "bench_quicksort_cuentas")]:
            with self.subTest(falta=falta):
                r = self.barrer("quicksort", "--sizes", "100,200", *args)
                self.assertEqual(r.returncode, 1)
                self.assertIn(f"falta {self.bin / falta}; se construye con"
                              " «cmake --workflow --preset default»", r.stderr)
                self.assertEqual(r.stdout, "")

    def test_configuracion_que_el_programa_no_tiene(self):
        self.falso("bench_mergesort", "cuadratico")
        r = self.barrer("mergesort", "--config", "O0", "--sizes", "100,200")
        self.assertEqual(r.returncode, 1)
        self.assertIn("mergesort: no tiene la configuración O0 (tiene O2, O3)", r.stderr)

    def test_errores_de_uso(self):
        for args in (["nada"], ["insertion", "--sizes", "10:1:x2"], ["insertion", "--config", "O1"],
                     ["insertion", "--bounds", "n^"], ["insertion", "--repeat", "0"],
                     ["insertion", "--measure", "tiempo"], ["insertion", "--precision", "200%"],
                     ["insertion", "--model", "n^2,m"], ["insertion", "--repeat", "5",
                                                          "--max-repeat", "4"]):
            with self.subTest(args=args):
                r = self.barrer(*args)
                self.assertEqual(r.returncode, 2)
                self.assertIn("sweep: error:", r.stderr)

    def test_salida_que_no_se_puede_escribir_se_rechaza_antes_de_medir(self):
        self.falso("bench_bubble", "anota")
        bloqueo = Path(self.tmp.name) / "fichero"
        bloqueo.write_text("")
        orden = self.orden("bubble", "--sizes", "100")[:-1] + [str(bloqueo / "dentro")]
        r = subprocess.run(orden, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        self.assertEqual(r.returncode, 2)
        self.assertIn("no se puede escribir en --out", r.stderr)
        self.assertFalse((self.bin / "registro.log").exists())


class Ficheros(ConFalsos):
    def test_dos_configuraciones_y_aviso_al_sobrescribir(self):
        self.falso("bench_insertion", "cuadratico")
        self.falso("bench_insertion_O0", "cuadratico")
        primera = self.barrer("insertion", "--config", "O2,O0", "--sizes", "100,200")
        self.assertEqual(primera.returncode, 0, primera.stderr)
        self.assertNotIn("sobrescribe", primera.stderr)
        self.assertIn("aceleración", primera.stdout)
        self.assertIn("ajuste O0", primera.stdout)
        # The second study first removes the files the first one listed: no
        # file of the first is overwritten, and none is left.
        segunda = self.barrer("insertion", "--sizes", "100,200")
        self.assertIn(f"se retiran los 6 ficheros del estudio anterior en {self.out}",
                      segunda.stderr)
        self.assertNotIn("sobrescribe", segunda.stderr)
        # A file that no study listed is overwritten with a warning.
        (self.out / "ficheros.txt").unlink()
        tercera = self.barrer("insertion", "--sizes", "100,200")
        self.assertIn(f"se sobrescribe {self.out / 'insertion.tsv'}", tercera.stderr)

    def test_sin_gnuplot_escribe_la_tabla_y_lo_dice_una_vez(self):
        self.falso("bench_bubble", "cuadratico")
        self.falso("bench_insertion", "cuadratico")
        entorno = dict(os.environ, PATH=str(self.bin))
        r = self.barrer("bubble", "insertion", "--sizes", "100,200", entorno=entorno)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stderr.count("apt-get install gnuplot-nox"), 1)
        self.assertEqual(sorted(p.name for p in self.out.iterdir()),
                         ["bubble.tsv", "ficheros.txt", "informe.md", "insertion.tsv",
                          "registro.json", "resumen.tsv"])
        # Without git on the path the record says so rather than failing.
        self.assertIn('"commit": "desconocido"', (self.out / "registro.json").read_text())

    def test_cuentas(self):
        self.falso("bench_bubble", "cuadratico")
        self.falso("bench_bubble_cuentas", "cuentas_cuadraticas")
        r = self.barrer("bubble", "--sizes", "100:1600:x2", "--measure", "time,counts")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertIn("veredicto cuentas: el número de comparaciones crece como n^2", r.stdout)
        self.assertIn("como las cuentas", r.stdout)
        fila = self.filas("bubble")[0]
        self.assertEqual((fila["comparaciones"], fila["escrituras"]), ("4950", "100.5"))
        resumen = [l.split("\t") for l in (self.out / "resumen.tsv").read_text().splitlines()]
        self.assertEqual([(f[1], f[2], f[7]) for f in resumen[1:]],
                         [("cuentas", "comparaciones", "n^2"), ("O2", "tiempo", "n^2")])

    def test_solo_cuentas(self):
        self.falso("bench_bubble_cuentas", "cuentas_cuadraticas")
        r = self.barrer("bubble", "--sizes", "100,200,400", "--measure", "counts")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual([(f["n"], f["configuracion"]) for f in self.filas("bubble")],
                         [("100", "cuentas"), ("200", "cuentas"), ("400", "cuentas")])


class Juntos(ConFalsos):
    def test_juntos(self):
        for programa in ("selection", "bubble", "insertion"):
            self.falso(f"bench_{programa}", "cuadratico")
        r = self.barrer("selection", "bubble", "insertion", "--together", "--sizes", "100:400:x2")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertIn("== juntos ==", r.stdout)
        self.assertIn("a 400: selection ×1.00", r.stdout)
        self.assertTrue((self.out / "juntos.tsv").exists())
        self.assertIn("## juntos: selection, bubble, insertion", (self.out / "informe.md").read_text())


@unittest.skipUnless((BIN / "bench_quicksort_O0").exists(), f"no está {BIN}/bench_quicksort_O0")
class Comparacion(unittest.TestCase):
    def test_dos_barridos_reales(self):
        # A sweep of the -O0 build against one of the -O2 build: compare pairs
        # them by program and size, and prints a summary line.
        with tempfile.TemporaryDirectory() as tmp:
            for configuracion in ("O0", "O2"):
                r = subprocess.run(
                    [sys.executable, str(BARRIDO), "quicksort", "--config", configuracion,
                     "--measure", "time", "--sizes", "10000,20000,40000", "--bin", str(BIN),
                     "--out", str(Path(tmp, configuracion))],
                    stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, timeout=120)
                self.assertEqual(r.returncode, 0, r.stderr)
            r = subprocess.run([sys.executable, str(BARRIDO), "compare", str(Path(tmp, "O0")),
                                str(Path(tmp, "O2"))], stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE, text=True, timeout=60)
            self.assertEqual(r.returncode, 0, r.stderr)
            self.assertIn("A: O0 frente a B: O2", r.stdout)
            self.assertEqual(len([l for l in r.stdout.splitlines()
                                  if l.startswith("quicksort  O0/O2")]), 3)
            self.assertRegex(r.stdout, r"(B es \S+ veces más (rápido|lento) que A|sin diferencia"
                                       r" significativa entre A y B) en quicksort")


@unittest.skipUnless((BIN / "bench_insertion_cuentas").exists(),
                     f"no está {BIN}/bench_insertion_cuentas")
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
            self.assertRegex(r.stdout, r"ajuste O2: t\(n\) ≈ \S+ \[\S+, \S+\]·n\^\d\.\d\d"
                                       r" \[\d\.\d\d, \d\.\d\d\]")
            self.assertIn("veredicto O2: ", r.stdout)
            # Insertion sort's comparisons on random input scatter too much at
            # these small sizes for the verdict to be the same every time.
            self.assertRegex(r.stdout, r"veredicto cuentas: el número de comparaciones"
                                       r" (crece como|no distingue)")
            filas = Path(tmp, "insertion.tsv").read_text().splitlines()
            self.assertEqual([f.split("\t")[0] for f in filas],
                             ["# estudio de eficiencia, formato 2", "n", "200", "400", "800",
                              "1600"])
            svg = Path(tmp, "insertion.svg")
            if shutil.which("gnuplot"):
                self.assertIn("<svg", svg.read_text())
            else:
                self.assertFalse(svg.exists())


if __name__ == "__main__":
    unittest.main()
