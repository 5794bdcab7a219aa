"""The wording: each kind of conclusion, given as fixed values rather than
computed from data, and the Spanish it is written in."""

import unittest
from pathlib import Path

import comun  # noqa: F401  (puts the package on the path)
from barrido.analisis.analisis import Conclusion, FrenteACuentas, FrenteAlAjuste
from barrido.analisis.contraste import Contraste
from barrido.datos.cotas import Cota
from barrido.datos.maquina import Nivel
from barrido.escritura.graficas import Grafica
from barrido.escritura.informe import pie
from barrido.estadistica.ajuste import Ajuste
from barrido.estadistica.por_operacion import Deriva
from barrido.estadistica.crecimiento import Peldano, VeredictoCrecimiento
from barrido.estadistica.jerarquia import Escalon, EscalonNombrado
from barrido.estadistica.veredicto import Prueba, Veredicto
from barrido.estadistica.ajuste import Tendencia
from barrido.estadistica.modelo import SinModelo
from barrido.redaccion.ajuste import formula, texto_sin_modelo, texto_tendencia
from barrido.redaccion.conclusiones import (resumen_conclusion, texto_conclusion,
                                            texto_frente_a_cuentas, texto_frente_al_ajuste)
from barrido.redaccion.contraste import texto_contraste
from barrido.redaccion.crecimiento import texto_crecimiento, texto_deriva
from barrido.redaccion.jerarquia import frase_escalon, texto_bytes
from barrido.redaccion.veredicto import detalle_veredicto, resumen_veredicto, texto_veredicto

N18, N2, N22 = Cota("n^1.8"), Cota("n^2"), Cota("n^2.2")


def prueba(cota, pendiente, inf, sup, constante=2.5e-10):
    return Prueba(cota, pendiente, inf, sup, constante, abajo=0.15, arriba=0.15,
                  exponente=float(cota.texto[2:]))


def veredicto(tipo, cotas, pruebas, lado=""):
    return Veredicto(tipo, cotas, pruebas, (8000, 64000), lado)


EN_N2 = prueba(N2, 0.001, -0.01, 0.012)
CERCA = prueba(N2, 0.04, 0.02, 0.06)
L1D = Nivel("L1d", 1, "Data", 48 * 2**10, 64, False)


class Veredictos(unittest.TestCase):
    def test_tiempos(self):
        # (verdict, summary, the sentence begins)
        casos = [
            (veredicto("cota", [N2], [EN_N2]), "n^2",
             "los tiempos crecen como n^2: pendiente de t/n^2 +0.001 [-0.010, +0.012] en la mitad"
             " superior (8000 a 64000), dentro de su margen [-0.150, +0.150]; t/n^2 se asienta"
             " en 2.5e-10"),
            (veredicto("cota", [N2], [CERCA]), "cerca de n^2, algo más deprisa",
             "los tiempos crecen cerca de n^2, algo más deprisa: pendiente de t/n^2 +0.040"),
            (veredicto("indistinguibles", [N2], [CERCA], "deprisa"), "n^2 o más deprisa",
             "los tiempos crecen como n^2 o más deprisa: no se distingue a estas tallas:"
             " pendiente de t/n^2 +0.040 [+0.020, +0.060] en la mitad superior (8000 a 64000),"
             " que entra en su margen [-0.150, +0.150] y sale por encima"),
            (veredicto("indistinguibles", [N18, N2], [prueba(N18, 0.1, -0.05, 0.12),
                                                      prueba(N2, -0.1, -0.25, -0.08)]),
             "no distingue n^1.8 y n^2", "n^1.8 y n^2 no se distinguen a estas tallas"),
            (veredicto("mas_deprisa", [], [prueba(N18, 0.6, 0.5, 0.7), prueba(N22, 0.2, 0.17, 0.3)]),
             "más deprisa que todas", "los tiempos crecen más deprisa que todas las cotas:"
             " pendiente de t/n^2.2 +0.200 [+0.170, +0.300] en la mitad superior (8000 a 64000),"
             " por encima de su margen"),
            (veredicto("mas_despacio", [], [prueba(N18, -0.3, -0.4, -0.2)]),
             "más despacio que todas", "los tiempos crecen más despacio que todas las cotas"),
            (Veredicto("sin_datos"), "sin veredicto",
             "sin veredicto: hacen falta dos tallas en el ajuste"),
        ]
        for v, resumen, comienzo in casos:
            with self.subTest(resumen=resumen):
                self.assertEqual(resumen_veredicto(v), resumen)
                self.assertTrue(texto_veredicto(v).startswith(comienzo), texto_veredicto(v))
        self.assertEqual(detalle_veredicto(veredicto("cota", [N2], [EN_N2])),
                         "pendientes de log(t/f) de 8000 a 64000, con su intervalo del 90 %, en"
                         " el margen de cada cota: t/n^2 +0.001 [-0.010, +0.012] en [-0.150,"
                         " +0.150] ✓")
        self.assertEqual(detalle_veredicto(Veredicto("sin_datos")), "")

    def test_crecimiento(self):
        peldanos = [Peldano(Cota("n*log(n)"), 0.2, 0.3, 0.01), Peldano(N2, 0.99, 0.001, 0.001),
                    Peldano(Cota("n^3"), 0.01, 0.002, 0.001)]
        # (verdict, sentence)
        casos = [
            (VeredictoCrecimiento("memoria_extra", "cero", None, [], ceros=[1, 2]),
             "no usa memoria adicional"),
            (VeredictoCrecimiento("profundidad", "cero", None, []),
             "la profundidad es 0 en todas las tallas"),
            (VeredictoCrecimiento("comparaciones", "cota", N2, [], peldanos, 64000),
             "el número de comparaciones crece como n^2 (residuo relativo de a·f(n) + b·g(n), g"
             " la cota anterior, y parte de a·f(n) a n = 64000: n*log(n) 30 % (20 %), n^2 0.1 %"
             " (99 %), n^3 0.2 % (1 %))"),
            (VeredictoCrecimiento("pasos", "indistinguibles", None, [], [], 0, [125]),
             "el número de pasos no distingue las cotas a estas tallas (menos de tres tallas con"
             " valor; es 0 en n = 125): pruebe tallas mayores"),
        ]
        for v, texto in casos:
            with self.subTest(texto=texto):
                self.assertEqual(texto_crecimiento(v), texto)

    def test_resumen_de_cada_medida(self):
        # (measure, kind, bound, summary)
        casos = [
            ("comparaciones", "cota", N2, "n^2"),
            ("comparaciones", "indistinguibles", None, "no distingue las cotas"),
            ("memoria_extra", "cero", None, "no usa"),
            ("profundidad", "cero", None, "0"),
            ("profundidad", "cota", Cota("log(n)"), "log(n)"),
        ]
        for medida, tipo, cota, resumen in casos:
            with self.subTest(medida=medida, tipo=tipo):
                c = Conclusion("cuentas", medida, None, tipo, cota,
                               VeredictoCrecimiento(medida, tipo, cota, []), None)
                self.assertEqual(resumen_conclusion(c), resumen)


