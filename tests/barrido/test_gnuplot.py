"""Nothing that reaches a gnuplot script runs as a command: every way gnuplot
runs one (a backquoted command, system(), `!` at the start of a command, a
newline or a `\\` continuation that starts one, a quote that ends the
string) planted in every text a script carries, and gnuplot run on it.
And gnuplot itself: stopped when it hangs, quoted briefly when it fails."""

import dataclasses
import os
import shutil
import subprocess
import tempfile
import unittest
from pathlib import Path

from comun import ConFalsos, vivo
from barrido.analisis.analisis import analizar
from barrido.analisis.juntos import juntar
from barrido.datos.cotas import Cota
from barrido.datos.errores import ErrorDeUso
from barrido.datos.estudio import Estudio, Punto
from barrido.datos.programas import PROGRAMAS
from barrido.escritura.graficas import (guion_cocientes, guion_cuentas, guion_juntos,
                                        guion_tiempos)
from barrido.escritura.graficas.gnuplot import ejecutar_gnuplot

# Each way of running `touch MARCA` from a text of a script.
ATAQUES = [
    "a`touch MARCA`b",
    '" . system("touch MARCA") . "',
    "' . system('touch MARCA') . '",
    "x\n!touch MARCA",
    'x\nsystem "touch MARCA"',
    "x\\\n!touch MARCA",
    "x\r!touch MARCA",
    "x'; !touch MARCA; '",
    'x"; !touch MARCA; "',
    "touch MARCA\\",
    "\\`touch MARCA\\`",
]

TALLAS = [500, 1000, 2000, 4000, 8000]


def _estudio(programa, configuracion="O2", cota=None) -> Estudio:
    """A quadratic study with counts, its bounds the program's own or
    `cota` among them."""
    cotas = [Cota(c) for c in programa.cotas]
    if cota is not None:
        cotas[1] = cota
    e = Estudio(programa, [configuracion], cotas)
    for n in TALLAS:
        t = 1e-9 * n * n
        e.puntos.append(Punto(n, configuracion, [t * 0.99, t, t * 1.02], False))
        e.cuentas[n] = {programa.cuenta: n * n / 4, "escrituras": n}
    return e


def _plantada(texto: str, formula: str = "n^2") -> Cota:
    """The bound `formula` with the text `texto`, as though its check had
    let it by."""
    cota = Cota(formula)
    cota.texto = texto
    return cota


def _guiones(lugar: str, texto: str):
    """Every script whose `lugar` carries the text."""
    programa = PROGRAMAS["insertion"]
    terminos = [Cota("n^2"), Cota("n")]
    configuracion, cota = "O2", None
    if lugar == "descripción":
        programa = dataclasses.replace(programa, algoritmo=texto)
    elif lugar == "nombre":
        programa = dataclasses.replace(programa, nombre=texto)
    elif lugar == "cuenta":
        programa = dataclasses.replace(programa, cuenta=texto, operacion=texto)
    elif lugar == "cota":
        cota = _plantada(texto)
    elif lugar == "modelo":
        terminos = [Cota("n^2"), _plantada(texto, "n")]
    elif lugar == "configuración (clave)":
        configuracion = texto
    analisis = analizar(_estudio(programa, configuracion, cota), terminos)
    otro = analizar(_estudio(dataclasses.replace(PROGRAMAS["bubble"]), configuracion), [])
    guiones = [guion(analisis, "svg") for guion in (guion_tiempos, guion_cocientes, guion_cuentas)]
    guiones.append(guion_juntos(juntar([analisis, otro], configuracion), "svg")[0])
    return [g for g in guiones if g]


@unittest.skipUnless(shutil.which("gnuplot"), "gnuplot no está instalado")
class Inyeccion(unittest.TestCase):
    def test_ningun_texto_ejecuta_una_orden(self):
        lugares = ["descripción", "nombre", "cuenta", "cota", "modelo", "configuración (clave)"]
        with tempfile.TemporaryDirectory() as tmp:
            for k, (ataque, lugar) in enumerate((a, l) for l in lugares for a in ATAQUES):
                marca = Path(tmp, f"marca{k}")
                texto = ataque.replace("MARCA", str(marca))
                with self.subTest(lugar=lugar, texto=texto):
                    guiones = _guiones(lugar, texto)
                    self.assertTrue(any(marca.name in g for g in guiones))  # it got there
                    # One gnuplot for all the scripts, each drawn whole.
                    with open(Path(tmp, "grafica.svg"), "wb") as salida:
                        ejecutar_gnuplot("gnuplot", "reset\n".join(guiones), salida,
                                         Path("grafica.svg"))
                    self.assertEqual(Path(tmp, "grafica.svg").read_bytes().count(b"</svg>"),
                                     len(guiones))
                    self.assertFalse(marca.exists())

    def test_las_cotas_y_el_modelo_son_solo_expresiones(self):
        for texto in ["n^2#`touch m`", "n^2 # x", "n;!touch m", "n\n!touch m", "n\\", "n'",
                      'n"', "n@x", "system(n)", "n`x`"]:
            with self.subTest(texto=texto):
                with self.assertRaisesRegex(ErrorDeUso, "^cota «"):
                    Cota(texto)


