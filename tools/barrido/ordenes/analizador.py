"""argparse's definition of the sweep's options: each option, its default,
the bounds it states and its help; ordenes/opciones.py checks what it reads
and turns it into the sweep's options."""

import argparse
from pathlib import Path

from .argumentos import Analizador
from ..datos.cotas import LONGITUD_MAXIMA
from ..datos.programas import ENTRADAS, PROGRAMAS
from ..datos.tallas import MAX_TALLA, MAX_TALLAS

RAIZ = Path(__file__).resolve().parents[3]

RONDAS = 5  # --repeat by default
PRESUPUESTO = 10.0  # --budget by default, seconds
BIN = RAIZ / "build" / "bin"  # --bin by default

# Seconds each series (a program in one configuration, on one kind of
# input, with its counts) may take when no --time is given: `tools/sweep
# all`, eight series, then ends within four minutes on a 2-core machine,
# start-up and analysis included.
CUOTA_POR_SERIE = 25.0

# The largest --budget: a day. An invocation is stopped at three budgets and
# a second, three days here; the operating system's timers (a poll in
# milliseconds held in an int) stop at 24 days, past which a longer budget
# could not even be waited for.
MAX_PRESUPUESTO = 86400.0
# The most rounds (--repeat) and invocations a size (--max-repeat): a
# thousand invocations of every size is more than any interval needs.
MAX_RONDAS = 1000
# A seed is any 64-bit integer, positive or negative.
MAX_SEMILLA = 2**63 - 1
# The longest --time: a week, past which no study of this suite needs go.
MAX_TIEMPO = 7 * 86400.0


def _lista_programas() -> str:
    return "\n".join(
        f"  {p.nombre:<10} {', '.join(p.configuraciones)}; tallas {p.tallas};"
        f" cotas {', '.join(p.cotas)}; modelo {p.modelo}"
        for p in PROGRAMAS.values()
    )