class LoQueSeAnade(unittest.TestCase):
    def test_deriva_y_escalones(self):
        self.assertEqual(texto_deriva(Deriva(1.4, 1000, 64000), "comparación"),
                         "el tiempo por comparación crece ×1.4 de 1000 a 64000")
        self.assertEqual(texto_deriva(Deriva(0.5, 8, 16), "paso"),
                         "el tiempo por paso baja ×0.5 de 8 a 16")
        sube = Escalon(8000, 24000, 1.5e-9, 3.4e-9, 3.4 / 1.5)
        # (step, working set named, sentence)
        casos = [
            (EscalonNombrado(sube, [L1D], False, 32000, 96000), "los datos",
             "el tiempo por comparación pasa de 1.5 a 3.4 ns entre 8000 y 24000, donde los datos"
             " (31 a 94 KiB) dejan de caber en la caché L1d de 48 KiB"),
            (EscalonNombrado(sube, [], True, 32000, 96000), "el vector",
             "el tiempo por comparación pasa de 1.5 a 3.4 ns entre 8000 y 24000, sin cruce de"
             " caché entre esas tallas"),
            (EscalonNombrado(Escalon(8000, 16000, 3e-9, 1.5e-9, 0.5), [], False, 1, 2), "el vector",
             "el tiempo por comparación pasa de 3.0 a 1.5 ns entre 8000 y 16000: baja, y que los"
             " datos dejen de caber en una caché no lo explica"),
        ]
        for e, datos, frase in casos:
            with self.subTest(frase=frase):
                self.assertEqual(frase_escalon(e, "comparación", datos), frase)
        frente = FrenteACuentas(N2, False, Deriva(1.4, 1000, 64000),
                                [EscalonNombrado(sube, [L1D], False, 32000, 96000)])
        self.assertEqual(texto_frente_a_cuentas(frente, "comparación", "el vector"),
                         "; las cuentas crecen como n^2: el tiempo por comparación pasa de 1.5 a"
                         " 3.4 ns entre 8000 y 24000, donde el vector (31 a 94 KiB) deja de caber"
                         " en la caché L1d de 48 KiB; eso lo añade la máquina, no el algoritmo")
        frente.escalones = []
        self.assertTrue(texto_frente_a_cuentas(frente, "comparación", "el vector").endswith(
            ": el tiempo por comparación crece ×1.4 de 1000 a 64000; eso lo añade la máquina,"
            " no el algoritmo"))
        self.assertEqual(texto_frente_a_cuentas(FrenteACuentas(N2, True, None), "x", "y"),
                         "; las cuentas también crecen como n^2")

    def test_frente_al_ajuste(self):
        ajuste = Ajuste(1e-9, 2.1, 0.999, 9, False, 2.08, 2.12)
        nlogn = Prueba(Cota("n*log(n)"), 0.3, 0.25, 0.35, 1.0, 0.1, 0.1, 1.1)
        # (kind of verdict, the bound's exponent, sentence ends)
        casos = [
            ("cota", 2.0, ", excluye n^2 pero se aparta de él menos que ese margen", EN_N2),
            ("cota", 1.8, ", se aparta de n^2 más que ese margen porque incluye la mitad inferior"
                          " de las tallas, que el veredicto no juzga", EN_N2),
            ("mas_deprisa", 1.15, " (n*log(n) crece ahí como n^1.15), incluye n*log(n): la mitad"
                                  " inferior de las tallas, que el veredicto no juzga, crece más"
                                  " despacio que la superior", nlogn),
        ]
        for tipo, equivalente, final, p in casos:
            with self.subTest(final=final):
                texto = texto_frente_al_ajuste(FrenteAlAjuste(ajuste, p, equivalente, tipo))
                self.assertEqual(texto, "; el ajuste de todas las tallas, n^2.10 [2.08, 2.12]"
                                 + final)

    def test_conclusion_de_profundidad(self):
        v = VeredictoCrecimiento("profundidad", "indistinguibles", None, [])
        c = Conclusion("cuentas", "profundidad", None, "indistinguibles", None, v, None,
                       profundidad=(4096000, 44.0))
        self.assertTrue(texto_conclusion(c).endswith(
            "; a n = 4096000, 44 niveles frente a log2(n) + 1 = 23.0"))
        self.assertEqual(texto_conclusion(Conclusion("O2", "tiempo", None, "sin_datos", None,
                                                     None, None)), "")


