"""The machine's events of the events builds: callgrind's output and the
builds' own line parsed from recorded text, the command and the caches
valgrind is given, a fake valgrind on PATH for the ways a simulation ends,
and a missing valgrind."""

import os
import shutil
import tempfile
import unittest
from pathlib import Path
from unittest import mock

from comun import BIN
from barrido.datos.errores import ErrorDeUso, FalloPrograma
from barrido.medir.eventos import (HARDWARE, SIMULADA, FaltaValgrind, FalloSimulado, leer_callgrind,
                             leer_linea, orden_callgrind, por_ejecucion, simular)
from barrido.medir.geometria import Geometria

KIB, MIB = 2**10, 2**20
EVENTOS = "events: Ir Dr Dw I1mr D1mr D1mw ILmr DLmr DLmw Bc Bcm Bi Bim\n"

# The head and tail of callgrind's file for bench_bubble_eventos 4000
# aleatoria, three runs, D1 48 KiB and LL 1 MiB (valgrind 3.19).
GRABADO = ("# callgrind format\nversion: 1\ncreator: callgrind-3.19.0\npid: 17740\n"
           "cmd:  bench_bubble_eventos 4000 aleatoria\npart: 1\n\n"
           "desc: D1 cache: 49152 B, 64 B, 12-way associative\n"
           "desc: LL cache: 1048576 B, 64 B, 8-way associative\n\npositions: line\n" + EVENTOS +
           "summary: 192013913 47988015 23911901 3 0 0 3 0 0 48011997 6822823\n\n"
           "fn=(1612) main\n0 192013886 47988015 23911883 2 0 0 2 0 0 48011997 6822823\n\n"
           "totals: 192013886 47988015 23911883 2 0 0 2 0 0 48011997 6822823\n")
NOMBRES = EVENTOS.split()[1:]


def totales(*numeros):
    return dict(zip(NOMBRES, numeros + (0,) * (len(NOMBRES) - len(numeros))))


def linea(n=300, **cambios):
    campos = {"ejecuciones": "3", "reloj_de_tarea_ns": "44097.5", "fallos_de_pagina": "0",
              "ciclos": "no_disponible", "instrucciones": "no_disponible",
              "saltos_fallidos": "no_disponible", "fallos_l1d": "no_disponible",
              "fallos_ll": "no_disponible", "motivo": "ENOENT"}
    campos.update(cambios)
    return f"{n} " + " ".join(f"{k}={v}" for k, v in campos.items() if v is not None) + "\n"


BAJO_VALGRIND = linea(4000, motivo=None, **{k: "bajo_valgrind" for k in (
    "reloj_de_tarea_ns", "fallos_de_pagina", "ciclos", "instrucciones", "saltos_fallidos",
    "fallos_l1d", "fallos_ll")})


class Callgrind(unittest.TestCase):
    def test_totales(self):
        # (file, totals by event or a fragment of the error)
        casos = [
            (GRABADO, totales(192013913, 47988015, 23911901, 3, 0, 0, 3, 0, 0, 48011997,
                              6822823)),
            # Only the totals: line; trailing zeros left out.
            (EVENTOS + "totals: 100 20 10\n", totales(100, 20, 10)),
            # Two parts in one file add up.
            (EVENTOS + "summary: 100 20\nsummary: 1 2 3\n", totales(101, 22, 3)),
            ("summary: 100 20\n", "events:"),
            (EVENTOS, "summary:"),
            (EVENTOS + "summary: " + "1 " * 14 + "\n", "no casa"),
            (EVENTOS + "summary: 100 -20\n", "no casa"),
        ]
        for texto, esperado in casos:
            with self.subTest(texto=texto[-60:]):
                if isinstance(esperado, str):
                    with self.assertRaisesRegex(FalloPrograma, esperado):
                        leer_callgrind(texto)
                else:
                    self.assertEqual(leer_callgrind(texto), esperado)

    def test_por_ejecucion(self):
        valores = por_ejecucion(totales(300, 60, 30, 9, 6, 3, 9, 1, 2, 90, 12, 5, 5), 3)
        self.assertEqual(valores, {"instrucciones": 100, "lecturas": 20, "escrituras": 10,
                                   "fallos_l1d": 3, "fallos_ll": 1, "saltos": 30,
                                   "saltos_fallidos": 4})
        # Without the branch simulator callgrind names no branches.
        sin_saltos = {k: 1 for k in NOMBRES[:9]}
        with self.assertRaisesRegex(FalloPrograma, "no cuenta Bc, Bcm: hace falta"):
            por_ejecucion(sin_saltos, 3)

    def test_orden(self):
        orden = orden_callgrind(Path("/b/bench_hanoi_eventos"), 12, None, Path("/t/cg.out"),
                                Geometria(49152, 12, 64), Geometria(MIB, 8, 64), "/v/valgrind")
        self.assertEqual(orden, ["/v/valgrind", "-q", "--tool=callgrind", "--cache-sim=yes",
                                 "--branch-sim=yes", "--collect-atstart=no",
                                 "--callgrind-out-file=/t/cg.out", "--D1=49152,12,64",
                                 "--LL=1048576,8,64", "/b/bench_hanoi_eventos", "12"])
        self.assertEqual(orden_callgrind(Path("p"), 5, "inversa", Path("f"))[-3:],
                         ["p", "5", "inversa"])


