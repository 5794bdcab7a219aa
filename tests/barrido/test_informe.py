"""The table, the TSV and the verdict of a study made by hand."""

import unittest

import comun  # noqa: F401  (puts the package on the path)
from barrido import tabla, tsv
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
        estudio.puntos.append(Punto(n, "O2", t2, t2 * 0.9, t2 * 1.2, n <= 2000))
        estudio.puntos.append(Punto(n, "O3", t3, t3, t3, n <= 2000))
    estudio.puntos.sort(key=lambda p: p.configuracion)
    return estudio


class Informe(unittest.TestCase):
    def test_tsv(self):
        self.assertEqual(
            tsv.tsv(estudio_de_ejemplo()).splitlines(),
            [
                "n\tconfiguracion\tmediana\tminimo\tmaximo\tt/n\tt/(n*log(n))\taceleracion\tnotas",
                "1\tO2\t5e-08\t4.5e-08\t6e-08\t5e-08\t\t1\t"
                "repeticion,bajo_resolucion,fuera_del_ajuste",
                "1000\tO2\t0.0001\t9e-05\t0.00012\t1e-07\t1.44765e-08\t1\t"
                "repeticion,fuera_del_ajuste",
                "4000\tO2\t0.0005\t0.00045\t0.0006\t1.25e-07\t1.5071e-08\t1\t",
                "16000\tO2\t0.002\t0.0018\t0.0024\t1.25e-07\t1.29128e-08\t1\t",
                "1\tO3\t4e-08\t4e-08\t4e-08\t4e-08\t\t1.25\t"
                "repeticion,bajo_resolucion,fuera_del_ajuste",
                "1000\tO3\t5e-05\t5e-05\t5e-05\t5e-08\t7.23824e-09\t2\t"
                "repeticion,fuera_del_ajuste",
                "4000\tO3\t0.00025\t0.00025\t0.00025\t6.25e-08\t7.53552e-09\t2\t",
                "16000\tO3\t0.001\t0.001\t0.001\t6.25e-08\t6.45638e-09\t2\t",
            ],
        )

    def test_tabla_alineada_con_notas_y_leyenda(self):
        lineas = tabla.tabla(estudio_de_ejemplo()).splitlines()
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
                estudio.puntos = [Punto(n, "O2", t, t, t, rep) for n, rep, t in puntos]
                self.assertEqual([n for n, _ in estudio.ajustables("O2")], ajustadas)

    def test_veredicto(self):
        lineas = tabla.veredicto(estudio_de_ejemplo())
        self.assertIn("ajuste O2: t(n) ≈ 1.25e-07·n^1.000  (R² = 1.0000; 2 de 4 puntos)",
                      lineas[0])
        self.assertIn("t/n casi constante ×1; t/(n*log(n)) casi constante ×0.857", lineas[1])
        self.assertIn("el cociente más estable es t/n, que se asienta en 1.25e-07", lineas[2])


# Fake programs: each prints what a real one would, or fails in one way.
FALSOS = {
    "cuadratico": 'echo "$1 $(( $1 * $1 ))e-09"',
    "estado": 'echo "ERROR: la talla no vale" >&2; exit 1',
    "senal": "kill -SEGV $$",
    "basura": 'echo "hola"',
    "otra_talla": 'echo "7 0.5"',
    "dos_lineas": 'echo "$1 0.5"; echo "$1 0.5"',
    "sin_numero": 'echo "$1 nan"',
    "lento": '[ "$1" -ge 300 ] && sleep 1; echo "$1 0.001"',
}


if __name__ == "__main__":
    unittest.main()
