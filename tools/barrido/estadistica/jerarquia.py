"""The machine's memory hierarchy and what it does to the time of one
operation: the data caches of the core a program runs on, the size at
which a program's working set outgrows each of them, and the steps in the
time per operation, each named by the cache its data outgrow there.
Reading the caches never fails: what cannot be read is unknown."""

import math
import re
import subprocess
from dataclasses import asdict, dataclass
from pathlib import Path
from typing import Callable, Dict, List, Optional, Sequence, Tuple

from .conteo import DERIVA
from .persistencia import es_escalon
from ..escritura.registro import DESCONOCIDO

SYSFS = Path("/sys/devices/system/cpu/cpu0/cache")  # the caches one core sees

# Between neighbouring sizes the time per operation, the median of five
# invocations, wobbles by 5 to 10 %: a change within this factor is flat,
# beyond it the value rises or falls. The factor only decides where a step
# begins and ends; whether it is a step at all is DERIVA's (its meaning as
# in conteo), which noise of ±10 % (at most 1.1 / 0.9 ≈ 1.22 between any two
# sizes) cannot reach. Bubble sort's step out of the L1d cache rose by 1.14,
# 1.20, 1.00, 1.21 and 1.33 between its sizes from 8000 to 24000 keys.
RUIDO = 1.10

_TIPOS = {"Data": "d", "Instruction": "i", "Unified": ""}  # as the kernel writes them
_MULTIPLOS = {"": 1, "K": 2**10, "M": 2**20, "G": 2**30}


@dataclass(frozen=True)
class Nivel:
    nombre: str  # L1d, L1i, L2, L3
    nivel: int
    tipo: str  # Data, Instruction or Unified
    tamano: Optional[int]  # bytes; None when unknown
    linea: Optional[int]  # bytes per line
    compartida: Optional[bool]  # with other cores

    @property
    def datos(self) -> bool:
        return self.tipo != "Instruction"

    def texto(self) -> str:
        partes = [f"línea {self.linea} B" if self.linea else "línea desconocida"]
        if self.compartida is not None:
            partes.append("compartida" if self.compartida else "propia del núcleo")
        if not self.datos:
            partes.append("solo instrucciones")
        tamano = texto_bytes(self.tamano) if self.tamano else "de tamaño desconocido"
        return f"{self.nombre} {tamano} ({', '.join(partes)})"


@dataclass
class Caches:
    niveles: List[Nivel]
    origen: str = ""  # sysfs or getconf; empty when nothing could be read
    motivo: str = ""  # why nothing could be read

    @property
    def de_datos(self) -> List[Nivel]:
        """The levels that hold data and whose size is known, innermost first."""
        return sorted((n for n in self.niveles if n.datos and n.tamano), key=lambda n: n.nivel)

    def como_dict(self) -> Dict[str, object]:
        """For registro.json: unknown values are desconocido, as in the record."""
        niveles = [{**{k: DESCONOCIDO if v is None else v for k, v in asdict(n).items()},
                    "datos": n.datos} for n in self.niveles]
        datos = {"origen": self.origen or DESCONOCIDO, "niveles": niveles,
                 "texto": self.lineas()}
        return dict(datos, motivo=self.motivo) if self.motivo else datos

    def lineas(self) -> List[str]:
        return [n.texto() for n in self.niveles] or [f"cachés: no se saben ({self.motivo})"]


def _leer(ruta: Path) -> str:
    try:
        return ruta.read_text(encoding="utf-8", errors="replace").strip()
    except OSError:
        return ""


def _bytes(texto: str) -> Optional[int]:
    """48K, 2048K, 300M or plain bytes; None for 0, garbage or another unit."""
    m = re.fullmatch(r"(\d+)\s*([KMG]?)(?:i?B)?", texto.strip(), re.IGNORECASE)
    valor = int(m[1]) * _MULTIPLOS[m[2].upper()] if m else 0
    return valor or None


def _cpus(texto: str) -> Optional[int]:
    """How many CPUs a list such as 0, 0-1 or 0,2 names; None for garbage."""
    total = 0
    for parte in texto.split(","):
        m = re.fullmatch(r"\s*(\d+)(?:-(\d+))?\s*", parte)
        if not m or int(m[2] or m[1]) < int(m[1]):
            return None
        total += int(m[2] or m[1]) - int(m[1]) + 1
    return total