class Ajustes(unittest.TestCase):
    def test_formulas_tendencias_y_modelos(self):
        # (text made, text expected)
        casos = [
            (formula(Ajuste(1.234e-9, 2.031, 1.0, 5, False, 1.98, 2.07, 1.1e-9, 1.3e-9)),
             "t(n) ≈ 1.23e-09 [1.1e-09, 1.3e-09]·n^2.03 [1.98, 2.07]"),
            (formula(Ajuste(0.5, 1.9995, 1.0, 5, True), "c"), "c(n) ≈ 0.5·2.000^n"),
            (texto_tendencia(Tendencia(N2, 1.3, 1.0)), "t/n^2 crece ×1.3"),
            (texto_tendencia(Tendencia(N2, 0.7, 1.0)), "t/n^2 decrece ×0.7"),
            (texto_tendencia(Tendencia(N2, 1.02, 1.0)), "t/n^2 casi constante ×1.02"),
            (texto_sin_modelo(SinModelo(3, 3)),
             "un modelo de 3 términos necesita al menos 4 tallas en que todos tengan valor, y"
             " hay 3"),
            (texto_sin_modelo(SinModelo(1, 0)),
             "un modelo de 1 término necesita al menos 2 tallas en que todos tengan valor, y"
             " hay 0"),
            (texto_sin_modelo(SinModelo(2, 9)), "sus términos no son independientes en estas tallas"),
        ]
        for hecho, esperado in casos:
            with self.subTest(esperado=esperado):
                self.assertEqual(hecho, esperado)


class Otros(unittest.TestCase):
    def test_contraste(self):
        # (mean, interval, sentence)
        casos = [
            (2.0, (1.9, 2.1), "B es 2.00 veces más rápido que A en quicksort [1.90, 2.10]"),
            (0.5, (0.4, 0.6), "B es 2.00 veces más lento que A en quicksort [1.67, 2.50]"),
            (1.01, (0.95, 1.05), "sin diferencia significativa entre A y B en quicksort (×1.01"
                                 " [0.950, 1.05])"),
        ]
        for media, intervalo, texto in casos:
            with self.subTest(texto=texto):
                self.assertEqual(texto_contraste(Contraste("quicksort", [], [], media, intervalo)),
                                 texto)

    def test_pies_y_bytes(self):
        # The kinds of input drawn together are not captioned as one program.
        self.assertTrue(pie(Grafica(Path("insertion_entradas.svg"), "entradas")).startswith(
            "Los tipos de entrada juntos"))
        self.assertTrue(pie(Grafica(Path("insertion.svg"), "tiempos")).startswith("Tiempos:"))
        self.assertTrue(pie(Grafica(Path("juntos.svg"), "juntos")).startswith("Los programas"))
        casos = {500: "500 B", 31 * 1024: "31 KiB", 1.5 * 2**20: "1.5 MiB", 999.6 * 1024: "1 MiB"}
        for b, texto in casos.items():
            with self.subTest(b=b):
                self.assertEqual(texto_bytes(b), texto)


if __name__ == "__main__":
    unittest.main()
