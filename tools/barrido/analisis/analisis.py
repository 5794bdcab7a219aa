"""Everything a program's study concludes from what it measured, computed
once: for each configuration the rows of its table (ratios, doubling
ratio, speed-up, time per operation, marks), the fit with its intervals,
the ratio trends, the verdict and how it stands against the counts, the
drift of the time per operation and the model; for the counts their rows,
fit, verdict and model; the unstable sizes; and the conclusions that the
summary of a sweep repeats. The writers (tables, TSV files, plots, report)
only format what an Analisis holds."""

import re
from dataclasses import dataclass, field
from typing import Dict, List, Optional, Sequence, Tuple

from ..estadistica.ajuste import Ajuste, Tendencia, ajustar, ajustar_con_intervalo, tendencias
from ..estadistica.por_operacion import Deriva, deriva, tiempo_por_operacion
from ..datos.cotas import Cota
from ..estadistica.crecimiento import VeredictoCrecimiento, juzgar_crecimiento
from ..datos.estudio import Estudio
from ..estadistica.incertidumbre import estimacion
from ..datos.maquina import Caches
from ..estadistica.jerarquia import Cruce, EscalonNombrado, cruces, escalones, nombrar
from ..estadistica.modelo import Modelo, SinModelo, ajustar_modelo, sin_modelo
from ..estadistica.veredicto import Prueba, Veredicto, juzgar
from .concluir import concluir
from .conclusiones import Conclusion, FrenteACuentas, FrenteAlAjuste
from .eventos import DeEventos, cambios, de_eventos
from ..estadistica.sucesos import Cambio
from .filas import ESPACIO, Fila, FilaCuentas, bytes_de, cociente, filas_de
from ..estadistica.persistencia import con_causa
from .evidencia import nombrado, ocupado, rangos_por_operacion

# What the writers read from the analysis, by the names it gives them.
__all__ = ["Ajuste", "Analisis", "Conclusion", "Cruce", "DeConfiguracion", "DeCuentas", "Deriva",
           "ESPACIO", "Fila", "FilaCuentas", "FrenteACuentas", "FrenteAlAjuste", "Modelo",
           "Prueba", "Tendencia", "Veredicto", "VeredictoCrecimiento", "analizar", "avance"]


@dataclass
class DeConfiguracion:
    filas: List[Fila]
    ajuste: Optional[Ajuste]
    tendencias: List[Tendencia]
    veredicto: Veredicto
    # (n, the size's estimate: incertidumbre.estimacion) of the fitted points
    rapidas: List[Tuple[int, float]]
    por_operacion: List[Tuple[int, float]]  # (n, estimated seconds per counted operation)
    deriva: Optional[Deriva]
    modelo: Optional[Modelo]
    frente: Optional[FrenteACuentas] = None
    # The steps of the time per operation between neighbouring sizes, each
    # with the cache levels its data outgrow there.
    escalones: List[EscalonNombrado] = field(default_factory=list)
    sin_modelo: Optional[SinModelo] = None  # why there is no model, when one was asked for
    # The event that rises where the time per operation steps or drifts
    # (None: the events were measured there and none rises).
    cambios: Dict[Tuple[int, int], Optional[Cambio]] = field(default_factory=dict)

    @property
    def cita_deriva(self) -> bool:
        """Whether the verdict quotes the drift (so it is not said again)."""
        return self.frente is not None and (self.frente.deriva is not None
                                            or bool(self.frente.escalones))


@dataclass
class DeCuentas:
    nombres: List[str]  # the counted operations, main one first as written
    filas: List[FilaCuentas]
    ajuste: Optional[Ajuste]  # of the main count, C·n^b (C·a^n)
    veredicto: Optional[VeredictoCrecimiento]
    modelo: Optional[Modelo]
    espacio: Dict[str, VeredictoCrecimiento] = field(default_factory=dict)  # memoria, profundidad
    sin_modelo: Optional[SinModelo] = None  # why there is no model, when one was asked for


