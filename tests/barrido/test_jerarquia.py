"""The memory hierarchy: the caches read from a fake sysfs tree or from a
stand-in for getconf, the size at which a working set outgrows each, and
the steps of synthetic series named by the cache crossed."""

import json
import tempfile
import unittest
from pathlib import Path

from comun import sinteticos
from barrido.datos.maquina import Caches, Nivel, leer_caches
from barrido.escritura.registro import caches_como_dict
from barrido.estadistica.jerarquia import cruces, escalones, nombrar
from barrido.redaccion.jerarquia import frase_escalon, lineas_caches

KIB, MIB = 2**10, 2**20


def indice(nivel, tipo, tamano, compartida="0"):
    return {"level": nivel, "type": tipo, "size": tamano, "coherency_line_size": "64",
            "shared_cpu_list": compartida}


MAQUINA = [indice("1", "Data", "48K"), indice("1", "Instruction", "32K"),
           indice("2", "Unified", "2048K"), indice("3", "Unified", "300M", "0-1")]
GETCONF = {"LEVEL1_DCACHE_SIZE": "49152", "LEVEL1_DCACHE_LINESIZE": "64",
           "LEVEL2_CACHE_SIZE": "2097152", "LEVEL3_CACHE_SIZE": "0"}
L1D = "L1d 48 KiB (línea 64 B, propia del núcleo)"

CACHES = Caches([Nivel("L1d", 1, "Data", 48 * KIB, 64, False),
                 Nivel("L2", 2, "Unified", 2 * MIB, 64, False),
                 Nivel("L3", 3, "Unified", 260 * MIB, 64, True)], "sysfs")


def vector(n):
    return 4 * n


def matriz(n):  # n row pointers to rows of n ints
    return 4 * n * n + 8 * n


class LeerCaches(unittest.TestCase):
    def test_lectura(self):
        # (index folders, or None for no tree; what getconf says; lines)
        casos = [
            (MAQUINA, {}, [L1D, "L1i 32 KiB (línea 64 B, propia del núcleo, solo instrucciones)",
                           "L2 2 MiB (línea 64 B, propia del núcleo)",
                           "L3 300 MiB (línea 64 B, compartida)"]),
            ([dict(indice("1", "Data", "49152"), shared_cpu_list="0,2")],
             {}, ["L1d 48 KiB (línea 64 B, compartida)"]),
            # Missing files, garbage and an odd unit make a level unknown;
            # one without a level or a known type is left out.
            ([indice("1", "Data", "48K"), {"level": "2", "type": "Unified"},
              indice("3", "Unified", "muchos", "0-x"), indice("3", "Rara", "8M"),
              indice("", "Data", "8M"), indice("4", "Unified", "8Q")],
             GETCONF, [L1D, "L2 de tamaño desconocido (línea desconocida)",
                       "L3 de tamaño desconocido (línea 64 B)",
                       "L4 de tamaño desconocido (línea 64 B, propia del núcleo)"]),
            (None, GETCONF, ["L1d 48 KiB (línea 64 B)", "L2 2 MiB (línea desconocida)"]),
            ([indice("1", "Instruction", "32K"), indice("1", "Data", "\xff?")], GETCONF,
             ["L1d 48 KiB (línea 64 B)", "L2 2 MiB (línea desconocida)"]),
            (None, {"LEVEL1_DCACHE_SIZE": "0", "LEVEL2_CACHE_SIZE": "basura"}, None),
        ]
        for carpetas, getconf, lineas in casos:
            with self.subTest(lineas=lineas), tempfile.TemporaryDirectory() as tmp:
                for i, ficheros in enumerate(carpetas or []):
                    (Path(tmp) / f"index{i}").mkdir()
                    for nombre, texto in ficheros.items():
                        (Path(tmp) / f"index{i}" / nombre).write_text(texto + "\n")
                raiz = Path(tmp) if carpetas else Path(tmp) / "no-existe"
                caches = leer_caches(raiz, lambda clave: getconf.get(clave, ""))
                if lineas is None:
                    self.assertEqual((caches.niveles, caches.origen), ([], ""))
                    self.assertIn(str(raiz), lineas_caches(caches)[0])
                else:
                    self.assertEqual(lineas_caches(caches), lineas)
                self.assertEqual(json.loads(json.dumps(caches_como_dict(caches))),
                                 caches_como_dict(caches))


