"""The table of the suite's programs: their builds, default sizes and the
three candidate bounds each is compared with."""

from dataclasses import dataclass
from typing import Dict, List, Optional, Sequence, Tuple

from .errores import ErrorDeUso
from .medidas import MEDIDAS
from .texto import cortar

CONFIGURACIONES = ("O0", "O2", "O3")  # from the least to the most optimised

# The kinds of input the sorting programs can be run on (bench_X_entradas
# N ENTRADA, bench_X_cuentas N ENTRADA): the specified programs' random
# input, the same values sorted, reversed, sorted with a few neighbours
# exchanged, and random values from only ten keys.
ENTRADAS = ("aleatoria", "ordenada", "inversa", "casi_ordenada", "pocas_claves")
# The one configuration a kind of input is timed in: bench_X_entradas is
# built with O2's flags.
CONFIGURACION_ENTRADAS = "O2"
# The programs that time small sizes by repetition (harness/repeticion.h)
# do so up to this size, inclusive.
UMBRAL_REPETICION = 2000


@dataclass(frozen=True)
class Programa:
    nombre: str  # short name on the command line
    algoritmo: str
    configuraciones: Tuple[str, ...]  # the builds that exist
    tallas: str  # default sizes
    cotas: Tuple[str, str, str]  # under, tight and over estimate
    modelo: str  # the theoretical cost with its lower-order terms, as --model writes it
    exponencial: bool = False  # grows as a^n: fit and plot against n
    umbral_repeticion: int = 0  # sizes up to this are timed by repetition
    # The main count of the counting build and the name of one such operation.
    cuenta: str = "comparaciones"
    operacion: str = "comparación"
    entradas: bool = True  # it can be run on the kinds of input (the sorts)
    # What a run works on, as a sentence names it: the array of n keys, the
    # n×n matrix; nothing for Hanoi.
    datos: str = "el vector"

    def bytes_de_entrada(self, n: float) -> Optional[float]:
        """The bytes of what one run works on: n keys of 4 bytes, or the n×n
        matrix of 4-byte ints with its n row pointers of 8; None without
        data."""
        if self.datos == "la matriz":
            return 4 * n * n + 8 * n
        return 4 * n if self.datos else None

    def binario(self, configuracion: str, entrada: Optional[str] = None) -> str:
        """The binary of a timed configuration, or of a measure with a build
        of its own (bench_X_cuentas); on a kind of input, the timed one is
        bench_X_entradas."""
        medida = MEDIDAS.get(configuracion)
        if medida is not None and medida.sufijo:
            return f"bench_{self.nombre}_{medida.sufijo}"
        if entrada is not None:
            return f"bench_{self.nombre}_entradas"
        return f"bench_{self.nombre}" + ("" if configuracion == "O2" else f"_{configuracion}")


_CUADRATICAS = ("n^1.8", "n^2", "n^2.2")
# Two doubling chains interleaved, about √2 apart: seven sizes in the upper
# half, where the verdict is judged, and every size but the first of each
# chain has its half for the doubling ratio.
_TALLAS_CUADRATICAS = "500:32000:x2,700:22400:x2"
# Insertion sort is the fastest of the three, and up to 32000 keys the cost
# of each insertion's last, mispredicted comparison still bends its times
# below n^2: it goes on to 64000, where its largest run takes as long as
# the others'.
_TALLAS_INSERCION = "500:64000:x2,700:44800:x2"
_NLOGN = ("n", "n*log(n)", "n^1.2")
_MODELO_CUADRATICO = "n^2,n,1"
_MODELO_NLOGN = "n*log(n),n"

