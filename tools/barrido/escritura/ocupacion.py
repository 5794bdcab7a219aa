"""What the sweep says of the machine getting in the way: the table's mark,
each series' note, and the line of the whole study (standard output, the
record and the report)."""

import shlex
from typing import List, Mapping, Sequence, Tuple

from ..datos.estudio import Estudio
from ..medir.referencia import cambio_de_velocidad

LEYENDA_OCUPADA = ("ocupada: la máquina estorbó alguna invocación de esa talla (se la desalojó,"
                   " o la carga de referencia iba lenta); se conserva marcada, y la mediana, el"
                   " mínimo y el máximo son de las demás")


def notas_ocupada(estudio: Estudio) -> List[Tuple[str, str, str]]:
    """(key, configuration, text) of each note: how many invocations the
    machine disturbed, per configuration; said once, a configuration that
    waits rather than computes; and a verdict its share of time left
    undecided, with what would decide it."""
    resultado = []
    for configuracion in estudio.configuraciones:
        puntos = estudio.puntos_de(configuracion)
        perturbadas = sum(p.n_perturbadas for p in puntos)
        if configuracion in estudio.espera:
            resultado.append((
                "espera", configuracion,
                f"su tiempo de CPU es como mucho el {100 * estudio.espera[configuracion]:.0f} %"
                " de lo que dura cada invocación: espera más que calcula, y no se mide de nuevo"
                " aunque la máquina esté ocupada"))
        elif perturbadas:
            total = sum(len(p.valores) for p in puntos)
            resultado.append((
                "ocupada", configuracion,
                f"la máquina estorbó {perturbadas} de {total} invocaciones; se conservan"
                " marcadas y las demás dan la mediana"))
    for configuracion, (tallas, coste) in estudio.sin_decidir.items():
        orden = orden_de_anadir(estudio, tallas, 5)
        resultado.append((
            "sin decidir", configuracion,
            f"la parte de tiempo de la serie se acabó sin que el veredicto decidiera: más"
            f" invocaciones en {', '.join(map(str, tallas))} (unos {coste:.2g} s cada ronda) o"
            f" tallas mayores lo decidirían: {orden}"))
    return resultado


def orden_de_anadir(estudio: Estudio, tallas: Sequence[int], rondas: int) -> str:
    """The whole command that adds `rondas` invocations at `tallas` to this
    program's series of the study, and to no other program's: in a study
    of several programs the sizes are one program's."""
    return shlex.join(["tools/sweep", "--append", estudio.directorio or "DIR",
                       estudio.programa.nombre, "--sizes", ",".join(map(str, tallas)),
                       "--repeat", str(rondas)])


def ocupacion(estudios: Sequence[Estudio], referencia: Mapping[str, object],
              repetidas_antes: int = 0) -> dict:
    """The record's account of the machine over a whole study: invocations,
    how many were disturbed (kept, marked) and measured again, and the
    sentence that says it."""
    puntos = [p for e in estudios for p in e.puntos]
    total = sum(len(p.valores) for p in puntos)
    perturbadas = sum(p.n_perturbadas for p in puntos)
    repetidas = repetidas_antes + sum(e.repetidas for e in estudios)
    muestras = referencia.get("muestras_s") or []
    lentas = referencia.get("lentas", 0)
    sobre_referencia = (f"la carga de referencia fue lenta en {lentas} de {len(muestras)}"
                        " muestras") if muestras else "sin muestras de la carga de referencia"
    cambio = cambio_de_velocidad(muestras)
    velocidad = "" if cambio is None else (
        f"la velocidad de la máquina varió durante el estudio: la carga de referencia tardó"
        f" {1000 * cambio[0]:.3g} ms en su cuarto más rápido de muestras y"
        f" {1000 * cambio[1]:.3g} ms en el más lento (×{cambio[1] / cambio[0]:.2f})")
    if perturbadas or repetidas:
        texto = (f"la máquina estuvo ocupada: {repetidas} de {total} invocaciones medidas de"
                 f" nuevo; {perturbadas} perturbadas se conservan marcadas ({sobre_referencia})"
                 + (f"; además, {velocidad}" if velocidad else ""))
    elif velocidad:
        # A spell that lasts is the usual of its own samples, and a machine
        # of two speeds has both in its usual: no sample is slow against the
        # ones before it, and no invocation is marked.
        texto = (f"{velocidad}; ninguna de las {total} invocaciones se marcó perturbada"
                 f" ({sobre_referencia})")
    else:
        texto = (f"la máquina no estorbó ninguna de las {total} invocaciones"
                 f" ({sobre_referencia})")
    return {"invocaciones": total, "perturbadas": perturbadas, "medidas_de_nuevo": repetidas,
            # The reference's quartiles in seconds, when the machine changed speed.
            "cambio_de_velocidad": list(cambio) if cambio else None, "texto": texto}
