"""tools/sweep --append DIR: more invocations of the plan of the study
saved in DIR, measured into DIR, and the study analysed again with all of
them. Only the same plan is added to: the same programs, kinds of input,
builds and binaries (--bin may say where they are now), and sizes the
study measured (--sizes may pick some of them); anything else is refused
with the reason, before any file of the study is touched."""

import hashlib
import json
import shlex
import statistics
from dataclasses import dataclass, field
from pathlib import Path
from typing import Dict, List, Mapping, Optional, Sequence

from .argumentos import Analizador, entero
from ..datos.cotas import leer_cotas
from ..datos.errores import ErrorDeUso
from ..datos.estudio import Estudio
from ..datos.almacen import FICHERO as ALMACEN, cargar
from ..datos.medidas import MEDIDAS
from ..datos.programas import PROGRAMAS, Programa
from ..datos.sistema import motivo
from ..datos.tallas import leer_tallas
from ..datos.tsv_previo import leer_estudios
from .analizador import MAX_RONDAS
from .opciones import Opciones

# The hint for the unstable sizes, and the docs, quote the command this way.
ORDEN = "tools/sweep --append"


@dataclass
class Guardado:
    """A study saved in a directory: its record, its plan, and each series'
    study by its label («insertion», «insertion ordenada»)."""

    directorio: Path
    registro: Dict[str, object]
    plan: Dict[str, object]
    estudios: Dict[str, Estudio] = field(default_factory=dict)
    # The programs that take the new invocations (None: all); the others'
    # series are analysed and written again as they were.
    elegidos: Optional[List[str]] = None

    def tallas(self, etiqueta: str) -> List[int]:
        return [int(n) for n in self.plan["tallas"].get(etiqueta, [])]  # type: ignore[union-attr]

    def por_anadir(self, programa: str, etiqueta: str, tallas: Optional[List[int]]) -> List[int]:
        """The sizes of one series that take invocations: none for a program
        not chosen; of --sizes, those this series measured (the programs
        of a study have sizes of their own); otherwise all of its own."""
        if self.elegidos is not None and programa not in self.elegidos:
            return []
        suyas = self.tallas(etiqueta)
        return suyas if tallas is None else [n for n in tallas if n in suyas]

    def registro_tras(self, nuevo: Mapping[str, object], orden: Sequence[str]) -> Dict[str, object]:
        """The record of the study once this command added to it: the
        plan and the command that made it stay; the commands that added to
        it are listed; what was measured of the machine now is the new
        record's."""
        datos = dict(nuevo)
        for clave in ("orden", "plan", "repetir"):
            if clave in self.registro:
                datos[clave] = self.registro[clave]
        anteriores = self.registro.get("anadidos")
        datos["anadidos"] = (list(anteriores) if isinstance(anteriores, list) else []) + [
            shlex.join(["tools/sweep", *orden])]
        return datos

    def referencia_tras(self, propia: Dict[str, object]) -> Dict[str, object]:
        """The reference's samples for the record: the study's, then this
        sweep's."""
        previa = self.registro.get("referencia")
        if not (isinstance(previa, dict) and isinstance(previa.get("muestras_s"), list)):
            return propia
        muestras = [float(m) for m in previa["muestras_s"] if isinstance(m, (int, float))]
        juntas = dict(propia, muestras_s=muestras + list(propia["muestras_s"]))  # type: ignore
        juntas["lentas"] = int(previa.get("lentas") or 0) + int(propia["lentas"])  # type: ignore
        if juntas["muestras_s"]:
            juntas["mediana_s"] = statistics.median(juntas["muestras_s"])
        return juntas

    def repetidas(self) -> int:
        """Invocations the study had already measured again."""
        ocupada = self.registro.get("ocupada")
        return int(ocupada.get("medidas_de_nuevo") or 0) if isinstance(ocupada, dict) else 0


