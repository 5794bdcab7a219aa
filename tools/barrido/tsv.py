"""The TSV files of a sweep: one per program, with a line per size and
configuration and every invocation's value, and resumen.tsv, a line per
program, configuration and measure."""

import unicodedata
import math
from typing import List, Optional, Sequence

from .analisis import Analisis
from .cotas import Cota
from .estudio import Estudio
from .programas import CUENTAS
from .tabla import doblado

# The marks of the table as the TSV spells them.
_NOTAS = {"rep": "repeticion", "<res": "bajo_resolucion", "*": "fuera_del_ajuste",
          "!": "dispersion_ancha"}


def _ascii(texto: str) -> str:
    """comparación -> comparacion: column names without accents."""
    return "".join(c for c in unicodedata.normalize("NFD", texto) if unicodedata.category(c) != "Mn")


def _g(x, formato: str = ".6g") -> str:
    return "" if x is None else format(x, formato)


def marca_incompleto(estudio: Estudio) -> List[str]:
    """The comment line that closes the files of a study cut short."""
    if estudio.fallo:
        return [f"# incompleto: {estudio.fallo.splitlines()[0]}"]
    if estudio.interrumpido:
        return ["# incompleto: interrumpido"]
    return []


def tsv(estudio: Estudio) -> str:
    """A header line, then n, configuration, median, min, max, each ratio,
    the speed-up (with two or more configurations), the notes and every
    invocation's value; then t(n)/t(n/2) where sizes double, and with counts
    each count, the main count's ratios and the nanoseconds per operation.
    A study that only counted has one line per size, configuration
    «cuentas», with the time columns empty."""
    varias = len(estudio.configuraciones) > 1
    programa = estudio.programa
    nombres = list(next(iter(estudio.cuentas.values()))) if estudio.cuentas else []
    cabecera = ["n", "configuracion", "mediana", "minimo", "maximo"]
    cabecera += [c.columna for c in estudio.cotas]
    cabecera += (["aceleracion"] if varias else []) + ["notas", "valores", "doblado", "exponente_local"]
    if nombres:
        cabecera += nombres + [c.columna.replace("t/", "c/", 1) for c in estudio.cotas]
        cabecera.append(f"ns_por_{_ascii(programa.operacion)}")
    filas = []
    for configuracion in estudio.configuraciones:
        for p in estudio.serie(configuracion):
            campos = [str(p.n), configuracion]
            campos += [_g(x) for x in (p.mediana, p.minimo, p.maximo)]
            campos += [_g(p.mediana / f if (f := c(p.n)) else None) for c in estudio.cotas]
            if varias:
                campos.append(_g(estudio.aceleracion(p), ".4g"))
            campos.append(",".join(_NOTAS[x] for x in estudio.notas(p)))
            campos.append(",".join(_g(v) for v in p.valores))
            d = doblado(estudio, p)
            campos += [_g(d, ".4g"), _g(math.log2(d) if d else None, ".4g")]
            if nombres:
                campos += _columnas_de_cuentas(estudio, p.n, nombres)
                c = estudio.cuenta(p.n)
                campos.append(_g(1e9 * p.mediana / c if c else None, ".4g"))
            filas.append(campos)
    if not estudio.puntos:
        for n in sorted(estudio.cuentas):
            vacios = [""] * (3 + len(estudio.cotas) + varias + 4)
            filas.append([str(n), CUENTAS] + vacios + _columnas_de_cuentas(estudio, n, nombres)
                         + [""])
    lineas = ["\t".join(cabecera)] + ["\t".join(f) for f in filas]
    return "\n".join(lineas + marca_incompleto(estudio)) + "\n"


def _columnas_de_cuentas(estudio: Estudio, n: int, nombres: Sequence[str]) -> List[str]:
    cuentas = estudio.cuentas.get(n)
    if cuentas is None:
        return [""] * (len(nombres) + len(estudio.cotas))
    principal = cuentas.get(estudio.programa.cuenta)
    return ([f"{cuentas[x]:.10g}" for x in nombres]
            + [_g(principal / f if principal is not None and (f := c(n)) else None)
               for c in estudio.cotas])


CABECERA_RESUMEN = ["programa", "configuracion", "medida", "exponente", "exponente_inf",
                    "exponente_sup", "r2", "cota", "veredicto", "constante", "cociente",
                    "puntos", "estado"]


def resumen_tsv(estudios: Sequence[Estudio], analisis: Sequence[Analisis]) -> str:
    """One line per program, configuration and measure (tiempo, or the main
    count's name): the fitted rate (b of C·n^b, a of C·a^n) with its 95%
    interval, R², the bound the verdict names (written as in --bounds; empty
    when it names none, and then «veredicto» says why), the fit's constant C,
    the ratio to the named bound where it settles, the number of points, and
    whether the study was completo or incompleto."""
    lineas = ["\t".join(CABECERA_RESUMEN)]
    for estudio, a in zip(estudios, analisis):
        estado = "incompleto" if estudio.incompleto else "completo"
        nombre = estudio.programa.nombre
        if a.cuentas and a.cuentas.ajuste:
            aj, v = a.cuentas.ajuste, a.cuentas.veredicto
            cota = v.cota.texto if v and v.cota else ""
            principal = estudio.programa.cuenta
            cociente = _cociente(estudio, v.cota if v else None)
            lineas.append("\t".join([nombre, CUENTAS, principal, _g(aj.tasa), "", "",
                                     _g(aj.r2, ".6f"), cota, "cota" if cota else "indistinguibles",
                                     _g(aj.constante), cociente, str(aj.puntos), estado]))
        for configuracion, de in a.configuraciones.items():
            if de.ajuste is None:
                continue
            aj = de.ajuste
            cota = de.veredicto.cota()
            prueba = next((p for p in de.veredicto.pruebas if cota is not None and p.cota is cota),
                          None)
            lineas.append("\t".join([
                nombre, configuracion, "tiempo", _g(aj.tasa), _g(aj.tasa_inf), _g(aj.tasa_sup),
                _g(aj.r2, ".6f"), cota.texto if cota else "", de.veredicto.tipo,
                _g(aj.constante), _g(prueba.constante if prueba else None), str(aj.puntos), estado,
            ]))
    return "\n".join(lineas) + "\n"


def _cociente(estudio: Estudio, cota: Optional[Cota]) -> str:
    """The main count over the named bound at the largest size counted."""
    if cota is None or not estudio.cuentas:
        return ""
    n = max(estudio.cuentas)
    c, f = estudio.cuenta(n), cota(n)
    return _g(c / f if c and f else None)