@dataclass
class Analisis:
    estudio: Estudio
    # The candidate bounds of the ratios and of the verdict on the times:
    # the study's own, or those around the growth the counts name.
    cotas: List[Cota] = field(default_factory=list)
    cruces: List[Cruce] = field(default_factory=list)  # where the data outgrow each cache
    configuraciones: Dict[str, DeConfiguracion] = field(default_factory=dict)
    cuentas: Optional[DeCuentas] = None
    inestables: Dict[str, List[int]] = field(default_factory=dict)
    conclusiones: List[Conclusion] = field(default_factory=list)
    eventos: Optional[DeEventos] = None  # the machine's events, when measured

    def ocupada(self, configuracion: str) -> bool:
        """Whether the machine was busy while a series was measured: more
        than half its sizes have a wide spread, which a few disturbed
        sizes do not explain."""
        inestables = self.inestables.get(configuracion, [])
        return 2 * len(inestables) > len(self.estudio.puntos_de(configuracion))

    @property
    def hay_doblados(self) -> bool:
        return any(f.doblado is not None for d in self.configuraciones.values() for f in d.filas)


def vecinas(cota: Cota) -> List[Cota]:
    """The bound and its close neighbours f·n^−0.2 and f·n^0.2, written
    simply where they can be: n^1.8, n^2, n^2.2; n^0.8*log(n), n*log(n),
    n^1.2*log(n)."""
    potencia = re.fullmatch(r"n(?:\^([\d.]+))?", cota.texto)
    if potencia or cota.texto == "1":
        k = float(potencia.group(1) or 1) if potencia else 0.0
        return [Cota("n" if e == 1 else f"n^{e:g}") for e in (round(k - 0.2, 6),)] + [cota] + [
            Cota("n" if e == 1 else f"n^{e:g}") for e in (round(k + 0.2, 6),)]
    if cota.texto == "n*log(n)":
        return [Cota("n^0.8*log(n)"), cota, Cota("n^1.2*log(n)")]
    return [Cota(f"({cota.texto})/n^0.2"), cota, Cota(f"({cota.texto})*n^0.2")]


def _cotas_de_los_tiempos(estudio: Estudio, crecimiento: Optional[Cota]) -> List[Cota]:
    """The bounds the times are judged against: the study's own when they
    were fixed (by --bounds), else those around the growth the counts name
    (the program's own three when it is their middle one, as on random
    input), else the program's."""
    if estudio.cotas_fijas or crecimiento is None:
        return list(estudio.cotas)
    if len(estudio.cotas) == 3 and estudio.cotas[1].texto == crecimiento.texto:
        return list(estudio.cotas)
    return vecinas(crecimiento)


def _frente(de: DeConfiguracion, crecimiento: Optional[Cota]) -> Optional[FrenteACuentas]:
    """Times that follow another bound than the counts are the machine
    speaking, and the steps (or the drift) of the time per operation say
    how; bounds the times cannot tell apart say nothing against the counts
    unless the time per operation drifts."""
    if crecimiento is None or de.veredicto.tipo == "sin_datos":
        return None
    cota = de.veredicto.cota()
    if cota is not None and cota.texto == crecimiento.texto:
        return FrenteACuentas(crecimiento, True, None)
    if de.veredicto.tipo == "indistinguibles" and not de.deriva and not de.escalones:
        return None
    return FrenteACuentas(crecimiento, False, de.deriva, de.escalones)


def _de_cuentas(estudio: Estudio, terminos: Sequence[Cota]) -> Optional[DeCuentas]:
    if not estudio.cuentas:
        return None
    programa = estudio.programa
    candidatas = estudio.cotas if estudio.cotas_fijas else None
    principales = estudio.cuentas_principales()
    espacio = {}
    for nombre in ESPACIO:
        valores = sorted((n, c[nombre]) for n, c in estudio.cuentas.items() if nombre in c)
        veredicto = juzgar_crecimiento(nombre, valores) if valores else None
        if veredicto is not None:
            espacio[nombre] = veredicto
    if not principales:
        return DeCuentas(estudio.nombres_de_cuentas, [], None, None, None, espacio)
    veredicto = juzgar_crecimiento(programa.cuenta, principales, candidatas)
    muestras = [(n, [c]) for n, c in principales]
    modelo = ajustar_modelo(list(terminos), muestras, veces=0) if terminos else None
    return DeCuentas(
        estudio.nombres_de_cuentas, [],
        ajustar(principales, programa.exponencial),
        veredicto,
        modelo,
        espacio,
        sin_modelo(terminos, muestras) if terminos and modelo is None else None,
    )


