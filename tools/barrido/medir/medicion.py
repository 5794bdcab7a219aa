"""The order of the invocations of one program's study, one at a time (two
at once would disturb each other's times).

Repeats are rounds, and each round visits every (size, configuration)
pair. The first goes up in size, the configurations alternating at each
size, and finds where the budget stops growth: before a size runs, one
invocation's time is predicted from the sizes already measured, and a size
predicted past the budget is left out with every larger one. Later rounds
visit the pairs in a shuffled order, so that a quiet or busy spell of the
machine lands on scattered points rather than on one configuration or a run
of neighbouring sizes. Counts come from one invocation per size in the
first round: they are the same however often they are taken.

An invocation stopped at the hard limit is not a failure of the study (with
worst-case inputs a prediction can fall short): its size is marked cut,
and no larger size of that series runs again."""

import math
import random
import time
from dataclasses import dataclass
from pathlib import Path
from typing import Callable, Dict, List, Optional, Sequence, Tuple

from .ejecucion import LimiteSuperado, contar, ejecutar
from .prevision import prever  # noqa: F401 (prever is the package's)
from ..datos.columnas import sin_choques
from ..datos.errores import FalloPrograma
from ..datos.estudio import Estudio, Punto
from ..estadistica.incertidumbre import intervalo_mediana
from ..datos.medidas import CUENTAS, EVENTOS, de_tipo, de_valores
from .cpu import cpu_de_los_hijos
from .perturbacion import Vigia
from .primera import primera_ronda, total_previsto
from .progreso import Progreso
from .referencia import Referencia
from . import restante
from .rondas import anadir, para_decidir
from .simulacion import PlanEventos, SerieDeEventos


@dataclass
class Plan:
    tallas: Sequence[int]
    directorio: Path  # where the binaries are
    rondas: int  # invocations of every pair, before --precision adds any
    presupuesto: float  # seconds one invocation may be predicted to take
    tiempos: bool = True
    cuentas: bool = True
    precision: Optional[float] = None  # relative half-width of the median's 95% interval
    max_rondas: int = 15
    # Seconds the whole series may take, every round and its counts: the
    # first round leaves out the largest sizes predicted not to fit.
    cuota: Optional[float] = None
    # Seconds the series before it left of their shares: the rounds for an
    # undecided verdict may take them too, the sizes never (a study plans
    # the same sizes however fast the series before it ran).
    sobrante: float = 0.0
    despues: float = 0.0  # seconds planned for the series after this one
    # The measures of named values to take (datos/medidas.py); None: counts if `cuentas`.
    nombradas: Optional[Sequence[str]] = None
    # This series' share of the sweep, held to it or not: the progress line counts it down.
    prevision: Optional[float] = None
    # The events series, after the rest (medir/simulacion.py), on its sizes.
    eventos: Optional[PlanEventos] = None
    tallas_eventos: Optional[Sequence[int]] = None  # None: `tallas`

    @property
    def de_valores(self) -> List[str]:
        """The measures of named values taken in the rounds: the events
        have a series of their own."""
        todas = list(self.nombradas) if self.nombradas is not None else ["cuentas"] * self.cuentas
        return [m for m in todas if m not in de_tipo(EVENTOS.tipo)]
    # Adds `rondas` shuffled rounds to a saved study's points at `tallas`.
    anadir: bool = False

    @property
    def limite(self) -> float:
        """Past this an invocation is stopped: three budgets and a second."""
        return 3 * self.presupuesto + 1


