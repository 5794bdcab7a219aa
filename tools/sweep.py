"""Sweep: runs the suite's programs over a series of sizes and turns their
report lines into an efficiency study: a table, a fitted growth rate, the
ratios of the times to candidate bounds, TSV files and gnuplot plots.

Python 3.9 or later, standard library only. The executable `tools/sweep`
calls main(); the tests import the pieces they check from here.
"""

import argparse
import math
import operator
import os
import re
import shutil
import signal
import statistics
import subprocess
import sys
import time
from dataclasses import dataclass, field
from pathlib import Path
from typing import Callable, Dict, List, Optional, Sequence, Tuple

RAIZ = Path(__file__).resolve().parent.parent

# Useful resolution of the programs' clock. The clock counts nanoseconds,
# but every timed interval also holds the cost of two clock readings (a
# program at n = 0 reports about 5e-8 s), so a time of a few tens of
# nanoseconds measures the clock rather than the algorithm. Below 1 us that
# cost is above 5 % of the point, which is what the fit cannot absorb.
RESOLUCION = 1e-6

# The report line of every program: the size, one blank, the mean time in
# seconds as the C++ stream writes a double, a newline, and nothing else.
LINEA_INFORME = re.compile(r"(-?\d+) (-?(?:\d+\.?\d*|\.\d+)(?:e[-+]\d+)?)\n")

CONFIGURACIONES = ("O0", "O2", "O3")  # from the least to the most optimised

AVISO_GNUPLOT = (
    "gnuplot no está instalado: no se dibujan las gráficas "
    "(se instala con: apt-get install gnuplot-nox)"
)


class ErrorDeUso(ValueError):
    """A command-line value that cannot be used; the message says why."""


# ---------------------------------------------------------------- sizes


def analizar_tallas(texto: str) -> List[int]:
    """Sizes from a comma-separated list whose items are a size (1000), a
    geometric range (1000:256000:x2) or an arithmetic one (10:30:+2).
    Ranges start at their first value and end at the last term not above
    their second. The result is sorted and has no repeats."""
    tallas = set()
    elementos = [e.strip() for e in texto.split(",")]
    if not texto.strip() or any(not e for e in elementos):
        raise ErrorDeUso(f"lista de tallas vacía o con un hueco: «{texto}»")
    for elemento in elementos:
        partes = elemento.split(":")
        if len(partes) == 1:
            tallas.add(_talla(partes[0], elemento))
        elif len(partes) == 3:
            tallas.update(_rango(partes, elemento))
        else:
            raise ErrorDeUso(
                f"«{elemento}» no es una talla ni un rango INICIO:FIN:xFACTOR o INICIO:FIN:+PASO"
            )
    return sorted(tallas)


def _talla(texto: str, elemento: str) -> int:
    if not re.fullmatch(r"\s*\d+\s*", texto):
        raise ErrorDeUso(f"«{texto}» en «{elemento}» no es una talla entera positiva")
    talla = int(texto)
    if talla < 1:
        raise ErrorDeUso(f"la talla de «{elemento}» debe ser al menos 1")
    return talla


def _rango(partes: Sequence[str], elemento: str) -> List[int]:
    inicio, fin = _talla(partes[0], elemento), _talla(partes[1], elemento)
    paso = partes[2].strip()
    if inicio > fin:
        raise ErrorDeUso(f"el rango «{elemento}» empieza después de acabar")
    if paso.startswith("+") and re.fullmatch(r"\+\d+", paso):
        incremento = int(paso[1:])
        if incremento < 1:
            raise ErrorDeUso(f"el paso de «{elemento}» debe ser al menos +1")
        return list(range(inicio, fin + 1, incremento))
    if paso.startswith("x") and re.fullmatch(r"x(\d+\.?\d*|\.\d+)", paso):
        factor = float(paso[1:])
        if factor <= 1:
            raise ErrorDeUso(f"el factor de «{elemento}» debe ser mayor que 1")
        tallas, k = [], 0
        while True:
            # Each term from the start, so rounding does not accumulate.
            talla = round(inicio * factor**k)
            if talla > fin:
                return tallas
            if not tallas or talla != tallas[-1]:
                tallas.append(talla)
            k += 1
    raise ErrorDeUso(f"el paso de «{elemento}» debe ser xFACTOR (x2) o +PASO (+100)")


# ---------------------------------------------------------------- bounds

_FUNCIONES: Dict[str, Callable[[float], float]] = {
    "log": math.log,
    "log2": math.log2,
    "log10": math.log10,
    "sqrt": math.sqrt,
    "exp": math.exp,
}
_OPERADORES = {"+": operator.add, "-": operator.sub, "*": operator.mul, "/": operator.truediv}


def _binaria(op: str, a, b):
    operacion = _OPERADORES[op]
    return lambda n: operacion(a(n), b(n))


_FICHA = re.compile(r"\s*(?:(\d+\.?\d*(?:[eE][-+]?\d+)?|\.\d+)|([A-Za-z_]\w*)|([-+*/^()]))")


