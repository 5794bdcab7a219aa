"""Naming a growth only when the evidence agrees: the rule as a table, the
steps of the time per operation that may be its cause, and the verdict a
study of known shape gets."""

import random
import unittest

import comun  # noqa: F401 (puts the package on the path)

from barrido.analisis.analisis import analizar
from barrido.analisis.conclusiones import Conclusion
from barrido.datos.cotas import Cota
from barrido.datos.estudio import Estudio, Punto
from barrido.datos.programas import PROGRAMAS
from barrido.estadistica.jerarquia import RUIDO, Escalon, escalones
from barrido.estadistica.nombre import SIN_AJUSTE, SIN_CAUSA, nombrar_crecimiento
from barrido.redaccion.conclusiones import resumen_conclusion, texto_conclusion
from barrido.redaccion.veredicto import resumen_veredicto, texto_motivo, texto_veredicto
from barrido.estadistica.persistencia import es_escalon

CAUSA = "el vector deja de caber en la caché L1d de 48 KiB"


class Regla(unittest.TestCase):
    def test_tabla(self):
        # (upper half's bound, fit agrees, counts' growth, cause, counts within
        # reach) -> (what is named, reason)
        casos = [
            ("n^2", True, "n^2", None, True, "nombrada", ""),  # the counts' own
            ("n^2.2", True, "n^2", CAUSA, True, "nombrada", ""),  # both agree, and a cause
            ("n^2.2", False, "n^2", CAUSA, True, "cerca", SIN_AJUSTE),
            ("n^2.2", True, "n^2", None, True, "cerca", SIN_CAUSA),
            ("n^2.2", False, "n^2", None, True, "cerca", f"{SIN_AJUSTE},{SIN_CAUSA}"),
            ("n^2.2", True, "n^2", None, False, "no_se_sabe", SIN_CAUSA),
            (None, False, "n^2", None, False, "nombrada", ""),  # nothing named
            ("n^1.2", False, None, None, False, "nombrada", ""),  # no counts
        ]
        for cota, ajuste, cuentas, causa, alcanzadas, tipo, motivo in casos:
            with self.subTest(cota=cota, ajuste=ajuste, causa=causa, alcanzadas=alcanzadas):
                nombre = nombrar_crecimiento(cota, ajuste, cuentas, causa, alcanzadas)
                self.assertEqual((nombre.tipo, nombre.motivo), (tipo, motivo))


DOBLES = [1000 * 2**k for k in range(8)]


class Persistencia(unittest.TestCase):
    def test_escalones(self):
        # (time per operation by size, spread by size or None) -> steps (from, to)
        casos = [
            # A rise that persists.
            ([1.5, 1.5, 1.5, 3.0, 3.1, 3.0, 3.0, 3.1], None, [(4000, 8000)]),
            # A rise undone at the next size: noise, and so is the fall.
            ([5.5, 5.5, 5.5, 7.2, 5.6, 5.5, 5.5, 5.6], None, []),
            # A rise spread over five doublings is a drift.
            ([1.1, 1.3, 1.55, 1.85, 2.2, 2.7, 3.2, 3.2], None, []),
            # A persisting rise within the spread of its sizes' invocations.
            ([1.5, 1.5, 1.5, 3.0, 3.1, 3.0, 3.0, 3.1],
             {4000: (1.4, 3.2), 8000: (2.9, 3.3)}, []),
            ([1.5, 1.5, 1.5, 3.0, 3.1, 3.0, 3.0, 3.1],
             {4000: (1.4, 1.6), 8000: (2.9, 3.3)}, [(4000, 8000)]),
            # A fall that persists, from a level held before it.
            ([3.0, 3.0, 3.0, 1.5, 1.5, 1.5, 1.5, 1.5], None, [(4000, 8000)]),
        ]
        for valores, rangos, esperados in casos:
            with self.subTest(valores=valores, rangos=rangos):
                puntos = [(n, 1e-9 * v) for n, v in zip(DOBLES, valores)]
                rangos_s = ({n: (1e-9 * a, 1e-9 * b) for n, (a, b) in rangos.items()}
                            if rangos else None)
                hallados = escalones(puntos, rangos=rangos_s)
                self.assertEqual([(e.desde, e.hasta) for e in hallados], esperados)

    def test_un_escalon_al_final_se_admite(self):
        # No later size to fall back: the sizes before it decide.
        puntos = [(n, 1e-9 * v) for n, v in zip(DOBLES, [2, 2, 2, 2, 2, 2, 2, 4])]
        self.assertTrue(es_escalon(Escalon(64000, 128000, 2e-9, 4e-9, 2.0), puntos, RUIDO))


