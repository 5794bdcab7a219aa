"""Everything a program's study concludes from what it measured, computed
once: for each configuration the rows of its table (ratios, doubling
ratio, speed-up, time per operation, marks), the fit with its intervals,
the ratio trends, the verdict and how it stands against the counts, the
drift of the time per operation and the model; for the counts their rows,
fit, verdict and model; the unstable sizes; and the conclusions that the
summary of a sweep repeats. The writers (tables, TSV files, plots, report)
only format what an Analisis holds."""

import math
from dataclasses import dataclass, field
from typing import Dict, List, Optional, Sequence, Tuple

from .ajuste import Ajuste, Tendencia, ajustar, ajustar_con_intervalo, tendencias
from .conteo import Deriva, VeredictoCuentas, deriva, juzgar_cuentas, tiempo_por_operacion
from .cotas import Cota
from .estudio import Estudio, Punto
from .incertidumbre import mas_rapida
from .modelo import Modelo, ajustar_modelo, sin_modelo
from .programas import CUENTAS
from .veredicto import Veredicto, juzgar

# What the writers read from the analysis, by the names it gives them.
__all__ = ["Ajuste", "Analisis", "Conclusion", "DeConfiguracion", "DeCuentas", "Deriva", "Fila",
           "FilaCuentas", "FrenteACuentas", "Modelo", "Tendencia", "Veredicto",
           "VeredictoCuentas", "analizar", "avance"]


@dataclass
class Fila:
    """One row of the table of times: a point and what follows from it."""

    punto: Punto
    cocientes: List[Optional[float]]  # the median over each candidate bound
    doblado: Optional[float]  # t(n)/t(n/2), when the series has n/2
    exponente_local: Optional[float]  # log2 of the doubling ratio
    aceleracion: Optional[float]  # least optimised configuration's median over this one's
    por_operacion: Optional[float]  # median seconds per counted operation
    marcas: List[str]  # rep, <res, * (out of the fit), ! (wide spread)
    fuera_del_ajuste: bool


@dataclass
class FilaCuentas:
    n: int
    cuentas: Dict[str, float]
    cocientes: List[Optional[float]]  # the main count over each candidate bound


@dataclass
class FrenteACuentas:
    """How the verdict on the times stands against the growth the counts
    name: the same bound, or another one, and then, when the time of one
    operation drifts, by how much (what the machine adds)."""

    crecimiento: Cota
    coinciden: bool
    deriva: Optional[Deriva]

    def texto(self, operacion: str) -> str:
        if self.coinciden:
            return ", como las cuentas"
        texto = f"; las cuentas crecen como {self.crecimiento.texto}"
        if self.deriva:
            texto += f": {self.deriva.texto(operacion)}; eso lo añade la máquina, no el algoritmo"
        return texto


@dataclass
class DeConfiguracion:
    filas: List[Fila]
    ajuste: Optional[Ajuste]
    tendencias: List[Tendencia]
    veredicto: Veredicto
    rapidas: List[Tuple[int, float]]  # (n, fastest invocation) of the fitted points
    por_operacion: List[Tuple[int, float]]  # (n, fastest seconds per counted operation)
    deriva: Optional[Deriva]
    modelo: Optional[Modelo]
    frente: Optional[FrenteACuentas] = None
    sin_modelo: Optional[str] = None  # why there is no model, when one was asked for

    @property
    def cita_deriva(self) -> bool:
        """Whether the verdict quotes the drift (so it is not said again)."""
        return self.frente is not None and self.frente.deriva is not None


@dataclass
class DeCuentas:
    nombres: List[str]  # the counted operations, main one first as written
    filas: List[FilaCuentas]
    ajuste: Optional[Ajuste]  # of the main count, C·n^b (C·a^n)
    veredicto: Optional[VeredictoCuentas]
    modelo: Optional[Modelo]
    sin_modelo: Optional[str] = None  # why there is no model, when one was asked for