def leer_guardado(directorio: Path) -> Guardado:
    """The plan of the study in `directorio` (its registro.json) and the
    values of its series (its store, estudio.json, or the TSVs of a study
    saved before the store); an ErrorDeUso says what is missing."""
    ruta = directorio / "registro.json"
    try:
        registro = json.loads(ruta.read_text(encoding="utf-8"))
    except FileNotFoundError:
        raise ErrorDeUso(f"{directorio} no tiene registro.json: no hay un estudio al que"
                         " añadir") from None
    except (OSError, UnicodeDecodeError, json.JSONDecodeError) as e:
        raise ErrorDeUso(f"no se pudo leer {ruta}: {motivo(e)}") from None
    plan = registro.get("plan") if isinstance(registro, dict) else None
    if not isinstance(plan, dict) or not isinstance(plan.get("tallas"), dict):
        raise ErrorDeUso(f"{ruta} no dice el plan del estudio (su clave plan.tallas)")
    if (directorio / ALMACEN).exists():
        guardados = cargar(directorio / ALMACEN).estudios
    else:
        leidos, fallos = leer_estudios(directorio)
        if fallos:
            raise ErrorDeUso(next(iter(fallos.values())))
        guardados = list(leidos.values())
    estudios = {e.etiqueta: e for e in guardados}
    return Guardado(directorio, registro, plan, estudios)


def huella(ruta: Path) -> str:
    """The SHA-256 of a binary: the same binary, wherever it is now."""
    h = hashlib.sha256()
    with open(ruta, "rb") as f:
        for bloque in iter(lambda: f.read(1 << 20), b""):
            h.update(bloque)
    return h.hexdigest()


def huellas(directorio: Path, estudios: Sequence[Estudio]) -> Dict[str, str]:
    """Binary name -> its SHA-256, for every binary the studies ran."""
    resultado = {}
    for estudio in estudios:
        medidas = [m for m in MEDIDAS if not MEDIDAS[m].por_configuracion and estudio.valores_de(m)]
        for configuracion in estudio.configuraciones + medidas:
            nombre = estudio.programa.binario(configuracion, estudio.entrada)
            try:
                resultado[nombre] = huella(directorio / nombre)
            except OSError:
                pass
    return resultado


def _series(guardado: Guardado) -> List[tuple]:
    """(program, kind of input or None, label) of every series of the plan."""
    series = []
    for etiqueta in guardado.plan["tallas"]:  # type: ignore[union-attr]
        nombre, *entrada = str(etiqueta).split()
        if nombre not in PROGRAMAS or len(entrada) > 1:
            raise ErrorDeUso(f"el plan de {guardado.directorio} nombra la serie «{etiqueta}»,"
                             " que no es de ningún programa")
        series.append((PROGRAMAS[nombre], entrada[0] if entrada else None, str(etiqueta)))
    return series


def comprobar(guardado: Guardado, directorio_bin: Path, bin_dado: bool,
              tallas: Optional[List[int]]) -> List[tuple]:
    """Refuses, with the reason, what would not add to the same plan: a
    study of counts alone, a program it did not measure, a series without
    its TSV, a size no chosen series measured, a binary missing or not the
    study's. The series, checked."""
    plan = guardado.plan
    if not {"time", "tiempo"} & set(plan.get("medidas") or []):  # records before the Spanish names said time
        raise ErrorDeUso(f"el estudio de {guardado.directorio} solo contó operaciones: las"
                         " cuentas salen iguales cada vez, no hay nada que añadir")
    series = _series(guardado)
    huellas_del_estudio = plan.get("huellas")
    if not isinstance(huellas_del_estudio, dict):
        suyo = Path(str(plan.get("programas", ""))).resolve()
        if bin_dado and directorio_bin.resolve() != suyo:
            raise ErrorDeUso(f"el estudio de {guardado.directorio} no anotó las huellas de sus"
                             f" programas: solo se le añade con los de {suyo}, que midió")
    nombres = [p.nombre for p, _, _ in series]
    ajenos = [p for p in guardado.elegidos or [] if p not in nombres]
    if ajenos:
        raise ErrorDeUso(f"el estudio de {guardado.directorio} no midió {', '.join(ajenos)}"
                         f" (midió {', '.join(dict.fromkeys(nombres))})")
    elegidas = [(p, etiqueta) for p, _, etiqueta in series
                if guardado.elegidos is None or p.nombre in guardado.elegidos]
    if tallas is not None:
        ajenas = [n for n in tallas
                  if not any(n in guardado.tallas(etiqueta) for _, etiqueta in elegidas)]
        if ajenas:
            medidas = "; ".join(f"{etiqueta}: {', '.join(map(str, guardado.tallas(etiqueta)))}"
                                for _, etiqueta in elegidas)
            raise ErrorDeUso(f"--sizes: el estudio no midió {', '.join(map(str, ajenas))}"
                             f" (midió {medidas}): solo se añaden invocaciones a sus tallas")
    for programa, entrada, etiqueta in series:
        estudio = guardado.estudios.get(etiqueta)
        if estudio is None or not estudio.puntos:
            raise ErrorDeUso(f"falta en {guardado.directorio} el TSV con los tiempos de"
                             f" {etiqueta}, que su plan nombra")
        for configuracion in estudio.configuraciones:
            _mismo_binario(programa.binario(configuracion, entrada), directorio_bin,
                           huellas_del_estudio)
    return series