class Cota:
    """A candidate bound f(n), written with n, numbers, + - * / ^ (power),
    parentheses and the functions log (natural), log2, log10, sqrt and exp:
    n^2, n*log(n), 2^n, n^3. The text is parsed into a function, never
    handed to eval."""

    def __init__(self, texto: str):
        self.texto = re.sub(r"\s+", "", texto)
        if not self.texto:
            raise ErrorDeUso("cota vacía")
        self._fichas = self._trocear(texto)
        self._pos = 0
        self._f = self._suma()
        if self._pos != len(self._fichas):
            self._fallo(f"sobra «{self._fichas[self._pos][1]}»")
        del self._fichas

    def __call__(self, n: float) -> Optional[float]:
        """f(n), or None where it is not a finite positive number."""
        try:
            valor = self._f(float(n))
        except (ArithmeticError, ValueError):
            return None
        return valor if math.isfinite(valor) and valor > 0 else None

    @property
    def columna(self) -> str:
        """The heading of its ratio column: t/n^2, t/(n*log(n))."""
        simple = re.fullmatch(r"[\w.]+(\^[\w.]+)?", self.texto)
        return "t/" + (self.texto if simple else f"({self.texto})")

    def _trocear(self, texto: str) -> List[Tuple[str, str]]:
        fichas, pos = [], 0
        texto = texto.rstrip()
        while pos < len(texto):
            m = _FICHA.match(texto, pos)
            if not m:
                self._fallo(f"no se entiende «{texto[pos:].strip()}»")
            if m.group(1):
                fichas.append(("num", m.group(1)))
            elif m.group(2):
                fichas.append(("nombre", m.group(2)))
            else:
                fichas.append(("op", m.group(3)))
            pos = m.end()
        return fichas

    def _fallo(self, motivo: str):
        raise ErrorDeUso(f"cota «{self.texto}»: {motivo}")

    def _mirar(self) -> Tuple[str, str]:
        return self._fichas[self._pos] if self._pos < len(self._fichas) else ("fin", "")

    def _tomar(self) -> Tuple[str, str]:
        ficha = self._mirar()
        if ficha[0] == "fin":
            self._fallo("acaba antes de tiempo")
        self._pos += 1
        return ficha

    # suma := producto (('+' | '-') producto)*
    def _suma(self):
        f = self._producto()
        while self._mirar() in (("op", "+"), ("op", "-")):
            f = _binaria(self._tomar()[1], f, self._producto())
        return f

    # producto := signo (('*' | '/') signo)*
    def _producto(self):
        f = self._signo()
        while self._mirar() in (("op", "*"), ("op", "/")):
            f = _binaria(self._tomar()[1], f, self._signo())
        return f

    # signo := '-' signo | potencia
    def _signo(self):
        if self._mirar() == ("op", "-"):
            self._tomar()
            g = self._signo()
            return lambda n: -g(n)
        return self._potencia()

    # potencia := atomo ('^' signo)?, so 2^3^2 is 2^9 and -n^2 is -(n^2)
    def _potencia(self):
        base = self._atomo()
        if self._mirar() == ("op", "^"):
            self._tomar()
            exponente = self._signo()
            return lambda n: math.pow(base(n), exponente(n))
        return base

    # atomo := número | n | función '(' suma ')' | '(' suma ')'
    def _atomo(self):
        clase, texto = self._tomar()
        if clase == "num":
            valor = float(texto)
            return lambda n: valor
        if clase == "nombre" and texto == "n":
            return lambda n: n
        if clase == "nombre":
            if texto not in _FUNCIONES:
                self._fallo(f"«{texto}» no es n ni una de las funciones {', '.join(_FUNCIONES)}")
            funcion = _FUNCIONES[texto]
            self._esperar("(", f"falta «(» tras {texto}")
            g = self._suma()
            self._esperar(")", "falta «)»")
            return lambda n: funcion(g(n))
        if texto == "(":
            g = self._suma()
            self._esperar(")", "falta «)»")
            return g
        self._fallo(f"«{texto}» fuera de lugar")

    def _esperar(self, op: str, motivo: str):
        if self._mirar() != ("op", op):
            self._fallo(motivo)
        self._pos += 1


def analizar_cotas(texto: str) -> List[Cota]:
    return [Cota(parte) for parte in texto.split(",")]


# ---------------------------------------------------------------- programs


@dataclass(frozen=True)
class Programa:
    nombre: str  # short name on the command line
    algoritmo: str
    configuraciones: Tuple[str, ...]  # the builds that exist
    tallas: str  # default sizes
    cotas: Tuple[str, str, str]  # under, tight and over estimate
    exponencial: bool = False  # grows as a^n: fit and plot against n
    umbral_repeticion: int = 0  # sizes up to this are timed by repetition

    def binario(self, configuracion: str) -> str:
        return f"bench_{self.nombre}" + ("" if configuracion == "O2" else f"_{configuracion}")


_CUADRATICAS = ("n^1.8", "n^2", "n^2.2")
_NLOGN = ("n", "n*log(n)", "n^1.2")

