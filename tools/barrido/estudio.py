"""The study of one program: its measured points, which of them enter the
fit, and what is fitted from them."""

from dataclasses import dataclass, field
from typing import Dict, List, Optional, Tuple

from .ajuste import Ajuste, Tendencia, ajustar, tendencias
from .cotas import Cota
from .programas import Programa

# Useful resolution of the programs' clock. The clock counts nanoseconds,
# but every timed interval also holds the cost of two clock readings (a
# program at n = 0 reports about 5e-8 s), so a time of a few tens of
# nanoseconds measures the clock rather than the algorithm. Below 1 us that
# cost is above 5 % of the point, which is what the fit cannot absorb.
RESOLUCION = 1e-6


@dataclass
class Punto:
    n: int
    configuracion: str
    mediana: float
    minimo: float
    maximo: float
    repeticion: bool  # the program timed this size by repetition

    @property
    def bajo_resolucion(self) -> bool:
        return self.mediana < RESOLUCION


@dataclass
class Estudio:
    programa: Programa
    configuraciones: List[str]
    cotas: List[Cota]
    puntos: List[Punto] = field(default_factory=list)
    omitidas: Dict[str, List[int]] = field(default_factory=dict)
    fallo: Optional[str] = None

    def serie(self, configuracion: str) -> List[Punto]:
        return [p for p in self.puntos if p.configuracion == configuracion]

    def fuera_del_ajuste(self, punto: Punto) -> bool:
        """Points below the clock's resolution stay out of the fit. So do the
        points timed by repetition when the series also has at least two
        sizes timed once: the two methods can differ by a step (a sort
        repeated 100 times runs on warm caches), and a fit across it would
        measure the step rather than the growth."""
        if punto.bajo_resolucion:
            return True
        unicos = [p for p in self.serie(punto.configuracion)
                  if not p.repeticion and not p.bajo_resolucion]
        return punto.repeticion and len(unicos) >= 2

    def notas(self, punto: Punto) -> List[str]:
        """The marks of a point in the table: rep, <res and * (out of the fit)."""
        notas = []
        if punto.repeticion:
            notas.append("rep")
        if punto.bajo_resolucion:
            notas.append("<res")
        if self.fuera_del_ajuste(punto):
            notas.append("*")
        return notas

    def ajustables(self, configuracion: str) -> List[Tuple[int, float]]:
        """The (n, t) points that enter the fit."""
        return [(p.n, p.mediana) for p in self.serie(configuracion)
                if not self.fuera_del_ajuste(p)]

    def ajuste(self, configuracion: str) -> Optional[Ajuste]:
        return ajustar(self.ajustables(configuracion), self.programa.exponencial)

    def tendencias(self, configuracion: str) -> List[Tendencia]:
        return tendencias(self.ajustables(configuracion), self.cotas, self.programa.exponencial)

    def aceleracion(self, punto: Punto) -> Optional[float]:
        """Time of the least optimised configuration over this one's, same n."""
        if len(self.configuraciones) < 2:
            return None
        for p in self.serie(self.configuraciones[0]):
            if p.n == punto.n and punto.mediana > 0 and p.mediana > 0:
                return p.mediana / punto.mediana
        return None
