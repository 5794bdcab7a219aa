"""The study as standard output shows it: the aligned tables of times and
of counts with their legends, and the lines of the fits and verdicts, all
formatted from an Analisis."""

from dataclasses import dataclass
from typing import List, Optional, Sequence, Tuple

from ..analisis.analisis import ESPACIO, Analisis, Conclusion
from ..redaccion.ajuste import formula, texto_modelo, texto_sin_modelo, texto_tendencia
from ..datos.medidas import EVENTOS
from ..datos.estudio import DISPERSION_ANCHA, EXACTO, RESOLUCION
from ..redaccion.conclusiones import (frase_escalon_con_evento, texto_conclusion,
                                      texto_deriva_con_evento)
from ..redaccion.veredicto import detalle_veredicto
from ..redaccion.jerarquia import texto_bytes
from .ocupacion import LEYENDA_OCUPADA, notas_ocupada, orden_de_anadir


def _num(x: Optional[float], formato: str = ".3e") -> str:
    return "-" if x is None else format(x, formato)


def _bytes(x: Optional[float]) -> str:
    """A working set for a column: 31KiB, 1.6MiB (no blank inside a cell)."""
    return "-" if not x else texto_bytes(x).replace(" ", "")


def alinear(filas: Sequence[Sequence[str]]) -> List[str]:
    """Columns right-aligned under their headings, the last one (notes) left
    as it is."""
    anchos = [max(len(f[i]) for f in filas) for i in range(len(filas[0]))]
    return ["  ".join([c.rjust(a) for c, a in zip(fila[:-1], anchos)] + [fila[-1]]).rstrip()
            for fila in filas]


def tabla(analisis: Analisis) -> str:
    """One row per size and configuration, configurations one after another,
    and a legend of the marks that appear."""
    filas, leyenda = filas_tabla(analisis)
    return "\n".join(alinear(filas) + leyenda)


def filas_tabla(analisis: Analisis) -> Tuple[List[List[str]], List[str]]:
    """The cells of the table of times, heading first, and its legend."""
    estudio = analisis.estudio
    programa = estudio.programa
    varias = len(estudio.configuraciones) > 1
    doblados = analisis.hay_doblados
    con_cuentas = bool(estudio.cuentas)
    datos = any(f.bytes for de in analisis.configuraciones.values() for f in de.filas)
    cabecera = ["n"] + (["datos"] if datos else []) + ["conf", "t(n) s", "mín", "máx"]
    cabecera += [c.columna for c in analisis.cotas]
    if doblados:
        cabecera += ["t(n)/t(n/2)", "log2"]
    if varias:
        cabecera.append("aceleración")
    if con_cuentas:
        cabecera.append(f"ns/{programa.operacion}")
    cabecera.append("notas")
    filas = [cabecera]
    todas = [f for de in analisis.configuraciones.values() for f in de.filas]
    for f in todas:
        p = f.punto
        fila = [str(p.n)] + ([_bytes(f.bytes)] if datos else [])
        fila += [p.configuracion, _num(p.mediana), _num(p.minimo), _num(p.maximo)]
        fila += [_num(c) for c in f.cocientes]
        if doblados:
            fila += [_num(f.doblado, ".3f"), _num(f.exponente_local, ".3f")]
        if varias:
            fila.append(_num(f.aceleracion, ".2f"))
        if con_cuentas:
            fila.append(_num(None if f.por_operacion is None else 1e9 * f.por_operacion, ".3g"))
        fila.append(" ".join(f.marcas))
        filas.append(fila)
    # The sizes stopped at the hard limit before any invocation ended: a row
    # that says so where the size would be.
    for configuracion, omitidas in estudio.omitidas.items():
        for o in omitidas:
            if o.cortada:
                filas.append([str(o.n)] + (["-"] if datos else []) + [configuracion]
                             + ["-"] * (len(cabecera) - 3 - datos) + [o.motivo])
    leyenda = []
    if any(f.punto.repeticion for f in todas):
        leyenda.append(
            f"rep: el programa cronometra n <= {programa.umbral_repeticion} repitiendo"
            " la ordenación y restando el coste de las copias; el salto al cronometraje"
            " único puede verse como un escalón"
        )
    if any(f.punto.bajo_resolucion for f in todas):
        leyenda.append(f"<res: por debajo de {RESOLUCION:g} s, la resolución útil del reloj"
                       + ("; 0 s es el reloj sin ver pasar el tiempo, su resolución, no un tiempo"
                          if any(f.punto.minimo == 0 for f in todas) else ""))
    if any(f.punto.negativo for f in todas):
        leyenda.append("neg: una ejecución dio un tiempo negativo: por repetición se resta el"
                       " coste de las copias, y a esta talla la diferencia es ruido del reloj")
    if any(f.fuera_del_ajuste for f in todas):
        leyenda.append("*: fuera del ajuste")
    if any(f.punto.inestable for f in todas):
        leyenda.append(f"!: dispersión ancha, el máximo pasa de {DISPERSION_ANCHA:g} veces la"
                       " mediana, o la mediana de esas veces la mínima: algo más en la máquina"
                       " estorbó esa talla")
    if any(f.punto.cortada for f in todas):
        leyenda.append("cortada: una ejecución de esa talla pasó del límite (3·--budget + 1 s)"
                       " y se detuvo; se conservan las que acabaron, y las tallas mayores no"
                       " se repiten")
    if any(f.punto.n_perturbadas for f in todas):
        leyenda.append(LEYENDA_OCUPADA)
    if doblados:
        leyenda.append("t(n)/t(n/2): cuánto crece el tiempo al doblar n; log2 es el exponente"
                       " local (2 para n^2, algo más de 1 para n*log(n))")
    if datos:
        leyenda.append(f"datos: lo que ocupa {programa.datos} de una ejecución, con la memoria"
                       " adicional que cuentan las cuentas")
    cruces = [f"{c.nivel.nombre} ({texto_bytes(c.nivel.tamano)}) a n ≈ {c.n:.3g}"
              for c in analisis.cruces]
    if cruces:
        leyenda.append("los datos dejan de caber en la caché " + ", ".join(cruces))
    return filas, leyenda


