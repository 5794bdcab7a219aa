"""The order of the invocations, the budget that looks ahead, the hard
limit, --precision and an interrupted sweep, with fake programs; and the
prediction of an invocation's time on synthetic durations."""

import io
import math
import re
import signal
import subprocess
import time
import unittest

from pathlib import Path

from comun import ConFalsos, vivo
from barrido.datos.cotas import Cota
from barrido.datos.estudio import Estudio
from barrido.estadistica.ajuste import ajustar
from barrido.medir.medicion import Medicion, Plan, prever
from barrido.datos.programas import PROGRAMAS
from barrido.medir.progreso import Progreso
from barrido.escritura.tsv import CABECERA_RESUMEN, leer_tsv


class Prevision(unittest.TestCase):
    def test_prevision(self):
        # (durations seen, n, exponential) -> predicted seconds
        casos = [
            ({1000: 0.01, 2000: 0.04, 4000: 0.16}, 8000, False, 0.64),
            # The growth of the last three sizes: n^1.5 from 2000 to 8000.
            ({1000: 0.001, 2000: 0.001, 4000: 0.002, 8000: 0.008}, 16000, False, 0.008 * 2**1.5),
            # Start-up cost flattens small sizes: never predicted below linear.
            ({10: 0.002, 20: 0.002}, 40, False, 0.004),
            ({20: 0.1, 21: 0.2}, 24, True, 1.6),
        ]
        for vistas, n, exponencial, esperada in casos:
            with self.subTest(vistas=vistas, n=n):
                self.assertAlmostEqual(prever(vistas, n, exponencial), esperada, delta=esperada * 0.02)
        self.assertIsNone(prever({1000: 0.1}, 2000, False))

    def test_tallas_cercanas(self):
        # Close sizes read any growth off the noise: a time past a double is
        # infinite, never an error. (durations seen, n, exponential, seconds)
        casos = [
            ({1000: 0.001, 1001: 0.002, 1002: 0.004}, 1060, False, math.inf),
            ({1000: 0.004, 1001: 0.002, 1002: 0.001}, 1003, False, 0.001 * 1003 / 1002),
            ({20: 1e-6, 21: 1.0, 22: 1e6}, 1000, True, math.inf),
            ({1000: 0.001, 1001: 0.00101}, 1002, False, 0.00101 * (1002 / 1001) ** 9.96),
        ]
        for vistas, n, exponencial, esperada in casos:
            with self.subTest(vistas=vistas, n=n):
                self.assertAlmostEqual(prever(vistas, n, exponencial), esperada,
                                       delta=esperada * 0.02)
        # Nor does the fit of such sizes overflow: it has no constant.
        self.assertIsNone(ajustar([(1000, 1.0), (1001, 1e-6)], False))


class TiempoQueQueda(unittest.TestCase):
    def test_con_duraciones_conocidas(self):
        # Three rounds of sizes 100, 200 and 300 that took 1, 2 and 3 s, and
        # 400, predicted at 4 s, past the budget of 3.5 s. The invocation
        # about to run counts. (round, configuration and n about to run,
        # pending, the series' share, seconds run, seconds left)
        casos = [
            (1, 300, [], None, 0.0, 2 * (1 + 2 + 3)),
            (2, 100, [("O2", 200), ("O2", 300)], None, 0.0, (1 + 2 + 3) + 1 * (1 + 2 + 3)),
            (3, 300, [("O2", 100)], None, 0.0, 3 + 1),
            (3, 100, [], None, 0.0, 1),
            # What is left of the share, where that is more than the need.
            (1, 300, [], 30.0, 6.0, 30 - 6),
            (1, 300, [], 15.0, 6.0, 2 * (1 + 2 + 3)),
        ]
        estudio = Estudio(PROGRAMAS["bubble"], ["O2"], [Cota("n^2")])
        for ronda, n, pendientes, prevision, gastado, quedan in casos:
            with self.subTest(ronda=ronda, n=n, prevision=prevision):
                plan = Plan([100, 200, 300, 400], Path("bin"), 3, 3.5, cuentas=False,
                            despues=50.0, prevision=prevision)
                medicion = Medicion(estudio, plan, Progreso(io.StringIO()))
                medicion.duraciones = {"O2": {100: 1.0, 200: 2.0, 300: 3.0}}
                medicion.reloj, medicion.inicio = (lambda: gastado), 0.0
                # The series after this one were planned 50 s.
                self.assertAlmostEqual(medicion._quedan("O2", ronda, n, pendientes), quedan + 50)


