"""Knowing when the machine got in the way: the CPU time of each invocation
against the time it reports, and a reference workload timed between
invocations. Every timing here is injected: nothing depends on the load
of the machine the tests run on."""

import io
import json
import unittest
from contextlib import redirect_stderr
from pathlib import Path

from comun import ConFalsos
from barrido.analisis.analisis import analizar
from barrido.datos.cotas import Cota
from barrido.datos.estudio import Estudio, Punto
from barrido.datos.programas import PROGRAMAS
from barrido.escritura import tsv
from barrido.escritura.ocupacion import ocupacion
from barrido.medir.medicion import Medicion, Plan
from barrido.medir.perturbacion import REINTENTOS, SEGUIDAS, Vigia
from barrido.medir.progreso import Progreso
from barrido.medir.referencia import LENTA, MIN_MUESTRAS, Referencia


class Fija:
    """A reference whose samples come from a list (then 1.0 for ever), taken
    before every invocation."""

    def __init__(self, muestras=()):
        self.muestras = list(muestras)

    def referencia(self) -> Referencia:
        return Referencia(lambda: self.muestras.pop(0) if self.muestras else 1.0,
                          reloj=lambda: 0.0, intervalo=0.0)


class Juicio(unittest.TestCase):
    def test_tabla(self):
        # (invocations before, as (reported, cpu); the one judged, as
        # (reported, cpu, wall); whether the reference's last sample is slow)
        # -> why it was disturbed
        usual = [1.0] * MIN_MUESTRAS
        calcula = [(0.2, 0.2)]
        casos = [
            ([], (0.2, 0.21, 0.212), False, None),  # computes, undisturbed
            ([], (0.2, 0.12, 0.202), False, "desalojada"),  # 60 % of its time on the core
            ([], (0.2, 0.19, 0.205), False, None),  # within the margin
            # The input's making (CPU the report leaves out) hides no wait.
            ([], (0.2, 0.4, 0.5), False, "desalojada"),
            ([], (0.2, 0.4, 0.41), False, None),
            ([], (0.2, 0.01, 0.21), False, None),  # waits: nothing said of the machine
            ([(0.2, 0.01)] * 3, (0.3, 0.01, 0.31), True, None),  # a sleeper, even when slow
            ([], (0.01, 0.001, 0.02), False, None),  # too short to judge, none computed yet
            (calcula, (0.01, 0.009, 0.0105), False, None),  # short, within the start's wait
            (calcula, (0.01, 0.009, 0.03), False, "desalojada"),  # short, and waited 21 ms
            (calcula, (0.01, 0.01, 0.012), True, "referencia lenta"),
            (calcula, (0.2, 0.05, 0.21), False, "desalojada"),  # a computing series
        ]
        for antes, (valor, cpu, pared), lenta, motivo in casos:
            with self.subTest(antes=antes, valor=valor, cpu=cpu, pared=pared, lenta=lenta):
                referencia = Fija(usual + [LENTA * 1.1 if lenta else 1.0]).referencia()
                for _ in range(MIN_MUESTRAS + 1):
                    referencia.tomar_si_toca()
                vigia = Vigia(referencia)
                for v, c in antes:
                    vigia.juzgar("O2", v, c, v + 0.002)
                self.assertEqual(vigia.juzgar("O2", valor, cpu, pared), motivo)

    def test_lo_usual_de_una_maquina_que_sigue_ocupada(self):
        # After invocations that each waited half their CPU time off the
        # core: (the off-CPU share of the one judged) -> why it was disturbed
        for fuera, motivo in ((0.5, None), (0.55, None), (2.0, "desalojada")):
            with self.subTest(fuera=fuera):
                vigia = Vigia(Fija().referencia())
                for _ in range(MIN_MUESTRAS):
                    vigia.juzgar("O2", 0.2, 0.2, 0.3)
                self.assertEqual(vigia.juzgar("O2", 0.2, 0.2, 0.2 * (1 + fuera)), motivo)

    def test_cuantas_veces_se_repite(self):
        vigia = Vigia(Fija().referencia())
        self.assertFalse(vigia.repetir(None, 0))
        self.assertEqual([vigia.repetir("desalojada", i) for i in range(REINTENTOS + 1)],
                         [True] * REINTENTOS + [False])
        # The machine stays busy: after SEGUIDAS disturbed repeats in a row,
        # no more until an invocation comes out clean.
        vigia = Vigia(Fija().referencia())
        decisiones = [vigia.repetir("desalojada", i % 2) for i in range(2 * SEGUIDAS + 2)]
        self.assertFalse(decisiones[-1])
        vigia.repetir(None, 0)
        self.assertTrue(vigia.repetir("desalojada", 0))

    def test_referencia(self):
        # The usual time is the median; a sample is due every intervalo.
        ahora = [0.0]
        muestras = [1.0, 1.1, 0.9, 1.0, 1.0, 1.6, 1.0]
        r = Referencia(lambda: muestras[len(r.muestras)], reloj=lambda: ahora[0], intervalo=0.5)
        r.tomar_si_toca()
        r.tomar_si_toca()  # not due yet
        self.assertEqual(len(r.muestras), 1)
        lentas = []
        for _ in range(len(muestras) - 1):
            ahora[0] += 0.5
            r.tomar_si_toca()
            lentas.append(r.lenta())
        self.assertEqual(lentas, [False, False, False, False, True, False])
        self.assertEqual(r.como_dict()["lentas"], 1)

    def test_tras_una_muestra_lenta_se_toma_otra(self):
        # Invocations every 0.2 s, a sample due every 1.5 s, after twenty
        # usual ones and a slow one: (samples to come) -> whether the machine
        # is busy at each turn. A spell of one sample ends at the next turn;
        # a load that lasts stays busy, its samples re-taken every turn
        # without becoming the usual (only those on the interval count).
        for siguientes, ocupada in (([1.0] * 20, [False] * 20),
                                    ([2.0] * 20, [True] * 20)):  # 4 s: still unusual
            with self.subTest(siguientes=siguientes[0]):
                muestras = [1.0] * 20 + [2.0] + siguientes
                ahora = [0.0]
                r = Referencia(lambda: muestras[len(r.muestras)], reloj=lambda: ahora[0],
                               intervalo=1.5)
                for _ in range(21):
                    r.tomar_si_toca()
                    ahora[0] += 1.5
                self.assertTrue(r.lenta())
                vistas = []
                for _ in ocupada:
                    ahora[0] += 0.2
                    r.tomar_si_toca()
                    vistas.append(r.lenta())
                self.assertEqual(vistas, ocupada)
                # Re-taken at every turn only while slow; on the interval
                # otherwise. The record and what is usual keep those on the
                # interval alone.
                self.assertEqual(len(r.muestras), 21 + (20 if ocupada[0] else 3))
                self.assertEqual(len(r.como_dict()["muestras_s"]), 21 + 3)

    def test_una_carga_que_dura_se_vuelve_lo_usual(self):
        # Twenty usual samples, then a load twice as slow for a minute of
        # invocations every 0.2 s: busy at first, the usual by the end (a
        # steadily busy machine must leave values to judge), at the pace of
        # the samples on the interval.
        muestras = [1.0] * 20 + [2.0] * 400
        ahora = [0.0]
        r = Referencia(lambda: muestras[len(r.muestras)], reloj=lambda: ahora[0], intervalo=1.5)
        vistas = []
        for _ in range(20):
            r.tomar_si_toca()
            ahora[0] += 1.5
        for _ in range(300):
            ahora[0] += 0.2
            r.tomar_si_toca()
            vistas.append(r.lenta())
        self.assertTrue(all(vistas[:20]))
        self.assertFalse(any(vistas[-20:]))

    def test_una_maquina_de_dos_velocidades_no_esta_ocupada(self):
        # An idle machine whose samples fall in two groups, a third of them
        # 1.7 times the rest: none of them is load; one 2.5 times the
        # slower group is.
        muestras = [0.015, 0.015, 0.026, 0.015, 0.015, 0.026] * 4 + [0.065]
        r = Referencia(lambda: muestras[len(r.muestras)], reloj=lambda: 0.0, intervalo=0.0)
        lentas = []
        for _ in muestras:
            r.tomar_si_toca()
            lentas.append(r.lenta())
        self.assertEqual(lentas, [False] * (len(muestras) - 1) + [True])


