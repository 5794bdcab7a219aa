"""The caches valgrind is given: the machine's, read from a fake sysfs tree
or a stand-in for getconf, and each rounded to a geometry valgrind accepts."""

import tempfile
import unittest
from pathlib import Path

import comun  # noqa: F401  (puts tools/ on the path)
from barrido.datos.errores import ErrorDeUso
from barrido.medir.geometria import Geometria, cache_de_la_maquina, geometria_aceptada

KIB, MIB = 2**10, 2**20


class Geometrias(unittest.TestCase):
    def test_redondeo(self):
        # (size, ways, line) of a cache, then what valgrind is given and a
        # fragment of the note ("" for none)
        casos = [
            ((48 * KIB, 12, 64), (48 * KIB, 12, 64), ""),
            ((MIB, 8, 64), (MIB, 8, 64), ""),
            ((3 * MIB, 12, 64), (3 * MIB, 12, 64), ""),
            # More ways keep the size: 12 MiB of 16 ways is 12288 sets.
            ((12 * MIB, 16, 64), (12 * MIB, 24, 64), "24 vías en vez de 16"),
            ((1536 * KIB, 16, 64), (1536 * KIB, 24, 64), "24 vías en vez de 16"),
            # No number of ways up to twice as many will do: the sets round.
            ((260 * MIB, 20, 64), (320 * MIB, 20, 64), "335544320 B en vez de 272629760 B"),
            ((532676608, None, 64), (512 * MIB, 16, 64), "asociatividad desconocida"),
            ((532676608, 0, 64), (512 * MIB, 16, 64), "524288 conjuntos"),
            ((1000, 1, 64), (1024, 1, 64), "16 conjuntos"),
            # Lines: a power of two, at least 16 bytes.
            ((32 * KIB, 8, 48), (32 * KIB, 8, 64), "línea de 64 B en vez de 48 B"),
            ((4 * KIB, 2, 8), (4 * KIB, 2, 16), "línea de 16 B en vez de 8 B"),
        ]
        for cache, aceptada, nota in casos:
            with self.subTest(cache=cache):
                geometria, texto = geometria_aceptada(*cache)
                self.assertEqual(geometria, Geometria(*aceptada))
                if nota:
                    self.assertIn(nota, texto)
                else:
                    self.assertEqual(texto, "")
        for cache in [(0, 8, 64), (MIB, 8, 0), (-4, 1, 64)]:
            with self.subTest(cache=cache), self.assertRaises(ErrorDeUso):
                geometria_aceptada(*cache)

    def test_caches_de_la_maquina(self):
        getconf = {"LEVEL1_DCACHE_SIZE": "49152", "LEVEL1_DCACHE_ASSOC": "12",
                   "LEVEL1_DCACHE_LINESIZE": "64", "LEVEL2_CACHE_SIZE": "1048576",
                   "LEVEL2_CACHE_ASSOC": "8", "LEVEL2_CACHE_LINESIZE": "64",
                   "LEVEL3_CACHE_SIZE": "532676608", "LEVEL3_CACHE_ASSOC": "0",
                   "LEVEL3_CACHE_LINESIZE": "64"}.get
        with tempfile.TemporaryDirectory() as raiz:
            for i, (nivel, tipo, tamano, vias) in enumerate(
                    [("1", "Data", "32K", "8"), ("1", "Instruction", "32K", "8"),
                     ("2", "Unified", "2048K", "16"), ("3", "Unified", "30M", "")]):
                carpeta = Path(raiz) / f"index{i}"
                carpeta.mkdir()
                for f, v in {"level": nivel, "type": tipo, "size": tamano,
                             "ways_of_associativity": vias, "coherency_line_size": "64"}.items():
                    (carpeta / f).write_text(v + "\n")
            # (cache, sysfs folder, what is read)
            casos = [("L1d", raiz, (32 * KIB, 8, 64)), ("L2", raiz, (2 * MIB, 16, 64)),
                     ("L3", raiz, (30 * MIB, None, 64)),
                     ("L1d", "/no/existe", (48 * KIB, 12, 64)),
                     ("L3", "/no/existe", (532676608, None, 64))]
            for nombre, carpeta, esperado in casos:
                with self.subTest(nombre=nombre, carpeta=carpeta):
                    self.assertEqual(cache_de_la_maquina(nombre, Path(carpeta),
                                                         lambda x: getconf(x, "")), esperado)
        self.assertIsNone(cache_de_la_maquina("L2", Path("/no/existe"), lambda x: ""))


if __name__ == "__main__":
    unittest.main()