class LineaDeHardware(unittest.TestCase):
    def test_lineas(self):
        # (line, {counter: value} of those checked, fragment of the note or
        # of the error)
        casos = [
            (linea(), {"reloj_de_tarea_ns": 44097.5, "fallos_de_pagina": 0, "ciclos": None},
             "sin ciclos, instrucciones, saltos_fallidos, fallos_l1d, fallos_ll: el procesador"),
            (linea(ciclos="7", instrucciones="12.5", saltos_fallidos="1", fallos_l1d="2",
                   fallos_ll="3", motivo=None), {"ciclos": 7, "fallos_ll": 3}, None),
            (linea(reloj_de_tarea_ns="no_disponible", fallos_de_pagina="no_disponible",
                   motivo="EACCES"), {"reloj_de_tarea_ns": None}, "perf_event_paranoid"),
            (linea(motivo="errno77"), {}, "el núcleo respondió errno77"),
            (BAJO_VALGRIND.replace("4000", "300", 1), {"ciclos": None}, "bajo valgrind"),
        ]
        for texto, valores, nota in casos:
            with self.subTest(texto=texto):
                sucesos = leer_linea(texto, 300)
                self.assertEqual((sucesos.fuente, sucesos.ejecuciones), (HARDWARE, 3))
                for nombre, valor in valores.items():
                    self.assertEqual(sucesos.valores[nombre], valor)
                if nota:
                    self.assertIn(nota, sucesos.nota)
                else:
                    self.assertEqual(sucesos.nota, "")

    def test_rechazadas(self):
        # An events line whose names change is refused, as a counts line is.
        casos = [
            (linea(n=301), "talla 301"),
            (linea(fallos_ll=None), "nombra"),
            (linea().replace("fallos_ll", "fallos_l2"), "nombra"),
            (linea(motivo=None).replace("\n", " otro=1\n"), "nombra"),
            (linea(ciclos="12abc"), "ciclos=12abc no es una cuenta"),
            (linea(ciclos="-3"), "no es una cuenta"),
            (linea(ejecuciones="0"), "ejecuciones=0"),
            (linea().rstrip("\n"), "no es una línea"),
            (linea() + linea(), "no es una línea"),
            ("300 0.0012\n", "no es una línea"),
        ]
        for texto, error in casos:
            with self.subTest(texto=texto), self.assertRaisesRegex(FalloPrograma, error):
                leer_linea(texto, 300)


# A fake valgrind: it keeps its arguments, writes the recorded file where
# it is told, prints the program's line and ends as $FORMA says.
FALSO = r"""#!/bin/sh
echo "$@" > "$(dirname "$0")/argumentos"
for a; do case "$a" in --callgrind-out-file=*) f="${a#--callgrind-out-file=}";; esac; done
case "$FORMA" in
  estado) echo "ERROR: la talla no vale" >&2; exit 3;;
  senal) kill -SEGV $$;;
  sin_fichero) printf '%s' "$LINEA"; exit 0;;
esac
cp "$(dirname "$0")/grabado" "$f"
printf '%s' "$LINEA"
"""


