"""The command line of tools/sweep: reads the options, runs the study of
each program in turn and writes its tables, TSV and plots, then the files
of the whole sweep. `tools/sweep compare A B` compares two saved sweeps.

Whatever stops a sweep (a failing program, a signal, a full disk, a closed
standard output) leaves what it measured on disk, marked: the exit status
says how it ended (0, 1, 2 for an option, 128 + a signal's number)."""

import shutil
import signal
import sys
import traceback
from pathlib import Path
from typing import Dict, List, Optional, Sequence

from ..analisis.analisis import Analisis, analizar, avance
from ..datos.almacen import FICHERO as ALMACEN, Almacen, guardar as texto_del_almacen
from ..datos.cotas import Cota
from ..datos.errores import ErrorDeUso, FalloPrograma
from ..datos.estudio import Estudio
from ..escritura.ficheros import Ficheros
from ..escritura.graficas import AVISO_GNUPLOT, GnuplotColgado, dibujar, dibujar_juntos
from ..escritura.informe import Seccion, informe
from ..datos.maquina import leer_caches
from ..analisis.casos import comparar_casos
from ..analisis.decidir import por_decidir
from ..analisis.juntos import elegir_configuracion, juntar
from ..medir.medicion import Medicion, Plan
from ..medir.eventos import FaltaValgrind
from ..medir.simulacion import FALLO
from .opciones import Opciones, leer_opciones
from ..datos.medidas import EVENTOS, de_valores, por_opcion
from ..datos.programas import CONFIGURACION_ENTRADAS, Programa
from ..medir.progreso import Progreso
from ..escritura.registro import caches_como_dict, como_json, registro
from ..medir.salida import Flujo, preparar_flujos
from .anadir import Guardado, huellas, leer_anadido
from ..medir.referencia import Referencia
from ..escritura.ocupacion import ocupacion
from ..medir.procesos import detener_restos, hacerse_recogedor, marcar
from .comprobacion import Medible, comprobar
from .senales import Senales
from ..escritura.resumen import resumen
from ..escritura.tabla import tabla, tabla_cuentas, veredicto
from ..escritura.costes import FICHERO_TSV as FICHERO_COSTES, tsv_costes
from ..escritura.tabla_eventos import tabla_eventos
from .eventos import Sucesos
from ..escritura.tabla_juntos import FICHERO_TSV, tabla_juntos, texto_casos, tsv_juntos
from ..redaccion.casos import linea_casos
from ..datos.tallas import leer_tallas
from ..escritura.tsv import resumen_tsv, tsv
from ..escritura.pagina import Pagina
from ..datos.sistema import motivo


def _nombre(numero: int) -> str:
    return signal.Signals(numero).name


def _error_interno(e: BaseException) -> str:
    """One line on an error of the sweep's own: what and where."""
    marcos = traceback.extract_tb(e.__traceback__)
    donde = f", en {Path(marcos[-1].filename).name}:{marcos[-1].lineno}" if marcos else ""
    que = motivo(e) if isinstance(e, OSError) else e
    return f"error interno del barrido ({type(e).__name__}: {que}{donde})"