def _mismo_binario(nombre: str, directorio_bin: Path, suyas: object):
    ruta = directorio_bin / nombre
    if not ruta.is_file():
        raise ErrorDeUso(f"falta {ruta}, que el estudio midió")
    if isinstance(suyas, dict) and nombre in suyas:
        try:
            propia = huella(ruta)
        except OSError as e:
            raise ErrorDeUso(f"no se pudo leer {ruta}: {e.strerror}") from None
        if propia != suyas[nombre]:
            raise ErrorDeUso(f"{ruta} no es el binario que midió el estudio (su SHA-256 es otro):"
                             " añadirle invocaciones mezclaría dos programas; mídalo en otro --out")


def analizador() -> Analizador:
    a = Analizador("tools/sweep --append DIR --help", prog="sweep",
                   description="Mide más invocaciones del plan del estudio guardado en DIR"
                               " (los mismos programas, tallas, tipos de entrada y binarios) y"
                               " lo analiza de nuevo con todas.")
    a.add_argument("--append", required=True, metavar="DIR", help="el estudio al que añadir")
    a.add_argument("programas", nargs="*", metavar="PROGRAMA",
                   help="solo estos programas del estudio (por omisión, todos)")
    a.add_argument("--repeat", metavar="K",
                   help="rondas que añadir (por omisión, las del estudio)")
    a.add_argument("--sizes", metavar="TALLAS",
                   help="solo estas tallas del estudio (por omisión, todas)")
    a.add_argument("--bin", metavar="DIR",
                   help="dónde están ahora los programas del estudio (por omisión, donde"
                        " estaban); deben ser los mismos binarios")
    a.add_argument("--png", action="store_true", help="dibuja también cada gráfica en PNG")
    return a


def leer_anadido(argv: Sequence[str]) -> tuple:
    """(the options of the sweep that adds to the study, the study saved):
    every check made before anything is measured or removed; a bad one ends
    the program with one line on standard error and status 2."""
    a = analizador()
    args = a.parse_args(argv)
    try:
        directorio = Path(args.append)
        if not args.append.strip():
            raise ErrorDeUso("--append con un valor vacío: dele el directorio de un estudio")
        guardado = leer_guardado(directorio)
        guardado.elegidos = list(dict.fromkeys(args.programas)) or None
        plan = guardado.plan
        rondas = (entero(args.repeat, "--repeat", 1, MAX_RONDAS) if args.repeat is not None
                  else int(plan.get("rondas") or 1))
        tallas = leer_tallas(args.sizes) if args.sizes is not None else None
        directorio_bin = Path(args.bin if args.bin is not None else str(plan.get("programas")))
        series = comprobar(guardado, directorio_bin, args.bin is not None, tallas)
        opciones = _opciones(guardado, series, rondas, tallas, directorio_bin, args.png)
    except ErrorDeUso as e:
        a.error(str(e))
    return opciones, guardado


def _opciones(guardado: Guardado, series: List[tuple], rondas: int,
              tallas: Optional[List[int]], directorio_bin: Path, png: bool) -> Opciones:
    plan = guardado.plan
    programas: List[Programa] = []
    entradas: List[str] = []
    for programa, entrada, _ in series:
        if programa not in programas:
            programas.append(programa)
        if entrada and entrada not in entradas:
            entradas.append(entrada)
    cotas = plan.get("cotas")
    modelo = plan.get("modelo")
    precision = plan.get("precision")
    orden = shlex.split(str(guardado.registro.get("orden", "")))
    return Opciones(
        programas, list(plan.get("configuraciones") or ["O2"]), tallas,
        leer_cotas(",".join(cotas)) if cotas else None,
        modelo if isinstance(modelo, str) else None,
        True, False, float(precision) if precision else None,
        int(plan.get("semilla") or 1), rondas, max(int(plan.get("max_rondas") or 15), rondas),
        float(plan.get("presupuesto_s") or 10.0), directorio_bin, guardado.directorio,
        "--together" in orden, png, entradas or None, None)
