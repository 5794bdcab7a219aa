"""The record of a study: when and how it was made, on which machine, with
which compiler and flags, from which commit. Anything that cannot be read
is recorded as "desconocido"; making the record never fails."""

import json
import os
import platform
import re
import shlex
import subprocess
from datetime import datetime
from pathlib import Path
from typing import Dict, List, Mapping, Optional, Sequence

from ..datos.texto import json_visible

DESCONOCIDO = "desconocido"
_FALTA = object()
RAIZ = Path(__file__).resolve().parent.parent.parent  # the repository: parent of tools/


def _leer(ruta: Path) -> str:
    try:
        return ruta.read_text(encoding="utf-8", errors="replace")
    except OSError:
        return ""


def _campo(texto: str, patron: str) -> str:
    """The first group of the first line matching patron, stripped."""
    m = re.search(patron, texto, re.MULTILINE)
    return m.group(1).strip() if m and m.group(1).strip() else DESCONOCIDO


def _orden(argumentos: Sequence[str], directorio: Path = RAIZ) -> str:
    """The standard output of a command, stripped, or desconocido."""
    try:
        r = subprocess.run(list(argumentos), cwd=directorio, stdin=subprocess.DEVNULL,
                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=20)
    except (OSError, subprocess.SubprocessError):
        return DESCONOCIDO
    if r.returncode != 0:
        return DESCONOCIDO
    return r.stdout.decode("utf-8", "replace").strip()


def maquina() -> Dict[str, object]:
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
        salida = _orden([ruta, "--version"])
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


def cambios_sin_commit(directorio: Path = RAIZ) -> object:
    """Whether the tracked files of the checkout differ from its commit:
    True, False, or desconocido outside a git checkout. Untracked files do
    not count: the output of a sweep is often an untracked folder of the
    checkout, and it changes nothing that was built."""
    estado = _orden(["git", "status", "--porcelain", "--untracked-files=no"], directorio)
    return DESCONOCIDO if estado == DESCONOCIDO else bool(estado)


def registro(orden: Sequence[str], directorio_bin: Path, binarios: Mapping[str, str],
             plan: Optional[Mapping[str, object]] = None, repetir: Sequence[str] = (),
             caches: Optional[Mapping[str, object]] = None) -> Dict[str, object]:
    """The record of a study swept by the command line orden with the
    programs of directorio_bin; binarios maps each configuration to one of
    its binaries' target names, whose flags are read from the build
    directory (directorio_bin's parent). plan is what the sweep measured
    (seed, rounds, budget, sizes...) and repetir the commands that repeat
    it; caches, the machine's data caches as the core a program runs on
    sees them."""
    construccion = directorio_bin.resolve().parent
    datos: Dict[str, object] = {
        "fecha": datetime.now().astimezone().isoformat(timespec="seconds"),
        "orden": shlex.join(orden),
    }
    if plan is not None:
        datos["plan"] = dict(plan)
        datos["repetir"] = list(repetir)
    datos.update({
        "maquina": dict(maquina(), caches=caches) if caches is not None else maquina(),
        "compilador": compilador(construccion),
        "configuraciones": {c: banderas(construccion, t) for c, t in binarios.items()},
        "commit": _orden(["git", "rev-parse", "HEAD"]) or DESCONOCIDO,
        "cambios_sin_commit": cambios_sin_commit(),
    })
    return datos


def como_json(datos: Mapping[str, object]) -> str:
    """The text of registro.json."""
    return json_visible(json.dumps(datos, indent=2, ensure_ascii=False)) + "\n"


def describir_registro(datos: Mapping[str, object]) -> List[str]:
    """A few lines for a person; tolerant of a record missing its parts."""
    def parte(clave: str) -> Mapping[str, object]:
        valor = datos.get(clave)
        return valor if isinstance(valor, Mapping) else {}

    m, c = parte("maquina"), parte("compilador")
    d = {clave: m.get(clave, DESCONOCIDO) for clave in
         ("procesador", "nucleos", "memoria_gib", "sistema", "kernel")}
    cambios = datos.get("cambios_sin_commit", DESCONOCIDO)
    lineas = [
        f"fecha: {datos.get('fecha', DESCONOCIDO)}",
        f"orden: {datos.get('orden', DESCONOCIDO)}",
    ] + (describir_plan(parte("plan")) if "plan" in datos else []) + [
        f"máquina: {d['procesador']}, {d['nucleos']} núcleos, {d['memoria_gib']} GiB,"
        f" {d['sistema']} {d['kernel']}",
        f"compilador: {c.get('familia', DESCONOCIDO)}; {c.get('version', DESCONOCIDO)}"
        f" ({c.get('ruta', DESCONOCIDO)})",
    ]
    caches = m.get("caches")
    if isinstance(caches, Mapping) and isinstance(caches.get("texto"), list):
        lineas.append("cachés: " + "; ".join(map(str, caches["texto"])))
    lineas += [f"opciones {conf}: {texto}" for conf, texto in parte("configuraciones").items()]
    lineas.append(f"commit: {datos.get('commit', DESCONOCIDO)}"
                  + {True: " (con cambios sin commit)", False: ""}.get(
                      cambios, f" (cambios sin commit: {cambios})"))
    return lineas


