"""Kinds of input: a series per kind, the best and worst cases side by
side, the bounds the times are judged against, and the share of time each
series gets."""

import io
import unittest
from pathlib import Path

from comun import ConFalsos
from barrido.analisis.analisis import analizar, vecinas
from barrido.analisis.casos import comparar_casos
from barrido.datos.cotas import Cota
from barrido.datos.estudio import Estudio, Punto
from barrido.medir.medicion import Medicion, Plan
from barrido.datos.programas import PROGRAMAS
from barrido.medir.progreso import Progreso
from barrido.escritura.tsv import leer_tsv


def estudio(entrada, t, c, tallas=(1000, 2000, 4000, 8000, 16000), rango=0.02):
    """A kind of input of insertion sort timed t(n) (three invocations
    within ±rango) and counting c(n) comparisons."""
    e = Estudio(PROGRAMAS["insertion"], ["O2"], [Cota(x) for x in PROGRAMAS["insertion"].cotas],
                entrada=entrada, cotas_fijas=False)
    for n in tallas:
        e.puntos.append(Punto(n, "O2", [t(n) * (1 - rango), t(n), t(n) * (1 + rango)], False))
        e.cuentas[n] = {"comparaciones": c(n), "escrituras": float(n)}
    return e


class Cotas(unittest.TestCase):
    def test_vecinas(self):
        # the growth the counts name -> the three bounds the times are judged by
        casos = {
            "n": ["n^0.8", "n", "n^1.2"],
            "n^2": ["n^1.8", "n^2", "n^2.2"],
            "n^3": ["n^2.8", "n^3", "n^3.2"],
            "1": ["n^-0.2", "1", "n^0.2"],
            "n*log(n)": ["n^0.8*log(n)", "n*log(n)", "n^1.2*log(n)"],
            "log(n)": ["(log(n))/n^0.2", "log(n)", "(log(n))*n^0.2"],
        }
        for cota, esperadas in casos.items():
            with self.subTest(cota=cota):
                obtenidas = vecinas(Cota(cota))
                self.assertEqual([c.texto for c in obtenidas], esperadas)
                # Each neighbour lies 0.2 below or above in log-log slope.
                pendientes = [c.logaritmo(2e6) - c.logaritmo(1e6)
                              for c in obtenidas]
                self.assertLess(pendientes[0], pendientes[1])
                self.assertLess(pendientes[1], pendientes[2])

    def test_los_tiempos_se_juzgan_junto_a_lo_que_dicen_las_cuentas(self):
        # Insertion sort on sorted keys: the counts name n, and the times
        # are judged against n's neighbours, not against the quadratic ones.
        lineal = analizar(estudio("ordenada", lambda n: 1e-9 * n, lambda n: n - 1), [])
        self.assertEqual([c.texto for c in lineal.cotas], ["n^0.8", "n", "n^1.2"])
        self.assertEqual(lineal.configuraciones["O2"].veredicto.cota().texto, "n")
        # On random keys they name n^2, the program's own middle bound.
        aleatoria = analizar(estudio("aleatoria", lambda n: 2.5e-10 * n * n,
                                     lambda n: n * n / 4 + n), [])
        self.assertEqual([c.texto for c in aleatoria.cotas], ["n^1.8", "n^2", "n^2.2"])


class Casos(unittest.TestCase):
    def test_del_mejor_al_peor(self):
        analisis = [analizar(e, []) for e in (
            estudio("inversa", lambda n: 5e-10 * n * n, lambda n: n * (n - 1) / 2),
            estudio("ordenada", lambda n: 1e-9 * n, lambda n: n - 1),
            estudio("aleatoria", lambda n: 2.5e-10 * n * n, lambda n: n * n / 4 + n),
            # As fast as random keys, within the spread of their invocations.
            estudio("pocas_claves", lambda n: 2.52e-10 * n * n, lambda n: n * n / 4 + n,
                    tallas=(1000, 2000, 4000, 8000)),
        )]
        casos = comparar_casos(analisis, "O2")
        self.assertEqual(casos.n, 8000)  # the largest size every kind reached
        self.assertEqual([c.entrada for c in casos.casos],
                         ["ordenada", "aleatoria", "pocas_claves", "inversa"])
        self.assertEqual([c.como_el_anterior for c in casos.casos], [False, False, True, False])
        self.assertEqual([c.crecimiento.texto for c in casos.casos], ["n", "n^2", "n^2", "n^2"])
        self.assertAlmostEqual(casos.peor.veces, 5e-10 * 8000 / 1e-9)