# Default sizes: measured whole, `tools/sweep all` took 184–203 s on a 2-core
# AMD EPYC and 316–355 s on a 2-core Intel Xeon; with each series held to
# its share of time (opciones.CUOTA_POR_SERIE), which leaves out the
# largest sizes of the slowest series, it took 152–164 s on the Intel Xeon.
# Each is far from the budget: at the largest size one run takes
# about 0.1 s to 1 s (the quadratic sorts at 32000, the n log n ones at 4M,
# Floyd at 1000, Hanoi at 28 discs), and every size below costs a fraction
# of that. The upper half of the sizes, where the verdict on the times is
# judged, holds seven sizes or more (eight for insertion sort), and four
# for Floyd, whose every size costs n^3.
PROGRAMAS: Dict[str, Programa] = {
    p.nombre: p
    for p in (
        Programa("selection", "ordenación por selección", ("O0", "O2"), _TALLAS_CUADRATICAS,
                 _CUADRATICAS, _MODELO_CUADRATICO, umbral_repeticion=UMBRAL_REPETICION),
        Programa("bubble", "ordenación por burbuja", ("O0", "O2"), _TALLAS_CUADRATICAS,
                 _CUADRATICAS,
                 _MODELO_CUADRATICO),
        Programa("insertion", "ordenación por inserción", ("O0", "O2"), _TALLAS_INSERCION,
                 _CUADRATICAS, _MODELO_CUADRATICO),
        Programa("quicksort", "quicksort", ("O0", "O2"), "1000:4096000:x2", _NLOGN, _MODELO_NLOGN),
        Programa("heapsort", "heapsort", ("O0", "O2"), "1000:4096000:x2", _NLOGN, _MODELO_NLOGN),
        Programa("mergesort", "mergesort", ("O2", "O3"), "1000:4096000:x2", _NLOGN,
                 _MODELO_NLOGN, umbral_repeticion=UMBRAL_REPETICION),
        Programa("floyd", "caminos mínimos de Floyd", ("O0", "O2"), "125:1000:x2,180:720:x2",
                 ("n^2.8", "n^3", "n^3.2"), "n^3,n^2", cuenta="pasos", operacion="paso",
                 entradas=False, datos="la matriz"),
        Programa("hanoi", "torres de Hanoi", ("O0", "O2"), "16:28:+1", ("1.9^n", "2^n", "2.1^n"),
                 "2^n", exponencial=True, cuenta="llamadas", operacion="llamada",
                 entradas=False, datos=""),
    )
}


def elegir_programas(nombres: Sequence[str]) -> List[Programa]:
    """The programs named on the command line, in order and without
    repeats; all stands for the eight."""
    elegidos: List[str] = []
    for nombre in nombres:
        if nombre == "all":
            elegidos += list(PROGRAMAS)
        elif nombre in PROGRAMAS:
            elegidos.append(nombre)
        else:
            raise ErrorDeUso(f"programa desconocido «{cortar(nombre)}»: elija entre"
                             f" {', '.join(PROGRAMAS)} o all")
    return [PROGRAMAS[n] for n in dict.fromkeys(elegidos)]


def elegir_configuraciones(texto: str) -> List[str]:
    """The configurations of --config, from the least to the most optimised."""
    pedidas = [c.strip().upper() for c in texto.split(",") if c.strip()]
    malas = [c for c in pedidas if c not in CONFIGURACIONES]
    if not pedidas or malas:
        raise ErrorDeUso(f"configuración desconocida «{cortar(', '.join(malas) or texto)}»:"
                         f" elija entre {', '.join(CONFIGURACIONES)}")
    return [c for c in CONFIGURACIONES if c in pedidas]


def elegir_entradas(texto: str) -> List[str]:
    """The kinds of --input, in the order of ENTRADAS; all stands for the
    five."""
    pedidas = [e.strip() for e in texto.split(",") if e.strip()]
    if pedidas == ["all"]:
        return list(ENTRADAS)
    malas = [e for e in pedidas if e not in ENTRADAS]
    if not pedidas or malas:
        raise ErrorDeUso(f"tipo de entrada desconocido «{cortar(', '.join(malas) or texto)}»:"
                         f" elija entre {', '.join(ENTRADAS)} o all")
    return [e for e in ENTRADAS if e in pedidas]
