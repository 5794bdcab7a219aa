"""The machine's events in the analysis: which event is named beside a
step of the time per operation or between kinds of input (synthetic
events of known shape), the sentences that quote them (fixed values), the
growth of each event named by the ladder, and the events' store."""

import math
import random
import unittest
from pathlib import Path

import comun  # noqa: F401  (puts the package on the path)
from barrido.analisis.analisis import analizar
from barrido.analisis.casos import comparar_casos
from barrido.analisis.conclusiones import FrenteACuentas
from barrido.datos.almacen import Almacen, cargar_texto, guardar
from barrido.datos.cotas import Cota
from barrido.datos.estudio import Estudio, Punto
from barrido.datos.programas import PROGRAMAS
from barrido.estadistica.jerarquia import Escalon, EscalonNombrado
from barrido.estadistica.sucesos import Cambio, Diferencia, que_cambia, que_difiere
from barrido.redaccion.conclusiones import texto_frente_a_cuentas
from barrido.redaccion.eventos import frase_cambio, linea_diferencia
from barrido.ordenes.comparacion import lineas_de_costes
from barrido.ordenes.opciones import leer_opciones


def tiene_scipy() -> bool:
    try:
        import numpy  # noqa: F401
        import scipy.optimize  # noqa: F401
    except ImportError:
        return False
    return True


def por_op(**eventos):
    base = {"instrucciones": 10.0, "fallos_l1d": 0.0, "fallos_ll": 0.0, "saltos_fallidos": 0.0}
    return {**base, **eventos}


class ElEventoNombrado(unittest.TestCase):
    def test_que_cambia(self):
        # (events per operation by size, stretch, the event named or None)
        casos = [
            # Last-level misses 0.02 -> 0.31 a comparison: 58 cycles, named
            # over the L1d misses' larger relative rise.
            ({512000: por_op(fallos_ll=0.02, fallos_l1d=0.5),
              4096000: por_op(fallos_ll=0.31, fallos_l1d=1.0)}, (512000, 4096000),
             Cambio("fallos_ll", 512000, 4096000, 0.02, 0.31)),
            # A tenfold rise worth a hundredth of a cycle is not named; the
            # mispredictions going from 0.01 to 0.3 are.
            ({1000: por_op(fallos_ll=1e-5, saltos_fallidos=0.01),
              8000: por_op(fallos_ll=1e-4, saltos_fallidos=0.3)}, (1000, 8000),
             Cambio("saltos_fallidos", 1000, 8000, 0.01, 0.3)),
            # The events nearest the stretch's ends inside it.
            ({500: por_op(), 1000: por_op(), 2000: por_op(fallos_l1d=0.2),
              64000: por_op(fallos_l1d=5.0)}, (1000, 4000),
             Cambio("fallos_l1d", 1000, 2000, 0.0, 0.2)),
            # Nothing rises, or everything falls.
            ({1000: por_op(), 2000: por_op(instrucciones=9.9)}, (1000, 2000), None),
            # One size only inside the stretch.
            ({1000: por_op(), 8000: por_op(fallos_ll=1.0)}, (2000, 8000), None),
        ]
        for eventos, (desde, hasta), esperado in casos:
            with self.subTest(esperado=esperado):
                self.assertEqual(que_cambia(eventos, desde, hasta), esperado)

    def test_que_difiere(self):
        # (events per operation by kind and size, the difference or None)
        casos = [
            ({"aleatoria": {4000: por_op(saltos_fallidos=0.29)},
              "ordenada": {4000: por_op(saltos_fallidos=0.001)},
              "inversa": {4000: por_op(saltos_fallidos=0.0005)}},
             Diferencia("saltos_fallidos", 4000, (("aleatoria", 0.29), ("ordenada", 0.001),
                                                  ("inversa", 0.0005)))),
            # At the largest size all kinds reached.
            ({"aleatoria": {1000: por_op(fallos_l1d=0.0), 2000: por_op(fallos_l1d=0.4)},
              "inversa": {1000: por_op(fallos_l1d=0.3)}},
             Diferencia("fallos_l1d", 1000, (("inversa", 0.3), ("aleatoria", 0.0)))),
            ({"aleatoria": {1000: por_op()}, "inversa": {1000: por_op(instrucciones=10.1)}},
             None),
            ({"aleatoria": {1000: por_op()}, "inversa": {2000: por_op()}}, None),
            ({"aleatoria": {1000: por_op()}}, None),
        ]
        for eventos, esperado in casos:
            with self.subTest(esperado=esperado):
                self.assertEqual(que_difiere(eventos), esperado)


