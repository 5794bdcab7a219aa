"""One run of tools/sweep: the study of each program in turn, measured,
shown and written as its invocations arrive (its tables, TSV and plots,
the kinds of input side by side, the events' costs). The files of the
whole sweep are written by its base, ordenes/cierre.py."""

import shutil
import sys
import time
from typing import Dict, List, Optional

from ..analisis.analisis import Analisis, analizar, avance
from ..datos.almacen import Almacen
from ..datos.cotas import Cota
from ..datos.errores import FalloPrograma
from ..datos.estudio import Estudio
from ..escritura.ficheros import Ficheros
from ..escritura.graficas import GnuplotColgado, dibujar, dibujar_juntos
from ..escritura.informe import Seccion
from ..datos.maquina import leer_caches
from ..analisis.casos import comparar_casos
from ..analisis.decidir import por_decidir
from ..analisis.juntos import juntar
from ..medir.medicion import Medicion, Plan
from ..medir.simulacion import FALLO
from .opciones import Opciones
from ..datos.medidas import EVENTOS
from ..datos.programas import CONFIGURACION_ENTRADAS, Programa
from ..medir.progreso import Progreso
from ..medir.salida import Flujo
from .anadir import Guardado
from ..medir.referencia import Referencia
from .comprobacion import Medible, comprobar
from .senales import Senales
from ..escritura.tabla import tabla, tabla_cuentas, veredicto
from ..escritura.costes import FICHERO_TSV as FICHERO_COSTES, tsv_costes
from ..escritura.tabla_eventos import tabla_eventos
from .eventos import Sucesos
from ..escritura.tabla_juntos import texto_casos
from ..redaccion.casos import linea_casos
from ..datos.tallas import leer_tallas
from ..escritura.tsv import tsv
from ..escritura.pagina import Pagina
from .cierre import CierreDelBarrido


