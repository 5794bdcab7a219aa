"""What each of the machine's events costs here: a program's time per run,
at each size and kind of input, fitted to the events of the same call as a
sum of non-negative costs (per instruction, per mispredicted branch, per
L1d miss, per last-level miss), with bootstrap intervals over the points,
the share of the time each event explains, and how well the costs fitted
without the largest sizes predict them.

The fit weighs every point by its own time, so that it minimises relative
residuals: the times span decades, and an absolute fit would ignore every
size but the largest. It needs numpy and scipy (Debian's python3-numpy
and python3-scipy), imported only when a fit is made."""

from dataclasses import dataclass, field
from typing import Dict, List, Optional, Sequence, Tuple

from ..datos.errores import ErrorDeUso

# The events a time is fitted to, in the order of the costs.
EVENTOS = ("instrucciones", "saltos_fallidos", "fallos_l1d", "fallos_ll")

REMUESTRAS = 1000
NIVEL = 0.95
# The share of the largest sizes held out to judge the prediction.
FUERA = 0.25

SIN_SCIPY = ("el ajuste de los costes necesita numpy y scipy: instale los paquetes Debian"
             " python3-numpy y python3-scipy (tools/preparar los instala)")


@dataclass(frozen=True)
class Punto:
    """One size and kind of input: the time of one run, in seconds, and the
    events of the same call per run, by name."""
    n: int
    entrada: str
    tiempo: float
    eventos: Dict[str, float]


@dataclass
class Prediccion:
    """The costs fitted without the largest sizes, against those sizes."""
    tallas: List[int]  # the sizes held out
    errores: List[Tuple[int, str, float]]  # (n, kind, relative error) of each point held out

    @property
    def error_maximo(self) -> float:
        return max(abs(e) for _, _, e in self.errores)


@dataclass
class Costes:
    """Seconds per event (None for an event no point has), their intervals,
    the mean share of each point's time each explains, the largest relative
    residual of the fit, and its prediction of the largest sizes."""
    costes: Dict[str, Optional[float]]
    intervalos: Dict[str, Optional[Tuple[float, float]]]
    partes: Dict[str, float]
    residuo_maximo: float
    prediccion: Optional[Prediccion] = None
    eventos: Tuple[str, ...] = field(default=EVENTOS)


def _numpy():
    """numpy and scipy's nnls, or a message that says how to install them."""
    try:
        import numpy
        from scipy.optimize import nnls
    except ImportError:
        raise ErrorDeUso(SIN_SCIPY) from None
    return numpy, nnls


def _matriz(puntos: Sequence[Punto], eventos: Sequence[str]):
    """The events of the points as rows, and their times."""
    np, _ = _numpy()
    faltan = sorted({e for p in puntos for e in eventos if e not in p.eventos})
    if faltan:
        raise ErrorDeUso(f"faltan los eventos {', '.join(faltan)} en algún punto")
    if any(not p.tiempo > 0 for p in puntos):
        raise ErrorDeUso("cada punto necesita un tiempo mayor que 0")
    x = np.array([[p.eventos[e] for e in eventos] for p in puntos], dtype=float)
    if (x < 0).any():
        raise ErrorDeUso("un evento no puede contarse negativo")
    return x, np.array([p.tiempo for p in puntos], dtype=float)


def _nnls_relativo(x, t):
    """The non-negative costs that minimise the squared relative residuals
    of t ≈ x·c. Each column is scaled to unit size first: the events span
    from thousands (misses) to billions (instructions), and nnls converges
    badly on columns so unequal."""
    np, nnls = _numpy()
    a = x / t[:, None]
    escala = np.linalg.norm(a, axis=0)
    escala[escala == 0] = 1
    c, _ = nnls(a / escala, np.ones(len(t)))
    return c / escala


def ajustar(puntos: Sequence[Punto], eventos: Sequence[str] = EVENTOS) -> Dict[str, float]:
    """The cost of each event in seconds, fitted to all the points."""
    x, t = _matriz(puntos, eventos)
    return dict(zip(eventos, (float(c) for c in _nnls_relativo(x, t))))


def _prediccion(puntos: Sequence[Punto], eventos: Sequence[str], fuera: float
                ) -> Optional[Prediccion]:
    """The largest `fuera` of the sizes (at least one) predicted by the
    costs fitted on the others; None when the others are too few points to
    fit one cost per event."""
    tallas = sorted({p.n for p in puntos})
    apartadas = tallas[len(tallas) - max(1, round(fuera * len(tallas))):]
    dentro = [p for p in puntos if p.n not in apartadas]
    if len(dentro) < len(eventos) + 1:
        return None
    costes = ajustar(dentro, eventos)
    errores = []
    for p in puntos:
        if p.n in apartadas:
            prevista = sum(costes[e] * p.eventos[e] for e in eventos)
            errores.append((p.n, p.entrada, prevista / p.tiempo - 1))
    return Prediccion(apartadas, errores)


def costes(puntos: Sequence[Punto], eventos: Sequence[str] = EVENTOS, semilla: int = 1,
           remuestras: int = REMUESTRAS, nivel: float = NIVEL, fuera: float = FUERA) -> Costes:
    """The costs of the events with their intervals (a bootstrap that
    draws the points again with replacement, `remuestras` times, seeded),
    the mean share of each point's time each explains, the largest relative
    residual, and the prediction of the largest sizes."""
    if len(puntos) < len(eventos) + 1:
        raise ErrorDeUso(f"el ajuste de {len(eventos)} costes necesita al menos"
                         f" {len(eventos) + 1} puntos y tiene {len(puntos)}")
    np, _ = _numpy()
    x, t = _matriz(puntos, eventos)
    c = _nnls_relativo(x, t)
    presentes = (x > 0).any(axis=0)
    azar = np.random.default_rng(semilla)
    muestras = []
    for _ in range(remuestras):
        elegidos = azar.integers(0, len(t), len(t))
        muestras.append(_nnls_relativo(x[elegidos], t[elegidos]))
    bajo, alto = np.quantile(np.array(muestras), [(1 - nivel) / 2, (1 + nivel) / 2], axis=0)
    partes = (x * c / t[:, None]).mean(axis=0)
    residuos = x @ c / t - 1
    return Costes(
        costes={e: float(c[k]) if presentes[k] else None for k, e in enumerate(eventos)},
        intervalos={e: (float(bajo[k]), float(alto[k])) if presentes[k] else None
                    for k, e in enumerate(eventos)},
        partes={e: float(partes[k]) for k, e in enumerate(eventos)},
        residuo_maximo=float(np.abs(residuos).max()),
        prediccion=_prediccion(puntos, eventos, fuera),
        eventos=tuple(eventos),
    )
