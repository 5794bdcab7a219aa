"""Progress on standard error: one live line on a terminal, plain lines
(one per measured size) otherwise."""

import sys
import time

from .estudio import Punto


class Progreso:
    def __init__(self, flujo=None):
        self.flujo = flujo or sys.stderr
        self.terminal = self.flujo.isatty()
        self.inicio = time.monotonic()

    def transcurrido(self) -> float:
        return time.monotonic() - self.inicio

    def midiendo(self, programa: str, configuracion: str, n: int, vez: int, veces: int):
        if self.terminal:
            self.flujo.write(
                f"\r\x1b[K{programa} {configuracion}  n = {n}  ({vez}/{veces})"
                f"  {self.transcurrido():.1f} s"
            )
            self.flujo.flush()

    def medido(self, programa: str, punto: Punto):
        if not self.terminal:
            self.flujo.write(
                f"{programa} {punto.configuracion} n = {punto.n}: {punto.mediana:.6g} s"
                f"  ({self.transcurrido():.1f} s)\n"
            )
            self.flujo.flush()

    def nota(self, texto: str):
        self.limpiar()
        self.flujo.write(texto + "\n")
        self.flujo.flush()

    def limpiar(self):
        if self.terminal:
            self.flujo.write("\r\x1b[K")
            self.flujo.flush()
