"""Standard output and standard error as the sweep writes them. Either can
close under it: a reader such as `head -1` that has read what it wanted, a
terminal hung up. A stream that closes is set aside (pointed at /dev/null,
so that nothing left in its buffer fails again when the program ends) and
the sweep goes on: what it measures is in the files of --out."""

import os
import sys
from typing import IO, Optional

from ..datos.sistema import motivo
from ..datos.texto import ESCAPADO


def a_nulo(flujo: IO[str]):
    """Points the stream's descriptor at /dev/null."""
    try:
        nulo = os.open(os.devnull, os.O_WRONLY)
        os.dup2(nulo, flujo.fileno())
        os.close(nulo)
    except (OSError, ValueError):
        pass


class Flujo:
    """A stream that stops being written, rather than failing, once it has
    closed; `cerrado` then says why."""

    def __init__(self, flujo: Optional[IO[str]]):
        self.flujo = flujo
        # Python gives None for a stream whose descriptor was closed at start.
        self.cerrado: Optional[str] = None if flujo is not None else "ya al empezar"

    def escribir(self, texto: str) -> bool:
        """Writes and flushes the text; False when the stream is closed (now
        or before)."""
        if self.cerrado is not None:
            return False
        try:
            self.flujo.write(texto)
            self.flujo.flush()
            return True
        except (OSError, ValueError) as e:
            self.cerrado = motivo(e)
            a_nulo(self.flujo)
            return False


def preparar_flujos():
    """Standard output and error as the sweep writes them: a path or a
    program's output that is not UTF-8 shown escaped, never an error; a
    standard error closed at start (None) replaced by /dev/null, as
    nothing can be said there. A standard output closed at start stays
    None: Flujo says so once, on standard error."""
    for flujo in (sys.stdout, sys.stderr):
        if flujo is not None and hasattr(flujo, "reconfigure"):
            flujo.reconfigure(errors=ESCAPADO)
    if sys.stderr is None:
        sys.stderr = open(os.devnull, "w")
