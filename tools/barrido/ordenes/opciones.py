"""The options of tools/sweep: what argparse reads and what they become."""

import argparse
import random
import shlex
import tempfile
from dataclasses import dataclass
from pathlib import Path
from typing import List, Mapping, Optional, Sequence, Tuple

from .argumentos import Analizador, entero, real
from ..datos.cotas import LONGITUD_MAXIMA, Cota, leer_cotas, sin_valor_en
from ..datos.errores import ErrorDeUso
from ..datos.medidas import nombradas, opciones_validas
from ..datos.programas import (CONFIGURACION_ENTRADAS, ENTRADAS, PROGRAMAS, Programa,
                        elegir_configuraciones, elegir_entradas, elegir_programas)
from ..datos.sistema import motivo
from ..datos.tallas import MAX_TALLA, MAX_TALLAS, leer_tallas
from ..datos.texto import cortar, visible

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
            "  tools/sweep --append DIR [--repeat K] [--sizes TALLAS] [--bin DIR]\n"
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
                        " bench_X_cuentas, una ejecución por talla) o ambos (por omisión)")
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


@dataclass
class Opciones:
    """The options of one sweep, checked and typed."""

    programas: List[Programa]
    configuraciones: List[str]
    tallas: Optional[List[int]]  # None: each program's own
    cotas: Optional[List[Cota]]  # None: each program's own
    modelo: Optional[str]  # None: each program's own; "": none
    tiempos: bool
    cuentas: bool
    precision: Optional[float]  # relative half-width wanted of each median's interval
    semilla: int
    rondas: int  # --repeat
    max_rondas: int  # --max-repeat
    presupuesto: float  # --budget, seconds
    directorio_bin: Path  # --bin
    salida: Path  # --out
    juntos: bool  # --together
    png: bool
    entradas: Optional[List[str]] = None  # --input; None: the specified programs' input
    tiempo: Optional[float] = None  # --time, seconds for the whole sweep
    # --measure as given, when it names more than time and counts
    pedidas: Optional[List[str]] = None

    def series(self) -> int:
        """How many series the sweep will measure: a program, a
        configuration and a kind of input each."""
        total = 0
        for programa in self.programas:
            kinds = len(self.entradas) if self.entradas and programa.entradas else 1
            confs = max(1, len([c for c in self.configuraciones
                                if c in programa.configuraciones])) if self.tiempos else 1
            total += kinds * confs
        return max(total, 1)

    def cuota(self) -> float:
        """The seconds of one series."""
        return self.tiempo / self.series() if self.tiempo else CUOTA_POR_SERIE

    def terminos(self, programa: Programa) -> List[Cota]:
        texto = programa.modelo if self.modelo is None else self.modelo
        return leer_cotas(texto) if texto else []

    @property
    def medidas(self) -> List[str]:
        if self.pedidas is not None:
            return list(self.pedidas)
        return (["time"] if self.tiempos else []) + (["counts"] if self.cuentas else [])

    @property
    def nombradas(self) -> List[str]:
        """The measures asked for that report named values (the counts...),
        each run once per size by a build of its own."""
        return nombradas(self.medidas)

    def opciones_del_plan(self) -> List[str]:
        """The options that decide what a sweep measures and concludes,
        besides the programs and their sizes, as the command line writes
        them: the seed and rounds (when there are times), the builds, the
        measures, the budget, the precision, the bounds, the model and where
        the programs are."""
        argumentos = []
        if self.tiempos:
            argumentos += ["--seed", str(self.semilla), "--repeat", str(self.rondas),
                           "--config", ",".join(self.configuraciones)]
        argumentos += ["--measure", ",".join(self.medidas), "--budget", f"{self.presupuesto:g}"]
        if self.precision is not None and self.tiempos:
            argumentos += ["--precision", f"{100 * self.precision:g}%", "--max-repeat",
                           str(self.max_rondas)]
        if self.cotas:
            argumentos += ["--bounds", ",".join(c.texto for c in self.cotas)]
        if self.modelo is not None:
            argumentos += ["--model", self.modelo or "none"]
        if self.directorio_bin.resolve() != BIN.resolve():
            argumentos += ["--bin", str(self.directorio_bin)]
        return argumentos

    def repetir(self, tallas: Mapping[str, Sequence[int]]) -> List[str]:
        """The commands that repeat the plan of a sweep whose series (a
        program, «insertion», or a program on a kind of input, «insertion
        ordenada») measured these sizes, in this order: each command pins
        the sizes (a budget must not leave out on the rerun what the sweep
        measured, nor add what it left out), so series that measured
        different sizes get a command each; neighbours that measured the
        same on the same input share one."""
        grupos: List[Tuple[List[str], Tuple[str, ...], Tuple[int, ...]]] = []
        for etiqueta, ns in tallas.items():
            nombre, *entrada = etiqueta.split()
            entradas = ("--input", entrada[0]) if entrada else ()
            if grupos and grupos[-1][1:] == (entradas, tuple(ns)):
                grupos[-1][0].append(nombre)
            else:
                grupos.append(([nombre], entradas, tuple(ns)))
        juntos = ["--together"] if self.juntos and len(grupos) == 1 else []
        return [shlex.join(["tools/sweep", *nombres, *entradas, "--sizes", ",".join(map(str, ns)),
                            *self.opciones_del_plan(), *juntos,
                            "--out", salida_de_repeticion(self.salida, k, len(grupos))])
                for k, (nombres, entradas, ns) in enumerate(grupos, 1)]