class Medicion:
    """Carries out a plan into an Estudio; `al_medir`, when given, is called
    after every invocation whose value was kept (the sweep rewrites the
    program's TSV there)."""

    def __init__(self, estudio: Estudio, plan: Plan, progreso: Progreso,
                 al_medir: Optional[Callable[[], None]] = None,
                 referencia: Optional[Referencia] = None,
                 juez: Optional[Callable[[Estudio], Dict[str, List[int]]]] = None):
        self.estudio = estudio
        # configuration -> the sizes whose rounds could decide its undecided
        # verdict on the times (rondas.para_decidir); and the series' clock.
        self.juez = juez
        self.reloj: Callable[[], float] = time.monotonic
        self.inicio = self.reloj()
        # The machine's speed is the sweep's: one reference for all series.
        self.vigia = Vigia(referencia or Referencia())
        self.plan = plan
        self.progreso = progreso
        self.al_medir = al_medir
        self.azar = random.Random(estudio.semilla)
        # Wall time of the first invocation of each (configuration, n), which
        # predicts larger sizes and what is left to run.
        self.duraciones: Dict[str, Dict[int, float]] = {}
        # configuration -> the least size cut at the hard limit after the
        # first round: neither it nor a larger size of the series runs again.
        self.cortes: Dict[str, int] = {}

    def medir(self):
        """Runs the whole plan. A failing program stops its study, with its
        message in estudio.fallo; KeyboardInterrupt (or a signal the sweep
        turned into one) marks the study as interrupted, with the signal's
        name, and goes on up, as does an error of the sweep's own, marked."""
        try:
            if self.plan.anadir:
                ronda = anadir(self)
            else:
                self._primera_ronda()
                for ronda in range(2, self.plan.rondas + 1):
                    # Counts are taken once: with no times there is no second round.
                    pares = self._pares()
                    if not pares:
                        break
                    self._ronda(pares, ronda)
                ronda = self.plan.rondas
            while self.plan.precision and (pares := self._imprecisos()):
                ronda += 1
                self._ronda(pares, ronda)
            para_decidir(self, ronda)
            if self.plan.eventos is not None:
                SerieDeEventos(self.estudio, self._binario(EVENTOS.nombre),
                               self.plan.tallas_eventos or self.plan.tallas, self.plan.eventos,
                               self.progreso, self.al_medir, despues=self.plan.despues).medir()
        except FalloPrograma as e:
            self.estudio.fallo = str(e)
        except KeyboardInterrupt as e:
            self.estudio.interrumpido = True
            nombre = getattr(e, "nombre", "SIGINT")
            self.estudio.senal = None if nombre == "SIGINT" else nombre
            raise
        except Exception as e:
            self.estudio.fallo = f"error interno del barrido: {type(e).__name__}: {e}"
            raise

    def _binario(self, configuracion: str) -> Path:
        return self.plan.directorio / self.estudio.programa.binario(configuracion,
                                                                    self.estudio.entrada)

    def _argumentos(self) -> Sequence[str]:
        """What follows the size on the command line: the kind of input."""
        return (self.estudio.entrada,) if self.estudio.entrada else ()

    def _activas(self) -> List[str]:
        return (list(self.estudio.configuraciones) if self.plan.tiempos else []) + (
            self.plan.de_valores)

    def _primera_ronda(self):
        primera_ronda(self)

    def _total_previsto(self, n: int) -> Optional[float]:
        return total_previsto(self, n)

    def _del_plan(self, n: int) -> bool:
        """Whether rounds visit n: always, but when adding to a saved study
        only its sizes that --sizes picked."""
        return not self.plan.anadir or n in self.plan.tallas

    def _cortado(self, configuracion: str, n: int) -> bool:
        return n >= self.cortes.get(configuracion, math.inf)

    def _pares(self) -> List[Tuple[str, int]]:
        """Every timed (configuration, n) measured, in a shuffled order."""
        pares = [(p.configuracion, p.n) for p in self.estudio.puntos if self._del_plan(p.n)]
        self.azar.shuffle(pares)
        return pares

    def _imprecisos(self) -> List[Tuple[str, int]]:
        """The pairs whose median is not yet known to ±precision and that
        may still take another invocation, shuffled."""
        pares = []
        for p in self.estudio.puntos:
            if (len(p.valores) >= self.plan.max_rondas or self._cortado(p.configuracion, p.n)
                    or not self._del_plan(p.n)):
                continue
            inf, sup, alcanza = intervalo_mediana(p.limpios)
            if not alcanza or max(p.mediana - inf, sup - p.mediana) > self.plan.precision * p.mediana:
                pares.append((p.configuracion, p.n))
        self.azar.shuffle(pares)
        return pares

    def _ronda(self, pares: List[Tuple[str, int]], ronda: int):
        self.progreso.ronda(self.estudio.programa.nombre, ronda, len(pares))
        for k, (configuracion, n) in enumerate(pares):
            if self._cortado(configuracion, n):
                continue
            try:
                self._invocar(configuracion, n, ronda, pendientes=pares[k + 1:])
            except LimiteSuperado as e:
                self.progreso.nota(f"{self.estudio.programa.nombre}: {e}; se conserva lo ya"
                                   f" medido de esa talla, y ni ella ni las mayores de"
                                   f" {configuracion} se repiten")
                self.estudio.punto(configuracion, n).cortada = True
                self.cortes[configuracion] = min(n, self.cortes.get(configuracion, n))
                if self.al_medir:
                    self.al_medir()

    def _invocar(self, configuracion: str, n: int, ronda: int,
                 pendientes: Sequence[Tuple[str, int]] = ()):
        programa = self.estudio.programa
        self.progreso.midiendo(programa.nombre, configuracion, n, ronda,
                               self._quedan(configuracion, ronda, n, pendientes))
        if de_valores(configuracion):
            cuentas, duracion = contar(self._binario(configuracion), n, self.plan.limite,
                                       self._argumentos())
            if configuracion == CUENTAS.nombre:
                # The counts' names are bare columns of the files; another
                # measure's columns carry its name before them.
                sin_choques(cuentas, f"«{self._binario(configuracion).name} {n}»")
            hechas = self.estudio.valores_de(configuracion)
            previas = list(next(iter(hechas.values()))) if hechas else []
            if previas and set(cuentas) != set(previas):
                raise FalloPrograma(f"«{self._binario(configuracion).name} {n}» contó"
                                    f" {', '.join(cuentas)}, y a las tallas anteriores"
                                    f" {', '.join(previas)}: las operaciones deben ser las"
                                    " mismas a toda talla")
            hechas[n] = cuentas
        else:
            punto, duracion = self._cronometrar(configuracion, n)
        self.duraciones.setdefault(configuracion, {}).setdefault(n, duracion)
        # On disk before it is reported.
        if self.al_medir:
            self.al_medir()
        if de_valores(configuracion):
            self.progreso.contado(programa.nombre, n, self.estudio.valores_de(configuracion)[n],
                                  configuracion)
        elif ronda == 1:
            self.progreso.medido(programa.nombre, punto)

    def _cronometrar(self, configuracion: str, n: int) -> Tuple[Punto, float]:
        """Times one invocation at (configuration, n), and again while the
        machine got in the way of it and the watch allows; every value is
        kept, the disturbed ones marked. The point, and the wall time of
        the last invocation."""
        repeticion = n <= self.estudio.programa.umbral_repeticion
        intento = 0
        while True:
            self.vigia.antes()
            valor, duracion, cpu = self._ejecutar(configuracion, n, repeticion)
            motivo = self.vigia.juzgar(configuracion, valor, cpu, duracion)
            punto = self.estudio.punto(configuracion, n)
            if punto is None:
                punto = Punto(n, configuracion, [], repeticion)
                self.estudio.puntos.append(punto)
            punto.anotar(valor, cpu, motivo is not None)
            self.estudio.espera = self.vigia.esperan()
            if not self.vigia.repetir(motivo, intento):
                return punto, duracion
            intento += 1
            self.estudio.repetidas += 1
            if self.al_medir:
                self.al_medir()

    def _ejecutar(self, conf: str, n: int, repeticion: bool) -> Tuple[float, float, float]:
        """One invocation: (the seconds it reports, its wall time, its CPU time)."""
        antes = cpu_de_los_hijos()
        valor, duracion = ejecutar(self._binario(conf), n, self.plan.limite, repeticion,
                                   self._argumentos())
        return valor, duracion, cpu_de_los_hijos() - antes

    def _quedan(self, configuracion: str, ronda: int, n: int,
                pendientes: Sequence[Tuple[str, int]]) -> float:
        """The seconds left in the sweep as (configuration, n) is about to run."""
        return restante.de_la_medicion(self, configuracion, ronda, n, pendientes)
