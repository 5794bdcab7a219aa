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

import re

from ..estadistica.ajuste import Ajuste, Tendencia, ajustar, ajustar_con_intervalo, tendencias
from ..estadistica.conteo import Deriva, deriva, tiempo_por_operacion
from ..datos.cotas import Cota
from ..estadistica.crecimiento import VeredictoCrecimiento, juzgar_crecimiento
from ..datos.estudio import Estudio, Punto
from ..estadistica.incertidumbre import estimacion
from ..estadistica.jerarquia import Caches, Cruce, cruces, escalones, nombrar
from ..estadistica.persistencia import con_causa
from .evidencia import nombrado, ocupado, rangos_por_operacion
from ..estadistica.modelo import Modelo, ajustar_modelo, sin_modelo
from ..datos.programas import CUENTAS, Programa
from ..estadistica.veredicto import Prueba, Veredicto, exponente_en, juzgar

# The measures of space a counting build reports beside its operations
# (peaks over its runs), and how a sentence names each.
MEMORIA, PROFUNDIDAD = "memoria_extra", "profundidad"
ESPACIO = {MEMORIA: "la memoria adicional", PROFUNDIDAD: "la profundidad"}

# Each key of the timed builds takes this many bytes: what the extra memory
# the counting build counts in keys adds to a run's working set.
BYTES_POR_CLAVE = 4

# What the writers read from the analysis, by the names it gives them.
__all__ = ["Ajuste", "Analisis", "Conclusion", "Cruce", "DeConfiguracion", "DeCuentas", "Deriva",
           "ESPACIO", "Fila", "FilaCuentas", "FrenteACuentas", "FrenteAlAjuste", "Modelo",
           "Prueba", "Tendencia", "Veredicto", "VeredictoCrecimiento", "analizar", "avance"]


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
    bytes: Optional[float] = None  # the working set of one run at this size


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
    escalones: List[str] = field(default_factory=list)  # the steps, named by their cache

    def texto(self, operacion: str) -> str:
        if self.coinciden:
            return f"; las cuentas también crecen como {self.crecimiento.texto}"
        texto = f"; las cuentas crecen como {self.crecimiento.texto}"
        if self.escalones:
            texto += f": {'; '.join(self.escalones)}; eso lo añade la máquina, no el algoritmo"
        elif self.deriva:
            texto += f": {self.deriva.texto(operacion)}; eso lo añade la máquina, no el algoritmo"
        return texto


@dataclass
class FrenteAlAjuste:
    """The fit over all sizes beside a verdict that could read as its
    contradiction: a bound named whose growth over the fitted sizes lies
    outside the fit's interval, or times said to grow past every bound
    while the fit's interval holds the nearest one. The verdict judges the
    upper half only, and holds a slope to a window rather than to 0."""

    ajuste: Ajuste
    prueba: Prueba  # the verdict's test of the bound concerned
    equivalente: float  # the bound's exponent (base, for a^n) over the fitted sizes
    tipo: str  # of the verdict

    @property
    def desvio(self) -> float:
        """How far the fit's rate lies from the bound's, on the scale of the
        verdict's slopes (a difference of exponents, or of the logarithms of
        the bases)."""
        if self.ajuste.exponencial:
            return math.log(self.ajuste.tasa) - math.log(self.equivalente)
        return self.ajuste.tasa - self.equivalente

    @property
    def dentro(self) -> bool:
        return -self.prueba.abajo <= self.desvio <= self.prueba.arriba

    def texto(self) -> str:
        cota = self.prueba.cota
        equivalente = ""
        if not self.ajuste.exponencial and not _es_potencia(cota):
            equivalente = f" ({cota.texto} crece ahí como n^{self.equivalente:.2f})"
        cabeza = f"; el ajuste de todas las tallas, {self.ajuste.crecimiento()}{equivalente},"
        if self.tipo != "cota":
            return (f"{cabeza} incluye {cota.texto}: la mitad inferior de las tallas, que el"
                    " veredicto no juzga, crece más despacio que la superior"
                    if self.tipo == "mas_deprisa" else
                    f"{cabeza} incluye {cota.texto}: la mitad inferior de las tallas, que el"
                    " veredicto no juzga, crece más deprisa que la superior")
        if self.dentro:
            return f"{cabeza} excluye {cota.texto} pero se aparta de él menos que ese margen"
        return (f"{cabeza} se aparta de {cota.texto} más que ese margen porque incluye la mitad"
                " inferior de las tallas, que el veredicto no juzga")


def _es_potencia(cota: Cota) -> bool:
    return cota.texto == "n" or cota.texto.startswith("n^") and \
        cota.texto[2:].replace(".", "", 1).isdigit()


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
    # named by the cache level its data outgrow there, in words.
    escalones: List[str] = field(default_factory=list)
    sin_modelo: Optional[str] = None  # why there is no model, when one was asked for

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
    sin_modelo: Optional[str] = None  # why there is no model, when one was asked for


