"""Fits in words: the growth with its interval, the formula of a fit, the
trend of a ratio, a theoretical model and why there is none."""

import ast

from ..estadistica.ajuste import Ajuste, Tendencia
from ..estadistica.modelo import Modelo, SinModelo


def crecimiento(ajuste: Ajuste) -> str:
    """n^2.03 [1.98, 2.07], or 1.987^n [1.981, 1.993]: the rate with its
    interval (a base needs three decimals to tell 2 from 1.99)."""
    decimales = 3 if ajuste.exponencial else 2
    tasa = f"{ajuste.tasa:.{decimales}f}"
    intervalo = ""
    if ajuste.tasa_inf is not None:
        intervalo = f" [{ajuste.tasa_inf:.{decimales}f}, {ajuste.tasa_sup:.{decimales}f}]"
    return f"{tasa}^n{intervalo}" if ajuste.exponencial else f"n^{tasa}{intervalo}"


def formula(ajuste: Ajuste, magnitud: str = "t") -> str:
    """t(n) ≈ 1.2e-09 [1.1e-09, 1.3e-09]·n^2.03 [1.98, 2.07]."""
    constante = f"{ajuste.constante:.3g}"
    if ajuste.constante_inf is not None:
        constante += f" [{ajuste.constante_inf:.3g}, {ajuste.constante_sup:.3g}]"
    return f"{magnitud}(n) ≈ {constante}·{crecimiento(ajuste)}"


def texto_tendencia(tendencia: Tendencia) -> str:
    """t/n^2 crece ×1.3, decrece ×0.7 or casi constante ×1.02."""
    columna, factor = tendencia.cota.columna, tendencia.factor
    if factor > 1.25:
        return f"{columna} crece ×{factor:.3g}"
    if factor < 0.8:
        return f"{columna} decrece ×{factor:.3g}"
    return f"{columna} casi constante ×{factor:.3g}"


def _suma(texto: str) -> bool:
    """Whether a term is a sum, difference or negation at its top level, and
    so needs parentheses after a constant."""
    cuerpo = ast.parse(texto.replace("^", "**"), mode="eval").body
    return isinstance(cuerpo, ast.UnaryOp) or (
        isinstance(cuerpo, ast.BinOp) and isinstance(cuerpo.op, (ast.Add, ast.Sub)))


def texto_modelo(modelo: Modelo, unidad: str = "", magnitud: str = "t") -> str:
    """One line: each constant with its interval, then the worst residual;
    `magnitud` names what is modelled (t for a time, c for a count)."""
    partes = []
    for i, (texto, a, (inf, sup)) in enumerate(
            zip(modelo.terminos, modelo.constantes, modelo.intervalos)):
        signo = "" if i == 0 else (" − " if a < 0 else " + ")
        valor = f"{abs(a) if i else a:.3g}"
        if texto != "1":
            valor += "·" + (f"({texto})" if _suma(texto) else texto)
        partes.append(f"{signo}{valor} [{inf:.3g}, {sup:.3g}]")
    residuo = ("< 0.01%" if modelo.residuo_maximo < 1e-4
               else f"{100 * modelo.residuo_maximo:.2g}%")
    return (f"{magnitud}(n) ≈ {''.join(partes)}{' ' + unidad if unidad else ''};"
            f" residuo relativo máximo {residuo}")


def texto_sin_modelo(motivo: SinModelo) -> str:
    """Why a model could not be fitted."""
    if motivo.pocas_tallas:
        cuantos = f"{motivo.terminos} término" + ("s" if motivo.terminos > 1 else "")
        return (f"un modelo de {cuantos} necesita al menos {motivo.terminos + 1} tallas en que"
                f" todos tengan valor, y hay {motivo.tallas}")
    return "sus términos no son independientes en estas tallas"