@unittest.skipUnless(shutil.which("gnuplot"), "gnuplot no está instalado")
class SalidaConOrdenes(ConFalsos):
    def test_una_ruta_de_out_con_ordenes(self):
        # Every attack in the path of --out (a name holds anything but /):
        # the plots are drawn there, and nothing runs.
        self.falso("bench_insertion", "cuadratico")
        nombre = "|".join(a.replace("MARCA", f"marca{k}") for k, a in enumerate(ATAQUES))
        self.out = Path(self.tmp.name, nombre)
        r = subprocess.run(self.orden("insertion", "--sizes", "100:800:x2"), cwd=self.tmp.name,
                           stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, timeout=60)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertIn(b"<svg", (self.out / "insertion.svg").read_bytes())
        self.assertEqual([p for p in os.listdir(self.tmp.name) if p.startswith("marca")], [])


# Fake gnuplots, each noting its call in gnuplot.log beside it.
GNUPLOTS = {
    # Hangs, with a child whose pid it leaves in gnuplot.hijo.
    "cuelga": 'sleep 300 & echo $! > "$(dirname "$0")/gnuplot.hijo"; wait',
    # 10 MB on standard error: one line, or 400,000 short ones.
    "una_linea": "head -c 10000000 /dev/zero | tr '\\0' x >&2; exit 1",
    "muchas_lineas": 'yes "line 0: error de gnuplot" | head -n 400000 >&2; exit 1',
}


class GnuplotQueFalla(ConFalsos):
    def gnuplot(self, clase: str) -> dict:
        """The environment of a sweep whose gnuplot is the fake `clase`."""
        ruta = self.bin / "gnuplot"
        ruta.write_text('#!/bin/sh\necho x >> "$(dirname "$0")/gnuplot.log"\n'
                        + GNUPLOTS[clase] + "\n")
        ruta.chmod(0o755)
        return dict(os.environ, PATH=f"{self.bin}:{os.environ['PATH']}")

    def llamadas(self) -> int:
        return len((self.bin / "gnuplot.log").read_text().splitlines())

    def test_un_gnuplot_colgado_se_detiene_y_no_se_prueba_otro(self):
        self.falso("bench_insertion", "cuadratico")
        self.falso("bench_bubble", "cuadratico")
        r = self.barrer("insertion", "bubble", "--sizes", "100,200", entorno=self.gnuplot("cuelga"))
        self.assertEqual(r.returncode, 1, r.stderr)
        self.assertIn(f"insertion: gnuplot seguía con {self.out / 'insertion.svg'} tras 10 s: se"
                      " detuvo, y no se dibuja ninguna gráfica más", r.stderr)
        self.assertEqual(self.llamadas(), 1)
        self.assertFalse(vivo(int((self.bin / "gnuplot.hijo").read_text())))
        self.assertTrue((self.out / "bubble.tsv").exists())
        self.assertTrue((self.out / "informe.md").exists())
        self.assertFalse([p for p in os.listdir(self.out) if p.startswith(".")])

    def test_su_error_se_cita_en_pocas_lineas_cortas(self):
        self.falso("bench_insertion", "cuadratico")
        for clase in ("una_linea", "muchas_lineas"):
            with self.subTest(clase=clase):
                r = self.barrer("insertion", "--sizes", "100,200", entorno=self.gnuplot(clase))
                self.assertEqual(r.returncode, 1, r.stderr)
                self.assertIn(f"insertion: gnuplot no pudo dibujar {self.out / 'insertion.svg'}:",
                              r.stderr)
                self.assertLess(len(r.stderr), 4000)
                self.assertLessEqual(max(len(l) for l in r.stderr.splitlines()), 230)


if __name__ == "__main__":
    unittest.main()
