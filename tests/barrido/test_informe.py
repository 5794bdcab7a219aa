"""The tables, the TSV files and the verdict lines of studies made by hand."""

import re
import shlex
import unittest
from pathlib import Path

import comun  # noqa: F401  (puts the package on the path)
from barrido.escritura import tabla, tsv
from barrido.analisis.analisis import analizar
from barrido.escritura.graficas import Grafica
from barrido.escritura.informe import ANCHO_PROSA, ANCHO_TABLA, Seccion, informe, markdown, partir_orden, pie
from barrido.datos.cotas import Cota
from barrido.datos.estudio import Estudio, Punto
from barrido.datos.programas import PROGRAMAS


def estudio_de_ejemplo():
    """Two configurations of a program timed by repetition at small sizes,
    with one point below the clock's resolution."""
    programa = PROGRAMAS["mergesort"]
    estudio = Estudio(programa, ["O2", "O3"], [Cota("n"), Cota("n*log(n)")])
    for n, t2, t3 in [(1, 5e-8, 4e-8), (1000, 1e-4, 5e-5), (4000, 5e-4, 2.5e-4),
                      (16000, 2e-3, 1e-3)]:
        estudio.puntos.append(Punto(n, "O2", [t2 * 1.2, t2, t2 * 0.9], n <= 2000))
        estudio.puntos.append(Punto(n, "O3", [t3], n <= 2000))
    estudio.puntos.sort(key=lambda p: p.configuracion)
    return estudio


