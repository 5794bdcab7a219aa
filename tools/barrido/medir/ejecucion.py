"""One invocation of a program of the suite, checked against the form of
its report line (the size and the mean time in seconds, or, from a
counting build, the size and the mean count of each operation) and its
values against what the invocation could have done in the time it took.

Each invocation runs in a process group of its own: the hard limit, or a
signal that stops the sweep, kills the whole group, children included;
once it ends, whatever it left running is ended too (procesos)."""

import math
import os
import re
import signal
import subprocess
import time
from pathlib import Path
from typing import Dict, Optional, Sequence, Tuple

from ..datos.errores import FalloPrograma
from ..datos.sistema import motivo
from ..datos.texto import cortar
from .procesos import esperar, recoger

# A program reports the mean time of runs made inside its invocation, so no
# reported time can be longer than the invocation's wall time. The margin
# leaves room for the two clocks (the programs read the real-time clock,
# which NTP may slew; the sweep a monotonic one), not for a time twice as
# long as the invocation, which only a faulty program or clock reports.
MARGEN_TIEMPO = 2.0
# A count is bounded the same way: no operation the counting builds count
# (a comparison, a step of Floyd's, a call) takes less than a cycle, and
# 10^11 a second is ten times what a core at 3 GHz retiring three a cycle
# could make. A count above that many per second of the invocation's wall
# time was not counted.
OPERACIONES_POR_SEGUNDO = 1e11

# The report line of every timed program: the size, one blank, the mean time
# in seconds as the C++ stream writes a double, a newline, and nothing else.
LINEA_INFORME = re.compile(r"(-?\d+) (-?(?:\d+\.?\d*|\.\d+)(?:e[-+]\d+)?)\n", re.ASCII)

# The line of a counting build: the size, then for each counted operation a
# blank and nombre=valor, the mean count per run in fixed notation.
LINEA_CUENTAS = re.compile(r"(-?\d+)((?: [a-z_]+=\d+(?:\.\d+)?)+)\n", re.ASCII)


class LimiteSuperado(FalloPrograma):
    """An invocation that ran past its hard time limit and was stopped."""

    def __init__(self, orden: str, limite: float):
        super().__init__(f"«{orden}» pasó del límite de {limite:.3g} s y se detuvo")
        self.limite = limite


def _matar(proceso: subprocess.Popen):
    """Kills the invocation's process group (the program and any child it
    started) and reaps the program."""
    try:
        os.killpg(proceso.pid, signal.SIGKILL)
    except OSError:  # the group is gone already
        pass
    proceso.wait()


def _lanzar(binario: Path, n: int, limite: Optional[float], argumentos: Sequence[str] = ()
            ) -> Tuple[str, float, str]:
    """Runs `binario n` and returns what it wrote on standard output, its
    wall time and the tail of a message that quotes its standard error; any
    way of failing becomes a FalloPrograma that says how. Whatever stops
    the wait (the limit, a signal to the sweep) kills the process group."""
    orden = " ".join([binario.name, str(n), *argumentos])
    inicio = time.monotonic()
    try:
        proceso = subprocess.Popen(
            [str(binario), str(n), *argumentos],
            stdin=subprocess.DEVNULL,
            stdout=subprocess.PIPE,
            stderr=subprocess.PIPE,
            start_new_session=True,
        )
    except OSError as e:
        raise FalloPrograma(f"no se pudo ejecutar {binario}: {motivo(e)}") from None
    try:
        with proceso:
            try:
                salida, errores_crudos = esperar(proceso, limite)
            except subprocess.TimeoutExpired:
                _matar(proceso)
                raise LimiteSuperado(orden, limite) from None
            except BaseException:
                _matar(proceso)
                raise
    finally:
        # Whatever the program left running, in its group or out of it.
        recoger(proceso.pid)
    duracion = time.monotonic() - inicio
    errores = errores_crudos.decode("utf-8", "replace").strip()
    mensaje = ("; su mensaje:\n" + errores) if errores else ""
    if proceso.returncode < 0:
        try:
            nombre = signal.Signals(-proceso.returncode).name
        except ValueError:
            nombre = str(-proceso.returncode)
        raise FalloPrograma(f"«{orden}» murió por la señal {nombre}{mensaje}")
    if proceso.returncode != 0:
        raise FalloPrograma(f"«{orden}» terminó con estado {proceso.returncode}{mensaje}")
    return salida.decode("utf-8", "replace"), duracion, mensaje


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
    if m.group(1) != str(n):
        raise FalloPrograma(f"«{orden}» informó de la talla {cortar(m.group(1))}, no de {n}")
    return m, duracion


def _corto(numero: str) -> str:
    """A number as a message quotes it: a long one by its head and length."""
    return cortar(numero)


def ejecutar(binario: Path, n: int, limite: Optional[float] = None,
             repeticion: bool = False, argumentos: Sequence[str] = ()) -> Tuple[float, float]:
    """Runs one invocation: (the seconds it reports, its wall time). With a
    limit, an invocation still running after that many seconds is killed
    and raises LimiteSuperado. The time must be finite, no longer than
    MARGEN_TIEMPO times the invocation, and not negative unless the size is
    timed by repetition (`repeticion`), where the copies' cost is subtracted
    and the difference kept as it comes; any other is a FalloPrograma."""
    m, duracion = _linea(binario, n, limite, LINEA_INFORME, "n segundos", argumentos)
    valor = float(m.group(2))
    texto = _corto(m.group(2))
    orden = f"«{' '.join([binario.name, str(n), *argumentos])}»"
    if not math.isfinite(valor):
        raise FalloPrograma(f"{orden} informó de un tiempo que no cabe en un double: {texto}")
    if valor < 0 and not repeticion:
        raise FalloPrograma(f"{orden} informó de un tiempo negativo, {texto} s: solo el"
                            " cronometraje por repetición puede darlo, y esta talla no lo usa")
    if abs(valor) > MARGEN_TIEMPO * duracion:
        raise FalloPrograma(f"{orden} informó de {texto} s, y la invocación entera duró"
                            f" {duracion:.3g} s")
    return valor, duracion


def contar(binario: Path, n: int, limite: Optional[float] = None,
           argumentos: Sequence[str] = ()) -> Tuple[Dict[str, float], float]:
    """Runs one invocation of a counting build: (each operation's mean count,
    in the order the program writes them; its wall time). Each count must be
    finite, named once, and within OPERACIONES_POR_SEGUNDO of the
    invocation's wall time; any other is a FalloPrograma."""
    m, duracion = _linea(binario, n, limite, LINEA_CUENTAS, "n nombre=valor ...", argumentos)
    orden = f"«{' '.join([binario.name, str(n), *argumentos])}»"
    cuentas: Dict[str, float] = {}
    for campo in m.group(2).split():
        nombre, texto = campo.split("=")
        valor, corto = float(texto), _corto(texto)
        if nombre in cuentas:
            raise FalloPrograma(f"{orden} dio dos veces la cuenta {nombre}")
        if not math.isfinite(valor):
            raise FalloPrograma(f"{orden} dio {nombre}={corto}, que no cabe en un double")
        if valor > OPERACIONES_POR_SEGUNDO * duracion:
            raise FalloPrograma(f"{orden} dio {nombre}={corto}, más de lo que cabe en los"
                                f" {duracion:.3g} s que duró la invocación (como mucho"
                                f" {OPERACIONES_POR_SEGUNDO:.0e} por segundo)")
        cuentas[nombre] = valor
    return cuentas, duracion