@dataclass
class Conclusion:
    """What one measure of a program grows as: the lines the summary of a
    sweep repeats and the rows of resumen.tsv, made from the same object."""

    configuracion: str  # a timed configuration, or CUENTAS
    medida: str  # "tiempo", or the main count's name
    ajuste: Optional[Ajuste]
    tipo: str  # cota, indistinguibles, mas_deprisa, mas_despacio, sin_datos
    cota: Optional[Cota]  # the bound the verdict names
    texto: str  # the verdict in words, as printed ("" with no verdict)
    cociente: Optional[float]  # the ratio to the named bound where it settles
    segun_cuentas: Optional[Cota] = None  # on a time, the growth the counts name


@dataclass
class Analisis:
    estudio: Estudio
    terminos: List[Cota]  # of the model
    configuraciones: Dict[str, DeConfiguracion] = field(default_factory=dict)
    cuentas: Optional[DeCuentas] = None
    inestables: Dict[str, List[int]] = field(default_factory=dict)
    conclusiones: List[Conclusion] = field(default_factory=list)

    @property
    def hay_doblados(self) -> bool:
        return any(f.doblado is not None for d in self.configuraciones.values() for f in d.filas)


def _cociente(valor: Optional[float], cota: Cota, n: int) -> Optional[float]:
    f = cota(n)
    return valor / f if valor is not None and f else None


