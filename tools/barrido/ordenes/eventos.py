"""What a sweep does once for the machine's events beside its studies:
how their series are measured (the simulated caches and whether the build
reads the processor's counters, found and said once; each series' own
share of time), and what each event costs in each program's time."""

from dataclasses import replace
from typing import Dict, List, Optional, Sequence, Tuple

from ..analisis.eventos import Costes, costes_de, puntos_de_coste
from ..datos.errores import ErrorDeUso
from ..datos.estudio import Estudio
from ..datos.medidas import EVENTOS
from ..datos.programas import CONFIGURACION_ENTRADAS, Programa
from ..escritura.costes import lineas_costes
from ..medir.progreso import Progreso
from ..medir.simulacion import LENTITUD, PlanEventos, caches_simuladas, sondear_hardware
from .opciones import Opciones


class Sucesos:
    def __init__(self, opciones: Opciones, progreso: Progreso):
        self.opciones = opciones
        self.progreso = progreso
        self.eventos: Optional[PlanEventos] = None  # once the first series is planned
        # (program, its costs, the points fitted) of each program costed
        self.hechos: List[Tuple[str, Costes, int]] = []

    @property
    def nota(self) -> str:
        """How the caches were simulated, once planned."""
        return self.eventos.nota if self.eventos else ""

    def del_plan(self) -> Dict[str, object]:
        """The record's plan entry, once planned."""
        return {"eventos": self.eventos.como_dict()} if self.eventos else {}

    def plan(self, programa: Programa, entrada: Optional[str]) -> PlanEventos:
        """How the events series of a study is measured."""
        o = self.opciones
        if self.eventos is None:
            d1, ll, nota = caches_simuladas()
            binario = o.directorio_bin / programa.binario(EVENTOS.nombre, entrada)
            hardware, sin_hardware = sondear_hardware(binario, entrada)
            self.eventos = PlanEventos(d1, ll, nota, hardware, sin_hardware,
                                       o.presupuesto * LENTITUD)
            fuente = ("los del procesador, aparte, como hardware_*" if hardware else
                      f"sin contadores del procesador ({sin_hardware}); solo los simulados")
            self.progreso.nota(f"eventos simulados con valgrind ({nota}); {fuente}")
        # The default share holds a program's own sizes in check; sizes the
        # user named are simulated whole unless --time says otherwise.
        cuota = o.cuota() if o.tiempo or o.tallas is None else None
        return replace(self.eventos, cuota=cuota)

    def costes(self, programa: Programa, estudios: Sequence[Estudio]) -> str:
        """What each event costs in the program's time, fitted over its sizes
        and kinds of input where both were measured (the events build has
        O2's flags), in words; "" when it cannot be fitted at all."""
        puntos = len(puntos_de_coste(estudios, CONFIGURACION_ENTRADAS))
        try:
            costes = costes_de(estudios, CONFIGURACION_ENTRADAS, self.opciones.semilla)
        except ErrorDeUso as e:
            self.progreso.nota(f"{programa.nombre}: sin costes: {e}")
            return ""
        if costes is not None:
            self.hechos.append((programa.nombre, costes, puntos))
        return "\n".join(lineas_costes(programa.nombre, CONFIGURACION_ENTRADAS, costes, puntos))