def tabla_cuentas(analisis: Analisis) -> str:
    """The counts, one row per size: every counted operation and the ratio
    of the main count to each candidate bound."""
    if analisis.cuentas is None:
        return ""
    filas, leyenda = filas_cuentas(analisis)
    return "\n".join(alinear([f + [""] for f in filas]) + leyenda)


def filas_cuentas(analisis: Analisis) -> Tuple[List[List[str]], List[str]]:
    """The cells of the table of counts, heading first, and its legend."""
    cuentas = analisis.cuentas
    estudio = analisis.estudio
    principal = estudio.programa.cuenta
    cabecera = ["n"] + cuentas.nombres + [c.columna.replace("t/", "c/", 1) for c in analisis.cotas]
    filas = [cabecera]
    inexactas = any(estudio.inexacta(f.n) for f in cuentas.filas)
    for f in cuentas.filas:
        fila = [str(f.n)] + [f"{f.cuentas.get(nombre, 0):.10g}" for nombre in cuentas.nombres]
        filas.append(fila + [_num(c, ".4g") for c in f.cocientes]
                     + (["inexacta" if estudio.inexacta(f.n) else ""] if inexactas else []))
    leyenda = [f"c: {principal} por ejecución (la media de las ejecuciones de una invocación)"]
    if inexactas:
        filas[0].append("")
        leyenda.append(f"inexacta: pasa de 2^53 = {EXACTO:.4g}, desde donde un double no guarda"
                       " todos los enteros: sus últimas cifras están redondeadas")
    return filas, leyenda


def _tallas(desde_hasta: Tuple[int, int]) -> str:
    return f"en todas las tallas ({desde_hasta[0]} a {desde_hasta[1]})"


def texto_ajuste(conclusion: Conclusion, total: int) -> str:
    aj = conclusion.ajuste
    if conclusion.medida != "tiempo":
        return (f"{formula(aj, 'c')} {_tallas(conclusion.tallas_ajuste)}  (R² = {aj.r2:.4f};"
                f" {aj.puntos} tallas)")
    if aj is None:
        return f"sin ajuste, hacen falta dos tallas por encima de {RESOLUCION:g} s"
    return (f"{formula(aj)} {_tallas(conclusion.tallas_ajuste)}  (R² = {aj.r2:.4f};"
            f" {aj.puntos} de {total} puntos)")


@dataclass
class Nota:
    """One line of what a study concludes, as standard output prints it
    and as the report writes it in prose: what it is (ajuste, veredicto,
    modelo...), of which configuration (or of the counts), and its text."""

    clave: str
    configuracion: str  # a timed configuration, cuentas, or "" for the study as a whole
    texto: str

    def linea(self) -> str:
        if self.clave == "pendientes":
            return f"  {self.texto}"
        if not self.configuracion:
            return f"{self.clave}: {self.texto}"
        return f"{self.clave} {self.configuracion}: {self.texto}"


def _notas_conclusion(analisis: Analisis, conclusion: Conclusion) -> List[Nota]:
    """The fit and verdict of one conclusion."""
    conf = conclusion.configuracion
    texto = texto_conclusion(conclusion)
    if conclusion.medida in ESPACIO:
        return [Nota("espacio", conclusion.medida, texto)]
    if conf == EVENTOS.nombre:
        return [Nota("eventos", conclusion.medida, texto)]
    if conclusion.medida != "tiempo":
        notas = [Nota("ajuste", conf, texto_ajuste(conclusion, 0))]
        return notas + ([Nota("veredicto", conf, texto)] if texto else [])
    total = len(analisis.estudio.puntos_de(conf))
    if conclusion.ajuste is None:
        return [Nota("ajuste", conf, texto_ajuste(conclusion, total))] if total else []
    return [Nota("ajuste", conf, texto_ajuste(conclusion, total)),
            Nota("veredicto", conf, texto)]