class Barrido(CierreDelBarrido):
    """One run of tools/sweep: the studies made so far and their files."""

    def __init__(self, opciones: Opciones, senales: Optional[Senales] = None,
                 guardado: Optional[Guardado] = None):
        self.opciones = opciones
        # The saved study that this sweep adds invocations to (--append).
        self.guardado = guardado
        self.progreso = Progreso()
        self.senales = senales or Senales()
        self.salida = Flujo(sys.stdout)
        self.ficheros = Ficheros(opciones.salida, self.progreso)
        self.pagina = Pagina(self.ficheros, self.progreso)
        self.gnuplot = shutil.which("gnuplot")
        self.formatos = ["svg"] + (["png"] if opciones.png else [])
        self.hechos: List[Analisis] = []
        self.secciones: List[Seccion] = []
        self.estado = 0
        # What each program measured: its sizes, in the order of the plan,
        # and its omitted sizes per configuration; and the hard limit.
        self.tallas: Dict[str, List[int]] = {}
        self.omitidas: Dict[str, Dict[str, List[int]]] = {}
        self.limite = 0.0
        self.semilla_dicha = False
        self.series_hechas = 0
        # The shares of the series measured so far, and when the sweep began:
        # what they left is the sweep's own clock behind them (Plan.sobrante).
        self.cuotas_dadas = 0.0
        self.inicio = time.monotonic()
        self.sin_medir: Dict[str, int] = {}  # program -> its series that cannot be measured
        self.caches = leer_caches()
        self.resumen_casos: List[str] = []
        self.cierre_dicho = False  # that standard output closed
        # What was measured: every other file is written from it.
        self.almacen = Almacen()
        self.sucesos = Sucesos(opciones, self.progreso)  # the events' plan and costs
        # The machine's speed while the sweep runs, sampled between invocations.
        self.referencia = Referencia()

    def imprimir(self, texto: str):
        """A line of the study on standard output; once that closes, the
        sweep says so and goes on."""
        if not self.salida.escribir(texto + "\n") and not self.cierre_dicho:
            self.cierre_dicho = True
            self.progreso.nota(f"la salida estándar se cerró ({self.salida.cerrado}): el barrido"
                               f" sigue y deja el estudio en {self.opciones.salida}")

    def decir_semilla(self):
        """The seed, once, before the first invocation and so before any
        progress line: it orders the shuffled rounds and seeds the
        bootstraps. A sweep of counts alone has neither."""
        if self.opciones.tiempos and not self.semilla_dicha:
            self.semilla_dicha = True
            semilla = self.opciones.semilla
            self.imprimir(f"semilla {semilla} (--seed {semilla} repite el orden de las rondas y"
                          " el bootstrap)\n")

    def comprobar(self, programa: Programa) -> Optional[Medible]:
        """What can be measured of one program (see comprobar); None, said,
        and the status 1, when nothing."""
        medible, perdidas = comprobar(programa, self.opciones, self.progreso.nota)
        if medible is None:
            self.estado = 1
            # Its series' share of the time is not given to the others.
            self.sin_medir[programa.nombre] = perdidas
        return medible

    def estudiar(self, programa: Programa, medible: Optional[Medible]):
        """Measures one program, on each kind of input asked for, and writes
        what it gives; one that comprobar found nothing to measure of only
        takes its share of the time."""
        if medible is None:
            self.series_hechas += self.sin_medir.get(programa.nombre, 0)
            return
        configuraciones = medible.configuraciones
        hechos = []
        for entrada in medible.entradas:
            analisis = self.estudiar_serie(programa, configuraciones, entrada)
            if analisis is not None:
                hechos.append(analisis)
        if len(hechos) > 1:
            self.casos(hechos)
        if EVENTOS.nombre in self.opciones.nombradas and self.opciones.tiempos and hechos:
            self.costes(programa, hechos)

    def estudiar_serie(self, programa: Programa, configuraciones: List[str],
                       entrada: Optional[str]) -> Optional[Analisis]:
        o = self.opciones
        estudio = Estudio(programa, configuraciones if o.tiempos else [],
                          o.cotas or [Cota(c) for c in programa.cotas], o.semilla,
                          entrada=entrada, cotas_fijas=o.cotas is not None)
        tallas = o.tallas or leer_tallas(programa.tallas)
        if self.guardado:
            estudio, tallas = self.previo(estudio, tallas)
        estudio.directorio = str(o.salida)
        series = max(1, len(estudio.configuraciones))
        self.series_hechas += series + (EVENTOS.nombre in o.nombradas)
        # The default share holds a program's own sizes in check; sizes the
        # user named are measured whole unless --time says otherwise.
        cuota = (series * o.cuota() if (o.tiempo or o.tallas is None) and not self.guardado
                 else None)
        plan = Plan(tallas, o.directorio_bin, o.rondas,
                    o.presupuesto, o.tiempos, o.cuentas, o.precision, o.max_rondas, cuota,
                    sobrante=self.sobrante() if cuota is not None else 0.0,
                    despues=max(0, o.series() - self.series_hechas) * o.cuota(),
                    nombradas=o.nombradas,
                    anadir=self.guardado is not None, prevision=series * o.cuota())
        self.limite = plan.limite
        if EVENTOS.nombre in o.nombradas:
            plan.eventos = self.sucesos.plan(programa, entrada)
        self.almacen.estudios.append(estudio)
        self.decir_semilla()
        try:
            Medicion(estudio, plan, self.progreso, lambda: self.guardar(estudio),
                     self.referencia, lambda e: por_decidir(e, self.caches)).medir()
            if cuota is not None:  # with the events series' own share, when it has one
                self.cuotas_dadas += cuota + o.cuota() * (EVENTOS.nombre in o.nombradas)
        except KeyboardInterrupt:
            self.senales.atender()
            raise
        finally:
            # Interrupted or not, what was measured is shown and written.
            medidas = ({p.n for p in estudio.puntos} | set(estudio.cuentas)
                       | set(estudio.valores_de(EVENTOS.nombre)))
            suyas = self.guardado.tallas(estudio.etiqueta) if self.guardado else plan.tallas
            if medidas:
                self.tallas[estudio.etiqueta] = [n for n in suyas if n in medidas]
            if estudio.omitidas:
                self.omitidas[estudio.etiqueta] = {c: [o.n for o in os]
                                                   for c, os in estudio.omitidas.items()}
            # A signal that comes meanwhile waits for the files.
            with self.senales.diferidas():
                analisis = self.informar(estudio)
        return analisis

    def sobrante(self) -> float:
        """The seconds the series measured so far left of their shares, by
        the sweep's own clock: the time between series (analysis, plots,
        files) is charged, and a series that ran over takes it from the
        rest."""
        return max(0.0, self.cuotas_dadas - (time.monotonic() - self.inicio))

    def previo(self, nuevo: Estudio, tallas: List[int]):
        """The saved study of the series `nuevo` would start, with the bounds
        and seed this sweep judges by, and the sizes to add to (those of
        --sizes it measured, or all of its own; none for a program not
        chosen)."""
        assert self.guardado is not None
        estudio = self.guardado.estudios[nuevo.etiqueta]
        estudio.cotas, estudio.cotas_fijas = nuevo.cotas, nuevo.cotas_fijas
        estudio.semilla = nuevo.semilla
        estudio.configuraciones = [c for c in nuevo.configuraciones
                                   if c in estudio.configuraciones]
        return estudio, self.guardado.por_anadir(nuevo.programa.nombre, nuevo.etiqueta,
                                                 self.opciones.tallas)

    def guardar(self, estudio: Estudio):
        """The store and the program's TSV as they stand, after each
        invocation: a sweep killed outright loses at most the invocation it
        was running."""
        with self.senales.diferidas():
            self.escribir_almacen(estudio)
            self.ficheros.escribir(f"{estudio.fichero}.tsv", tsv(avance(estudio), en_curso=True))

    def costes(self, programa: Programa, hechos: List[Analisis]):
        """What each event costs in the program's time (ordenes/eventos.py)."""
        texto = self.sucesos.costes(programa, [a.estudio for a in hechos])
        if texto:
            self.imprimir(f"== costes de {programa.nombre} ==\n{texto}\n")
            self.secciones.append(Seccion(f"costes de {programa.nombre}", [], tabla=texto))
            self.ficheros.escribir(FICHERO_COSTES, tsv_costes(self.sucesos.hechos))

    def casos(self, hechos: List[Analisis]):
        """The kinds of input of one program side by side: from the best case
        to the worst, and one plot with a curve per kind."""
        casos = comparar_casos(hechos, CONFIGURACION_ENTRADAS)
        texto = texto_casos(casos)
        self.imprimir(f"== casos de {casos.nombre} ==\n{texto}")
        self.resumen_casos.append(linea_casos(casos))
        graficas = []
        if self.gnuplot:
            juntos = juntar(hechos, CONFIGURACION_ENTRADAS)
            try:
                graficas, _ = dibujar_juntos(juntos, self.ficheros, self.gnuplot, self.formatos,
                                             f"{casos.nombre}_entradas", "entradas")
            except FalloPrograma as e:
                self.fallo_de_grafica(f"{casos.nombre}: {e}", e)
        self.imprimir(("ficheros: " + ", ".join(map(str, graficas)) + "\n") if graficas else "")
        self.secciones.append(Seccion(f"casos de {casos.nombre}", graficas, tabla=texto))

    def fallo_de_grafica(self, mensaje: str, error: FalloPrograma):
        """A plot gnuplot could not draw: said, and the status 1; after a
        gnuplot that hung, no other plot is tried."""
        self.progreso.nota(mensaje)
        self.estado = 1
        if isinstance(error, GnuplotColgado):
            self.gnuplot = None

    def informar(self, estudio: Estudio) -> Optional[Analisis]:
        programa = estudio.programa
        analisis = analizar(estudio, self.opciones.terminos(programa), self.caches)
        self.progreso.limpiar()
        titulo = f"{programa.nombre}: {programa.algoritmo}"
        if estudio.entrada:
            titulo += f", entrada {estudio.entrada}"
        self.imprimir(f"== {titulo} ==")
        fuente = [f"cachés simuladas: {self.sucesos.nota}"] if self.sucesos.nota else []
        tablas = [tabla(analisis) if estudio.puntos else "", tabla_cuentas(analisis),
                  tabla_eventos(analisis, fuente)]
        for texto in tablas:
            if texto:
                self.imprimir(texto)
        self.imprimir("\n".join(veredicto(analisis)))
        if estudio.fallo:
            self.estado = 1
            self.progreso.nota(f"{estudio.etiqueta}: barrido detenido: {estudio.fallo}")
        if any(x.motivo.startswith(FALLO) for x in estudio.omitidas.get(EVENTOS.nombre, [])):
            self.estado = 1
        if not (estudio.puntos or estudio.cuentas):
            self.imprimir(f"{estudio.etiqueta}: nada medido, no se escriben sus ficheros\n")
            return None
        self.hechos.append(analisis)
        self.escribir_almacen()
        hechos = [self.ficheros.escribir(f"{estudio.fichero}.tsv", tsv(analisis))]
        graficas = []
        if self.gnuplot:
            try:
                graficas = dibujar(analisis, self.ficheros, self.gnuplot, self.formatos)
            except FalloPrograma as e:
                self.fallo_de_grafica(f"{programa.nombre}: {e}", e)
        self.secciones.append(Seccion(titulo, graficas, analisis))
        self.imprimir("ficheros: " + ", ".join(str(r) for r in hechos + graficas if r) + "\n")
        return analisis