class Orden(ConFalsos):
    def invocaciones(self):
        return (self.bin / "registro.log").read_text().split("\n")[:-1]

    def test_rondas(self):
        self.falso("bench_insertion", "anota")
        self.falso("bench_insertion_O0", "anota")
        args = ("insertion", "--config", "O0,O2", "--sizes", "100,200,400", "--repeat", "3")
        r = self.barrer(*args, "--seed", "7")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertIn("semilla 7 ", r.stdout)
        vistas = self.invocaciones()
        # The first round goes up in size, the configurations alternating.
        self.assertEqual(vistas[:6], ["bench_insertion_O0 100", "bench_insertion 100",
                                      "bench_insertion 200", "bench_insertion_O0 200",
                                      "bench_insertion_O0 400", "bench_insertion 400"])
        # Every later round visits every pair once, in a shuffled order.
        for ronda in (vistas[6:12], vistas[12:18]):
            self.assertEqual(sorted(ronda), sorted(vistas[:6]))
        self.assertNotEqual(vistas[6:12], vistas[:6])
        # The seed repeats the order.
        (self.bin / "registro.log").unlink()
        self.barrer(*args, "--seed", "7")
        self.assertEqual(self.invocaciones(), vistas)

    def test_las_cuentas_una_vez_por_talla(self):
        self.falso("bench_bubble", "anota")
        self.falso("bench_bubble_cuentas", "cuentas_cuadraticas")
        r = self.barrer("bubble", "--sizes", "100,200", "--repeat", "3", "--measure",
                        "time,counts")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(len(self.invocaciones()), 6)
        self.assertEqual(len(self.tsv("bubble")), 3)

    def test_precision(self):
        # Values 0.01, 0.01, 0.07, ...: the median's interval never narrows to 10%,
        # so every size takes rounds up to --max-repeat.
        self.falso("bench_bubble", "uno_uno_siete")
        r = self.barrer("bubble", "--sizes", "100,200", "--repeat", "3", "--precision", "10%",
                        "--max-repeat", "8")
        self.assertEqual(r.returncode, 0, r.stderr)
        for fila in self.filas("bubble"):
            self.assertEqual(len(fila["valores"].split(",")), 8)


class Presupuesto(ConFalsos):
    def test_se_omiten_las_tallas_previstas_por_encima(self):
        self.falso("bench_bubble", "lento_cuadratico")
        r = self.barrer("bubble", "--sizes", "100,200,400,800,1600", "--budget", "0.5")
        self.assertEqual(r.returncode, 0, r.stderr)
        omitidas = re.fullmatch(r"omitidas O2: 800 \(se prevén (\S+) s por ejecución\);"
                                r" 1600 \(se prevén (\S+) s por ejecución\)",
                                re.search(r"omitidas O2: .*", r.stdout).group(0))
        self.assertIsNotNone(omitidas, r.stdout)
        a_800, a_1600 = map(float, omitidas.groups())
        self.assertGreater(a_800, 0.5)
        self.assertGreater(a_1600, 2 * a_800)
        self.assertEqual([f["n"] for f in self.filas("bubble")], ["100", "200", "400"])

    def test_cortadas_al_limite(self):
        # O0 hangs at 300 in the first round, in a child; O2 at 300 in its
        # second round. Both are cut at 1.6 s, the child with its parent,
        # and the sweep goes on; neither size nor a larger one runs again.
        self.falso("bench_hanoi_O0", "cuelga_con_hijo")
        self.falso("bench_hanoi", "cuelga_a_la_segunda")
        r = self.barrer("hanoi", "--config", "O0,O2", "--sizes", "100,200,300,500", "--budget",
                        "0.2", "--repeat", "3", "--seed", "1")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertFalse(vivo(int((self.bin / "bench_hanoi_O0.hijo").read_text())))
        self.assertRegex(r.stdout, r"\n300 +O0 +- .* - +cortada al límite de 1.6 s\n")
        lineas = self.tsv("hanoi")
        self.assertIn("# omitida O0 300: cortada al límite de 1.6 s", lineas)
        self.assertIn("# omitida O0 500: mayor que una talla cortada", lineas)
        filas = {(f["configuracion"], f["n"]): f for f in self.filas("hanoi")}
        self.assertEqual(filas["O2", "300"]["notas"], "cortada_al_limite")
        self.assertEqual(filas["O2", "300"]["valores"], "0.001")
        self.assertEqual(len(filas["O2", "200"]["valores"].split(",")), 3)
        self.assertIn("cortada: una ejecución de esa talla pasó del límite", r.stdout)
        informe = (self.out / "informe.md").read_text()
        self.assertIn("| hanoi (cortada a 300) | tiempo O0 |", informe)
        self.assertIn("Cortadas: 300: una ejecución pasó del límite", informe)
        resumen = [l.split("\t") for l in (self.out / "resumen.tsv").read_text().splitlines()]
        cortadas = CABECERA_RESUMEN.index("cortadas")
        self.assertEqual([(f[1], f[cortadas]) for f in resumen[1:]],
                         [("O0", "300"), ("O2", "300")])
        self.assertEqual(resumen[1][CABECERA_RESUMEN.index("estado")], "completo")

    def test_limite_duro(self):
        # With one size measured there is no prediction: the hanging size is
        # stopped at three budgets and a second, and the sweep goes on.
        self.falso("bench_hanoi", "cuelga_en_300")
        r = self.barrer("hanoi", "--sizes", "100,300,500", "--budget", "0.2")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertIn("omitidas O2: 300 (cortada al límite de 1.6 s); 500 (mayor que una talla"
                      " cortada)", r.stdout)


