"""The files of a study: what a new study removes of the previous one, the
lock on the folder, and a file that cannot be written left as it was."""

import errno
import io
import os
import tempfile
import unittest
from pathlib import Path
from unittest import mock

import comun  # noqa: F401  (puts the package on the path)
from barrido.analisis.analisis import analizar
from barrido.datos.columnas import choca
from barrido.datos.cotas import Cota
from barrido.datos.errores import ErrorDeUso
from barrido.datos.estudio import Estudio, Punto
from barrido.datos.programas import PROGRAMAS
from barrido.escritura.tsv import CABECERA_RESUMEN, tsv
from barrido.escritura.ficheros import Ficheros
from barrido.medir.progreso import Progreso
from barrido.datos.sistema import motivo


class EnUnDirectorio(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.dir = Path(self.tmp.name, "out")
        self.dir.mkdir()
        self.notas = io.StringIO()

    def tearDown(self):
        self.tmp.cleanup()

    def ficheros(self) -> Ficheros:
        return Ficheros(self.dir, Progreso(self.notas))

    def presentes(self):
        return sorted(p.name for p in self.dir.iterdir())


class Retirar(EnUnDirectorio):
    def test_solo_lo_que_nombra_la_lista(self):
        fuera = Path(self.tmp.name, "fuera.txt")
        for ruta in (self.dir / "a.tsv", self.dir / ".a.tsv.77.tmp", self.dir / "b.tsv", fuera):
            ruta.write_text("x")
        # Names that are not plain files of the folder are never followed.
        (self.dir / "ficheros.txt").write_text(f"a.tsv\n../fuera.txt\n{fuera}\n\n.\nfalta.svg\n")
        self.ficheros().tomar()
        self.assertEqual(self.presentes(), ["b.tsv"])
        self.assertTrue(fuera.exists())
        self.assertIn("se retira 1 fichero del estudio anterior", self.notas.getvalue())

    def test_la_lista_nombra_cada_fichero_antes_de_hacerlo(self):
        f = self.ficheros()
        f.tomar()
        f.escribir("x.tsv", "uno\n")
        f.escribir("y.md", "dos\n")
        f.escribir("x.tsv", "tres\n")
        self.assertEqual((self.dir / "ficheros.txt").read_text(), "x.tsv\ny.md\n")
        self.assertEqual(self.presentes(), ["ficheros.txt", "x.tsv", "y.md"])
        self.assertEqual((self.dir / "x.tsv").read_text(), "tres\n")


class Cerrojo(EnUnDirectorio):
    def test_un_segundo_barrido_no_entra(self):
        primero = self.ficheros()
        primero.tomar()
        with self.assertRaisesRegex(ErrorDeUso, "otro barrido está escribiendo ahora en --out"):
            self.ficheros().tomar()
        os.close(primero._cerrojo)
        self.ficheros().tomar()  # once the first lets go


class Enlaces(EnUnDirectorio):
    def test_un_enlace_plantado_no_lleva_fuera_de_la_carpeta(self):
        # Links another user could plant at the names a study writes, its
        # temporary ones of old (.NAME.PID.tmp) included: the file they
        # point to is never written.
        fuera = Path(self.tmp.name, "fuera.txt")
        fuera.write_text("ajeno")
        plantados = [f".x.tsv.{os.getpid()}.tmp", f".ficheros.txt.{os.getpid()}.tmp",
                     "x.tsv", ".x.tsv.tmp"]
        for nombre in plantados:
            (self.dir / nombre).symlink_to(fuera)
        f = self.ficheros()
        f.tomar()
        self.assertEqual(f.escribir("x.tsv", "nuevo\n"), self.dir / "x.tsv")
        self.assertEqual(fuera.read_text(), "ajeno")
        self.assertFalse((self.dir / "x.tsv").is_symlink())
        self.assertEqual((self.dir / "x.tsv").read_text(), "nuevo\n")
        self.assertEqual(oct((self.dir / "x.tsv").stat().st_mode & 0o777),
                         oct(0o666 & ~_mascara()))


def _mascara() -> int:
    mascara = os.umask(0)
    os.umask(mascara)
    return mascara


class NoSePuedeEscribir(EnUnDirectorio):
    def test_el_fichero_queda_como_estaba(self):
        f = self.ficheros()
        f.tomar()
        f.escribir("x.tsv", "completo\n")
        lleno = OSError(errno.ENOSPC, os.strerror(errno.ENOSPC))
        # (what fails, as the disk fills)
        for donde in ("barrido.escritura.ficheros.open", "barrido.escritura.ficheros.os.replace"):
            with self.subTest(donde=donde):
                with mock.patch(donde, side_effect=lleno):
                    self.assertIsNone(f.escribir("x.tsv", "a medias\n"))
                    self.assertIsNone(f.escribir("x.tsv", "a medias\n"))
                self.assertEqual((self.dir / "x.tsv").read_text(), "completo\n")
                self.assertEqual(self.presentes(), ["ficheros.txt", "x.tsv"])
                self.assertEqual(f.fallidos, {"x.tsv": motivo(lleno)})
        # Said once, in Spanish, for as long as it fails the same way, and
        # forgotten once written.
        self.assertEqual(self.notas.getvalue().count("el disco está lleno"), 1)
        self.assertNotIn("No space left", self.notas.getvalue())
        f.escribir("x.tsv", "nuevo\n")
        self.assertEqual(f.fallidos, {})
        self.assertEqual(f.escritos(), ["x.tsv", "ficheros.txt"])


class Columnas(unittest.TestCase):
    def test_los_nombres_vedados_a_las_cuentas_son_las_columnas(self):
        # Every fixed column of a program's TSV and of resumen.tsv: a count
        # named as one of them is refused.
        programa = PROGRAMAS["insertion"]
        e = Estudio(programa, ["O0", "O2"], [Cota(c) for c in programa.cotas])
        for n in (500, 1000, 2000, 4000):
            for configuracion in ("O0", "O2"):
                e.puntos.append(Punto(n, configuracion, [1e-9 * n * n] * 3, False))
            e.cuentas[n] = {"comparaciones": n * n / 4.0, "escrituras": float(n)}
        analisis = analizar(e, [])
        cabecera = [l for l in tsv(analisis).splitlines() if not l.startswith("#")][0]
        fijas = [c for c in cabecera.split("\t") if "/" not in c and c not in e.cuentas[500]]
        self.assertEqual([c for c in fijas + CABECERA_RESUMEN if not choca(c)], [])
        self.assertFalse(choca("comparaciones"))


if __name__ == "__main__":
    unittest.main()
