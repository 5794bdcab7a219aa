"""The estimate of the time left on the progress line, on synthetic
durations: whole sweeps of several series whose invocations take a time
given by a formula (no program runs, no clock is read), and the parts of
the estimate on their own."""

import io
import random
import unittest
from pathlib import Path
from unittest import mock

import comun  # noqa: F401  (puts the package on the path)
from barrido.datos.cotas import Cota
from barrido.datos.estudio import Estudio
from barrido.datos.programas import PROGRAMAS
from barrido.datos.tallas import leer_tallas
from barrido.medir import medicion as M
from barrido.medir import restante
from barrido.medir.progreso import Progreso
from barrido.medir.referencia import Referencia

TALLAS = leer_tallas("500:64000:x2,700:44800:x2")  # insertion sort's own


class Anotado(Progreso):
    """A progress line that keeps each estimate: (series, seconds left)."""

    def __init__(self):
        super().__init__(io.StringIO())
        self.serie = 0
        self.estimaciones = []

    def midiendo(self, programa, configuracion, n, ronda, quedan):
        self.estimaciones.append((self.serie, quedan))


class Sintetica(M.Medicion):
    """A Medicion whose invocations take t(n) seconds of a fake clock
    (counts twice that), undisturbed, and run nothing."""

    def __init__(self, *args, t, reloj, corridas, serie, **kwargs):
        super().__init__(*args, referencia=Referencia(lambda: 1.0, reloj=lambda: 0.0,
                                                      intervalo=0.0), **kwargs)
        self.t, self.corridas, self.serie = t, corridas, serie
        self.reloj, self.inicio = reloj, reloj()

    def _ejecutar(self, conf, n, repeticion):
        segundos = self._correr(self.t(n))
        return segundos, segundos, segundos  # reported, wall and CPU time alike

    def _correr(self, segundos):
        self.reloj.ahora += segundos
        self.corridas.append((self.serie, segundos))
        return segundos


class Reloj:
    def __init__(self):
        self.ahora = 0.0

    def __call__(self):
        return self.ahora


def barrer(t, series=3, cuota=25.0, tallas=TALLAS, rondas=5, presupuesto=10.0, limitada=True):
    """A sweep of `series` series of insertion sort in O2 with counts, each
    invocation taking t(n) seconds (counts twice that), planned as the sweep
    plans them: `cuota` seconds a series, which holds its sizes in check
    when `limitada`. The estimates it gave before each invocation, and each
    invocation's seconds with its series."""
    progreso, corridas, reloj = Anotado(), [], Reloj()
    medicion = None

    def contar(binario, n, limite, argumentos=()):
        segundos = 2 * t(n)
        medicion._correr(segundos)
        return {"comparaciones": n * n / 4}, segundos

    with mock.patch.object(M, "contar", contar):
        for k in range(series):
            progreso.serie = k
            e = Estudio(PROGRAMAS["insertion"], ["O2"], [Cota("n^2")])
            plan = M.Plan(tallas, Path("bin"), rondas, presupuesto,
                          cuota=cuota if limitada else None,
                          despues=(series - k - 1) * cuota, prevision=cuota)
            medicion = Sintetica(e, plan, progreso, t=t, reloj=reloj, corridas=corridas, serie=k)
            medicion.medir()
    return progreso.estimaciones, corridas


def que_queda(corridas, series):
    """Before each invocation, the seconds its series still ran, that one
    included."""
    quedan = []
    for i, (serie, _) in enumerate(corridas):
        quedan.append(sum(s for k, s in corridas[i:] if k == serie))
    return quedan


