"""The conclusions that the summary of a sweep repeats, drawn from a
study's analysis: the counts' verdict and fit, each measure of space
(fitted as C·a^n or C·n^b as its growth says, with the recursion depth
reached), each configuration's verdict on the times with its fit, its
time per operation and how it stands against the counts and the fit over
all sizes, and the machine's events."""

from typing import TYPE_CHECKING, List

from ..datos.cotas import Cota
from ..datos.estudio import Estudio
from ..datos.medidas import CUENTAS as _CUENTAS
from ..estadistica.ajuste import ajustar
from ..estadistica.crecimiento import VeredictoCrecimiento
from .conclusiones import Conclusion, frente_al_ajuste
from .eventos import conclusiones_de_eventos
from .filas import PROFUNDIDAD, cociente

if TYPE_CHECKING:
    from .analisis import Analisis


def _en_forma_exponencial(estudio: Estudio, v: VeredictoCrecimiento) -> bool:
    """Whether a measure of space is fitted as C·a^n rather than C·n^b: on
    a program that grows as a^n, unless its verdict names a bound that
    does not (Hanoi's recursion depth grows as n, and a base of 1.045 would
    say otherwise)."""
    if not estudio.programa.exponencial:
        return False
    return v.tipo != "cota" or v.cota is None or _crece_como_a_la_n(v.cota)


def _crece_como_a_la_n(cota: Cota) -> bool:
    """Whether a bound grows as a^n: doubling n doubles log f(n), where a
    power of n (times logarithms) adds only about log 2 to it."""
    antes, despues = cota.logaritmo(1000), cota.logaritmo(2000)
    return antes is not None and despues is not None and antes > 0 and despues / antes > 1.5


def concluir(estudio: Estudio, analisis: "Analisis") -> List[Conclusion]:
    resultado = []
    cuentas = analisis.cuentas
    crecimiento = (cuentas.veredicto.cota if cuentas and cuentas.veredicto
                   and cuentas.veredicto.tipo == "cota" else None)
    if cuentas and cuentas.ajuste:
        v = cuentas.veredicto
        cota = v.cota if v and v.tipo == "cota" else None
        n = max(estudio.cuentas)
        principales = estudio.cuentas_principales()
        resultado.append(Conclusion(
            _CUENTAS.nombre, estudio.programa.cuenta, cuentas.ajuste,
            v.tipo if v else "indistinguibles", cota, v,
            cociente(estudio.cuenta(n), cota, n) if cota else None,
            tallas_ajuste=(principales[0][0], principales[-1][0])))
    for nombre, v in (cuentas.espacio.items() if cuentas else []):
        valores = sorted((n, c[nombre]) for n, c in estudio.cuentas.items() if c.get(nombre))
        profundidad = None
        if nombre == PROFUNDIDAD and not estudio.programa.exponencial:
            profundidad = max((n, c[PROFUNDIDAD]) for n, c in estudio.cuentas.items()
                              if PROFUNDIDAD in c)
        resultado.append(Conclusion(
            _CUENTAS.nombre, nombre, ajustar(valores, _en_forma_exponencial(estudio, v)),
            v.tipo, v.cota if v.tipo == "cota" else None, v, None,
            tallas_ajuste=(valores[0][0], valores[-1][0]) if valores else (0, 0),
            profundidad=profundidad))
    for configuracion in estudio.configuraciones:
        de = analisis.configuraciones.get(configuracion)
        if de is None:
            continue
        v = de.veredicto
        tallas = [n for n, _ in estudio.muestras(configuracion)]
        frente = frente_al_ajuste(de.veredicto, de.ajuste, tallas, estudio.programa.exponencial)
        cota = v.cota()
        prueba = v.citada()
        resultado.append(Conclusion(
            configuracion, "tiempo", de.ajuste, v.tipo, cota, v,
            prueba.constante if prueba and cota else None, crecimiento,
            tallas_ajuste=(tallas[0], tallas[-1]) if tallas else (0, 0),
            prueba=prueba, tallas_veredicto=v.tallas, frente_al_ajuste=frente,
            por_operacion=max(de.por_operacion) if de.por_operacion else None,
            deriva=de.deriva, frente=de.frente, operacion=estudio.programa.operacion,
            datos=estudio.programa.datos, cambios=de.cambios))
    return resultado + conclusiones_de_eventos(analisis.eventos)
