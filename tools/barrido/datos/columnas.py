"""The names of the columns of a study's files that a counting build may
not give a count: a count is written as a column of its own, under its
name, and one named n or valores would be read back as the sizes or the
times."""

from typing import FrozenSet, Iterable

from .errores import FalloPrograma

# The fixed columns of a program's TSV and of resumen.tsv.
COLUMNAS: FrozenSet[str] = frozenset([
    "n", "configuracion", "mediana", "minimo", "maximo", "aceleracion", "notas", "valores",
    "doblado", "exponente_local", "bytes_de_datos",
    "programa", "medida", "exponente", "exponente_inf", "exponente_sup", "r2", "cota",
    "veredicto", "constante", "cociente", "puntos", "estado", "segun_cuentas", "texto",
    "pendiente_de", "pendiente", "pendiente_inf", "pendiente_sup", "margen_inf", "margen_sup",
    "veredicto_desde", "veredicto_hasta", "ajuste_desde", "ajuste_hasta", "entrada",
    "cortadas", "cerca_de",
])


def choca(nombre: str) -> bool:
    """Whether a count's name is that of a column of the files (the time
    per operation's ns_por_… included)."""
    return nombre in COLUMNAS or nombre.startswith("ns_por_")


def sin_choques(nombres: Iterable[str], orden: str):
    """Raises FalloPrograma, naming the count, when one of an invocation's
    counts is named as a column of the files."""
    for nombre in nombres:
        if choca(nombre):
            raise FalloPrograma(f"{orden} dio la cuenta «{nombre}», que es el nombre de una"
                                " columna de los ficheros del estudio: debe llamarse de otro modo")
