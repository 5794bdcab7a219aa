"""The record of a study: what it reads from a fake build directory, what
it says when a part cannot be read, and the differences between two
records. The machine's own values are checked only for their types."""

import json
import shlex
import shutil
import subprocess
import tempfile
import unittest
from datetime import datetime
from pathlib import Path

import comun  # noqa: F401  (puts the package on the path)
from barrido.analisis.registros import diferencias
from barrido.escritura.registro import (DESCONOCIDO, cambios_sin_commit, como_json,
                                        describir_registro, registro)

OPCIONES = "-Wall -O2 -std=c++20"


def flags_make(definiciones: str, opciones: str) -> str:
    return ("# CMAKE generated file: DO NOT EDIT!\n\n# compile CXX with /usr/bin/c++\n"
            f"CXX_DEFINES = {definiciones}\n\nCXX_INCLUDES = -I/fuente\n\n"
            f"CXX_FLAGS = {opciones}\n\n")


class Registro(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.construccion = Path(self.tmp.name, "build")
        self.bin = self.construccion / "bin"
        self.bin.mkdir(parents=True)

    def tearDown(self):
        self.tmp.cleanup()

    def objetivo(self, ruta: str, definiciones: str, opciones: str):
        directorio = self.construccion / ruta
        directorio.mkdir(parents=True)
        (directorio / "flags.make").write_text(flags_make(definiciones, opciones))

    def compilador(self, ruta: Path, familia: str = "", version: str = ""):
        (self.construccion / "CMakeCache.txt").write_text(
            f"//C++ compiler\nCMAKE_CXX_COMPILER:FILEPATH={ruta}\n"
            "CMAKE_CXX_COMPILER_AR:FILEPATH=/usr/bin/ar\n")
        if familia:
            directorio = self.construccion / "CMakeFiles" / "3.25.1"
            directorio.mkdir(parents=True, exist_ok=True)
            (directorio / "CMakeCXXCompiler.cmake").write_text(
                f'set(CMAKE_CXX_COMPILER "{ruta}")\nset(CMAKE_CXX_COMPILER_ARG1 "")\n'
                f'set(CMAKE_CXX_COMPILER_ID "{familia}")\n'
                f'set(CMAKE_CXX_COMPILER_VERSION "{version}")\n')

    def test_lee_la_construccion(self):
        falso = Path(self.tmp.name, "c++-falso")
        falso.write_text("#!/bin/sh\necho 'c++-falso (Prueba) 9.9.9'\necho 'Copyright'\n")
        falso.chmod(0o755)
        self.compilador(falso, "Clang", "14.0.6")
        self.objetivo("CMakeFiles/bench_x.dir", "", OPCIONES)
        self.objetivo("sub/CMakeFiles/bench_x_cuentas.dir", "-DCUENTAS=1", OPCIONES)
        datos = registro(["tools/sweep", "x", "--bounds", "n^2, n"], self.bin,
                         {"O2": "bench_x", "cuentas": "bench_x_cuentas", "O3": "bench_x_O3"})
        # The driver's words do not say which compiler it is; CMake's do.
        self.assertEqual(datos["compilador"],
                         {"familia": "Clang 14.0.6", "ruta": str(falso),
                          "version": "c++-falso (Prueba) 9.9.9"})
        self.assertIn(f"compilador: Clang 14.0.6; c++-falso (Prueba) 9.9.9 ({falso})",
                      describir_registro(datos))
        self.assertEqual(datos["configuraciones"], {"O2": OPCIONES,
                                                    "cuentas": "-DCUENTAS=1 " + OPCIONES,
                                                    "O3": DESCONOCIDO})
        self.assertEqual(datos["orden"], "tools/sweep x --bounds 'n^2, n'")
        self.assertEqual(shlex.split(datos["orden"])[-1], "n^2, n")

    def test_desconocido_lo_que_no_se_puede_leer(self):
        # (what the build directory holds, the compiler's part of the record)
        casos = [
            (lambda: None, {"familia": DESCONOCIDO, "ruta": DESCONOCIDO, "version": DESCONOCIDO}),
            (lambda: self.compilador(Path("/no/existe/c++")),
             {"familia": DESCONOCIDO, "ruta": "/no/existe/c++", "version": DESCONOCIDO}),
            (lambda: self.compilador(Path("/no/existe/c++"), "GNU"),
             {"familia": "GNU", "ruta": "/no/existe/c++", "version": DESCONOCIDO}),
            (lambda: (self.construccion / "CMakeCache.txt").write_bytes(b"\xff\xfe basura"),
             {"familia": DESCONOCIDO, "ruta": DESCONOCIDO, "version": DESCONOCIDO}),
        ]
        for preparar, esperado in casos:
            with self.subTest(esperado=esperado):
                (self.construccion / "CMakeCache.txt").unlink(missing_ok=True)
                shutil.rmtree(self.construccion / "CMakeFiles", ignore_errors=True)
                preparar()
                datos = registro(["sweep"], self.bin, {"O2": "bench_x"})
                self.assertEqual(datos["compilador"], esperado)
                self.assertEqual(datos["configuraciones"], {"O2": DESCONOCIDO})

    def test_tipos_de_lo_que_depende_de_la_maquina(self):
        datos = registro(["sweep"], self.bin, {})
        self.assertIsNotNone(datetime.fromisoformat(datos["fecha"]).tzinfo)
        maquina = datos["maquina"]
        self.assertIsInstance(maquina["nucleos"], int)
        self.assertIsInstance(maquina["memoria_gib"], (float, str))
        self.assertTrue(all(isinstance(maquina[c], str)
                            for c in ("procesador", "kernel", "sistema")))
        self.assertRegex(datos["commit"], r"^([0-9a-f]{40,64}|desconocido)$")
        self.assertIn(datos["cambios_sin_commit"], (True, False, DESCONOCIDO))
        texto = como_json(dict(datos, orden="año"))
        self.assertIn('"orden": "año"', texto)
        self.assertEqual(json.loads(texto), dict(datos, orden="año"))
        self.assertEqual(len(describir_registro(datos)), 5)
        self.assertIn(f"commit: {DESCONOCIDO}", describir_registro({})[-1])


@unittest.skipUnless(shutil.which("git"), "sin git")
class CambiosSinCommit(unittest.TestCase):
    def test_solo_cuentan_los_ficheros_seguidos(self):
        with tempfile.TemporaryDirectory() as tmp:
            raiz = Path(tmp)

            def git(*args):
                subprocess.run(["git", "-c", "user.name=prueba", "-c", "user.email=p@p",
                                *args], cwd=raiz, check=True, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)

            self.assertEqual(cambios_sin_commit(raiz), DESCONOCIDO)  # not a checkout
            git("init", "-q")
            (raiz / "fuente.cpp").write_text("int main() {}\n")
            git("add", "fuente.cpp")
            git("commit", "-q", "-m", "uno")
            # (what changes in the checkout, whether the record counts it)
            casos = [
                (lambda: None, False),
                # The output of a sweep into a folder git neither tracks nor ignores.
                (lambda: (raiz / "estudio").mkdir() or (raiz / "estudio" / "informe.md")
                 .write_text("# Estudio\n"), False),
                (lambda: (raiz / "fuente.cpp").write_text("int main() { return 1; }\n"), True),
            ]
            for cambiar, cuenta in casos:
                with self.subTest(cuenta=cuenta):
                    cambiar()
                    self.assertIs(cambios_sin_commit(raiz), cuenta)


class Plan(unittest.TestCase):
    def test_el_plan_en_el_registro(self):
        plan = {"semilla": 42, "rondas": 3, "presupuesto_s": 2.0, "limite_s": 7.0,
                "precision": 0.02, "max_rondas": 9, "medidas": ["time", "counts"],
                "configuraciones": ["O0", "O2"], "cotas": None, "modelo": None,
                "programas": "build/bin", "tallas": {"hanoi": [16, 17]},
                "omitidas": {"hanoi": {"O0": [18]}}}
        datos = registro(["tools/sweep", "hanoi"], self.bin(), {}, plan,
                         ["tools/sweep hanoi --sizes 16,17 --seed 42"])
        self.assertEqual(json.loads(como_json(datos))["plan"], plan)
        lineas = describir_registro(datos)
        # The seed right after the command, then the plan and the sizes.
        self.assertEqual([l.split(":")[0] for l in lineas[:5]],
                         ["fecha", "orden", "semilla", "plan", "tallas hanoi"])
        self.assertTrue(lineas[2].startswith("semilla: 42 "))
        self.assertIn("3 rondas; presupuesto 2 s por ejecución (límite 7 s); mide tiempos y"
                      " cuentas; configuraciones O0, O2; precisión ±2 % hasta 9 ejecuciones",
                      lineas[3])
        self.assertEqual(lineas[4], "tallas hanoi: 2, de 16 a 17 (omitidas desde O0 18)")
        # The commands that repeat a plan follow from it: no difference of their own.
        otro = dict(datos, plan=dict(plan, semilla=43), repetir=["otra"])
        self.assertEqual([l for l in diferencias(datos, otro) if not l.startswith("fecha")],
                         ["plan.semilla: A=42 B=43"])

    def bin(self) -> Path:
        return Path(tempfile.gettempdir()) / "no-existe" / "bin"


class Diferencias(unittest.TestCase):
    def test_diferencias(self):
        base = {"fecha": "hoy", "orden": "sweep x", "maquina": {"nucleos": 2, "procesador": "p"},
                "configuraciones": {"O2": "-O2"}, "cambios_sin_commit": False}
        # (changes to B, lines)
        casos = [
            ({"fecha": "ayer"}, []),
            ({"orden": "sweep y"}, ['orden: A="sweep x" B="sweep y"']),
            ({"maquina": {"nucleos": 4, "procesador": "p"}}, ["maquina.nucleos: A=2 B=4"]),
            ({"configuraciones": {"O2": "-O2", "O0": "-O0"}}, ['configuraciones.O0: A=(falta)'
                                                               ' B="-O0"']),
            ({"cambios_sin_commit": True, "commit": "abc"},
             ["cambios_sin_commit: A=false B=true", 'commit: A=(falta) B="abc"']),
        ]
        for cambios, lineas in casos:
            with self.subTest(cambios=cambios):
                self.assertEqual(diferencias(base, dict(base, **cambios)), lineas)


if __name__ == "__main__":
    unittest.main()
