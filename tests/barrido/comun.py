"""What the sweep's tests share: the paths of the tool and of the built
programs, and synthetic data of known shape.

The real programs are looked for in BENCH_BIN_DIR (CTest sets it), or else
in build/bin of the repository."""

import os
import random
import sys
from pathlib import Path

RAIZ = Path(__file__).resolve().parent.parent.parent
sys.path.insert(0, str(RAIZ / "tools"))

from barrido.tallas import analizar_tallas  # noqa: E402

BARRIDO = RAIZ / "tools" / "sweep"
BIN = Path(os.environ.get("BENCH_BIN_DIR", RAIZ / "build" / "bin"))


def sinteticos(t, tallas, ruido=0.05, semilla=1):
    """(n, t(n)) with multiplicative noise of up to ±ruido."""
    azar = random.Random(semilla)
    return [(n, t(n) * (1 + azar.uniform(-ruido, ruido))) for n in tallas]


GEOMETRICAS = analizar_tallas("500:64000:x2")
