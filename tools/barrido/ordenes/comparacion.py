"""tools/sweep compare: two saved studies, A and B, read back into the
model (from estudio.json, or from the TSV files of a study saved before
it) and contrasted program by program (contraste.py): a table
per program of the ratio of medians t_A / t_B at each size with its 95 %
interval, the geometric mean of the ratios, and how the two records
differ."""

import json
import sys
from pathlib import Path
from typing import Dict, List, Optional, Sequence, Tuple

from .argumentos import Analizador, entero
from ..analisis.contraste import contrastar
from ..datos.almacen import FICHERO as ALMACEN, cargar
from ..analisis.maquina import comparar_maquinas, muestras_de
from ..datos.errores import ErrorDeUso
from ..datos.estudio import Estudio
from ..datos.lectura import leer_texto
from .analizador import RONDAS
from ..analisis.registros import diferencias
from ..medir.salida import Flujo, preparar_flujos
from .analizador import MAX_SEMILLA
from ..datos.tsv_previo import leer_estudios
from ..datos.sistema import motivo
from ..analisis.eventos import costes_de
from ..datos.medidas import EVENTOS
from ..datos.programas import CONFIGURACION_ENTRADAS
from ..escritura.costes import costes_lado_a_lado
from ..escritura.tabla_contraste import tabla_contraste
from ..redaccion.contraste import texto_contraste

# Resamples of the bootstrap: fewer than a hundred give no 95% interval
# worth the name; a hundred thousand already pin its ends to a small
# fraction of its width, and more only take longer.
MIN_REMUESTRAS = 100
MAX_REMUESTRAS = 100_000


def leer_estudio(directorio: Path,
                 fallos: Optional[Dict[str, str]] = None) -> Dict[str, Estudio]:
    """program (with its kind of input: insertion.ordenada) → its study, for
    the programs of a saved study that have times (a study that only
    counted has nothing to compare). The store is read when there is one,
    else the program TSVs of an older study; those that cannot be read go
    into `fallos` (program → why), or raise when it is not given."""
    ruta = directorio / ALMACEN
    if ruta.exists() or ruta.is_symlink():
        todos = {e.fichero: e for e in cargar(ruta).estudios}
        malos: Dict[str, str] = {}
    else:
        todos, malos = leer_estudios(directorio)
    if malos and fallos is None:
        raise ErrorDeUso(next(iter(malos.values())))
    if fallos is not None:
        fallos.update(malos)
    estudios = {nombre: e for nombre, e in todos.items() if e.puntos}
    if not estudios and not malos:
        raise ErrorDeUso(f"{directorio} no tiene ningún TSV de programa con tiempos (con las"
                         f" columnas n, configuracion, valores y valores en ellas) ni {ALMACEN}")
    return estudios


def _registro(directorio: Path) -> Tuple[Optional[dict], str]:
    ruta = directorio / "registro.json"
    if not ruta.exists():
        return None, f"sin registro.json en {directorio}"
    try:
        datos = json.loads(leer_texto(ruta))
    except ErrorDeUso as e:
        return None, f"registro.json ilegible en {directorio}: {e}"
    except ValueError as e:
        return None, f"registro.json ilegible en {directorio}: {motivo(e)}"
    except RecursionError:
        return None, f"registro.json ilegible en {directorio}: anidado demasiado hondo"
    if not isinstance(datos, dict):
        return None, f"registro.json de {directorio} no es un objeto"
    return datos, ""


def lineas_registro(dir_a: Path, dir_b: Path) -> List[str]:
    """The differences between the two records, or why there are none."""
    (ra, nota_a), (rb, nota_b) = _registro(dir_a), _registro(dir_b)
    if ra is None or rb is None:
        return [f"{lado}: {nota}" for lado, nota in (("A", nota_a), ("B", nota_b)) if nota]
    try:
        lineas = diferencias(ra, rb)
    except RecursionError:
        return ["registro.json anidado demasiado hondo para compararlo: no es un registro"
                " del barrido"]
    if all(l.startswith("orden:") for l in lineas):
        lineas.append("mismo registro, salvo la fecha y la orden")
    return lineas


