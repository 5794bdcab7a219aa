"""When the verdict on the times may name a growth other than the one the
counts name. The counts are exact: the times can only add what the machine
does to each operation. A growth of their own is named only where two
readings of the times agree on it (the verdict over the upper half of the
sizes and the fit over all of them) and the time per operation shows a
cause that persists (a step where the data outgrow a cache; later, the
machine's measured events). Otherwise the times are said to grow near the
counts' growth or, when they are not even near it, the study cannot tell."""

from dataclasses import dataclass
from typing import Optional

# Why a growth is not named, as codes the wording turns into words
# (redaccion/veredicto.py); several are joined by commas.
SIN_AJUSTE = "sin_ajuste"  # the fit over all sizes does not give that growth
SIN_CAUSA = "sin_causa"  # the time per operation shows no cause that persists


@dataclass(frozen=True)
class Nombre:
    """What the verdict names: `nombrada`, the bound the upper half
    follows (the counts' own, or another with its cause); `cerca`, near the
    counts' growth; `no_se_sabe`, neither; with the reason when it is not
    the upper half's bound."""

    tipo: str
    motivo: str = ""


def nombrar_crecimiento(cota: Optional[str], ajuste_de_acuerdo: bool, cuentas: Optional[str],
                        causa: Optional[object], cuentas_alcanzadas: bool) -> Nombre:
    """cota: the bound the upper half follows (None: the verdict names
    none, and there is nothing to decide); ajuste_de_acuerdo: the fit over
    all sizes holds it; cuentas: the growth the counts name (None: no
    counts); causa: a step that persists and that a cache explains, or
    None; cuentas_alcanzadas: the upper half's interval reaches
    the window of the counts' growth, or the fit's interval holds it."""
    if cota is None or cuentas is None or cota == cuentas:
        return Nombre("nombrada")
    faltan = [m for m, falta in ((SIN_AJUSTE, not ajuste_de_acuerdo), (SIN_CAUSA, causa is None))
              if falta]
    if not faltan:
        return Nombre("nombrada")
    return Nombre("cerca" if cuentas_alcanzadas else "no_se_sabe", ",".join(faltan))
