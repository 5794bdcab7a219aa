"""The machine a study runs on, as the sweep describes it: the processor,
cores, memory and system; the C++ compiler and the flags of a CMake build
directory; the caches one core sees. The record and the analysis both
read it from here. Reading never fails: what cannot be read is
DESCONOCIDO (or, for the caches, none, with the reason)."""

import os
import platform
import re
import subprocess
from dataclasses import dataclass
from pathlib import Path
from typing import Callable, Dict, List, Optional, Sequence

DESCONOCIDO = "desconocido"
RAIZ = Path(__file__).resolve().parent.parent.parent.parent  # the repository: parent of tools/
SYSFS = Path("/sys/devices/system/cpu/cpu0/cache")  # the caches one core sees


def _leer(ruta: Path) -> str:
    try:
        return ruta.read_text(encoding="utf-8", errors="replace")
    except OSError:
        return ""


def _campo(texto: str, patron: str) -> str:
    """The first group of the first line matching patron, stripped."""
    m = re.search(patron, texto, re.MULTILINE)
    return m.group(1).strip() if m and m.group(1).strip() else DESCONOCIDO


def salida_de(argumentos: Sequence[str], directorio: Path = RAIZ) -> str:
    """The standard output of a command, stripped, or desconocido."""
    try:
        r = subprocess.run(list(argumentos), cwd=directorio, stdin=subprocess.DEVNULL,
                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=20)
    except (OSError, subprocess.SubprocessError):
        return DESCONOCIDO
    if r.returncode != 0:
        return DESCONOCIDO
    return r.stdout.decode("utf-8", "replace").strip()


def procesador() -> Dict[str, object]:
    """Processor model, cores, memory in GiB, kernel and system."""
    kib = _campo(_leer(Path("/proc/meminfo")), r"^MemTotal:\s*(\d+)\s*kB")
    return {
        "procesador": _campo(_leer(Path("/proc/cpuinfo")), r"^model name\s*:(.*)$"),
        "nucleos": os.cpu_count() or DESCONOCIDO,
        "memoria_gib": round(int(kib) / 2**20, 1) if kib.isdigit() else DESCONOCIDO,
        "kernel": platform.release() or DESCONOCIDO,
        "sistema": platform.system() or DESCONOCIDO,
    }


def familia(construccion: Path) -> str:
    """The compiler's family and version as CMake identified them when it
    configured the build directory (GNU 12.2.0, Clang 14.0.6): the driver's
    own words do not always say which compiler it is."""
    for ruta in sorted(construccion.glob("CMakeFiles/*/CMakeCXXCompiler.cmake")):
        texto = _leer(ruta)
        nombre = _campo(texto, r'^set\(CMAKE_CXX_COMPILER_ID "(.*)"\)$')
        version = _campo(texto, r'^set\(CMAKE_CXX_COMPILER_VERSION "(.*)"\)$')
        if nombre != DESCONOCIDO:
            return nombre if version == DESCONOCIDO else f"{nombre} {version}"
    return DESCONOCIDO


def compilador(construccion: Path) -> Dict[str, str]:
    """The C++ compiler of a CMake build directory: its family and version,
    its driver and the first line of what the driver says to --version."""
    ruta = _campo(_leer(construccion / "CMakeCache.txt"), r"^CMAKE_CXX_COMPILER:\w+=(.*)$")
    version = DESCONOCIDO
    if ruta != DESCONOCIDO:
        salida = salida_de([ruta, "--version"])
        version = salida.splitlines()[0] if salida and salida != DESCONOCIDO else DESCONOCIDO
    return {"familia": familia(construccion), "ruta": ruta, "version": version}


def banderas(construccion: Path, objetivo: str) -> str:
    """The flags a target was compiled with, as the Makefile generator of
    CMake writes them in CMakeFiles/<target>.dir/flags.make (the target's
    directory may be nested in the build tree): CXX_DEFINES when not empty,
    then CXX_FLAGS. desconocido where there is no such file (another
    generator, or a target not built)."""
    ruta = construccion / "CMakeFiles" / f"{objetivo}.dir" / "flags.make"
    if not ruta.is_file() and construccion.is_dir():
        ruta = next(construccion.glob(f"**/CMakeFiles/{objetivo}.dir/flags.make"), ruta)
    texto = _leer(ruta)
    definiciones = _campo(texto, r"^CXX_DEFINES\s*=(.*)$")
    opciones = _campo(texto, r"^CXX_FLAGS\s*=(.*)$")
    if opciones == DESCONOCIDO:
        return DESCONOCIDO
    return opciones if definiciones == DESCONOCIDO else f"{definiciones} {opciones}"


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
    vias: Optional[int] = None  # ways of associativity; None when unknown

    @property
    def datos(self) -> bool:
        return self.tipo != "Instruction"


@dataclass
class Caches:
    niveles: List[Nivel]
    origen: str = ""  # sysfs or getconf; empty when nothing could be read
    motivo: str = ""  # why nothing could be read

    @property
    def de_datos(self) -> List[Nivel]:
        """The levels that hold data and whose size is known, innermost first."""
        return sorted((n for n in self.niveles if n.datos and n.tamano), key=lambda n: n.nivel)


def _linea(ruta: Path) -> str:
    """A sysfs file's value, stripped; empty when it cannot be read."""
    return _leer(ruta).strip()


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
        nivel, tipo = _linea(carpeta / "level"), _linea(carpeta / "type")
        if not nivel.isdecimal() or tipo not in _TIPOS:
            continue  # a cache that cannot be named is left out
        cpus = _cpus(_linea(carpeta / "shared_cpu_list"))
        niveles.append(Nivel(f"L{nivel}{_TIPOS[tipo]}", int(nivel), tipo,
                             _bytes(_linea(carpeta / "size")),
                             _bytes(_linea(carpeta / "coherency_line_size")),
                             None if cpus is None else cpus > 1,
                             _bytes(_linea(carpeta / "ways_of_associativity"))))
    return sorted(niveles, key=lambda n: (n.nivel, n.nombre))


def obtener_getconf(nombre: str) -> str:
    """What `getconf NOMBRE` prints; empty when it cannot say."""
    try:
        r = subprocess.run(["getconf", nombre], stdin=subprocess.DEVNULL, capture_output=True,
                           text=True, errors="replace", timeout=10)
    except (OSError, subprocess.SubprocessError):
        return ""
    return r.stdout.strip() if r.returncode == 0 else ""


def _de_getconf(getconf: Callable[[str], str]) -> List[Nivel]:
    """L1d, L2 and L3 with their lines and ways where getconf says them;
    getconf says nothing of sharing."""
    candidatos = [("L1d", 1, "Data", "LEVEL1_DCACHE"), ("L2", 2, "Unified", "LEVEL2_CACHE"),
                  ("L3", 3, "Unified", "LEVEL3_CACHE")]
    return [Nivel(nombre, nivel, tipo, _bytes(getconf(f"{clave}_SIZE")),
                  _bytes(getconf(f"{clave}_LINESIZE")), None, _bytes(getconf(f"{clave}_ASSOC")))
            for nombre, nivel, tipo, clave in candidatos if _bytes(getconf(f"{clave}_SIZE"))]


def leer_caches(raiz: Path = SYSFS, getconf: Callable[[str], str] = obtener_getconf) -> Caches:
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


