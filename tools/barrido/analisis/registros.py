"""Two records set against each other: the values in which they differ,
which compare prints before the ratios of the times."""

import json
from typing import Dict, List, Mapping

_FALTA = object()


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
# The reference workload's samples and the disturbance say how busy the
# machine was, not what was studied: compare reports them on a line of its own.
_SIN_DIFERENCIAS = ("fecha", "repetir", "referencia", "ocupada")
# The measures as records older than their Spanish names wrote them.
_MEDIDAS_ANTES = {"time": "tiempo", "counts": "cuentas"}


def diferencias(a: Mapping[str, object], b: Mapping[str, object]) -> List[str]:
    """One line `clave: A=... B=...` per value that differs between two
    records, nested keys joined by dots; the date is left out. A key that
    one record lacks shows as (falta). The commands that repeat the plan
    are left out: the plan's own keys show how it differs."""
    pa, pb = _aplanar(a), _aplanar(b)
    for p in (pa, pb):  # a record older than the Spanish names of the measures
        if isinstance(p.get("plan.medidas"), list):
            p["plan.medidas"] = [_MEDIDAS_ANTES.get(m, m) for m in p["plan.medidas"]]
    lineas = []
    for clave in dict.fromkeys([*pa, *pb]):
        if clave.split(".")[0] in _SIN_DIFERENCIAS or pa.get(clave, _FALTA) == pb.get(clave, _FALTA):
            continue
        va, vb = (json.dumps(p[clave], ensure_ascii=False) if clave in p else "(falta)"
                  for p in (pa, pb))
        lineas.append(f"{clave}: A={va} B={vb}")
    return lineas
