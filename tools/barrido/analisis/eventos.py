"""What a study concludes from the machine's events of its measured call
(the measure «eventos»): each event per run, per operation (per the
program's main count at the same size) and per key at each size; the
growth of each per run, named by the ladder; where the time per
operation steps or drifts, the event that rises with it; and, over a
program's kinds of input and sizes, what each event costs.

The simulated events are named as callgrind's (instrucciones, fallos_l1d,
fallos_ll, saltos, saltos_fallidos); the processor's own counters, where
they were read, carry the prefix hardware_ and are never mixed with them."""

from dataclasses import dataclass, field
from typing import Dict, List, Optional, Sequence, Tuple

from ..datos.estudio import Estudio
from ..datos.medidas import EVENTOS
from ..estadistica.ajuste import Ajuste, ajustar
from ..estadistica.costes import Costes, Punto as PuntoDeCoste, costes, EVENTOS as DE_COSTE
from ..estadistica.crecimiento import VeredictoCrecimiento, juzgar_crecimiento
from ..estadistica.incertidumbre import estimacion
from ..estadistica.sucesos import Cambio, cubre, que_cambia
from .conclusiones import Conclusion

# The events a study reports, in the order of its tables and files.
NOMBRADOS = ("instrucciones", "fallos_l1d", "fallos_ll", "saltos", "saltos_fallidos")
PREFIJO_HARDWARE = "hardware_"


@dataclass
class FilaEventos:
    n: int
    valores: Dict[str, float]  # per run
    por_operacion: Dict[str, float]  # per main count at n; empty without counts there
    por_clave: Dict[str, float]  # per key (n); empty at n = 0


@dataclass
class DeEventos:
    nombres: List[str]  # the events the study has, NOMBRADOS' order, then hardware_*
    filas: List[FilaEventos]
    crecimiento: Dict[str, VeredictoCrecimiento] = field(default_factory=dict)
    ajustes: Dict[str, Optional[Ajuste]] = field(default_factory=dict)

    def por_operacion(self) -> Dict[int, Dict[str, float]]:
        """n -> each event per operation, at the sizes that have it."""
        return {f.n: f.por_operacion for f in self.filas if f.por_operacion}


def de_eventos(estudio: Estudio) -> Optional[DeEventos]:
    valores = estudio.valores_de(EVENTOS.nombre)
    if not valores:
        return None
    todos = list(next(iter(valores.values())))
    nombres = [x for x in NOMBRADOS if x in todos] + sorted(
        x for x in todos if x.startswith(PREFIJO_HARDWARE))
    filas = []
    for n in sorted(valores):
        cuenta = estudio.cuenta(n)
        v = {x: valores[n][x] for x in nombres}
        filas.append(FilaEventos(n, v, {x: y / cuenta for x, y in v.items()} if cuenta else {},
                                 {x: y / n for x, y in v.items()} if n > 0 else {}))
    de = DeEventos(nombres, filas)
    for nombre in nombres:
        puntos = [(f.n, f.valores[nombre]) for f in filas]
        veredicto = juzgar_crecimiento(nombre, puntos)
        if veredicto is not None:
            de.crecimiento[nombre] = veredicto
        positivos = [(n, y) for n, y in puntos if y > 0]
        de.ajustes[nombre] = ajustar(positivos, estudio.programa.exponencial)
    return de


def cambios(de: DeEventos, tramos: Sequence[Tuple[int, int]]
            ) -> Dict[Tuple[int, int], Optional[Cambio]]:
    """For each stretch of sizes (desde, hasta) where the time per
    operation steps or drifts and the events were measured, the event that
    rises with it, or None when none does."""
    por_operacion = de.por_operacion()
    return {(desde, hasta): que_cambia(por_operacion, desde, hasta)
            for desde, hasta in tramos if cubre(por_operacion, desde, hasta)}


# The least points a cost fit takes beyond one per event: fewer leave the
# bootstrap nothing to draw from.
PUNTOS_DE_MAS = 2


def puntos_de_coste(estudios: Sequence[Estudio], configuracion: str) -> List[PuntoDeCoste]:
    """Each size and kind where a configuration's time and the simulated
    events were both measured: the time of one run as the study quotes it
    (the median of the invocations the machine did not disturb), and the
    events of one run."""
    puntos = []
    for estudio in estudios:
        eventos = estudio.valores_de(EVENTOS.nombre)
        for n, valores in estudio.muestras(configuracion):
            if n in eventos and valores and estimacion(valores) > 0:
                puntos.append(PuntoDeCoste(n, estudio.entrada or "", estimacion(valores),
                                           dict(eventos[n])))
    return puntos


def costes_de(estudios: Sequence[Estudio], configuracion: str, semilla: int = 1
              ) -> Optional[Costes]:
    """What each event costs in a program's time, fitted over its sizes and
    kinds of input; None with too few points where both were measured."""
    puntos = puntos_de_coste(estudios, configuracion)
    if len(puntos) < len(DE_COSTE) + PUNTOS_DE_MAS:
        return None
    return costes(puntos, semilla=semilla)


def conclusiones_de_eventos(de: Optional[DeEventos]) -> List[Conclusion]:
    """The growth of each event per run, as the summary and resumen.tsv
    carry the counts': configuration «eventos», measure the event's name."""
    resultado = []
    for nombre, v in (de.crecimiento.items() if de else []):
        puntos = [f.n for f in de.filas if f.valores[nombre] > 0]
        resultado.append(Conclusion(
            EVENTOS.nombre, nombre, de.ajustes.get(nombre), v.tipo,
            v.cota if v.tipo == "cota" else None, v, None,
            tallas_ajuste=(puntos[0], puntos[-1]) if puntos else (0, 0)))
    return resultado
