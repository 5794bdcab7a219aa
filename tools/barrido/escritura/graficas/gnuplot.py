"""Running gnuplot on one script. The script reaches it on its standard
input, from an unnamed file, and the plot leaves it on its standard output,
into the file the caller opened: no path is ever written into a script.
gnuplot runs in a process group of its own, with a time limit; one still
running past it is killed with whatever it started, and what it said on
standard error is quoted in a few short lines."""

import os
import select
import signal
import subprocess
import tempfile
import time
from pathlib import Path
from typing import BinaryIO, List

from ...datos.errores import FalloPrograma
from ...datos.texto import visible

# Seconds a plot may take: the suite's largest takes well under one.
LIMITE_GNUPLOT = 10.0
# What of its standard error a message quotes: lines, characters a line,
# and bytes read at all (the rest is read and dropped).
LINEAS_DE_ERROR = 4
LARGO_DE_LINEA = 200
BYTES_DE_ERROR = 64 * 1024


class GnuplotColgado(FalloPrograma):
    """gnuplot ran past its time limit and was stopped: no other plot is
    tried."""


def citar(errores: bytes, completo: bool = True) -> str:
    """The first lines of what a program wrote on standard error, each cut
    to LARGO_DE_LINEA characters, and how many more there were (when
    `completo`, the whole of it was read)."""
    lineas = [l for l in errores.decode("utf-8", "replace").splitlines() if l.strip()]
    citadas: List[str] = []
    for linea in lineas[:LINEAS_DE_ERROR]:
        linea = visible(linea)
        citadas.append(linea if len(linea) <= LARGO_DE_LINEA else linea[:LARGO_DE_LINEA] + "…")
    if not completo:
        citadas.append("(y más)")
    elif len(lineas) > LINEAS_DE_ERROR:
        citadas.append(f"(y {len(lineas) - LINEAS_DE_ERROR} líneas más)")
    return "\n".join(citadas)


def _leer_con_limite(proceso: subprocess.Popen, hasta: float) -> bytes:
    """Reads the process's standard error until it closes or the time runs
    out, keeping its first BYTES_DE_ERROR bytes; raises TimeoutError when
    the time runs out first."""
    leidos = bytearray()
    descriptor = proceso.stderr.fileno()
    while True:
        queda = hasta - time.monotonic()
        if queda <= 0:
            raise TimeoutError
        listos, _, _ = select.select([descriptor], [], [], queda)
        if not listos:
            continue
        trozo = os.read(descriptor, 65536)
        if not trozo:
            return bytes(leidos)
        if len(leidos) < BYTES_DE_ERROR:
            leidos += trozo[:BYTES_DE_ERROR - len(leidos)]


def ejecutar_gnuplot(gnuplot: str, guion: str, salida: BinaryIO, ruta: Path,
                     limite: float = LIMITE_GNUPLOT):
    """Runs gnuplot on the script, drawing into `salida`; a FalloPrograma
    names `ruta` when gnuplot fails, GnuplotColgado when it hangs."""
    with tempfile.TemporaryFile() as entrada:
        entrada.write(guion.encode("utf-8", "backslashreplace"))
        entrada.seek(0)
        try:
            proceso = subprocess.Popen([gnuplot], stdin=entrada, stdout=salida,
                                       stderr=subprocess.PIPE, start_new_session=True)
        except OSError as e:
            raise FalloPrograma(f"no se pudo ejecutar gnuplot ({gnuplot}):"
                                f" {e.strerror}") from None
    with proceso:
        try:
            errores = _leer_con_limite(proceso, time.monotonic() + limite)
            proceso.wait(timeout=max(0.1, limite))
        except (TimeoutError, subprocess.TimeoutExpired):
            _matar(proceso)
            raise GnuplotColgado(f"gnuplot seguía con {visible(str(ruta))} tras {limite:.3g} s:"
                                 " se detuvo, y no se dibuja ninguna gráfica más") from None
        except BaseException:
            _matar(proceso)
            raise
    if proceso.returncode != 0:
        cita = citar(errores, len(errores) < BYTES_DE_ERROR)
        raise FalloPrograma(f"gnuplot no pudo dibujar {visible(str(ruta))}"
                            + (":\n" + cita if cita else f" (estado {proceso.returncode})"))


def _matar(proceso: subprocess.Popen):
    """Kills gnuplot's process group, and so whatever it started."""
    try:
        os.killpg(proceso.pid, signal.SIGKILL)
    except OSError:
        pass
    proceso.wait()
