"""informe.html: the page made from the Markdown of the report, on its own
(self-contained, its tables and plots, the anchors its contents link to),
written by a sweep beside informe.md or left out with one line when
Python-Markdown is missing, and opened in a real browser (headless
Chromium): it renders, the summary table and every plot are there, no link
or image is broken and nothing widens a phone's screen.

With CAPTURA_PAGINA set to the folder of a study, the browser test opens
that study's informe.html instead of sweeping fake programs, and leaves
its screenshot there (captura_pagina.png)."""

import html
import json
import os
import re
import shutil
import subprocess
import tempfile
import unittest
from pathlib import Path

from comun import ConFalsos

from barrido.escritura.pagina import AVISO_SIN_MARKDOWN, FICHERO, cargar_markdown, pagina

MARKDOWN = cargar_markdown()
SIN_MARKDOWN = "falta Python-Markdown (apt-get install python3-markdown)"
CHROMIUM = shutil.which("chromium") or shutil.which("chromium-browser")
GNUPLOT = shutil.which("gnuplot")

# A small plot, and a document with what informe.md holds: a title,
# headings, a table, a fixed-width block, a list and plots by file name.
SVG = ('<svg xmlns="http://www.w3.org/2000/svg" width="40" height="20">'
       '<rect width="40" height="20" fill="#36c"/></svg>')
DOCUMENTO = """# Estudio de eficiencia

## Registro

- orden: `tools/sweep insertion`

## Resumen

| programa | medida | veredicto |
|----------|--------|-----------|
| insertion | tiempo O2 | n^2 |

## insertion: ordenación por inserción

![insertion.svg](insertion.svg)

*Tiempos.*

![falta.svg](falta.svg)

```text
    n  t(n) s
  500  6.6e-05
```
"""

# Injected into a copy of the page: what the browser made of it, as JSON
# in an element of its own, once every image has loaded.
COMPROBACION = """<script>
window.addEventListener('load', function () {
  var r = {};
  r.titulo = (document.querySelector('h1') || {}).textContent || '';
  var tabla = document.querySelector('#resumen + .tabla table');
  r.filas_resumen = tabla ? tabla.querySelectorAll('tbody tr').length : 0;
  r.imagenes = Array.prototype.map.call(document.images, function (i) {
    return {alt: i.alt, ok: i.complete && i.naturalWidth > 0, datos: i.src.indexOf('data:') === 0};
  });
  r.rotos = Array.prototype.filter.call(document.querySelectorAll('a[href]'), function (a) {
    var h = a.getAttribute('href');
    return h.charAt(0) !== '#' || !document.getElementById(decodeURIComponent(h.slice(1)));
  }).map(function (a) { return a.getAttribute('href'); });
  r.ancho = document.documentElement.scrollWidth;
  r.ventana = window.innerWidth;
  var pre = document.createElement('pre');
  pre.id = 'resultado-de-la-prueba';
  pre.textContent = JSON.stringify(r);
  document.body.appendChild(pre);
});
</script>"""


def chromium(perfil: Path, pagina_: Path, *opciones: str) -> subprocess.CompletedProcess:
    """Headless Chromium on a file, with nothing that reaches for the
    network (it would wait on a closed one); --no-sandbox, which root needs."""
    return subprocess.run(
        [CHROMIUM, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
         "--no-first-run", "--disable-background-networking", "--disable-component-update",
         "--disable-sync", f"--user-data-dir={perfil}", *opciones, pagina_.as_uri()],
        stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, timeout=120)


