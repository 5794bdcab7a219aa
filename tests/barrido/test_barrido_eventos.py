"""--measure events through the whole sweep, with a fake valgrind on PATH
that writes callgrind's file from known formulas: what is measured,
stored, concluded and written; the events' own share of time; a program
that fails under the simulator; valgrind missing; the two sources never
mixed; and the real simulator on the real programs once."""

import json
import os
import shutil
import subprocess
import sys
import unittest
from pathlib import Path
from unittest import mock

from comun import BARRIDO, BIN, ConFalsos

from barrido.datos.almacen import cargar
from barrido.datos.estudio import Estudio
from barrido.datos.programas import PROGRAMAS
from barrido.medir.geometria import Geometria
from barrido.medir.progreso import Progreso
from barrido.medir.simulacion import FALLO, PlanEventos, SerieDeEventos

# A fake valgrind: runs the program with VALGRIND_FALSO set (the fake
# build then prints its line as under the simulator), and writes callgrind's
# file for three runs: n² conditional branches a run, of which n²/4
# mispredicted on random keys and n on the others; 10·n² instructions; n
# L1d and last-level misses from n = 400 on; it sleeps n/1000 s and fails from
# n = $FALLA_EN on.
VALGRIND = r"""#!/bin/sh
programa=; n=; entrada=
for a; do case "$a" in
  --callgrind-out-file=*) f="${a#--callgrind-out-file=}";;
  -*) ;;
  *) if [ -z "$programa" ]; then programa=$a; elif [ -z "$n" ]; then n=$a; else entrada=$a; fi;;
esac; done
[ -n "$FALLA_EN" ] && [ "$n" -ge "$FALLA_EN" ] && { echo "ERROR: memoria" >&2; exit 4; }
sleep "$(echo "$n" | awk '{ printf "%.4f", $1 / 1000 }')"
linea=$(VALGRIND_FALSO=1 "$programa" "$n" $entrada) || exit $?
bc=$((3 * n * n)); ir=$((30 * n * n))
case "$entrada" in aleatoria) bcm=$((3 * n * n / 4));; *) bcm=$((3 * n));; esac
[ "$n" -ge 400 ] && ll=$((3 * n)) || ll=0
printf 'events: Ir Dr Dw I1mr D1mr D1mw ILmr DLmr DLmw Bc Bcm\nsummary: %s 0 0 0 %s 0 0 %s 0 %s %s\n' \
  "$ir" "$ll" "$ll" "$bc" "$bcm" > "$f"
echo "$linea"
"""

# The events build: its line under the fake simulator, or with the
# processor's counters when $CONTADORES is set, else refused as in a VM.
# From n = $CAMBIA_EN on, its line names one counter more.
EVENTOS = r"""#!/bin/sh
c="reloj_de_tarea_ns fallos_de_pagina ciclos instrucciones saltos_fallidos fallos_l1d fallos_ll"
[ -n "$CAMBIA_EN" ] && [ "$1" -ge "$CAMBIA_EN" ] && c="$c otro"
if [ -n "$VALGRIND_FALSO" ]; then
  printf '%s ejecuciones=3' "$1"; for x in $c; do printf ' %s=bajo_valgrind' "$x"; done; echo
elif [ -n "$CONTADORES" ]; then
  printf '%s ejecuciones=3' "$1"; for x in $c; do printf ' %s=7' "$x"; done; echo
else
  echo "$1 ejecuciones=3 reloj_de_tarea_ns=10 fallos_de_pagina=0 ciclos=no_disponible instrucciones=no_disponible saltos_fallidos=no_disponible fallos_l1d=no_disponible fallos_ll=no_disponible motivo=ENOENT"
fi
"""

# The counting build: n² comparisons on every kind of input.
CUENTAS = 'echo "$1 comparaciones=$(( $1 * $1 )) escrituras=$1 memoria_extra=0"'


class ConValgrindFalso(ConFalsos):
    def setUp(self):
        super().setUp()
        self.herramientas = Path(self.tmp.name) / "herramientas"
        self.herramientas.mkdir()
        for ruta, texto in ((self.herramientas / "valgrind", VALGRIND),
                            (self.bin / "bench_bubble_eventos", EVENTOS),
                            (self.bin / "bench_bubble_cuentas", "#!/bin/sh\n" + CUENTAS + "\n")):
            ruta.write_text(texto)
            ruta.chmod(0o755)

    def entorno(self, con_valgrind: bool = True, **mas) -> dict:
        camino = ([str(self.herramientas)] if con_valgrind else []) + ["/usr/local/bin"]
        # /bin and /usr/bin hold the shell's tools, and on Debian the real
        # valgrind: a directory of links to what the fakes use stands in.
        utiles = Path(self.tmp.name) / "utiles"
        if not utiles.exists():
            utiles.mkdir()
            for nombre in ("sh", "awk", "sleep", "cat", "echo", "printf", "dirname", "gnuplot",
                           "getconf"):
                if shutil.which(nombre):
                    (utiles / nombre).symlink_to(shutil.which(nombre))
        return {**os.environ, "PATH": ":".join(camino + [str(utiles)]), **mas}

    def eventos(self, *args, tallas: str = "100,200,400,800", **entorno
                ) -> subprocess.CompletedProcess:
        orden = [sys.executable, str(BARRIDO), "bubble", "--measure", "events", "--sizes",
                 tallas, *args, "--bin", str(self.bin), "--out", str(self.out)]
        return subprocess.run(orden, capture_output=True, text=True, timeout=120,
                              env=self.entorno(**entorno))