class Barrido(unittest.TestCase):
    def test_una_maquina_estable(self):
        # A start-up cost of 3 ms and a quadratic growth: the smallest sizes
        # predict too slow a growth, as real ones do; then the same with no
        # start-up cost, and a cubic growth that the share cuts short.
        for t in (lambda n: 0.003 + 1.5e-9 * n * n, lambda n: 2e-9 * n * n,
                  lambda n: 1e-13 * n ** 3):
            with self.subTest(t=t(1000)):
                estimaciones, corridas = barrer(t)
                valores = [q for _, q in estimaciones]
                # Each series starts with its share and those after it: never
                # at ~0 s, and where the one before left off.
                inicios = [next(q for k, q in estimaciones if k == s) for s in range(3)]
                self.assertEqual(inicios, [75.0, 50.0, 25.0])
                # It counts down: no estimate above the one before it.
                for antes, despues in zip(valores, valores[1:]):
                    self.assertLessEqual(despues, antes + 1e-9)
                # Never below what the series itself still ran, plus the
                # shares after it.
                for (serie, q), real in zip(estimaciones, que_queda(corridas, 3)):
                    self.assertGreaterEqual(q + 1e-9, real + (2 - serie) * 25.0)

    def test_una_serie_mayor_que_su_parte(self):
        # Sizes the user named are measured whole: a series of about 98 s
        # against a share of 25 s. Once two sizes predict the rest, the
        # estimate holds what the series still needs.
        estimaciones, corridas = barrer(lambda n: 2e-9 * n * n, series=2, limitada=False)
        reales = que_queda(corridas, 2)
        self.assertGreater(reales[0], 90)
        for i, ((serie, q), real) in enumerate(zip(estimaciones, reales)):
            if serie == 0 and i >= 4:  # the first two sizes, with counts, are measured
                self.assertAlmostEqual(q, real + 25.0, delta=0.01 * real)

    def test_no_salta(self):
        # With the machine's noise of ±10 % on every invocation, the
        # estimate never rises by more than the noise of the invocations it
        # has seen could explain, and never jumps past the sweep's plan.
        azar = random.Random(3)
        estimaciones, corridas = barrer(
            lambda n: (0.003 + 1.5e-9 * n * n) * azar.uniform(0.9, 1.1))
        valores = [q for _, q in estimaciones]
        self.assertLessEqual(max(valores), 75.0)
        subidas = [b - a for a, b in zip(valores, valores[1:])]
        self.assertLessEqual(max(subidas), 1.0, subidas)


class Partes(unittest.TestCase):
    def test_por_medir(self):
        # Durations seen: 1 s at 100 and 2 s at 200 in O2 (three rounds), 0.1
        # and 0.2 s of counts (one); a synthetic prediction, linear in n.
        vistas = {"O2": {100: 1.0, 200: 2.0}, "cuentas": {100: 0.1, 200: 0.2}}
        veces = {"O2": 3, "cuentas": 1}

        def prever(duraciones, m):
            return max(duraciones.values()) * m / max(duraciones) if len(duraciones) > 1 \
                else None

        # (sizes, closed, budget, share, seconds the sizes to go will take)
        casos = [
            ([100, 200, 400, 800], [], 100.0, None, 3 * (4 + 8) + (0.4 + 0.8)),
            # 800 would take the series past its 30 s: the first round stops.
            ([100, 200, 400, 800], [], 100.0, 30.0, 3 * 4 + 0.4),
            # 8 s an invocation is past a budget of 5 s for O2, not for counts.
            ([100, 200, 400, 800], [], 5.0, None, 3 * 4 + 0.4 + 0.8),
            ([100, 200, 400, 800], ["O2", "cuentas"], 100.0, None, 0.0),
            ([100, 200], [], 100.0, 1.0, 0.0),
        ]
        for tallas, cerradas, presupuesto, cuota, esperado in casos:
            with self.subTest(cerradas=cerradas, presupuesto=presupuesto, cuota=cuota):
                self.assertAlmostEqual(
                    restante.por_medir(vistas, veces, tallas, cerradas, presupuesto, cuota,
                                       prever), esperado)
        # A configuration with one size and more to go: no prediction yet.
        self.assertIsNone(restante.por_medir({"O2": {100: 1.0}}, {"O2": 3}, [100, 200], [],
                                             100.0, None, prever))

    def test_quedan(self):
        # (need, share, seconds run, after, seconds left)
        casos = [
            (0.0, 25.0, 0.0, 50.0, 75.0),  # a series' start: its share
            (10.0, 25.0, 5.0, 0.0, 20.0),  # what is left of the share
            (30.0, 25.0, 5.0, 0.0, 30.0),  # never below the need
            (3.0, 25.0, 40.0, 0.0, 3.0),  # past its share
            (3.0, None, 0.0, 10.0, 13.0),
        ]
        for necesita, prevision, gastado, despues, esperado in casos:
            with self.subTest(necesita=necesita, prevision=prevision, gastado=gastado):
                self.assertEqual(restante.quedan(necesita, prevision, gastado, despues),
                                 esperado)


if __name__ == "__main__":
    unittest.main()