@unittest.skipIf(MARKDOWN is None, SIN_MARKDOWN)
class LaPagina(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.dir = Path(self.tmp.name)
        (self.dir / "insertion.svg").write_text(SVG)
        self.html = pagina(DOCUMENTO, self.dir, MARKDOWN)

    def tearDown(self):
        self.tmp.cleanup()

    def test_lo_que_lleva(self):
        # (what, a pattern the page must hold, or must not when negated)
        casos = [
            ("para el móvil", r'<meta name="viewport" content="width=device-width', True),
            ("para imprimir", r"@media print", True),
            ("el resumen como tabla, que se desplaza de lado",
             r'<h2 id="resumen">Resumen</h2>\s*<div class="tabla"><table>', True),
            ("la gráfica dentro", r'<img alt="insertion.svg" src="data:image/svg\+xml;base64,', True),
            ("la que falta, dicha", r'<span class="falta">\(falta la gráfica falta.svg\)</span>',
             True),
            ("el índice enlaza las secciones", r'<a href="#resumen">Resumen</a>', True),
            ("el bloque de ancho fijo", r'<pre><code class="language-text">', True),
            ("ninguna dirección de la red", r"https?:", False),
            ("ningún fichero de al lado", r'src="(?!data:)', False),
        ]
        for que, patron, debe in casos:
            with self.subTest(que=que):
                (self.assertRegex if debe else self.assertNotRegex)(self.html, patron)

    def test_cada_ancla_existe(self):
        anclas = set(re.findall(r'\bid="([^"]+)"', self.html))
        enlaces = re.findall(r'\bhref="([^"]+)"', self.html)
        self.assertTrue(enlaces)
        self.assertEqual([e for e in enlaces if not e.startswith("#") or e[1:] not in anclas], [])


class SinPythonMarkdown(ConFalsos):
    def test_lo_dice_una_vez_y_escribe_informe_md(self):
        # A package named markdown that cannot be imported stands for its
        # absence, ahead of the system's on the path.
        falso = Path(self.tmp.name) / "sin" / "markdown"
        falso.mkdir(parents=True)
        (falso / "__init__.py").write_text("raise ImportError('no está')\n")
        self.falso("bench_insertion", "cuadratico")
        r = self.barrer("insertion", "--sizes", "100,200,400", entorno=dict(
            os.environ, PYTHONPATH=str(falso.parent)))
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stderr.count(AVISO_SIN_MARKDOWN), 1, r.stderr)
        self.assertTrue((self.out / "informe.md").is_file())
        self.assertFalse((self.out / FICHERO).exists())
        self.assertNotIn(FICHERO, (self.out / "ficheros.txt").read_text())


@unittest.skipIf(CHROMIUM is None, "no está Chromium (apt-get install chromium): la página no"
                                   " se puede abrir en un navegador")
@unittest.skipIf(MARKDOWN is None, SIN_MARKDOWN)
class EnElNavegador(ConFalsos):
    def estudio(self) -> Path:
        """The folder of a study with its page: CAPTURA_PAGINA, or a sweep
        of two fake programs with their counts."""
        if os.environ.get("CAPTURA_PAGINA"):
            return Path(os.environ["CAPTURA_PAGINA"])
        if GNUPLOT is None:
            self.skipTest("no está gnuplot (apt-get install gnuplot-nox): el estudio no tiene"
                          " gráficas que ver")
        for programa in ("insertion", "bubble"):
            self.falso(f"bench_{programa}", "cuadratico")
            self.falso(f"bench_{programa}_cuentas", "cuentas_cuadraticas")
        r = self.barrer("insertion", "bubble", "--sizes", "100,200,400,800", "--measure",
                        "time,counts", "--seed", "3")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertIn(FICHERO, (self.out / "ficheros.txt").read_text().splitlines())
        return self.out

    def test_se_ve_entera(self):
        estudio = self.estudio()
        graficas = re.findall(r"^!\[[^\]]*\]\(([^)]+)\)", (estudio / "informe.md").read_text(),
                              re.MULTILINE)
        self.assertTrue(graficas)
        texto = (estudio / FICHERO).read_text(encoding="utf-8")
        self.assertNotRegex(texto, r"https?:")
        copia = Path(self.tmp.name) / "copia.html"
        copia.write_text(texto.replace("</body>", COMPROBACION + "\n</body>"), encoding="utf-8")
        # A phone's width: the page may not be wider than the window.
        r = chromium(Path(self.tmp.name) / "perfil", copia, "--window-size=412,900",
                     "--virtual-time-budget=10000", "--dump-dom")
        m = re.search(r'<pre id="resultado-de-la-prueba">(.*?)</pre>', r.stdout, re.DOTALL)
        self.assertIsNotNone(m, f"Chromium no dejó el resultado (estado {r.returncode})")
        vista = json.loads(html.unescape(m.group(1)))
        self.assertEqual(vista["titulo"], "Estudio de eficiencia")
        self.assertGreater(vista["filas_resumen"], 1)
        self.assertEqual([i["alt"] for i in vista["imagenes"]], graficas)
        self.assertEqual([i for i in vista["imagenes"] if not (i["ok"] and i["datos"])], [])
        self.assertEqual(vista["rotos"], [])
        self.assertLessEqual(vista["ancho"], vista["ventana"])
        # And it paints: a screenshot of the whole page at a desktop width.
        captura = estudio / "captura_pagina.png" if os.environ.get("CAPTURA_PAGINA") else \
            Path(self.tmp.name) / "captura.png"
        r = chromium(Path(self.tmp.name) / "perfil2", estudio / FICHERO,
                     "--window-size=1280,4000", f"--screenshot={captura}")
        self.assertTrue(captura.is_file(), r.stderr[-500:])
        self.assertGreater(captura.stat().st_size, 10000)


if __name__ == "__main__":
    unittest.main()
