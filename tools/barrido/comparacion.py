"""The comparison of two saved studies, A and B: per program, configuration
and size present in both, the ratio of medians t_A / t_B with a bootstrap
interval, and per program the geometric mean of those ratios.

The test is a bootstrap over the invocations: each resample draws, on each
side and at each size, as many values as that side measured, with
replacement, and takes their medians. The 95 % interval is the 2.5 % and
97.5 % quantiles of the resampled ratios; a size is marked significant
when its interval excludes 1. With 3 invocations per side the median of a
resample can only be one of the three values measured, so the interval is
coarse: [min A / max B, max A / min B]. Such a size is marked when all three
values of one side fall below all three of the other, which two equal
distributions do by chance one time in ten. The summary resamples every
size together and recomputes the geometric mean each time; it is the
better guide."""

import argparse
import csv
import json
import math
import random
import statistics
import sys
from dataclasses import dataclass
from pathlib import Path
from typing import Dict, List, Optional, Sequence, Tuple

from .incertidumbre import intervalo
from .errores import ErrorDeUso
from .registro import diferencias

Serie = Dict[Tuple[str, int], List[float]]  # (configuration, n) → values
COLUMNAS = ("n", "configuracion", "valores")


def _valores(texto: Optional[str], donde: str) -> List[float]:
    partes = [p.strip() for p in (texto or "").split(",") if p.strip()]
    try:
        valores = [float(p) for p in partes]
    except ValueError:
        raise ErrorDeUso(f"{donde}: «{texto}» no es una lista de números") from None
    if not all(math.isfinite(v) for v in valores):
        raise ErrorDeUso(f"{donde}: «{texto}» tiene valores no finitos")
    return valores


def _leer_tsv(ruta: Path) -> Optional[Serie]:
    """The series of one program's TSV, or None if it is not one: it lacks
    the columns n, configuracion and valores, or no line has values (a
    study that only counted leaves them empty). Lines starting with # are
    comments; a line with no values is skipped."""
    try:
        texto = ruta.read_text(encoding="utf-8")
    except (OSError, UnicodeDecodeError) as e:
        raise ErrorDeUso(f"no se pudo leer {ruta}: {e}") from None
    lineas = [(i, l) for i, l in enumerate(texto.splitlines(), 1)
              if l.strip() and not l.lstrip().startswith("#")]
    lector = csv.DictReader((l for _, l in lineas), delimiter="\t", quoting=csv.QUOTE_NONE)
    if not lector.fieldnames or not set(COLUMNAS) <= set(lector.fieldnames):
        return None
    serie: Serie = {}
    for (numero, _), fila in zip(lineas[1:], lector):
        donde = f"{ruta}, línea {numero}"
        try:
            n = int(fila["n"] or "")
        except ValueError:
            raise ErrorDeUso(f"{donde}: la talla «{fila['n']}» no es un entero") from None
        configuracion = (fila["configuracion"] or "").strip()
        if not configuracion:
            raise ErrorDeUso(f"{donde}: falta la configuración")
        valores = _valores(fila["valores"], donde)
        if valores:
            serie.setdefault((configuracion, n), []).extend(valores)
    return serie or None


def leer_estudio(directorio: Path) -> Dict[str, Serie]:
    """program → (configuration, n) → every invocation's value, from the
    program TSVs (<programa>.tsv) of a study's directory."""
    if not directorio.is_dir():
        raise ErrorDeUso(f"no existe el directorio {directorio}" if not directorio.exists()
                         else f"{directorio} no es un directorio")
    try:
        rutas = sorted(directorio.glob("*.tsv"))
    except OSError as e:
        raise ErrorDeUso(f"no se pudo leer {directorio}: {e}") from None
    estudio = {}
    for ruta in rutas:
        serie = _leer_tsv(ruta)
        if serie is not None:
            estudio[ruta.stem] = serie
    if not estudio:
        raise ErrorDeUso(f"{directorio} no tiene ningún TSV de programa con tiempos (con las"
                         f" columnas {', '.join(COLUMNAS)} y valores en ellas)")
    return estudio


@dataclass
class Par:
    configuracion: str  # "O2", or "O0/O2" when paired across configurations
    n: int
    a: List[float]
    b: List[float]
    cociente: float = math.nan  # median of A / median of B
    intervalo: Tuple[float, float] = (math.nan, math.nan)

    @property
    def significativo(self) -> bool:
        return self.intervalo[0] > 1 or self.intervalo[1] < 1