def salida_de_repeticion(salida: Path, k: int, total: int) -> str:
    """Where the k-th of `total` commands that repeat a study writes: a
    folder of its own beside the study's, never the study's own (a new study
    removes the previous one's files) nor another command's (run in order,
    each would remove the one before)."""
    sufijo = "-repeticion" + (f"-{k}" if total > 1 else "")
    return str(salida).rstrip("/") + sufijo


def _medidas(texto: str) -> List[str]:
    pedidas = [m.strip() for m in texto.split(",") if m.strip()]
    validas = opciones_validas()
    if not pedidas or any(m not in validas for m in pedidas):
        raise ErrorDeUso(f"--measure «{cortar(texto)}»: elija {', '.join(validas[:-1])} o {validas[-1]},"
                         " o varias separadas por comas")
    return [m for m in validas if m in pedidas]


def _precision(texto: str) -> float:
    limpio = texto.strip()
    porcentaje = limpio.endswith("%")
    numero = limpio.rstrip("%").strip()
    try:
        if not numero.isascii():
            raise ValueError
        valor = float(numero) / (100 if porcentaje else 1)
    except ValueError:
        raise ErrorDeUso(f"--precision «{cortar(texto)}» no es un número ni un porcentaje") from None
    if not 0 < valor < 1:
        raise ErrorDeUso("--precision debe estar entre 0 y 100 %, sin incluirlos")
    return valor


def _no_vacias(a: argparse.ArgumentParser, args: argparse.Namespace):
    """An option given an empty value is refused, rather than taken as not
    given."""
    for accion in a._actions:
        valor = getattr(args, accion.dest, None)
        if accion.option_strings and isinstance(valor, str) and not valor.strip():
            raise ErrorDeUso(f"{accion.option_strings[-1]} con un valor vacío: dele uno o quite"
                             " la opción")


def _salida_escribible(directorio: Path):
    """Refuses an output directory that cannot be written, before anything
    is measured."""
    try:
        directorio.mkdir(parents=True, exist_ok=True)
        with tempfile.TemporaryFile(dir=directorio):
            pass
    except OSError as e:
        raise ErrorDeUso(f"no se puede escribir en --out {visible(str(directorio))}:"
                         f" {motivo(e)}") from None


def _comprobar_cotas(cotas: Sequence[Cota], tallas: Sequence[int], donde: str):
    for cota in cotas:
        if motivo := sin_valor_en(cota, tallas):
            raise ErrorDeUso(f"--bounds: «{cortar(cota.texto)}» no tiene valor en ninguna talla"
                             f" {donde}"
                             f" ({motivo})")


