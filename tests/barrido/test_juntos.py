"""Several programs in one study: the factors over the fastest, the counts
grouped by name, the ranking line, and the joint plot through gnuplot."""

import io
import shutil
import tempfile
import unittest
from pathlib import Path

import comun  # noqa: F401  (puts the package on the path)
from barrido.analisis.analisis import analizar
from barrido.datos.cotas import Cota
from barrido.datos.estudio import Estudio, Punto
from barrido.escritura.ficheros import Ficheros
from barrido.escritura.graficas import dibujar_juntos, guion_juntos
from barrido.analisis.juntos import elegir_configuracion, juntar
from barrido.escritura import tabla_juntos as escrito
from barrido.datos.programas import PROGRAMAS
from barrido.medir.progreso import Progreso

CUADRATICAS = [500, 1000, 2000, 4000, 8000, 16000, 32000]


def estudio(nombre, t, tallas, cuenta=None, configuracion="O2"):
    """A study of the program timed t(n) (three invocations around it) and
    counting cuenta(n) of its main operation, at the sizes given."""
    programa = PROGRAMAS[nombre]
    e = Estudio(programa, [configuracion], [Cota(c) for c in programa.cotas])
    for n in tallas:
        e.puntos.append(Punto(n, configuracion, [t(n) * 0.98, t(n), t(n) * 1.03], False))
        if cuenta:
            e.cuentas[n] = {programa.cuenta: cuenta(n)}
    return e


def tabla_juntos(estudios, configuracion):
    return escrito.tabla_juntos(juntar([analizar(e, []) for e in estudios], configuracion))


def tsv_juntos(estudios, configuracion):
    return escrito.tsv_juntos(juntar([analizar(e, []) for e in estudios], configuracion))


def filas_tsv(texto):
    """{n: {column: value}} of the TSV's data lines."""
    lineas = [l for l in texto.splitlines() if not l.startswith("#")]
    cabecera = lineas[0].split("\t")
    return {int(l.split("\t")[0]): dict(zip(cabecera, l.split("\t"))) for l in lineas[1:]}


def tres_cuadraticas(tallas_bubble=CUADRATICAS):
    return [estudio("insertion", lambda n: 1e-10 * n * n, CUADRATICAS),
            estudio("selection", lambda n: 2e-10 * n * n, CUADRATICAS),
            estudio("bubble", lambda n: 3.5e-10 * n * n, tallas_bubble)]


