"""The summary of a sweep: one row per conclusion of each program's
analysis, the same cells on standard output and in the report."""

from typing import List, Sequence

from ..analisis.analisis import ESPACIO, Analisis, Conclusion
from ..redaccion.ajuste import crecimiento
from ..redaccion.conclusiones import resumen_conclusion


# The summary over the programs: one row per conclusion of each analysis,
# the same cells on standard output and in the report.
CABECERA_RESUMEN = ["programa", "medida", "según las cuentas", "exponente [95 %]", "veredicto",
                    "mitad superior", "pendiente [90 %]", "margen", "por operación"]


def conclusiones_resumidas(analisis: Analisis) -> List[Conclusion]:
    """The conclusions the summary, resumen.tsv and the report's table
    carry: those with a fit, and every measure of space."""
    return [c for c in analisis.conclusiones if c.ajuste is not None or c.medida in ESPACIO]


def fila_resumen(analisis: Analisis, c: Conclusion) -> List[str]:
    estudio = analisis.estudio
    programa = estudio.programa.nombre
    if estudio.entrada:
        programa += f" ({estudio.entrada})"
    if estudio.incompleto:
        programa += " (incompleto)"
    tiempo = c.medida == "tiempo"
    cortadas = estudio.cortadas(c.configuracion) if tiempo else []
    if cortadas:
        programa += f" (cortada a {cortadas[0]})"
    segun = c.segun_cuentas if tiempo else c.cota
    p = c.prueba
    operacion = "-"
    if c.por_operacion:
        n, segundos = c.por_operacion
        operacion = f"{1e9 * segundos:.3g} ns a {n}"
        if c.deriva:
            operacion += f", ×{c.deriva.factor:.2g} desde {c.deriva.desde}"
    return [
        programa,
        f"tiempo {c.configuracion}" if tiempo else c.medida,
        segun.texto if segun else "-",
        crecimiento(c.ajuste) if c.ajuste else "-",
        resumen_conclusion(c) or "-",
        f"{c.tallas_veredicto[0]}–{c.tallas_veredicto[1]}" if p else "-",
        f"{p.cota.columna} {p.pendiente:+.3f} [{p.inf:+.3f}, {p.sup:+.3f}]" if p else "-",
        f"[{-p.abajo:+.3f}, {p.arriba:+.3f}]" if p else "-",
        operacion,
    ]


def filas_resumen(analisis: Sequence[Analisis]) -> List[List[str]]:
    """The heading and one row per conclusion with a fit, program after
    program."""
    return [CABECERA_RESUMEN] + [fila_resumen(a, c) for a in analisis
                                 for c in conclusiones_resumidas(a)]


def resumen(analisis: Sequence[Analisis]) -> str:
    """The summary table as standard output prints it."""
    filas = filas_resumen(analisis)
    anchos = [max(len(f[i]) for f in filas) for i in range(len(filas[0]))]
    return "\n".join("  ".join(c.ljust(a) for c, a in zip(f, anchos)).rstrip() for f in filas)
