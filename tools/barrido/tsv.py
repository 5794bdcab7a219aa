"""The TSV file of a program's study: one line per size and configuration."""

from .estudio import Estudio

# The marks of the table as the TSV spells them.
_NOTAS = {"rep": "repeticion", "<res": "bajo_resolucion", "*": "fuera_del_ajuste"}


def tsv(estudio: Estudio) -> str:
    """A header line, then n, configuration, median, min, max, each ratio,
    the speed-up (with two or more configurations) and the notes."""
    varias = len(estudio.configuraciones) > 1
    cabecera = ["n", "configuracion", "mediana", "minimo", "maximo"]
    cabecera += [c.columna for c in estudio.cotas]
    cabecera += (["aceleracion"] if varias else []) + ["notas"]
    lineas = ["\t".join(cabecera)]
    for configuracion in estudio.configuraciones:
        for p in estudio.serie(configuracion):
            campos = [str(p.n), configuracion]
            campos += [f"{x:.6g}" for x in (p.mediana, p.minimo, p.maximo)]
            for cota in estudio.cotas:
                f = cota(p.n)
                campos.append(f"{p.mediana / f:.6g}" if f else "")
            if varias:
                a = estudio.aceleracion(p)
                campos.append(f"{a:.4g}" if a is not None else "")
            campos.append(",".join(_NOTAS[x] for x in estudio.notas(p)))
            lineas.append("\t".join(campos))
    return "\n".join(lineas) + "\n"
