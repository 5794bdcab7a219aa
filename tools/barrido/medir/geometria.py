"""The caches valgrind's simulator is given: this core's L1d, L2 and L3 as
the machine describes them, and the nearest geometry valgrind accepts, which
must have lines of a power of two of at least 16 bytes and a power-of-two
number of sets."""

import math
import re
import subprocess
from dataclasses import dataclass
from pathlib import Path
from typing import Callable, Optional, Tuple

from ..datos.errores import ErrorDeUso


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


SYSFS = Path("/sys/devices/system/cpu/cpu0/cache")
_GETCONF = {"L1d": "LEVEL1_DCACHE", "L2": "LEVEL2_CACHE", "L3": "LEVEL3_CACHE"}


def _entero(texto: str) -> Optional[int]:
    """A size as sysfs (48K, 2048K) or getconf (49152) writes it."""
    m = re.fullmatch(r"(\d+)([KMG]?)", texto.strip())
    return int(m.group(1)) * {"": 1, "K": 2**10, "M": 2**20, "G": 2**30}[m.group(2)] if m else None


def _getconf(nombre: str) -> str:
    try:
        r = subprocess.run(["getconf", nombre], stdin=subprocess.DEVNULL, capture_output=True,
                           text=True, errors="replace", timeout=10)
    except (OSError, subprocess.SubprocessError):
        return ""
    return r.stdout.strip() if r.returncode == 0 else ""


def cache_de_la_maquina(nombre: str, raiz: Path = SYSFS,
                        getconf: Callable[[str], str] = _getconf
                        ) -> Optional[Tuple[int, Optional[int], int]]:
    """(size, ways, line) of this core's cache L1d, L2 or L3, from sysfs or
    else getconf; ways None where neither says them; None when the size or
    the line is unknown."""
    nivel, tipos = int(nombre[1]), ({"Data"} if nombre == "L1d" else {"Unified"})
    for carpeta in sorted(raiz.glob("index*")):
        def leer(f: str) -> str:
            try:
                return (carpeta / f).read_text().strip()
            except OSError:
                return ""
        if leer("level") == str(nivel) and leer("type") in tipos:
            tamano, linea = _entero(leer("size")), _entero(leer("coherency_line_size"))
            if tamano and linea:
                return tamano, _entero(leer("ways_of_associativity")) or None, linea
    prefijo = _GETCONF[nombre]
    tamano, vias, linea = (_entero(getconf(f"{prefijo}_{x}"))
                           for x in ("SIZE", "ASSOC", "LINESIZE"))
    return (tamano, vias or None, linea) if tamano and linea else None
