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

# A size whose largest invocation lies this far above the median, or whose
# median lies this far above its fastest, has been disturbed by something
# else on the machine: the table marks it and the study says to measure it
# again. (The second catches a size most of whose invocations were slowed,
# whose median is then near its maximum: bubble sort at 700 keys once had
# a median 8.6 times its fastest.)
DISPERSION_ANCHA = 1.25

# The longest time a saved study can hold: no invocation outlasts its hard
# limit (three days and a second at the largest --budget), and no program
# reports more than its invocation lasted. A saved time beyond this is
# damage to the file, not a measurement.
TIEMPO_MAXIMO = 1e6

# Past 2^53 a double no longer holds every integer: a count beyond it is
# marked inexact, its last digits rounded.
EXACTO = 2**53

# Every invocation's value at each size: what the fits and the bootstrap
# take.
Muestras = Sequence[Tuple[int, Sequence[float]]]


@dataclass
class Punto:
    n: int
    configuracion: str
    valores: List[float]  # what every invocation reported, in the order they ran
    repeticion: bool  # the program timed this size by repetition
    cortada: bool = False  # a later invocation was stopped at the hard limit
    # Index-aligned with valores, when the sweep measured them (a study
    # saved before it did has them empty): each invocation's CPU time, and
    # whether the machine got in the way of it (medir/perturbacion.py).
    cpu: List[float] = field(default_factory=list)
    perturbadas: List[bool] = field(default_factory=list)

    def anotar(self, valor: float, cpu: float, perturbada: bool):
        """One more invocation, with its CPU time and mark."""
        self.valores.append(valor)
        self.cpu.append(cpu)
        self.perturbadas.append(perturbada)

    @property
    def limpios(self) -> List[float]:
        """The values the analysis takes: those the machine did not
        disturb, or every one when all were (they are kept, marked, and
        are all there is)."""
        marcas = self.perturbadas + [False] * (len(self.valores) - len(self.perturbadas))
        limpios = [v for v, p in zip(self.valores, marcas) if not p]
        return limpios or list(self.valores)

    @property
    def n_perturbadas(self) -> int:
        return sum(self.perturbadas)

    @property
    def mediana(self) -> float:
        return statistics.median(self.limpios)

    @property
    def minimo(self) -> float:
        return min(self.limpios)

    @property
    def maximo(self) -> float:
        return max(self.limpios)

    @property
    def bajo_resolucion(self) -> bool:
        """Below the clock's useful resolution; a time of 0 is the clock
        seeing no time pass, its resolution too."""
        return self.mediana < RESOLUCION or self.minimo == 0

    @property
    def negativo(self) -> bool:
        """An invocation reported less than 0 s: the repeated timing
        subtracts the copies' cost, and the difference is kept as it comes."""
        return self.minimo < 0

    @property
    def inestable(self) -> bool:
        return len(self.limpios) > 1 and (self.maximo > DISPERSION_ANCHA * self.mediana > 0
                                          or self.mediana > DISPERSION_ANCHA * self.minimo > 0)


# What the files of a study say while the sweep still measures it: a sweep
# killed outright leaves it there, and the study reads back as incomplete.
EN_CURSO = "en curso (el barrido no llegó a cerrar este fichero)"

# How the reason of a size stopped at the hard limit begins.
CORTADA = "cortada al límite de"


@dataclass
class Omision:
    """A size not measured, and why: predicted past the budget, stopped at
    the hard limit (cortada), or larger than one stopped there."""

    n: int
    motivo: str
    cortada: bool = False


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
    senal: Optional[str] = None  # the signal that interrupted it, when not Ctrl-C's SIGINT
    # measure -> n -> its named values, for the measures that report named
    # values other than the counts (which keep `cuentas`)
    nombradas: Dict[str, Dict[int, Dict[str, float]]] = field(default_factory=dict)

    def valores_de(self, medida: str) -> Dict[int, Dict[str, float]]:
        """n -> the named values of a measure that reports them."""
        if medida == "cuentas":
            return self.cuentas
        return self.nombradas.setdefault(medida, {})
    # The --out the study is saved in, which the hint to measure more names.
    directorio: Optional[str] = None
    # Invocations measured again because the machine got in the way, and
    # the configurations that wait rather than compute, with the largest
    # share of CPU time in their wall time (medir/perturbacion.py).
    repetidas: int = 0
    espera: Dict[str, float] = field(default_factory=dict)
    # configuration -> (the sizes that would decide its verdict on the
    # times, the seconds one round of them takes), for the verdicts the
    # series' share of time left undecided (medir/rondas.py).
    sin_decidir: Dict[str, Tuple[List[int], float]] = field(default_factory=dict)

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
        """Points below the clock's resolution stay out of the fit, and so
        do points with a negative time (the fit takes logarithms). So do the
        points timed by repetition when the series also has at least two
        sizes timed once: the two methods can differ by a step (a sort
        repeated 100 times runs on warm caches), and a fit across it would
        measure the step rather than the growth."""
        if punto.bajo_resolucion or punto.negativo:
            return True
        unicos = [p for p in self.puntos_de(punto.configuracion)
                  if not p.repeticion and not p.bajo_resolucion]
        return punto.repeticion and len(unicos) >= 2

    def marcas(self, punto: Punto) -> List[str]:
        """The marks of a point: rep, <res, neg (a negative time), * (out of
        the fit), ! (a wide spread), cortada (an invocation stopped at
        the hard limit) and ocupada (the machine disturbed an invocation,
        kept and marked)."""
        marcas = []
        if punto.repeticion:
            marcas.append("rep")
        if punto.bajo_resolucion:
            marcas.append("<res")
        if punto.negativo:
            marcas.append("neg")
        if self.fuera_del_ajuste(punto):
            marcas.append("*")
        if punto.inestable:
            marcas.append("!")
        if punto.cortada:
            marcas.append("cortada")
        if punto.n_perturbadas:
            marcas.append("ocupada")
        return marcas

    def cortadas(self, configuracion: str) -> List[int]:
        """The sizes of a series where an invocation was stopped at the hard
        limit: left out, or kept with the invocations that ended."""
        return sorted({o.n for o in self.omitidas.get(configuracion, []) if o.cortada}
                      | {p.n for p in self.puntos_de(configuracion) if p.cortada})

    def inexacta(self, n: int) -> bool:
        """Whether a count at n lies past EXACTO, where it is rounded."""
        return any(v > EXACTO for v in self.cuentas.get(n, {}).values())

    @property
    def motivo_incompleto(self) -> Optional[str]:
        """What cut the study short: the failure, the signal (interrumpido
        for Ctrl-C), or None."""
        if self.fallo:
            return self.fallo
        if self.interrumpido:
            return self.senal or "interrumpido"
        return None

    def muestras(self, configuracion: str) -> List[Tuple[int, List[float]]]:
        """(n, every invocation's value) of the points that enter the fit,
        by size."""
        return [(p.n, p.limpios) for p in self.puntos_de(configuracion)
                if not self.fuera_del_ajuste(p)]

    def cuenta(self, n: int) -> Optional[float]:
        """The main count at n (comparisons, steps or calls), if counted."""
        return self.cuentas.get(n, {}).get(self.programa.cuenta)

    def cuentas_principales(self) -> List[Tuple[int, float]]:
        """(n, main count) of every size counted, by size; sizes whose count
        is 0 (an array of one element makes no comparison) have no
        logarithm and are left out."""
        return sorted((n, c) for n in self.cuentas if (c := self.cuenta(n)) and c > 0)
