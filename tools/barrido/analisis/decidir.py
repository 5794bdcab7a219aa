"""Which sizes could decide a verdict on the times that cannot yet tell
its candidates apart: the sizes it judges, the upper half. The sweep asks
after its planned rounds, while a series' share of time lasts."""

from typing import Dict, List, Optional

from ..datos.estudio import Estudio
from ..datos.maquina import Caches
from ..estadistica.veredicto import mitad_superior
from .analisis import analizar


def por_decidir(estudio: Estudio, caches: Optional[Caches] = None) -> Dict[str, List[int]]:
    """configuration -> the sizes of its undecided verdict (none when every
    verdict decides), judged with the machine's caches as the study's own
    analysis is: a step they explain may keep a tie standing."""
    analisis = analizar(estudio, [], caches)
    return {configuracion: [n for n, _ in mitad_superior(estudio.muestras(configuracion))]
            for configuracion, de in analisis.configuraciones.items()
            if de.veredicto.tipo == "indistinguibles"}
