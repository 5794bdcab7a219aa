"""The options of tools/sweep: what argparse reads and what they become."""

import argparse
import random
import shlex
import tempfile
from dataclasses import dataclass
from pathlib import Path
from typing import List, Mapping, Optional, Sequence, Tuple

from .ayuda import Analizador
from .cotas import Cota, leer_cotas
from .errores import ErrorDeUso
from .programas import (CONFIGURACION_ENTRADAS, ENTRADAS, PROGRAMAS, Programa,
                        elegir_configuraciones, elegir_entradas, elegir_programas)
from .tallas import leer_tallas

RAIZ = Path(__file__).resolve().parent.parent.parent

MEDIDAS = ("time", "counts")
RONDAS = 5  # --repeat by default
PRESUPUESTO = 10.0  # --budget by default, seconds
BIN = RAIZ / "build" / "bin"  # --bin by default

# Seconds each series (a program in one configuration, on one kind of
# input, with its counts) may take when no --time is given: `tools/sweep
# all`, eight series, then ends within four minutes on a 2-core machine,
# start-up and analysis included.
CUOTA_POR_SERIE = 25.0


def _lista_programas() -> str:
    return "\n".join(
        f"  {p.nombre:<10} {', '.join(p.configuraciones)}; tallas {p.tallas};"
        f" cotas {', '.join(p.cotas)}; modelo {p.modelo}"
        for p in PROGRAMAS.values()
    )


def analizador() -> argparse.ArgumentParser:
    a = Analizador(
        prog="sweep",
        formatter_class=argparse.RawDescriptionHelpFormatter,
        description=(
            "Ejecuta los programas sobre una serie de tallas, una ejecución cada vez\n"
            "(nunca en paralelo: dos ejecuciones a la vez se estorban y falsean sus tiempos),\n"
            "y convierte sus líneas «n segundos» en un estudio: tabla con la mediana y la\n"
            "dispersión de cada talla, cocientes t(n)/f(n) frente a tres cotas candidatas,\n"
            "crecimiento ajustado con su intervalo del 95 %, el veredicto sobre los tiempos y\n"
            "el crecimiento exacto que dicen las cuentas de operaciones (bench_X_cuentas);\n"
            "además un TSV y gráficas (gnuplot) por programa, resumen.tsv, registro.json e\n"
            "informe.md en --out.\n\n"
            "  tools/sweep compare DIR_A DIR_B   compara dos estudios guardados"
        ),
        epilog=(
            "programas (configuraciones; tallas, cotas y modelo por omisión):\n"
            + _lista_programas() +
            "\n\nejemplos:\n  tools/sweep insertion quicksort --config O0,O2\n"
            "  tools/sweep hanoi --sizes 10:30:+2 --bounds '2^n,n^3'\n"
            "  tools/sweep selection bubble insertion --together\n"
            "  tools/sweep quicksort --precision 2%\n"
            "  tools/sweep all"
        ),
    )
    a.add_argument("programas", nargs="+", metavar="PROGRAMA",
                   help=f"nombre corto ({', '.join(PROGRAMAS)}) o all para los ocho")
    a.add_argument("--sizes", metavar="TALLAS",
                   help="tallas: lista (1000,2000,4000), rango geométrico (1000:256000:x2) o"
                        " aritmético (10:30:+2), o una lista de ellos; por omisión, las del"
                        " programa")
    a.add_argument("--budget", type=float, default=PRESUPUESTO, metavar="SEGUNDOS",
                   help="antes de cada talla se prevé lo que tardará una ejecución a partir de"
                        " las ya medidas, y se omite (con las mayores) si pasa de esto; una"
                        " ejecución que pasa de 3·SEGUNDOS + 1 se detiene (por omisión,"
                        f" {PRESUPUESTO:g})")
    a.add_argument("--repeat", type=int, default=RONDAS, metavar="R",
                   help="rondas: cada una ejecuta una vez cada talla y configuración, la primera"
                        " en orden creciente y las demás en orden barajado; la tabla da la"
                        " mediana, el mínimo y el máximo de las R ejecuciones, y el ajuste y el"
                        f" veredicto toman la más rápida de cada talla (por omisión, {RONDAS})")
    a.add_argument("--seed", type=int, metavar="S",
                   help="semilla del orden barajado y del bootstrap; la salida dice la usada"
                        " (por omisión, una al azar)")
    a.add_argument("--precision", metavar="P",
                   help="añade rondas a las tallas cuyo intervalo del 95 %% de la mediana es"
                        " más ancho que ±P (p. ej. 2%%), hasta --max-repeat ejecuciones")
    a.add_argument("--max-repeat", type=int, default=15, metavar="M",
                   help="ejecuciones por talla como mucho con --precision (por omisión, 15)")
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
                        " sqrt, exp: n^2, n*log(n), 2^n, n^3")
    a.add_argument("--model", metavar="T1,T2,...",
                   help="coste teórico que ajustar, t(n) = a₀·T1 + a₁·T2 + ..., por mínimos"
                        " cuadrados relativos, con el intervalo del 95 %% de cada constante:"
                        " n^2,n,1; por omisión, el del programa; «none» para no ajustarlo")
    a.add_argument("--input", metavar="ENTRADA[,ENTRADA...]",
                   help="tipos de entrada de las ordenaciones: " + ", ".join(ENTRADAS)
                        + " o all; cada tipo es una serie propia, medida con bench_X_entradas"
                        " (compilado como O2) y bench_X_cuentas; floyd y hanoi no tienen tipos"
                        " y se estudian como siempre (por omisión, la entrada aleatoria de"
                        " bench_X)")
    a.add_argument("--time", type=float, metavar="SEGUNDOS",
                   help="tiempo objetivo de todo el barrido: cada serie (programa,"
                        " configuración y tipo de entrada) recibe su parte y se omiten las"
                        f" tallas mayores que no quepan en ella (por omisión, {CUOTA_POR_SERIE:g}"
                        " s por serie)")
    a.add_argument("--together", action="store_true",
                   help="con varios programas: una gráfica con todos y una tabla de sus tiempos"
                        " (y cuentas) a cada talla relativos al más rápido")
    a.add_argument("--bin", type=Path, default=BIN, metavar="DIR",
                   help="dónde están los programas (por omisión, build/bin del repositorio)")
    a.add_argument("--out", type=Path, default=RAIZ / "results", metavar="DIR",
                   help="dónde escribir los TSV, las gráficas y el informe (por omisión,"
                        " results/ del repositorio, que git ignora)")
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
        return (["time"] if self.tiempos else []) + (["counts"] if self.cuentas else [])

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
                            *self.opciones_del_plan(), *juntos])
                for nombres, entradas, ns in grupos]