class Barrido:
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
                    max(0, o.series() - self.series_hechas) * o.cuota(), o.nombradas,
                    anadir=self.guardado is not None, prevision=series * o.cuota())
        self.limite = plan.limite
        if EVENTOS.nombre in o.nombradas:
            plan.eventos = self.sucesos.plan(programa, entrada)
        self.almacen.estudios.append(estudio)
        self.decir_semilla()
        try:
            Medicion(estudio, plan, self.progreso, lambda: self.guardar(estudio),
                     self.referencia, por_decidir).medir()
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

    def previo(self, nuevo: Estudio, tallas: List[int]):
        """The saved study of the series `nuevo` would start, with the bounds
        and seed this sweep judges by, and the sizes to add to: --sizes, or
        every size of the study."""
        assert self.guardado is not None
        estudio = self.guardado.estudios[nuevo.etiqueta]
        estudio.cotas, estudio.cotas_fijas = nuevo.cotas, nuevo.cotas_fijas
        estudio.semilla = nuevo.semilla
        estudio.configuraciones = [c for c in nuevo.configuraciones
                                   if c in estudio.configuraciones]
        return estudio, self.opciones.tallas or self.guardado.tallas(nuevo.etiqueta)

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

    def cerrar(self, argv: Sequence[str]):
        """The files of the whole sweep, from the studies made so far: the
        summary, the record and the report."""
        estudios = [a.estudio for a in self.hechos]
        referencia = self.referencia.como_dict()
        if self.guardado:
            referencia = self.guardado.referencia_tras(referencia)
        ocupada = ocupacion(estudios, referencia,
                            self.guardado.repetidas() if self.guardado else 0)
        if self.opciones.tiempos and estudios:
            self.imprimir(ocupada["texto"] + "\n")
        juntos = self.juntos() if self.opciones.juntos and len(self.hechos) >= 2 else None
        if (len(self.opciones.programas) > 1 or self.resumen_casos) and self.hechos:
            self.imprimir("== resumen ==\n" + resumen(self.hechos))
            for linea in self.resumen_casos:
                self.imprimir(linea)
        if not self.hechos:
            return
        self.ficheros.escribir("resumen.tsv", resumen_tsv(self.hechos))
        binarios = {}
        for estudio in estudios:
            medidas = [m for m in self.opciones.nombradas if estudio.valores_de(m)]
            for configuracion in estudio.configuraciones + medidas:
                clave = ("entradas" if estudio.entrada and not de_valores(configuracion)
                         else configuracion)
                binarios.setdefault(clave, estudio.programa.binario(configuracion,
                                                                    estudio.entrada))
        datos = registro(["tools/sweep", *argv], self.opciones.directorio_bin, binarios,
                         self.plan(), self.opciones.repetir(self.tallas),
                         caches_como_dict(self.caches))
        if self.guardado:
            datos = self.guardado.registro_tras(datos, argv)
        else:
            datos["plan"]["huellas"] = huellas(self.opciones.directorio_bin, estudios)
        datos["referencia"], datos["ocupada"] = referencia, ocupada
        self.almacen.registro = datos
        self.escribir_almacen()
        self.ficheros.escribir("registro.json", como_json(datos))
        incompleto = any(e.incompleto for e in estudios)
        texto = informe(datos, self.secciones, juntos, incompleto=incompleto)
        self.ficheros.escribir("informe.md", texto)
        self.pagina.escribir(texto)  # informe.html, from the same document

    def plan(self) -> Dict[str, object]:
        """What this sweep measured, for the record: every option that
        changes it, and the sizes each program actually measured."""
        o = self.opciones
        return {
            "semilla": o.semilla if o.tiempos else None,
            "rondas": o.rondas if o.tiempos else 1,
            "presupuesto_s": o.presupuesto,
            "limite_s": self.limite,
            "precision": o.precision if o.tiempos else None,
            "max_rondas": o.max_rondas,
            "medidas": [por_opcion(m).nombre for m in o.medidas],
            "configuraciones": o.configuraciones if o.tiempos else [],
            "cotas": [c.texto for c in o.cotas] if o.cotas else None,
            "modelo": o.modelo,
            "programas": str(o.directorio_bin),
            "tallas": self.tallas,
            "omitidas": self.omitidas,
            **self.sucesos.del_plan(),
        }

    def escribir_almacen(self, en_curso: Optional[Estudio] = None):
        """estudio.json as it stands; en_curso: the study being measured."""
        o = self.opciones
        self.almacen.en_curso = en_curso
        self.almacen.plan = {
            **self.plan(), "nombres_de_programas": [p.nombre for p in o.programas],
            "entradas": list(o.entradas) if o.entradas else None, "tallas_pedidas": o.tallas,
            "terminos": {e.programa.nombre: [c.texto for c in o.terminos(e.programa)]
                         for e in self.almacen.estudios}}
        self.ficheros.escribir(ALMACEN, texto_del_almacen(self.almacen))

    def juntos(self) -> Seccion:
        """The programs side by side: the table of times (and counts) at each
        size relative to the fastest, its TSV and the joint plot."""
        pedidas = self.opciones.configuraciones
        configuracion = elegir_configuracion([a.estudio for a in self.hechos],
                                             pedidas) or pedidas[0]
        juntos = juntar(self.hechos, configuracion)
        texto = tabla_juntos(juntos)
        self.imprimir("== juntos ==\n" + texto.rstrip("\n"))
        hechos = [self.ficheros.escribir(FICHERO_TSV, tsv_juntos(juntos))]
        graficas = []
        if self.gnuplot:
            try:
                graficas, notas = dibujar_juntos(juntos, self.ficheros, self.gnuplot,
                                                 self.formatos)
                # What the table does not already say.
                for nota in notas:
                    if nota not in juntos.notas_aparte:
                        self.progreso.nota(nota)
            except FalloPrograma as e:
                self.fallo_de_grafica(str(e), e)
        self.imprimir("ficheros: " + ", ".join(str(r) for r in hechos + graficas if r) + "\n")
        nombres = ", ".join(a.estudio.programa.nombre for a in self.hechos)
        return Seccion(f"juntos: {nombres}", graficas, tabla=texto)

    def lo_que_queda(self) -> int:
        """Says which files could not be written, and what remains: the
        status 1 when any could not."""
        if not self.ficheros.fallidos:
            return 0
        fallidos = "; ".join(f"{n} ({m})" for n, m in self.ficheros.fallidos.items())
        escritos = ", ".join(self.ficheros.escritos()) or "ninguno"
        self.progreso.nota(f"no se pudieron escribir en {self.opciones.salida}: {fallidos}. Lo que"
                           f" queda: lo que salió por la salida estándar y {escritos}")
        return 1