def estudio_de(exponente: float, tallas, semilla: int = 3) -> Estudio:
    """Selection sort's study with times n^exponente and counts n^2/2, five
    invocations a size within ±2 %."""
    azar = random.Random(semilla)
    estudio = Estudio(PROGRAMAS["selection"], ["O2"], [Cota(c) for c in ("n^1.8", "n^2", "n^2.2")],
                      semilla=semilla, cotas_fijas=False)
    for n in tallas:
        t = 1e-9 * n ** exponente / 1000 ** (exponente - 2)
        estudio.puntos.append(Punto(n, "O2", [t * azar.uniform(0.99, 1.03) for _ in range(5)],
                                    False))
        estudio.cuentas[n] = {"comparaciones": n * (n - 1) / 2}
    return estudio


class Veredicto(unittest.TestCase):
    def test_sin_causa_no_se_nombra_otro_crecimiento(self):
        # Times that grow as n^2 up to 8000 and then as n^2.2: the upper half
        # follows n^2.2, the fit over all sizes does not, and there is no
        # cache to blame (no caches given): n^2.2 is not named, and the
        # verdict says why.
        tallas = [1000 * 2**k for k in range(7)]
        estudio = estudio_de(2.0, tallas)
        for p in estudio.puntos:
            if p.n > 8000:
                p.valores = [v * (p.n / 8000) ** 0.2 for v in p.valores]
        analisis = analizar(estudio, [])
        tiempo = [c for c in analisis.conclusiones if c.medida == "tiempo"][0]
        self.assertEqual((tiempo.tipo, tiempo.cota), ("indistinguibles", None))
        texto = texto_conclusion(tiempo)
        self.assertIn("la mitad superior se inclina hacia n^2.2", texto)
        self.assertIn(texto_motivo(f"{SIN_AJUSTE},{SIN_CAUSA}"), texto)

    def test_cerca_de_las_cuentas(self):
        # The same verdict, the fit over all sizes holding n^2: near n^2.
        from barrido.analisis.evidencia import nombrado
        from barrido.estadistica.ajuste import Ajuste
        from barrido.estadistica.veredicto import Prueba, Veredicto as V
        n2, n22 = Cota("n^2"), Cota("n^2.2")
        pruebas = [Prueba(n2, 0.18, 0.14, 0.22, 1e-9, 0.15, 0.15, 2.0),
                   Prueba(n22, -0.02, -0.06, 0.02, 1e-9, 0.15, 0.15, 2.2)]
        v = V("cota", [n22], pruebas, (8000, 64000))
        ajuste = Ajuste(1e-9, 2.01, 0.99, 7, False, tasa_inf=1.96, tasa_sup=2.05)
        cerca = nombrado(v, ajuste, n2, [1000 * 2**k for k in range(7)], False, [])
        self.assertEqual((cerca.tipo, cerca.cota().texto, resumen_veredicto(cerca)), ("cota", "n^2",
                                                                            "cerca de n^2"))
        self.assertTrue(texto_veredicto(cerca).startswith("los tiempos crecen cerca de n^2, como las"
                                                 " cuentas: la mitad superior se inclina hacia"
                                                 f" n^2.2, pero {texto_motivo(f'{SIN_AJUSTE},{SIN_CAUSA}')}"))
        # With a cause that persists, n^2.2 is named.
        self.assertIs(nombrado(v, Ajuste(1e-9, 2.2, 0.99, 7, False, tasa_inf=2.15,
                                         tasa_sup=2.25), n2, [1000 * 2**k for k in range(7)],
                               False, ["el vector deja de caber"]), v)

    def test_un_empate_con_las_cuentas(self):
        # Bounds the upper half cannot tell apart, the counts' growth (n^2)
        # among them. (interval of t/n^2's slope, fit's rate interval, cause)
        # -> (summary, the sentence's start)
        from barrido.analisis.evidencia import nombrado
        from barrido.estadistica.ajuste import Ajuste
        from barrido.estadistica.veredicto import Prueba, Veredicto as V
        n2, n22 = Cota("n^2"), Cota("n^2.2")
        tallas = [1000 * 2**k for k in range(7)]
        empate = "no distingue n^2 y n^2.2"
        casos = [
            # Inside n^2's window: near the counts' growth, n^2.2 not ruled out.
            ((0.06, 0.12), (2.05, 2.12), None, "cerca de n^2",
             "los tiempos crecen cerca de n^2, como las cuentas: la mitad superior no descarta"
             " n^2.2, pero el ajuste"),
            # n^2.2 has the fit over all sizes and a cause: the tie stands.
            ((0.06, 0.12), (2.1, 2.2), CAUSA, empate, "n^2 y n^2.2 no se distinguen"),
            # The fit alone is not enough.
            ((0.06, 0.12), (2.1, 2.2), None, "cerca de n^2", "los tiempos crecen cerca de n^2"),
            # Out of n^2's window at the top: the counts do not settle it.
            ((0.08, 0.17), (2.05, 2.12), None, empate, "n^2 y n^2.2 no se distinguen"),
            # Settled with a slope that reaches 0: near all the same (resumen.tsv's
            # cerca_de says it as the words do).
            ((-0.02, 0.12), (2.05, 2.12), None, "cerca de n^2",
             "los tiempos crecen cerca de n^2, como las cuentas"),
        ]
        for (inf, sup), (a, b), causa, resumen, comienzo in casos:
            with self.subTest(intervalo=(inf, sup), ajuste=(a, b), causa=causa):
                m = (inf + sup) / 2
                pruebas = [Prueba(n2, m, inf, sup, 1e-9, 0.15, 0.15, 2.0),
                           Prueba(n22, m - 0.2, inf - 0.2, sup - 0.2, 1e-9, 0.15, 0.15, 2.2)]
                v = V("indistinguibles", [n2, n22], pruebas, (8000, 64000))
                ajuste = Ajuste(1e-9, (a + b) / 2, 0.99, 7, False, tasa_inf=a, tasa_sup=b)
                hecho = nombrado(v, ajuste, n2, tallas, False, [causa] if causa else [])
                self.assertEqual(resumen_veredicto(hecho), resumen)
                conclusion = Conclusion("O2", "tiempo", None, hecho.tipo, hecho.cota(), hecho, None)
                self.assertEqual(conclusion.cerca, resumen.startswith("cerca de"))
                self.assertTrue(texto_veredicto(hecho).startswith(comienzo), texto_veredicto(hecho))

    def test_como_las_cuentas(self):
        analisis = analizar(estudio_de(2.0, [1000 * 2**k for k in range(6)]), [])
        tiempo = [c for c in analisis.conclusiones if c.medida == "tiempo"][0]
        self.assertEqual((tiempo.tipo, tiempo.cota.texto, resumen_conclusion(tiempo)),
                         ("cota", "n^2", "n^2"))



class MaquinaOcupada(unittest.TestCase):
    def test_sin_veredicto_si_la_maquina_estorbo_la_mayoria(self):
        # (disturbed invocations of five at each size of the upper half) ->
        # whether the verdict is withheld
        for perturbadas, retenido in ((0, False), (2, False), (3, True), (5, True)):
            with self.subTest(perturbadas=perturbadas):
                estudio = estudio_de(2.0, [1000 * 2**k for k in range(6)])
                for p in estudio.puntos:
                    p.perturbadas = [i < perturbadas for i in range(5)]
                tiempo = [c for c in analizar(estudio, []).conclusiones
                          if c.medida == "tiempo"][0]
                self.assertEqual(resumen_conclusion(tiempo) == "máquina ocupada", retenido)
                if retenido:
                    self.assertEqual((tiempo.tipo, tiempo.cota), ("indistinguibles", None))
                    self.assertIn(f"estorbó {3 * perturbadas} de 15 invocaciones", texto_conclusion(tiempo))


if __name__ == "__main__":
    unittest.main()