class Frases(unittest.TestCase):
    def test_el_tiempo_y_el_evento_que_sube_con_el(self):
        escalon = EscalonNombrado(Escalon(512000, 4096000, 2.7e-9, 5.6e-9, 5.6 / 2.7), [], True,
                                  2048000, 16384000)
        frente = FrenteACuentas(Cota("n*log(n)"), False, None, [escalon])
        # (what the events say of that stretch, the sentence's middle)
        casos = [
            ({(512000, 4096000): Cambio("fallos_ll", 512000, 4096000, 0.02, 0.31)},
             "; los fallos de la última caché por comparación, simulados, pasan de 0.02 a 0.31"),
            ({(512000, 4096000): Cambio("fallos_ll", 512000, 1024000, 0.02, 0.1)},
             "; los fallos de la última caché por comparación, simulados, pasan de 0.02 a 0.10"
             " entre 512000 y 1024000"),
            ({(512000, 4096000): None}, "; ningún evento simulado por comparación sube ahí"),
            ({}, ""),
        ]
        for cambios, medio in casos:
            with self.subTest(medio=medio):
                self.assertEqual(
                    texto_frente_a_cuentas(frente, "comparación", "el vector", cambios),
                    "; las cuentas crecen como n*log(n): el tiempo por comparación pasa de 2.7"
                    " a 5.6 ns entre 512000 y 4096000, sin cruce de caché entre esas tallas"
                    + medio + "; eso lo añade la máquina, no el algoritmo")

    def test_las_entradas_y_el_evento_que_las_separa(self):
        d = Diferencia("saltos_fallidos", 4000, (("aleatoria", 0.2904), ("inversa", 0.0004)))
        self.assertEqual(linea_diferencia(d, "comparaciones", "comparación"),
                         "por qué: aleatoria, inversa hacen las mismas comparaciones; a n = 4000,"
                         " simulados, aleatoria: 0.29 saltos mal predichos por comparación;"
                         " inversa: 0.00")
        self.assertEqual(frase_cambio(Cambio("fallos_l1d", 8, 16, 1.5, 12.345), 8, 16, "paso"),
                         "los fallos de L1d por paso, simulados, pasan de 1.50 a 12.3")


def estudio_con_eventos(programa: str, entrada: str, saltos, tallas=(500, 1000, 2000, 4000, 8000),
                        semilla=1) -> Estudio:
    """A study of counts n²/2 and events of known shape, 1 % of scatter."""
    azar = random.Random(semilla)
    e = Estudio(PROGRAMAS[programa], [], [Cota("n^2")], entrada=entrada)
    for n in tallas:
        e.cuentas[n] = {"comparaciones": n * n / 2, "escrituras": n, "memoria_extra": 0}
        e.valores_de("eventos")[n] = {
            "instrucciones": 5.0 * n * n, "lecturas": n * n, "escrituras": n,
            "fallos_l1d": 0.0, "fallos_ll": 0.0, "saltos": n * n,
            "saltos_fallidos": saltos(n) * (1 + azar.uniform(-0.01, 0.01))}
    return e