def describir_plan(plan: Mapping[str, object]) -> List[str]:
    """The lines of the plan of a sweep: the seed first, then the rounds,
    the budget and what was measured, then each program's sizes."""
    semilla = plan.get("semilla")
    lineas = [f"semilla: {semilla} (el orden de las rondas barajadas y el bootstrap)"
              if semilla is not None else
              "semilla: no interviene (solo cuentas: una invocación por talla, en orden"
              " creciente)"]
    medidas = {"time": "tiempos", "counts": "cuentas"}
    partes = [f"{plan.get('rondas', DESCONOCIDO)} rondas",
              f"presupuesto {_g(plan.get('presupuesto_s'))} s por ejecución (límite"
              f" {_g(plan.get('limite_s'))} s)",
              "mide " + " y ".join(medidas.get(str(x), str(x))
                                   for x in _lista(plan.get("medidas"))),
              "configuraciones " + ", ".join(map(str, _lista(plan.get("configuraciones"))))]
    if plan.get("precision") is not None:
        partes.append(f"precisión ±{100 * float(plan['precision']):g} % hasta"
                      f" {plan.get('max_rondas', DESCONOCIDO)} ejecuciones")
    if plan.get("cotas"):
        partes.append("cotas " + ", ".join(map(str, _lista(plan["cotas"]))))
    if plan.get("modelo") is not None:
        partes.append(f"modelo {plan['modelo'] or 'ninguno'}")
    partes.append(f"programas de {plan.get('programas', DESCONOCIDO)}")
    lineas.append("plan: " + "; ".join(partes))
    tallas = plan.get("tallas")
    omitidas = plan.get("omitidas")
    omitidas = omitidas if isinstance(omitidas, Mapping) else {}
    for programa, ns in (tallas.items() if isinstance(tallas, Mapping) else []):
        ns = _lista(ns)
        if not ns:
            continue
        # The whole list is in the record and in the command that repeats
        # the plan; a line for a person gives its ends. A configuration
        # leaves out the sizes from one on (predicted past the budget, or
        # stopped at the limit), so the first of them says which.
        linea = f"tallas {programa}: {len(ns)}, de {ns[0]} a {ns[-1]}"
        de = omitidas.get(programa)
        if isinstance(de, Mapping) and de:
            linea += " (omitidas desde " + ", ".join(
                f"{conf} {min(_lista(v))}" for conf, v in de.items() if _lista(v)) + ")"
        lineas.append(linea)
    return lineas


def _g(valor: object) -> str:
    return f"{valor:g}" if isinstance(valor, (int, float)) else DESCONOCIDO


def _lista(valor: object) -> list:
    return list(valor) if isinstance(valor, (list, tuple)) else []


def _aplanar(datos: Mapping[str, object], prefijo: str = "") -> Dict[str, object]:
    """{"maquina": {"nucleos": 2}} → {"maquina.nucleos": 2}."""
    plano: Dict[str, object] = {}
    for clave, valor in datos.items():
        if isinstance(valor, Mapping):
            plano.update(_aplanar(valor, f"{prefijo}{clave}."))
        else:
            plano[f"{prefijo}{clave}"] = valor
    return plano


# What two records may differ in without the studies differing: the date,
# and the commands that repeat a plan, which follow from the plan itself.
_SIN_DIFERENCIAS = ("fecha", "repetir")


def diferencias(a: Mapping[str, object], b: Mapping[str, object]) -> List[str]:
    """One line `clave: A=... B=...` per value that differs between two
    records, nested keys joined by dots; the date is left out. A key that
    one record lacks shows as (falta). The commands that repeat the plan
    are left out: the plan's own keys show how it differs."""
    pa, pb = _aplanar(a), _aplanar(b)
    lineas = []
    for clave in dict.fromkeys([*pa, *pb]):
        if clave in _SIN_DIFERENCIAS or pa.get(clave, _FALTA) == pb.get(clave, _FALTA):
            continue
        va, vb = (json.dumps(p[clave], ensure_ascii=False) if clave in p else "(falta)"
                  for p in (pa, pb))
        lineas.append(f"{clave}: A={va} B={vb}")
    return lineas
