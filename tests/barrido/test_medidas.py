"""Measures as data: a measure added to the table (datos/medidas.py) with
its build is measured, stored and written with nothing else changed."""

import json
import subprocess
import sys
import unittest
from unittest import mock

from comun import RAIZ, ConFalsos

from barrido.datos.almacen import cargar
from barrido.datos.medidas import INFORMA_VALORES, MEDIDAS, Medida
from barrido.datos.programas import PROGRAMAS

# A sweep whose table of measures has one entry more: «ciclos», run by
# bench_X_ciclos, reporting named values, judged as counts are. One of its
# values is named «n», as a column of the files is.
CON_CICLOS = """
import sys
sys.path.insert(0, sys.argv[1])
from barrido.datos import medidas
medidas.MEDIDAS["ciclos"] = medidas.Medida("ciclos", "cycles", "ciclos",
                                           medidas.INFORMA_VALORES, "cuentas", "")
from barrido.ordenes.cli import main
sys.exit(main(sys.argv[2:]))
"""


class MedidaNueva(ConFalsos):
    def test_una_entrada_mas_se_mide_guarda_y_escribe(self):
        self.falso("bench_insertion", "cuadratico")
        self.falso("bench_insertion_cuentas", "cuentas_cuadraticas")
        ruta = self.bin / "bench_insertion_ciclos"
        ruta.write_text('#!/bin/sh\nsleep 0.01; echo "$1 ciclos=$(( $1 * 7 )) n=3"\n')
        ruta.chmod(0o755)
        r = subprocess.run([sys.executable, "-c", CON_CICLOS, str(RAIZ / "tools"), "insertion",
                            "--config", "O2", "--measure", "time,counts,cycles", "--repeat",
                            "1", "--sizes", "100,200", "--bin", str(self.bin),
                            "--out", str(self.out)],
                           capture_output=True, text=True, timeout=60)
        self.assertEqual(r.returncode, 0, r.stderr)
        # Measured, after the counts at each size.
        self.assertIn("insertion ciclos n = 100: ciclos=700 n=3", r.stderr)
        # Stored, under its name, its values named and not taken for sizes.
        ciclos = Medida("ciclos", "cycles", "ciclos", INFORMA_VALORES, "cuentas", "")
        with mock.patch.dict(MEDIDAS, ciclos=ciclos):
            estudio = cargar(self.out / "estudio.json").estudios[0]
        self.assertEqual(estudio.valores_de("ciclos"), {100: {"ciclos": 700.0, "n": 3.0},
                                                         200: {"ciclos": 1400.0, "n": 3.0}})
        self.assertEqual(sorted(p.n for p in estudio.puntos), [100, 200])
        # Written: a column per value in the program's TSV, its binary in
        # the record.
        filas = self.filas("insertion")
        self.assertEqual([(f["n"], f["ciclos:ciclos"], f["ciclos:n"]) for f in filas],
                         [("100", "700", "3"), ("200", "1400", "3")])
        registro = json.loads((self.out / "registro.json").read_text())
        self.assertIn("ciclos", registro["configuraciones"])

    def test_la_tabla_actual(self):
        # The measures of today, and what the rest of the sweep reads of
        # them: the binaries and --measure's words.
        self.assertEqual([(m.nombre, m.opcion, m.tipo, m.por_configuracion)
                          for m in MEDIDAS.values()],
                         [("tiempo", "time", "tiempo", True),
                          ("cuentas", "counts", "cuentas", False),
                          ("eventos", "events", "eventos", False)])
        p = PROGRAMAS["insertion"]
        casos = [("O2", None, "bench_insertion"), ("O0", None, "bench_insertion_O0"),
                 ("O2", "inversa", "bench_insertion_entradas"),
                 ("cuentas", None, "bench_insertion_cuentas"),
                 ("cuentas", "inversa", "bench_insertion_cuentas"),
                 ("eventos", "inversa", "bench_insertion_eventos")]
        for clave, entrada, binario in casos:
            with self.subTest(clave=clave, entrada=entrada):
                self.assertEqual(p.binario(clave, entrada), binario)
        self.assertIsInstance(MEDIDAS["cuentas"], Medida)


if __name__ == "__main__":
    unittest.main()
