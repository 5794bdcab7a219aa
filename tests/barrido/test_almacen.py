"""The store of a sweep (estudio.json): what is measured reads back the
same, a damaged or newer store is one clear error, counts are never lost,
and every value a progress line shows is already on disk."""

import json
import signal
import subprocess
import sys
import time
import unittest
from pathlib import Path

from comun import BARRIDO, ConFalsos

from barrido.analisis.analisis import analizar
from barrido.datos.almacen import Almacen, cargar, cargar_texto, guardar
from barrido.datos.cotas import Cota
from barrido.datos.errores import ErrorDeUso
from barrido.datos.estudio import Estudio, Omision, Punto
from barrido.datos.programas import PROGRAMAS
from barrido.escritura.tabla import tabla, tabla_cuentas
from barrido.escritura.tsv import tsv
from barrido.ordenes.comparacion import leer_estudio


def completo() -> Estudio:
    """A study with every field of the model set, cut and interrupted."""
    e = Estudio(PROGRAMAS["insertion"], ["O0", "O2"], [Cota("n^2"), Cota("n*log(n)")],
                semilla=7, entrada="inversa", cotas_fijas=False, interrumpido=True,
                senal="SIGTERM")
    for i, n in enumerate([500, 700, 1000, 1400]):
        e.puntos.append(Punto(n, "O0", [1e-9 * n * n * (1 + k / 50) for k in range(3)],
                              repeticion=i == 0, cortada=n == 1400))
        if n < 1400:
            e.puntos.append(Punto(n, "O2", [4e-10 * n * n, 3.9e-10 * n * n], False))
        # Counts named as columns of the files are only names in the store.
        e.cuentas[n] = {"comparaciones": n * (n - 1) / 2, "n": 3.0, "valores": 0.5 * n}
    e.cuentas[2000] = {"comparaciones": 1999000.0, "n": 3.0, "valores": 1000.0}
    e.omitidas = {"O2": [Omision(1400, "cortada al límite de 4 s", cortada=True),
                         Omision(2000, "mayor que una talla cortada")],
                  "O0": [Omision(2000, "se prevén 9 s por ejecución")]}
    return e


def campos(e: Estudio) -> dict:
    return {"programa": e.programa, "configuraciones": e.configuraciones,
            "cotas": [c.texto for c in e.cotas], "semilla": e.semilla,
            "puntos": sorted((p.configuracion, p.n, p.valores, p.repeticion, p.cortada)
                             for p in e.puntos),
            "cuentas": e.cuentas, "omitidas": {k: [(o.n, o.motivo, o.cortada) for o in v]
                                               for k, v in e.omitidas.items()},
            "fallo": e.fallo, "interrumpido": e.interrumpido, "entrada": e.entrada,
            "cotas_fijas": e.cotas_fijas, "senal": e.senal}


