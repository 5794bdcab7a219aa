"""The contrast of two studies of a program, A and B: per configuration
and size present in both, the ratio of medians t_A / t_B with a bootstrap
interval, and the geometric mean of those ratios.

The test is the package's bootstrap over the invocations: each resample
draws, on each side and at each size, as many values as that side
measured, with replacement, and takes their medians. The 95 % interval is
the 2.5 % and 97.5 % quantiles of the resampled ratios; a size is marked
significant when its interval excludes 1. With few invocations per side
the median of a resample can take few values, so the interval is coarse:
with three, [min A / max B, max A / min B], and a size is marked when all
three values of one side fall below all three of the other, which two
equal distributions do by chance one time in ten. The summary resamples
every size together and recomputes the geometric mean each time; it is
the better guide."""

import math
import statistics
from dataclasses import dataclass
from typing import Dict, List, Optional, Tuple

from ..datos.estudio import Estudio
from ..estadistica.incertidumbre import abarcar, bootstrap, intervalo
from .maquina import Maquinas

# (configuration, n) → every invocation's value
Serie = Dict[Tuple[str, int], List[float]]


def _serie(estudio: Estudio) -> Serie:
    serie: Serie = {}
    for p in estudio.puntos:
        serie.setdefault((p.configuracion, p.n), []).extend(p.limpios)
    return serie


@dataclass
class Par:
    configuracion: str  # "O2", or "O0/O2" when paired across configurations
    n: int
    a: List[float]
    b: List[float]
    cociente: float = math.nan  # median of A / median of B
    intervalo: Tuple[float, float] = (math.nan, math.nan)

    @property
    def mediana_a(self) -> float:
        return statistics.median(self.a)

    @property
    def mediana_b(self) -> float:
        return statistics.median(self.b)

    @property
    def significativo(self) -> bool:
        """The interval excludes 1: A and B differ at this size."""
        return self.intervalo[0] > 1 or self.intervalo[1] < 1


def emparejar(estudio_a: Estudio, estudio_b: Estudio) -> Tuple[List[Par], List[str]]:
    """The pairs of one program and notes on what was left unpaired. When
    each study holds a single configuration and they differ, sizes are
    paired across them."""
    a, b = _serie(estudio_a), _serie(estudio_b)
    confs_a = sorted({c for c, _ in a})
    confs_b = sorted({c for c, _ in b})
    notas = []
    if len(confs_a) == 1 and len(confs_b) == 1 and confs_a != confs_b:
        # Both sides relabelled "O0/O2", so that their sizes meet.
        notas.append(f"A: {confs_a[0]} frente a B: {confs_b[0]}")
        cruzada = f"{confs_a[0]}/{confs_b[0]}"
        a = {(cruzada, n): v for (_, n), v in a.items()}
        b = {(cruzada, n): v for (_, n), v in b.items()}
    else:
        notas += [f"{c} solo en A" for c in confs_a if c not in confs_b]
        notas += [f"{c} solo en B" for c in confs_b if c not in confs_a]
        a = {k: v for k, v in a.items() if k[0] in confs_b}
        b = {k: v for k, v in b.items() if k[0] in confs_a}
    pares = [Par(c, n, v, b[(c, n)]) for (c, n), v in sorted(a.items()) if (c, n) in b]
    if len(a) + len(b) > 2 * len(pares):
        notas.append(f"{len(a) + len(b) - 2 * len(pares)} tallas sin pareja")
    malos = [p for p in pares if min(p.a + p.b) <= 0]
    if malos:
        notas.append("sin cociente, por valores no positivos: "
                     + ", ".join(f"{p.configuracion} n = {p.n}" for p in malos))
    pares = [p for p in pares if min(p.a + p.b) > 0]
    # A ratio of a resample lies between these two; past a double's range
    # it would be inf.
    desmedidos = [p for p in pares if not (math.isfinite(max(p.a) / min(p.b))
                                           and math.isfinite(max(p.b) / min(p.a)))]
    if desmedidos:
        notas.append("sin cociente, por valores tan dispares que no cabe en un double: "
                     + ", ".join(f"{p.configuracion} n = {p.n}" for p in desmedidos))
    return [p for p in pares if p not in desmedidos], notas


def remuestrear(pares: List[Par], semilla: int, veces: int) -> Tuple[float, Tuple[float, float]]:
    """Fills each pair's ratio and interval; returns the geometric mean of
    the ratios and its interval, from the same resamples."""
    grupos = [lado for p in pares for lado in (p.a, p.b)]

    def cocientes(medianas: List[float]) -> Tuple[List[float], float]:
        razones = [medianas[i] / medianas[i + 1] for i in range(0, len(medianas), 2)]
        return razones, statistics.geometric_mean(razones)

    remuestreados = bootstrap(grupos, cocientes, semilla, veces)
    for k, p in enumerate(pares):
        p.cociente = p.mediana_a / p.mediana_b
        p.intervalo = abarcar(p.cociente, *intervalo([r[0][k] for r in remuestreados]))
    media = statistics.geometric_mean([p.cociente for p in pares])
    return media, abarcar(media, *intervalo([r[1] for r in remuestreados]))



@dataclass
class Contraste:
    """The pairs of one program in A and B, what was left unpaired, and
    the geometric mean of the ratios with its interval."""

    programa: str
    pares: List[Par]
    notas: List[str]
    media: float = math.nan
    intervalo: Tuple[float, float] = (math.nan, math.nan)

    @property
    def sentido(self) -> str:
        """What the geometric mean's interval says: mas_rapido when B is
        faster than A (the interval lies above 1), mas_lento when slower,
        igual when it holds 1."""
        inf, sup = self.intervalo
        return "mas_rapido" if inf > 1 else "mas_lento" if sup < 1 else "igual"

    # The machines' speed while each study ran (analisis/maquina.py), once
    # compare knows it: a difference it could account for is not claimed.
    maquinas: Optional[Maquinas] = None

    @property
    def afirmado(self) -> str:
        """What compare claims: the direction of `sentido` where the
        machines' own difference cannot account for it; `maquinas` where
        it could; igual where the interval holds 1."""
        if self.sentido != "igual" and self.maquinas is not None \
                and self.maquinas.explica(*self.intervalo):
            return "maquinas"
        return self.sentido


def contrastar(programa: str, a: Estudio, b: Estudio, semilla: int, veces: int) -> Contraste:
    pares, notas = emparejar(a, b)
    contraste = Contraste(programa, pares, notas)
    if pares:
        contraste.media, contraste.intervalo = remuestrear(pares, semilla, veces)
    return contraste