class Reparto(unittest.TestCase):
    def test_la_serie_cabe_en_su_parte(self):
        # Sizes 100 to 800 taking 1, 2, 4 and 8 s an invocation, three rounds,
        # counts taking a tenth: what the series would take going on to n.
        estudio_ = Estudio(PROGRAMAS["bubble"], ["O2"], [Cota("n^2")])
        plan = Plan([100, 200, 400, 800], Path("bin"), 3, 100.0, cuota=30.0)
        medicion = Medicion(estudio_, plan, Progreso(io.StringIO()))
        medicion.duraciones = {"O2": {100: 1.0, 200: 2.0}, "cuentas": {100: 0.1, 200: 0.2}}
        self.assertAlmostEqual(medicion._total_previsto(400), 3 * (1 + 2 + 4) + (0.1 + 0.2 + 0.4))
        self.assertIsNone(Medicion(estudio_, plan, Progreso(io.StringIO()))._total_previsto(400))


class Barrido(ConFalsos):
    def test_una_serie_por_tipo_de_entrada(self):
        self.falso("bench_insertion_entradas", "entradas")
        self.falso("bench_insertion_cuentas", "cuentas_entradas")
        self.falso("bench_floyd", "cuadratico")
        r = self.barrer("insertion", "floyd", "--input", "ordenada,inversa", "--sizes",
                        "100:1600:x2", "--measure", "time", "--seed", "2")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertIn("floyd: no tiene tipos de entrada; se estudia con la suya de siempre",
                      r.stderr)
        for entrada in ("ordenada", "inversa"):
            self.assertEqual(leer_tsv(self.out / f"insertion.{entrada}.tsv").entrada, entrada)
        self.assertTrue((self.out / "floyd.tsv").exists())
        self.assertIn("== insertion: ordenación por inserción, entrada ordenada ==", r.stdout)
        resumen = (self.out / "resumen.tsv").read_text().splitlines()
        columna = resumen[0].split("\t").index("entrada")
        entradas = [l.split("\t")[columna] for l in resumen[1:]]
        self.assertEqual(entradas, ["ordenada", "inversa", ""])

    def test_mejor_y_peor_caso(self):
        self.falso("bench_insertion_entradas", "entradas")
        self.falso("bench_insertion_cuentas", "cuentas_entradas")
        r = self.barrer("insertion", "--input", "ordenada,inversa,aleatoria", "--sizes",
                        "100:1600:x2", "--measure", "time,counts", "--seed", "2")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertIn("insertion: mejor caso ordenada (n), peor caso inversa (n^2); a 1600,"
                      " inversa ×3.20 de ordenada", r.stdout)

    def test_opciones(self):
        # (arguments, message)
        casos = [
            (["--input", "al_reves"], "tipo de entrada desconocido «al_reves»"),
            (["--input", "ordenada", "--config", "O0,O2"],
             "--input mide cada tipo de entrada con bench_X_entradas, compilado como O2; O0 no"
             " tiene esa compilación"),
            (["--time", "0"], "--time 0 fuera de lo admitido: mayor que 0"),
        ]
        for argumentos, mensaje in casos:
            with self.subTest(argumentos=argumentos):
                r = self.barrer("insertion", *argumentos)
                self.assertEqual(r.returncode, 2)
                self.assertIn(mensaje, r.stderr)

    def test_el_objetivo_de_tiempo_omite_las_mayores(self):
        # lento_cuadratico sleeps 0.02, 0.08, 0.32 and 1.28 s at 100 to 800.
        self.falso("bench_bubble", "lento_cuadratico")
        r = self.barrer("bubble", "--sizes", "100,200,400,800", "--time", "0.8")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertRegex(r.stdout, r"omitidas O2: (400|800) \(el estudio no cabe en sus 0.8 s:"
                                   r" con ella se prevén \S+ s\)")