class Registro(unittest.TestCase):
    def test_la_velocidad_de_la_maquina_en_el_registro(self):
        # (reference samples, disturbed invocations of 10) -> how the record's
        # sentence begins. A spell that lasts marks no sample slow, and is
        # said all the same.
        rapidas, lentas = [0.015] * 30, [0.025] * 30
        casos = [
            (rapidas, 0, "la máquina no estorbó ninguna de las 10"),
            (rapidas[:20] + lentas[:40], 0, "la velocidad de la máquina varió durante el"
             " estudio: la carga de referencia tardó 15 ms en su cuarto más rápido de"
             " muestras y 25 ms"),
            # Two speeds that alternate, a third of the samples slow: said the same.
            ([0.015, 0.015, 0.025] * 20, 0, "la velocidad de la máquina varió"),
            (rapidas[:20] + lentas[:40], 2, "la máquina estuvo ocupada: 0 de 10"),
            ([0.015, 0.016] * 15 + [0.019], 0, "la máquina no estorbó"),  # within ×1.25
        ]
        for muestras, perturbadas, comienzo in casos:
            with self.subTest(muestras=len(muestras), perturbadas=perturbadas):
                punto = Punto(100, "O2", [1.0] * 10, False,
                              perturbadas=[i < perturbadas for i in range(10)])
                estudio = Estudio(PROGRAMAS["bubble"], ["O2"], [Cota("n^2")])
                estudio.puntos.append(punto)
                dicho = ocupacion([estudio], {"muestras_s": muestras, "lentas": 0})
                self.assertTrue(dicho["texto"].startswith(comienzo), dicho["texto"])
                self.assertEqual(dicho["cambio_de_velocidad"] is not None,
                                 "velocidad" in dicho["texto"])