def emparejar(a: Serie, b: Serie) -> Tuple[List[Par], List[str]]:
    """The pairs of one program and notes on what was left unpaired. When
    each study holds a single configuration and they differ, sizes are
    paired across them."""
    confs_a = sorted({c for c, _ in a})
    confs_b = sorted({c for c, _ in b})
    notas = []
    if len(confs_a) == 1 and len(confs_b) == 1 and confs_a != confs_b:
        # Both sides relabelled "O0/O2", so that their sizes meet.
        notas.append(f"A: {confs_a[0]} frente a B: {confs_b[0]}")
        cruzada = f"{confs_a[0]}/{confs_b[0]}"
        a = {(cruzada, n): v for (_, n), v in a.items()}
        b = {(cruzada, n): v for (_, n), v in b.items()}
    else:
        notas += [f"{c} solo en A" for c in confs_a if c not in confs_b]
        notas += [f"{c} solo en B" for c in confs_b if c not in confs_a]
        a = {k: v for k, v in a.items() if k[0] in confs_b}
        b = {k: v for k, v in b.items() if k[0] in confs_a}
    pares = [Par(c, n, v, b[(c, n)]) for (c, n), v in sorted(a.items()) if (c, n) in b]
    if len(a) + len(b) > 2 * len(pares):
        notas.append(f"{len(a) + len(b) - 2 * len(pares)} tallas sin pareja")
    malos = [p for p in pares if min(p.a + p.b) <= 0]
    if malos:
        notas.append("sin cociente, por valores no positivos: "
                     + ", ".join(f"{p.configuracion} n = {p.n}" for p in malos))
    return [p for p in pares if min(p.a + p.b) > 0], notas


def _mediana_remuestreada(azar: random.Random, valores: List[float]) -> float:
    return statistics.median(azar.choices(valores, k=len(valores)))


def remuestrear(pares: List[Par], azar: random.Random, remuestras: int
                ) -> Tuple[float, Tuple[float, float]]:
    """Fills each pair's ratio and interval; returns the geometric mean of
    the ratios and its interval, from the same resamples."""
    por_par: List[List[float]] = [[] for _ in pares]
    medias = []
    for _ in range(remuestras):
        cocientes = [_mediana_remuestreada(azar, p.a) / _mediana_remuestreada(azar, p.b)
                     for p in pares]
        for lista, c in zip(por_par, cocientes):
            lista.append(c)
        medias.append(statistics.geometric_mean(cocientes))
    for p, lista in zip(pares, por_par):
        p.cociente = statistics.median(p.a) / statistics.median(p.b)
        p.intervalo = intervalo(lista)
    media = statistics.geometric_mean([p.cociente for p in pares])
    return media, intervalo(medias)


def resumen(programa: str, media: float, intervalo: Tuple[float, float]) -> str:
    inf, sup = intervalo
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
    azar = random.Random(semilla)
    comparados = 0
    for programa in [p for p in a if p in b]:
        pares, notas = emparejar(a[programa], b[programa])
        salida.append(f"== {programa}" + (f" ({'; '.join(notas)})" if notas else "") + " ==")
        if not pares:
            salida.append("ninguna talla en común")
            continue
        media, intervalo = remuestrear(pares, azar, remuestras)
        salida += [tabla(programa, pares), resumen(programa, media, intervalo)]
        comparados += 1
    salida.append("A/B > 1: B es más rápido; *: el intervalo del 95 % (bootstrap sobre las"
                  " ejecuciones) excluye 1")
    return "\n".join(salida), comparados


def main_comparar(argv: Sequence[str]) -> int:
    """tools/sweep compare DIR_A DIR_B. Usage errors leave through argparse
    (status 2); unreadable studies, or none paired, give status 1."""
    for flujo in (sys.stdout, sys.stderr):
        if hasattr(flujo, "reconfigure"):
            flujo.reconfigure(errors="replace")
    a = argparse.ArgumentParser(
        prog="sweep compare",
        description="Compara dos estudios guardados (los TSV de dos --out): por programa,"
                    " configuración y talla, el cociente de medianas A/B con un intervalo del"
                    " 95 % por bootstrap sobre las ejecuciones, y por programa su media"
                    " geométrica. Con 3 ejecuciones por lado el intervalo es grueso.")
    a.add_argument("dir_a", type=Path, metavar="DIR_A", help="el estudio A")
    a.add_argument("dir_b", type=Path, metavar="DIR_B", help="el estudio B")
    a.add_argument("--seed", type=int, default=1, metavar="SEMILLA",
                   help="semilla del remuestreo (por omisión, 1)")
    a.add_argument("--resamples", type=int, default=2000, metavar="R",
                   help="remuestras del bootstrap (por omisión, 2000)")
    args = a.parse_args(argv)
    if args.resamples < 100:
        a.error("--resamples debe ser al menos 100")
    try:
        texto, comparados = comparar(args.dir_a, args.dir_b, args.seed, args.resamples)
    except ErrorDeUso as e:
        print(f"sweep compare: {e}", file=sys.stderr)
        return 1
    except KeyboardInterrupt:
        print("sweep compare: interrumpido", file=sys.stderr)
        return 130
    print(texto)
    if not comparados:
        print("sweep compare: ningún programa con tallas en común entre A y B", file=sys.stderr)
        return 1
    return 0