def notas_incompleto(analisis: Analisis) -> List[Nota]:
    estudio = analisis.estudio
    if estudio.fallo:
        return [Nota("incompleto", "", estudio.fallo)]
    if estudio.interrumpido:
        return [Nota("incompleto", "",
                     "interrumpido" + (f" por {estudio.senal}" if estudio.senal else ""))]
    return []


def notas_cortadas(analisis: Analisis) -> List[Nota]:
    """The sizes of each series stopped at the hard limit: not a failure of
    the study (with worst-case inputs a prediction can fall short), but
    what the summary names."""
    estudio = analisis.estudio
    notas_ = []
    for configuracion in estudio.configuraciones:
        cortadas = estudio.cortadas(configuracion)
        if cortadas:
            notas_.append(Nota("cortadas", configuracion,
                               f"{', '.join(map(str, cortadas))}: una ejecución pasó del límite"
                               " de 3·--budget + 1 s; las tallas mayores quedan fuera"))
    return notas_


def notas(analisis: Analisis) -> List[Nota]:
    """What a study concludes, counts first: the growth the study names
    comes from them; then, per configuration, what the times say."""
    estudio = analisis.estudio
    programa = estudio.programa
    resultado: List[Nota] = []
    for conclusion in analisis.conclusiones:
        configuracion = conclusion.configuracion
        de = analisis.configuraciones.get(configuracion)
        if de is None or de.ajuste is None:
            resultado += _notas_conclusion(analisis, conclusion)
            cuentas = analisis.cuentas
            if conclusion.medida == programa.cuenta and cuentas.modelo:
                resultado.append(Nota("modelo", configuracion,
                                      texto_modelo(cuentas.modelo, programa.cuenta, "c")))
            elif conclusion.medida == programa.cuenta and cuentas.sin_modelo:
                resultado.append(Nota("modelo", configuracion,
                                      f"sin ajuste: {texto_sin_modelo(cuentas.sin_modelo)}"))
            continue
        ajuste, veredicto_ = _notas_conclusion(analisis, conclusion)
        resultado.append(ajuste)
        if de.tendencias:
            resultado.append(Nota("cocientes", configuracion,
                                  "; ".join(texto_tendencia(t) for t in de.tendencias)))
        resultado.append(veredicto_)
        if detalle_veredicto(de.veredicto):
            resultado.append(Nota("pendientes", configuracion, detalle_veredicto(de.veredicto)))
        if de.modelo:
            resultado.append(Nota("modelo", configuracion, texto_modelo(de.modelo)))
        elif de.sin_modelo:
            resultado.append(Nota("modelo", configuracion, f"sin ajuste: {texto_sin_modelo(de.sin_modelo)}"))
        if de.escalones and not de.cita_deriva:
            resultado += [Nota("escalón", configuracion, frase_escalon_con_evento(
                e, programa.operacion, programa.datos, de.cambios)) for e in de.escalones]
        elif de.deriva and not de.cita_deriva:
            resultado.append(Nota("por operación", configuracion, texto_deriva_con_evento(
                de.deriva, programa.operacion, de.cambios)))
    for configuracion, ns in analisis.inestables.items():
        total = len(estudio.puntos_de(configuracion))
        if analisis.ocupada(configuracion):
            resultado.append(Nota(
                "inestables", configuracion,
                f"{len(ns)} de {total} tallas tienen una dispersión ancha: la máquina estuvo"
                " ocupada durante el barrido; el ajuste y el veredicto toman la mediana de"
                " cada talla, y un barrido en un momento más tranquilo los afinará"))
            continue
        orden = orden_de_anadir(estudio, ns, 7)
        resultado.append(Nota(
            "inestables", configuracion,
            f"{', '.join(map(str, ns))}: su dispersión es ancha; añádales invocaciones en un"
            f" momento más tranquilo de la máquina: {orden}"))
    resultado += [Nota(*n) for n in notas_ocupada(estudio)]
    for configuracion, omitidas in estudio.omitidas.items():
        resultado.append(Nota("omitidas", configuracion,
                              "; ".join(f"{o.n} ({o.motivo})" if o.motivo else str(o.n)
                                        for o in omitidas)))
    return resultado + notas_cortadas(analisis) + notas_incompleto(analisis)


def veredicto(analisis: Analisis) -> List[str]:
    """The lines of the fits and verdicts, as standard output prints them."""
    return [n.linea() for n in notas(analisis)]
