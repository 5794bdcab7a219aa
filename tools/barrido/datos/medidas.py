"""The table of what a sweep can measure of a program: data only (names,
binaries, kinds, units). Each layer decides what to do with a measure from
its kind: the measuring runs it by what it reports, the store keeps it
under its name, the analysis judges it and the writers draw it by its
kind. Adding a measure is one entry here, its build, and its words."""

from dataclasses import dataclass
from typing import Dict, List, Optional, Tuple

from .errores import ErrorDeUso

# What an invocation of a measure's binary reports: one time («N T»), or
# named values («N nombre=valor ...»).
INFORMA_TIEMPO = "tiempo"
INFORMA_VALORES = "valores"


@dataclass(frozen=True)
class Medida:
    nombre: str  # how the store, the files and the progress lines name it
    opcion: str  # how --measure names it
    # The binary's suffix: None for the timed builds, one per configuration
    # (bench_X, bench_X_O0, bench_X_entradas on a kind of input); otherwise
    # bench_X_<sufijo>, which also takes the kind of input.
    sufijo: Optional[str]
    informa: str  # INFORMA_TIEMPO or INFORMA_VALORES
    # How it is judged and drawn: «tiempo» (fits, verdicts on the bounds,
    # rounds), «cuentas» (exact growth, one invocation per size), «eventos»
    # (the machine's events of the measured call, simulated: one
    # invocation per size under valgrind, with sizes and a share of time
    # of their own, each event per operation and per key).
    tipo: str
    unidad: str  # of each value: «s», or «» for a number of operations
    # Other words --measure takes for it (its Spanish name).
    alias: Tuple[str, ...] = ()

    @property
    def por_configuracion(self) -> bool:
        """Whether it runs once per timed configuration."""
        return self.sufijo is None

    @property
    def rondas(self) -> bool:
        """Whether it is repeated in every round: a time varies between
        invocations, a count does not."""
        return self.tipo == "tiempo"


TIEMPO = Medida("tiempo", "time", None, INFORMA_TIEMPO, "tiempo", "s")
CUENTAS = Medida("cuentas", "counts", "cuentas", INFORMA_VALORES, "cuentas", "")
# The machine's events per run of the measured call (medir/eventos.py):
# bench_X_eventos under callgrind's cache and branch simulator.
EVENTOS = Medida("eventos", "events", "eventos", INFORMA_VALORES, "eventos", "",
                 ("eventos",))

# In the order the first round takes them at each size, and the order the
# files write them.
MEDIDAS: Dict[str, Medida] = {m.nombre: m for m in (TIEMPO, CUENTAS, EVENTOS)}


def por_opcion(opcion: str) -> Medida:
    """The measure --measure names (by its option or an alias)."""
    for medida in MEDIDAS.values():
        if opcion == medida.opcion or opcion in medida.alias:
            return medida
    raise ErrorDeUso(f"medida desconocida «{opcion}»: elija entre"
                     f" {', '.join(m.opcion for m in MEDIDAS.values())}")


def opciones_validas() -> List[str]:
    return [m.opcion for m in MEDIDAS.values()]


def de_tipo(tipo: str) -> List[str]:
    """The names of the measures of a kind, in the table's order."""
    return [m.nombre for m in MEDIDAS.values() if m.tipo == tipo]


def nombradas(opciones: List[str]) -> List[str]:
    """The names of the measures --measure asked for that report named
    values, in the table's order."""
    return [m.nombre for m in MEDIDAS.values()
            if m.opcion in opciones and m.informa == INFORMA_VALORES]


def de_valores(clave: str) -> bool:
    """Whether a series key (a configuration or a measure's name) is a
    measure reporting named values, run once per size."""
    medida = MEDIDAS.get(clave)
    return medida is not None and medida.informa == INFORMA_VALORES
