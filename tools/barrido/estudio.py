"""What a program's study measured: its points (every invocation's value
at each size and configuration), its counts and the sizes left out. What
is concluded from them is the analysis's (analisis.py)."""

import statistics
from dataclasses import dataclass, field
from typing import Dict, List, Optional, Sequence, Tuple

from .cotas import Cota
from .programas import Programa

# Useful resolution of the programs' clock. The clock counts nanoseconds,
# but every timed interval also holds the cost of two clock readings (a
# program at n = 0 reports about 5e-8 s), so a time of a few tens of
# nanoseconds measures the clock rather than the algorithm. Below 1 us that
# cost is above 5 % of the point, which is what the fit cannot absorb.
RESOLUCION = 1e-6

# A size whose largest invocation lies this far above the median has been
# disturbed by something else on the machine: the table marks it and the
# study says to measure it again.
DISPERSION_ANCHA = 1.25

# Every invocation's value at each size: what the fits and the bootstrap
# take.
Muestras = Sequence[Tuple[int, Sequence[float]]]


@dataclass
class Punto:
    n: int
    configuracion: str
    valores: List[float]  # what every invocation reported, in the order they ran
    repeticion: bool  # the program timed this size by repetition

    @property
    def mediana(self) -> float:
        return statistics.median(self.valores)

    @property
    def minimo(self) -> float:
        return min(self.valores)

    @property
    def maximo(self) -> float:
        return max(self.valores)

    @property
    def bajo_resolucion(self) -> bool:
        return self.mediana < RESOLUCION

    @property
    def inestable(self) -> bool:
        return len(self.valores) > 1 and self.maximo > DISPERSION_ANCHA * self.mediana > 0


@dataclass
class Omision:
    """A size not measured, and why: predicted past the budget, or stopped
    at the hard limit."""

    n: int
    motivo: str


@dataclass
class Estudio:
    """The measured series of one program: one per configuration timed,
    and the counts of its counting build. `entrada` names the kind of input
    the series were measured on (None: the specified programs' random
    input)."""

    programa: Programa
    configuraciones: List[str]
    cotas: List[Cota]
    semilla: int = 1
    puntos: List[Punto] = field(default_factory=list)
    # n -> the mean count of each operation, as the counting build wrote them
    cuentas: Dict[int, Dict[str, float]] = field(default_factory=dict)
    omitidas: Dict[str, List[Omision]] = field(default_factory=dict)
    fallo: Optional[str] = None
    interrumpido: bool = False
    entrada: Optional[str] = None
    # Whether `cotas` are the ones to judge by (given by --bounds, or read
    # from a saved study); otherwise the analysis judges the times around
    # the growth the counts name.
    cotas_fijas: bool = True

    @property
    def incompleto(self) -> bool:
        return self.interrumpido or self.fallo is not None

    @property
    def etiqueta(self) -> str:
        """The program's name, and the kind of input when there is one:
        «insertion», «insertion ordenada»."""
        return self.programa.nombre + (f" {self.entrada}" if self.entrada else "")

    @property
    def fichero(self) -> str:
        """The stem of the study's files: insertion, insertion.ordenada."""
        return self.programa.nombre + (f".{self.entrada}" if self.entrada else "")

    @property
    def nombres_de_cuentas(self) -> List[str]:
        """The counted operations, in the order the counting build writes
        them."""
        return list(next(iter(self.cuentas.values()))) if self.cuentas else []

    def puntos_de(self, configuracion: str) -> List[Punto]:
        """The points of one configuration, by size."""
        return sorted((p for p in self.puntos if p.configuracion == configuracion),
                      key=lambda p: p.n)

    def punto(self, configuracion: str, n: int) -> Optional[Punto]:
        return next((p for p in self.puntos if p.configuracion == configuracion and p.n == n),
                    None)

    def fuera_del_ajuste(self, punto: Punto) -> bool:
        """Points below the clock's resolution stay out of the fit. So do the
        points timed by repetition when the series also has at least two
        sizes timed once: the two methods can differ by a step (a sort
        repeated 100 times runs on warm caches), and a fit across it would
        measure the step rather than the growth."""
        if punto.bajo_resolucion:
            return True
        unicos = [p for p in self.puntos_de(punto.configuracion)
                  if not p.repeticion and not p.bajo_resolucion]
        return punto.repeticion and len(unicos) >= 2

    def marcas(self, punto: Punto) -> List[str]:
        """The marks of a point: rep, <res, * (out of the fit) and ! (a wide
        spread)."""
        marcas = []
        if punto.repeticion:
            marcas.append("rep")
        if punto.bajo_resolucion:
            marcas.append("<res")
        if self.fuera_del_ajuste(punto):
            marcas.append("*")
        if punto.inestable:
            marcas.append("!")
        return marcas

    def muestras(self, configuracion: str) -> List[Tuple[int, List[float]]]:
        """(n, every invocation's value) of the points that enter the fit,
        by size."""
        return [(p.n, p.valores) for p in self.puntos_de(configuracion)
                if not self.fuera_del_ajuste(p)]

    def cuenta(self, n: int) -> Optional[float]:
        """The main count at n (comparisons, steps or calls), if counted."""
        return self.cuentas.get(n, {}).get(self.programa.cuenta)

    def cuentas_principales(self) -> List[Tuple[int, float]]:
        """(n, main count) of every size counted, by size; sizes whose count
        is 0 (an array of one element makes no comparison) have no
        logarithm and are left out."""
        return sorted((n, c) for n in self.cuentas if (c := self.cuenta(n)) and c > 0)
