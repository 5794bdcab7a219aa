"""The record of a study: when and how it was made, on which machine, with
which compiler and flags, from which commit, as registro.json holds it,
and the lines that describe it to a person. The machine's description is
read by datos.maquina; anything that cannot be read is recorded as
"desconocido", and making the record never fails."""

import json
import shlex
from dataclasses import asdict
from datetime import datetime
from pathlib import Path
from typing import Dict, List, Mapping, Optional, Sequence

from ..datos.maquina import DESCONOCIDO, RAIZ, Caches, banderas, compilador, procesador, salida_de
from ..redaccion.jerarquia import lineas_caches
from ..datos.texto import json_visible

def cambios_sin_commit(directorio: Path = RAIZ) -> object:
    """Whether the tracked files of the checkout differ from its commit:
    True, False, or desconocido outside a git checkout. Untracked files do
    not count: the output of a sweep is often an untracked folder of the
    checkout, and it changes nothing that was built."""
    estado = salida_de(["git", "status", "--porcelain", "--untracked-files=no"], directorio)
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
        "maquina": dict(procesador(), caches=caches) if caches is not None else procesador(),
        "compilador": compilador(construccion),
        "configuraciones": {c: banderas(construccion, t) for c, t in binarios.items()},
        "commit": salida_de(["git", "rev-parse", "HEAD"]) or DESCONOCIDO,
        "cambios_sin_commit": cambios_sin_commit(),
    })
    return datos


def caches_como_dict(caches: Caches) -> Dict[str, object]:
    """The caches for registro.json: unknown values are desconocido, as in
    the rest of the record."""
    niveles = [{**{k: DESCONOCIDO if v is None else v for k, v in asdict(n).items()},
                "datos": n.datos} for n in caches.niveles]
    datos = {"origen": caches.origen or DESCONOCIDO, "niveles": niveles,
             "texto": lineas_caches(caches)}
    return dict(datos, motivo=caches.motivo) if caches.motivo else datos


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
    ocupada = parte("ocupada")
    if isinstance(ocupada.get("texto"), str):
        lineas.append(f"máquina durante el estudio: {ocupada['texto']}")
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
    # Records made before the measures were named in Spanish say time, counts.
    medidas = {"time": "tiempos", "counts": "cuentas", "tiempo": "tiempos"}
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
