"""Each plot's titles name what it shows: the program, the kind of input,
the binary that was run and the measure."""

import re
import unittest

import comun  # noqa: F401  (puts the package on the path)
from barrido.analisis.analisis import analizar
from barrido.analisis.juntos import juntar
from barrido.datos.cotas import Cota
from barrido.datos.estudio import Estudio, Punto
from barrido.datos.programas import PROGRAMAS
from barrido.escritura.graficas import (guion_cocientes, guion_cuentas, guion_juntos,
                                        guion_tiempos)

TALLAS = [500, 1000, 2000, 4000, 8000, 16000]

# The title of a plot or panel: «set title "…"» or a multiplot's «title "…"».
_TITULO = re.compile(r'(?:set title|layout \d+,\d+ title) "((?:[^"\\]|\\.)*)"')


def estudio(nombre, configuraciones, entrada=None, t=lambda n: 1e-9 * n * n):
    """A study of the program timed t(n) in each configuration, with counts."""
    programa = PROGRAMAS[nombre]
    e = Estudio(programa, list(configuraciones), [Cota(c) for c in programa.cotas],
                entrada=entrada)
    for n in TALLAS:
        for c in configuraciones:
            e.puntos.append(Punto(n, c, [t(n) * 0.99, t(n), t(n) * 1.02], False))
        e.cuentas[n] = {programa.cuenta: n * n / 4}
    return e


def titulos(guion: str):
    return _TITULO.findall(guion)


class Titulos(unittest.TestCase):
    def test_cada_grafica_de_un_programa(self):
        # (program, configurations, kind of input, plot, titles it must carry)
        casos = [
            ("insertion", ["O2"], "ordenada", guion_tiempos,
             ["ordenación por inserción, entrada ordenada: tiempo de"
              " bench_insertion_entradas (O2)"]),
            ("insertion", ["O0", "O2"], None, guion_tiempos,
             ["ordenación por inserción, entrada aleatoria: tiempo de bench_insertion_O0 (O0)"
              " y bench_insertion (O2)"]),
            ("floyd", ["O2"], None, guion_tiempos,
             ["caminos mínimos de Floyd: tiempo de bench_floyd (O2)"]),
            ("insertion", ["O2"], "inversa", guion_cuentas,
             ["ordenación por inserción, entrada inversa: comparaciones y tiempo por"
              " comparación", "comparaciones por ejecución de bench_insertion_cuentas",
              "tiempo por comparación de bench_insertion_entradas (O2), en ns"]),
            ("insertion", ["O2"], "inversa", guion_cocientes,
             ["ordenación por inserción, entrada inversa: ¿qué cociente se asienta?",
              "tiempo de bench_insertion_entradas (O2): t/f(n) relativo a la talla mayor;"
              " sombreada, la mitad superior, donde se juzga",
              "comparaciones de bench_insertion_cuentas: c/f(n) relativo a la talla mayor (se"
              " juzgan en todas las tallas)"]),
        ]
        for nombre, configuraciones, entrada, guion_de, esperados in casos:
            with self.subTest(nombre=nombre, entrada=entrada, grafica=guion_de.__name__):
                analisis = analizar(estudio(nombre, configuraciones, entrada), [])
                vistos = titulos(guion_de(analisis, "svg"))
                for titulo in esperados:
                    self.assertIn(titulo, vistos)

    def test_juntos(self):
        # The kinds of input of one program, then two programs.
        casos = [
            ([("insertion", "ordenada"), ("insertion", "inversa")],
             "ordenación por inserción, entradas ordenada y inversa: tiempo de"
             " bench_insertion_entradas (O2)"),
            ([("insertion", None), ("quicksort", None)],
             "insertion, quicksort: tiempo de bench_insertion (O2) y bench_quicksort (O2)"),
        ]
        for series, esperado in casos:
            with self.subTest(esperado=esperado):
                analisis = [analizar(estudio(n, ["O2"], e, t=lambda m, k=k: (k + 1) * 1e-9 * m * m),
                                     []) for k, (n, e) in enumerate(series)]
                guion, _ = guion_juntos(juntar(analisis, "O2"), "svg")
                self.assertEqual(titulos(guion)[0], esperado)


if __name__ == "__main__":
    unittest.main()
