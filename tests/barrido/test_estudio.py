"""The model of a study: what tsv writes, the reader loads back into the
same model; and every writer, fed the model of one sweep of fake
programs, says the same thing as the others."""

import re
import shutil
import tempfile
import unittest
from pathlib import Path

from comun import ConFalsos
from barrido.analisis.analisis import analizar
from barrido.datos.cotas import Cota
from barrido.datos.errores import ErrorDeUso
from barrido.datos.estudio import Estudio, Omision, Punto
from barrido.escritura.informe import markdown
from barrido.datos.programas import PROGRAMAS
from barrido.escritura.tabla import tabla, tabla_cuentas
from barrido.escritura.tsv import leer_tsv, tsv


def estudio(nombre, configuraciones, tallas, cuentas=True, tiempos=True, **campos):
    """A study of the program at the sizes, with three invocations a size
    (six significant digits, as the programs print them), counts that are
    exact in ten, and the fields given (omitidas, fallo, interrumpido)."""
    programa = PROGRAMAS[nombre]
    e = Estudio(programa, list(configuraciones) if tiempos else [],
                [Cota(c) for c in programa.cotas], **campos)
    for k, configuracion in enumerate(e.configuraciones):
        for n in tallas:
            t = (k + 1) * 2.5e-10 * n * n
            e.puntos.append(Punto(n, configuracion, [float(f"{t * f:.6g}") for f in (1.1, 1, 1.3)],
                                  n <= programa.umbral_repeticion))
    if cuentas:
        for n in tallas:
            e.cuentas[n] = {programa.cuenta: n * (n - 1) / 2, "escrituras": n + 0.5}
    return e


def puntos(e: Estudio):
    return sorted((p.configuracion, p.n, p.valores, p.repeticion, p.cortada) for p in e.puntos)


