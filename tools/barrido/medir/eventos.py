"""The machine's events of a program's measured call, from its events build
(bench_X_eventos N [ENTRADA]), by two sources that are never mixed:

- simulated: the build run under valgrind's callgrind with its cache and
  branch simulator, collection off at the start; the build turns it on
  around the measured call alone, so callgrind's totals are the calls'
  instructions, data reads and writes, L1d and last-level misses and
  conditional branches, mispredicted or not;
- hardware: the line the build itself prints, the kernel's counters read
  around the same call where it gives them (in most virtual machines it
  gives none of the processor's, and the line says so).

Each result names its source, and every count is per run: the build makes
`ejecuciones` measured calls and callgrind's totals cover them all."""

import os
import re
import shutil
import signal
import subprocess
import tempfile
from dataclasses import dataclass, field
from pathlib import Path
from typing import Dict, List, Optional, Sequence, Tuple

from ..datos.errores import ErrorDeUso, FalloPrograma
from .geometria import Geometria

SIMULADA, HARDWARE = "simulada", "hardware"

# Each simulated event and the callgrind events it adds up.
DE_CALLGRIND: Dict[str, Tuple[str, ...]] = {
    "instrucciones": ("Ir",),
    "lecturas": ("Dr",),
    "escrituras": ("Dw",),
    "fallos_l1d": ("D1mr", "D1mw"),
    "fallos_ll": ("DLmr", "DLmw"),
    "saltos": ("Bc",),
    "saltos_fallidos": ("Bcm",),
}

# The counters of the hardware line, in its order, after ejecuciones=.
DE_HARDWARE = ("reloj_de_tarea_ns", "fallos_de_pagina", "ciclos", "instrucciones",
               "saltos_fallidos", "fallos_l1d", "fallos_ll")
NO_DISPONIBLE, BAJO_VALGRIND = "no_disponible", "bajo_valgrind"

# Why the kernel refused a counter, by the error the line names.
MOTIVOS = {
    "ENOENT": "el procesador o el núcleo no tienen ese contador (sin PMU, como en casi"
              " todas las máquinas virtuales)",
    "ENODEV": "el procesador no tiene ese contador",
    "EOPNOTSUPP": "el procesador no tiene ese contador",
    "EACCES": "kernel.perf_event_paranoid no deja leerlo a este usuario",
    "EPERM": "kernel.perf_event_paranoid no deja leerlo a este usuario",
    "ENOSYS": "el núcleo no tiene perf_event_open",
}

PAQUETE = "valgrind"
SIN_VALGRIND = (f"falta valgrind, que simula las cachés y los saltos: instale el paquete"
                f" Debian {PAQUETE} (tools/preparar lo instala)")

# The report line of an events build: the size, then nombre=valor fields.
_LINEA = re.compile(r"(-?\d+)((?: [a-z_0-9]+=[^ \n]+)+)\n", re.ASCII)
_NUMERO = re.compile(r"\d+(?:\.\d+)?", re.ASCII)


class FaltaValgrind(ErrorDeUso):
    """valgrind is not on PATH; the message says how to install it."""

    def __init__(self):
        super().__init__(SIN_VALGRIND)


class FalloSimulado(FalloPrograma):
    """A program that failed under the simulator: its exit status, or the
    negative number of the signal that killed it."""

    def __init__(self, mensaje: str, estado: int):
        super().__init__(mensaje)
        self.estado = estado


@dataclass
class Sucesos:
    """The events of one measured call of a size: each per run, None where
    the source has no value; `nota` says why some are missing or how the
    simulated caches were rounded."""
    fuente: str  # SIMULADA or HARDWARE
    n: int
    ejecuciones: int
    valores: Dict[str, Optional[float]] = field(default_factory=dict)
    nota: str = ""


