"""What every plot of a sweep shares: the gnuplot terminals, quoting of
texts, the one notation of formulas (powers as superscripts, constants as
a·10^b), data blocks, the axes and their tics, and the colours of the
configurations."""

import math
import re
from typing import Callable, List, Optional, Sequence, Tuple

from ...analisis.analisis import Ajuste, Modelo
from ...datos.estudio import Estudio
from ...datos.medidas import de_valores
from ...datos.texto import visible

AVISO_GNUPLOT = (
    "gnuplot no está instalado: no se dibujan las gráficas "
    "(se instala con: apt-get install gnuplot-nox)"
)

COLORES = {"O0": "#d95f02", "O2": "#1b6fb5", "O3": "#1b9e77"}


def cadena(texto: str) -> str:
    """Any text (a title, a key, a formula, a label) as a gnuplot string
    that gnuplot takes as data, the one way every script quotes a text.
    In double quotes gnuplot runs a backquoted command unless its quotes
    are escaped, so every backslash, double quote and backquote is; a
    newline or any other control character would end the command inside
    the string and run what follows, so each, and any byte that is not
    UTF-8, is written out as \\xNN. (Single quotes, which run nothing,
    cannot hold a text that starts with a quote.)"""
    escapado = visible(texto).replace("\\", "\\\\").replace('"', '\\"').replace("`", "\\`")
    return f'"{escapado}"'


def describir_serie(estudio: Estudio) -> str:
    """What a study measured, as a plot's title names it: the algorithm
    and, for a program that has kinds of input, the kind («ordenación por
    inserción, entrada ordenada»; the sorts' own input is the random one)."""
    programa = estudio.programa
    entrada = estudio.entrada or ("aleatoria" if programa.entradas else None)
    return programa.algoritmo + (f", entrada {entrada}" if entrada else "")


def ejecutables(estudio: Estudio, claves: Sequence[str]) -> str:
    """The binaries run for these configurations or measures, each timed
    one with its configuration: «bench_insertion_O0 (O0) y bench_insertion
    (O2)», «bench_insertion_entradas (O2)», «bench_insertion_cuentas»."""
    return enumerar([estudio.programa.binario(c, estudio.entrada)
                     + ("" if de_valores(c) else f" ({c})") for c in claves])


def enumerar(textos: Sequence[str]) -> str:
    """a; a y b; a, b y c."""
    return " y ".join(filter(None, [", ".join(textos[:-1]), textos[-1]])) if textos else ""


def enriquecer(texto: str) -> str:
    """A formula of the sweep (a bound, a ratio's column) in gnuplot's
    enhanced text: every power a superscript, products with a dot, and the
    characters enhanced text gives a meaning to escaped: t/n^1.2 → t/n^{1.2},
    n*log(n) → n·log(n)."""
    texto = re.sub(r"([_@&~{}])", r"\\\1", texto).replace("**", "^").replace("*", "·")
    return re.sub(r"\^\(([^()]*)\)|\^([\w.]+)",
                  lambda m: "^{" + (m.group(1) or m.group(2)) + "}", texto)


def numero(x: float) -> str:
    """A constant in enhanced text: 0.248, 21.3, or 9.19·10^{-10} and
    6.93·10^{3} outside 0.001 to 1000, where plain digits would need many
    zeros or an exponent."""
    if x == 0 or 1e-3 <= abs(x) < 1e3:
        return f"{x:.3g}"
    mantisa, exponente = f"{x:.2e}".split("e")
    return f"{mantisa}·10^{{{int(exponente)}}}"


def formula_ajuste(ajuste: Ajuste, magnitud: str = "t") -> str:
    """t(n) ≈ 9.19·10^{-10}·n^{2.02} (C·a^n: 3.1·10^{-9}·2.004^{n}), the
    rate with the decimals the tables give it."""
    if ajuste.exponencial:
        return f"{magnitud}(n) ≈ {numero(ajuste.constante)}·{ajuste.tasa:.3f}^{{n}}"
    return f"{magnitud}(n) ≈ {numero(ajuste.constante)}·n^{{{ajuste.tasa:.2f}}}"


def formula_modelo(modelo: Modelo, magnitud: str = "t") -> str:
    """t(n) ≈ 9.98·10^{-10}·n^{2} + 7.53·10^{-7}·n − 4.41·10^{-4}."""
    partes = []
    for i, (a, termino) in enumerate(zip(modelo.constantes, modelo.terminos)):
        signo = ("−" if a < 0 else "") if i == 0 else (" − " if a < 0 else " + ")
        valor = numero(abs(a))
        if termino != "1":
            valor += "·" + (f"({enriquecer(termino)})" if re.search(r"[-+]", termino)
                            else enriquecer(termino))
        partes.append(signo + valor)
    return f"{magnitud}(n) ≈ " + "".join(partes)


def curva(funcion: Callable[[float], Optional[float]], desde: float, hasta: float,
          exponencial: bool, pasos: int = 40) -> List[Tuple[float, float]]:
    """A fitted curve sampled over the sizes it was fitted on, [desde,
    hasta] (drawn beyond them it would be an extrapolation that looks like
    a result): geometric steps on a log n axis, arithmetic ones for a^n.
    Points where it has no positive value are left out."""
    if hasta <= desde:
        xs = [desde]
    elif exponencial:
        xs = [desde + (hasta - desde) * i / pasos for i in range(pasos + 1)]
    else:
        razon = (hasta / desde) ** (1 / pasos)
        xs = [desde * razon ** i for i in range(pasos + 1)]
    return [(x, y) for x in xs if (y := funcion(x)) is not None and 0 < y < math.inf]


