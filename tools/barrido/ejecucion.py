"""One invocation of a program of the suite, checked against the form of
its report line: the size and the mean time in seconds, or, from a
counting build, the size and the mean count of each operation."""

import re
import signal
import subprocess
import time
from pathlib import Path
from typing import Dict, Optional, Sequence, Tuple

from .errores import FalloPrograma

# The report line of every timed program: the size, one blank, the mean time
# in seconds as the C++ stream writes a double, a newline, and nothing else.
LINEA_INFORME = re.compile(r"(-?\d+) (-?(?:\d+\.?\d*|\.\d+)(?:e[-+]\d+)?)\n")

# The line of a counting build: the size, then for each counted operation a
# blank and nombre=valor, the mean count per run in fixed notation.
LINEA_CUENTAS = re.compile(r"(-?\d+)((?: [a-z_]+=\d+(?:\.\d+)?)+)\n")


class LimiteSuperado(FalloPrograma):
    """An invocation that ran past its hard time limit and was stopped."""


def _lanzar(binario: Path, n: int, limite: Optional[float], argumentos: Sequence[str] = ()
            ) -> Tuple[str, float, str]:
    """Runs `binario n [argumentos]` and returns what it wrote on standard
    output, its wall time and the tail of a message that quotes its
    standard error; any way of failing becomes a FalloPrograma that says
    how."""
    orden = " ".join([binario.name, str(n), *argumentos])
    inicio = time.monotonic()
    try:
        r = subprocess.run(
            [str(binario), str(n), *argumentos],
            stdin=subprocess.DEVNULL,
            stdout=subprocess.PIPE,
            stderr=subprocess.PIPE,
            timeout=limite,
        )
    except subprocess.TimeoutExpired:
        raise LimiteSuperado(f"«{orden}» pasó del límite de {limite:.3g} s y se detuvo") from None
    except OSError as e:
        raise FalloPrograma(f"no se pudo ejecutar {binario}: {e.strerror}") from None
    duracion = time.monotonic() - inicio
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
    return r.stdout.decode("utf-8", "replace"), duracion, mensaje


def _linea(binario: Path, n: int, limite: Optional[float], patron: "re.Pattern[str]",
           forma: str, argumentos: Sequence[str] = ()) -> Tuple["re.Match[str]", float]:
    """Runs `binario n [argumentos]` and checks its one line against
    `patron`, whose first group is the size: (the match, the wall time)."""
    salida, duracion, mensaje = _lanzar(binario, n, limite, argumentos)
    orden = " ".join([binario.name, str(n), *argumentos])
    m = patron.fullmatch(salida)
    if not m:
        raise FalloPrograma(f"«{orden}» no escribió una línea «{forma}»"
                            f" sino {salida[:200]!r}{mensaje}")
    if int(m.group(1)) != n:
        raise FalloPrograma(f"«{orden}» informó de la talla {m.group(1)}, no de {n}")
    return m, duracion


def ejecutar(binario: Path, n: int, limite: Optional[float] = None,
             argumentos: Sequence[str] = ()) -> Tuple[float, float]:
    """Runs one invocation: (the seconds it reports, its wall time). With a
    limit, an invocation still running after that many seconds is killed
    and raises LimiteSuperado. `argumentos` follow the size (a kind of
    input)."""
    m, duracion = _linea(binario, n, limite, LINEA_INFORME, "n segundos", argumentos)
    return float(m.group(2)), duracion


def contar(binario: Path, n: int, limite: Optional[float] = None,
           argumentos: Sequence[str] = ()) -> Tuple[Dict[str, float], float]:
    """Runs one invocation of a counting build: (each operation's mean count,
    in the order the program writes them; its wall time)."""
    m, duracion = _linea(binario, n, limite, LINEA_CUENTAS, "n nombre=valor ...", argumentos)
    cuentas = {}
    for campo in m.group(2).split():
        nombre, valor = campo.split("=")
        cuentas[nombre] = float(valor)
    return cuentas, duracion