class Interrupcion(ConFalsos):
    def test_ctrl_c_escribe_lo_medido(self):
        self.falso("bench_bubble", "lento_cuadratico")
        proceso = subprocess.Popen(self.orden("bubble", "--sizes", "100,200,300,400,500,600"),
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        for linea in proceso.stderr:  # one plain line per size of the first round
            if "n = 200" in linea:
                break
        proceso.send_signal(signal.SIGINT)
        salida, errores = proceso.communicate(timeout=30)
        self.assertEqual(proceso.returncode, 130, errores)
        lineas = self.tsv("bubble")
        self.assertEqual(lineas[-1], "# incompleto: interrumpido")
        self.assertEqual([l.split("\t")[0] for l in lineas[1:3]], ["100", "200"])
        self.assertIn("incompleto: interrumpido", salida)
        self.assertIn("\tincompleto", (self.out / "resumen.tsv").read_text())

    def barrer_hasta(self, senal, tras="n = 200", fichero=None, *args):
        """A sweep of the slow fake sent `senal` once stderr shows `tras`
        (and `fichero` exists): its status and standard output."""
        self.falso("bench_bubble", "lento_cuadratico")
        proceso = subprocess.Popen(self.orden("bubble", *args), stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE, text=True)
        for linea in proceso.stderr:
            if tras in linea:
                break
        while fichero and not fichero.exists():
            time.sleep(0.01)
        proceso.send_signal(senal)
        salida, errores = proceso.communicate(timeout=30)
        self.assertNotIn("Traceback", errores)
        return proceso.returncode, salida

    def test_otras_senales_como_ctrl_c(self):
        for senal in (signal.SIGTERM, signal.SIGHUP):
            with self.subTest(senal=senal.name):
                estado, salida = self.barrer_hasta(senal, "n = 200", None, "--sizes",
                                                   "100,200,300,400,500,600")
                self.assertEqual(estado, 128 + senal)
                lineas = self.tsv("bubble")
                self.assertEqual([l.split("\t")[0] for l in lineas[1:3]], ["100", "200"])
                self.assertEqual(lineas[-1], f"# incompleto: {senal.name}")
                self.assertIn(f"incompleto: interrumpido por {senal.name}", salida)
                self.assertIn("\tincompleto", (self.out / "resumen.tsv").read_text())
                self.assertIn("**Incompleto**", (self.out / "informe.md").read_text())
                self.assertTrue((self.out / "registro.json").exists())

    def test_bajo_nohup_sighup_no_lo_detiene(self):
        self.falso("bench_bubble", "lento_cuadratico")
        proceso = subprocess.Popen(self.orden("bubble", "--sizes", "100,200,300"), text=True,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                   preexec_fn=lambda: signal.signal(signal.SIGHUP, signal.SIG_IGN))
        for linea in proceso.stderr:
            if "n = 100" in linea:
                break
        proceso.send_signal(signal.SIGHUP)
        proceso.stderr.read()
        proceso.stderr.close()
        self.assertEqual(proceso.wait(timeout=30), 0)
        self.assertEqual([f["n"] for f in self.filas("bubble")], ["100", "200", "300"])

    def test_una_senal_mata_al_programa_y_a_sus_hijos(self):
        self.falso("bench_hanoi", "cuelga_con_hijo")
        hijo = self.bin / "bench_hanoi.hijo"
        proceso = subprocess.Popen(self.orden("hanoi", "--sizes", "100,300"),
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        while not hijo.exists():
            time.sleep(0.01)
        time.sleep(0.05)  # the pid is written whole
        proceso.send_signal(signal.SIGTERM)
        self.assertEqual(proceso.wait(timeout=30), 143)
        self.assertFalse(vivo(int(hijo.read_text())))
        self.assertEqual([f["n"] for f in self.filas("hanoi")], ["100"])

    def test_sigkill_pierde_como_mucho_la_ejecucion_en_curso(self):
        estado, _ = self.barrer_hasta(signal.SIGKILL, "n = 200", None, "--sizes",
                                      "100,200,300,400,500,600")
        self.assertEqual(estado, -signal.SIGKILL)
        lineas = self.tsv("bubble")
        self.assertEqual([l.split("\t")[0] for l in lineas[1:3]], ["100", "200"])
        self.assertTrue(lineas[-1].startswith("# incompleto: en curso"))
        self.assertEqual(leer_tsv(self.out / "bubble.tsv").incompleto, True)
        self.assertFalse([p for p in self.out.iterdir() if p.name.startswith(".")])
        # The next study into the folder removes what the killed one listed.
        self.falso("bench_insertion", "cuadratico")
        r = self.barrer("insertion", "--sizes", "100,200")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertFalse((self.out / "bubble.tsv").exists())


if __name__ == "__main__":
    unittest.main()
