"""Tests of tools/sweep: size ranges, bounds, the fit and the verdict on
synthetic data, the table and TSV layout, failures of small fake programs,
and one sweep of a real program at small sizes.

The real programs are looked for in BENCH_BIN_DIR (CTest sets it), or else
in build/bin of the repository."""

import math
import os
import random
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

RAIZ = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(RAIZ / "tools"))

import sweep  # noqa: E402
from sweep import Cota, ErrorDeUso, Estudio, Punto  # noqa: E402

BARRIDO = RAIZ / "tools" / "sweep"
BIN = Path(os.environ.get("BENCH_BIN_DIR", RAIZ / "build" / "bin"))


class Tallas(unittest.TestCase):
    def test_listas_y_rangos(self):
        casos = [
            ("1000,2000,4000", [1000, 2000, 4000]),
            ("4000, 1000,1000", [1000, 4000]),
            ("1000:16000:x2", [1000, 2000, 4000, 8000, 16000]),
            ("1000:15999:x2", [1000, 2000, 4000, 8000]),
            ("10:30:+5", [10, 15, 20, 25, 30]),
            ("10:31:+5", [10, 15, 20, 25, 30]),
            ("7:7:+1", [7]),
            ("100:400:x1.5", [100, 150, 225, 338]),
            ("1:4:x1.1", [1, 2, 3, 4]),
            ("5,1:3:+1,100:400:x2", [1, 2, 3, 5, 100, 200, 400]),
        ]
        for texto, esperadas in casos:
            with self.subTest(texto=texto):
                self.assertEqual(sweep.analizar_tallas(texto), esperadas)

    def test_errores(self):
        for texto in ["", "1000,", "abc", "0", "-5", "1.5", "10:1:x2", "1:10:x1", "1:10:x0.5",
                      "1:10:+0", "1:10", "1:10:*2", "1:10:x", "1:10:+2:3", "0:10:+1"]:
            with self.subTest(texto=texto), self.assertRaises(ErrorDeUso):
                sweep.analizar_tallas(texto)


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
        ]
        for texto, n, esperado in casos:
            with self.subTest(texto=texto):
                self.assertAlmostEqual(Cota(texto)(n), esperado)

    def test_sin_valor_donde_no_es_finita_y_positiva(self):
        for texto, n in [("n*log(n)", 1), ("2.1^n", 5000), ("n - 5", 3), ("log(n - 5)", 2),
                         ("1/(n-2)", 2)]:
            with self.subTest(texto=texto):
                self.assertIsNone(Cota(texto)(n))

    def test_errores(self):
        for texto in ["", "n^", "n**2", "foo(n)", "m^2", "log n", "(n", "n)", "2n", "n;2",
                      "__import__(n)"]:
            with self.subTest(texto=texto), self.assertRaises(ErrorDeUso):
                Cota(texto)

    def test_columna(self):
        for texto, columna in [("n^2", "t/n^2"), ("n ^ 1.8", "t/n^1.8"), ("2.1^n", "t/2.1^n"),
                               ("n*log(n)", "t/(n*log(n))"), ("n", "t/n")]:
            self.assertEqual(Cota(texto).columna, columna)


def sinteticos(t, tallas, ruido=0.05, semilla=1):
    """(n, t(n)) with multiplicative noise of up to ±ruido."""
    azar = random.Random(semilla)
    return [(n, t(n) * (1 + azar.uniform(-ruido, ruido))) for n in tallas]


GEOMETRICAS = sweep.analizar_tallas("500:64000:x2")


class Ajuste(unittest.TestCase):
    def test_potencia(self):
        for b in (1.0, 1.5, 2.0, 3.0):
            with self.subTest(b=b):
                ajuste = sweep.ajustar(sinteticos(lambda n: 3e-9 * n**b, GEOMETRICAS), False)
                self.assertAlmostEqual(ajuste.tasa, b, delta=0.03)
                self.assertAlmostEqual(math.log(ajuste.constante), math.log(3e-9), delta=0.3)
                self.assertGreater(ajuste.r2, 0.99)

    def test_exponencial(self):
        for a in (1.5, 2.0, 2.1):
            with self.subTest(a=a):
                ajuste = sweep.ajustar(sinteticos(lambda n: 2e-9 * a**n, range(16, 29)), True)
                self.assertAlmostEqual(ajuste.tasa, a, delta=0.02)
                self.assertGreater(ajuste.r2, 0.99)

    def test_hacen_falta_dos_tallas(self):
        self.assertIsNone(sweep.ajustar([], False))
        self.assertIsNone(sweep.ajustar([(100, 1e-3), (100, 2e-3)], False))


class Veredicto(unittest.TestCase):
    def test_cota_mas_estable(self):
        casos = [
            (lambda n: 4e-10 * n**2, ("n^1.8", "n^2", "n^2.2"), "n^2", GEOMETRICAS, False),
            (lambda n: 7e-9 * n * math.log(n), ("n", "n*log(n)", "n^1.2"), "n*log(n)",
             sweep.analizar_tallas("1000:4096000:x2"), False),
            (lambda n: 2e-9 * n**3, ("n^2.8", "n^3", "n^3.2"), "n^3", range(100, 1001, 100),
             False),
            (lambda n: 3e-9 * 2**n, ("1.9^n", "2^n", "2.1^n"), "2^n", range(18, 29), True),
        ]
        for t, cotas, esperada, tallas, exponencial in casos:
            with self.subTest(esperada=esperada):
                pares = sinteticos(t, tallas, ruido=0.03)
                lista = sweep.tendencias(pares, [Cota(c) for c in cotas], exponencial)
                mejor = sweep.mas_estable(lista)
                self.assertEqual(mejor.cota.texto, esperada)
                self.assertAlmostEqual(mejor.constante / (t(tallas[-1]) / mejor.cota(tallas[-1])),
                                       1, delta=0.05)
                self.assertGreater(lista[0].factor, 1.25)  # the underestimate grows
                self.assertLess(lista[2].factor, 0.8)  # the overestimate falls