class Informe(unittest.TestCase):
    def test_tsv(self):
        # Every invocation's value, in the order they ran, closes each line.
        cabecera = ("n\tconfiguracion\tmediana\tminimo\tmaximo\tt/n\tt/(n*log(n))\taceleracion"
                    "\tnotas\tvalores\tdoblado\texponente_local\tbytes_de_datos")
        self.assertEqual(
            tsv.tsv(analizar(estudio_de_ejemplo(), [])).splitlines()[1:],
            [
                cabecera,
                "1\tO2\t5e-08\t4.5e-08\t6e-08\t5e-08\t\t1\t"
                "repeticion,bajo_resolucion,fuera_del_ajuste\t6e-08,5e-08,4.5e-08\t\t\t4",
                "1000\tO2\t0.0001\t9e-05\t0.00012\t1e-07\t1.44765e-08\t1\t"
                "repeticion,fuera_del_ajuste\t0.00012,0.0001,9e-05\t\t\t4000",
                "4000\tO2\t0.0005\t0.00045\t0.0006\t1.25e-07\t1.5071e-08\t1\t"
                "\t0.0006,0.0005,0.00045\t\t\t16000",
                "16000\tO2\t0.002\t0.0018\t0.0024\t1.25e-07\t1.29128e-08\t1\t"
                "\t0.0024,0.002,0.0018\t\t\t64000",
                "1\tO3\t4e-08\t4e-08\t4e-08\t4e-08\t\t1.25\t"
                "repeticion,bajo_resolucion,fuera_del_ajuste\t4e-08\t\t\t4",
                "1000\tO3\t5e-05\t5e-05\t5e-05\t5e-08\t7.23824e-09\t2\t"
                "repeticion,fuera_del_ajuste\t5e-05\t\t\t4000",
                "4000\tO3\t0.00025\t0.00025\t0.00025\t6.25e-08\t7.53552e-09\t2\t\t0.00025\t\t\t16000",
                "16000\tO3\t0.001\t0.001\t0.001\t6.25e-08\t6.45638e-09\t2\t\t0.001\t\t\t64000",
            ],
        )

    def test_cuentas_doblado_e_incompleto(self):
        # Sizes that double get t(n)/t(n/2) and its log2; counts add their
        # columns and the time per operation; a failure closes the file.
        estudio = Estudio(PROGRAMAS["bubble"], ["O2"], [Cota("n^2")])
        for n in (1000, 2000, 4000):
            estudio.puntos.append(Punto(n, "O2", [1e-9 * n * n], False))
            estudio.cuentas[n] = {"comparaciones": n * (n - 1) / 2, "escrituras": n / 3}
        estudio.fallo = "«bench_bubble 8000» murió por la señal SIGSEGV\nmás"
        lineas = tsv.tsv(analizar(estudio, [])).splitlines()[1:]
        cabecera = lineas[0].split("\t")
        self.assertEqual(cabecera[-7:], ["doblado", "exponente_local", "comparaciones",
                                         "escrituras", "c/n^2", "ns_por_comparacion",
                                         "bytes_de_datos"])
        fila = dict(zip(cabecera, lineas[3].split("\t")))
        self.assertEqual((fila["doblado"], fila["exponente_local"]), ("4", "2"))
        self.assertEqual(fila["comparaciones"], "7998000")
        self.assertEqual(fila["escrituras"], "1333.333333")
        self.assertEqual(fila["ns_por_comparacion"], "2.001")
        self.assertEqual(lineas[-1], "# incompleto: «bench_bubble 8000» murió por la señal SIGSEGV")
        self.assertIn("t(n)/t(n/2)", tabla.tabla(analizar(estudio, [])).splitlines()[0])
        self.assertIn("ns/comparación", tabla.tabla(analizar(estudio, [])).splitlines()[0])

    def test_tabla_alineada_con_notas_y_leyenda(self):
        lineas = tabla.tabla(analizar(estudio_de_ejemplo(), [])).splitlines()
        cabecera, filas = lineas[0], lineas[1:9]
        titulos = cabecera.split()
        self.assertEqual(titulos, ["n", "datos", "conf", "t(n)", "s", "mín", "máx", "t/n",
                                   "t/(n*log(n))", "aceleración", "notas"])
        # Every number ends under the end of its column's heading.
        finales = [cabecera.index(t) + len(t) for t in ["n", "datos", "conf", "t(n) s", "mín",
                                                        "máx", "t/n", "t/(n*log(n))",
                                                        "aceleración"]]
        self.assertEqual(filas[2].split()[1], "16KiB")  # 4000 keys of 4 bytes
        for fila in filas:
            campos = fila.split()[:9]
            posicion, fin = 0, []
            for campo in campos:
                posicion = fila.index(campo, posicion) + len(campo)
                fin.append(posicion)
            self.assertEqual(fin, finales, fila)
        self.assertTrue(filas[0].endswith("rep <res *"))
        self.assertIn(" - ", filas[0])  # no n*log(n) ratio at n = 1
        self.assertTrue(filas[1].endswith("1.00  rep *"))
        self.assertTrue(filas[2].endswith("1.00"))
        self.assertTrue(filas[6].endswith("2.00"))
        self.assertEqual([l.split(":")[0] for l in lineas[9:]], ["rep", "<res", "*", "datos"])

    def test_dispersion_ancha(self):
        # A maximum more than 1.25 times the median marks the point.
        for valores, inestable in [([1.0, 1.0, 1.3], True), ([1.0, 1.0, 1.2], False),
                                   ([5.0], False), ([0.9, 1.0, 1.1], False)]:
            with self.subTest(valores=valores):
                self.assertEqual(Punto(10, "O2", valores, False).inestable, inestable)

    def test_puntos_fuera_del_ajuste(self):
        # (n, timed by repetition, median) of one series -> the sizes fitted.
        casos = [
            ([(1, False, 5e-8), (100, False, 1e-5), (200, False, 4e-5)], [100, 200]),
            ([(1000, True, 1e-4), (2000, True, 4e-4), (4000, False, 2e-3)], [1000, 2000, 4000]),
            ([(1000, True, 1e-4), (4000, False, 2e-3), (8000, False, 8e-3)], [4000, 8000]),
            ([(1000, True, 1e-4), (2000, True, 4e-4)], [1000, 2000]),
            ([(10, True, 1e-7), (2000, True, 4e-4), (4000, False, 2e-3), (8000, False, 2e-7)],
             [2000, 4000]),
        ]
        for puntos, ajustadas in casos:
            with self.subTest(puntos=puntos):
                estudio = Estudio(PROGRAMAS["selection"], ["O2"], [Cota("n^2")])
                estudio.puntos = [Punto(n, "O2", [t], rep) for n, rep, t in puntos]
                self.assertEqual([n for n, _ in estudio.muestras("O2")], ajustadas)

    def test_veredicto(self):
        estudio = estudio_de_ejemplo()
        lineas = tabla.veredicto(analizar(estudio, []))
        # The fit takes each size's median, as the table prints it.
        # It says that it takes every size fitted, unlike the verdict.
        self.assertRegex(lineas[0], r"^ajuste O2: t\(n\) ≈ 1.25e-07 \[[^]]+\]·n\^1.00"
                                    r" \[[^]]+\] en todas las tallas \(4000 a 16000\)"
                                    r"  \(R² = 1.0000; 2 de 4 puntos\)$")
        self.assertIn("t/n casi constante ×1; t/(n*log(n)) casi constante ×0.857", lineas[1])
        self.assertTrue(lineas[2].startswith("veredicto O2: "))


