"""The options of tools/sweep: what argparse reads (ordenes/analizador.py
defines it), checked whole, and what they become."""

import argparse
import random
import shlex
import tempfile
from dataclasses import dataclass
from pathlib import Path
from typing import List, Mapping, Optional, Sequence, Tuple

from .argumentos import entero, real
from ..datos.cotas import Cota, leer_cotas, sin_valor_en
from ..datos.errores import ErrorDeUso
from ..datos.medidas import CUENTAS, EVENTOS, nombradas, opciones_validas, por_opcion
from ..datos.programas import (CONFIGURACION_ENTRADAS, Programa, elegir_configuraciones,
                               elegir_entradas, elegir_programas)
from ..datos.sistema import motivo
from ..datos.tallas import leer_tallas
from ..datos.texto import cortar, visible
from .analizador import (BIN, CUOTA_POR_SERIE, MAX_PRESUPUESTO, MAX_RONDAS, MAX_SEMILLA,
                         MAX_TIEMPO, analizador)


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
            # The events are a series of their own on each kind: they must
            # not eat the times' share.
            total += kinds * (confs + (EVENTOS.nombre in self.nombradas))
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
    """The measures --measure names, by their option, in the table's order.
    The events are per operation: asking for them takes the counts too."""
    pedidas = [m.strip() for m in texto.split(",") if m.strip()]
    validas = opciones_validas()
    try:
        opciones = {por_opcion(m).opcion for m in pedidas}
    except ErrorDeUso:
        opciones = set()
    if not pedidas or not opciones:
        raise ErrorDeUso(f"--measure «{cortar(texto)}»: elija {', '.join(validas[:-1])} o"
                         f" {validas[-1]},"
                         " o varias separadas por comas")
    if EVENTOS.opcion in opciones:
        opciones.add(CUENTAS.opcion)
    return [m for m in validas if m in opciones]


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
