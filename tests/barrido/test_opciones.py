"""The options: the command a study gives to repeat its plan, which must
measure the same sizes in the same order of invocations, and the help,
in Spanish throughout."""

import json
import re
import shlex
import subprocess
import sys
import unittest

from comun import BARRIDO, ConFalsos
from barrido.escritura.informe import partir_orden
from barrido.ordenes.opciones import analizador, leer_opciones
from barrido.datos.tallas import leer_tallas

# Writes its name and size to the log beside it, then sleeps (n/100)^2/50
# seconds (0.08 s at 200, 0.32 s at 400), so that a budget leaves out the
# larger sizes.
ANOTA_Y_TARDA = ('echo "$(basename "$0") $1" >> "$(dirname "$0")/registro.log";'
                 ' sleep $(echo "$1" | awk \'{ printf "%.4f", ($1 / 100) ^ 2 / 50 }\');'
                 ' echo "$1 $(( $1 * $1 ))e-09"')


def argumentos(orden: str) -> list:
    """The arguments of a command the study gives, without tools/sweep."""
    partes = shlex.split(orden)
    assert partes[0] == "tools/sweep", orden
    return partes[1:]


class OrdenParaRepetir(unittest.TestCase):
    def test_las_opciones_del_plan(self):
        # (options of the sweep, sizes each program measured) -> for each
        # command: its programs, sizes and the options it must carry
        casos = [
            (["insertion", "bubble", "--seed", "7", "--repeat", "3"],
             {"insertion": [500, 1000], "bubble": [500, 1000]},
             [(["insertion", "bubble"], [500, 1000], {"--seed": "7", "--repeat": "3"})]),
            # A budget left out hanoi's larger sizes: a command each, in order.
            (["selection", "hanoi", "bubble", "--sizes", "16:18:+1,1000", "--budget", "2"],
             {"selection": [16, 17, 18, 1000], "hanoi": [16, 17, 18],
              "bubble": [16, 17, 18, 1000]},
             [(["selection"], [16, 17, 18, 1000], {"--budget": "2"}),
              (["hanoi"], [16, 17, 18], {"--budget": "2"}),
              (["bubble"], [16, 17, 18, 1000], {"--budget": "2"})]),
            (["quicksort", "--config", "O0,O2", "--precision", "2%", "--max-repeat", "9",
              "--bounds", "n,n*log(n)", "--model", "none"],
             {"quicksort": [1000, 2000]},
             [(["quicksort"], [1000, 2000],
               {"--config": "O0,O2", "--precision": "2%", "--max-repeat": "9",
                "--bounds": "n,n*log(n)", "--model": "none"})]),
        ]
        for argv, tallas, esperadas in casos:
            with self.subTest(argv=argv):
                opciones = leer_opciones(argv + ["--out", "/tmp"])
                ordenes = opciones.repetir(tallas)
                self.assertEqual(len(ordenes), len(esperadas))
                for orden, (programas, ns, otras) in zip(ordenes, esperadas):
                    args = analizador().parse_args(argumentos(orden))
                    self.assertEqual(args.programas, programas)
                    self.assertEqual(leer_tallas(args.sizes), ns)
                    self.assertEqual(int(args.seed), opciones.semilla)
                    for opcion, valor in otras.items():
                        self.assertEqual(argumentos(orden)[argumentos(orden).index(opcion) + 1],
                                         valor)

    def test_solo_cuentas_sin_semilla(self):
        # A sweep of counts has no shuffled rounds and no bootstrap.
        opciones = leer_opciones(["bubble", "--measure", "counts", "--out", "/tmp"])
        orden = argumentos(opciones.repetir({"bubble": [100, 200]})[0])
        self.assertNotIn("--seed", orden)
        self.assertNotIn("--repeat", orden)
        self.assertEqual(orden[orden.index("--measure") + 1], "counts")