# Default sizes: `tools/sweep all` takes a few minutes on a 2-core machine.
# Each is far from the budget: at the largest size one run takes about 0.2 s
# to 2 s (the quadratic sorts at 32000, the n log n ones at 4M, Floyd at
# 1000, Hanoi at 29 discs), and every size below costs a fraction of that.
PROGRAMAS: Dict[str, Programa] = {
    p.nombre: p
    for p in (
        Programa("selection", "ordenación por selección", ("O0", "O2"), "500:32000:x2",
                 _CUADRATICAS, umbral_repeticion=2000),
        Programa("bubble", "ordenación por burbuja", ("O0", "O2"), "500:32000:x2", _CUADRATICAS),
        Programa("insertion", "ordenación por inserción", ("O0", "O2"), "500:32000:x2",
                 _CUADRATICAS),
        Programa("quicksort", "quicksort", ("O0", "O2"), "1000:4096000:x2", _NLOGN),
        Programa("heapsort", "heapsort", ("O0", "O2"), "1000:4096000:x2", _NLOGN),
        Programa("mergesort", "mergesort", ("O2", "O3"), "1000:4096000:x2", _NLOGN,
                 umbral_repeticion=2000),
        Programa("floyd", "caminos mínimos de Floyd", ("O0", "O2"), "100:1000:+100",
                 ("n^2.8", "n^3", "n^3.2")),
        Programa("hanoi", "torres de Hanoi", ("O0", "O2"), "18:29:+1", ("1.9^n", "2^n", "2.1^n"),
                 exponencial=True),
    )
}


# ---------------------------------------------------------------- fit


@dataclass
class Ajuste:
    """t(n) ≈ C·n^b, or C·a^n for a program that grows exponentially."""

    constante: float
    tasa: float  # b, or a
    r2: float
    puntos: int
    exponencial: bool

    def formula(self) -> str:
        if self.exponencial:
            return f"t(n) ≈ {self.constante:.3g}·{self.tasa:.3f}^n"
        return f"t(n) ≈ {self.constante:.3g}·n^{self.tasa:.3f}"


def _recta(xs: Sequence[float], ys: Sequence[float]) -> Tuple[float, float, float]:
    """Least-squares line y = a + b·x: (a, b, R²)."""
    mx, my = statistics.fmean(xs), statistics.fmean(ys)
    sxx = sum((x - mx) ** 2 for x in xs)
    sxy = sum((x - mx) * (y - my) for x, y in zip(xs, ys))
    b = sxy / sxx
    a = my - b * mx
    syy = sum((y - my) ** 2 for y in ys)
    residuo = sum((y - a - b * x) ** 2 for x, y in zip(xs, ys))
    return a, b, (1 - residuo / syy) if syy > 0 else 1.0


def ajustar(pares: Sequence[Tuple[int, float]], exponencial: bool) -> Optional[Ajuste]:
    """Least squares on log t against log n (against n when exponencial).
    None with fewer than two distinct sizes."""
    if len({n for n, _ in pares}) < 2:
        return None
    xs = [n if exponencial else math.log(n) for n, _ in pares]
    a, b, r2 = _recta(xs, [math.log(t) for _, t in pares])
    return Ajuste(math.exp(a), math.exp(b) if exponencial else b, r2, len(pares), exponencial)


@dataclass
class Tendencia:
    """How the ratio t/f(n) of one bound moves over the fitted points."""

    cota: Cota
    factor: float  # change of the ratio from the smallest to the largest n, by its trend
    constante: float  # median of the ratio over the larger half of the sizes

    def describir(self) -> str:
        if self.factor > 1.25:
            return f"{self.cota.columna} crece ×{self.factor:.3g}"
        if self.factor < 0.8:
            return f"{self.cota.columna} decrece ×{self.factor:.3g}"
        return f"{self.cota.columna} casi constante ×{self.factor:.3g}"


