"""The end of a sweep: the files of the whole sweep written from the
studies made so far (the summary, the store, the record, the report, the
programs side by side), and what could not be written."""

from typing import Dict, Optional, Sequence

from ..datos.almacen import FICHERO as ALMACEN, guardar as texto_del_almacen
from ..datos.errores import FalloPrograma
from ..datos.estudio import Estudio
from ..escritura.graficas import dibujar_juntos
from ..escritura.informe import Seccion, informe
from ..analisis.juntos import elegir_configuracion, juntar
from ..datos.medidas import de_valores, por_opcion
from ..escritura.registro import caches_como_dict, como_json, registro
from .anadir import huellas
from ..escritura.ocupacion import ocupacion
from ..escritura.resumen import resumen
from ..escritura.tabla_juntos import FICHERO_TSV, tabla_juntos, tsv_juntos
from ..escritura.tsv import resumen_tsv


class CierreDelBarrido:
    """The files of the whole sweep; the base of Barrido (ordenes/barrido.py),
    whose attributes, set by its __init__, these methods read."""

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
