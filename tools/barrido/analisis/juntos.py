"""Several programs in one study (--together), concluded once: their
median times at each size side by side, each as a factor of the fastest
at that size, and the same for the main counts of the programs that count
the same operation, with the size that ranks them. The table, juntos.tsv
and the joint plot format a Juntos.

A factor needs at least two programs at that size, so a size that only one
program measured names no fastest. Programs of any growth share the table.
The plot leaves out a program that grows as a^n when some other does not,
since its n counts something else (Hanoi's discs); the notes say so."""

from dataclasses import dataclass, field
from typing import Dict, List, Optional, Sequence, Tuple

from .analisis import Analisis
from ..datos.estudio import Estudio


@dataclass
class Cotejo:
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


def tiempos(estudios: Sequence[Estudio], configuracion: str) -> Tuple[Cotejo, List[str]]:
    """The median times of each study at the configuration, and a note for
    each study without that series."""
    valores: Dict[str, Dict[int, float]] = {}
    notas = []
    for estudio in estudios:
        programa = estudio.programa
        serie = {p.n: p.mediana for p in estudio.puntos_de(configuracion) if p.mediana > 0}
        if serie:
            valores[estudio.etiqueta] = serie
        elif configuracion not in programa.configuraciones:
            notas.append(f"{estudio.etiqueta}: no tiene la configuración {configuracion}"
                         f" (tiene {', '.join(programa.configuraciones)}); no entra en los"
                         " tiempos")
        elif estudio.configuraciones:
            notas.append(f"{estudio.etiqueta}: sin tiempos en {configuracion}; no entra en los"
                         " tiempos")
    return Cotejo("tiempo", valores), notas


def cuentas(estudios: Sequence[Estudio]) -> Tuple[List[Cotejo], List[str]]:
    """The main counts, grouped by their name (comparisons compare across
    sorts, Floyd's steps and Hanoi's calls only with themselves): one
    comparison per name that two or more programs count, a note for each
    program alone with its name."""
    grupos: Dict[str, Dict[str, Dict[int, float]]] = {}
    for estudio in estudios:
        serie = {n: c for n in estudio.cuentas if (c := estudio.cuenta(n)) and c > 0}
        if serie:
            grupos.setdefault(estudio.programa.cuenta, {})[estudio.etiqueta] = serie
    notas = []
    if sum(len(g) for g in grupos.values()) >= 2:
        notas = [f"{next(iter(g))}: cuenta {nombre}, que ningún otro programa cuenta; sus"
                 " cuentas no se comparan" for nombre, g in grupos.items() if len(g) == 1]
    return [Cotejo(nombre, g) for nombre, g in grupos.items() if len(g) >= 2], notas


def aparte(estudios: Sequence[Estudio]) -> List[Estudio]:
    """The studies the joint plot leaves out: those that grow as a^n when
    some other does not (their n is not comparable with the others')."""
    if all(e.programa.exponencial for e in estudios):
        return []
    return [e for e in estudios if e.programa.exponencial]


def nota_aparte(estudio: Estudio) -> str:
    return (f"{estudio.etiqueta}: crece como a^n y su n no es comparable con la de los"
            " demás; está en las tablas pero no en la gráfica juntos")


def elegir_configuracion(estudios: Sequence[Estudio], pedidas: Sequence[str]) -> Optional[str]:
    """The first configuration asked for that every study timed; failing
    that, the one most of them timed (the first asked for on a tie)."""
    cuantos = {c: sum(bool(e.puntos_de(c)) for e in estudios) for c in pedidas}
    mejor = max(cuantos.values(), default=0)
    return next((c for c in pedidas if cuantos[c] == mejor), None) if mejor else None



@dataclass
class Juntos:
    """The programs of a sweep side by side at one configuration."""

    configuracion: str
    analisis: List[Analisis]
    tiempos: Cotejo
    grupos: List[Cotejo]  # one per count name two or more programs share
    notas: List[str] = field(default_factory=list)  # on what each measure left out
    aparte: List[Estudio] = field(default_factory=list)  # left out of the plot
    notas_aparte: List[str] = field(default_factory=list)  # and why

    @property
    def estudios(self) -> List[Estudio]:
        return [a.estudio for a in self.analisis]

    def dibujados(self) -> List[Analisis]:
        """The programs the plot draws: those with times at the configuration
        that are not set apart."""
        fuera = {id(e) for e in self.aparte}
        return [a for a in self.analisis if id(a.estudio) not in fuera
                and any(p.minimo > 0 for p in a.estudio.puntos_de(self.configuracion))]


def juntar(analisis: Sequence[Analisis], configuracion: str) -> Juntos:
    estudios = [a.estudio for a in analisis]
    comparacion, notas = tiempos(estudios, configuracion)
    grupos, notas_cuentas = cuentas(estudios)
    apartados = aparte(estudios)
    return Juntos(configuracion, list(analisis), comparacion, grupos, notas + notas_cuentas,
                  apartados, [nota_aparte(e) for e in apartados])