def _filas(estudio: Estudio, configuracion: str) -> List[Fila]:
    filas = []
    base = estudio.configuraciones[0]
    varias = len(estudio.configuraciones) > 1
    for p in estudio.puntos_de(configuracion):
        mitad = estudio.punto(configuracion, p.n // 2) if p.n % 2 == 0 else None
        doblado = (p.mediana / mitad.mediana
                   if mitad and mitad.mediana > 0 and p.mediana > 0 else None)
        referencia = estudio.punto(base, p.n) if varias else None
        aceleracion = (referencia.mediana / p.mediana
                       if referencia and p.mediana > 0 and referencia.mediana > 0 else None)
        c = estudio.cuenta(p.n)
        filas.append(Fila(p, [_cociente(p.mediana, cota, p.n) for cota in estudio.cotas],
                          doblado, math.log2(doblado) if doblado else None, aceleracion,
                          p.mediana / c if c else None, estudio.marcas(p),
                          estudio.fuera_del_ajuste(p)))
    return filas


def _frente(de: DeConfiguracion, crecimiento: Optional[Cota]) -> Optional[FrenteACuentas]:
    """Times that follow another bound than the counts are the machine
    speaking, and the drift of the time per operation says how; bounds the
    times cannot tell apart say nothing against the counts unless the
    time per operation drifts."""
    if crecimiento is None or de.veredicto.tipo == "sin_datos":
        return None
    cota = de.veredicto.cota()
    if cota is not None and cota.texto == crecimiento.texto:
        return FrenteACuentas(crecimiento, True, None)
    if de.veredicto.tipo == "indistinguibles" and not de.deriva:
        return None
    return FrenteACuentas(crecimiento, False, de.deriva)


def _de_cuentas(estudio: Estudio, terminos: Sequence[Cota]) -> Optional[DeCuentas]:
    if not estudio.cuentas:
        return None
    principales = estudio.cuentas_principales()
    filas = [FilaCuentas(n, estudio.cuentas[n],
                         [_cociente(estudio.cuenta(n), cota, n) for cota in estudio.cotas])
             for n in sorted(estudio.cuentas)]
    if not principales:
        return DeCuentas(estudio.nombres_de_cuentas, filas, None, None, None)
    muestras = [(n, [c]) for n, c in principales]
    modelo = ajustar_modelo(list(terminos), muestras, veces=0) if terminos else None
    return DeCuentas(
        estudio.nombres_de_cuentas, filas,
        ajustar(principales, estudio.programa.exponencial),
        juzgar_cuentas(estudio.programa.cuenta, principales, estudio.cotas),
        modelo,
        sin_modelo(terminos, muestras) if terminos and modelo is None else None,
    )


def _conclusiones(estudio: Estudio, analisis: Analisis) -> List[Conclusion]:
    resultado = []
    cuentas = analisis.cuentas
    crecimiento = cuentas.veredicto.cota if cuentas and cuentas.veredicto else None
    if cuentas and cuentas.ajuste:
        v = cuentas.veredicto
        cota = v.cota if v else None
        n = max(estudio.cuentas)
        resultado.append(Conclusion(
            CUENTAS, estudio.programa.cuenta, cuentas.ajuste,
            "cota" if cota else "indistinguibles", cota, v.texto() if v else "",
            _cociente(estudio.cuenta(n), cota, n) if cota else None))
    for configuracion in estudio.configuraciones:
        de = analisis.configuraciones.get(configuracion)
        if de is None:
            continue
        texto = de.veredicto.texto()
        if de.frente:
            texto += de.frente.texto(estudio.programa.operacion)
        cota = de.veredicto.cota()
        prueba = next((p for p in de.veredicto.pruebas if cota is not None and p.cota is cota),
                      None)
        resultado.append(Conclusion(configuracion, "tiempo", de.ajuste, de.veredicto.tipo, cota,
                                    texto, prueba.constante if prueba else None, crecimiento))
    return resultado


def analizar(estudio: Estudio, terminos: Sequence[Cota]) -> Analisis:
    programa = estudio.programa
    analisis = Analisis(estudio, list(terminos))
    analisis.cuentas = _de_cuentas(estudio, terminos)
    crecimiento = (analisis.cuentas.veredicto.cota
                   if analisis.cuentas and analisis.cuentas.veredicto else None)
    principales = estudio.cuentas_principales()
    for configuracion in estudio.configuraciones:
        filas = _filas(estudio, configuracion)
        if not filas:
            continue
        muestras = estudio.muestras(configuracion)
        rapidas = [(n, mas_rapida(v)) for n, v in muestras]
        por_operacion = tiempo_por_operacion(rapidas, principales)
        de = DeConfiguracion(
            filas,
            ajustar_con_intervalo(muestras, programa.exponencial, estudio.semilla),
            tendencias(rapidas, estudio.cotas, programa.exponencial),
            juzgar(muestras, estudio.cotas, programa.exponencial, estudio.semilla),
            rapidas,
            por_operacion,
            deriva(por_operacion),
            ajustar_modelo(list(terminos), muestras, estudio.semilla, representante=mas_rapida)
            if terminos and muestras else None,
        )
        de.frente = _frente(de, crecimiento)
        if terminos and muestras and de.modelo is None:
            de.sin_modelo = sin_modelo(terminos, muestras)
        analisis.configuraciones[configuracion] = de
        inestables = [f.punto.n for f in filas if f.punto.inestable]
        if inestables:
            analisis.inestables[configuracion] = inestables
    analisis.conclusiones = _conclusiones(estudio, analisis)
    return analisis


def avance(estudio: Estudio) -> Analisis:
    """The rows alone, without the statistics: what a program's TSV holds,
    cheap enough to write after every invocation while the study is being
    measured."""
    analisis = Analisis(estudio, [])
    if estudio.cuentas:
        analisis.cuentas = DeCuentas(
            estudio.nombres_de_cuentas,
            [FilaCuentas(n, estudio.cuentas[n],
                         [_cociente(estudio.cuenta(n), cota, n) for cota in estudio.cotas])
             for n in sorted(estudio.cuentas)],
            None, None, None)
    for configuracion in estudio.configuraciones:
        filas = _filas(estudio, configuracion)
        if filas:
            analisis.configuraciones[configuracion] = DeConfiguracion(
                filas, None, [], Veredicto("sin_datos"), [], [], None, None)
    return analisis
