"""Standard output and standard error as the sweep writes them. Either can
close under it: a reader such as `head -1` that has read what it wanted, a
terminal hung up. A stream that closes is set aside (pointed at /dev/null,
so that nothing left in its buffer fails again when the program ends) and
the sweep goes on: what it measures is in the files of --out."""

import os
from typing import IO, Optional

from ..datos.sistema import motivo


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

    def __init__(self, flujo: IO[str]):
        self.flujo = flujo
        self.cerrado: Optional[str] = None

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
