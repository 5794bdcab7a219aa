"""The caches valgrind's simulator is given: this core's L1d, L2 and L3 as
the machine describes them, and the nearest geometry valgrind accepts, which
must have lines of a power of two of at least 16 bytes and a power-of-two
number of sets."""

import math
from dataclasses import dataclass
from pathlib import Path
from typing import Callable, Optional, Tuple

from ..datos.errores import ErrorDeUso
from ..datos.maquina import SYSFS, leer_caches, obtener_getconf


@dataclass(frozen=True)
class Geometria:
    """A cache as valgrind's --D1= and --LL= take it."""
    tamano: int  # bytes
    asociatividad: int
    linea: int  # bytes

    def opcion(self) -> str:
        return f"{self.tamano},{self.asociatividad},{self.linea}"


def _potencia_de_dos(x: int) -> bool:
    return x > 0 and x & (x - 1) == 0


def _potencia_cercana(x: float, minimo: int = 1) -> int:
    """The power of two nearest to x on a logarithmic scale, at least minimo."""
    return max(minimo, 2 ** math.floor(math.log2(x) + 0.5)) if x > 0 else minimo


def geometria_aceptada(tamano: int, asociatividad: Optional[int], linea: int
                       ) -> Tuple[Geometria, str]:
    """The geometry valgrind accepts nearest to a cache of `tamano` bytes,
    `asociatividad` ways (None or 0: unknown, taken as 16) and lines of
    `linea` bytes, with a note of what was changed (empty when nothing).
    valgrind needs a power-of-two line of at least 16 bytes and a
    power-of-two number of sets. The size is kept where a few more ways
    (up to twice as many) give such a number of sets, since it is the size
    that decides which inputs outgrow the cache; otherwise the number of
    sets is rounded to the nearest power of two and the size follows."""
    if tamano <= 0 or linea <= 0:
        raise ErrorDeUso(f"una caché de {tamano} B con líneas de {linea} B no existe")
    notas = []
    vias = asociatividad or 0
    if vias <= 0:
        vias = 16
        notas.append("asociatividad desconocida, se toman 16 vías")
    nueva_linea = _potencia_cercana(linea, 16)
    if nueva_linea != linea:
        notas.append(f"línea de {nueva_linea} B en vez de {linea} B")
    conjuntos = tamano / (nueva_linea * vias)
    if conjuntos == int(conjuntos) and _potencia_de_dos(int(conjuntos)):
        return Geometria(tamano, vias, nueva_linea), "; ".join(notas)
    if tamano % nueva_linea == 0:
        lineas = tamano // nueva_linea
        for mas_vias in range(vias + 1, 2 * vias + 1):
            if lineas % mas_vias == 0 and _potencia_de_dos(lineas // mas_vias):
                notas.append(f"{mas_vias} vías en vez de {vias}, para que el número de"
                             " conjuntos sea potencia de dos")
                return Geometria(tamano, mas_vias, nueva_linea), "; ".join(notas)
    aceptados = _potencia_cercana(conjuntos)
    nuevo_tamano = aceptados * vias * nueva_linea
    notas.append(f"{nuevo_tamano} B en vez de {tamano} B: {aceptados} conjuntos, potencia de"
                 f" dos, en vez de {conjuntos:.6g}")
    return Geometria(nuevo_tamano, vias, nueva_linea), "; ".join(notas)


def cache_de_la_maquina(nombre: str, raiz: Path = SYSFS,
                        getconf: Callable[[str], str] = obtener_getconf
                        ) -> Optional[Tuple[int, Optional[int], int]]:
    """(size, ways, line) of this core's cache L1d, L2 or L3 as the
    machine's description reads them (sysfs, else getconf); ways None where
    neither says them; None when the size or the line is unknown."""
    nivel = next((n for n in leer_caches(raiz, getconf).niveles if n.nombre == nombre), None)
    if nivel is None or not nivel.tamano or not nivel.linea:
        return None
    return nivel.tamano, nivel.vias, nivel.linea
