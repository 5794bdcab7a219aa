"""Several programs in one study (--together): their median times at each
size side by side, each as a factor of the fastest at that size, and the
same for the main counts of the programs that count the same operation;
then one line that ranks them. The table for standard output and the TSV
file juntos.tsv.

Sizes present for only some programs show «-»; a factor needs at least two
programs at that size, so a size that only one program measured names no
fastest. Programs of any growth share the table. The plot (grafica_juntos)
leaves out a program that grows as a^n when some other does not, since its
n counts something else (Hanoi's discs); the table says so."""

from dataclasses import dataclass
from typing import Dict, List, Optional, Sequence, Tuple

from .estudio import Estudio
from .tabla import alinear

FICHERO_TSV = "juntos.tsv"


@dataclass
class Comparacion:
    """One measure of several programs: the value of each program at each
    size it has (positive values only), programs in the order given."""

    magnitud: str  # "tiempo", or the name of the count
    valores: Dict[str, Dict[int, float]]

    @property
    def nombres(self) -> List[str]:
        return list(self.valores)

    @property
    def tallas(self) -> List[int]:
        return sorted({n for v in self.valores.values() for n in v})

    def presentes(self, n: int) -> List[Tuple[str, float]]:
        return [(p, v[n]) for p, v in self.valores.items() if n in v]

    def menor(self, n: int) -> Optional[str]:
        """The program with the least value at n (the first on a tie), when
        at least two have n."""
        presentes = self.presentes(n)
        return min(presentes, key=lambda x: x[1])[0] if len(presentes) >= 2 else None

    def relativo(self, nombre: str, n: int) -> Optional[float]:
        """The program's value at n over the least at n."""
        menor = self.menor(n)
        valor = self.valores[nombre].get(n)
        return None if menor is None or valor is None else valor / self.valores[menor][n]

    def orden(self) -> Optional[Tuple[int, List[Tuple[str, float]], List[str]]]:
        """(n, [(program, factor)] from the least, programs missing at n) at
        the largest size every program has; failing that, at the largest
        size two or more have. None when no size has two."""
        compartidas = [n for n in self.tallas if len(self.presentes(n)) >= 2]
        if not compartidas:
            return None
        comunes = [n for n in compartidas if len(self.presentes(n)) == len(self.valores)]
        n = max(comunes or compartidas)
        factores = sorted(((p, self.relativo(p, n)) for p, _ in self.presentes(n)),
                          key=lambda x: x[1])
        return n, factores, [p for p in self.nombres if n not in self.valores[p]]


def veces(x: Optional[float]) -> str:
    """×1.00, ×3.42, ×215: a factor over the least."""
    if x is None:
        return "-"
    return f"×{x:.2f}" if x < 100 else f"×{x:.0f}"


def tiempos(estudios: Sequence[Estudio], configuracion: str) -> Tuple[Comparacion, List[str]]:
    """The median times of each study at the configuration, and a note for
    each study without that series."""
    valores: Dict[str, Dict[int, float]] = {}
    notas = []
    for estudio in estudios:
        programa = estudio.programa
        serie = {p.n: p.mediana for p in estudio.serie(configuracion) if p.mediana > 0}
        if serie:
            valores[programa.nombre] = serie
        elif configuracion not in programa.configuraciones:
            notas.append(f"{programa.nombre}: no tiene la configuración {configuracion}"
                         f" (tiene {', '.join(programa.configuraciones)}); no entra en los"
                         " tiempos")
        elif estudio.configuraciones:
            notas.append(f"{programa.nombre}: sin tiempos en {configuracion}; no entra en los"
                         " tiempos")
    return Comparacion("tiempo", valores), notas


def cuentas(estudios: Sequence[Estudio]) -> Tuple[List[Comparacion], List[str]]:
    """The main counts, grouped by their name (comparisons compare across
    sorts, Floyd's steps and Hanoi's calls only with themselves): one
    comparison per name that two or more programs count, a note for each
    program alone with its name."""
    grupos: Dict[str, Dict[str, Dict[int, float]]] = {}
    for estudio in estudios:
        serie = {n: c for n in estudio.cuentas if (c := estudio.cuenta(n)) and c > 0}
        if serie:
            grupos.setdefault(estudio.programa.cuenta, {})[estudio.programa.nombre] = serie
    notas = []
    if sum(len(g) for g in grupos.values()) >= 2:
        notas = [f"{next(iter(g))}: cuenta {nombre}, que ningún otro programa cuenta; sus"
                 " cuentas no se comparan" for nombre, g in grupos.items() if len(g) == 1]
    return [Comparacion(nombre, g) for nombre, g in grupos.items() if len(g) >= 2], notas


def aparte(estudios: Sequence[Estudio]) -> List[Estudio]:
    """The studies the joint plot leaves out: those that grow as a^n when
    some other does not (their n is not comparable with the others')."""
    if all(e.programa.exponencial for e in estudios):
        return []
    return [e for e in estudios if e.programa.exponencial]