class Tablas(unittest.TestCase):
    def test_factores_y_mas_rapido(self):
        # Bubble misses 32000 and alone has 64000; quicksort (linear here)
        # is slower than insertion at 100 and faster at 400.
        estudios = tres_cuadraticas([500, 1000, 64000]) + [
            estudio("quicksort", lambda n: 2e-8 * n, [100, 400])]
        estudios[0].puntos += [Punto(n, "O2", [1e-10 * n * n], False) for n in (100, 400)]
        filas = filas_tsv(tsv_juntos(estudios, "O2"))
        # n -> (factor of insertion, selection, bubble, quicksort; the fastest)
        casos = {
            100: ("1", "", "", "2", "insertion"),
            400: ("2", "", "", "1", "quicksort"),
            500: ("1", "2", "3.5", "", "insertion"),
            32000: ("1", "2", "", "", "insertion"),
            64000: ("", "", "", "", ""),
        }
        for n, esperado in casos.items():
            with self.subTest(n=n):
                fila = filas[n]
                obtenido = tuple(fila[f"{p}_relativo"] for p in
                                 ("insertion", "selection", "bubble", "quicksort"))
                self.assertEqual(obtenido + (fila["mas_rapido"],), esperado)
        self.assertEqual(filas[64000]["bubble"], "1.4336")
        texto = tabla_juntos(estudios, "O2").splitlines()
        fila = next(l for l in texto if l.lstrip().startswith("64000"))
        self.assertEqual(fila.split()[1:], ["-", "-", "-", "-", "1.434e+00", "-", "-", "-", "-"])
        fila = next(l for l in texto if l.lstrip().startswith("500 "))
        self.assertEqual(fila.split()[2::2], ["×1.00", "×2.00", "×3.50", "-"])
        self.assertTrue(fila.endswith("-  insertion"))

    def test_linea_de_orden(self):
        # Bubble's sizes -> the ranking: at the largest size all share,
        # else at the largest two share, naming who is missing.
        casos = [
            (CUADRATICAS, "a 32000: insertion ×1.00, selection ×2.00, bubble ×3.50"),
            (CUADRATICAS[:-2], "a 8000: insertion ×1.00, selection ×2.00, bubble ×3.50"),
            ([64000], "a 32000 (sin bubble): insertion ×1.00, selection ×2.00"),
        ]
        for tallas, linea in casos:
            with self.subTest(tallas=tallas):
                self.assertEqual(tabla_juntos(tres_cuadraticas(tallas), "O2").splitlines()[-1],
                                 linea)

    def test_cuentas_agrupadas_por_nombre(self):
        # Comparisons compare across sorts; steps and calls stay apart.
        estudios = [
            estudio("insertion", lambda n: 1e-10 * n * n, [1000, 2000], lambda n: n * n / 4),
            estudio("selection", lambda n: 2e-10 * n * n, [1000, 2000], lambda n: n * n / 2),
            estudio("floyd", lambda n: 1e-9 * n ** 3, [100, 200], lambda n: n ** 3),
            estudio("hanoi", lambda n: 1e-9 * 2 ** n, [18, 19], lambda n: 2 ** n - 1),
        ]
        texto = tsv_juntos(estudios, "O2")
        cabecera = texto.splitlines()[0].split("\t")
        self.assertEqual(cabecera[cabecera.index("mas_rapido") + 1:],
                         ["insertion_comparaciones", "insertion_comparaciones_relativo",
                          "selection_comparaciones", "selection_comparaciones_relativo",
                          "menos_comparaciones"])
        fila = filas_tsv(texto)[2000]
        self.assertEqual((fila["selection_comparaciones_relativo"],
                          fila["menos_comparaciones"]), ("2", "insertion"))
        tabla = tabla_juntos(estudios, "O2")
        self.assertIn("a 2000, comparaciones: insertion ×1.00, selection ×2.00", tabla)
        for nombre, cuenta in (("floyd", "pasos"), ("hanoi", "llamadas")):
            self.assertIn(f"{nombre}: cuenta {cuenta}, que ningún otro programa cuenta", tabla)
            self.assertNotIn(f"menos {cuenta}", tabla)

    def test_configuracion(self):
        # Mergesort has no O0: it is left out of the O0 times with a note.
        mezcla = tres_cuadraticas()[:2] + [estudio("mergesort", lambda n: 1e-8 * n, CUADRATICAS,
                                                   configuracion="O3")]
        self.assertIn("mergesort: no tiene la configuración O0", tabla_juntos(mezcla, "O0"))
        casos = [(["O0", "O2"], "O2"), (["O3", "O2"], "O2"), (["O3"], "O3"), (["O0"], None)]
        for pedidas, elegida in casos:
            with self.subTest(pedidas=pedidas):
                self.assertEqual(elegir_configuracion(mezcla, pedidas), elegida)


@unittest.skipUnless(shutil.which("gnuplot"), "gnuplot no está instalado")
class Grafica(unittest.TestCase):
    def dibujar(self, estudios):
        juntos = juntar([analizar(e, []) for e in estudios], "O2")
        with tempfile.TemporaryDirectory() as tmp:
            ficheros = Ficheros(Path(tmp), Progreso(io.StringIO()))
            rutas, notas = dibujar_juntos(juntos, ficheros, "gnuplot", ["svg"])
            svg = [g.ruta.read_text(encoding="utf-8") for g in rutas]
        guion = guion_juntos(juntos, "svg")
        self.assertEqual(notas, guion[1])  # every note reaches the caller
        return guion, svg

    def test_gnuplot_acepta_el_guion_y_aparta_lo_exponencial(self):
        hanoi = estudio("hanoi", lambda n: 3e-9 * 2 ** n, range(18, 30))
        # programs -> (drawn, left out with a note)
        casos = [
            (tres_cuadraticas(), ["insertion", "selection", "bubble"], []),
            (tres_cuadraticas() + [hanoi], ["insertion", "selection", "bubble"], ["hanoi"]),
            (tres_cuadraticas()[:1] + [hanoi], [], ["hanoi"]),
        ]
        for estudios, dibujados, apartados in casos:
            with self.subTest(programas=[e.programa.nombre for e in estudios]):
                (guion, notas), svg = self.dibujar(estudios)
                self.assertEqual(len(svg), 1 if dibujados else 0)
                if dibujados:
                    self.assertIn("<svg", svg[0])
                    for nombre in dibujados:
                        # Powers as superscripts, as in every plot.
                        self.assertRegex(guion, rf'title "{nombre}: n\^{{2\.00}} \[')
                    self.assertIn("$relativo_", guion)  # the panel of factors
                for nombre in apartados:
                    self.assertTrue(any(n.startswith(f"{nombre}: crece como a^n") for n in notas))
                    self.assertNotIn(f'"{nombre}:', guion)


if __name__ == "__main__":
    unittest.main()
