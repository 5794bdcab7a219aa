"""The operating system's errors in Spanish: the phrase for each errno, and
sweeps that fail on the system (an --out that cannot be made, a program
that cannot be run) saying so without a word of the C library's English;
and the rest of the one language: the usage line as the command is typed,
the measures of the record."""

import errno
import json
import os
import re
import subprocess
import sys
import unittest

from comun import BARRIDO, ConFalsos

from barrido.analisis.registros import diferencias
from barrido.datos.sistema import motivo

INGLES = re.compile(r"No such file|Permission denied|Not a directory|Exec format|"
                    r"Read-only|No space|Broken pipe|Expecting value")


class Motivo(unittest.TestCase):
    def test_cada_error(self):
        # (the error, a fragment of its phrase)
        casos = [
            (OSError(errno.ENOENT, "No such file or directory"), "no existe"),
            (PermissionError(errno.EACCES, "Permission denied"), "no tiene permiso"),
            (OSError(errno.ENOSPC, "No space left on device"), "el disco está lleno"),
            (OSError(errno.EROFS, "Read-only file system"), "solo lectura"),
            (OSError(errno.ENOTDIR, "Not a directory"), "no una carpeta"),
            (OSError(errno.ENOEXEC, "Exec format error"), "constrúyalo de nuevo"),
            (BrokenPipeError(errno.EPIPE, "Broken pipe"), "la cerró"),
            (OSError(errno.ECHILD, "No child processes"), "error del sistema ECHILD"),
            (OSError("sin código"), "error del sistema sin código"),
            (UnicodeDecodeError("utf-8", b"ab\xff", 2, 3, "invalid start byte"),
             "no está en UTF-8 (byte 2)"),
            (json.JSONDecodeError("Expecting value", "{\n", 2), "no es JSON válido (línea 2"),
        ]
        for error, fragmento in casos:
            with self.subTest(error=repr(error)):
                texto = motivo(error)
                self.assertIn(fragmento, texto)
                self.assertNotRegex(texto, INGLES)


class SweepQueFallaEnElSistema(ConFalsos):
    def test_sin_ingles_en_la_salida(self):
        # An executable that is no program (ENOEXEC), and an --out under
        # /proc, where no folder can be made (ENOENT), or under a file.
        (self.bin / "bench_insertion").write_bytes(b"\x7fELF basura")
        (self.bin / "bench_insertion").chmod(0o755)
        fichero = self.bin / "fichero"
        fichero.write_text("")
        casos = [
            (["insertion", "--sizes", "100,200"], 1, "no es un programa que este sistema"),
            (["insertion", "--out", "/proc/no/existe"], 2, "no existe"),
            (["insertion", "--out", str(fichero / "x")], 2, "es un fichero, no una carpeta"),
        ]
        for args, estado, fragmento in casos:
            with self.subTest(args=args):
                orden = self.orden(*args)
                if "--out" in args:  # the case's own --out, not the test's
                    orden = orden[:-2]
                r = subprocess.run(orden, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                   text=True, timeout=60)
                self.assertEqual(r.returncode, estado, r.stdout)
                self.assertIn(fragmento, r.stdout)
                self.assertNotRegex(r.stdout, INGLES)

    @unittest.skipIf(os.geteuid() != 0, "hace falta ser root para probar como otro usuario")
    def test_sin_permiso(self):
        # As root every folder is writable: the sweep runs as nobody.
        python = "/usr/bin/python3" if os.path.exists("/usr/bin/python3") else sys.executable
        r = subprocess.run(["runuser", "-u", "nobody", "--", python, str(BARRIDO),
                            "insertion", "--out", "/root/no_de_nobody"],
                           stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                           timeout=60)
        if "no tiene permiso" not in r.stdout and r.returncode != 2:
            self.skipTest("el usuario nobody no puede ejecutar el barrido en esta máquina")
        self.assertIn("--out /root/no_de_nobody: no tiene permiso", r.stdout)
        self.assertNotRegex(r.stdout, INGLES)

    def test_el_registro_nombra_las_medidas_en_castellano(self):
        self.falso("bench_bubble", "cuadratico")
        self.falso("bench_bubble_cuentas", "cuentas_cuadraticas")
        r = self.barrer("bubble", "--sizes", "100,200,400", "--measure", "time,counts")
        self.assertEqual(r.returncode, 0, r.stderr)
        texto = (self.out / "registro.json").read_text()
        self.assertEqual(json.loads(texto)["plan"]["medidas"], ["tiempo", "cuentas"])
        self.assertNotIn('"time"', texto)
        self.assertNotIn('"counts"', texto)


class RegistrosAntiguos(unittest.TestCase):
    def test_time_y_counts_son_tiempo_y_cuentas(self):
        # A study saved before the measures had Spanish names does not
        # differ from a new one in that.
        antiguo = {"plan": {"medidas": ["time", "counts"]}}
        # (the new record, how many lines of differences)
        for nuevo, cuantas in (({"plan": {"medidas": ["tiempo", "cuentas"]}}, 0),
                               ({"plan": {"medidas": ["cuentas"]}}, 1)):
            with self.subTest(nuevo=nuevo):
                self.assertEqual(len(diferencias(antiguo, nuevo)), cuantas)


class LineaDeUso(unittest.TestCase):
    def test_como_se_escribe_la_orden(self):
        # (arguments, start of the help's first line, start of an error line)
        casos = [([], "uso: tools/sweep ", "sweep: error:"),
                 (["compare"], "uso: tools/sweep compare ", "sweep compare: error:")]
        for args, uso, error in casos:
            with self.subTest(args=args):
                ayuda = subprocess.run([sys.executable, str(BARRIDO), *args, "--help"],
                                       stdout=subprocess.PIPE, text=True, timeout=30).stdout
                self.assertTrue(ayuda.startswith(uso), ayuda.splitlines()[0])
                mal = subprocess.run([sys.executable, str(BARRIDO), *args, "--nada"],
                                     stderr=subprocess.PIPE, text=True, timeout=30).stderr
                self.assertTrue(mal.startswith(error), mal)


if __name__ == "__main__":
    unittest.main()
