"""tools/sweep compare: two saved studies, A and B, read back into the
model (tsv.py) and contrasted program by program (contraste.py): a table
per program of the ratio of medians t_A / t_B at each size with its 95 %
interval, the geometric mean of the ratios, and how the two records
differ."""

import json
import statistics
import sys
from pathlib import Path
from typing import Dict, List, Optional, Sequence, Tuple

from .argumentos import Analizador, entero
from ..analisis.contraste import Contraste, Par, contrastar
from ..datos.errores import ErrorDeUso
from ..datos.estudio import Estudio
from .opciones import RONDAS
from ..escritura.registro import diferencias
from .salida import Flujo, preparar_flujos
from .opciones import MAX_SEMILLA
from ..escritura.tsv import leer_estudios

# Resamples of the bootstrap: fewer than a hundred give no 95% interval
# worth the name; a hundred thousand already pin its ends to a small
# fraction of its width, and more only take longer.
MIN_REMUESTRAS = 100
MAX_REMUESTRAS = 100_000


def leer_estudio(directorio: Path) -> Dict[str, Estudio]:
    """program → its study, for the programs of a saved study that have
    times (a study that only counted has nothing to compare)."""
    estudios = {nombre: e for nombre, e in leer_estudios(directorio).items() if e.puntos}
    if not estudios:
        raise ErrorDeUso(f"{directorio} no tiene ningún TSV de programa con tiempos (con las"
                         " columnas n, configuracion, valores y valores en ellas)")
    return estudios


def resumen(contraste: Contraste) -> str:
    programa, media = contraste.programa, contraste.media
    inf, sup = contraste.intervalo
    if inf > 1:
        return f"B es {media:#.3g} veces más rápido que A en {programa} [{inf:#.3g}, {sup:#.3g}]"
    if sup < 1:
        return (f"B es {1 / media:#.3g} veces más lento que A en {programa}"
                f" [{1 / sup:#.3g}, {1 / inf:#.3g}]")
    return (f"sin diferencia significativa entre A y B en {programa}"
            f" (×{media:#.3g} [{inf:#.3g}, {sup:#.3g}])")


def tabla(programa: str, pares: Sequence[Par]) -> str:
    filas = [["programa", "conf", "n", "mediana A", "mediana B", "A/B", "intervalo 95 %", ""]]
    for p in pares:
        filas.append([programa, p.configuracion, str(p.n), f"{statistics.median(p.a):.3e}",
                      f"{statistics.median(p.b):.3e}", f"{p.cociente:#.3g}",
                      f"[{p.intervalo[0]:#.3g}, {p.intervalo[1]:#.3g}]",
                      "*" if p.significativo else ""])
    anchos = [max(len(f[i]) for f in filas) for i in range(len(filas[0]))]
    return "\n".join(
        "  ".join(c.ljust(w) if i < 2 else c.rjust(w)
                  for i, (c, w) in enumerate(zip(f, anchos))).rstrip()
        for f in filas)


def _registro(directorio: Path) -> Tuple[Optional[dict], str]:
    ruta = directorio / "registro.json"
    if not ruta.exists():
        return None, f"sin registro.json en {directorio}"
    try:
        datos = json.loads(ruta.read_text(encoding="utf-8"))
    except (OSError, ValueError) as e:
        return None, f"registro.json ilegible en {directorio}: {e}"
    if not isinstance(datos, dict):
        return None, f"registro.json de {directorio} no es un objeto"
    return datos, ""


def lineas_registro(dir_a: Path, dir_b: Path) -> List[str]:
    """The differences between the two records, or why there are none."""
    (ra, nota_a), (rb, nota_b) = _registro(dir_a), _registro(dir_b)
    if ra is None or rb is None:
        return [f"{lado}: {nota}" for lado, nota in (("A", nota_a), ("B", nota_b)) if nota]
    lineas = diferencias(ra, rb)
    if all(l.startswith("orden:") for l in lineas):
        lineas.append("mismo registro, salvo la fecha y la orden")
    return lineas


def comparar(dir_a: Path, dir_b: Path, semilla: int, remuestras: int) -> Tuple[str, int]:
    """The text of the comparison and how many programs it paired."""
    a, b = leer_estudio(dir_a), leer_estudio(dir_b)
    salida = [f"A: {dir_a}", f"B: {dir_b}", "== registro =="] + lineas_registro(dir_a, dir_b)
    solos = [f"{p} solo en {lado}" for p, lado in
             [(p, "A") for p in a if p not in b] + [(p, "B") for p in b if p not in a]]
    if solos:
        salida.append("programas " + "; ".join(solos))
    comparados = 0
    for programa in [p for p in a if p in b]:
        contraste = contrastar(programa, a[programa], b[programa], semilla, remuestras)
        notas = contraste.notas
        salida.append(f"== {programa}" + (f" ({'; '.join(notas)})" if notas else "") + " ==")
        if not contraste.pares:
            salida.append("ninguna talla en común")
            continue
        salida += [tabla(programa, contraste.pares), resumen(contraste)]
        comparados += 1
    salida.append("A/B > 1: B es más rápido; *: el intervalo del 95 % (bootstrap sobre las"
                  " ejecuciones) excluye 1")
    return "\n".join(salida), comparados


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
    try:
        texto, comparados = comparar(Path(args.dir_a), Path(args.dir_b), semilla, remuestras)
    except ErrorDeUso as e:
        print(f"sweep compare: {e}", file=sys.stderr)
        return 1
    except KeyboardInterrupt as e:  # SIGINT, or SIGTERM and SIGHUP through tools/sweep's handlers
        print("sweep compare: interrumpido", file=sys.stderr)
        return 128 + getattr(e, "numero", 2)
    if not Flujo(sys.stdout).escribir(texto + "\n"):
        print("sweep compare: la salida estándar se cerró antes de acabar", file=sys.stderr)
    if not comparados:
        print("sweep compare: ningún programa con tallas en común entre A y B", file=sys.stderr)
        return 1
    return 0