def _comprobar_modelo(texto: str, terminos: Sequence[Cota], tallas: Sequence[int], donde: str):
    """A model the sweep could not fit on these sizes is refused with the
    reason: a term with no value at any size, a term twice, or no more
    sizes where every term has a value than terms (a fit through as many
    points as constants is exact and says nothing). Terms that are not
    independent at the sizes measured are the analysis's to report."""
    vistos = set()
    for termino in terminos:
        if termino.texto in vistos:
            raise ErrorDeUso(f"--model {cortar(texto)}: el término «{cortar(termino.texto)}»"
                             " está repetido")
        vistos.add(termino.texto)
        if motivo := sin_valor_en(termino, tallas):
            raise ErrorDeUso(f"--model: «{cortar(termino.texto)}» no tiene valor en ninguna talla"
                             f" {donde} ({motivo})")
    validas = [n for n in tallas if all(t(n) is not None for t in terminos)]
    if len(validas) <= len(terminos):
        cuantos = f"{len(terminos)} término" + ("s" if len(terminos) > 1 else "")
        raise ErrorDeUso(f"--model {cortar(texto)}: un modelo de {cuantos} necesita"
                         f" al menos {len(terminos) + 1} tallas en que todos tengan valor, y"
                         f" hay {len(validas)} {donde}")


def leer_opciones(argv: Optional[Sequence[str]]) -> Opciones:
    """The options, checked whole before anything runs; a bad one ends the
    program with one line on standard error and status 2."""
    a = analizador()
    args = a.parse_args(argv)
    try:
        _no_vacias(a, args)
        medidas = _medidas(args.measure)
        rondas = entero(args.repeat, "--repeat", 1, MAX_RONDAS)
        if args.max_repeat is None:
            max_rondas = max(15, rondas)
        else:
            max_rondas = entero(args.max_repeat, "--max-repeat", 1, MAX_RONDAS)
            if max_rondas < rondas:
                raise ErrorDeUso(f"--max-repeat {max_rondas} no puede ser menor que --repeat"
                                 f" {rondas}")
        presupuesto = real(args.budget, "--budget", MAX_PRESUPUESTO, " segundos (un día)")
        semilla = (entero(args.seed, "--seed", -MAX_SEMILLA, MAX_SEMILLA) if args.seed is not None
                   else random.SystemRandom().randrange(1, 10**6))
        programas = elegir_programas(args.programas)
        configuraciones = elegir_configuraciones(args.config)
        tiempo = (real(args.time, "--time", MAX_TIEMPO, " segundos (una semana)")
                  if args.time is not None else None)
        entradas = elegir_entradas(args.input) if args.input is not None else None
        if entradas and configuraciones != [CONFIGURACION_ENTRADAS]:
            otras = [c for c in configuraciones if c != CONFIGURACION_ENTRADAS]
            raise ErrorDeUso(f"--input mide cada tipo de entrada con bench_X_entradas, compilado"
                             f" como {CONFIGURACION_ENTRADAS}; {', '.join(otras)} no tiene esa"
                             " compilación")
        tallas = leer_tallas(args.sizes) if args.sizes is not None else None
        cotas = leer_cotas(args.bounds) if args.bounds is not None else None
        modelo = args.model
        if modelo is not None and modelo.strip() == "none":
            modelo = ""
        terminos = leer_cotas(modelo) if modelo else []
        # Bounds and a model given are checked against the sizes they will
        # meet: --sizes, or else each program's own.
        for programa in programas if tallas is None else programas[:1]:
            suyas = tallas or leer_tallas(programa.tallas)
            donde = "de --sizes" if tallas else f"de {programa.nombre}"
            _comprobar_cotas(cotas or [], suyas, donde)
            if terminos:
                _comprobar_modelo(modelo, terminos, suyas, donde)
        opciones = Opciones(
            programas, configuraciones, tallas, cotas, modelo,
            "time" in medidas, "counts" in medidas,
            _precision(args.precision) if args.precision is not None else None,
            semilla, rondas, max_rondas, presupuesto, Path(args.bin), Path(args.out),
            args.together, args.png, entradas, tiempo,
            medidas if set(medidas) - {"time", "counts"} else None,
        )
        _salida_escribible(opciones.salida)
    except ErrorDeUso as e:
        a.error(str(e))
    return opciones
