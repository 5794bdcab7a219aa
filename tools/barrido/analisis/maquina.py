"""How the machine's speed differed between two studies: the reference
workload's samples each study recorded (medir/referencia.py), set side by
side as the ratio of their medians, A over B, with a bootstrap interval.
A difference between the programs is claimed only beyond it: a ratio of
the programs' times that the machines' own ratio could account for (it
lies between 1 and the machines' interval) is no difference between the
programs."""

import statistics
from dataclasses import dataclass
from typing import List, Optional, Sequence, Tuple

from ..estadistica.incertidumbre import abarcar, bootstrap, intervalo


@dataclass
class Maquinas:
    """The reference's median seconds in A and in B, and their ratio A/B
    (above 1: the machine ran slower while A was measured) with its 95 %
    interval."""

    mediana_a: float
    mediana_b: float
    cociente: float
    intervalo: Tuple[float, float]

    def explica(self, inf: float, sup: float) -> bool:
        """Whether a ratio of the programs' times with this interval may be
        the machines' doing: it reaches the span from 1 to the machines'
        interval."""
        bajo = min(1.0, self.intervalo[0])
        alto = max(1.0, self.intervalo[1])
        return inf <= alto and sup >= bajo

    def texto(self) -> str:
        lo, hi = self.intervalo
        return (f"máquina: la carga de referencia tardó {1e3 * self.mediana_a:.3g} ms en A y"
                f" {1e3 * self.mediana_b:.3g} ms en B (A/B ×{self.cociente:#.3g} [{lo:#.3g},"
                f" {hi:#.3g}]); una diferencia entre los programas solo se afirma más allá de"
                " la de las máquinas")


def muestras_de(registro: Optional[dict]) -> List[float]:
    """The reference's samples a study's record holds (none in a study made
    before the sweep took them)."""
    referencia = registro.get("referencia") if isinstance(registro, dict) else None
    muestras = referencia.get("muestras_s") if isinstance(referencia, dict) else None
    if not isinstance(muestras, list):
        return []
    return [float(m) for m in muestras if isinstance(m, (int, float)) and m > 0]


def comparar_maquinas(a: Sequence[float], b: Sequence[float], semilla: int,
                      veces: int) -> Optional[Maquinas]:
    """The machines' ratio, or None when a side has no samples."""
    if not a or not b:
        return None
    mediana_a, mediana_b = statistics.median(a), statistics.median(b)
    cociente = mediana_a / mediana_b
    remuestreados = bootstrap([list(a), list(b)], lambda m: m[0] / m[1], semilla, veces)
    return Maquinas(mediana_a, mediana_b, cociente,
                    abarcar(cociente, *intervalo(remuestreados)))
