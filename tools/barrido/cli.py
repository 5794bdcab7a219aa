"""The command line of tools/sweep: reads the options, runs the study of
each program and writes its table, TSV and plots."""

import argparse
import os
import shutil
import sys
from pathlib import Path
from typing import List, Optional, Sequence

from .cotas import Cota, analizar_cotas
from .errores import ErrorDeUso, FalloPrograma
from .estudio import Estudio
from .ficheros import Ficheros
from .grafica import AVISO_GNUPLOT, dibujar
from .medicion import barrer
from .programas import PROGRAMAS, Programa, elegir_configuraciones, elegir_programas
from .progreso import Progreso
from .tabla import tabla, veredicto
from .tallas import analizar_tallas
from .tsv import tsv

RAIZ = Path(__file__).resolve().parent.parent.parent

def _lista_programas() -> str:
    return "\n".join(
        f"  {p.nombre:<10} {', '.join(p.configuraciones)}; tallas {p.tallas};"
        f" cotas {', '.join(p.cotas)}"
        for p in PROGRAMAS.values()
    )


def analizador() -> argparse.ArgumentParser:
    a = argparse.ArgumentParser(
        prog="sweep",
        formatter_class=argparse.RawDescriptionHelpFormatter,
        description=(
            "Ejecuta los programas sobre una serie de tallas, una ejecución cada vez\n"
            "(nunca en paralelo: dos ejecuciones a la vez se estorban y falsean sus tiempos),\n"
            "y convierte sus líneas «n segundos» en un estudio: tabla con la mediana y la\n"
            "dispersión de cada talla, cocientes t(n)/f(n) frente a tres cotas candidatas,\n"
            "crecimiento ajustado por mínimos cuadrados y la cota cuyo cociente es más\n"
            "estable; además un TSV y una gráfica (gnuplot) por programa en --out."
        ),
        epilog=(
            "programas (configuraciones; tallas y cotas por omisión):\n" + _lista_programas() +
            "\n\nejemplos:\n  tools/sweep insertion quicksort --config O0,O2\n"
            "  tools/sweep hanoi --sizes 10:30:+2 --bounds '2^n,n^3'\n"
            "  tools/sweep all"
        ),
    )
    a.add_argument("programas", nargs="+", metavar="PROGRAMA",
                   help=f"nombre corto ({', '.join(PROGRAMAS)}) o all para los ocho")
    a.add_argument("--sizes", metavar="TALLAS",
                   help="tallas: lista (1000,2000,4000), rango geométrico (1000:256000:x2) o"
                        " aritmético (10:30:+2), o una lista de ellos; por omisión, las del"
                        " programa")
    a.add_argument("--budget", type=float, default=10.0, metavar="SEGUNDOS",
                   help="deja de crecer n en cuanto una ejecución del programa tarda más de esto;"
                        " se informa de las tallas omitidas (por omisión, 10)")
    a.add_argument("--repeat", type=int, default=3, metavar="R",
                   help="ejecuciones por talla; la tabla da la mediana de las medias informadas"
                        " y su mínimo y máximo (por omisión, 3)")
    a.add_argument("--config", default="O2", metavar="CONF[,CONF...]",
                   help="compilaciones que medir y comparar: O0 (bench_X_O0), O2 (bench_X),"
                        " O3 (bench_X_O3), donde el programa las tenga; con dos o más, la tabla"
                        " gana una columna de aceleración y la gráfica una serie por cada una"
                        " (por omisión, O2)")
    a.add_argument("--bounds", metavar="F1,F2,F3",
                   help="cotas candidatas en lugar de las del programa, escritas con n, números,"
                        " + - * / ^ o ** (potencia), paréntesis y log (neperiano), log2, log10, sqrt,"
                        " exp: n^2, n*log(n), 2^n, n^3")
    a.add_argument("--bin", type=Path, default=RAIZ / "build" / "bin", metavar="DIR",
                   help="dónde están los programas (por omisión, build/bin del repositorio)")
    a.add_argument("--out", type=Path, default=RAIZ / "results", metavar="DIR",
                   help="dónde escribir los TSV y las gráficas (por omisión, results/ del"
                        " repositorio, que git ignora)")
    a.add_argument("--png", action="store_true", help="dibuja también cada gráfica en PNG")
    return a