class ValgrindFalso(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.bin = Path(self.tmp.name)
        (self.bin / "grabado").write_text(GRABADO)
        (self.bin / "valgrind").write_text(FALSO)
        (self.bin / "valgrind").chmod(0o755)

    def tearDown(self):
        self.tmp.cleanup()

    def simular(self, forma="", linea_del_programa=BAJO_VALGRIND):
        entorno = {"PATH": f"{self.bin}:/usr/bin:/bin", "FORMA": forma,
                   "LINEA": linea_del_programa}
        with mock.patch.dict(os.environ, entorno):
            return simular(Path("/b/bench_bubble_eventos"), 4000, "aleatoria",
                           Geometria(48 * KIB, 12, 64), Geometria(MIB, 8, 64), nota="redondeo")

    def test_por_ejecucion_y_orden(self):
        sucesos = self.simular()
        self.assertEqual((sucesos.fuente, sucesos.n, sucesos.ejecuciones, sucesos.nota),
                         (SIMULADA, 4000, 3, "redondeo"))
        self.assertAlmostEqual(sucesos.valores["saltos_fallidos"], 6822823 / 3)
        self.assertAlmostEqual(sucesos.valores["instrucciones"], 192013913 / 3)
        argumentos = (self.bin / "argumentos").read_text().split()
        self.assertEqual(argumentos[-5:], ["--D1=49152,12,64", "--LL=1048576,8,64",
                                           "/b/bench_bubble_eventos", "4000", "aleatoria"])

    def test_fuentes_no_se_mezclan(self):
        # A line with counters of its own: the simulated source takes none.
        propia = linea(4000, ciclos="5", instrucciones="5", saltos_fallidos="5",
                       fallos_l1d="5", fallos_ll="5", motivo=None)
        sucesos = self.simular(linea_del_programa=propia)
        self.assertEqual(set(sucesos.valores), {"instrucciones", "lecturas", "escrituras",
                                                "fallos_l1d", "fallos_ll", "saltos",
                                                "saltos_fallidos"})
        self.assertAlmostEqual(sucesos.valores["instrucciones"], 192013913 / 3)

    def test_fallos(self):
        # (how the fake ends, the status the error carries, fragment)
        casos = [("estado", 3, "terminó con estado 3 bajo valgrind; su mensaje:\nERROR: la"),
                 ("senal", -11, "murió por la señal SIGSEGV")]
        for forma, estado, mensaje in casos:
            with self.subTest(forma=forma):
                with self.assertRaises(FalloSimulado) as error:
                    self.simular(forma)
                self.assertEqual(error.exception.estado, estado)
                self.assertIn(mensaje, str(error.exception))
        with self.assertRaisesRegex(FalloPrograma, "no dejó su fichero"):
            self.simular("sin_fichero")
        with self.assertRaisesRegex(FalloPrograma, "no es una línea"):
            self.simular(linea_del_programa="basura\n")

    def test_sin_valgrind(self):
        with mock.patch.dict(os.environ, {"PATH": str(self.bin / "vacio")}):
            with self.assertRaises(FaltaValgrind) as error:
                simular(Path("/b/bench_bubble_eventos"), 10)
        self.assertIn("paquete Debian valgrind", str(error.exception))
        self.assertIn("tools/preparar", str(error.exception))
        self.assertIsInstance(error.exception, ErrorDeUso)


def _con_sanitizador(binario: Path) -> bool:
    return b"__asan_init" in binario.read_bytes()


@unittest.skipUnless(shutil.which("valgrind") and (BIN / "bench_bubble_eventos").exists(),
                     "sin valgrind o sin los programas de eventos construidos")
class ValgrindDeVerdad(unittest.TestCase):
    """The events builds under the real simulator: the mispredictions the
    branch predictor is known to make on each kind of input."""

    def setUp(self):
        if _con_sanitizador(BIN / "bench_bubble_eventos"):
            self.skipTest("programas construidos con el sanitizador de direcciones, que"
                          " valgrind no puede ejecutar")

    def test_saltos_fallidos(self):
        d1, ll = Geometria(32 * KIB, 8, 64), Geometria(MIB, 16, 64)
        n = 2000
        insercion = simular(BIN / "bench_insertion_eventos", n, "aleatoria", d1, ll)
        self.assertLess(abs(insercion.valores["saltos_fallidos"] / n - 1), 0.2)
        comparaciones = n * (n - 1) / 2
        ordenada = simular(BIN / "bench_bubble_eventos", n, "ordenada", d1, ll)
        # Two conditional branches a comparison (the loop's and the keys'),
        # and about two a pass.
        self.assertAlmostEqual(ordenada.valores["saltos"], 2 * comparaciones + 2 * n, delta=n)
        self.assertLess(ordenada.valores["saltos_fallidos"], 0.01 * comparaciones)
        aleatoria = simular(BIN / "bench_bubble_eventos", n, "aleatoria", d1, ll)
        self.assertGreater(aleatoria.valores["saltos_fallidos"], 0.15 * comparaciones)


if __name__ == "__main__":
    unittest.main()
