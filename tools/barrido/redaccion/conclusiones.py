"""A conclusion in words: the verdict as the sweep prints it after a
program's tables, with what the fit over all sizes and the counts add,
and what resumen.tsv's «texto» repeats."""

import math

from ..analisis.conclusiones import Conclusion, FrenteACuentas, FrenteAlAjuste
from ..analisis.filas import MEMORIA
from ..datos.cotas import Cota
from .ajuste import crecimiento
from .crecimiento import texto_crecimiento, texto_deriva
from .jerarquia import frase_escalon
from .veredicto import resumen_veredicto, texto_veredicto


LO_ANADE_LA_MAQUINA = "eso lo añade la máquina, no el algoritmo"


def _es_potencia(cota: Cota) -> bool:
    return cota.texto == "n" or cota.texto.startswith("n^") and \
        cota.texto[2:].replace(".", "", 1).isdigit()


def texto_frente_al_ajuste(frente: FrenteAlAjuste) -> str:
    """The fit over all sizes beside the verdict it could read as
    contradicting, and why it does not."""
    cota = frente.prueba.cota
    equivalente = ""
    if not frente.ajuste.exponencial and not _es_potencia(cota):
        equivalente = f" ({cota.texto} crece ahí como n^{frente.equivalente:.2f})"
    cabeza = f"; el ajuste de todas las tallas, {crecimiento(frente.ajuste)}{equivalente},"
    if frente.tipo != "cota":
        mitad = "más despacio" if frente.tipo == "mas_deprisa" else "más deprisa"
        return (f"{cabeza} incluye {cota.texto}: la mitad inferior de las tallas, que el"
                f" veredicto no juzga, crece {mitad} que la superior")
    if frente.dentro:
        return f"{cabeza} excluye {cota.texto} pero se aparta de él menos que ese margen"
    return (f"{cabeza} se aparta de {cota.texto} más que ese margen porque incluye la mitad"
            " inferior de las tallas, que el veredicto no juzga")


def texto_frente_a_cuentas(frente: FrenteACuentas, operacion: str, datos: str) -> str:
    """The times against the growth the counts name, and what the machine
    adds when they differ: the steps of the time per operation, or its
    drift."""
    if frente.coinciden:
        return f"; las cuentas también crecen como {frente.crecimiento.texto}"
    texto = f"; las cuentas crecen como {frente.crecimiento.texto}"
    if frente.escalones:
        frases = "; ".join(frase_escalon(e, operacion, datos) for e in frente.escalones)
        texto += f": {frases}; {LO_ANADE_LA_MAQUINA}"
    elif frente.deriva:
        texto += f": {texto_deriva(frente.deriva, operacion)}; {LO_ANADE_LA_MAQUINA}"
    return texto


def texto_profundidad(n: int, valor: float) -> str:
    """Depth set against log2 n + 1, the nesting of a recursion that halves
    its range, at the largest size counted."""
    return f"; a n = {n}, {valor:g} niveles frente a log2(n) + 1 = {math.log2(n) + 1:.1f}"


def texto_conclusion(c: Conclusion) -> str:
    """The verdict in words, as printed ("" with no verdict)."""
    if c.veredicto is None:
        return ""
    if c.medida != "tiempo":
        texto = texto_crecimiento(c.veredicto)
        return texto + texto_profundidad(*c.profundidad) if c.profundidad else texto
    texto = texto_veredicto(c.veredicto)
    if c.frente_al_ajuste is not None:
        texto += texto_frente_al_ajuste(c.frente_al_ajuste)
    if c.frente is not None:
        texto += texto_frente_a_cuentas(c.frente, c.operacion, c.datos)
    return texto


def resumen_conclusion(c: Conclusion) -> str:
    """The verdict in a few words, for the summary table: the bound named,
    «no usa» for extra memory that is 0 at every size, or why none is."""
    if c.medida == "tiempo":
        return resumen_veredicto(c.veredicto)
    if c.tipo == "cota" and c.cota is not None:
        return c.cota.texto
    if c.tipo == "cero":
        return "no usa" if c.medida == MEMORIA else "0"
    return "no distingue las cotas"