class BarridoDeEventos(ConValgrindFalso):
    def test_medidos_guardados_concluidos_y_escritos(self):
        r = self.eventos("--input", "aleatoria,ordenada")
        self.assertEqual(r.returncode, 0, r.stderr)
        # Stored under the measure's name, per run, with the counts taken too.
        estudios = {e.entrada: e for e in cargar(self.out / "estudio.json").estudios}
        aleatoria = estudios["aleatoria"].valores_de("eventos")
        self.assertEqual(aleatoria[800]["saltos_fallidos"], 800 * 800 / 4)
        self.assertEqual(aleatoria[800]["fallos_ll"], 800)
        self.assertEqual(sorted(estudios["ordenada"].cuentas), [100, 200, 400, 800])
        # The growth of each event named as the count rows' are.
        filas = [l.split("\t") for l in (self.out / "resumen.tsv").read_text().splitlines()]
        cabecera = filas[0]
        cotas = {(f[cabecera.index("entrada")], f[cabecera.index("medida")]):
                 f[cabecera.index("cota")] for f in filas[1:]
                 if f[cabecera.index("configuracion")] == "eventos"}
        self.assertEqual(cotas[("aleatoria", "saltos_fallidos")], "n^2")
        self.assertEqual(cotas[("ordenada", "saltos_fallidos")], "n")
        self.assertEqual(cotas[("ordenada", "instrucciones")], "n^2")
        # The kinds with the same counts told apart by the event that
        # differs, quoting it per comparison.
        self.assertIn("por qué: aleatoria, ordenada hacen las mismas comparaciones; a n = 800,"
                      " simulados, aleatoria: 0.25 saltos mal predichos por comparación;"
                      " ordenada: 0.00", r.stdout)
        # Each event per operation and per key in the table.
        self.assertRegex(r.stdout, r"\n800 +10\.0 +0\.00 +0\.00 +1\.00 +0\.25 +8000 ")
        # Where they came from, in the record, and why not the processor.
        plan = json.loads((self.out / "registro.json").read_text())["plan"]
        self.assertEqual(plan["eventos"]["fuente"], "simulada")
        self.assertFalse(plan["eventos"]["hardware"])
        informe = " ".join((self.out / "informe.md").read_text().split())
        self.assertIn("sin contadores del procesador: sin ciclos, instrucciones,", informe)
        self.assertIn("(sin PMU, como en casi todas las máquinas virtuales)", informe)

    def test_su_propia_parte_del_tiempo(self):
        # --time 4 over one series of counts and one of events: the events
        # series gets 2 s, and the fake sleeps n/1000 s: 3200 does not fit,
        # while the counts, whose share it is not, take every size.
        r = self.eventos("--time", "4", tallas="100,200,400,3200")
        self.assertEqual(r.returncode, 0, r.stderr)
        estudio = cargar(self.out / "estudio.json").estudios[0]
        self.assertEqual(sorted(estudio.valores_de("eventos")), [100, 200, 400])
        self.assertEqual(sorted(estudio.cuentas), [100, 200, 400, 3200])
        omitida = estudio.omitidas["eventos"][0]
        self.assertEqual(omitida.n, 3200)
        self.assertIn("la serie de eventos no cabe en sus 2 s", omitida.motivo)

    def test_falla_bajo_el_simulador(self):
        # (how it fails from n = 400 on, what the message says): the events
        # series ends there, its sizes simulated kept; the counts stand.
        casos = [({"FALLA_EN": "400"}, "terminó con estado 4 bajo valgrind; su mensaje:\nERROR:"
                                       " memoria"),
                 # A line whose names change is refused, as a counts line is.
                 ({"CAMBIA_EN": "400"}, "la línea de eventos nombra ejecuciones"
                                        " reloj_de_tarea_ns")]
        for entorno, mensaje in casos:
            with self.subTest(entorno=entorno):
                shutil.rmtree(self.out, ignore_errors=True)
                r = self.eventos(**entorno)
                self.assertEqual(r.returncode, 1)
                self.assertIn(mensaje, r.stderr)
                estudio = cargar(self.out / "estudio.json").estudios[0]
                self.assertEqual(sorted(estudio.valores_de("eventos")), [100, 200])
                self.assertEqual(sorted(estudio.cuentas), [100, 200, 400, 800])
                self.assertTrue(estudio.omitidas["eventos"][0].motivo.startswith(FALLO))
                self.assertIsNone(estudio.fallo)

    def test_sin_valgrind(self):
        # Nothing measured, and the previous study's files not removed.
        self.out.mkdir()
        (self.out / "viejo.tsv").write_text("x\n")
        (self.out / "ficheros.txt").write_text("viejo.tsv\n")
        r = self.eventos(con_valgrind=False)
        self.assertEqual(r.returncode, 1)
        self.assertIn("instale el paquete Debian valgrind (tools/preparar lo instala)", r.stderr)
        self.assertEqual(len(r.stderr.strip().splitlines()), 1)
        self.assertTrue((self.out / "viejo.tsv").exists())
        self.assertFalse((self.out / "estudio.json").exists())