def analizar(estudio: Estudio, terminos: Sequence[Cota], caches: Optional[Caches] = None
             ) -> Analisis:
    """Everything concluded from the study; `caches`, the machine's, name
    the steps in the time per operation."""
    programa = estudio.programa
    analisis = Analisis(estudio)
    analisis.cuentas = _de_cuentas(estudio, terminos)
    analisis.eventos = de_eventos(estudio)
    crecimiento = (analisis.cuentas.veredicto.cota
                   if analisis.cuentas and analisis.cuentas.veredicto
                   and analisis.cuentas.veredicto.tipo == "cota" else None)
    cotas = analisis.cotas = _cotas_de_los_tiempos(estudio, crecimiento)
    if analisis.cuentas:
        analisis.cuentas.filas = [
            FilaCuentas(n, estudio.cuentas[n], [cociente(estudio.cuenta(n), c, n) for c in cotas])
            for n in sorted(estudio.cuentas)]
    memoria = bytes_de(estudio)
    tallas = sorted({p.n for p in estudio.puntos} | set(estudio.cuentas))
    if caches is not None and memoria is not None and tallas:
        analisis.cruces = cruces(caches, memoria, tallas)
    principales = estudio.cuentas_principales()
    for configuracion in estudio.configuraciones:
        filas = filas_de(estudio, configuracion, cotas, memoria)
        if not filas:
            continue
        muestras = estudio.muestras(configuracion)
        rapidas = [(n, estimacion(v)) for n, v in muestras]
        por_operacion = tiempo_por_operacion(rapidas, principales)
        de = DeConfiguracion(
            filas,
            ajustar_con_intervalo(muestras, programa.exponencial, estudio.semilla),
            tendencias(rapidas, cotas, programa.exponencial),
            juzgar(muestras, cotas, programa.exponencial, estudio.semilla),
            rapidas,
            por_operacion,
            deriva(por_operacion),
            ajustar_modelo(list(terminos), muestras, estudio.semilla, representante=estimacion)
            if terminos and muestras else None,
        )
        causas: List[EscalonNombrado] = []  # the steps a cache explains
        if memoria is not None and caches is not None:
            hallados = escalones(por_operacion, rangos=rangos_por_operacion(muestras, principales))
            de.escalones = nombrar(hallados, analisis.cruces, memoria)
            causas = nombrar(con_causa(hallados, analisis.cruces), analisis.cruces, memoria)
        de.veredicto = ocupado(nombrado(de.veredicto, de.ajuste, crecimiento,
                                        [n for n, _ in muestras], programa.exponencial, causas),
                               estudio.puntos_de(configuracion))
        de.frente = _frente(de, crecimiento)
        if analisis.eventos is not None:
            tramos = [(e.escalon.desde, e.escalon.hasta) for e in de.escalones]
            de.cambios = cambios(analisis.eventos, tramos + (
                [(de.deriva.desde, de.deriva.hasta)] if de.deriva else []))
        if terminos and muestras and de.modelo is None:
            de.sin_modelo = sin_modelo(terminos, muestras)
        analisis.configuraciones[configuracion] = de
        inestables = [f.punto.n for f in filas if f.punto.inestable]
        if inestables:
            analisis.inestables[configuracion] = inestables
    analisis.conclusiones = concluir(estudio, analisis)
    return analisis


def avance(estudio: Estudio) -> Analisis:
    """The rows alone, without the statistics: what a program's TSV holds,
    cheap enough to write after every invocation while the study is being
    measured."""
    analisis = Analisis(estudio, cotas=list(estudio.cotas))
    if estudio.cuentas:
        analisis.cuentas = DeCuentas(
            estudio.nombres_de_cuentas,
            [FilaCuentas(n, estudio.cuentas[n],
                         [cociente(estudio.cuenta(n), cota, n) for cota in estudio.cotas])
             for n in sorted(estudio.cuentas)],
            None, None, None)
    memoria = bytes_de(estudio)
    for configuracion in estudio.configuraciones:
        filas = filas_de(estudio, configuracion, estudio.cotas, memoria)
        if filas:
            analisis.configuraciones[configuracion] = DeConfiguracion(
                filas, None, [], Veredicto("sin_datos"), [], [], None, None)
    return analisis
