"""compare on the store and on damaged studies: every file it cannot read
is named with the line at fault and not taken for a missing program, a
record it cannot read is one line, and only regular files are opened."""

import contextlib
import io
import os
import random
import shutil
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

from comun import BARRIDO
from test_comparacion import CABECERA, escribir, serie

from barrido.datos.almacen import Almacen, guardar
from barrido.datos.cotas import Cota
from barrido.datos.estudio import Estudio, Punto
from barrido.datos.programas import PROGRAMAS
from barrido.ordenes.comparacion import leer_estudio, main_comparar


class Danados(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.a, self.b = Path(self.tmp.name, "a"), Path(self.tmp.name, "b")
        for lado in (self.a, self.b):
            escribir(lado, "quicksort", serie(["O2"]), random.Random(1))
            escribir(lado, "insertion", serie(["O2"]), random.Random(2))

    def tearDown(self):
        self.tmp.cleanup()

    def comparar(self):
        salida, errores = io.StringIO(), io.StringIO()
        with contextlib.redirect_stdout(salida), contextlib.redirect_stderr(errores):
            estado = main_comparar([str(self.a), str(self.b), "--resamples", "200"])
        return estado, salida.getvalue(), errores.getvalue()

    def test_un_tsv_que_no_se_puede_leer(self):
        # (what insertion.tsv of B holds, what the message says of it)
        buena = CABECERA + "\n1000\tO2\t1\t1\t1\t1\t0.1\t\n"
        casos = [
            (b"", "insertion.tsv: está vacío"),
            (b"\n\n\n", "insertion.tsv: está vacío"),
            (b"# solo un comentario\n", "insertion.tsv: no tiene cabecera"),
            (b"n\tconfiguracion\tmediana\n1000\tO2\t1\n",
             "insertion.tsv, línea 1: la cabecera no tiene la columna valores"),
            (buena.encode()[:60] + b"\0" + buena.encode()[60:], "línea 2: tiene bytes nulos"),
            (b"n\tconfiguracion\tvalores\n\xff\n", "no se pudo leer"),
        ]
        for contenido, mensaje in casos:
            with self.subTest(mensaje=mensaje):
                (self.b / "insertion.tsv").write_bytes(contenido)
                estado, salida, errores = self.comparar()
                self.assertEqual(estado, 1)
                self.assertIn(f"sweep compare: {self.b / 'insertion.tsv'}"
                              if "no se pudo" not in mensaje else mensaje, errores)
                self.assertIn(mensaje, errores)
                self.assertIn("insertion ilegible en B", salida)
                self.assertNotIn("solo en", salida)
                # The program that could be read is compared all the same.
                self.assertIn("== quicksort ==", salida)

    def test_marca_de_orden_de_bytes(self):
        texto = (self.b / "insertion.tsv").read_text()
        (self.b / "insertion.tsv").write_text("\ufeff" + texto, encoding="utf-8")
        estado, salida, errores = self.comparar()
        self.assertEqual((estado, errores), (0, ""))
        self.assertIn("== insertion ==", salida)

    def test_una_fifo_no_se_espera(self):
        (self.b / "insertion.tsv").unlink()
        os.mkfifo(self.b / "insertion.tsv")
        estado, salida, errores = self.comparar()
        self.assertEqual(estado, 1)
        self.assertIn("insertion.tsv no es un fichero regular", errores)

    def test_registro_ilegible_es_una_linea(self):
        casos = [("[" * 100000 + "]" * 100000, "anidado demasiado hondo"),
                 ('{"fecha": ', "registro.json ilegible en"),
                 ("[1, 2]", "no es un objeto"),
                 # Deep enough to load from a shallow stack, too deep to
                 # compare key by key: one line either way.
                 ('{"a":' * 985 + "1" + "}" * 985, "anidado demasiado hondo")]
        for texto, mensaje in casos:
            with self.subTest(mensaje=mensaje):
                (self.a / "registro.json").write_text(
                    texto.replace("1", "2") if texto.startswith('{"a"') else '{"fecha": "hoy"}')
                (self.b / "registro.json").write_text(texto)
                estado, salida, errores = self.comparar()
                self.assertEqual((estado, errores), (0, ""))
                lineas = [l for l in salida.splitlines() if mensaje in l]
                self.assertIn(len(lineas), (1, 2), salida)  # one per record at most
                self.assertLess(max(map(len, lineas)), 300)


    def test_registro_demasiado_hondo_para_comparar(self):
        # Through the command, whose stack is shallow enough to load it.
        profundo = '{"a":' * 985 + "1" + "}" * 985
        (self.a / "registro.json").write_text(profundo)
        (self.b / "registro.json").write_text(profundo.replace("1", "2"))
        r = subprocess.run([sys.executable, str(BARRIDO), "compare", str(self.a), str(self.b),
                            "--resamples", "200"], capture_output=True, text=True, timeout=60)
        self.assertEqual((r.returncode, r.stderr), (0, ""))
        self.assertEqual(len([l for l in r.stdout.splitlines() if "anidado" in l]), 1)


class DelAlmacen(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.dir = Path(self.tmp.name)

    def tearDown(self):
        self.tmp.cleanup()

    def test_se_lee_el_almacen_y_no_los_tsv(self):
        e = Estudio(PROGRAMAS["insertion"], ["O2"], [Cota("n^2")], entrada="inversa")
        e.puntos = [Punto(n, "O2", [1e-9 * n * n, 1.1e-9 * n * n], False) for n in (100, 200)]
        # Counts named as the files' columns are names only.
        e.cuentas = {n: {"valores": 7.0, "n": 9.0} for n in (100, 200, 400)}
        (self.dir / "estudio.json").write_text(guardar(Almacen({}, [e])))
        (self.dir / "insertion.tsv").write_text("no es de este estudio\n")
        leidos = leer_estudio(self.dir)
        self.assertEqual(list(leidos), ["insertion.inversa"])
        leido = leidos["insertion.inversa"]
        self.assertEqual([(p.n, p.valores) for p in leido.puntos],
                         [(100, [1e-05, 1.1e-05]), (200, [4e-05, 4.4e-05])])
        self.assertEqual(leido.cuentas[400], {"valores": 7.0, "n": 9.0})

    def test_contra_un_estudio_anterior_con_su_precision(self):
        # The same times, one side in the store at full precision and the
        # other in a TSV to 6 digits: no difference.
        a, b = self.dir / "a", self.dir / "b"
        valores = [1.23456789e-5] * 5
        e = Estudio(PROGRAMAS["insertion"], ["O2"], [Cota("n^2")])
        e.puntos = [Punto(n, "O2", [v * n for v in valores], False) for n in (1, 2, 4)]
        a.mkdir()
        (a / "estudio.json").write_text(guardar(Almacen({}, [e])))
        b.mkdir()
        (b / "insertion.tsv").write_text(CABECERA + "\n" + "".join(
            f"{n}\tO2\t0\t0\t0\t0\t{','.join(format(v * n, '.6g') for v in valores)}\t\n"
            for n in (1, 2, 4)))
        salida = io.StringIO()
        with contextlib.redirect_stdout(salida), contextlib.redirect_stderr(io.StringIO()):
            estado = main_comparar([str(a), str(b), "--resamples", "200"])
        self.assertEqual(estado, 0)
        self.assertIn("sin diferencia significativa", salida.getvalue())
        self.assertNotIn("]  *", salida.getvalue())

    def test_un_almacen_danado_es_un_error(self):
        for contenido in ("{", '{"formato": 9}'):
            with self.subTest(contenido=contenido):
                (self.dir / "estudio.json").write_text(contenido)
                otro = self.dir / "otro"
                shutil.rmtree(otro, ignore_errors=True)
                escribir(otro, "insertion", serie(["O2"]), random.Random(1))
                errores = io.StringIO()
                with contextlib.redirect_stdout(io.StringIO()), \
                        contextlib.redirect_stderr(errores):
                    estado = main_comparar([str(self.dir), str(otro), "--resamples", "200"])
                self.assertEqual(estado, 1)
                self.assertEqual(len(errores.getvalue().splitlines()), 1, errores.getvalue())
                self.assertIn("estudio.json", errores.getvalue())


if __name__ == "__main__":
    unittest.main()