def estudio_de_ejemplo():
    """Two configurations of a program timed by repetition at small sizes,
    with one point below the clock's resolution."""
    programa = sweep.PROGRAMAS["mergesort"]
    estudio = Estudio(programa, ["O2", "O3"], [Cota("n"), Cota("n*log(n)")])
    for n, t2, t3 in [(1, 5e-8, 4e-8), (1000, 1e-4, 5e-5), (4000, 5e-4, 2.5e-4),
                      (16000, 2e-3, 1e-3)]:
        estudio.puntos.append(Punto(n, "O2", t2, t2 * 0.9, t2 * 1.2, n <= 2000))
        estudio.puntos.append(Punto(n, "O3", t3, t3, t3, n <= 2000))
    estudio.puntos.sort(key=lambda p: p.configuracion)
    return estudio


class Informe(unittest.TestCase):
    def test_tsv(self):
        self.assertEqual(
            sweep.tsv(estudio_de_ejemplo()).splitlines(),
            [
                "n\tconfiguracion\tmediana\tminimo\tmaximo\tt/n\tt/(n*log(n))\taceleracion\tnotas",
                "1\tO2\t5e-08\t4.5e-08\t6e-08\t5e-08\t\t1\t"
                "repeticion,bajo_resolucion,fuera_del_ajuste",
                "1000\tO2\t0.0001\t9e-05\t0.00012\t1e-07\t1.44765e-08\t1\t"
                "repeticion,fuera_del_ajuste",
                "4000\tO2\t0.0005\t0.00045\t0.0006\t1.25e-07\t1.5071e-08\t1\t",
                "16000\tO2\t0.002\t0.0018\t0.0024\t1.25e-07\t1.29128e-08\t1\t",
                "1\tO3\t4e-08\t4e-08\t4e-08\t4e-08\t\t1.25\t"
                "repeticion,bajo_resolucion,fuera_del_ajuste",
                "1000\tO3\t5e-05\t5e-05\t5e-05\t5e-08\t7.23824e-09\t2\t"
                "repeticion,fuera_del_ajuste",
                "4000\tO3\t0.00025\t0.00025\t0.00025\t6.25e-08\t7.53552e-09\t2\t",
                "16000\tO3\t0.001\t0.001\t0.001\t6.25e-08\t6.45638e-09\t2\t",
            ],
        )

    def test_tabla_alineada_con_notas_y_leyenda(self):
        lineas = sweep.tabla(estudio_de_ejemplo()).splitlines()
        cabecera, filas = lineas[0], lineas[1:9]
        titulos = cabecera.split()
        self.assertEqual(titulos, ["n", "conf", "t(n)", "s", "mín", "máx", "t/n", "t/(n*log(n))",
                                   "aceleración", "notas"])
        # Every number ends under the end of its column's heading.
        finales = [cabecera.index(t) + len(t) for t in ["n", "conf", "s", "mín", "máx", "t/n",
                                                        "t/(n*log(n))", "aceleración"]]
        for fila in filas:
            campos = fila.split()[:8]
            posicion, fin = 0, []
            for campo in campos:
                posicion = fila.index(campo, posicion) + len(campo)
                fin.append(posicion)
            self.assertEqual(fin, finales, fila)
        self.assertTrue(filas[0].endswith("rep <res *"))
        self.assertIn(" - ", filas[0])  # no n*log(n) ratio at n = 1
        self.assertTrue(filas[1].endswith("1.00  rep *"))
        self.assertTrue(filas[2].endswith("1.00"))
        self.assertTrue(filas[6].endswith("2.00"))
        self.assertEqual([l.split(":")[0] for l in lineas[9:]], ["rep", "<res", "*"])

    def test_puntos_fuera_del_ajuste(self):
        # (n, timed by repetition, median) of one series -> the sizes fitted.
        casos = [
            ([(1, False, 5e-8), (100, False, 1e-5), (200, False, 4e-5)], [100, 200]),
            ([(1000, True, 1e-4), (2000, True, 4e-4), (4000, False, 2e-3)], [1000, 2000, 4000]),
            ([(1000, True, 1e-4), (4000, False, 2e-3), (8000, False, 8e-3)], [4000, 8000]),
            ([(1000, True, 1e-4), (2000, True, 4e-4)], [1000, 2000]),
            ([(10, True, 1e-7), (2000, True, 4e-4), (4000, False, 2e-3), (8000, False, 2e-7)],
             [2000, 4000]),
        ]
        for puntos, ajustadas in casos:
            with self.subTest(puntos=puntos):
                estudio = Estudio(sweep.PROGRAMAS["selection"], ["O2"], [Cota("n^2")])
                estudio.puntos = [Punto(n, "O2", t, t, t, rep) for n, rep, t in puntos]
                self.assertEqual([n for n, _ in estudio.ajustables("O2")], ajustadas)

    def test_veredicto(self):
        lineas = sweep.veredicto(estudio_de_ejemplo())
        self.assertIn("ajuste O2: t(n) ≈ 1.25e-07·n^1.000  (R² = 1.0000; 2 de 4 puntos)",
                      lineas[0])
        self.assertIn("t/n casi constante ×1; t/(n*log(n)) casi constante ×0.857", lineas[1])
        self.assertIn("el cociente más estable es t/n, que se asienta en 1.25e-07", lineas[2])


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
            if sweep.shutil.which("gnuplot"):
                self.assertIn("<svg", svg.read_text())
            else:
                self.assertFalse(svg.exists())


if __name__ == "__main__":
    unittest.main()
