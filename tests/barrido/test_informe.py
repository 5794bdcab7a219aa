"""The tables, the TSV files and the verdict lines of studies made by hand."""

import unittest

import comun  # noqa: F401  (puts the package on the path)
from barrido import tabla, tsv
from barrido.analisis import analizar
from barrido.cotas import Cota
from barrido.estudio import Estudio, Punto
from barrido.programas import PROGRAMAS


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
                    "\tnotas\tvalores\tdoblado\texponente_local")
        self.assertEqual(
            tsv.tsv(analizar(estudio_de_ejemplo(), [])).splitlines()[1:],
            [
                cabecera,
                "1\tO2\t5e-08\t4.5e-08\t6e-08\t5e-08\t\t1\t"
                "repeticion,bajo_resolucion,fuera_del_ajuste\t6e-08,5e-08,4.5e-08\t\t",
                "1000\tO2\t0.0001\t9e-05\t0.00012\t1e-07\t1.44765e-08\t1\t"
                "repeticion,fuera_del_ajuste\t0.00012,0.0001,9e-05\t\t",
                "4000\tO2\t0.0005\t0.00045\t0.0006\t1.25e-07\t1.5071e-08\t1\t"
                "\t0.0006,0.0005,0.00045\t\t",
                "16000\tO2\t0.002\t0.0018\t0.0024\t1.25e-07\t1.29128e-08\t1\t"
                "\t0.0024,0.002,0.0018\t\t",
                "1\tO3\t4e-08\t4e-08\t4e-08\t4e-08\t\t1.25\t"
                "repeticion,bajo_resolucion,fuera_del_ajuste\t4e-08\t\t",
                "1000\tO3\t5e-05\t5e-05\t5e-05\t5e-08\t7.23824e-09\t2\t"
                "repeticion,fuera_del_ajuste\t5e-05\t\t",
                "4000\tO3\t0.00025\t0.00025\t0.00025\t6.25e-08\t7.53552e-09\t2\t\t0.00025\t\t",
                "16000\tO3\t0.001\t0.001\t0.001\t6.25e-08\t6.45638e-09\t2\t\t0.001\t\t",
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
        self.assertEqual(cabecera[-6:], ["doblado", "exponente_local", "comparaciones",
                                         "escrituras", "c/n^2", "ns_por_comparacion"])
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
        self.assertEqual(titulos, ["n", "conf", "t(n)", "s", "mín", "máx", "t/n", "t/(n*log(n))",
                                   "aceleración", "notas"])
        # Every number ends under the end of its column's heading.
        finales = [cabecera.index(t) + len(t) for t in ["n", "conf", "s", "mín", "máx", "t/n",
                                                        "t/(n*log(n))", "aceleración"]]
        for fila in filas:
            campos = fila.split()[:8]
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
        self.assertEqual([l.split(":")[0] for l in lineas[9:]], ["rep", "<res", "*"])

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
        # The fit takes each size's fastest invocation: 0.9 of the median.
        # It says that it takes every size fitted, unlike the verdict.
        self.assertRegex(lineas[0], r"^ajuste O2: t\(n\) ≈ 1.12e-07 \[[^]]+\]·n\^1.00"
                                    r" \[[^]]+\] en todas las tallas \(4000 a 16000\)"
                                    r"  \(R² = 1.0000; 2 de 4 puntos\)$")
        self.assertIn("t/n casi constante ×1; t/(n*log(n)) casi constante ×0.857", lineas[1])
        self.assertTrue(lineas[2].startswith("veredicto O2: "))


if __name__ == "__main__":
    unittest.main()