def _de_sysfs(raiz: Path) -> List[Nivel]:
    niveles = []
    for carpeta in raiz.glob("index*"):  # a missing or unreadable folder yields none
        nivel, tipo = _leer(carpeta / "level"), _leer(carpeta / "type")
        if not nivel.isdecimal() or tipo not in _TIPOS:
            continue  # a cache that cannot be named is left out
        cpus = _cpus(_leer(carpeta / "shared_cpu_list"))
        niveles.append(Nivel(f"L{nivel}{_TIPOS[tipo]}", int(nivel), tipo,
                             _bytes(_leer(carpeta / "size")),
                             _bytes(_leer(carpeta / "coherency_line_size")),
                             None if cpus is None else cpus > 1))
    return sorted(niveles, key=lambda n: (n.nivel, n.nombre))


def _getconf(nombre: str) -> str:
    try:
        r = subprocess.run(["getconf", nombre], stdin=subprocess.DEVNULL, capture_output=True,
                           text=True, errors="replace", timeout=10)
    except (OSError, subprocess.SubprocessError):
        return ""
    return r.stdout.strip() if r.returncode == 0 else ""


def _de_getconf(getconf: Callable[[str], str]) -> List[Nivel]:
    """L1d with its line, L2 and L3; getconf says nothing of sharing."""
    linea = _bytes(getconf("LEVEL1_DCACHE_LINESIZE"))
    candidatos = [("L1d", 1, "Data", getconf("LEVEL1_DCACHE_SIZE"), linea),
                  ("L2", 2, "Unified", getconf("LEVEL2_CACHE_SIZE"), None),
                  ("L3", 3, "Unified", getconf("LEVEL3_CACHE_SIZE"), None)]
    return [Nivel(nombre, nivel, tipo, _bytes(tamano), linea, None)
            for nombre, nivel, tipo, tamano, linea in candidatos if _bytes(tamano)]


def leer_caches(raiz: Path = SYSFS, getconf: Callable[[str], str] = _getconf) -> Caches:
    """The caches of the core under raiz (sysfs); getconf's when sysfs
    names no data cache of known size; none, with the reason, when neither
    can tell."""
    niveles = _de_sysfs(raiz)
    if any(n.datos and n.tamano for n in niveles):
        return Caches(niveles, "sysfs")
    niveles = _de_getconf(getconf)
    if niveles:
        return Caches(niveles, "getconf")
    return Caches([], motivo=f"ni {raiz} ni getconf dicen el tamaño de una caché de datos")


def texto_bytes(b: float) -> str:
    """In binary units, whole from 10 up and with one decimal below, so at
    most three digits: 31 KiB, 94 KiB, 1.5 MiB; 1000 KiB and over is MiB."""
    valor, unidad = float(b), "B"
    for siguiente in ("KiB", "MiB", "GiB", "TiB"):
        if round(valor) < 1000:
            break
        valor, unidad = valor / 1024, siguiente
    texto = f"{valor:.0f}" if valor >= 9.95 else f"{valor:.1f}".removesuffix(".0")
    return f"{texto} {unidad}"


@dataclass(frozen=True)
class Cruce:
    nivel: Nivel
    n: float  # the size at which the working set reaches the level's size
    entre: Optional[Tuple[int, int]]  # the measured sizes around n; None outside them


def talla_que_llena(bytes_de: Callable[[float], float], tamano: float) -> Optional[float]:
    """The real n at which bytes_de, increasing and defined on real n,
    reaches tamano, by bisection; None if it never does."""
    bajo, alto = 0.0, 1.0
    while bytes_de(alto) < tamano:
        bajo, alto = alto, 2 * alto
        if alto > 2.0**64:
            return None
    while (medio := (bajo + alto) / 2) not in (bajo, alto):
        bajo, alto = (medio, alto) if bytes_de(medio) < tamano else (bajo, medio)
    return alto


def cruces(caches: Caches, bytes_de: Callable[[float], float],
           tallas: Sequence[int]) -> List[Cruce]:
    """Where the working set bytes_de(n) outgrows each data cache."""
    medidas = sorted(set(tallas))
    resultado = []
    for nivel in caches.de_datos:
        n = talla_que_llena(bytes_de, nivel.tamano or 0)
        if n is not None:
            entre = next(((a, b) for a, b in zip(medidas, medidas[1:]) if a <= n <= b), None)
            resultado.append(Cruce(nivel, n, entre))
    return resultado


