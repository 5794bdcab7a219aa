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

# The reasons, as the verdict's sentence quotes them.
SIN_AJUSTE = "el ajuste de todas las tallas no da ese crecimiento"
SIN_CAUSA = ("el tiempo por operación no muestra una causa que persista (un escalón donde los"
             " datos dejan de caber en una caché)")


@dataclass(frozen=True)
class Nombre:
    """What the verdict names: `nombrada`, the bound the upper half
    follows (the counts' own, or another with its cause); `cerca`, near the
    counts' growth; `no_se_sabe`, neither; with the reason when it is not
    the upper half's bound."""

    tipo: str
    motivo: str = ""


def nombrar_crecimiento(cota: Optional[str], ajuste_de_acuerdo: bool, cuentas: Optional[str],
                        causa: Optional[str], cuentas_alcanzadas: bool) -> Nombre:
    """cota: the bound the upper half follows (None: the verdict names
    none, and there is nothing to decide); ajuste_de_acuerdo: the fit over
    all sizes holds it; cuentas: the growth the counts name (None: no
    counts); causa: a step that persists and that a cache explains, in
    words, or None; cuentas_alcanzadas: the upper half's interval reaches
    the window of the counts' growth, or the fit's interval holds it."""
    if cota is None or cuentas is None or cota == cuentas:
        return Nombre("nombrada")
    faltan = [m for m, falta in ((SIN_AJUSTE, not ajuste_de_acuerdo), (SIN_CAUSA, causa is None))
              if falta]
    if not faltan:
        return Nombre("nombrada")
    return Nombre("cerca" if cuentas_alcanzadas else "no_se_sabe", " y ".join(faltan))


def texto_cerca(cuentas: str, otra: str, motivo: str, evidencia: str) -> str:
    """The verdict that names the counts' growth in place of another."""
    return (f"los tiempos crecen cerca de {cuentas}, como las cuentas: la mitad superior se"
            f" inclina hacia {otra}, pero {motivo}; {evidencia}")


def texto_no_se_sabe(cuentas: str, otra: str, motivo: str, evidencia: str) -> str:
    """The verdict that cannot choose between the two."""
    return (f"no se puede decir si los tiempos crecen como {otra} o como {cuentas}, lo que"
            f" dicen las cuentas: la mitad superior se inclina hacia {otra}, pero {motivo};"
            f" {evidencia}; pruebe tallas mayores o más --repeat")


def texto_ocupada(cuantas: str, donde: str) -> str:
    """The verdict withheld because the machine disturbed most of what it
    would rest on."""
    return (f"sin veredicto: la máquina estorbó {cuantas} {donde}, y un veredicto"
            " sobre ellas lo daría la máquina, no el programa; repita el estudio en un momento"
            " más tranquilo o añádale invocaciones (tools/sweep --append)")