@dataclass
class Conclusion:
    """What one measure of a program grows as: the lines the summary of a
    sweep repeats and the rows of resumen.tsv, made from the same object."""

    configuracion: str  # a timed configuration, or CUENTAS
    medida: str  # "tiempo", the main count's name, or a measure of space
    ajuste: Optional[Ajuste]
    tipo: str  # cota, indistinguibles, mas_deprisa, mas_despacio, sin_datos
    cota: Optional[Cota]  # the bound the verdict names
    texto: str  # the verdict in words, as printed ("" with no verdict)
    cociente: Optional[float]  # the ratio to the named bound where it settles
    segun_cuentas: Optional[Cota] = None  # on a time, the growth the counts name
    resumen: str = ""  # the verdict in a few words
    tallas_ajuste: Tuple[int, int] = (0, 0)  # the smallest and largest size fitted
    # On a time: the test the verdict cites, with its slope, interval and
    # window, over the sizes it judges.
    prueba: Optional[Prueba] = None
    tallas_veredicto: Tuple[int, int] = (0, 0)
    frente_al_ajuste: Optional[FrenteAlAjuste] = None
    por_operacion: Optional[Tuple[int, float]] = None  # at the largest size: (n, seconds)
    deriva: Optional[Deriva] = None


@dataclass
class Analisis:
    estudio: Estudio
    terminos: List[Cota]  # of the model
    # The candidate bounds of the ratios and of the verdict on the times:
    # the study's own, or those around the growth the counts name.
    cotas: List[Cota] = field(default_factory=list)
    cruces: List[Cruce] = field(default_factory=list)  # where the data outgrow each cache
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


def bytes_de(estudio: Estudio):
    """The working set of one run as a function of n, or None for a program
    without data: its input, plus the extra keys its counting build held at
    once (in proportion to n, as at the largest size counted)."""
    programa: Programa = estudio.programa
    if programa.bytes_de_entrada(1) is None:
        return None
    extra = [(n, c[MEMORIA]) for n, c in sorted(estudio.cuentas.items()) if MEMORIA in c]
    por_clave = extra[-1][1] / extra[-1][0] if extra and extra[-1][0] > 0 else 0.0

    def funcion(n: float) -> float:
        return programa.bytes_de_entrada(n) + BYTES_POR_CLAVE * por_clave * n
    return funcion


def _filas(estudio: Estudio, configuracion: str, cotas: Sequence[Cota], memoria) -> List[Fila]:
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
        filas.append(Fila(p, [_cociente(p.mediana, cota, p.n) for cota in cotas],
                          doblado, math.log2(doblado) if doblado else None, aceleracion,
                          p.mediana / c if c else None, estudio.marcas(p),
                          estudio.fuera_del_ajuste(p), memoria(p.n) if memoria else None))
    return filas


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


def _medida(programa: Programa, nombre: str) -> str:
    """How a sentence names what is counted."""
    return ESPACIO.get(nombre, f"el número de {nombre}")


def _de_cuentas(estudio: Estudio, terminos: Sequence[Cota]) -> Optional[DeCuentas]:
    if not estudio.cuentas:
        return None
    programa = estudio.programa
    candidatas = estudio.cotas if estudio.cotas_fijas else None
    principales = estudio.cuentas_principales()
    espacio = {}
    for nombre in ESPACIO:
        valores = sorted((n, c[nombre]) for n, c in estudio.cuentas.items() if nombre in c)
        veredicto = juzgar_crecimiento(ESPACIO[nombre], valores) if valores else None
        if veredicto is not None:
            espacio[nombre] = veredicto
    if not principales:
        return DeCuentas(estudio.nombres_de_cuentas, [], None, None, None, espacio)
    veredicto = juzgar_crecimiento(_medida(programa, programa.cuenta), principales, candidatas)
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


def _profundidad(estudio: Estudio, texto: str) -> str:
    """Depth set against log2 n + 1, the nesting of a recursion that halves
    its range, at the largest size counted."""
    n, valor = max((n, c[PROFUNDIDAD]) for n, c in estudio.cuentas.items() if PROFUNDIDAD in c)
    return f"{texto}; a n = {n}, {valor:g} niveles frente a log2(n) + 1 = {math.log2(n) + 1:.1f}"


def _frente_al_ajuste(de: DeConfiguracion, tallas: Sequence[int],
                      exponencial: bool) -> Optional[FrenteAlAjuste]:
    """The fit over all sizes, where it could read as contradicting the
    verdict: None where the two agree."""
    v, ajuste = de.veredicto, de.ajuste
    prueba = v.citada()
    if ajuste is None or ajuste.tasa_inf is None or prueba is None or v.tipo not in (
            "cota", "mas_deprisa", "mas_despacio"):
        return None
    equivalente = exponente_en(prueba.cota, tallas, exponencial)
    if equivalente is None:
        return None
    # As printed: a rate with two decimals (a base with three) whose
    # interval misses the bound by less than half the last digit reads as
    # holding it.
    holgura = 0.0005 if exponencial else 0.005
    incluye = ajuste.tasa_inf - holgura <= equivalente <= ajuste.tasa_sup + holgura
    if incluye == (v.tipo == "cota"):
        return None
    return FrenteAlAjuste(ajuste, prueba, equivalente, v.tipo)