class IdaYVuelta(unittest.TestCase):
    def test_todo_campo_se_lee_como_se_escribio(self):
        fallido = Estudio(PROGRAMAS["hanoi"], ["O2"], [Cota("2^n")], fallo="«bench_hanoi 20»"
                          " acabó con estado 3")
        fallido.puntos.append(Punto(16, "O2", [0.25], False))
        solo_cuentas = Estudio(PROGRAMAS["floyd"], [], [Cota("n^3")])
        solo_cuentas.cuentas = {125: {"pasos": 125.0 ** 3}, 250: {"pasos": 250.0 ** 3}}
        for e in (completo(), fallido, solo_cuentas):
            with self.subTest(programa=e.programa.nombre):
                plan = {"semilla": 7, "tallas": {"x": [1, 2]}, "medidas": ["time", "counts"]}
                registro = {"fecha": "hoy", "maquina": {"nucleos": 2}}
                texto = guardar(Almacen(plan, [e], registro))
                leido = cargar_texto(texto, Path("estudio.json"))
                self.assertEqual(leido.plan, plan)
                self.assertEqual(leido.registro, registro)
                self.assertEqual(campos(leido.estudios[0]), campos(e))
                antes, despues = analizar(e, []), analizar(leido.estudios[0], [])
                self.assertEqual(tsv(despues), tsv(antes))
                self.assertEqual(tabla_cuentas(despues), tabla_cuentas(antes))
                if e.puntos:
                    self.assertEqual(tabla(despues), tabla(antes))

    def test_en_curso_se_lee_incompleto(self):
        e = completo()
        e.interrumpido, e.senal = False, None
        leido = cargar_texto(guardar(Almacen({}, [e], None, en_curso=e)), Path("x"))
        self.assertIn("en curso", leido.estudios[0].fallo)
        self.assertIsNone(e.fallo)

    def test_un_almacen_danado_o_mas_nuevo(self):
        bueno = json.loads(guardar(Almacen({}, [completo()])))

        def con(cambio):
            datos = json.loads(json.dumps(bueno))
            cambio(datos)
            return json.dumps(datos)

        serie = lambda d: d["estudios"][0]["series"][0]  # noqa: E731
        casos = [
            ("", "línea 1: no es JSON válido"),
            ("{\"formato\": 1,\n", "línea 2: no es JSON válido"),
            ("[" * 100000 + "]" * 100000, "anidado demasiado hondo"),
            ("[1]", "dañado: la raíz: falta «formato»"),
            (con(lambda d: d.update(formato=2)), "formato 2, más nuevo que el 1"),
            (con(lambda d: d.update(formato="1")), "«formato» no es un entero"),
            (con(lambda d: serie(d)["puntos"][0].update(valores=[1, "x"])),
             "estudio 1, serie 1, punto 1: «valores» no es una lista de números finitos"),
            (con(lambda d: serie(d)["puntos"][0].update(valores=[1e300])), "de hasta 1e+06 s"),
            (con(lambda d: serie(d)["puntos"][0].update(valores=[])), "«valores» está vacía"),
            (con(lambda d: serie(d)["puntos"][0].update(n=-1)), "la talla -1 no es"),
            (con(lambda d: serie(d).update(medida="ciclos")), "medida desconocida «ciclos»"),
            (con(lambda d: serie(d).update(configuracion="O3")), "«O3» no está en"),
            (con(lambda d: d["estudios"][0]["series"][2]["puntos"][0].update(valores=[[1]])),
             "1 valores para 3 nombres"),
            (con(lambda d: d["estudios"][0].update(cotas=["n^^2"])), "«cotas»"),
            (con(lambda d: d["estudios"][0].update(interrumpido=1)),
             "«interrumpido» no es true ni false"),
            (json.dumps(bueno).replace("\"semilla\": 7", "\"semilla\": NaN"), "NaN no es un número finito"),
        ]
        for texto, mensaje in casos:
            with self.subTest(mensaje=mensaje):
                with self.assertRaises(ErrorDeUso) as error:
                    cargar_texto(texto, Path("e.json"))
                self.assertIn(mensaje, str(error.exception))
                self.assertTrue(str(error.exception).startswith("e.json"))
                self.assertNotIn("\n", str(error.exception))


class EstudiosAnteriores(unittest.TestCase):
    def test_se_leen_de_sus_tsv(self):
        # The studies saved before the store: read from their TSVs, with
        # their times and counts, by what compare reads.
        raiz = Path(__file__).resolve().parent.parent.parent / "docs"
        casos = [("insercion", "insertion"), ("heapsort", "heapsort"),
                 ("insercion_xeon", "insertion")]
        for carpeta, programa in casos:
            with self.subTest(carpeta=carpeta):
                self.assertFalse((raiz / carpeta / "estudio.json").exists())
                estudios = leer_estudio(raiz / carpeta)
                self.assertEqual(list(estudios), [programa])
                e = estudios[programa]
                self.assertGreater(len(e.puntos), 10)
                self.assertTrue(e.cuentas)
                self.assertTrue(analizar(e, []).configuraciones)


