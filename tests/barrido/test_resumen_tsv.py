"""The files say what the analysis said: resumen.tsv names a growth as the
verdict named it (cerca_de), gives no fit window where there is no fit and
no base of a^n for a measure that grows as a power; informe.md's sentences
start with a capital."""

import unittest

import comun  # noqa: F401  (puts the package on the path)
from barrido.analisis.analisis import analizar
from barrido.datos.cotas import Cota
from barrido.datos.estudio import Estudio, Punto
from barrido.datos.programas import PROGRAMAS
from barrido.escritura.informe import Seccion, frase, informe
from barrido.escritura.resumen import filas_resumen
from barrido.escritura.tsv import resumen_tsv

CUADRATICAS = [500 * 2**k for k in range(8)]


def estudio(nombre, tallas, t, cuentas):
    """A study of the program timed t(n) in O2 (three invocations around
    it), with the counts cuentas(n) gives at each size."""
    programa = PROGRAMAS[nombre]
    e = Estudio(programa, ["O2"], [Cota(c) for c in programa.cotas], semilla=4)
    for n in tallas:
        e.puntos.append(Punto(n, "O2", [t(n) * f for f in (1.03, 1.0, 1.01)], False))
        e.cuentas[n] = cuentas(n)
    return e


def filas(analisis):
    """resumen.tsv's rows as dictionaries, by measure."""
    cabecera, *resto = [l.split("\t") for l in resumen_tsv([analisis]).splitlines()]
    return {f[cabecera.index("medida")]: dict(zip(cabecera, f)) for f in resto}


BURBUJA = lambda t: estudio("bubble", CUADRATICAS, t,  # noqa: E731
                            lambda n: {"comparaciones": n * (n - 1) / 2, "memoria_extra": 0})
HANOI = estudio("hanoi", range(16, 29), lambda n: 3e-9 * 2**n,
                lambda n: {"llamadas": 2**(n + 1) - 1, "profundidad": n + 1})


class ResumenTsv(unittest.TestCase):
    def test_cada_fila_dice_lo_que_dijo_el_veredicto(self):
        # (study, measure, columns expected, in words)
        casos = [
            (BURBUJA(lambda n: 1e-9 * n**2.04), "tiempo",
             {"cota": "n^2", "veredicto": "cota", "cerca_de": "1"}, "cerca de n^2"),
            (BURBUJA(lambda n: 1e-9 * n**2), "tiempo",
             {"cota": "n^2", "veredicto": "cota", "cerca_de": "0"}, "como n^2"),
            # 0 at every size: no fit, so no exponent and no window.
            (BURBUJA(lambda n: 1e-9 * n**2), "memoria_extra",
             {"veredicto": "cero", "exponente": "", "ajuste_desde": "", "ajuste_hasta": "",
              "cerca_de": "0"}, "no usa"),
            (BURBUJA(lambda n: 1e-9 * n**2), "comparaciones",
             {"cota": "n^2", "ajuste_desde": "500", "ajuste_hasta": "64000", "cerca_de": "0"},
             "crece como n^2"),
            (HANOI, "llamadas", {"cota": "2^n", "veredicto": "cota"}, "crece como 2^n"),
            (HANOI, "profundidad", {"cota": "n", "veredicto": "cota"}, "crece como n"),
        ]
        for e, medida, esperadas, palabras in casos:
            with self.subTest(programa=e.programa.nombre, medida=medida, palabras=palabras):
                fila = filas(analizar(e, []))[medida]
                self.assertEqual({k: fila[k] for k in esperadas}, esperadas)
                self.assertIn(palabras, fila["texto"])

    def test_el_exponente_en_la_forma_del_veredicto(self):
        # Hanoi grows as 2^n, its calls with it, but its recursion depth
        # grows as n: a power of n, not a base of a^n.
        analisis = analizar(HANOI, [])
        tsv = filas(analisis)
        self.assertAlmostEqual(float(tsv["llamadas"]["exponente"]), 2.0, places=3)
        self.assertTrue(0.9 < float(tsv["profundidad"]["exponente"]) < 1.0,
                        tsv["profundidad"]["exponente"])
        tabla = {f[1]: f[3] for f in filas_resumen([analisis])[1:]}
        self.assertTrue(tabla["llamadas"].startswith("2.000^n"), tabla)
        self.assertTrue(tabla["profundidad"].startswith("n^0.9"), tabla)


class Frases(unittest.TestCase):
    def test_mayuscula_al_empezar(self):
        casos = [
            ("no usa memoria adicional.", "No usa memoria adicional."),
            ("la profundidad crece como n.", "La profundidad crece como n."),
            ("él", "Él"),
            ("Veredicto: los tiempos crecen como n^2.", "Veredicto: los tiempos crecen como n^2."),
            # A formula keeps its letters as they are.
            ("n^1.8, n^2 y n^2.2 no se distinguen.", "n^1.8, n^2 y n^2.2 no se distinguen."),
            ("log(n) y n no se distinguen.", "log(n) y n no se distinguen."),
            ("n crece.", "n crece."),
            ("", ""),
        ]
        for texto, esperada in casos:
            with self.subTest(texto=texto):
                self.assertEqual(frase(texto), esperada)

    def test_el_espacio_en_el_informe(self):
        analisis = analizar(BURBUJA(lambda n: 1e-9 * n**2), [])
        texto = informe({}, [Seccion("bubble", [], analisis)])
        self.assertIn("**Espacio.** No usa memoria adicional.", texto)


if __name__ == "__main__":
    unittest.main()