def tendencias(
    pares: Sequence[Tuple[int, float]], cotas: Sequence[Cota], exponencial: bool
) -> List[Tendencia]:
    """The trend of each bound's ratio: the slope of log(t/f) fitted against
    log n (n when exponencial), turned into the factor by which the ratio
    changes across the range. The steadiest bound has the factor nearest 1:
    an underestimate's ratio keeps growing, an overestimate's keeps falling."""
    resultado = []
    for cota in cotas:
        con_valor = [(n, t / cota(n)) for n, t in pares if cota(n) is not None]
        if len({n for n, _ in con_valor}) < 2:
            continue
        xs = [n if exponencial else math.log(n) for n, _ in con_valor]
        _, pendiente, _ = _recta(xs, [math.log(r) for _, r in con_valor])
        mayores = sorted(con_valor)[len(con_valor) // 2:]
        resultado.append(
            Tendencia(
                cota,
                math.exp(pendiente * (max(xs) - min(xs))),
                statistics.median(r for _, r in mayores),
            )
        )
    return resultado


def mas_estable(lista: Sequence[Tendencia]) -> Optional[Tendencia]:
    return min(lista, key=lambda t: abs(math.log(t.factor)), default=None)


# ---------------------------------------------------------------- measuring


@dataclass
class Punto:
    n: int
    configuracion: str
    mediana: float
    minimo: float
    maximo: float
    repeticion: bool  # the program timed this size by repetition

    @property
    def bajo_resolucion(self) -> bool:
        return self.mediana < RESOLUCION


class FalloPrograma(Exception):
    """A program that did not give its report line; the message says how."""


def ejecutar(binario: Path, n: int) -> Tuple[float, float]:
    """Runs one invocation: (the seconds it reports, its wall time)."""
    orden = f"{binario.name} {n}"
    inicio = time.monotonic()
    try:
        r = subprocess.run(
            [str(binario), str(n)],
            stdin=subprocess.DEVNULL,
            stdout=subprocess.PIPE,
            stderr=subprocess.PIPE,
        )
    except OSError as e:
        raise FalloPrograma(f"no se pudo ejecutar {binario}: {e.strerror}") from None
    duracion = time.monotonic() - inicio
    salida = r.stdout.decode("utf-8", "replace")
    errores = r.stderr.decode("utf-8", "replace").strip()
    mensaje = ("; su mensaje:\n" + errores) if errores else ""
    if r.returncode < 0:
        try:
            nombre = signal.Signals(-r.returncode).name
        except ValueError:
            nombre = str(-r.returncode)
        raise FalloPrograma(f"«{orden}» murió por la señal {nombre}{mensaje}")
    if r.returncode != 0:
        raise FalloPrograma(f"«{orden}» terminó con estado {r.returncode}{mensaje}")
    m = LINEA_INFORME.fullmatch(salida)
    if not m:
        raise FalloPrograma(
            f"«{orden}» no escribió una línea «n segundos» sino {salida[:200]!r}{mensaje}"
        )
    if int(m.group(1)) != n:
        raise FalloPrograma(f"«{orden}» informó de la talla {m.group(1)}, no de {n}")
    return float(m.group(2)), duracion


class Progreso:
    """Progress on standard error: one live line on a terminal, plain lines
    (one per measured size) otherwise."""

    def __init__(self, flujo=None):
        self.flujo = flujo or sys.stderr
        self.terminal = self.flujo.isatty()
        self.inicio = time.monotonic()

    def transcurrido(self) -> float:
        return time.monotonic() - self.inicio

    def midiendo(self, programa: str, configuracion: str, n: int, vez: int, veces: int):
        if self.terminal:
            self.flujo.write(
                f"\r\x1b[K{programa} {configuracion}  n = {n}  ({vez}/{veces})"
                f"  {self.transcurrido():.1f} s"
            )
            self.flujo.flush()

    def medido(self, programa: str, punto: Punto):
        if not self.terminal:
            self.flujo.write(
                f"{programa} {punto.configuracion} n = {punto.n}: {punto.mediana:.6g} s"
                f"  ({self.transcurrido():.1f} s)\n"
            )
            self.flujo.flush()

    def nota(self, texto: str):
        self.limpiar()
        self.flujo.write(texto + "\n")
        self.flujo.flush()

    def limpiar(self):
        if self.terminal:
            self.flujo.write("\r\x1b[K")
            self.flujo.flush()


@dataclass
class Estudio:
    programa: Programa
    configuraciones: List[str]
    cotas: List[Cota]
    puntos: List[Punto] = field(default_factory=list)
    omitidas: Dict[str, List[int]] = field(default_factory=dict)
    fallo: Optional[str] = None

    def serie(self, configuracion: str) -> List[Punto]:
        return [p for p in self.puntos if p.configuracion == configuracion]

    def fuera_del_ajuste(self, punto: Punto) -> bool:
        """Points below the clock's resolution stay out of the fit. So do the
        points timed by repetition when the series also has at least two
        sizes timed once: the two methods can differ by a step (a sort
        repeated 100 times runs on warm caches), and a fit across it would
        measure the step rather than the growth."""
        if punto.bajo_resolucion:
            return True
        unicos = [p for p in self.serie(punto.configuracion)
                  if not p.repeticion and not p.bajo_resolucion]
        return punto.repeticion and len(unicos) >= 2

    def ajustables(self, configuracion: str) -> List[Tuple[int, float]]:
        """The (n, t) points that enter the fit."""
        return [(p.n, p.mediana) for p in self.serie(configuracion)
                if not self.fuera_del_ajuste(p)]

    def ajuste(self, configuracion: str) -> Optional[Ajuste]:
        return ajustar(self.ajustables(configuracion), self.programa.exponencial)

    def tendencias(self, configuracion: str) -> List[Tendencia]:
        return tendencias(self.ajustables(configuracion), self.cotas, self.programa.exponencial)

    def aceleracion(self, punto: Punto) -> Optional[float]:
        """Time of the least optimised configuration over this one's, same n."""
        if len(self.configuraciones) < 2:
            return None
        for p in self.serie(self.configuraciones[0]):
            if p.n == punto.n and punto.mediana > 0 and p.mediana > 0:
                return p.mediana / punto.mediana
        return None


def barrer(
    estudio: Estudio, tallas: Sequence[int], directorio: Path, repeticiones: int,
    presupuesto: float, progreso: Progreso,
):
    """Measures every size of every configuration, one invocation at a time,
    into estudio.puntos. A configuration stops growing n after the size at
    which one invocation took longer than the budget. The first failure of
    a program stops its whole sweep and is kept in estudio.fallo."""
    programa = estudio.programa
    for configuracion in estudio.configuraciones:
        binario = directorio / programa.binario(configuracion)
        for i, n in enumerate(tallas):
            valores, duraciones = [], []
            for vez in range(repeticiones):
                progreso.midiendo(programa.nombre, configuracion, n, vez + 1, repeticiones)
                try:
                    valor, duracion = ejecutar(binario, n)
                except FalloPrograma as e:
                    estudio.fallo = str(e)
                    return
                valores.append(valor)
                duraciones.append(duracion)
            punto = Punto(n, configuracion, statistics.median(valores), min(valores),
                          max(valores), n <= programa.umbral_repeticion)
            estudio.puntos.append(punto)
            progreso.medido(programa.nombre, punto)
            if max(duraciones) > presupuesto and i + 1 < len(tallas):
                estudio.omitidas[configuracion] = list(tallas[i + 1:])
                break


# ---------------------------------------------------------------- reporting


def _num(x: Optional[float], formato: str = ".3e") -> str:
    return "-" if x is None else format(x, formato)


def _notas(estudio: Estudio, punto: Punto) -> List[str]:
    notas = []
    if punto.repeticion:
        notas.append("rep")
    if punto.bajo_resolucion:
        notas.append("<res")
    if estudio.fuera_del_ajuste(punto):
        notas.append("*")
    return notas


def tabla(estudio: Estudio) -> str:
    """The table of standard output: aligned columns, one row per size and
    configuration, configurations one after another."""
    varias = len(estudio.configuraciones) > 1
    cabecera = ["n", "conf", "t(n) s", "mín", "máx"] + [c.columna for c in estudio.cotas]
    if varias:
        cabecera.append("aceleración")
    cabecera.append("notas")
    filas = [cabecera]
    for configuracion in estudio.configuraciones:
        for p in estudio.serie(configuracion):
            fila = [str(p.n), configuracion, _num(p.mediana), _num(p.minimo), _num(p.maximo)]
            for cota in estudio.cotas:
                f = cota(p.n)
                fila.append(_num(p.mediana / f if f else None))
            if varias:
                fila.append(_num(estudio.aceleracion(p), ".2f"))
            fila.append(" ".join(_notas(estudio, p)))
            filas.append(fila)
    anchos = [max(len(f[i]) for f in filas) for i in range(len(cabecera))]
    lineas = []
    for fila in filas:
        celdas = [c.rjust(a) for c, a in zip(fila[:-1], anchos)] + [fila[-1]]
        lineas.append("  ".join(celdas).rstrip())
    leyenda = []
    if any(p.repeticion for p in estudio.puntos):
        leyenda.append(
            f"rep: el programa cronometra n <= {estudio.programa.umbral_repeticion} repitiendo"
            " la ordenación y restando el coste de las copias; el salto al cronometraje"
            " único puede verse como un escalón"
        )
    if any(p.bajo_resolucion for p in estudio.puntos):
        leyenda.append(f"<res: por debajo de {RESOLUCION:g} s, la resolución útil del reloj")
    if any(estudio.fuera_del_ajuste(p) for p in estudio.puntos):
        leyenda.append("*: fuera del ajuste")
    return "\n".join(lineas + leyenda)


def veredicto(estudio: Estudio) -> List[str]:
    """The fitted growth and the steadiest bound of each configuration."""
    lineas = []
    for configuracion in estudio.configuraciones:
        ajuste = estudio.ajuste(configuracion)
        total = len(estudio.serie(configuracion))
        if ajuste is None:
            lineas.append(f"ajuste {configuracion}: sin ajuste, hacen falta dos tallas por"
                          f" encima de {RESOLUCION:g} s")
            continue
        lineas.append(f"ajuste {configuracion}: {ajuste.formula()}  (R² = {ajuste.r2:.4f};"
                      f" {ajuste.puntos} de {total} puntos)")
        lista = estudio.tendencias(configuracion)
        if lista:
            lineas.append(f"cocientes {configuracion}: " + "; ".join(t.describir() for t in lista))
            mejor = mas_estable(lista)
            lineas.append(f"veredicto {configuracion}: el cociente más estable es"
                          f" {mejor.cota.columna}, que se asienta en {mejor.constante:.3g}")
    for configuracion, omitidas in estudio.omitidas.items():
        lineas.append(f"omitidas {configuracion}: {', '.join(map(str, omitidas))}"
                      " (una ejecución pasó del presupuesto)")
    return lineas


def tsv(estudio: Estudio) -> str:
    """The TSV file: a header line, then n, configuration, median, min, max,
    each ratio, the speed-up (with two or more configurations) and the notes."""
    varias = len(estudio.configuraciones) > 1
    cabecera = ["n", "configuracion", "mediana", "minimo", "maximo"]
    cabecera += [c.columna for c in estudio.cotas]
    cabecera += (["aceleracion"] if varias else []) + ["notas"]
    lineas = ["\t".join(cabecera)]
    for configuracion in estudio.configuraciones:
        for p in estudio.serie(configuracion):
            campos = [str(p.n), configuracion]
            campos += [f"{x:.6g}" for x in (p.mediana, p.minimo, p.maximo)]
            for cota in estudio.cotas:
                f = cota(p.n)
                campos.append(f"{p.mediana / f:.6g}" if f else "")
            if varias:
                a = estudio.aceleracion(p)
                campos.append(f"{a:.4g}" if a is not None else "")
            campos.append(",".join({"rep": "repeticion", "<res": "bajo_resolucion",
                                    "*": "fuera_del_ajuste"}[x] for x in _notas(estudio, p)))
            lineas.append("\t".join(campos))
    return "\n".join(lineas) + "\n"


_COLORES = {"O0": "#d95f02", "O2": "#1b6fb5", "O3": "#1b9e77"}


def _cadena(texto: str) -> str:
    return '"' + texto.replace("\\", "\\\\").replace('"', '\\"') + '"'


def _exponente10(x: float) -> str:
    """x in gnuplot's enhanced text: 2.31·10^{-10}."""
    mantisa, exponente = f"{x:.3e}".split("e")
    return f"{mantisa}·10^{{{int(exponente)}}}"


def _abreviar(n: int) -> str:
    if n < 1000:
        return str(n)
    if n < 1000000:
        return f"{n / 1000:.3g}k"
    return f"{n / 1000000:.3g}M"


def _marcas_x(tallas: Sequence[int]) -> str:
    """Tics at the measured sizes on a log axis, leaving out any size too
    close to the previous labelled one for both labels to be read."""
    if len(tallas) < 2:
        return "set format x '%.0s%c'"
    separacion = 0.045 * math.log(tallas[-1] / tallas[0])
    marcas = [tallas[0]]
    for n in tallas[1:]:
        if math.log(n / marcas[-1]) >= separacion:
            marcas.append(n)
    return "set xtics (" + ", ".join(f"'{_abreviar(n)}' {n}" for n in marcas) + ")"


def guion_gnuplot(estudio: Estudio, destino: Path, formato: str) -> str:
    """A gnuplot script that draws the study into destino: the measured
    medians with min-max bars, one series per configuration, the fitted curve
    with its formula in the key; log-log axes (log t against n for a program
    that grows exponentially)."""
    programa = estudio.programa
    terminal = {
        "svg": "svg size 900,600 dynamic enhanced font 'Sans,13' background '#ffffff'",
        "png": "pngcairo size 900,600 enhanced font 'Sans,11'",
    }[formato]
    ruta = str(destino).replace("'", "''")
    binarios = ", ".join(programa.binario(c) for c in estudio.configuraciones)
    lineas = [
        "set encoding utf8",
        f"set terminal {terminal}",
        f"set output '{ruta}'",
        f"set title {_cadena(f'{programa.algoritmo} ({binarios})')} noenhanced",
        "set xlabel 'n'",
        "set ylabel 't(n) en segundos'",
        "set logscale y",
        "set format y '10^{%L}'",
        "set grid xtics ytics mxtics mytics lc rgb '#dddddd'",
        "set key top left Left reverse box samplen 3",
    ]
    # Ranges from the data alone, so that the fitted curves do not stretch
    # the axes, with a margin around the points and room above for the key.
    visibles = [p for p in estudio.puntos if p.minimo > 0]
    if visibles:
        ns = [p.n for p in visibles]
        bajo, alto = min(p.minimo for p in visibles), max(p.maximo for p in visibles)
        lineas.append(f"set yrange [{bajo / 1.5!r}:{alto * (alto / bajo) ** 0.35 * 1.5!r}]")
        if programa.exponencial:
            lineas.append(f"set xrange [{min(ns) - 0.5}:{max(ns) + 0.5}]")
        else:
            lineas.append(f"set xrange [{min(ns) / 1.15!r}:{max(ns) * 1.15!r}]")
    if not programa.exponencial:
        lineas += ["set logscale x", "set mxtics 10", _marcas_x(sorted({p.n for p in visibles}))]
    series = []
    for k, configuracion in enumerate(estudio.configuraciones):
        color = _COLORES.get(configuracion, "black")
        serie = estudio.serie(configuracion)
        grupos = {
            "medidos": [p for p in serie if not p.repeticion and not p.bajo_resolucion],
            "repeticion": [p for p in serie if p.repeticion and not p.bajo_resolucion],
            "resolucion": [p for p in serie if p.bajo_resolucion and p.minimo > 0],
        }
        fuera = " (fuera del ajuste)" if any(
            estudio.fuera_del_ajuste(p) for p in grupos["repeticion"]) else ""
        estilos = {
            "medidos": (f"pt 7 ps 0.9 lc rgb '{color}'",
                        f"{configuracion}: mediana, barras mín–máx"),
            "repeticion": (f"pt 6 ps 1.3 lc rgb '{color}'",
                           f"{configuracion}: n ≤ {programa.umbral_repeticion},"
                           f" por repetición{fuera}"),
            "resolucion": ("pt 2 ps 1 lc rgb '#888888'",
                           f"{configuracion}: bajo la resolución (fuera del ajuste)"),
        }
        for grupo, puntos in grupos.items():
            if not puntos:
                continue
            nombre = f"${grupo}_{k}"
            lineas.append(f"{nombre} << EOD")
            lineas += [f"{p.n} {p.mediana:.6g} {p.minimo:.6g} {p.maximo:.6g}" for p in puntos]
            lineas.append("EOD")
            estilo, titulo = estilos[grupo]
            series.append(f"{nombre} using 1:2:3:4 with yerrorbars {estilo}"
                          f" title {_cadena(titulo)}")
        ajuste = estudio.ajuste(configuracion)
        if ajuste:
            if ajuste.exponencial:
                expresion = f"{ajuste.constante!r}*{ajuste.tasa!r}**x"
                formula = f"{_exponente10(ajuste.constante)}·{ajuste.tasa:.3f}^n"
            else:
                expresion = f"{ajuste.constante!r}*x**{ajuste.tasa!r}"
                formula = f"{_exponente10(ajuste.constante)}·n^{{{ajuste.tasa:.3f}}}"
            titulo = f"{configuracion}: ajuste t(n) ≈ {formula}  (R² = {ajuste.r2:.4f})"
            series.append(f"{expresion} with lines lw 1.5 dt 2 lc rgb '{color}'"
                          f" title {_cadena(titulo)}")
    if not series:
        return ""
    lineas.append("plot " + ", \\\n     ".join(series))
    return "\n".join(lineas) + "\n"


# ---------------------------------------------------------------- files


class Ficheros:
    """Writes the files of one run into the output directory, and says so
    before it replaces a file that this run did not make."""

    def __init__(self, directorio: Path, progreso: Progreso):
        self.directorio = directorio
        self.progreso = progreso
        self.hechos = set()

    def ruta(self, nombre: str) -> Path:
        ruta = self.directorio / nombre
        if ruta.exists() and ruta not in self.hechos:
            self.progreso.nota(f"aviso: se sobrescribe {ruta}, que es de una ejecución anterior")
        self.hechos.add(ruta)
        return ruta

    def escribir(self, nombre: str, texto: str) -> Path:
        self.directorio.mkdir(parents=True, exist_ok=True)
        ruta = self.ruta(nombre)
        ruta.write_text(texto, encoding="utf-8")
        return ruta


def dibujar(
    estudio: Estudio, ficheros: Ficheros, gnuplot: str, formatos: Sequence[str]
) -> List[Path]:
    """Runs gnuplot once per format; the paths it wrote."""
    hechas = []
    for formato in formatos:
        ficheros.directorio.mkdir(parents=True, exist_ok=True)
        ruta = ficheros.ruta(f"{estudio.programa.nombre}.{formato}")
        guion = guion_gnuplot(estudio, ruta, formato)
        if not guion:
            continue
        r = subprocess.run([gnuplot], input=guion.encode("utf-8"), stdout=subprocess.PIPE,
                           stderr=subprocess.PIPE)
        if r.returncode != 0:
            raise FalloPrograma(f"gnuplot no pudo dibujar {ruta}:\n"
                                + r.stderr.decode("utf-8", "replace").strip())
        hechas.append(ruta)
    return hechas


# ---------------------------------------------------------------- command line


def _lista_programas() -> str:
    return "\n".join(
        f"  {p.nombre:<10} {', '.join(p.configuraciones)}; tallas {p.tallas};"
        f" cotas {', '.join(p.cotas)}"
        for p in PROGRAMAS.values()
    )


def analizador() -> argparse.ArgumentParser:
    a = argparse.ArgumentParser(
        prog="sweep",
        formatter_class=argparse.RawDescriptionHelpFormatter,
        description=(
            "Ejecuta los programas sobre una serie de tallas, una ejecución cada vez\n"
            "(nunca en paralelo: dos ejecuciones a la vez se estorban y falsean sus tiempos),\n"
            "y convierte sus líneas «n segundos» en un estudio: tabla con la mediana y la\n"
            "dispersión de cada talla, cocientes t(n)/f(n) frente a tres cotas candidatas,\n"
            "crecimiento ajustado por mínimos cuadrados y la cota cuyo cociente es más\n"
            "estable; además un TSV y una gráfica (gnuplot) por programa en --out."
        ),
        epilog=(
            "programas (configuraciones; tallas y cotas por omisión):\n" + _lista_programas() +
            "\n\nejemplos:\n  tools/sweep insertion quicksort --config O0,O2\n"
            "  tools/sweep hanoi --sizes 10:30:+2 --bounds '2^n,n^3'\n"
            "  tools/sweep all"
        ),
    )
    a.add_argument("programas", nargs="+", metavar="PROGRAMA",
                   help=f"nombre corto ({', '.join(PROGRAMAS)}) o all para los ocho")
    a.add_argument("--sizes", metavar="TALLAS",
                   help="tallas: lista (1000,2000,4000), rango geométrico (1000:256000:x2) o"
                        " aritmético (10:30:+2), o una lista de ellos; por omisión, las del"
                        " programa")
    a.add_argument("--budget", type=float, default=10.0, metavar="SEGUNDOS",
                   help="deja de crecer n en cuanto una ejecución del programa tarda más de esto;"
                        " se informa de las tallas omitidas (por omisión, 10)")
    a.add_argument("--repeat", type=int, default=3, metavar="R",
                   help="ejecuciones por talla; la tabla da la mediana de las medias informadas"
                        " y su mínimo y máximo (por omisión, 3)")
    a.add_argument("--config", default="O2", metavar="CONF[,CONF...]",
                   help="compilaciones que medir y comparar: O0 (bench_X_O0), O2 (bench_X),"
                        " O3 (bench_X_O3), donde el programa las tenga; con dos o más, la tabla"
                        " gana una columna de aceleración y la gráfica una serie por cada una"
                        " (por omisión, O2)")
    a.add_argument("--bounds", metavar="F1,F2,F3",
                   help="cotas candidatas en lugar de las del programa, escritas con n, números,"
                        " + - * / ^ (potencia), paréntesis y log (neperiano), log2, log10, sqrt,"
                        " exp: n^2, n*log(n), 2^n, n^3")
    a.add_argument("--bin", type=Path, default=RAIZ / "build" / "bin", metavar="DIR",
                   help="dónde están los programas (por omisión, build/bin del repositorio)")
    a.add_argument("--out", type=Path, default=RAIZ / "results", metavar="DIR",
                   help="dónde escribir los TSV y las gráficas (por omisión, results/ del"
                        " repositorio, que git ignora)")
    a.add_argument("--png", action="store_true", help="dibuja también cada gráfica en PNG")
    return a


def _configuraciones(texto: str) -> List[str]:
    pedidas = [c.strip().upper() for c in texto.split(",") if c.strip()]
    malas = [c for c in pedidas if c not in CONFIGURACIONES]
    if not pedidas or malas:
        raise ErrorDeUso(f"configuración desconocida «{', '.join(malas) or texto}»:"
                         f" elija entre {', '.join(CONFIGURACIONES)}")
    return [c for c in CONFIGURACIONES if c in pedidas]


def _programas(nombres: Sequence[str]) -> List[Programa]:
    elegidos: List[str] = []
    for nombre in nombres:
        if nombre == "all":
            elegidos += list(PROGRAMAS)
        elif nombre in PROGRAMAS:
            elegidos.append(nombre)
        else:
            raise ErrorDeUso(f"programa desconocido «{nombre}»: elija entre"
                             f" {', '.join(PROGRAMAS)} o all")
    return [PROGRAMAS[n] for n in dict.fromkeys(elegidos)]


def _faltan(programa: Programa, configuraciones: Sequence[str], directorio: Path) -> List[str]:
    """A message for each binary that is not there, naming how to build it."""
    mensajes = []
    for configuracion in configuraciones:
        binario = directorio / programa.binario(configuracion)
        if os.access(binario, os.X_OK) and binario.is_file():
            continue
        mensaje = (f"falta {binario}; se construye con «cmake --workflow --preset default»"
                   f" (o «cmake --build build --target {binario.name}»)")
        if not (RAIZ / programa.nombre / "main.cpp").exists():
            mensaje += f"; su fuente {programa.nombre}/main.cpp aún no está en este árbol"
        mensajes.append(mensaje)
    return mensajes


def main(argv: Optional[Sequence[str]] = None) -> int:
    for flujo in (sys.stdout, sys.stderr):
        if hasattr(flujo, "reconfigure"):
            flujo.reconfigure(errors="replace")
    a = analizador()
    args = a.parse_args(argv)
    try:
        programas = _programas(args.programas)
        pedidas = _configuraciones(args.config)
        tallas = analizar_tallas(args.sizes) if args.sizes else None
        cotas = analizar_cotas(args.bounds) if args.bounds else None
        if args.repeat < 1:
            raise ErrorDeUso("--repeat debe ser al menos 1")
        if not args.budget > 0:
            raise ErrorDeUso("--budget debe ser mayor que 0")
    except ErrorDeUso as e:
        a.error(str(e))

    progreso = Progreso()
    ficheros = Ficheros(args.out, progreso)
    gnuplot = shutil.which("gnuplot")
    if gnuplot is None:
        progreso.nota(AVISO_GNUPLOT)
    formatos = ["svg"] + (["png"] if args.png else [])
    estado = 0
    resumen = []
    try:
        for programa in programas:
            configuraciones = [c for c in pedidas if c in programa.configuraciones]
            otras = [c for c in pedidas if c not in programa.configuraciones]
            if otras:
                progreso.nota(f"{programa.nombre}: no tiene la configuración {', '.join(otras)}"
                              f" (tiene {', '.join(programa.configuraciones)})")
            if not configuraciones:
                estado = 1
                continue
            faltan = _faltan(programa, configuraciones, args.bin)
            if faltan:
                for mensaje in faltan:
                    progreso.nota(f"{programa.nombre}: {mensaje}")
                estado = 1
                continue
            estudio = Estudio(programa, configuraciones,
                              cotas or [Cota(c) for c in programa.cotas])
            barrer(estudio, tallas or analizar_tallas(programa.tallas), args.bin, args.repeat,
                   args.budget, progreso)
            progreso.limpiar()
            print(f"== {programa.nombre}: {programa.algoritmo} ==")
            if estudio.puntos:
                print(tabla(estudio))
            if estudio.fallo:
                estado = 1
                progreso.nota(f"{programa.nombre}: barrido detenido: {estudio.fallo}")
                print(f"barrido detenido por un fallo de {programa.nombre}: no se escriben"
                      " sus ficheros\n")
                sys.stdout.flush()
                continue
            lineas = veredicto(estudio)
            print("\n".join(lineas))
            resumen += [f"{programa.nombre:<10} {l}" for l in lineas
                        if l.startswith(("ajuste", "veredicto"))]
            hechos = [ficheros.escribir(f"{programa.nombre}.tsv", tsv(estudio))]
            if gnuplot:
                try:
                    hechos += dibujar(estudio, ficheros, gnuplot, formatos)
                except FalloPrograma as e:
                    progreso.nota(f"{programa.nombre}: {e}")
                    estado = 1
            print("ficheros: " + ", ".join(map(str, hechos)) + "\n")
            sys.stdout.flush()
    except KeyboardInterrupt:
        progreso.nota("interrumpido")
        return 130
    except OSError as e:
        progreso.nota(f"no se pudo escribir en {args.out}: {e}")
        return 1
    if len(programas) > 1 and resumen:
        print("== resumen ==\n" + "\n".join(resumen))
    progreso.nota(f"tiempo total: {progreso.transcurrido():.0f} s")
    return estado
