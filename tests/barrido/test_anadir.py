"""A study is never lost to a repeat: the commands that repeat a plan write
elsewhere, and --append adds invocations of the same plan to the study in
its folder, refusing any other plan or binary with the study left as it
was."""

import json
import shlex
import subprocess
import sys
import unittest

from comun import BARRIDO, ConFalsos
from barrido.ordenes.opciones import leer_opciones


class Repetir(unittest.TestCase):
    def test_cada_orden_con_su_salida(self):
        # hanoi measured fewer sizes, so the study repeats with two commands:
        # neither writes into the study, nor into the other's folder.
        opciones = leer_opciones(["selection", "hanoi", "--out", "/tmp/estudio"])
        ordenes = opciones.repetir({"selection": [16, 17], "hanoi": [16]})
        salidas = [shlex.split(o)[shlex.split(o).index("--out") + 1] for o in ordenes]
        self.assertEqual(salidas, ["/tmp/estudio-repeticion-1", "/tmp/estudio-repeticion-2"])
        una = leer_opciones(["hanoi", "--out", "/tmp/estudio/"]).repetir({"hanoi": [16]})
        self.assertIn("--out /tmp/estudio-repeticion", una[0])


class Anadir(ConFalsos):
    def anadir(self, *args):
        return subprocess.run([sys.executable, str(BARRIDO), "--append", str(self.out), *args],
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                              timeout=60)

    def estudio(self):
        self.falso("bench_bubble", "cuadratico")
        r = self.barrer("bubble", "--sizes", "100,200,400", "--repeat", "2", "--seed", "3")
        self.assertEqual(r.returncode, 0, r.stderr)
        return {f["n"]: f["valores"] for f in self.filas("bubble")}

    def test_anade_invocaciones_al_mismo_plan(self):
        antes = self.estudio()
        r = self.anadir("--sizes", "200,400", "--repeat", "3")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertNotIn("se retira", r.stderr)
        despues = {f["n"]: f["valores"] for f in self.filas("bubble")}
        cuantas = {n: len(v.split(",")) for n, v in despues.items()}
        self.assertEqual(cuantas, {"100": 2, "200": 5, "400": 5})
        for n, valores in antes.items():  # the old invocations are kept, first
            self.assertTrue(despues[n].startswith(valores), n)
        registro = json.loads((self.out / "registro.json").read_text())
        self.assertEqual(registro["plan"]["tallas"], {"bubble": [100, 200, 400]})
        self.assertIn("--sizes 200,400", registro["anadidos"][0])
        self.assertIn("--out", registro["repetir"][0])

    def test_se_rechaza_otro_plan_u_otro_binario(self):
        self.estudio()
        otro = self.bin.parent / "otros"
        otro.mkdir()
        (otro / "bench_bubble").write_text("#!/bin/sh\necho \"$1 0.001\"\n")
        (otro / "bench_bubble").chmod(0o755)
        copia = self.bin.parent / "copia"
        copia.mkdir()
        (copia / "bench_bubble").write_bytes((self.bin / "bench_bubble").read_bytes())
        (copia / "bench_bubble").chmod(0o755)
        # (arguments -> the refusal's words; None: accepted)
        casos = [
            (["--sizes", "800"], "no midió 800"),
            (["--bin", str(otro)], "no es el binario que midió"),
            (["--bin", str(self.bin.parent / "nada")], "falta"),
            (["insertion"], "no midió insertion"),
            (["--config", "O3"], "no se reconoce"),
            (["--bin", str(copia), "--repeat", "1"], None),  # the same binary, moved
        ]
        for args, motivo in casos:
            with self.subTest(args=args):
                antes = (self.out / "bubble.tsv").read_text()
                r = self.anadir(*args)
                if motivo is None:
                    self.assertEqual(r.returncode, 0, r.stderr)
                    continue
                self.assertEqual(r.returncode, 2)
                self.assertIn(motivo, r.stderr)
                self.assertEqual(len(r.stderr.strip().splitlines()), 1, r.stderr)
                self.assertEqual((self.out / "bubble.tsv").read_text(), antes)

    def test_solo_los_programas_nombrados(self):
        # A study of two programs: the command the hints give (orden_de_anadir)
        # adds to the program it names, and to no other.
        self.falso("bench_bubble", "cuadratico")
        self.falso("bench_selection", "cuadratico")
        r = self.barrer("bubble", "selection", "--repeat", "2", "--seed", "3",
                        "--sizes", "100,200,400")
        self.assertEqual(r.returncode, 0, r.stderr)
        cuantas = lambda p: {f["n"]: len(f["valores"].split(",")) for f in self.filas(p)}
        antes = cuantas("selection")
        r = self.anadir("bubble", "--sizes", "400", "--repeat", "3")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(cuantas("bubble"), {"100": 2, "200": 2, "400": 5})
        self.assertEqual(cuantas("selection"), antes)
        self.assertIn("selection", (self.out / "resumen.tsv").read_text())
        from barrido.escritura.ocupacion import orden_de_anadir
        from barrido.datos.estudio import Estudio
        from barrido.datos.programas import PROGRAMAS
        estudio = Estudio(PROGRAMAS["bubble"], ["O2"], [], 1)
        estudio.directorio = str(self.out)
        self.assertEqual(shlex.split(orden_de_anadir(estudio, [400], 3))[1:],
                         ["--append", str(self.out), "bubble", "--sizes", "400",
                          "--repeat", "3"])

    def test_sin_estudio_o_solo_cuentas(self):
        r = self.anadir()
        self.assertEqual(r.returncode, 2)
        self.assertIn("no tiene registro.json", r.stderr)
        self.falso("bench_bubble_cuentas", "cuentas_cuadraticas")
        r = self.barrer("bubble", "--sizes", "100,200", "--measure", "counts")
        self.assertEqual(r.returncode, 0, r.stderr)
        r = self.anadir()
        self.assertEqual(r.returncode, 2)
        self.assertIn("solo contó operaciones", r.stderr)