def orden_callgrind(binario: Path, n: int, entrada: Optional[str], fichero: Path,
                    d1: Optional[Geometria] = None, ll: Optional[Geometria] = None,
                    valgrind: str = "valgrind") -> List[str]:
    """The command that simulates `binario n [entrada]`, counting the
    measured calls alone, into the output file `fichero`; the L1d and
    last-level caches set where given (else valgrind takes the machine's)."""
    orden = [valgrind, "-q", "--tool=callgrind", "--cache-sim=yes", "--branch-sim=yes",
             "--collect-atstart=no", f"--callgrind-out-file={fichero}"]
    orden += [f"--D1={d1.opcion()}"] if d1 else []
    orden += [f"--LL={ll.opcion()}"] if ll else []
    return orden + [str(binario), str(n)] + ([entrada] if entrada else [])


def leer_callgrind(texto: str) -> Dict[str, int]:
    """callgrind's totals by event, from its output file: the names of the
    events: line, the numbers of the summary: lines (a file of several parts
    has one each), else of the totals: lines; a line may leave out trailing
    zeros."""
    nombres: List[str] = []
    lineas: Dict[str, List[List[str]]] = {"summary:": [], "totals:": []}
    for linea in texto.splitlines():
        cabeza, _, resto = linea.partition(" ")
        if cabeza == "events:":
            nombres = resto.split()
        elif cabeza in lineas:
            lineas[cabeza].append(resto.split())
    totales = lineas["summary:"] or lineas["totals:"]
    if not nombres or not totales:
        raise FalloPrograma("la salida de callgrind no tiene su línea events: y su línea"
                            " summary: o totals:")
    suma = dict.fromkeys(nombres, 0)
    for numeros in totales:
        if len(numeros) > len(nombres) or not all(x.isdecimal() for x in numeros):
            raise FalloPrograma(f"la línea de totales de callgrind no casa con sus eventos"
                                f" {' '.join(nombres)}: {' '.join(numeros)[:200]}")
        for nombre, numero in zip(nombres, numeros):
            suma[nombre] += int(numero)
    return suma


def por_ejecucion(totales: Dict[str, int], ejecuciones: int) -> Dict[str, float]:
    """The simulated events per run, from callgrind's totals by event."""
    faltan = sorted({e for eventos in DE_CALLGRIND.values() for e in eventos} - set(totales))
    if faltan:
        raise FalloPrograma(f"la salida de callgrind no cuenta {', '.join(faltan)}: hace falta"
                            " --cache-sim=yes --branch-sim=yes")
    return {nombre: sum(totales[e] for e in eventos) / ejecuciones
            for nombre, eventos in DE_CALLGRIND.items()}


def leer_linea(salida: str, n: int) -> Sucesos:
    """The hardware source: the line of an events build, its counters per
    run (None for those it could not read, and the note says why). A line
    of another form, size or set of names is refused."""
    m = _LINEA.fullmatch(salida)
    if not m:
        raise FalloPrograma(f"no es una línea de eventos: {salida[:200]!r}")
    if m.group(1) != str(n):
        raise FalloPrograma(f"la línea de eventos es de la talla {m.group(1)[:20]}, no de {n}")
    campos = [c.split("=", 1) for c in m.group(2).split()]
    nombres = [nombre for nombre, _ in campos]
    esperados = ["ejecuciones", *DE_HARDWARE]
    if nombres not in (esperados, esperados + ["motivo"]):
        raise FalloPrograma(f"la línea de eventos nombra {' '.join(nombres)}, no"
                            f" {' '.join(esperados)}")
    valores = dict(campos)
    if not valores["ejecuciones"].isdecimal() or int(valores["ejecuciones"]) < 1:
        raise FalloPrograma(f"ejecuciones={valores['ejecuciones'][:20]} no es un número de"
                            " ejecuciones")
    sucesos = Sucesos(HARDWARE, n, int(valores["ejecuciones"]))
    for nombre in DE_HARDWARE:
        valor = valores[nombre]
        if not (_NUMERO.fullmatch(valor) or valor in (NO_DISPONIBLE, BAJO_VALGRIND)):
            raise FalloPrograma(f"{nombre}={valor[:30]} no es una cuenta")
        sucesos.valores[nombre] = float(valor) if _NUMERO.fullmatch(valor) else None
    if BAJO_VALGRIND in valores.values():
        sucesos.nota = "el programa corrió bajo valgrind y no leyó contadores"
    elif "motivo" in valores:
        faltan = [x for x in DE_HARDWARE if sucesos.valores[x] is None]
        motivo = MOTIVOS.get(valores["motivo"], f"el núcleo respondió {valores['motivo']}")
        sucesos.nota = f"sin {', '.join(faltan)}: {motivo}"
    return sucesos