def _faltan(programa: Programa, configuraciones: Sequence[str], directorio: Path) -> List[str]:
    """A message for each binary that is not there, naming how to build it."""
    mensajes = []
    for configuracion in configuraciones:
        binario = directorio / programa.binario(configuracion)
        if os.access(binario, os.X_OK) and binario.is_file():
            continue
        mensaje = (f"falta {binario}; se construye con «cmake --workflow --preset default»"
                   f" (o «cmake --build build --target {binario.name}»)")
        if not (RAIZ / programa.nombre / "main.cpp").exists():
            mensaje += f"; su fuente {programa.nombre}/main.cpp aún no está en este árbol"
        mensajes.append(mensaje)
    return mensajes


def main(argv: Optional[Sequence[str]] = None) -> int:
    for flujo in (sys.stdout, sys.stderr):
        if hasattr(flujo, "reconfigure"):
            flujo.reconfigure(errors="replace")
    a = analizador()
    args = a.parse_args(argv)
    try:
        programas = elegir_programas(args.programas)
        pedidas = elegir_configuraciones(args.config)
        tallas = analizar_tallas(args.sizes) if args.sizes else None
        cotas = analizar_cotas(args.bounds) if args.bounds else None
        if args.repeat < 1:
            raise ErrorDeUso("--repeat debe ser al menos 1")
        if not args.budget > 0:
            raise ErrorDeUso("--budget debe ser mayor que 0")
    except ErrorDeUso as e:
        a.error(str(e))

    progreso = Progreso()
    ficheros = Ficheros(args.out, progreso)
    gnuplot = shutil.which("gnuplot")
    if gnuplot is None:
        progreso.nota(AVISO_GNUPLOT)
    formatos = ["svg"] + (["png"] if args.png else [])
    estado = 0
    resumen = []
    try:
        for programa in programas:
            configuraciones = [c for c in pedidas if c in programa.configuraciones]
            otras = [c for c in pedidas if c not in programa.configuraciones]
            if otras:
                progreso.nota(f"{programa.nombre}: no tiene la configuración {', '.join(otras)}"
                              f" (tiene {', '.join(programa.configuraciones)})")
            if not configuraciones:
                estado = 1
                continue
            faltan = _faltan(programa, configuraciones, args.bin)
            if faltan:
                for mensaje in faltan:
                    progreso.nota(f"{programa.nombre}: {mensaje}")
                estado = 1
                continue
            estudio = Estudio(programa, configuraciones,
                              cotas or [Cota(c) for c in programa.cotas])
            barrer(estudio, tallas or analizar_tallas(programa.tallas), args.bin, args.repeat,
                   args.budget, progreso)
            progreso.limpiar()
            print(f"== {programa.nombre}: {programa.algoritmo} ==")
            if estudio.puntos:
                print(tabla(estudio))
            if estudio.fallo:
                estado = 1
                progreso.nota(f"{programa.nombre}: barrido detenido: {estudio.fallo}")
                print(f"barrido detenido por un fallo de {programa.nombre}: no se escriben"
                      " sus ficheros\n")
                sys.stdout.flush()
                continue
            lineas = veredicto(estudio)
            print("\n".join(lineas))
            resumen += [f"{programa.nombre:<10} {l}" for l in lineas
                        if l.startswith(("ajuste", "veredicto"))]
            hechos = [ficheros.escribir(f"{programa.nombre}.tsv", tsv(estudio))]
            if gnuplot:
                try:
                    hechos += dibujar(estudio, ficheros, gnuplot, formatos)
                except FalloPrograma as e:
                    progreso.nota(f"{programa.nombre}: {e}")
                    estado = 1
            print("ficheros: " + ", ".join(map(str, hechos)) + "\n")
            sys.stdout.flush()
    except KeyboardInterrupt:
        progreso.nota("interrumpido")
        return 130
    except OSError as e:
        progreso.nota(f"no se pudo escribir en {args.out}: {e}")
        return 1
    if len(programas) > 1 and resumen:
        print("== resumen ==\n" + "\n".join(resumen))
    progreso.nota(f"tiempo total: {progreso.transcurrido():.0f} s")
    return estado
