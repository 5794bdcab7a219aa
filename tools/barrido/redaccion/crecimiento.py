"""The growth of a measure in words, and what each measure is called in a
sentence."""

from ..estadistica.por_operacion import Deriva
from ..estadistica.crecimiento import VeredictoCrecimiento

# How a sentence names a measure of space; a counted operation is «el
# número de» it.
SUJETOS = {"memoria_extra": "la memoria adicional", "profundidad": "la profundidad"}


def sujeto(medida: str) -> str:
    """el número de comparaciones, la memoria adicional, la profundidad."""
    return SUJETOS.get(medida, f"el número de {medida}")


def _por_ciento(x: float) -> str:
    return "0 %" if abs(x) < 1e-6 else f"{100 * x:.3g} %"


def texto_crecimiento(v: VeredictoCrecimiento) -> str:
    """The bound named (or that none can be), with the fits that decided
    it: the bound named and its neighbours, each one's relative residual
    and its part of the fit at the largest size."""
    quien = sujeto(v.medida)
    if v.tipo == "cero":
        return ("no usa memoria adicional" if v.medida == "memoria_extra"
                else f"{quien} es 0 en todas las tallas")
    peldanos = v.ajustes  # all of them, or the bound named and its neighbours
    k = next((i for i, a in enumerate(peldanos) if a.cota is v.cota), None)
    if k is not None:
        peldanos = peldanos[max(k - 1, 0):k + 2]
    detalle = [f"residuo relativo de a·f(n) + b·g(n), g la cota anterior, y parte de a·f(n)"
               f" a n = {v.talla}: " + ", ".join(
                   f"{a.cota.texto} {_por_ciento(a.residuo)} ({_por_ciento(a.parte)})"
                   for a in peldanos) if peldanos else "menos de tres tallas con valor"]
    if v.ceros:
        detalle.append(f"es 0 en n = {', '.join(map(str, v.ceros))}")
    if v.tipo == "cota":
        return f"{quien} crece como {v.cota.texto} ({'; '.join(detalle)})"
    return (f"{quien} no distingue las cotas a estas tallas ({'; '.join(detalle)}):"
            " pruebe tallas mayores")


def texto_deriva(d: Deriva, operacion: str) -> str:
    """el tiempo por comparación crece ×1.4 de 1000 a 64000."""
    verbo = "crece" if d.factor > 1 else "baja"
    return f"el tiempo por {operacion} {verbo} ×{d.factor:.2g} de {d.desde} a {d.hasta}"