def _conclusiones(estudio: Estudio, analisis: Analisis) -> List[Conclusion]:
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
            CUENTAS, estudio.programa.cuenta, cuentas.ajuste,
            v.tipo if v else "indistinguibles", cota, v.texto() if v else "",
            _cociente(estudio.cuenta(n), cota, n) if cota else None,
            resumen=cota.texto if cota else "no distingue las cotas",
            tallas_ajuste=(principales[0][0], principales[-1][0])))
    for nombre, v in (cuentas.espacio.items() if cuentas else []):
        valores = sorted((n, c[nombre]) for n, c in estudio.cuentas.items() if c.get(nombre))
        texto = v.texto()
        if nombre == PROFUNDIDAD and not estudio.programa.exponencial:
            texto = _profundidad(estudio, texto)
        resumen = {"cota": v.cota.texto if v.cota else "",
                   "cero": "no usa" if nombre == MEMORIA else "0"}.get(
            v.tipo, "no distingue las cotas")
        resultado.append(Conclusion(
            CUENTAS, nombre, ajustar(valores, estudio.programa.exponencial), v.tipo,
            v.cota if v.tipo == "cota" else None, texto, None, resumen=resumen,
            tallas_ajuste=(valores[0][0], valores[-1][0]) if valores else (0, 0)))
    for configuracion in estudio.configuraciones:
        de = analisis.configuraciones.get(configuracion)
        if de is None:
            continue
        v = de.veredicto
        tallas = [n for n, _ in estudio.muestras(configuracion)]
        frente = _frente_al_ajuste(de, tallas, estudio.programa.exponencial)
        texto = v.texto()
        if frente:
            texto += frente.texto()
        if de.frente:
            texto += de.frente.texto(estudio.programa.operacion)
        cota = v.cota()
        prueba = v.citada()
        resultado.append(Conclusion(
            configuracion, "tiempo", de.ajuste, v.tipo, cota, texto,
            prueba.constante if prueba and cota else None, crecimiento,
            resumen=v.resumen(),
            tallas_ajuste=(tallas[0], tallas[-1]) if tallas else (0, 0),
            prueba=prueba, tallas_veredicto=v.tallas, frente_al_ajuste=frente,
            por_operacion=max(de.por_operacion) if de.por_operacion else None,
            deriva=de.deriva))
    return resultado


def analizar(estudio: Estudio, terminos: Sequence[Cota], caches: Optional[Caches] = None
             ) -> Analisis:
    """Everything concluded from the study; `caches`, the machine's, name
    the steps in the time per operation."""
    programa = estudio.programa
    analisis = Analisis(estudio, list(terminos))
    analisis.cuentas = _de_cuentas(estudio, terminos)
    crecimiento = (analisis.cuentas.veredicto.cota
                   if analisis.cuentas and analisis.cuentas.veredicto
                   and analisis.cuentas.veredicto.tipo == "cota" else None)
    cotas = analisis.cotas = _cotas_de_los_tiempos(estudio, crecimiento)
    if analisis.cuentas:
        analisis.cuentas.filas = [
            FilaCuentas(n, estudio.cuentas[n], [_cociente(estudio.cuenta(n), c, n) for c in cotas])
            for n in sorted(estudio.cuentas)]
    memoria = bytes_de(estudio)
    tallas = sorted({p.n for p in estudio.puntos} | set(estudio.cuentas))
    if caches is not None and memoria is not None and tallas:
        analisis.cruces = cruces(caches, memoria, tallas)
    principales = estudio.cuentas_principales()
    for configuracion in estudio.configuraciones:
        filas = _filas(estudio, configuracion, cotas, memoria)
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
        causas: List[str] = []
        if memoria is not None and caches is not None:
            hallados = escalones(por_operacion, rangos=rangos_por_operacion(muestras, principales))
            de.escalones = nombrar(hallados, analisis.cruces, memoria, programa.operacion,
                                   programa.datos)
            causas = nombrar(con_causa(hallados, analisis.cruces), analisis.cruces, memoria,
                             programa.operacion, programa.datos)
        de.veredicto = ocupado(nombrado(de.veredicto, de.ajuste, crecimiento,
                                        [n for n, _ in muestras], programa.exponencial, causas),
                               estudio.puntos_de(configuracion))
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
    analisis = Analisis(estudio, [], cotas=list(estudio.cotas))
    if estudio.cuentas:
        analisis.cuentas = DeCuentas(
            estudio.nombres_de_cuentas,
            [FilaCuentas(n, estudio.cuentas[n],
                         [_cociente(estudio.cuenta(n), cota, n) for cota in estudio.cotas])
             for n in sorted(estudio.cuentas)],
            None, None, None)
    memoria = bytes_de(estudio)
    for configuracion in estudio.configuraciones:
        filas = _filas(estudio, configuracion, estudio.cotas, memoria)
        if filas:
            analisis.configuraciones[configuracion] = DeConfiguracion(
                filas, None, [], Veredicto("sin_datos"), [], [], None, None)
    return analisis
