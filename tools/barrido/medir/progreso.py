"""Progress on standard error: one live line on a terminal, with the time
spent and an estimate of the time left; plain lines otherwise (one per
size of the first round, one per later round). A standard error that
closes (a terminal hung up) is no longer written."""

import sys
import time
from typing import Dict

from ..datos.estudio import Punto
from .salida import Flujo


class Progreso:
    def __init__(self, flujo=None):
        self.flujo = flujo or sys.stderr
        self.salida = Flujo(self.flujo)
        try:
            self.terminal = self.flujo.isatty()
        except (OSError, ValueError):
            self.terminal = False
        self.inicio = time.monotonic()

    def transcurrido(self) -> float:
        return time.monotonic() - self.inicio

    def _vivo(self, texto: str):
        if self.terminal:
            self.salida.escribir(f"\r\x1b[K{texto}")

    def _linea(self, texto: str):
        if not self.terminal:
            self.salida.escribir(texto + "\n")

    def midiendo(self, programa: str, configuracion: str, n: int, ronda: int, quedan: float):
        self._vivo(f"{programa} {configuracion}  n = {n}  ronda {ronda}"
                   f"  {self.transcurrido():.1f} s, quedan ~{quedan:.0f} s")

    def medido(self, programa: str, punto: Punto):
        self._linea(f"{programa} {punto.configuracion} n = {punto.n}: {punto.mediana:.6g} s"
                    f"  ({self.transcurrido():.1f} s)")

    def contado(self, programa: str, n: int, cuentas: Dict[str, float],
                medida: str = "cuentas"):
        # In fixed notation, as the counting build wrote them.
        valores = " ".join(f"{k}={v:.10g}" if v < 1e10 else f"{k}={v:.0f}"
                           for k, v in cuentas.items())
        self._linea(f"{programa} {medida} n = {n}: {valores}  ({self.transcurrido():.1f} s)")

    def ronda(self, programa: str, ronda: int, pares: int):
        self._linea(f"{programa}: ronda {ronda}, {pares} ejecuciones"
                    f"  ({self.transcurrido():.1f} s)")

    def nota(self, texto: str):
        self.limpiar()
        self.salida.escribir(texto + "\n")

    def limpiar(self):
        if self.terminal:
            self.salida.escribir("\r\x1b[K")