class IdaYVuelta(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()

    def tearDown(self):
        self.tmp.cleanup()

    def ida_y_vuelta(self, e: Estudio) -> Estudio:
        ruta = Path(self.tmp.name, f"{e.programa.nombre}.tsv")
        ruta.write_text(tsv(analizar(e, [])), encoding="utf-8")
        return leer_tsv(ruta)

    def test_el_estudio_leido_es_el_escrito(self):
        casos = {
            "dos configuraciones y cuentas": estudio("insertion", ["O0", "O2"], [500, 700, 1000]),
            "por repetición, tallas impares": estudio("selection", ["O2"], [1000, 2000, 3001]),
            "solo tiempos": estudio("quicksort", ["O2"], [1000, 2000, 4000], cuentas=False),
            "solo cuentas": estudio("bubble", ["O2"], [100, 200], tiempos=False),
            "omitidas y fallo": estudio(
                "hanoi", ["O0", "O2"], [16, 17], omitidas={"O2": [Omision(18, "se prevén 12 s"),
                                                                   Omision(19, "")]},
                fallo="«bench_hanoi_O0 18» murió por la señal SIGSEGV"),
            "interrumpido": estudio("floyd", ["O2"], [125, 250], interrumpido=True),
            "por SIGTERM, con tallas cortadas": estudio(
                "bubble", ["O2"], [100, 200], interrumpido=True, senal="SIGTERM",
                omitidas={"O2": [Omision(400, "cortada al límite de 31 s", True),
                                 Omision(800, "mayor que una talla cortada")]}),
        }
        for caso, escrito in casos.items():
            with self.subTest(caso=caso):
                leido = self.ida_y_vuelta(escrito)
                self.assertEqual(leido.programa, escrito.programa)
                self.assertEqual(leido.configuraciones, escrito.configuraciones)
                self.assertEqual([c.texto for c in leido.cotas], [c.texto for c in escrito.cotas])
                self.assertEqual(puntos(leido), puntos(escrito))
                self.assertEqual(leido.cuentas, escrito.cuentas)
                self.assertEqual(leido.omitidas, escrito.omitidas)
                self.assertEqual((leido.fallo, leido.interrumpido, leido.senal),
                                 (escrito.fallo, escrito.interrumpido, escrito.senal))
                # What is concluded from it is the same too.
                self.assertEqual(tabla(analizar(leido, [])), tabla(analizar(escrito, [])))

    def test_un_estudio_anterior_al_formato_se_lee(self):
        # docs/insercion was saved before the version line existed.
        raiz = Path(__file__).resolve().parent.parent.parent
        e = leer_tsv(raiz / "docs" / "insercion" / "insertion.tsv")
        self.assertEqual(e.configuraciones, ["O0", "O2"])
        self.assertEqual(e.nombres_de_cuentas, ["comparaciones", "escrituras"])
        self.assertEqual([c.texto for c in e.cotas], ["n^1.8", "n^2", "n^2.2"])
        self.assertEqual(len(e.puntos_de("O2")), 15)
        self.assertTrue(all(len(p.valores) == 5 for p in e.puntos))

    def test_lo_que_no_se_lee_se_dice_con_fichero_y_linea(self):
        cabecera = "n\tconfiguracion\tmediana\tvalores\tcomparaciones\n"
        # (file body, message)
        casos = [
            (cabecera + "100\tO2\t1\t5.4.69\t10\n", "línea 2: «5.4.69» no es una lista"),
            (cabecera + "100\tO2\t1\t0.1\n", "línea 2: tiene 4 campos y la cabecera 5"),
            (cabecera + "100\tO2\t1\t0.1\tmuchas\n", "línea 2: comparaciones «muchas» no es un"
                                                      " número"),
            (cabecera + "100\tO2\t1\t0.1\tinf\n", "línea 2: comparaciones «inf» no es un número"
                                                   " finito"),
            (cabecera + "cien\tO2\t1\t0.1\t10\n", "línea 2: la talla «cien» no es un entero"),
            (cabecera + "100\tO2\t1\t0.1\t10", "línea 2: la última línea está cortada"),
            # A number cut short, a time no invocation lasts, digits of another script.
            (cabecera + "100\tO2\t1\t0.1,5.469e-0\t10\n", "línea 2: «0.1,5.469e-0» no es una"
                                                          " lista de números"),
            (cabecera + "100\tO2\t1\t1e+308\t10\n", "línea 2: «1e+308» tiene tiempos de más de"
                                                    " 1e+06 s"),
            (cabecera + "100\tO2\t1\t0.1\t5.469e-0\n", "línea 2: comparaciones «5.469e-0» no es"
                                                       " un número"),
            (cabecera + "١٠٠\tO2\t1\t0.1\t10\n", "línea 2: la talla «١٠٠» no es un entero"),
        ]
        for texto, mensaje in casos:
            with self.subTest(mensaje=mensaje):
                ruta = Path(self.tmp.name, "x.tsv")
                ruta.write_text(texto, encoding="utf-8")
                with self.assertRaises(ErrorDeUso) as error:
                    leer_tsv(ruta)
                self.assertIn(f"{ruta}, {mensaje}", str(error.exception))


class Marcas(unittest.TestCase):
    def test_tiempos_y_cuentas_que_no_son_del_todo(self):
        # A negative time and a time of 0 on the repeated path, a size cut
        # later on, and counts past 2^53: marked in the table and the TSV.
        e = estudio("selection", ["O2"], [1000, 2000, 4000, 8000], cuentas=False)
        e.punto("O2", 1000).valores = [-2e-6, 1e-4, 1e-4]
        e.punto("O2", 2000).valores = [0.0, 4e-4, 4e-4]
        e.punto("O2", 8000).cortada = True
        e.cuentas = {n: {"comparaciones": float(n * n), "escrituras": 1.0} for n in (1000, 2000)}
        e.cuentas[2000]["comparaciones"] = 2.0**60
        analisis = analizar(e, [])
        notas = {f.punto.n: f.marcas for f in analisis.configuraciones["O2"].filas}
        self.assertEqual(notas, {1000: ["rep", "neg", "*"], 2000: ["rep", "<res", "*"],
                                 4000: [], 8000: ["cortada"]})
        self.assertEqual(analisis.configuraciones["O2"].ajuste.puntos, 2)
        lineas = [l.split("\t") for l in tsv(analisis).splitlines()[2:]]
        self.assertEqual([l[8] for l in lineas], ["repeticion,negativo,fuera_del_ajuste",
                                                  "repeticion,bajo_resolucion,fuera_del_ajuste,"
                                                  "cuenta_inexacta", "", "cortada_al_limite"])
        cuentas = tabla_cuentas(analisis).splitlines()
        self.assertTrue(cuentas[2].endswith("inexacta"))
        self.assertIn("inexacta: pasa de 2^53", cuentas[-1])


class LosEscritoresDicenLoMismo(ConFalsos):
    """One sweep of fake programs: the table it printed, the TSV it wrote
    read back, resumen.tsv, informe.md and the plots all come from one
    model and agree."""

    def test_un_barrido(self):
        for programa in ("insertion", "bubble"):
            self.falso(f"bench_{programa}", "cuadratico_variable")
            self.falso(f"bench_{programa}_cuentas", "cuentas_cuadraticas")
        r = self.barrer("insertion", "bubble", "--sizes", "100:3200:x2", "--measure",
                        "time,counts", "--repeat", "3", "--together", "--seed", "5")
        self.assertEqual(r.returncode, 0, r.stderr)
        resumen = [dict(zip(self.filas_resumen()[0], f)) for f in self.filas_resumen()[1:]]
        informe = (self.out / "informe.md").read_text(encoding="utf-8")
        for programa in ("insertion", "bubble"):
            with self.subTest(programa=programa):
                # The saved study, read back, gives the table the sweep printed.
                leido = leer_tsv(self.out / f"{programa}.tsv")
                self.assertIn(tabla(analizar(leido, [])), r.stdout)
                filas = [f for f in resumen if f["programa"] == programa]
                self.assertEqual([(f["configuracion"], f["medida"]) for f in filas],
                                 [("cuentas", "comparaciones"), ("O2", "tiempo")])
                for f in filas:
                    # The printed verdict, resumen.tsv and the report say one thing.
                    self.assertIn(f"veredicto {f['configuracion']}: {f['texto']}", r.stdout)
                    self.assertIn(f"Veredicto: {markdown(f['texto'])}.", " ".join(informe.split()))
                    self.assertEqual(f["cota"], "n^2")
                tiempo = filas[1]
                self.assertLessEqual(float(tiempo["exponente_inf"]), float(tiempo["exponente"]))
                self.assertLessEqual(float(tiempo["exponente"]), float(tiempo["exponente_sup"]))
                self.assertEqual(tiempo["segun_cuentas"], "n^2")
                self.assertTrue(tiempo["texto"].endswith("; las cuentas también crecen como n^2"))
        secciones = re.findall(r"^## (.*)$", informe, re.MULTILINE)
        self.assertEqual(secciones, ["Registro", "Resumen", "Para repetirlo",
                                     "insertion: ordenación por inserción",
                                     "bubble: ordenación por burbuja",
                                     "juntos: insertion, bubble"])
        # The summary printed and the report's table are the same rows, and
        # resumen.tsv has the window each time row shows.
        impresas = r.stdout[r.stdout.index("== resumen ==\n") + 14:].splitlines()
        impresas = [re.split(r"  +", l) for l in impresas if l]
        resumen_informe = informe[informe.index("## Resumen"):informe.index("## insertion")]
        tabla_informe = [[c.strip().replace("\\", "") for c in l.strip("|").split(" | ")]
                         for l in resumen_informe.splitlines() if l.startswith("| ")]
        self.assertEqual(tabla_informe, impresas)
        self.assertEqual(len(impresas), 1 + len(resumen))
        for fila_tsv, fila_tabla in zip(resumen, impresas[1:]):
            if fila_tsv["medida"] == "tiempo":
                self.assertEqual(fila_tabla[7], f"[{float(fila_tsv['margen_inf']):+.3f},"
                                                f" {float(fila_tsv['margen_sup']):+.3f}]")
                self.assertEqual(fila_tabla[5], f"{fila_tsv['veredicto_desde']}–"
                                                f"{fila_tsv['veredicto_hasta']}")
                self.assertTrue(fila_tabla[6].startswith(fila_tsv["pendiente_de"] + " "))
        if shutil.which("gnuplot"):
            for nombre in ("insertion.svg", "insertion_cocientes.svg", "insertion_cuentas.svg",
                           "juntos.svg"):
                self.assertIn("<svg", (self.out / nombre).read_text(encoding="utf-8"))

    def filas_resumen(self):
        return [l.split("\t") for l in (self.out / "resumen.tsv").read_text().splitlines()]
