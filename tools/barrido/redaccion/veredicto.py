"""The verdict on the times in words: a few for the summary table, a
sentence with its evidence after the tables, and the slopes of every
bound."""

from typing import Sequence

from ..estadistica.nombre import SIN_AJUSTE, SIN_CAUSA
from ..estadistica.veredicto import NIVEL_VEREDICTO, Prueba, Veredicto

# Why a growth other than the counts' is not named, as the sentence quotes it.
_MOTIVOS = {
    SIN_AJUSTE: "el ajuste de todas las tallas no da ese crecimiento",
    SIN_CAUSA: "el tiempo por operación no muestra una causa que persista (un escalón donde los"
               " datos dejan de caber en una caché)",
}


def texto_motivo(motivo: str) -> str:
    """The reasons of the naming rule (codes joined by commas) in words."""
    return " y ".join(_MOTIVOS.get(m, m) for m in motivo.split(",") if m)


def _donde(v: Veredicto) -> str:
    desde, hasta = v.tallas
    return f"en la mitad superior ({desde} a {hasta})"


def resumen_veredicto(v: Veredicto) -> str:
    """The verdict in a few words, for the summary table."""
    nombres = " o ".join(c.texto for c in v.cotas)
    if v.ocupada:
        return "máquina ocupada"
    if v.tipo == "cota" and v.motivo:
        return f"cerca de {nombres}"
    if v.tipo == "cota":
        if not v.cerca:
            return nombres
        return f"cerca de {nombres}, algo más {v.lado_cercano}"
    if v.tipo == "indistinguibles":
        if v.lado:
            return f"{nombres} o más {v.lado}"
        return "no distingue " + _enumerar([c.texto for c in v.cotas])
    return {"sin_datos": "sin veredicto", "mas_deprisa": "más deprisa que todas",
            "mas_despacio": "más despacio que todas"}[v.tipo]


def texto_veredicto(v: Veredicto) -> str:
    """The verdict in words with its own evidence: the slope of the
    ratio it rests on over the sizes it judges, with its interval, and
    the window that slope is held to."""
    if v.tipo == "sin_datos":
        return "sin veredicto: hacen falta dos tallas en el ajuste"
    nombres = _enumerar([c.texto for c in v.cotas])
    p = v.citada()
    if v.ocupada:
        return (f"sin veredicto: la máquina estorbó {v.ocupada} {_donde(v)}, y un veredicto"
                " sobre ellas lo daría la máquina, no el programa; repita el estudio en un"
                " momento más tranquilo o añádale invocaciones (tools/sweep --append)")
    if v.motivo and v.en_vez_de is not None:
        return _sin_nombrar(v)
    if v.tipo == "cota":
        cerca = resumen_veredicto(v) if v.cerca else f"como {nombres}"
        return (f"los tiempos crecen {cerca}: pendiente de {_pendiente_de(p)} {_donde(v)},"
                f" dentro de su margen {_margen(p)}; {p.cota.columna} se asienta en"
                f" {p.constante:.3g}")
    if v.tipo == "indistinguibles":
        if v.lado:
            sale = "por encima" if v.lado == "deprisa" else "por debajo"
            return (f"los tiempos crecen como {nombres} o más {v.lado}: no se distingue a"
                    f" estas tallas: pendiente de {_pendiente_de(p)} {_donde(v)}, que"
                    f" entra en su margen {_margen(p)} y sale {sale}; pruebe tallas mayores"
                    " o más --repeat")
        nombradas = [q for q in v.pruebas if q.cota in v.cotas]
        if all(q.cabe for q in nombradas):
            motivo = "cada una cabe en su margen"
        else:
            motivo = "ningún intervalo es lo bastante estrecho para descartarlas"
        pendientes = "; ".join(f"{_pendiente_de(q)}, margen {_margen(q)}" for q in nombradas)
        return (f"{nombres} no se distinguen a estas tallas: pendientes {_donde(v)}:"
                f" {pendientes}; {motivo}; pruebe tallas mayores o más --repeat")
    lado = "deprisa" if v.tipo == "mas_deprisa" else "despacio"
    fuera = "por encima" if v.tipo == "mas_deprisa" else "por debajo"
    return (f"los tiempos crecen más {lado} que todas las cotas: pendiente de"
            f" {_pendiente_de(p)} {_donde(v)}, {fuera} de su margen {_margen(p)}")


def _sin_nombrar(v: Veredicto) -> str:
    """The verdict that would not name the upper half's bound: near the
    counts' growth, or cannot tell which of the two."""
    assert v.en_vez_de is not None
    otra, motivo = v.en_vez_de.texto, texto_motivo(v.motivo)
    if v.tipo == "cota":
        p = v.citada()
        evidencia = f"pendiente de {_pendiente_de(p)} {_donde(v)}, margen {_margen(p)}"
        # The other bound tied with the counts' growth (the interval inside
        # both windows, or reaching into both) rather than followed.
        otra_prueba = next((q for q in v.pruebas if q.cota is v.en_vez_de), None)
        mitad = ("se inclina hacia" if otra_prueba is None or (otra_prueba.cabe and not p.cabe)
                 else "no descarta")
        return (f"los tiempos crecen cerca de {v.cotas[0].texto}, como las cuentas: la mitad"
                f" superior {mitad} {otra}, pero {motivo}; {evidencia}")
    nombradas = [q for q in v.pruebas if q.cota in v.cotas]
    evidencia = f"pendientes {_donde(v)}: " + "; ".join(
        f"{_pendiente_de(q)}, margen {_margen(q)}" for q in nombradas)
    cuentas = next((c.texto for c in v.cotas if c is not v.en_vez_de), "")
    return (f"no se puede decir si los tiempos crecen como {otra} o como {cuentas}, lo que"
            f" dicen las cuentas: la mitad superior se inclina hacia {otra}, pero {motivo};"
            f" {evidencia}; pruebe tallas mayores o más --repeat")


def detalle_veredicto(v: Veredicto) -> str:
    """The test behind the verdict: each ratio's slope over the upper
    half with its 90% interval, and its window."""
    if not v.pruebas:
        return ""
    desde, hasta = v.tallas
    pendientes = "; ".join(f"{p.cota.columna} {p.pendiente:+.3f}"
                           f" [{p.inf:+.3f}, {p.sup:+.3f}] en [{-p.abajo:+.3f},"
                           f" {p.arriba:+.3f}]{' ✓' if p.cabe else ''}"
                           for p in v.pruebas)
    return (f"pendientes de log(t/f) de {desde} a {hasta}, con su intervalo del"
            f" {100 * NIVEL_VEREDICTO:.0f} %, en el margen de cada cota: {pendientes}")


def _enumerar(textos: Sequence[str]) -> str:
    """n, n*log(n) y n^1.2."""
    return " y ".join(filter(None, [", ".join(textos[:-1]), textos[-1]])) if textos else ""


def _pendiente_de(p: Prueba) -> str:
    return f"{p.cota.columna} {p.pendiente:+.3f} [{p.inf:+.3f}, {p.sup:+.3f}]"


def _margen(p: Prueba) -> str:
    return f"[{-p.abajo:+.3f}, {p.arriba:+.3f}]"