def main(argv: Optional[Sequence[str]] = None) -> int:
    preparar_flujos()
    argv = list(sys.argv[1:] if argv is None else argv)
    if argv[:1] == ["compare"]:
        from .comparacion import main_comparar
        return main_comparar(argv[1:])
    senales = Senales()
    senales.instalar()
    hacerse_recogedor()
    try:
        return barrer(argv, senales)
    except KeyboardInterrupt as e:  # before anything was measured
        numero = getattr(e, "numero", signal.SIGINT)
        Progreso().nota(f"sweep: interrumpido por {_nombre(numero)} antes de medir nada")
        return 128 + numero


def barrer(argv: Sequence[str], senales: Senales) -> int:
    """The sweep of the programs the options name, or of the plan of a saved
    study that it adds to (--append); its exit status."""
    guardado = None
    if any(a == "--append" or a.startswith("--append=") for a in argv):
        opciones, guardado = leer_anadido(argv)
    else:
        opciones = leer_opciones(argv)
    if EVENTOS.nombre in opciones.nombradas and shutil.which("valgrind") is None:
        # Before anything is measured, or a previous study's files removed.
        Progreso().nota(f"sweep: error: {FaltaValgrind()}")
        return 1
    barrido = Barrido(opciones, senales, guardado)
    # Every program checked before the previous study's files are touched:
    # a sweep that can measure nothing leaves them as they are.
    medibles = {p.nombre: barrido.comprobar(p) for p in opciones.programas}
    if not any(medibles.values()):
        return 1
    try:
        barrido.ficheros.tomar(conservar=guardado is not None)
    except ErrorDeUso as e:
        barrido.progreso.nota(f"sweep: error: {e}")
        return 2
    marca = marcar(opciones.salida)
    if barrido.ficheros.reservado and (restos := detener_restos(marca)):
        varios = "s" if restos > 1 else ""
        barrido.progreso.nota(f"se detiene{varios.replace('s', 'n')} {restos} proceso{varios} que"
                              f" un barrido anterior en {opciones.salida} dejó en marcha al morir")
    if barrido.gnuplot is None:
        barrido.progreso.nota(AVISO_GNUPLOT)
    estado = 0
    try:
        for programa in opciones.programas:
            barrido.estudiar(programa, medibles[programa.nombre])
    except KeyboardInterrupt as e:
        numero = getattr(e, "numero", signal.SIGINT)
        causa = "interrumpido" + ("" if numero == signal.SIGINT else f" por {_nombre(numero)}")
        barrido.progreso.nota(f"{causa}: se escribe lo ya medido, marcado como incompleto")
    except Exception as e:
        barrido.progreso.nota(f"{_error_interno(e)}; se escribe lo ya medido")
        estado = 1
    # The files of the whole sweep are written whatever comes now: a signal
    # only sets the exit status.
    senales.atender()
    try:
        barrido.cerrar(argv)
    except Exception as e:
        barrido.progreso.nota(_error_interno(e))
        estado = 1
    estado = max(estado, barrido.estado, barrido.lo_que_queda())
    if senales.recibida is not None:
        return 128 + senales.recibida
    barrido.progreso.nota(f"tiempo total: {barrido.progreso.transcurrido():.0f} s")
    return estado