def _medidas(texto: str) -> List[str]:
    pedidas = [m.strip() for m in texto.split(",") if m.strip()]
    if not pedidas or any(m not in MEDIDAS for m in pedidas):
        raise ErrorDeUso(f"--measure «{texto}»: elija time, counts o time,counts")
    return pedidas


def _precision(texto: str) -> float:
    try:
        valor = float(texto.rstrip("%")) / (100 if texto.endswith("%") else 1)
    except ValueError:
        raise ErrorDeUso(f"--precision «{texto}» no es un número ni un porcentaje") from None
    if not 0 < valor < 1:
        raise ErrorDeUso("--precision debe estar entre 0 y 100 %, sin incluirlos")
    return valor


def _salida_escribible(directorio: Path):
    """Refuses an output directory that cannot be written, before anything
    is measured."""
    try:
        directorio.mkdir(parents=True, exist_ok=True)
        with tempfile.TemporaryFile(dir=directorio):
            pass
    except OSError as e:
        raise ErrorDeUso(f"no se puede escribir en --out {directorio}: {e.strerror}") from None


def leer_opciones(argv: Optional[Sequence[str]]) -> Opciones:
    """The options, checked; a bad one ends the program through argparse
    with its message and status 2."""
    a = analizador()
    args = a.parse_args(argv)
    try:
        medidas = _medidas(args.measure)
        if args.repeat < 1:
            raise ErrorDeUso("--repeat debe ser al menos 1")
        if args.max_repeat < args.repeat:
            raise ErrorDeUso("--max-repeat no puede ser menor que --repeat")
        if not args.budget > 0:
            raise ErrorDeUso("--budget debe ser mayor que 0")
        if args.time is not None and not args.time > 0:
            raise ErrorDeUso("--time debe ser mayor que 0")
        entradas = elegir_entradas(args.input) if args.input is not None else None
        configuraciones = elegir_configuraciones(args.config)
        if entradas and configuraciones != [CONFIGURACION_ENTRADAS]:
            otras = [c for c in configuraciones if c != CONFIGURACION_ENTRADAS]
            raise ErrorDeUso(f"--input mide cada tipo de entrada con bench_X_entradas, compilado"
                             f" como {CONFIGURACION_ENTRADAS}; {', '.join(otras)} no tiene esa"
                             " compilación")
        modelo = None if args.model is None else ("" if args.model == "none" else args.model)
        if modelo:
            leer_cotas(modelo)
        opciones = Opciones(
            elegir_programas(args.programas), configuraciones,
            leer_tallas(args.sizes) if args.sizes else None,
            leer_cotas(args.bounds) if args.bounds else None, modelo,
            "time" in medidas, "counts" in medidas,
            _precision(args.precision) if args.precision else None,
            args.seed if args.seed is not None else random.SystemRandom().randrange(1, 10**6),
            args.repeat, args.max_repeat, args.budget, args.bin, args.out, args.together,
            args.png, entradas, args.time,
        )
        _salida_escribible(args.out)
    except ErrorDeUso as e:
        a.error(str(e))
    return opciones