def nota_aparte(estudio: Estudio) -> str:
    return (f"{estudio.programa.nombre}: crece como a^n y su n no es comparable con la de los"
            " demás; está en las tablas pero no en la gráfica juntos")


def elegir_configuracion(estudios: Sequence[Estudio], pedidas: Sequence[str]) -> Optional[str]:
    """The first configuration asked for that every study timed; failing
    that, the one most of them timed (the first asked for on a tie)."""
    cuantos = {c: sum(bool(e.serie(c)) for e in estudios) for c in pedidas}
    mejor = max(cuantos.values(), default=0)
    return next((c for c in pedidas if cuantos[c] == mejor), None) if mejor else None


def _tabla(comparacion: Comparacion, final: str, formato: str) -> List[str]:
    filas = [["n"] + [x for p in comparacion.nombres for x in (p, "×")] + [final]]
    for n in comparacion.tallas:
        fila = [str(n)]
        for p in comparacion.nombres:
            valor = comparacion.valores[p].get(n)
            fila += ["-" if valor is None else format(valor, formato),
                     veces(comparacion.relativo(p, n))]
        filas.append(fila + [comparacion.menor(n) or "-"])
    return alinear(filas)


def _linea_orden(comparacion: Comparacion, etiqueta: str) -> str:
    orden = comparacion.orden()
    if orden is None:
        return f"{etiqueta}: ninguna talla la tienen dos programas; nada que ordenar"
    n, factores, faltan = orden
    sin = f" (sin {', '.join(faltan)})" if faltan else ""
    return f"a {n}{sin}{etiqueta}: " + ", ".join(f"{p} {veces(x)}" for p, x in factores)


def tabla_juntos(estudios: Sequence[Estudio], configuracion: str) -> str:
    """The table of times at the configuration, those of each count name,
    the notes, and a line ranking the programs by each measure."""
    comparacion, notas = tiempos(estudios, configuracion)
    grupos, notas_cuentas = cuentas(estudios)
    notas += notas_cuentas + [nota_aparte(e) for e in aparte(estudios)]
    notas += [f"{e.programa.nombre}: estudio incompleto" for e in estudios if e.incompleto]
    bloques, ordenes = [], []
    if len(comparacion.valores) >= 2:
        bloques.append([f"tiempos en {configuracion}: mediana en s de cada programa y, tras ella,"
                        " cuántas veces la del más rápido en esa talla"]
                       + _tabla(comparacion, "más rápido", ".3e"))
        ordenes.append(_linea_orden(comparacion, ""))
    elif comparacion.valores:
        notas.append(f"tiempos en {configuracion}: solo los tiene"
                     f" {comparacion.nombres[0]}; nada que comparar")
    for grupo in grupos:
        bloques.append([f"{grupo.magnitud}: las de cada programa y cuántas veces las del que"
                        " menos hace en esa talla"]
                       + _tabla(grupo, f"menos {grupo.magnitud}", ".3e"))
        ordenes.append(_linea_orden(grupo, f", {grupo.magnitud}"))
    if not bloques and not notas:
        return ""
    return "\n\n".join("\n".join(b) for b in bloques + [notas + ordenes] if b) + "\n"


def tsv_juntos(estudios: Sequence[Estudio], configuracion: str) -> str:
    """A header line, then one line per size: n, for each program its median
    time and its factor over the fastest, the fastest; then for each count
    name that two programs share, each program's count and its factor over
    the least, and the program with the least. Empty fields where a size or
    a factor is missing; comment lines at the end name the configuration
    and what was left out."""
    comparacion, notas = tiempos(estudios, configuracion)
    grupos, notas_cuentas = cuentas(estudios)
    medidas = [(comparacion, "", "mas_rapido", ".6g")]
    medidas += [(g, f"_{g.magnitud}", f"menos_{g.magnitud}", ".10g") for g in grupos]
    cabecera = ["n"]
    for c, sufijo, final, _ in medidas:
        cabecera += [x for p in c.nombres for x in (p + sufijo, f"{p}{sufijo}_relativo")]
        cabecera.append(final)
    tallas = sorted({n for c, _, _, _ in medidas for n in c.tallas})
    lineas = ["\t".join(cabecera)]
    for n in tallas:
        campos = [str(n)]
        for c, _, _, formato in medidas:
            for p in c.nombres:
                valor, relativo = c.valores[p].get(n), c.relativo(p, n)
                campos += ["" if valor is None else format(valor, formato),
                           "" if relativo is None else f"{relativo:.4g}"]
            campos.append(c.menor(n) or "")
        lineas.append("\t".join(campos))
    lineas.append(f"# configuracion {configuracion}")
    lineas += [f"# {nota}" for nota in notas + notas_cuentas]
    lineas += [f"# incompleto: {e.programa.nombre}" for e in estudios if e.incompleto]
    return "\n".join(lineas) + "\n"