def marcas_log(bajo: float, alto: float, eje: str = "y") -> List[str]:
    """Labelled tics of a log axis from bajo to alto: each power of ten
    when the axis spans three decades or more, else 1, 2, 5 (or finer steps)
    times powers of ten, enough for three labels at least."""
    if not (0 < bajo < alto):
        return []
    if alto / bajo >= 1000:
        return [f"set {eje}tics autofreq", f"set format {eje} '10^{{%L}}'"]
    for pasos in ((1, 2, 5), (1, 1.5, 2, 3, 5, 7), (1, 1.2, 1.5, 2, 2.5, 3, 4, 5, 6, 7, 8, 9)):
        marcas = [m * 10.0 ** e for e in range(math.floor(math.log10(bajo)) - 1,
                                               math.ceil(math.log10(alto)) + 1)
                  for m in pasos]
        marcas = [m for m in marcas if bajo <= m <= alto]
        if len(marcas) >= 3:
            break
    # One notation on an axis: plain digits where they all read so.
    llanas = all(1e-3 <= m < 1e4 for m in marcas)
    return [f"set {eje}tics (" + ", ".join(f"'{_marca(m, llanas)}' {m!r}" for m in marcas) + ")",
            f"set format {eje} '%g'"]


def _marca(x: float, llana: bool) -> str:
    """The label of a tic: 0.5 and 20 in plain digits, or 2·10^{5} and
    10^{-4}."""
    if llana:
        return f"{x:.3g}"
    mantisa, exponente = f"{x:.2e}".split("e")
    mantisa = f"{float(mantisa):g}"
    potencia = f"10^{{{int(exponente)}}}"
    return potencia if mantisa == "1" else f"{mantisa}·{potencia}"


def rango_log(valores: Sequence[float], margen: float = 1.25) -> Optional[List[float]]:
    """The range of a log axis around the values, with a margin of a
    factor on each side."""
    positivos = [v for v in valores if v > 0 and math.isfinite(v)]
    if not positivos:
        return None
    bajo, alto = min(positivos) / margen, max(positivos) * margen
    return [bajo, alto]


def abreviar(n: int) -> str:
    """1500 → 1.5k, 2000000 → 2M: a size as a tic label."""
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
    return "set xtics (" + ", ".join(f"'{abreviar(n)}' {n}" for n in marcas) + ")"


def inicio(formato: str, ancho: int = 900, alto: int = 600) -> List[str]:
    """The first lines of every script: the terminal. No script names its
    output file: gnuplot draws on its standard output, which is that file,
    so that no path reaches a script."""
    terminal = {
        "svg": f"svg size {ancho},{alto} dynamic enhanced font 'Sans,13' background '#ffffff'",
        "png": f"pngcairo size {ancho},{alto} enhanced font 'Sans,11'",
    }[formato]
    return ["set encoding utf8", f"set terminal {terminal}"]


def datos(nombre: str, filas: Sequence[Sequence[float]]) -> List[str]:
    """An inline data block of the script."""
    return [f"{nombre} << EOD"] + [" ".join(f"{x:.6g}" for x in f) for f in filas] + ["EOD"]


# Height of one line of a key, in pixels, in either terminal.
ALTO_LINEA = 19


def clave_debajo(entradas: int, x: float = 0.5) -> List[str]:
    """A key of `entradas` lines in one column under the plot, centred at
    x (of the canvas), where it hides no point: a bottom margin that holds
    the tics, the title of the n axis and the key, and the key placed at
    the foot of the canvas (a key put "below" by gnuplot covers the title
    of the axis)."""
    return [f"set key at screen {x}, screen 0.01 center bottom Left reverse box samplen 3"
            " maxcols 1", f"set bmargin {entradas + 4.5}"]


def eje_x(tallas: Sequence[int], exponencial: bool) -> List[str]:
    """A log axis with tics at the measured sizes, or a linear one for a
    program that grows exponentially."""
    if not tallas:
        return []
    if exponencial:
        return [f"set xrange [{min(tallas) - 0.5}:{max(tallas) + 0.5}]"]
    return [f"set xrange [{min(tallas) / 1.15!r}:{max(tallas) * 1.15!r}]", "set logscale x",
            "set mxtics 10", _marcas_x(sorted(set(tallas)))]


def marcas_de_cache(cruces: Sequence, tallas: Sequence[int]) -> List[str]:
    """A dotted vertical line, labelled L1d, L2 or L3, at each size where
    the working set outgrows a cache, when it lies within the sizes drawn."""
    if not tallas:
        return []
    lineas = []
    for k, cruce in enumerate(c for c in cruces if min(tallas) <= c.n <= max(tallas)):
        lineas += [f"set arrow {10 + k} from {cruce.n!r}, graph 0 to {cruce.n!r}, graph 1 nohead"
                   " dt 3 lw 1.2 lc rgb '#888888' back",
                   f"set label {10 + k} {cadena(cruce.nivel.nombre)} at {cruce.n!r}, graph 0.04"
                   " offset 0.4,0 tc rgb '#666666' noenhanced"]
    return lineas