class Medida(Medicion):
    """A Medicion whose invocations report and use the times of a table:
    (configuration, n) -> reported seconds; the CPU time of each call comes
    from `cpus` in turn (the reported time when it runs out)."""

    def __init__(self, *args, tiempos, cpus=(), **kwargs):
        super().__init__(*args, **kwargs)
        self.tiempos, self.cpus, self.llamadas = tiempos, list(cpus), []

    def _ejecutar(self, conf, n, repeticion):
        self.llamadas.append((conf, n))
        valor = self.tiempos[n]
        return valor, valor + 0.002, self.cpus.pop(0) if self.cpus else valor


def medir(tiempos, rondas=3, cpus=(), muestras=()):
    estudio = Estudio(PROGRAMAS["bubble"], ["O2"], [Cota("n^2")], semilla=4)
    plan = Plan(sorted(tiempos), Path("/nada"), rondas, 10.0, cuentas=False)
    with redirect_stderr(io.StringIO()):
        medicion = Medida(estudio, plan, Progreso(), referencia=Fija(muestras).referencia(),
                          tiempos=tiempos, cpus=cpus)
        medicion.medir()
    return estudio, medicion


class Repeticion(unittest.TestCase):
    def test_la_referencia_lenta_durante_una_ronda(self):
        # Six sizes, three rounds: the reference is slow before invocations
        # 8 and 9 (the middle of round 2), so those two are measured again
        # and kept, marked.
        tiempos = {n: 1e-10 * n * n for n in (4000, 8000, 16000, 32000, 64000, 128000)}
        muestras = [1.0] * 7 + [2.0, 2.0]
        estudio, medicion = medir(tiempos, muestras=muestras)
        self.assertEqual(len(medicion.llamadas), 18 + 2)
        self.assertEqual(estudio.repetidas, 2)
        self.assertEqual(sum(p.n_perturbadas for p in estudio.puntos), 2)
        for p in estudio.puntos:
            self.assertEqual(len(p.limpios), 3)
            self.assertEqual(len(p.valores), 3 + p.n_perturbadas)
            self.assertEqual(len(p.cpu), len(p.valores))

    def test_desalojada_y_la_maquina_sigue_ocupada(self):
        # Every invocation gets half its reported time as CPU after the
        # first: measured again REINTENTOS times each, at most SEGUIDAS
        # repeats in a row, and kept, marked. Once waiting that long is what
        # the machine usually does now, an invocation is judged against it:
        # a machine that stays busy slows them all alike, and the later ones
        # are kept unmarked, so that there are values to judge.
        tiempos = {n: 1e-9 * n * n for n in (16000, 32000)}
        cpus = [tiempos[16000]] + [0.5 * tiempos[32000]] * 100
        estudio, medicion = medir(tiempos, rondas=3, cpus=cpus)
        grande = estudio.punto("O2", 32000)
        self.assertEqual(grande.perturbadas[0], True)
        self.assertEqual(grande.perturbadas[-1], False)
        self.assertLessEqual(estudio.repetidas, SEGUIDAS + REINTENTOS)
        self.assertEqual(len(medicion.llamadas), 6 + estudio.repetidas)
        self.assertTrue(grande.limpios)

    def test_un_programa_que_espera_no_se_repite(self):
        tiempos = {n: 1e-9 * n * n for n in (8000, 16000, 32000)}
        estudio, medicion = medir(tiempos, cpus=[0.003] * 9, muestras=[1.0] * 6 + [5.0] * 9)
        self.assertEqual(len(medicion.llamadas), 9)
        self.assertEqual(estudio.repetidas, 0)
        self.assertEqual(list(estudio.espera), ["O2"])