@dataclass(frozen=True)
class Escalon:
    """The time of one operation goes from valor_desde at n = desde to
    valor_hasta at hasta, by `factor`."""

    desde: int
    hasta: int
    valor_desde: float
    valor_hasta: float
    factor: float


def _sentido(cociente: float, ruido: float) -> int:
    return 1 if cociente > ruido else -1 if cociente < 1 / ruido else 0


def escalones(por_operacion: Sequence[Tuple[int, float]], deriva: float = DERIVA,
              ruido: float = RUIDO,
              rangos: Optional[Dict[int, Tuple[float, float]]] = None) -> List[Escalon]:
    """The runs of neighbouring sizes over which the time per operation
    keeps rising (or falling) by more than ruido, taken as one step when
    it changes by more than deriva over the run. A single flat interval
    inside a run (two sizes at one value, as bubble sort's 12000 and 14000
    keys) does not end it; two in a row are a plateau. A step must also
    persist (es_escalon): `rangos`, n -> the lowest and highest time per
    operation of the invocations at n, is the spread it must clear."""
    puntos = sorted((n, v) for n, v in por_operacion if v > 0 and math.isfinite(v))
    sentidos = [_sentido(b / a, ruido) for (_, a), (_, b) in zip(puntos, puntos[1:])]
    resultado: List[Escalon] = []
    i = 0
    while i < len(sentidos):
        s, j = sentidos[i], i + 1  # the run covers sizes i to j
        while s and j < len(sentidos):
            if sentidos[j] == s:
                j += 1
            elif sentidos[j] == 0 and sentidos[j + 1:j + 2] == [s]:
                j += 2
            else:
                break
        (desde, a), (hasta, b) = puntos[i], puntos[j]
        if s and not 1 / deriva <= b / a <= deriva:
            escalon = Escalon(desde, hasta, a, b, b / a)
            if es_escalon(escalon, puntos, ruido, rangos):
                resultado.append(escalon)
        i = j
    return resultado


_ESCALAS = ((1e-3, "ms"), (1e-6, "µs"), (1e-9, "ns"))


def _tiempos(a: float, b: float) -> str:
    """Both times in one unit, the one in which the larger lies from 1 to
    1000 (ps below a nanosecond), with two significant digits: 1.5 a 3.4 ns."""
    escala, unidad = next(((e, u) for e, u in _ESCALAS if max(a, b) >= e), (1e-12, "ps"))
    cifras = [float(f"{x / escala:.2g}") for x in (a, b)]
    a_texto, b_texto = (f"{v:.{max(0, 1 - math.floor(math.log10(v)))}f}" for v in cifras)
    return f"{a_texto} a {b_texto} {unidad}"


def _rango(a: float, b: float) -> str:
    """31 a 94 KiB, or 500 KiB a 2 MiB when the units differ."""
    ta, tb = texto_bytes(a), texto_bytes(b)
    (na, ua), ub = ta.split(" "), tb.split(" ")[1]
    return f"{na if ua == ub else ta} a {tb}"


def nombrar(escalones: Sequence[Escalon], cruces: Sequence[Cruce],
            bytes_de: Callable[[float], float], operacion: str,
            datos: str = "el vector") -> List[str]:
    """One sentence per step, naming the caches whose crossing lies within
    a rise. A fall is not put down to a cache, and a crossing with no step
    is not claimed. datos names the working set (el vector, la matriz, los
    datos: an article in the plural makes the verb plural)."""
    verbo = "dejan" if datos.startswith(("los ", "las ")) else "deja"
    frases = []
    for e in escalones:
        frase = (f"el tiempo por {operacion} pasa de {_tiempos(e.valor_desde, e.valor_hasta)}"
                 f" entre {e.desde} y {e.hasta}")
        dentro = [c.nivel for c in cruces if e.desde <= c.n <= e.hasta]
        if not dentro:
            frase += ", sin cruce de caché entre esas tallas"
        elif e.factor < 1:
            frase += ": baja, y que los datos dejen de caber en una caché no lo explica"
        else:
            nombres = " y en la ".join(f"{n.nombre} de {texto_bytes(n.tamano or 0)}"
                                       for n in dentro)
            frase += (f", donde {datos} ({_rango(bytes_de(e.desde), bytes_de(e.hasta))})"
                      f" {verbo} de caber en la caché {nombres}")
        frases.append(frase)
    return frases