def _ejecutar(orden: Sequence[str], limite: Optional[float]) -> Tuple[str, str, int]:
    """Runs `orden` in a process group of its own: (standard output, standard
    error, exit status or minus the signal). Past `limite` seconds the whole
    group is killed and the run fails."""
    try:
        proceso = subprocess.Popen(orden, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE, start_new_session=True)
    except OSError as e:
        raise FalloPrograma(f"no se pudo ejecutar {orden[0]}: {e.strerror}") from None
    with proceso:
        try:
            salida, errores = proceso.communicate(timeout=limite)
        except BaseException as e:
            try:
                os.killpg(proceso.pid, signal.SIGKILL)
            except OSError:
                pass
            proceso.wait()
            if isinstance(e, subprocess.TimeoutExpired):
                raise FalloPrograma(f"«{' '.join(orden[-3:])}» pasó del límite de"
                                    f" {limite:.3g} s bajo valgrind y se detuvo") from None
            raise
    return (salida.decode("utf-8", "replace"), errores.decode("utf-8", "replace"),
            proceso.returncode)


def simular(binario: Path, n: int, entrada: Optional[str] = None,
            d1: Optional[Geometria] = None, ll: Optional[Geometria] = None,
            limite: Optional[float] = None, nota: str = "") -> Sucesos:
    """The simulated events of `binario n [entrada]`'s measured call, per
    run; `nota` (how its caches were rounded) goes with them. valgrind is
    looked for on PATH."""
    valgrind = shutil.which("valgrind")
    if valgrind is None:
        raise FaltaValgrind()
    orden_texto = " ".join([binario.name, str(n)] + ([entrada] if entrada else []))
    with tempfile.TemporaryDirectory(prefix="callgrind") as carpeta:
        fichero = Path(carpeta) / "callgrind.out"
        orden = orden_callgrind(binario, n, entrada, fichero, d1, ll, valgrind)
        salida, errores, estado = _ejecutar(orden, limite)
        mensaje = ("; su mensaje:\n" + errores.strip()[-2000:]) if errores.strip() else ""
        if estado < 0:
            try:
                senal = signal.Signals(-estado).name
            except ValueError:
                senal = str(-estado)
            raise FalloSimulado(f"«{orden_texto}» murió por la señal {senal} bajo valgrind"
                                f"{mensaje}", estado)
        if estado != 0:
            raise FalloSimulado(f"«{orden_texto}» terminó con estado {estado} bajo valgrind"
                                f"{mensaje}", estado)
        linea = leer_linea(salida, n)
        try:
            texto = fichero.read_text(encoding="utf-8", errors="replace")
        except OSError as e:
            raise FalloPrograma(f"«{orden_texto}»: callgrind no dejó su fichero ({e.strerror})"
                                ) from None
    valores = por_ejecucion(leer_callgrind(texto), linea.ejecuciones)
    return Sucesos(SIMULADA, n, linea.ejecuciones, dict(valores), nota)


def contadores(binario: Path, n: int, entrada: Optional[str] = None,
               limite: Optional[float] = None) -> Sucesos:
    """The hardware source: `binario n [entrada]` run alone, its line's
    counters per run (None for those the kernel refused)."""
    orden = [str(binario), str(n)] + ([entrada] if entrada else [])
    orden_texto = " ".join([binario.name] + orden[1:])
    salida, errores, estado = _ejecutar(orden, limite)
    if estado != 0:
        mensaje = ("; su mensaje:\n" + errores.strip()[-2000:]) if errores.strip() else ""
        raise FalloPrograma(f"«{orden_texto}» terminó con estado {estado}{mensaje}")
    return leer_linea(salida, n)