def comparar(dir_a: Path, dir_b: Path, semilla: int, remuestras: int,
             fallos: Optional[List[str]] = None) -> Tuple[str, int]:
    """The text of the comparison and how many programs it paired; each
    file that could not be read goes into `fallos`, and its program is
    said unreadable rather than missing."""
    malos_a: Dict[str, str] = {}
    malos_b: Dict[str, str] = {}
    a, b = leer_estudio(dir_a, malos_a), leer_estudio(dir_b, malos_b)
    # A study saved before the store holds its times to 6 significant
    # digits; the other side is compared at that precision too, or the
    # rounding alone would read as a difference.
    con_almacen = [(dir_a / ALMACEN).exists(), (dir_b / ALMACEN).exists()]
    if con_almacen[0] != con_almacen[1]:
        for estudio in (a if con_almacen[0] else b).values():
            for p in estudio.puntos:
                p.valores = [float(format(v, ".6g")) for v in p.valores]
    if fallos is not None:
        fallos += list(malos_a.values()) + list(malos_b.values())
    salida = [f"A: {dir_a}", f"B: {dir_b}", "== registro =="] + lineas_registro(dir_a, dir_b)
    solos = [f"{p} solo en {lado}" for p, lado in
             [(p, "A") for p in a if p not in b and p not in malos_b]
             + [(p, "B") for p in b if p not in a and p not in malos_a]]
    solos += [f"{p} ilegible en {lado}" for lado, malos in (("A", malos_a), ("B", malos_b))
              for p in malos]
    if solos:
        salida.append("programas " + "; ".join(solos))
    (ra, _), (rb, _) = _registro(dir_a), _registro(dir_b)
    maquinas = comparar_maquinas(muestras_de(ra), muestras_de(rb), semilla, remuestras)
    salida.append(maquinas.texto() if maquinas else
                  "máquina: sin medidas de la carga de referencia en "
                  + " ni en ".join(lado for lado, r in (("A", ra), ("B", rb))
                                   if not muestras_de(r))
                  + "; no se sabe cuánto difirió su velocidad")
    comparados = 0
    for programa in [p for p in a if p in b]:
        contraste = contrastar(programa, a[programa], b[programa], semilla, remuestras)
        notas = contraste.notas
        salida.append(f"== {programa}" + (f" ({'; '.join(notas)})" if notas else "") + " ==")
        if not contraste.pares:
            salida.append("ninguna talla en común")
            continue
        contraste.maquinas = maquinas
        salida += [tabla_contraste(programa, contraste.pares), texto_contraste(contraste)]
        comparados += 1
    salida.append("A/B > 1: B es más rápido; *: el intervalo del 95 % (bootstrap sobre las"
                  " ejecuciones) excluye 1")
    salida += lineas_de_costes(a, b, semilla)
    return "\n".join(salida), comparados


def lineas_de_costes(a: Dict[str, Estudio], b: Dict[str, Estudio], semilla: int) -> List[str]:
    """What each event costs in each program's time on A and on B, side by
    side, for the programs both studies timed and simulated (fitted over
    each side's sizes and kinds of input)."""
    salida = []
    nombres = dict.fromkeys(e.programa.nombre for e in a.values())
    for nombre in [x for x in nombres if any(e.programa.nombre == x for e in b.values())]:
        lados = [[e for e in lado.values() if e.programa.nombre == nombre] for lado in (a, b)]
        if not all(any(e.valores_de(EVENTOS.nombre) for e in estudios) for estudios in lados):
            continue
        try:
            ca, cb = (costes_de(estudios, CONFIGURACION_ENTRADAS, semilla) for estudios in lados)
        except ErrorDeUso as e:
            salida.append(f"== costes de {nombre} ==\nsin costes: {e}")
            continue
        salida.append(f"== costes de {nombre} ({CONFIGURACION_ENTRADAS}), en ns por evento ==")
        if ca is None or cb is None:
            salida.append("uno de los dos estudios tiene pocos puntos con tiempo y eventos para"
                          " ajustar los costes")
            continue
        salida.append(costes_lado_a_lado(ca, cb))
    return salida


def main_comparar(argv: Sequence[str]) -> int:
    """tools/sweep compare DIR_A DIR_B. Usage errors leave through argparse
    (status 2); unreadable studies, or none paired, give status 1."""
    preparar_flujos()
    a = Analizador(
        "tools/sweep compare --help",
        prog="sweep compare",
        description="Compara dos estudios guardados (los TSV de dos --out): por programa,"
                    " configuración y talla, el cociente de medianas A/B con un intervalo del"
                    " 95 % por bootstrap sobre las ejecuciones, y por programa su media"
                    " geométrica. Con pocas ejecuciones por lado (el barrido hace"
                    f" {RONDAS} por omisión, --repeat) el intervalo es grueso.")
    a.add_argument("dir_a", metavar="DIR_A", help="el estudio A")
    a.add_argument("dir_b", metavar="DIR_B", help="el estudio B")
    a.add_argument("--seed", default="1", metavar="SEMILLA",
                   help="semilla del remuestreo (por omisión, 1)")
    a.add_argument("--resamples", default="2000", metavar="R",
                   help=f"remuestras del bootstrap (por omisión, 2000; de {MIN_REMUESTRAS} a"
                        f" {MAX_REMUESTRAS})")
    args = a.parse_args(argv)
    try:
        for nombre, valor in (("DIR_A", args.dir_a), ("DIR_B", args.dir_b)):
            if not valor.strip():
                raise ErrorDeUso(f"{nombre} está vacío")
        semilla = entero(args.seed, "--seed", -MAX_SEMILLA, MAX_SEMILLA)
        remuestras = entero(args.resamples, "--resamples", MIN_REMUESTRAS, MAX_REMUESTRAS)
    except ErrorDeUso as e:
        a.error(str(e))
    fallos: List[str] = []
    try:
        texto, comparados = comparar(Path(args.dir_a), Path(args.dir_b), semilla, remuestras,
                                     fallos)
    except ErrorDeUso as e:
        print(f"sweep compare: {e}", file=sys.stderr)
        return 1
    except KeyboardInterrupt as e:  # SIGINT, or SIGTERM and SIGHUP through tools/sweep's handlers
        print("sweep compare: interrumpido", file=sys.stderr)
        return 128 + getattr(e, "numero", 2)
    if not Flujo(sys.stdout).escribir(texto + "\n"):
        print("sweep compare: la salida estándar se cerró antes de acabar", file=sys.stderr)
    for fallo in fallos:
        print(f"sweep compare: {fallo}", file=sys.stderr)
    if not comparados:
        print("sweep compare: ningún programa con tallas en común entre A y B", file=sys.stderr)
        return 1
    return 1 if fallos else 0
