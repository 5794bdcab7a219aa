"""What the naming rule (estadistica/nombre.py) weighs, gathered from one
configuration's analysis: whether the fit over all sizes holds the bound
the upper half follows, whether the upper half reaches the counts' growth,
and the cause the time per operation shows; then the verdict as the rule
leaves it."""

import dataclasses
from typing import Dict, Optional, Sequence, Tuple

from ..datos.cotas import Cota
from ..datos.estudio import Punto
from ..estadistica.ajuste import Ajuste
from ..estadistica.nombre import nombrar_crecimiento
from ..estadistica.veredicto import Prueba, Veredicto, exponente_en


def rangos_por_operacion(muestras: Sequence[Tuple[int, Sequence[float]]],
                         cuentas: Sequence[Tuple[int, float]]) -> Dict[int, Tuple[float, float]]:
    """n -> the lowest and highest time per operation of its invocations."""
    por_n = dict(cuentas)
    return {n: (min(v) / por_n[n], max(v) / por_n[n]) for n, v in muestras
            if v and por_n.get(n, 0) > 0}


def ajuste_incluye(ajuste: Optional[Ajuste], cota: Cota, tallas: Sequence[int],
                   exponencial: bool) -> bool:
    """Whether the fit's 95 % interval holds the bound's growth over the
    fitted sizes, as printed (two decimals of a rate, three of a base)."""
    if ajuste is None or ajuste.tasa_inf is None or ajuste.tasa_sup is None:
        return False
    equivalente = exponente_en(cota, tallas, exponencial)
    if equivalente is None:
        return False
    holgura = 0.0005 if exponencial else 0.005
    return ajuste.tasa_inf - holgura <= equivalente <= ajuste.tasa_sup + holgura


def nombrado(v: Veredicto, ajuste: Optional[Ajuste], crecimiento: Optional[Cota],
             tallas: Sequence[int], exponencial: bool, causas: Sequence[object]) -> Veredicto:
    """The verdict as the naming rule leaves it: the same, or near the
    counts' growth (which the upper half's interval or the fit's reaches),
    or unable to tell the two apart, with the reason."""
    prueba = next((p for p in v.pruebas if crecimiento is not None
                   and p.cota.texto == crecimiento.texto), None)
    if v.tipo == "indistinguibles" and not v.lado and prueba is not None:
        return _entre_indistinguibles(v, prueba, ajuste, tallas, exponencial, causas)
    cota = v.cota()
    nombre = nombrar_crecimiento(
        cota.texto if cota else None,
        cota is not None and ajuste_incluye(ajuste, cota, tallas, exponencial),
        crecimiento.texto if crecimiento else None,
        causas[0] if causas else None,  # a cause that persists, or none
        prueba is not None and (prueba.tocada or ajuste_incluye(ajuste, prueba.cota, tallas,
                                                                exponencial)))
    if nombre.tipo == "nombrada" or cota is None:
        return v
    if nombre.tipo == "cerca" and prueba is not None:
        return dataclasses.replace(v, tipo="cota", cotas=[prueba.cota], lado="",
                                   en_vez_de=cota, motivo=nombre.motivo)
    otras = [prueba.cota] if prueba is not None else []
    return dataclasses.replace(v, tipo="indistinguibles", cotas=[cota] + otras, lado="",
                               en_vez_de=cota, motivo=nombre.motivo)


def _entre_indistinguibles(v: Veredicto, prueba: Prueba, ajuste: Optional[Ajuste],
                           tallas: Sequence[int], exponencial: bool,
                           causas: Sequence[object]) -> Veredicto:
    """Bounds the upper half cannot tell apart, the counts' growth among
    them (`prueba`, its test). When a reading of the times holds the
    counts' growth (the upper half's interval inside its window, or the
    fit over all sizes) the counts settle the tie: the verdict is near
    their growth, unless another of the tied bounds has what the rule asks
    to name it (the fit over all sizes and a cause that persists), and then
    the tie stands. An interval that merely reaches into several windows
    holds none of them, and alone leaves the tie. The times of heapsort
    past the L2 cache land there: between n*log(n) and n^1.2, inside both
    windows, run after run; insertion sort's on a virtual machine of two
    speeds, across both windows, its fit over all sizes n^2."""
    if prueba.cota not in v.cotas or not (
            prueba.cabe or ajuste_incluye(ajuste, prueba.cota, tallas, exponencial)):
        return v
    causa = causas[0] if causas else None
    otras = [c for c in v.cotas if c is not prueba.cota]
    nombres = [nombrar_crecimiento(c.texto, ajuste_incluye(ajuste, c, tallas, exponencial),
                                   prueba.cota.texto, causa, True) for c in otras]
    if not otras or any(n.tipo == "nombrada" for n in nombres):
        return v
    return dataclasses.replace(v, tipo="cota", cotas=[prueba.cota], lado="",
                               en_vez_de=otras[0], motivo=nombres[0].motivo)


def ocupado(v: Veredicto, puntos: Sequence[Punto]) -> Veredicto:
    """The verdict withheld when the machine disturbed more than half the
    invocations of the sizes it judges (`puntos`): their medians are then
    the machine's, and the verdict would change with its load."""
    if v.tipo == "sin_datos":
        return v
    desde, hasta = v.tallas
    juzgados = [p for p in puntos if desde <= p.n <= hasta]
    total = sum(len(p.valores) for p in juzgados)
    perturbadas = sum(p.n_perturbadas for p in juzgados)
    if not total or 2 * perturbadas <= total:
        return v
    return dataclasses.replace(v, tipo="indistinguibles", lado="", en_vez_de=None, motivo="",
                               ocupada=f"{perturbadas} de {total} invocaciones")
