"""The signals that stop a sweep as Ctrl-C does: SIGINT, SIGTERM (a kill,
a CI timeout) and SIGHUP (a closed terminal). Each ends the sweep with what
it measured written and marked incomplete, and exit status 128 + the
signal's number."""

import signal
from contextlib import contextmanager
from typing import Iterator, Optional

SENALES = (signal.SIGINT, signal.SIGTERM, signal.SIGHUP)


class Interrupcion(KeyboardInterrupt):
    """A KeyboardInterrupt that knows the signal that raised it."""

    def __init__(self, numero: int):
        super().__init__(numero)
        self.numero = numero
        self.nombre = signal.Signals(numero).name


class Senales:
    """Turns the first of SENALES into an Interrupcion, raised where the
    sweep measures; while it writes a file (`diferidas`) the signal waits
    for the writing to end, so that no file is left half written. Later
    signals are ignored: the sweep is already closing."""

    def __init__(self):
        self.recibida: Optional[int] = None
        self._diferir = 0
        self._atendida = False

    def instalar(self):
        """Handles each of SENALES, but one the sweep was started ignoring
        (under nohup, SIGHUP; in a script's background job, SIGINT) stays
        ignored."""
        for numero in SENALES:
            if signal.getsignal(numero) is not signal.SIG_IGN:
                signal.signal(numero, self._recibir)

    def _recibir(self, numero: int, _marco):
        if self.recibida is not None:
            return
        self.recibida = numero
        if not self._diferir:
            raise Interrupcion(numero)

    @contextmanager
    def diferidas(self) -> Iterator[None]:
        """A stretch the signals do not interrupt; one received during it is
        raised when it ends."""
        self._diferir += 1
        try:
            yield
        finally:
            self._diferir -= 1
        self.comprobar()

    def comprobar(self):
        """Raises the signal received while deferred, if any, once no
        longer deferred and until the sweep attends to it."""
        if self.recibida is not None and not self._diferir and not self._atendida:
            raise Interrupcion(self.recibida)

    def atender(self):
        """The sweep is closing on the signal received: it is not raised
        again, and any other is ignored."""
        self._atendida = True
