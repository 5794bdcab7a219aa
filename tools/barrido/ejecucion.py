"""One invocation of a program of the suite, checked against the form of
its report line: the size, one blank, the mean time in seconds."""

import re
import signal
import subprocess
import time
from pathlib import Path
from typing import Tuple

from .errores import FalloPrograma

# The report line of every program: the size, one blank, the mean time in
# seconds as the C++ stream writes a double, a newline, and nothing else.
LINEA_INFORME = re.compile(r"(-?\d+) (-?(?:\d+\.?\d*|\.\d+)(?:e[-+]\d+)?)\n")


def ejecutar(binario: Path, n: int) -> Tuple[float, float]:
    """Runs one invocation: (the seconds it reports, its wall time)."""
    orden = f"{binario.name} {n}"
    inicio = time.monotonic()
    try:
        r = subprocess.run(
            [str(binario), str(n)],
            stdin=subprocess.DEVNULL,
            stdout=subprocess.PIPE,
            stderr=subprocess.PIPE,
        )
    except OSError as e:
        raise FalloPrograma(f"no se pudo ejecutar {binario}: {e.strerror}") from None
    duracion = time.monotonic() - inicio
    salida = r.stdout.decode("utf-8", "replace")
    errores = r.stderr.decode("utf-8", "replace").strip()
    mensaje = ("; su mensaje:\n" + errores) if errores else ""
    if r.returncode < 0:
        try:
            nombre = signal.Signals(-r.returncode).name
        except ValueError:
            nombre = str(-r.returncode)
        raise FalloPrograma(f"«{orden}» murió por la señal {nombre}{mensaje}")
    if r.returncode != 0:
        raise FalloPrograma(f"«{orden}» terminó con estado {r.returncode}{mensaje}")
    m = LINEA_INFORME.fullmatch(salida)
    if not m:
        raise FalloPrograma(
            f"«{orden}» no escribió una línea «n segundos» sino {salida[:200]!r}{mensaje}"
        )
    if int(m.group(1)) != n:
        raise FalloPrograma(f"«{orden}» informó de la talla {m.group(1)}, no de {n}")
    return float(m.group(2)), duracion
