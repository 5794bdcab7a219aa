"""The series of a study's machine events: one invocation of the program's
events build per size, under valgrind's cache and branch simulator
(medir/eventos.py), after the times and counts of the study, with sizes and
a share of time of its own. The simulator is some 65 times slower than the
program, so the events must not eat the times' share: before each size,
the invocation is predicted from the sizes already simulated, and a size
that would take the series past its share, or one invocation past its
budget, is left out with every larger one, saying so.

The simulated caches are this machine's L1d and its L2 as the last level
(the level the sizes a study reaches outgrow), each rounded to a geometry
valgrind accepts. Where the build's own line reads the processor's
counters, they are kept beside the simulated events under names of their
own (hardware_instrucciones, ...): the two sources are never mixed.

A program that fails under the simulator ends the events series alone:
its sizes already simulated are kept, the rest are left out with the
failure as their reason."""

import time
from dataclasses import dataclass, field
from pathlib import Path
from typing import Callable, Dict, List, Optional, Sequence

from ..datos.errores import FalloPrograma
from ..datos.estudio import Estudio, Omision
from ..datos.medidas import EVENTOS
from .eventos import HARDWARE, SIMULADA, Sucesos, contadores, simular
from .geometria import Geometria, cache_de_la_maquina, geometria_aceptada
from .prevision import prever
from .restante import quedan
from .progreso import Progreso

# How many times slower a run is under the simulator than alone (bubble,
# insertion and heapsort sorts, 2-core AMD EPYC): a simulated invocation may
# be predicted to take this many budgets.
LENTITUD = 65

# The processor's counters of the build's line, kept as hardware events
# (the two software events every kernel gives are not the machine's).
DEL_PROCESADOR = ("ciclos", "instrucciones", "saltos_fallidos", "fallos_l1d", "fallos_ll")
PREFIJO_HARDWARE = HARDWARE + "_"

# How the reason of a size left out by a failure under the simulator begins.
FALLO = "falló bajo valgrind"


@dataclass
class PlanEventos:
    """How the events series of each study is measured."""
    d1: Optional[Geometria]
    ll: Optional[Geometria]
    nota: str = ""  # how the caches were rounded, or why they were not given
    hardware: bool = False  # the build's line reads the processor's counters
    sin_hardware: str = ""  # why it does not, when it does not
    presupuesto: float = 10.0 * LENTITUD  # seconds one invocation may be predicted to take
    cuota: Optional[float] = None  # seconds the series may take

    @property
    def limite(self) -> float:
        return 3 * self.presupuesto + 1

    def como_dict(self) -> Dict[str, object]:
        """For the record and the store's plan."""
        return {"fuente": SIMULADA,
                "d1": self.d1.opcion() if self.d1 else None,
                "ll": self.ll.opcion() if self.ll else None,
                "nota": self.nota,
                "hardware": self.hardware,
                "sin_hardware": self.sin_hardware,
                "presupuesto_s": self.presupuesto, "cuota_s": self.cuota}


def caches_simuladas(cache: Callable[[str], Optional[tuple]] = cache_de_la_maquina
                     ) -> tuple:
    """(D1, LL, note) for valgrind: this machine's L1d and L2, each rounded
    to a geometry valgrind accepts; None where the machine does not say
    (valgrind then takes the processor's own), and the note says which."""
    geometrias: List[Optional[Geometria]] = []
    notas = []
    for nombre, opcion in (("L1d", "D1"), ("L2", "LL")):
        datos = cache(nombre)
        if datos is None:
            geometrias.append(None)
            notas.append(f"{opcion}: la máquina no dice su {nombre}; valgrind toma la suya")
            continue
        geometria, nota = geometria_aceptada(*datos)
        geometrias.append(geometria)
        notas.append(f"{opcion} = {nombre}, {geometria.opcion()}" + (f" ({nota})" if nota else ""))
    return geometrias[0], geometrias[1], "; ".join(notas)


def sondear_hardware(binario: Path, entrada: Optional[str]) -> tuple:
    """(whether the build's line reads the processor's counters, why not):
    one small run of the events build outside the simulator."""
    try:
        sucesos = contadores(binario, 100, entrada, limite=60)
    except FalloPrograma as e:
        return False, f"la sonda de contadores falló: {str(e).splitlines()[0]}"
    if all(sucesos.valores.get(x) is not None for x in DEL_PROCESADOR):
        return True, ""
    return False, sucesos.nota or "el programa no leyó los contadores del procesador"


@dataclass
class SerieDeEventos:
    """Measures the events series of one study."""
    estudio: Estudio
    binario: Path
    tallas: Sequence[int]
    plan: PlanEventos
    progreso: Progreso
    al_medir: Optional[Callable[[], None]] = None
    duraciones: Dict[int, float] = field(default_factory=dict)
    despues: float = 0.0  # seconds planned for the series after this one

    def _omitir(self, desde: int, motivo: str):
        self.estudio.omitidas[EVENTOS.nombre] = [
            Omision(m, motivo if m == desde else "") for m in self.tallas if m >= desde]

    def medir(self):
        programa = self.estudio.programa
        for n in sorted(self.tallas):
            prevista = prever(self.duraciones, n, programa.exponencial)
            if prevista is not None:
                gastado = sum(self.duraciones.values())
                cuota = self.plan.cuota
                if cuota is not None and gastado + prevista > cuota:
                    self._omitir(n, f"la serie de eventos no cabe en sus {cuota:.3g} s: con"
                                    f" esta talla se prevén {gastado + prevista:.3g} s")
                    return
                if prevista > self.plan.presupuesto:
                    self._omitir(n, f"se prevén {prevista:.3g} s bajo valgrind por ejecución")
                    return
            self.progreso.midiendo(programa.nombre, EVENTOS.nombre, n, 1,
                                   quedan(prevista or 0.0, self.plan.cuota,
                                          sum(self.duraciones.values()), self.despues))
            try:
                sucesos = self._una(n)
            except FalloPrograma as e:
                primera = str(e).splitlines()[0]
                self.progreso.nota(f"{self.estudio.etiqueta}: {e}; la serie de eventos termina"
                                   " aquí y se conserva lo ya simulado")
                self._omitir(n, f"{FALLO}: {primera}")
                return
            hechas = self.estudio.valores_de(EVENTOS.nombre)
            previas = list(next(iter(hechas.values()))) if hechas else []
            if previas and set(sucesos) != set(previas):
                raise FalloPrograma(f"«{self.binario.name} {n}» dio los eventos"
                                    f" {', '.join(sucesos)}, y a las tallas anteriores"
                                    f" {', '.join(previas)}: deben ser los mismos a toda talla")
            hechas[n] = sucesos
            if self.al_medir:
                self.al_medir()
            self.progreso.contado(programa.nombre, n, sucesos, EVENTOS.nombre)

    def _una(self, n: int) -> Dict[str, float]:
        """The events of one size: the simulated ones, then the processor's
        counters under names of their own where the build reads them."""
        entrada = self.estudio.entrada
        inicio = time.monotonic()
        simulados: Sucesos = simular(self.binario, n, entrada, self.plan.d1, self.plan.ll,
                                     self.plan.limite, self.plan.nota)
        self.duraciones[n] = time.monotonic() - inicio
        valores = {k: v for k, v in simulados.valores.items() if v is not None}
        if self.plan.hardware:
            propios = contadores(self.binario, n, entrada, self.plan.limite)
            valores.update({PREFIJO_HARDWARE + k: v for k, v in propios.valores.items()
                            if k in DEL_PROCESADOR and v is not None})
        return valores