def analizador() -> argparse.ArgumentParser:
    a = Analizador(
        "tools/sweep --help",
        prog="sweep",
        description=(
            "Ejecuta los programas sobre una serie de tallas, una ejecución cada vez\n"
            "(nunca en paralelo: dos ejecuciones a la vez se estorban y falsean sus tiempos),\n"
            "y convierte sus líneas «n segundos» en un estudio: tabla con la mediana y la\n"
            "dispersión de cada talla, cocientes t(n)/f(n) frente a tres cotas candidatas,\n"
            "crecimiento ajustado con su intervalo del 95 %, el veredicto sobre los tiempos y\n"
            "el crecimiento exacto que dicen las cuentas de operaciones (bench_X_cuentas);\n"
            "además un TSV y gráficas (gnuplot) por programa, resumen.tsv, registro.json,\n"
            "informe.md e informe.html (el mismo informe como página) en --out.\n\n"
            "  tools/sweep compare DIR_A DIR_B   compara dos estudios guardados\n"
            "  tools/sweep --append DIR [PROGRAMA ...] [--repeat K] [--sizes TALLAS]\n"
            "                     [--bin DIR]\n"
            "                                    mide más invocaciones del plan del estudio de"
            " DIR\n                                    y lo analiza de nuevo con todas"
        ),
        epilog=(
            "programas (configuraciones; tallas, cotas y modelo por omisión):\n"
            + _lista_programas() +
            "\n\nejemplos:\n  tools/sweep insertion quicksort --config O0,O2\n"
            "  tools/sweep hanoi --sizes 10:30:+2 --bounds '2^n,n^3'\n"
            "  tools/sweep selection bubble insertion --together\n"
            "  tools/sweep quicksort --precision 2%\n"
            "  tools/sweep all\n\n"
            "estado de salida: 0 si todo se midió y se escribió; 1 si un programa falló o\n"
            "falta, o un fichero no se pudo escribir; 2 por una opción que no vale;\n"
            "128 + la señal (130, 143, 129) si SIGINT, SIGTERM o SIGHUP lo detuvo: lo medido\n"
            "queda escrito en --out, marcado como incompleto"
        ),
    )
    a.add_argument("programas", nargs="+", metavar="PROGRAMA",
                   help=f"nombre corto ({', '.join(PROGRAMAS)}) o all para los ocho")
    a.add_argument("--sizes", metavar="TALLAS",
                   help="tallas: lista (1000,2000,4000), rango geométrico (1000:256000:x2) o"
                        " aritmético (10:30:+2), o una lista de ellos; por omisión, las del"
                        f" programa; como mucho {MAX_TALLAS} tallas, cada una de 1 a {MAX_TALLA}")
    a.add_argument("--budget", default=f"{PRESUPUESTO:g}", metavar="SEGUNDOS",
                   help="antes de cada talla se prevé lo que tardará una ejecución a partir de"
                        " las ya medidas, y se omite (con las mayores) si pasa de esto; una"
                        " ejecución que pasa de 3·SEGUNDOS + 1 se detiene y su talla queda"
                        " marcada como cortada (por omisión,"
                        f" {PRESUPUESTO:g}; como mucho"
                        f" {MAX_PRESUPUESTO:g}, un día)")
    a.add_argument("--repeat", default=str(RONDAS), metavar="R",
                   help="rondas: cada una ejecuta una vez cada talla y configuración, la primera"
                        " en orden creciente y las demás en orden barajado; la tabla da la"
                        " mediana, el mínimo y el máximo de las R ejecuciones, y el ajuste y el"
                        f" veredicto toman la mediana de cada talla (por omisión, {RONDAS}; de 1 a"
                        f" {MAX_RONDAS})")
    a.add_argument("--seed", metavar="S",
                   help="semilla del orden barajado y del bootstrap; la salida dice la usada"
                        f" (por omisión, una al azar; un entero de ±{MAX_SEMILLA})")
    a.add_argument("--precision", metavar="P",
                   help="añade rondas a las tallas cuyo intervalo del 95 %% de la mediana es"
                        " más ancho que ±P (p. ej. 2%%), hasta --max-repeat ejecuciones")
    a.add_argument("--max-repeat", metavar="M",
                   help="ejecuciones por talla como mucho con --precision (por omisión, 15, o"
                        f" --repeat si es mayor; como mucho {MAX_RONDAS})")
    a.add_argument("--config", default="O2", metavar="CONF[,CONF...]",
                   help="compilaciones que medir y comparar: O0 (bench_X_O0), O2 (bench_X),"
                        " O3 (bench_X_O3), donde el programa las tenga; con dos o más, la tabla"
                        " gana una columna de aceleración y la gráfica una serie por cada una"
                        " (por omisión, O2)")
    a.add_argument("--measure", default="time,counts", metavar="time,counts",
                   help="qué medir: time (tiempos), counts (cuentas de operaciones de"
                        " bench_X_cuentas, una ejecución por talla), events (o eventos: los"
                        " sucesos de la máquina de bench_X_eventos bajo el simulador de cachés"
                        " y saltos de valgrind, una ejecución por talla, con su propia parte"
                        " del tiempo; toma también las cuentas), o varias separadas por comas"
                        " (por omisión, time,counts)")
    a.add_argument("--bounds", metavar="F1,F2,F3",
                   help="cotas candidatas en lugar de las del programa, escritas con n, números,"
                        " + - * / ^ o ** (potencia), paréntesis y log (neperiano), log2, log10,"
                        " sqrt, exp: n^2, n*log(n), 2^n, n^3; cada una con valor finito y"
                        f" positivo en alguna talla, y de {LONGITUD_MAXIMA} caracteres como mucho")
    a.add_argument("--model", metavar="T1,T2,...",
                   help="coste teórico que ajustar, t(n) = a₀·T1 + a₁·T2 + ..., por mínimos"
                        " cuadrados relativos, con el intervalo del 95 %% de cada constante:"
                        " n^2,n,1; por omisión, el del programa; «none» para no ajustarlo. Sus"
                        " términos, distintos e independientes, necesitan una talla más que"
                        " términos donde todos tengan valor")
    a.add_argument("--input", metavar="ENTRADA[,ENTRADA...]",
                   help="tipos de entrada de las ordenaciones: " + ", ".join(ENTRADAS)
                        + " o all; cada tipo es una serie propia, medida con bench_X_entradas"
                        " (compilado como O2) y bench_X_cuentas; floyd y hanoi no tienen tipos"
                        " y se estudian como siempre (por omisión, la entrada aleatoria de"
                        " bench_X)")
    a.add_argument("--time", metavar="SEGUNDOS",
                   help="tiempo objetivo de todo el barrido: cada serie (programa,"
                        " configuración y tipo de entrada) recibe su parte y se omiten las"
                        f" tallas mayores que no quepan en ella (por omisión, {CUOTA_POR_SERIE:g}"
                        f" s por serie con las tallas del programa; como mucho {MAX_TIEMPO:g} s)")
    a.add_argument("--together", action="store_true",
                   help="con varios programas: una gráfica con todos y una tabla de sus tiempos"
                        " (y cuentas) a cada talla relativos al más rápido")
    a.add_argument("--bin", default=str(BIN), metavar="DIR",
                   help="dónde están los programas (por omisión, build/bin del repositorio)")
    a.add_argument("--out", default=str(RAIZ / "results"), metavar="DIR",
                   help="dónde escribir los TSV, las gráficas y el informe (por omisión,"
                        " results/ del repositorio, que git ignora); un estudio nuevo retira"
                        " antes los ficheros que el anterior anotó en su ficheros.txt, y dos"
                        " barridos a la vez no pueden escribir en el mismo")
    a.add_argument("--png", action="store_true", help="dibuja también cada gráfica en PNG")
    return a
