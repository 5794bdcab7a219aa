"""The command line of tools/sweep: reads the options, runs the study of
each program in turn and writes its tables, TSV and plots, then the files
of the whole sweep. `tools/sweep compare A B` compares two saved sweeps.

Whatever stops a sweep (a failing program, a signal, a full disk, a closed
standard output) leaves what it measured on disk, marked: the exit status
says how it ended (0, 1, 2 for an option, 128 + a signal's number)."""

import shutil
import signal
import sys
import traceback
from pathlib import Path
from typing import Optional, Sequence

from ..datos.errores import ErrorDeUso
from ..escritura.graficas import AVISO_GNUPLOT
from ..medir.eventos import FaltaValgrind
from .opciones import leer_opciones
from ..datos.medidas import EVENTOS
from ..medir.progreso import Progreso
from ..medir.salida import preparar_flujos
from .anadir import leer_anadido
from .barrido import Barrido
from ..medir.procesos import detener_restos, hacerse_recogedor, marcar
from .senales import Senales
from ..datos.sistema import motivo


def _nombre(numero: int) -> str:
    return signal.Signals(numero).name


def _error_interno(e: BaseException) -> str:
    """One line on an error of the sweep's own: what and where."""
    marcos = traceback.extract_tb(e.__traceback__)
    donde = f", en {Path(marcos[-1].filename).name}:{marcos[-1].lineno}" if marcos else ""
    que = motivo(e) if isinstance(e, OSError) else e
    return f"error interno del barrido ({type(e).__name__}: {que}{donde})"



def main(argv: Optional[Sequence[str]] = None) -> int:
    preparar_flujos()
    argv = list(sys.argv[1:] if argv is None else argv)
    if argv[:1] == ["compare"]:
        from .comparacion import main_comparar
        return main_comparar(argv[1:])
    senales = Senales()
    senales.instalar()
    hacerse_recogedor()
    try:
        return barrer(argv, senales)
    except KeyboardInterrupt as e:  # before anything was measured
        numero = getattr(e, "numero", signal.SIGINT)
        Progreso().nota(f"sweep: interrumpido por {_nombre(numero)} antes de medir nada")
        return 128 + numero


def barrer(argv: Sequence[str], senales: Senales) -> int:
    """The sweep of the programs the options name, or of the plan of a saved
    study that it adds to (--append); its exit status."""
    guardado = None
    if any(a == "--append" or a.startswith("--append=") for a in argv):
        opciones, guardado = leer_anadido(argv)
    else:
        opciones = leer_opciones(argv)
    if EVENTOS.nombre in opciones.nombradas and shutil.which("valgrind") is None:
        # Before anything is measured, or a previous study's files removed.
        Progreso().nota(f"sweep: error: {FaltaValgrind()}")
        return 1
    barrido = Barrido(opciones, senales, guardado)
    # Every program checked before the previous study's files are touched:
    # a sweep that can measure nothing leaves them as they are.
    medibles = {p.nombre: barrido.comprobar(p) for p in opciones.programas}
    if not any(medibles.values()):
        return 1
    try:
        barrido.ficheros.tomar(conservar=guardado is not None)
    except ErrorDeUso as e:
        barrido.progreso.nota(f"sweep: error: {e}")
        return 2
    marca = marcar(opciones.salida)
    if barrido.ficheros.reservado and (restos := detener_restos(marca)):
        varios = "s" if restos > 1 else ""
        barrido.progreso.nota(f"se detiene{varios.replace('s', 'n')} {restos} proceso{varios} que"
                              f" un barrido anterior en {opciones.salida} dejó en marcha al morir")
    if barrido.gnuplot is None:
        barrido.progreso.nota(AVISO_GNUPLOT)
    estado = 0
    try:
        for programa in opciones.programas:
            barrido.estudiar(programa, medibles[programa.nombre])
    except KeyboardInterrupt as e:
        numero = getattr(e, "numero", signal.SIGINT)
        causa = "interrumpido" + ("" if numero == signal.SIGINT else f" por {_nombre(numero)}")
        barrido.progreso.nota(f"{causa}: se escribe lo ya medido, marcado como incompleto")
    except Exception as e:
        barrido.progreso.nota(f"{_error_interno(e)}; se escribe lo ya medido")
        estado = 1
    # The files of the whole sweep are written whatever comes now: a signal
    # only sets the exit status.
    senales.atender()
    try:
        barrido.cerrar(argv)
    except Exception as e:
        barrido.progreso.nota(_error_interno(e))
        estado = 1
    estado = max(estado, barrido.estado, barrido.lo_que_queda())
    if senales.recibida is not None:
        return 128 + senales.recibida
    barrido.progreso.nota(f"tiempo total: {barrido.progreso.transcurrido():.0f} s")
    return estado