class Analisis(unittest.TestCase):
    def test_crecimiento_de_cada_evento(self):
        # (program, kind, mispredictions as a function of n, growth named)
        casos = [("insertion", "aleatoria", lambda n: n, "n"),
                 ("bubble", "aleatoria", lambda n: 0.145 * n * n, "n^2"),
                 ("bubble", "ordenada", lambda n: n + 10, "n")]
        for programa, entrada, saltos, cota in casos:
            with self.subTest(programa=programa, entrada=entrada):
                a = analizar(estudio_con_eventos(programa, entrada, saltos), [])
                filas = {c.medida: c for c in a.conclusiones if c.configuracion == "eventos"}
                self.assertEqual(filas["saltos_fallidos"].cota.texto, cota)
                self.assertEqual(filas["instrucciones"].cota.texto, "n^2")
                self.assertEqual(filas["fallos_ll"].tipo, "cero")
                fila = a.eventos.filas[-1]
                self.assertAlmostEqual(fila.por_operacion["instrucciones"], 10.0)
                self.assertAlmostEqual(fila.por_clave["saltos"], 8000)

    def test_casos_con_las_mismas_cuentas(self):
        analisis = [analizar(estudio_con_eventos("bubble", entrada, saltos), [])
                    for entrada, saltos in (("aleatoria", lambda n: 0.145 * n * n),
                                            ("inversa", lambda n: n))]
        casos = comparar_casos(analisis, "O2")
        self.assertEqual(casos.diferencia.evento, "saltos_fallidos")
        self.assertEqual([e for e, _ in casos.diferencia.valores], ["aleatoria", "inversa"])
        self.assertAlmostEqual(casos.diferencia.valores[0][1], 0.29, delta=0.01)
        # Kinds whose counts differ say nothing of the kind.
        distinta = estudio_con_eventos("bubble", "inversa", lambda n: n)
        for n in distinta.cuentas:
            distinta.cuentas[n]["comparaciones"] *= 2
        self.assertIsNone(comparar_casos([analisis[0], analizar(distinta, [])], "O2").diferencia)

    def test_el_almacen_los_guarda_y_los_lee(self):
        e = estudio_con_eventos("heapsort", None, lambda n: n)
        e.puntos.append(Punto(500, "O2", [1e-5, 1.1e-5], False))
        leido = cargar_texto(guardar(Almacen({}, [e])), Path("estudio.json")).estudios[0]
        self.assertEqual(leido.valores_de("eventos"), e.valores_de("eventos"))


def estudio_cronometrado(por_instruccion: float, por_fallo: float, semilla: int) -> Estudio:
    """A study whose time of one run is its instructions and last-level
    misses at known costs, with 1 % of scatter; its mispredictions, which
    cost nothing, grow otherwise (a fit cannot tell apart events that grow
    alike)."""
    azar = random.Random(semilla)
    e = Estudio(PROGRAMAS["heapsort"], ["O2"], [Cota("n*log(n)")])
    for n in (1000, 2000, 4000, 8000, 16000, 32000, 64000, 128000):
        eventos = {"instrucciones": 300.0 * n, "saltos_fallidos": 0.5 * n * math.log2(n),
                   "fallos_l1d": 0.0, "fallos_ll": n * n / 1e4}
        e.valores_de("eventos")[n] = eventos
        t = por_instruccion * eventos["instrucciones"] + por_fallo * eventos["fallos_ll"]
        e.puntos.append(Punto(n, "O2", [t * (1 + azar.uniform(-0.01, 0.01))], False))
    return e


@unittest.skipUnless(tiene_scipy(), "faltan numpy o scipy: instale python3-numpy y"
                     " python3-scipy (tools/preparar los instala)")
class CostesLadoALado(unittest.TestCase):
    def test_compare_pone_los_costes_de_dos_estudios_juntos(self):
        a = {"heapsort": estudio_cronometrado(0.3e-9, 20e-9, 1)}
        b = {"heapsort": estudio_cronometrado(0.3e-9, 10e-9, 2)}
        texto = "\n".join(lineas_de_costes(a, b, semilla=1))
        fila = next(l for l in texto.splitlines() if "fallo de la última caché" in l)
        self.assertAlmostEqual(float(fila.split()[-1]), 2.0, delta=0.1)
        fila = next(l for l in texto.splitlines() if l.strip().startswith("instrucción"))
        self.assertAlmostEqual(float(fila.split()[-1]), 1.0, delta=0.05)
        self.assertIn("predicción de las mayores tallas sin ellas", texto)


class Opciones(unittest.TestCase):
    def test_medida_y_su_parte(self):
        # (--measure, the measures taken, series, seconds of each with --time 60)
        casos = [("events", ["counts", "events"], 2, 30.0),
                 ("eventos", ["counts", "events"], 2, 30.0),
                 ("time,events", ["time", "counts", "events"], 2, 30.0),
                 ("time", ["time"], 1, 60.0)]
        for medida, medidas, series, cuota in casos:
            with self.subTest(medida=medida):
                o = leer_opciones(["heapsort", "--measure", medida, "--time", "60",
                                   "--out", "/tmp"])
                self.assertEqual((o.medidas, o.series(), o.cuota()), (medidas, series, cuota))


if __name__ == "__main__":
    unittest.main()
