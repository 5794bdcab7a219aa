"""What the sweep's tests share: the paths of the tool and of the built
programs, and synthetic data of known shape.

The real programs are looked for in BENCH_BIN_DIR (CTest sets it), or else
in build/bin of the repository."""

import os
import random
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

RAIZ = Path(__file__).resolve().parent.parent.parent
sys.path.insert(0, str(RAIZ / "tools"))

from barrido.datos.tallas import leer_tallas  # noqa: E402

BARRIDO = RAIZ / "tools" / "sweep"
BIN = Path(os.environ.get("BENCH_BIN_DIR", RAIZ / "build" / "bin"))


def sinteticos(t, tallas, ruido=0.05, semilla=1):
    """(n, t(n)) with multiplicative noise of up to ±ruido."""
    azar = random.Random(semilla)
    return [(n, t(n) * (1 + azar.uniform(-ruido, ruido))) for n in tallas]


GEOMETRICAS = leer_tallas("500:64000:x2")


# Fake programs: each prints what a real one would, or fails in one way. A
# time it reports it first spends asleep, as the sweep takes no time longer
# than its invocation.
FALSOS = {
    "cuadratico": 't="$(( $1 * $1 ))e-09"; sleep "$t"; echo "$1 $t"',
    "estado": 'echo "ERROR: la talla no vale" >&2; exit 1',
    "senal": "kill -SEGV $$",
    "basura": 'echo "hola"',
    "otra_talla": 'echo "7 0.5"',
    "dos_lineas": 'echo "$1 0.5"; echo "$1 0.5"',
    "sin_numero": 'echo "$1 nan"',
    # Fails from n = 300 on.
    "falla_en_300": '[ "$1" -ge 300 ] && exit 3; t="$(( $1 * $1 ))e-09"; sleep "$t"; echo "$1 $t"',
    # Sleeps (n/100)^2 / 50 seconds: 0.02 s at 100, 0.32 s at 400.
    "lento_cuadratico": 'sleep $(echo "$1" | awk \'{ printf "%.4f", ($1 / 100) ^ 2 / 50 }\');'
                        ' echo "$1 $(( $1 * $1 ))e-09"',
    # Hangs from n = 300 on.
    "cuelga_en_300": '[ "$1" -ge 300 ] && sleep 30; sleep 0.001; echo "$1 0.001"',
    # Reports 0.01, 0.01 and 0.07 seconds on successive calls of each size,
    # over and over.
    "uno_uno_siete": 'c=$(cat "$0.$1" 2>/dev/null || echo 0); echo $((c + 1)) > "$0.$1";'
                     ' case $((c % 3)) in 2) t=0.07;; *) t=0.01;; esac; sleep $t; echo "$1 $t"',
    # Writes its name and size to the log beside it, then reports.
    "anota": 'echo "$(basename "$0") $1" >> "$(dirname "$0")/registro.log"; sleep 0.001;'
             ' echo "$1 0.001"',
    # n^2 ns times 1, 1.03 and 1.06 on successive calls of each size.
    "cuadratico_variable": 'c=$(cat "$0.$1" 2>/dev/null || echo 0); echo $((c + 1)) > "$0.$1";'
                           ' t="$(( $1 * $1 * (100 + 3 * (c % 3)) ))e-11"; sleep "$t";'
                           ' echo "$1 $t"',
    # A sort timed on kinds of input ($2): linear on sorted keys, quadratic
    # on the others, twice as slow on reversed ones.
    "entradas": 'case "$2" in ordenada) f="$1 * 1000";; inversa) f="$1 * $1 * 2";;'
                ' *) f="$1 * $1";; esac; echo "$1 $(( $f ))e-10"',
    # Its counting build: n − 1 comparisons on sorted keys, n(n − 1)/2 on
    # reversed ones, about n²/4 on the others.
    "cuentas_entradas": 'case "$2" in ordenada) c=$(( $1 - 1 ));; inversa) c=$(( $1 * ($1 - 1) / 2 ));;'
                        ' *) c=$(( $1 * $1 / 4 + $1 ));; esac; echo "$1 comparaciones=$c escrituras=$1"',
    # A counting build of a quadratic sort.
    "cuentas_cuadraticas": 'echo "$1 comparaciones=$(( $1 * ($1 - 1) / 2 )) escrituras=$1.5"',
    # Times no invocation of theirs can have measured, and one of 0 s.
    "negativo": 'echo "$1 -1e-05"',
    "enorme": 'echo "$1 1e+300"',
    "infinito": 'echo "$1 1e+999"',
    "cero": 'echo "$1 0"',
    # Counting builds whose counts cannot be kept.
    "cuentas_enormes": 'echo "$1 comparaciones=1' + "0" * 300 + '"',
    "cuentas_infinitas": 'echo "$1 comparaciones=1' + "0" * 400 + '"',
    "cuentas_repetidas": 'echo "$1 comparaciones=5 comparaciones=6"',
    "cuentas_cambian": '[ "$1" -ge 200 ] && echo "$1 comparaciones=5 lecturas=1"'
                       ' || echo "$1 comparaciones=5 escrituras=1"',
    # Hangs from n = 300 on in a child, whose pid it leaves beside itself.
    "cuelga_con_hijo": '[ "$1" -ge 300 ] && { sleep 30 & echo $! > "$0.hijo"; wait; };'
                       ' sleep 0.001; echo "$1 0.001"',
    # Hangs at n = 300 from its second call on.
    "cuelga_a_la_segunda": 'c=$(cat "$0.$1" 2>/dev/null || echo 0); echo $((c + 1)) > "$0.$1";'
                           ' [ "$1" -eq 300 ] && [ "$c" -ge 1 ] && sleep 30; sleep 0.001;'
                           ' echo "$1 0.001"',
}


def vivo(pid: int) -> bool:
    """Whether a process runs (a zombie, dead but not yet reaped, does not)."""
    try:
        estado = Path(f"/proc/{pid}/stat").read_text()
    except OSError:
        return False
    return estado.rsplit(")", 1)[1].split()[0] != "Z"


class ConFalsos(unittest.TestCase):
    """Sweeps of fake programs into a temporary directory."""

    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.bin = Path(self.tmp.name) / "bin"
        self.out = Path(self.tmp.name) / "out"
        self.bin.mkdir()

    def tearDown(self):
        self.tmp.cleanup()

    def falso(self, binario: str, clase: str):
        ruta = self.bin / binario
        ruta.write_text("#!/bin/sh\n" + FALSOS[clase] + "\n")
        ruta.chmod(0o755)

    def orden(self, *args) -> list:
        return [sys.executable, str(BARRIDO), "--repeat", "1", "--measure", "time", *args,
                "--bin", str(self.bin), "--out", str(self.out)]

    def barrer(self, *args, entorno=None) -> subprocess.CompletedProcess:
        return subprocess.run(self.orden(*args), stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              universal_newlines=True, env=entorno, timeout=60)

    def tsv(self, programa: str) -> list:
        """The lines of a program's TSV after its version line."""
        lineas = (self.out / f"{programa}.tsv").read_text().splitlines()
        return lineas[1:] if lineas and lineas[0].startswith("# estudio de eficiencia") else lineas

    def filas(self, programa: str) -> list:
        """The lines of a program's TSV as dicts by column, comments left out."""
        lineas = [l for l in self.tsv(programa) if not l.startswith("#")]
        cabecera = lineas[0].split("\t")
        return [dict(zip(cabecera, l.split("\t"))) for l in lineas[1:]]
