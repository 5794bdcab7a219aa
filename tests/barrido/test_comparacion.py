"""The comparison of two saved studies, on TSVs of synthetic values drawn
around known medians with known noise."""

import contextlib
import io
import json
import random
import re
import tempfile
import unittest
from pathlib import Path

import comun  # noqa: F401  (puts the package on the path)
from barrido.ordenes.comparacion import leer_estudio, main_comparar

TALLAS = [1000, 2000, 4000, 8000, 16000, 32000]
CABECERA = "n\tconfiguracion\tmediana\tminimo\tmaximo\tt/n\tvalores\tnotas"


def escribir(directorio: Path, programa: str, filas, azar, invocaciones=5, ruido=0.05):
    """A program TSV: (configuration, n, median) rows whose values are drawn
    with multiplicative noise of up to ±ruido, with comment lines about."""
    lineas = [CABECERA, "# una nota que no es una fila"]
    for configuracion, n, t in filas:
        valores = [t * (1 + azar.uniform(-ruido, ruido)) for _ in range(invocaciones)]
        lineas.append(f"{n}\t{configuracion}\t{t:.6g}\t0\t0\t0\t"
                      + ",".join(f"{v:.6g}" for v in valores) + "\t")
    lineas.append("# incompleto: faltan tallas")
    directorio.mkdir(exist_ok=True)
    (directorio / f"{programa}.tsv").write_text("\n".join(lineas) + "\n", encoding="utf-8")


def serie(configuraciones, factor=1.0, tallas=TALLAS):
    return [(c, n, factor * 7e-9 * n) for c in configuraciones for n in tallas]