class Perturbadas(unittest.TestCase):
    def test_los_valores_perturbados_se_conservan_marcados(self):
        estudio = Estudio(PROGRAMAS["bubble"], ["O2"], [Cota("n^2")])
        for n in (4000, 8000, 16000):
            p = Punto(n, "O2", [], False)
            for v, perturbada in ((1e-9 * n * n, False), (9e-9 * n * n, True),
                                  (1.1e-9 * n * n, False)):
                p.anotar(v, v, perturbada)
            estudio.puntos.append(p)
        punto = estudio.punto("O2", 8000)
        self.assertAlmostEqual(punto.mediana, 1.05e-9 * 8000 ** 2)
        self.assertIn("ocupada", estudio.marcas(punto))
        self.assertNotIn("!", estudio.marcas(punto))  # the disturbed one is not the spread
        leido = tsv.leer_tsv(self._guardar(estudio))
        self.assertEqual([p.perturbadas for p in leido.puntos], [[False, True, False]] * 3)
        for a, b in zip(leido.punto("O2", 8000).valores, punto.valores):
            self.assertAlmostEqual(a, b, places=12)
        self.assertAlmostEqual(leido.punto("O2", 8000).mediana, punto.mediana, places=12)

    def _guardar(self, estudio):
        import tempfile
        directorio = Path(tempfile.mkdtemp())
        ruta = directorio / "bubble.tsv"
        ruta.write_text(tsv.tsv(analizar(estudio, [])))
        return ruta


class FalsosQueDuermen(ConFalsos):
    def test_dicho_una_vez_y_nada_se_repite(self):
        # Sleeps n^2 ns, 0.1 s at 10000, with about 10 ms of CPU (its shell).
        self.falso("bench_bubble", "cuadratico")
        r = self.barrer("bubble", "--sizes", "2000,4000,8000,10000", "--repeat", "2")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stdout.count("espera más que calcula"), 1)
        registro = json.loads((self.out / "registro.json").read_text())
        self.assertEqual(registro["ocupada"]["medidas_de_nuevo"], 0)
        self.assertEqual(registro["ocupada"]["invocaciones"], 8)
        self.assertIn(registro["ocupada"]["texto"], r.stdout)
        self.assertTrue(registro["referencia"]["muestras_s"])
        filas = self.filas("bubble")
        self.assertTrue(all(len(f["cpu"].split(",")) == 2 for f in filas))
        self.assertTrue(all(f["perturbadas"] == "0,0" for f in filas))


class UnNumeroPorMagnitud(unittest.TestCase):
    def test_dispersion_ancha(self):
        # (values of a size) -> whether it is marked !
        casos = [
            ([1.0, 1.0, 1.01, 1.02, 1.0], False),
            ([1.0, 1.0, 1.0, 1.0, 1.3], True),  # the slowest past 1.25 times the median
            ([1.0, 8.6, 8.6, 8.7, 8.6], True),  # the median 8.6 times the fastest
            ([5.0], False),
        ]
        for valores, marcada in casos:
            with self.subTest(valores=valores):
                self.assertEqual(Punto(1000, "O2", valores, False).inestable, marcada)

    def test_la_estimacion_dentro_de_su_intervalo(self):
        # Skewed invocations: most at the bottom, a long tail of slow ones,
        # in varying numbers per size. Whatever the resamples do, each
        # estimate lies inside its interval.
        import random
        from barrido.estadistica.ajuste import ajustar_con_intervalo
        from barrido.estadistica.veredicto import juzgar
        for semilla in range(1, 8):
            azar = random.Random(semilla)
            muestras = []
            for k, n in enumerate(1000 * 2**i for i in range(6)):
                base = 1e-9 * n * n
                lentas = azar.randint(0, 2)
                muestras.append((n, [base * (1 + 0.01 * azar.random()) for _ in range(5 - lentas)]
                                 + [base * azar.uniform(2, 6) for _ in range(lentas)]))
            with self.subTest(semilla=semilla):
                a = ajustar_con_intervalo(muestras, False, semilla)
                self.assertLessEqual(a.tasa_inf, a.tasa)
                self.assertLessEqual(a.tasa, a.tasa_sup)
                self.assertLessEqual(a.constante_inf, a.constante)
                self.assertLessEqual(a.constante, a.constante_sup)
                for p in juzgar(muestras, [Cota("n^2")], False, semilla).pruebas:
                    self.assertLessEqual(p.inf, p.pendiente)
                    self.assertLessEqual(p.pendiente, p.sup)