class Cruces(unittest.TestCase):
    def test_tallas_que_llenan_cada_cache(self):
        # (working set, measured sizes, n at which L1d, L2, L3 are outgrown, between)
        casos = [
            (vector, [1000, 8000, 16000, 24000], [(12288, (8000, 16000)), (524288, None),
                                                  (68157440, None)]),
            (matriz, [125, 180, 250, 360, 500, 720, 1000],
             [(-1 + (1 + 12288) ** 0.5, None), (-1 + (1 + 524288) ** 0.5, (720, 1000)),
              (-1 + (1 + 68157440) ** 0.5, None)]),
        ]
        for bytes_de, tallas, esperados in casos:
            with self.subTest(bytes_de=bytes_de.__name__):
                obtenidos = cruces(CACHES, bytes_de, tallas)
                self.assertEqual([c.nivel.nombre for c in obtenidos], ["L1d", "L2", "L3"])
                for c, (n, entre) in zip(obtenidos, esperados):
                    self.assertAlmostEqual(c.n, n, delta=1e-6 * n)
                    self.assertEqual(c.entre, entre)


BURBUJA = ([(n, 1.5e-9) for n in range(1000, 9000, 1000)]
           + [(10000, 1.74e-9), (12000, 2.09e-9), (14000, 2.09e-9), (16000, 2.53e-9),
              (24000, 3.36e-9), (32000, 3.46e-9)])
DOBLES = [1000 * 2**k for k in range(13)]  # 1000 to 4096000
MONTICULO = [2e-9] * 4 + [2.6e-9] + [3e-9] * 4 + [3.5e-9, 4e-9, 4.6e-9, 5.2e-9]


class Escalones(unittest.TestCase):
    def test_frases(self):
        # (series, working set, data, operation, sentences)
        casos = [
            (BURBUJA, vector, "el vector", "comparación",
             ["el tiempo por comparación pasa de 1.5 a 3.4 ns entre 8000 y 24000, donde el vector"
              " (31 a 94 KiB) deja de caber en la caché L1d de 48 KiB"]),
            # Noise across the L1d crossing: no step, and the crossing is not claimed.
            (sinteticos(lambda n: 2e-9, DOBLES[:8], ruido=0.1), vector, "el vector", "comparación",
             []),
            ([(n, 2e-9 * (1.05 if i % 2 else 0.95)) for i, n in enumerate(DOBLES)], vector,
             "el vector", "comparación", []),
            (list(zip(DOBLES, MONTICULO)), vector, "los datos", "comparación",
             ["el tiempo por comparación pasa de 2.0 a 3.0 ns entre 8000 y 32000, donde los datos"
              " (31 a 125 KiB) dejan de caber en la caché L1d de 48 KiB",
              "el tiempo por comparación pasa de 3.0 a 5.2 ns entre 256000 y 4096000, donde los"
              " datos (1 a 16 MiB) dejan de caber en la caché L2 de 2 MiB"]),
            ([(n, 0.4e-9 if n < 250 else 0.9e-9) for n in (125, 180, 250, 360)], matriz,
             "la matriz", "paso",
             ["el tiempo por paso pasa de 400 a 900 ps entre 180 y 250, sin cruce de caché"
              " entre esas tallas"]),
            ([(n, 3e-6 if n < 4000 else 1.5e-6) for n in DOBLES[:5]], vector, "el vector",
             "llamada", ["el tiempo por llamada pasa de 3.0 a 1.5 µs entre 2000 y 4000, sin cruce"
                         " de caché entre esas tallas"]),
            ([(n, 3e-9 if n < 16000 else 1.5e-9) for n in DOBLES[:6]], vector, "el vector",
             "comparación", ["el tiempo por comparación pasa de 3.0 a 1.5 ns entre 8000 y 16000:"
                             " baja, y que los datos dejen de caber en una caché no lo explica"]),
        ]
        for puntos, bytes_de, datos, operacion, frases in casos:
            with self.subTest(frases=frases):
                encontrados = escalones(puntos)
                corte = cruces(CACHES, bytes_de, [n for n, _ in puntos])
                self.assertEqual([frase_escalon(e, operacion, datos)
                                  for e in nombrar(encontrados, corte, bytes_de)], frases)


if __name__ == "__main__":
    unittest.main()