class Comparar(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.a, self.b = Path(self.tmp.name, "a"), Path(self.tmp.name, "b")

    def tearDown(self):
        self.tmp.cleanup()

    def comparar(self, *opciones):
        salida, errores = io.StringIO(), io.StringIO()
        with contextlib.redirect_stdout(salida), contextlib.redirect_stderr(errores):
            estado = main_comparar([str(self.a), str(self.b), "--resamples", "500", *opciones])
        return estado, salida.getvalue(), errores.getvalue()

    def test_diferencia_conocida(self):
        # (factor of B's medians, summary's wording or None, expected factor)
        casos = [
            (0.5, "más rápido", 2.0),
            (2.0, "más lento", 2.0),
            (1.0, None, 1.0),
        ]
        for semilla in (1, 2, 3):
            for factor, palabras, esperado in casos:
                with self.subTest(semilla=semilla, factor=factor):
                    azar = random.Random(semilla)
                    escribir(self.a, "quicksort", serie(["O2"]), azar)
                    escribir(self.b, "quicksort", serie(["O2"], factor), azar)
                    estado, salida, _ = self.comparar("--seed", str(semilla))
                    self.assertEqual(estado, 0)
                    filas = [l for l in salida.splitlines() if l.startswith("quicksort  O2")]
                    marcadas = sum(l.endswith("*") for l in filas)
                    self.assertEqual(len(filas), len(TALLAS))
                    if palabras:
                        self.assertEqual(marcadas, len(TALLAS))
                        m = re.search(rf"B es (\S+) veces {palabras} que A en quicksort"
                                      r" \[(\S+), (\S+)\]", salida)
                        veces, inf, sup = map(float, m.groups())
                        self.assertLessEqual(inf, esperado)
                        self.assertLessEqual(esperado, sup)
                        self.assertAlmostEqual(veces, esperado, delta=0.05)
                    else:
                        self.assertLessEqual(marcadas, 1)
                        self.assertIn("sin diferencia significativa entre A y B en quicksort",
                                      salida)

    def test_emparejamiento(self):
        # (A's configurations, B's, B's sizes, heading, configuration column, pairs)
        casos = [
            (["O0"], ["O2"], TALLAS, "== insertion (A: O0 frente a B: O2) ==", "O0/O2", 6),
            (["O0", "O2"], ["O2"], TALLAS, "== insertion (O0 solo en A) ==", "O2", 6),
            (["O0", "O2"], ["O2", "O0"], TALLAS, "== insertion ==", "O0", 12),
            (["O2"], ["O2"], TALLAS[2:] + [64000], "== insertion (3 tallas sin pareja) ==",
             "O2", 4),
        ]
        for confs_a, confs_b, tallas_b, cabecera, columna, pares in casos:
            with self.subTest(confs_a=confs_a, confs_b=confs_b):
                azar = random.Random(1)
                escribir(self.a, "insertion", serie(confs_a), azar)
                escribir(self.b, "insertion", serie(confs_b, 0.5, tallas_b), azar)
                estado, salida, _ = self.comparar()
                self.assertEqual(estado, 0)
                self.assertIn(cabecera, salida.splitlines())
                self.assertIn(f"insertion  {columna}", salida)
                self.assertEqual(salida.count("insertion  O"), pares)

    def test_lee_solo_los_tsv_de_programa(self):
        azar = random.Random(1)
        escribir(self.a, "quicksort", serie(["O2", "O0"]), azar, invocaciones=3)
        (self.a / "resumen.tsv").write_text("programa\tajuste\nquicksort\tt(n)\n")
        (self.a / "notas.txt").write_text("n\tconfiguracion\tvalores\n")
        # A study that only counted: its lines have no values.
        (self.a / "insertion.tsv").write_text(CABECERA + "\tcomparaciones\n"
                                              "1000\tcuentas\t\t\t\t\t\t\t250000\n")
        estudio = leer_estudio(self.a)
        self.assertEqual(list(estudio), ["quicksort"])
        puntos = estudio["quicksort"].puntos
        self.assertEqual(sorted((p.configuracion, p.n) for p in puntos),
                         sorted((c, n) for c in ("O0", "O2") for n in TALLAS))
        self.assertTrue(all(len(p.valores) == 3 for p in puntos))

    def test_cocientes_que_no_caben_en_un_double(self):
        azar = random.Random(1)
        escribir(self.a, "quicksort", serie(["O2"]), azar)
        b = serie(["O2"])
        b[0] = ("O2", TALLAS[0], 1e-320)  # A/B past a double's range
        escribir(self.b, "quicksort", b, azar)
        estado, salida, _ = self.comparar()
        self.assertEqual(estado, 0)
        self.assertIn("sin cociente, por valores tan dispares que no cabe en un double: O2 n ="
                      f" {TALLAS[0]}", salida)
        self.assertEqual(salida.count("quicksort  O2"), len(TALLAS) - 1)
        self.assertNotIn("inf", salida)

    def test_registros(self):
        azar = random.Random(1)
        escribir(self.a, "heapsort", serie(["O2"]), azar)
        escribir(self.b, "heapsort", serie(["O2"]), azar)
        _, salida, _ = self.comparar()
        self.assertIn(f"A: sin registro.json en {self.a}", salida)
        registro = {"fecha": "hoy", "orden": "tools/sweep heapsort",
                    "maquina": {"procesador": "uno", "nucleos": 2}}
        (self.a / "registro.json").write_text(json.dumps(registro))
        (self.b / "registro.json").write_text(json.dumps(dict(registro, fecha="ayer")))
        _, salida, _ = self.comparar()
        self.assertIn("mismo registro, salvo la fecha y la orden", salida)
        registro["maquina"]["procesador"] = "otro"
        (self.b / "registro.json").write_text(json.dumps(registro))
        _, salida, _ = self.comparar()
        self.assertIn('maquina.procesador: A="uno" B="otro"', salida)
        self.assertNotIn("mismo registro", salida)

    def test_errores(self):
        # (what to do to B, message on standard error)
        casos = [
            (lambda b: None, "no existe el directorio"),
            (lambda b: b.mkdir(), "no tiene ningún TSV de programa"),
            (lambda b: (b.mkdir(), (b / "x.tsv").write_text(CABECERA + "\n1000\tO2\t1\t1\t1\t1"
                                                            "\t0.1,abc\t\n")),
             "x.tsv, línea 2: «0.1,abc» no es una lista de números"),
            (lambda b: (b.mkdir(), (b / "x.tsv").write_text(CABECERA + "\nmil\tO2\t1\t1\t1\t1"
                                                            "\t0.1\t\n")),
             "x.tsv, línea 2: la talla «mil» no es un entero"),
            (lambda b: (b.mkdir(), (b / "x.tsv").write_bytes(b"n\tconfiguracion\tvalores\n\xff")),
             "no se pudo leer"),
        ]
        escribir(self.a, "quicksort", serie(["O2"]), random.Random(1))
        for preparar, mensaje in casos:
            with self.subTest(mensaje=mensaje):
                with tempfile.TemporaryDirectory() as otro:
                    self.b = Path(otro, "b")
                    preparar(self.b)
                    estado, salida, errores = self.comparar()
                    self.assertEqual(estado, 1)
                    self.assertIn(mensaje, errores)
                    self.assertTrue(errores.startswith("sweep compare: "))
                    self.assertNotIn("Traceback", errores)
        with contextlib.redirect_stderr(io.StringIO()) as errores, \
                self.assertRaises(SystemExit) as salida:
            main_comparar([str(self.a), str(self.a), "--resamples", "5"])
        self.assertEqual(salida.exception.code, 2)
        self.assertIn("--resamples 5 fuera de lo admitido: de 100 a 100000", errores.getvalue())


if __name__ == "__main__":
    unittest.main()


class LaMaquina(unittest.TestCase):
    """compare with each study's reference samples in its record: a
    difference is claimed only beyond the machines' own."""

    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.a, self.b = Path(self.tmp.name, "a"), Path(self.tmp.name, "b")

    def tearDown(self):
        self.tmp.cleanup()

    def test_referencias_que_difieren(self):
        # (B's times over A's, the machine's reference in A and in B, the
        # summary's words)
        casos = [
            # The same program; B measured with the machine 1.3 times slower.
            (1.3, 2e-3, 2.6e-3, "sin diferencia significativa entre A y B en quicksort"),
            # B slower than its machine was: a difference beyond it.
            (2.0, 2e-3, 2.6e-3, "veces más lento que A en quicksort"),
            # B slower with a machine as fast: a difference.
            (1.3, 2e-3, 2e-3, "veces más lento que A en quicksort"),
            # B faster while its machine was slower: the machine cannot explain it.
            (0.8, 2e-3, 2.6e-3, "más rápido que A en quicksort"),
        ]
        for factor, ref_a, ref_b, palabras in casos:
            with self.subTest(factor=factor, ref_a=ref_a, ref_b=ref_b):
                azar = random.Random(3)
                escribir(self.a, "quicksort", serie(["O2"]), azar, ruido=0.01)
                escribir(self.b, "quicksort", serie(["O2"], factor), azar, ruido=0.01)
                for directorio, ref in ((self.a, ref_a), (self.b, ref_b)):
                    muestras = [ref * azar.uniform(0.97, 1.03) for _ in range(20)]
                    (directorio / "registro.json").write_text(json.dumps(
                        {"orden": "tools/sweep quicksort", "referencia": {"muestras_s": muestras}}))
                salida = io.StringIO()
                with contextlib.redirect_stdout(salida):
                    main_comparar([str(self.a), str(self.b), "--resamples", "500"])
                texto = salida.getvalue()
                self.assertIn(palabras, texto)
                # The table's ratios stay the raw ratios of medians.
                fila = next(l.split() for l in texto.splitlines()
                            if l.startswith("quicksort  O2") and l.split()[2] == "1000")
                self.assertAlmostEqual(float(fila[5]), 1 / factor, delta=0.05 / factor)
                self.assertIn("máquina: la carga de referencia tardó", texto)

    def test_sin_referencias(self):
        azar = random.Random(1)
        escribir(self.a, "quicksort", serie(["O2"]), azar)
        escribir(self.b, "quicksort", serie(["O2"], 0.5), azar)
        salida = io.StringIO()
        with contextlib.redirect_stdout(salida):
            main_comparar([str(self.a), str(self.b), "--resamples", "500"])
        self.assertIn("sin medidas de la carga de referencia en A ni en B", salida.getvalue())
        self.assertIn("veces más rápido que A en quicksort", salida.getvalue())
