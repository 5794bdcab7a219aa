"""The command line end to end: small fake programs that report what a
real one would or fail in one way each, and one sweep of real programs at
small sizes."""

import fcntl
import os
import resource
import shutil
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

from comun import BARRIDO, BIN, FALSOS, ConFalsos

from barrido.escritura.pagina import cargar_markdown

# Whether a sweep here writes informe.html (it needs Python-Markdown).
PAGINA = cargar_markdown() is not None


class Fallos(ConFalsos):
    def test_un_fallo_detiene_su_programa_y_no_los_demas(self):
        casos = [
            ("estado", "terminó con estado 1; su mensaje:\nERROR: la talla no vale"),
            ("senal", "murió por la señal SIGSEGV"),
            ("basura", "no escribió una línea «n segundos» sino 'hola\\n'"),
            ("otra_talla", "informó de la talla 7, no de 100"),
            ("dos_lineas", "no escribió una línea «n segundos»"),
            ("sin_numero", "no escribió una línea «n segundos»"),
            ("negativo", "informó de un tiempo negativo, -1e-05 s: solo el cronometraje por"
                         " repetición puede darlo, y esta talla no lo usa"),
            ("enorme", "informó de 1e+300 s, y la invocación entera duró"),
            ("infinito", "informó de un tiempo que no cabe en un double: 1e+999"),
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

    def test_cuentas_que_no_valen(self):
        # (counting build, size it fails at, message): the sizes before it kept.
        casos = [
            ("cuentas_enormes", 100, "dio comparaciones=100000000000… (301 caracteres), más de lo"
                                     " que cabe en los"),
            ("cuentas_infinitas", 100, "dio comparaciones=100000000000… (401 caracteres), que no"
                                       " cabe en un double"),
            ("cuentas_repetidas", 100, "dio dos veces la cuenta comparaciones"),
            ("cuentas_cambian", 200, "contó comparaciones, lecturas, y a las tallas anteriores"
                                     " comparaciones, escrituras"),
            # Counts named as a column of the files would be read back as it.
            ('echo "$1 comparaciones=5 valores=3"', 100, "dio la cuenta «valores», que es el"
                                                          " nombre de una columna"),
            ('echo "$1 n=5"', 100, "dio la cuenta «n», que es el nombre de una columna"),
            ('echo "$1 ns_por_comparacion=2"', 100, "dio la cuenta «ns_por_comparacion»"),
            ('echo "$1 estado=1 puntos=4"', 100, "dio la cuenta «estado»"),
        ]
        for clase, n, mensaje in casos:
            with self.subTest(clase=clase):
                if clase in FALSOS:
                    self.falso("bench_bubble_cuentas", clase)
                else:
                    (self.bin / "bench_bubble_cuentas").write_text(f"#!/bin/sh\n{clase}\n")
                    (self.bin / "bench_bubble_cuentas").chmod(0o755)
                r = self.barrer("bubble", "--sizes", "100,200,400", "--measure", "counts")
                self.assertEqual(r.returncode, 1)
                self.assertIn(f"bubble: barrido detenido: «bench_bubble_cuentas {n}» {mensaje}",
                              r.stderr)
                self.assertNotIn("Traceback", r.stderr)
                if n > 100:
                    self.assertEqual([f["n"] for f in self.filas("bubble")], ["100"])
                    self.assertTrue(self.tsv("bubble")[-1].startswith("# incompleto: «bench_"))

    def test_tiempos_en_el_borde(self):
        # A time of 0 is the clock's resolution; a negative one is the
        # repeated timing's own result (selection up to 2000), marked and
        # out of the fit, and a fault past it.
        self.falso("bench_bubble", "cero")
        r = self.barrer("bubble", "--sizes", "100,200")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertIn("<res: por debajo de 1e-06 s, la resolución útil del reloj; 0 s es el reloj"
                      " sin ver pasar el tiempo", r.stdout)
        self.falso("bench_selection", "negativo")
        r = self.barrer("selection", "--sizes", "1000,2000,3000")
        self.assertEqual(r.returncode, 1)
        self.assertEqual([(f["n"], f["notas"]) for f in self.filas("selection")],
                         [(n, "repeticion,bajo_resolucion,negativo,fuera_del_ajuste")
                          for n in ("1000", "2000")])
        self.assertIn("neg: una ejecución dio un tiempo negativo", r.stdout)
        self.assertIn("«bench_selection 3000» informó de un tiempo negativo", r.stderr)

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

    def test_lo_que_no_puede_medir_deja_el_estudio_anterior(self):
        # (options, --bin, status, the message): nothing can be measured, and
        # the previous study's files are left as they were.
        vacio = Path(self.tmp.name, "vacio")
        vacio.mkdir()
        casos = [
            ([], vacio, 1, f"insertion: falta {vacio / 'bench_insertion'}; se construye"),
            ([], "", 2, "sweep: error: --bin con un valor vacío"),
            (["--config", "O3"], self.bin, 1, "insertion: no tiene la configuración O3 (tiene"
                                              " O0, O2)"),
            (["--measure", "time,counts"], self.bin, 1, "insertion: falta"),
        ]
        self.falso("bench_insertion", "cuadratico")
        r = self.barrer("insertion", "--sizes", "100,200")
        self.assertEqual(r.returncode, 0, r.stderr)
        antes = {p.name: p.read_bytes() for p in self.out.iterdir()}
        for args, binarios, estado, mensaje in casos:
            with self.subTest(args=args, bin=binarios):
                orden = self.orden("insertion", "--sizes", "100,200", *args)
                orden[orden.index("--bin") + 1] = str(binarios)
                r = subprocess.run(orden, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                   text=True, timeout=60)
                self.assertEqual(r.returncode, estado, r.stderr)
                self.assertTrue(r.stderr.startswith(mensaje), r.stderr)
                self.assertNotIn("se retira", r.stderr)
                self.assertEqual({p.name: p.read_bytes() for p in self.out.iterdir()}, antes)

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
        self.assertIn(f"se retiran {7 + PAGINA} ficheros del estudio anterior en {self.out}",
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
                         ["bubble.tsv", "estudio.json", "ficheros.txt"] + ["informe.html"] * PAGINA
                         + ["informe.md", "insertion.tsv", "registro.json", "resumen.tsv"])
        # Without git on the path the record says so rather than failing.
        self.assertIn('"commit": "desconocido"', (self.out / "registro.json").read_text())

    def test_un_estudio_nuevo_retira_el_anterior_y_nada_mas(self):
        for programa in ("insertion", "floyd"):
            self.falso(f"bench_{programa}", "cuadratico")
        r = self.barrer("insertion", "floyd", "--together", "--sizes", "100,200")
        self.assertEqual(r.returncode, 0, r.stderr)
        (self.out / "mio.txt").write_text("de otro")
        r = self.barrer("insertion", "--sizes", "100,200")
        self.assertEqual(r.returncode, 0, r.stderr)
        presentes = sorted(p.name for p in self.out.iterdir())
        self.assertFalse([p for p in presentes if p.startswith(("floyd", "juntos", "."))])
        listados = (self.out / "ficheros.txt").read_text().splitlines()
        self.assertEqual(sorted(listados + ["ficheros.txt", "mio.txt"]), presentes)

    def test_otro_barrido_escribiendo_en_la_misma_salida(self):
        self.falso("bench_bubble", "anota")
        self.out.mkdir()
        descriptor = os.open(self.out, os.O_RDONLY)
        try:
            fcntl.flock(descriptor, fcntl.LOCK_EX)
            r = self.barrer("bubble", "--sizes", "100")
        finally:
            os.close(descriptor)
        self.assertEqual(r.returncode, 2)
        self.assertIn(f"otro barrido está escribiendo ahora en --out {self.out}", r.stderr)
        self.assertFalse((self.bin / "registro.log").exists())

    def test_un_fichero_que_no_cabe(self):
        # Files past 3500 bytes cannot be written, as on a full disk: the
        # others are written whole, and the sweep says what remains.
        self.falso("bench_insertion", "cuadratico")

        def limitar():
            resource.setrlimit(resource.RLIMIT_FSIZE, (3500, 3500))
        r = subprocess.run(self.orden("insertion", "--sizes", "100,200"), text=True,
                           stdout=subprocess.PIPE, stderr=subprocess.PIPE, preexec_fn=limitar,
                           env=dict(os.environ, PATH=str(self.bin)), timeout=60)
        self.assertEqual(r.returncode, 1)
        grande = ("(pasa del tamaño de fichero que se le permite; suba el límite (ulimit -f) o"
                  " libere espacio)")
        fallidos = f"informe.md {grande}" + f"; informe.html {grande}" * PAGINA
        self.assertIn(f"no se pudieron escribir en {self.out}: {fallidos}. Lo que queda: lo que"
                      " salió por la salida estándar y estudio.json, insertion.tsv, resumen.tsv,"
                      " registro.json, ficheros.txt", r.stderr)
        self.assertNotIn("Traceback", r.stderr)
        self.assertEqual(sorted(p.name for p in self.out.iterdir()),
                         ["estudio.json", "ficheros.txt", "insertion.tsv", "registro.json",
                          "resumen.tsv"])
        self.assertEqual([f["n"] for f in self.filas("insertion")], ["100", "200"])

    def test_salida_estandar_cerrada(self):
        # As under `tools/sweep ... | head -1`: the sweep goes on and writes
        # its files.
        self.falso("bench_insertion", "cuadratico")
        proceso = subprocess.Popen(self.orden("insertion", "--sizes", "100,200"), text=True,
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        proceso.stdout.close()
        with proceso.stderr:
            errores = proceso.stderr.read()
        self.assertEqual(proceso.wait(timeout=60), 0, errores)
        self.assertIn("la salida estándar se cerró (quien leía la salida la cerró): el barrido"
                      f" sigue y deja el estudio en {self.out}", errores)
        self.assertNotIn("Traceback", errores)
        self.assertNotIn("Exception", errores)
        self.assertTrue((self.out / "informe.md").exists())

    def test_cuentas(self):
        self.falso("bench_bubble", "cuadratico")
        self.falso("bench_bubble_cuentas", "cuentas_cuadraticas")
        r = self.barrer("bubble", "--sizes", "100:1600:x2", "--measure", "time,counts")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertIn("veredicto cuentas: el número de comparaciones crece como n^2", r.stdout)
        self.assertIn("las cuentas también crecen como n^2", r.stdout)
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