class LoQueSeMide(ConFalsos):
    """Sweeps of fake programs: every value measured reaches the store and
    the TSV, and the store reads back into the same files."""

    def cuentas_en_disco(self, programa: str) -> dict:
        """n → counts, from the store and from the TSV, which must agree."""
        estudio = cargar(self.out / "estudio.json").estudios[0]
        del_tsv = {int(f["n"]): float(f["comparaciones"]) for f in self.filas(programa)
                   if f["comparaciones"]}
        self.assertEqual({n: c["comparaciones"] for n, c in estudio.cuentas.items()}, del_tsv)
        return del_tsv

    def test_las_cuentas_nunca_se_pierden(self):
        # (timed build, sizes, options, sizes whose counts must be on disk)
        casos = [
            # The budget stops the times after 400 (800 is predicted at
            # 1.3 s); the counts go on to 1600.
            ("lento_cuadratico", "100,200,400,800,1600", ["--budget", "1"],
             [100, 200, 400, 800, 1600]),
            # A timed fault at 300, after the counts there (odd sizes take
            # the counts first).
            ("falla_en_300", "100,300,500", [], [100, 300]),
        ]
        for clase, tallas, opciones, contadas in casos:
            with self.subTest(clase=clase):
                self.falso("bench_insertion", clase)
                self.falso("bench_insertion_cuentas", "cuentas_cuadraticas")
                r = self.barrer("insertion", "--config", "O2", "--measure", "time,counts",
                                "--sizes", tallas, *opciones)
                self.assertNotIn("Traceback", r.stderr)
                self.assertEqual(sorted(self.cuentas_en_disco("insertion")), contadas)

    def test_el_almacen_da_las_mismas_tablas(self):
        self.falso("bench_insertion", "cuadratico")
        self.falso("bench_insertion_O0", "cuadratico")
        self.falso("bench_insertion_cuentas", "cuentas_cuadraticas")
        r = self.barrer("insertion", "--config", "O0,O2", "--measure", "time,counts",
                        "--repeat", "3", "--sizes", "100,200,400")
        self.assertEqual(r.returncode, 0, r.stderr)
        almacen = cargar(self.out / "estudio.json")
        self.assertEqual(almacen.registro, json.loads((self.out / "registro.json").read_text()))
        self.assertEqual(almacen.plan["nombres_de_programas"], ["insertion"])
        analisis = analizar(almacen.estudios[0], [Cota(t) for t in almacen.plan["terminos"]
                                                  ["insertion"]])
        self.assertEqual(tsv(analisis), (self.out / "insertion.tsv").read_text())
        self.assertIn(tabla(analisis), r.stdout)

    def test_sigterm_guarda_cada_ejecucion_acabada(self):
        # Every value a progress line shows is already in both files when
        # the sweep is stopped in its first second of measuring.
        self.falso("bench_insertion", "cuadratico")
        self.falso("bench_insertion_cuentas", "cuentas_cuadraticas")
        orden = [sys.executable, str(BARRIDO), "insertion", "--config", "O2", "--repeat", "1",
                 "--sizes", "1:999:+1", "--bin", str(self.bin), "--out", str(self.out)]
        proceso = subprocess.Popen(orden, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                   universal_newlines=True)
        # Stopped early in its measuring, however slowly the machine starts it.
        limite = time.monotonic() + 30
        while not (self.out / "estudio.json").exists() and time.monotonic() < limite:
            time.sleep(0.02)
        time.sleep(0.3)
        proceso.send_signal(signal.SIGTERM)
        _, errores = proceso.communicate(timeout=60)
        self.assertEqual(proceso.returncode, 128 + signal.SIGTERM, errores)
        tiempos, contadas = set(), set()
        for linea in errores.splitlines():
            cabeza, _, resto = linea.partition(": ")
            partes = cabeza.split()
            if len(partes) == 5 and partes[2:4] == ["n", "="]:
                (contadas if partes[1] == "cuentas" else tiempos).add(int(partes[4]))
        self.assertTrue(tiempos and contadas, errores)
        estudio = cargar(self.out / "estudio.json").estudios[0]
        self.assertLessEqual(tiempos, {p.n for p in estudio.puntos})
        self.assertLessEqual(contadas, set(self.cuentas_en_disco("insertion")))
        self.assertTrue(estudio.interrumpido)
        self.assertEqual(estudio.senal, "SIGTERM")


if __name__ == "__main__":
    unittest.main()