class Fuentes(ConValgrindFalso):
    """The simulated events and the processor's counters, each under its
    own name."""

    def serie(self, contadores: bool) -> Estudio:
        estudio = Estudio(PROGRAMAS["bubble"], [], [], entrada="ordenada")
        plan = PlanEventos(Geometria(49152, 12, 64), Geometria(2**20, 8, 64),
                           hardware=contadores)
        entorno = self.entorno(**({"CONTADORES": "1"} if contadores else {}))
        with mock.patch.dict(os.environ, entorno, clear=True), open(os.devnull, "w") as nada:
            SerieDeEventos(estudio, self.bin / "bench_bubble_eventos", [100, 200], plan,
                           Progreso(nada)).medir()
        return estudio

    def test_quedan_en_el_progreso(self):
        # The events series' progress says what is left of its share and of
        # the series after it, not 0.
        estudio = Estudio(PROGRAMAS["bubble"], [], [], entrada="ordenada")
        plan = PlanEventos(Geometria(49152, 12, 64), Geometria(2**20, 8, 64), cuota=30.0)
        vistos = []
        with mock.patch.dict(os.environ, self.entorno(), clear=True), open(os.devnull, "w") as nada:
            progreso = Progreso(nada)
            progreso.midiendo = lambda *a: vistos.append(a[-1])
            SerieDeEventos(estudio, self.bin / "bench_bubble_eventos", [100, 200], plan,
                           progreso, despues=50.0).medir()
        self.assertEqual(len(vistos), 2)
        self.assertTrue(all(75.0 < q <= 80.0 for q in vistos), vistos)

    def test_nunca_mezcladas(self):
        simuladas = ["instrucciones", "lecturas", "escrituras", "fallos_l1d", "fallos_ll",
                     "saltos", "saltos_fallidos"]
        propias = ["hardware_ciclos", "hardware_instrucciones", "hardware_saltos_fallidos",
                   "hardware_fallos_l1d", "hardware_fallos_ll"]
        # (the build reads the processor's counters, names of the values)
        for contadores, nombres in ((False, simuladas), (True, simuladas + propias)):
            with self.subTest(contadores=contadores):
                valores = self.serie(contadores).valores_de("eventos")[200]
                self.assertEqual(sorted(valores), sorted(nombres))
                self.assertEqual(valores["instrucciones"], 10 * 200 * 200)
                if contadores:
                    self.assertEqual(valores["hardware_instrucciones"], 7)


def _con_sanitizador(binario: Path) -> bool:
    return b"__asan_init" in binario.read_bytes()


@unittest.skipUnless(shutil.which("valgrind") and (BIN / "bench_insertion_eventos").exists(),
                     "sin valgrind o sin los programas de eventos construidos")
class SimuladorDeVerdad(ConFalsos):
    def setUp(self):
        super().setUp()
        if _con_sanitizador(BIN / "bench_insertion_eventos"):
            self.skipTest("programas construidos con el sanitizador de direcciones, que"
                          " valgrind no puede ejecutar: las pruebas con valgrind de verdad se"
                          " saltan en ese preset")

    def test_insercion_falla_un_salto_por_clave(self):
        r = subprocess.run([sys.executable, str(BARRIDO), "insertion", "--measure", "events",
                            "--sizes", "250,500,1000,2000", "--input", "aleatoria", "--bin",
                            str(BIN), "--out", str(self.out)],
                           capture_output=True, text=True, timeout=300)
        self.assertEqual(r.returncode, 0, r.stderr)
        eventos = cargar(self.out / "estudio.json").estudios[0].valores_de("eventos")
        for n, valores in eventos.items():
            self.assertLess(abs(valores["saltos_fallidos"] / n - 1), 0.2)
        self.assertIn("eventos saltos_fallidos: el número de saltos mal predichos simulados"
                      " crece como n ", r.stdout)


if __name__ == "__main__":
    unittest.main()