class ElPlanSeRepite(ConFalsos):
    def invocaciones(self):
        return (self.bin / "registro.log").read_text().splitlines()

    def test_la_orden_del_estudio_repite_sus_invocaciones(self):
        for programa in ("bubble", "insertion"):
            ruta = self.bin / f"bench_{programa}"
            ruta.write_text("#!/bin/sh\n" + ANOTA_Y_TARDA + "\n")
            ruta.chmod(0o755)
        r = self.barrer("bubble", "insertion", "--sizes", "100,200,400,800", "--budget", "0.15",
                        "--repeat", "3", "--seed", "8")
        self.assertEqual(r.returncode, 0, r.stderr)
        vistas = self.invocaciones()
        registro = json.loads((self.out / "registro.json").read_text())
        plan = registro["plan"]
        self.assertEqual(plan["semilla"], 8)
        self.assertEqual(plan["rondas"], 3)
        self.assertEqual(plan["presupuesto_s"], 0.15)
        medidas = {p: sorted({int(l.split()[1]) for l in vistas if l.startswith(f"bench_{p} ")})
                   for p in ("bubble", "insertion")}
        self.assertEqual(plan["tallas"], medidas)
        self.assertNotIn(800, medidas["bubble"])  # left out by the budget
        informe = (self.out / "informe.md").read_text()
        self.assertEqual(len(registro["repetir"]), 1)
        self.assertIn(partir_orden(registro["repetir"][0]), informe)
        # The command, run again with a budget that would leave out nothing,
        # invokes the same programs at the same sizes in the same order.
        (self.bin / "registro.log").unlink()
        args = argumentos(registro["repetir"][0])
        args[args.index("--budget") + 1] = "100"
        r = subprocess.run([sys.executable, str(BARRIDO), *args, "--bin", str(self.bin),
                            "--out", str(self.out / "otra")], stdout=subprocess.PIPE,
                           stderr=subprocess.PIPE, text=True, timeout=120)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(self.invocaciones(), vistas)

    def test_solo_cuentas(self):
        # No second round of nothing, and no seed that does nothing.
        self.falso("bench_bubble_cuentas", "cuentas_cuadraticas")
        r = self.barrer("bubble", "--sizes", "100,200", "--measure", "counts", "--repeat", "4")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertNotIn("ronda", r.stderr)
        self.assertNotIn("semilla", r.stdout)
        self.assertIn("bubble cuentas n = 200: comparaciones=19900 escrituras=200.5", r.stderr)
        plan = json.loads((self.out / "registro.json").read_text())["plan"]
        self.assertEqual((plan["semilla"], plan["rondas"]), (None, 1))


class Ayuda(unittest.TestCase):
    def test_en_castellano(self):
        # What argparse writes in English by itself, and the Spanish it
        # should say instead.
        ingles = re.compile(r"usage|options:|positional arguments|show this help|default",
                            re.IGNORECASE)
        for orden in (["--help"], ["compare", "--help"], ["compare", "-h"]):
            with self.subTest(orden=orden):
                r = subprocess.run([sys.executable, str(BARRIDO), *orden], stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE, text=True, timeout=30)
                self.assertEqual(r.returncode, 0, r.stderr)
                self.assertIsNone(ingles.search(r.stdout), r.stdout)
                self.assertTrue(r.stdout.startswith("uso: tools/sweep "), r.stdout)
                self.assertIn("\nopciones:\n", r.stdout)
                self.assertIn("-h, --help", r.stdout)
                self.assertIn("muestra esta ayuda y acaba", r.stdout)

    def test_compare_dice_las_rondas_por_omision(self):
        r = subprocess.run([sys.executable, str(BARRIDO), "compare", "--help"],
                           stdout=subprocess.PIPE, text=True, timeout=30)
        rondas = analizador().get_default("repeat")
        self.assertIn(f"el barrido hace {rondas} por omisión", " ".join(r.stdout.split()))


if __name__ == "__main__":
    unittest.main()