class Reloj:
    def __init__(self):
        self.ahora = 0.0

    def __call__(self):
        return self.ahora


class Cronometrada(Medida):
    """A Medida whose invocations take their reported time on a fake clock."""

    def _ejecutar(self, conf, n, repeticion):
        valor, pared, cpu = super()._ejecutar(conf, n, repeticion)
        self.reloj.ahora += pared
        return valor, pared, cpu


class RondasParaDecidir(unittest.TestCase):
    def medir(self, cuota, indecisas, max_rondas=15, tiempos=None, sobrante=0.0):
        """Three sizes of 0.1, 0.2 and 0.4 s, three rounds; the judge
        leaves the verdict undecided at the two larger sizes (all of
        `tiempos`, when given) for its first `indecisas` calls."""
        decide = [2000, 4000] if tiempos is None else sorted(tiempos)
        tiempos = tiempos or {1000: 0.1, 2000: 0.2, 4000: 0.4}
        estudio = Estudio(PROGRAMAS["bubble"], ["O2"], [Cota("n^2")], semilla=2)
        llamadas = []

        def juez(e):
            llamadas.append(1)
            return {"O2": decide} if len(llamadas) <= indecisas else {}

        plan = Plan(sorted(tiempos), Path("/nada"), 3, 10.0, cuentas=False, cuota=cuota,
                    max_rondas=max_rondas, sobrante=sobrante)
        with redirect_stderr(io.StringIO()):
            medicion = Cronometrada(estudio, plan, Progreso(), referencia=Fija().referencia(),
                                    juez=juez, tiempos=tiempos)
            medicion.reloj = Reloj()
            medicion.inicio = 0.0
            medicion.medir()
        return estudio, medicion

    def test_las_tallas_baratas_se_afinan_en_la_misma_ronda(self):
        # An extra round of sizes of 10 ms, 20 ms and 0.4 s (each 2 ms more
        # on the wall): the two cheap ones share the dear one's 0.402 s,
        # 0.201 s each, as many invocations as fit, up to --max-repeat (15).
        # (share) -> invocations of each size after the round
        for cuota, esperadas in ((30.0, {1000: 15, 2000: 12, 4000: 4}),
                                 # what is left of the share after the round
                                 # is less than the dear one's time
                                 (1.9, {1000: 9, 2000: 6, 4000: 4})):
            with self.subTest(cuota=cuota):
                estudio, _ = self.medir(cuota, 1, tiempos={1000: 0.01, 2000: 0.02, 4000: 0.4})
                self.assertEqual({p.n: len(p.valores) for p in estudio.puntos}, esperadas)

    def test_lo_que_dejaron_las_series_anteriores(self):
        # The share ends after two extra rounds of 0.6 s; 0.7 s that the
        # series before it left allow one more.
        for sobrante, extra in ((0.0, 2), (0.7, 3)):
            with self.subTest(sobrante=sobrante):
                _, medicion = self.medir(3.5, 10, sobrante=sobrante)
                self.assertEqual(len(medicion.llamadas), 9 + 2 * extra)

    def test_rondas_con_duraciones_conocidas(self):
        # (share, calls the judge stays undecided, --max-repeat) -> extra
        # rounds, and whether the verdict is left undecided. The planned
        # rounds take 3 × 0.7 s (and 2 ms each); an extra one 0.6 s.
        casos = [
            (None, 10, 15, 0, False),  # no share: the plan as it is
            (10.0, 0, 15, 0, False),  # decided at once
            (10.0, 2, 15, 2, False),  # decided after two
            (3.5, 10, 15, 2, True),  # the share ends after two
            (30.0, 10, 5, 2, True),  # --max-repeat ends it
        ]
        for cuota, indecisas, max_rondas, extra, sin_decidir in casos:
            with self.subTest(cuota=cuota, indecisas=indecisas, max_rondas=max_rondas):
                estudio, medicion = self.medir(cuota, indecisas, max_rondas)
                self.assertEqual(len(medicion.llamadas), 9 + 2 * extra)
                self.assertEqual(len(estudio.punto("O2", 1000).valores), 3)
                self.assertEqual(bool(estudio.sin_decidir), sin_decidir)
                if sin_decidir:
                    tallas, coste = estudio.sin_decidir["O2"]
                    self.assertEqual(tallas, [2000, 4000])
                    self.assertAlmostEqual(coste, 0.604)