def estudio_con_cuentas(nombre, t, c, tallas):
    programa = PROGRAMAS[nombre]
    estudio = Estudio(programa, ["O2"], [Cota(x) for x in programa.cotas], semilla=3)
    for n in tallas:
        estudio.puntos.append(Punto(n, "O2", [t(n) * f for f in (1.02, 1.0, 1.05)], False))
        estudio.cuentas[n] = {programa.cuenta: c(n), "escrituras": n / 2}
    return estudio


class Documento(unittest.TestCase):
    """informe.md of two programs' studies, made by hand."""

    def setUp(self):
        import math
        tallas = [1000 * 2**k for k in range(8)]
        self.analisis = [
            analizar(estudio_con_cuentas("bubble", lambda n: 1e-9 * n * n,
                                         lambda n: n * (n - 1) / 2, tallas[:6]), []),
            analizar(estudio_con_cuentas("quicksort", lambda n: 5e-9 * n * math.log(n),
                                         lambda n: 2 * n * math.log(n), tallas), []),
        ]
        self.graficas = {a.estudio.programa.nombre: [
            Grafica(Path(f"{a.estudio.programa.nombre}{sufijo}.{formato}"), clase)
            for formato in ("svg", "png")
            for sufijo, clase in (("", "tiempos"), ("_cocientes", "cocientes"), ("_cuentas", "cuentas"))]
            for a in self.analisis}
        self.registro = {
            "fecha": "2025-01-01T00:00:00+00:00", "orden": "tools/sweep bubble quicksort",
            "plan": {"semilla": 3, "rondas": 3, "presupuesto_s": 10.0, "limite_s": 31.0,
                     "medidas": ["time", "counts"], "configuraciones": ["O2"],
                     "tallas": {"bubble": tallas[:6], "quicksort": tallas}},
            "repetir": ["tools/sweep bubble --sizes 1000,2000 --seed 3",
                        "tools/sweep quicksort --sizes 1000,2000,4000 --seed 3"],
        }
        secciones = [Seccion(f"{a.estudio.programa.nombre}: {a.estudio.programa.algoritmo}",
                             self.graficas[a.estudio.programa.nombre], a)
                     for a in self.analisis]
        self.texto = informe(self.registro, secciones)
        self.lineas = self.texto.splitlines()

    def seccion(self, titulo):
        inicio = self.lineas.index(f"## {titulo}")
        fin = next((i for i in range(inicio + 1, len(self.lineas))
                    if self.lineas[i].startswith("## ")), len(self.lineas))
        return self.lineas[inicio + 1:fin]

    def test_registro_y_resumen_primero(self):
        titulos = [l[3:] for l in self.lineas if l.startswith("## ")]
        self.assertEqual(titulos, ["Registro", "Resumen", "Para repetirlo",
                                   "bubble: ordenación por burbuja", "quicksort: quicksort"])
        registro = self.seccion("Registro")
        self.assertIn("- semilla: 3 (el orden de las rondas barajadas y el bootstrap)", registro)
        self.assertIn("- tallas quicksort: 8, de 1000 a 128000", registro)
        repetir = self.seccion("Para repetirlo")
        inicio = repetir.index("```sh")
        bloque = repetir[inicio + 1:repetir.index("```", inicio)]
        self.assertEqual(bloque, self.registro["repetir"])

    def test_una_tabla_de_resumen_una_fila_por_conclusion(self):
        resumen = self.seccion("Resumen")
        filas = [l for l in resumen if l.startswith("|")]
        conclusiones = [c for a in self.analisis for c in a.conclusiones]
        self.assertEqual(len(filas), 2 + len(conclusiones))
        self.assertTrue(re.fullmatch(r"\|(-+:?\|)+", filas[1]), filas[1])
        # Padded to one width, so that the table also reads in a pager.
        self.assertEqual(len({len(f) for f in filas}), 1)
        celdas = [[c.strip() for c in f.strip("|").split(" | ")] for f in filas[2:]]
        self.assertEqual([(c[0], c[1]) for c in celdas],
                         [("bubble", "comparaciones"), ("bubble", "tiempo O2"),
                          ("quicksort", "comparaciones"), ("quicksort", "tiempo O2")])
        # The time rows carry the verdict's window; a bound is escaped.
        self.assertEqual(celdas[3][2], "n\\*log(n)")
        self.assertRegex(celdas[1][7], r"^\[-0\.\d{3}, \+0\.\d{3}\]$")

    def test_una_seccion_por_programa_con_cada_pie_una_vez(self):
        for a in self.analisis:
            nombre = a.estudio.programa.nombre
            with self.subTest(programa=nombre):
                seccion = "\n".join(self.seccion(f"{nombre}: {a.estudio.programa.algoritmo}"))
                for grafica in self.graficas[nombre]:
                    if grafica.suffix == ".svg":
                        self.assertEqual(seccion.count(f"]({grafica.name})"), 1)
                    else:
                        self.assertNotIn(grafica.name, seccion)
                for grafica in self.graficas[nombre][:3]:
                    self.assertEqual(" ".join(seccion.split()).count(markdown(pie(grafica))), 1)
                    self.assertNotIn(f"![{markdown(pie(grafica))}", seccion)  # not as alt text
                # The notes in prose, a paragraph per measure, in lines a pager holds.
                self.assertIn("**Cuentas.** Ajuste: c(n) ≈", seccion)
                self.assertIn("**Tiempos O2.** Ajuste: t(n) ≈", seccion)
                fuera_de_bloques = re.sub(r"```.*?```", "", seccion, flags=re.DOTALL)
                for linea in fuera_de_bloques.splitlines():
                    self.assertLessEqual(len(linea), ANCHO_TABLA + 2, linea)
                    self.assertFalse(linea.startswith(("veredicto", "ajuste")), linea)

    def test_orden_partida(self):
        # A long command in lines a pager holds, which the shell reads as
        # the same words.
        orden = ("tools/sweep selection bubble insertion quicksort heapsort --sizes "
                 + ",".join(str(1000 * k) for k in range(1, 12))
                 + " --seed 5 --bounds 'n*log(n),n^2' --repeat 3 --together")
        partida = partir_orden(orden)
        self.assertGreater(len(partida.splitlines()), 2)
        self.assertTrue(all(len(l) <= ANCHO_PROSA for l in partida.splitlines()))
        self.assertEqual(shlex.split(partida.replace("\\\n", " ")), shlex.split(orden))
        self.assertIn("--seed 5 ", partida)  # an option beside its value

    def test_markdown(self):
        # (text of the sweep, as the document writes it)
        casos = [
            ("t/(n*log(n)) crece; n*log(n) no", "t/(n\\*log(n)) crece; n\\*log(n) no"),
            ("<res: bajo la resolución", "\\<res: bajo la resolución"),
            ("quedan ~3 s, ~4 s", "quedan \\~3 s, \\~4 s"),
            ("ns_por_comparacion", "ns\\_por\\_comparacion"),
            ("n^2 [1.98, 2.07]", "n^2 [1.98, 2.07]"),
        ]
        for texto, esperado in casos:
            with self.subTest(texto=texto):
                self.assertEqual(markdown(texto), esperado)


if __name__ == "__main__":
    unittest.main()
