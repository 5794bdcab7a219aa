"""The study as a page: informe.html beside informe.md, made from the same
Markdown text, for a reader who opens it with a double click, on a phone
too, or prints it.

The Markdown is converted by Python-Markdown (Debian's python3-markdown)
with its tables, fenced blocks and table of contents; this module only
puts the result in a page of its own. The page is one self-contained file:
every plot is embedded as a data: URI (the files beside it may be moved or
lost), its headings carry anchors that the contents at the top link to,
its tables and fixed-width blocks scroll sideways inside the page rather
than widen it, and it names no http(s) address, so it opens the same with
no network. Without Python-Markdown the page is not written, saying so
once; informe.md is written all the same."""

import base64
import html
import re
import sys
from pathlib import Path
from types import ModuleType
from typing import Optional

from .ficheros import Ficheros
from ..medir.progreso import Progreso

FICHERO = "informe.html"
AVISO_SIN_MARKDOWN = (f"{FICHERO} no se escribe: falta Python-Markdown (se instala con: apt-get"
                      " install python3-markdown); informe.md sí se escribe")
# Where Debian's python3-markdown lives: a Python of one's own (pyenv, a
# virtual environment) does not search it, though the package, pure Python,
# runs on any Python 3.
_DEBIAN = "/usr/lib/python3/dist-packages"
_EXTENSIONES = ["markdown.extensions.tables", "markdown.extensions.fenced_code",
                "markdown.extensions.toc"]
_TIPOS = {".svg": "image/svg+xml", ".png": "image/png"}

_ESTILO = """
body { font-family: system-ui, -apple-system, "Segoe UI", Roboto, sans-serif; line-height: 1.5;
       color: #1d1d1d; background: #fff; max-width: 72rem; margin: 0 auto; padding: 1rem; }
h1, h2, h3 { line-height: 1.25; }
p, li { overflow-wrap: anywhere; }
h2 { border-bottom: 1px solid #ddd; padding-bottom: .2rem; margin-top: 2rem; }
a { color: #0b5cad; }
img { max-width: 100%; height: auto; display: block; margin: .5rem 0; }
.tabla { overflow-x: auto; margin: .5rem 0 1rem; }
table { border-collapse: collapse; font-size: .85rem; }
th, td { border: 1px solid #ccc; padding: .2rem .45rem; white-space: nowrap; vertical-align: top; }
th { background: #f2f2f2; }
td { font-variant-numeric: tabular-nums; }
pre { overflow-x: auto; background: #f6f6f6; padding: .6rem; font-size: .78rem; line-height: 1.3; }
code { font-family: ui-monospace, "DejaVu Sans Mono", Menlo, Consolas, monospace; }
blockquote { margin: 1rem 0; padding: .3rem 1rem; border-left: 4px solid #c60; background: #fff4e8; }
nav.indice { background: #f7f7f7; border: 1px solid #e2e2e2; padding: .3rem 1rem; }
nav.indice ul { margin: .2rem 0; padding-left: 1.2rem; }
.falta { color: #a00; font-style: italic; }
@media (max-width: 40rem) {
  body { padding: .6rem; font-size: 95%; }
  h1 { font-size: 1.5rem; }
}
@media print {
  body { max-width: none; padding: 0; font-size: 10pt; color: #000; }
  nav.indice { display: none; }
  a { color: inherit; text-decoration: none; }
  .tabla, pre { overflow: visible; }
  pre { white-space: pre-wrap; word-break: break-all; background: none; border: 1px solid #ccc; }
  table { font-size: 8pt; }
  th, td { white-space: normal; }
  h2, h3 { break-after: avoid; }
  img, tr, blockquote { break-inside: avoid; }
}
"""


def cargar_markdown() -> Optional[ModuleType]:
    """Python-Markdown, from the Python that runs the sweep or else from
    Debian's package; None when neither has it."""
    try:
        import markdown
        return markdown
    except ImportError:
        pass
    if not (Path(_DEBIAN) / "markdown" / "__init__.py").is_file():
        return None
    sys.path.append(_DEBIAN)  # last, so that it shadows nothing of the sweep's
    try:
        import markdown
        return markdown
    except ImportError:
        return None
    finally:
        sys.path.remove(_DEBIAN)


def _imagen(directorio: Path, coincidencia: "re.Match[str]") -> str:
    """An <img> of a plot beside the document, with the plot embedded; a
    note in its place when the file cannot be read, rather than a broken
    image."""
    etiqueta = coincidencia.group(0)
    fuente = re.search(r'\bsrc="([^"]*)"', etiqueta)
    if fuente is None or fuente.group(1).startswith("data:"):
        return etiqueta
    nombre = html.unescape(fuente.group(1))
    ruta = directorio / nombre
    tipo = _TIPOS.get(ruta.suffix.lower())
    try:
        if tipo is None or "/" in nombre:
            raise OSError
        datos = base64.b64encode(ruta.read_bytes()).decode("ascii")
    except OSError:
        return f'<span class="falta">(falta la gráfica {html.escape(nombre)})</span>'
    return etiqueta.replace(fuente.group(0), f'src="data:{tipo};base64,{datos}"')


def pagina(texto: str, directorio: Path, markdown: ModuleType) -> str:
    """The page of the Markdown document `texto`, whose plots are files in
    `directorio`."""
    md = markdown.Markdown(extensions=_EXTENSIONES, output_format="html", extension_configs={
        "markdown.extensions.toc": {"toc_depth": "1-2"}})
    cuerpo = md.convert(texto)
    cuerpo = re.sub(r"<img\b[^>]*>", lambda m: _imagen(directorio, m), cuerpo)
    cuerpo = re.sub(r"<table>", '<div class="tabla"><table>', cuerpo)
    cuerpo = re.sub(r"</table>", "</table></div>", cuerpo)
    titulo = re.search(r"<h1[^>]*>(.*?)</h1>", cuerpo, re.DOTALL)
    nombre = re.sub(r"<[^>]+>", "", titulo.group(1)) if titulo else "Estudio de eficiencia"
    indice = getattr(md, "toc", "")
    # The contents after the title: the h1 itself is left out of them.
    indice = re.sub(r'^(<div class="toc">\s*<ul>\s*<li><a [^>]*>[^<]*</a>)', "", indice)
    indice = re.sub(r"</li>\s*</ul>\s*</div>\s*$", "", indice).strip()
    if indice:
        nav = f'<nav class="indice" aria-label="índice">\n<strong>Índice</strong>\n{indice}\n</nav>'
        cuerpo = (cuerpo.replace("</h1>", "</h1>\n" + nav, 1) if titulo
                  else nav + "\n" + cuerpo)
    return ("<!DOCTYPE html>\n<html lang=\"es\">\n<head>\n<meta charset=\"utf-8\">\n"
            "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
            f"<title>{nombre}</title>\n<style>{_ESTILO}</style>\n</head>\n<body>\n"
            f"{cuerpo}\n</body>\n</html>\n")


class Pagina:
    """Writes informe.html with the study's files; says once when it
    cannot."""

    def __init__(self, ficheros: Ficheros, progreso: Progreso):
        self.ficheros = ficheros
        self.progreso = progreso
        self.markdown = cargar_markdown()
        self.dicho = False

    def escribir(self, texto: str) -> Optional[Path]:
        """The page of the Markdown document `texto`: its path, or None
        (said) when it could not be written."""
        if self.markdown is None:
            if not self.dicho:
                self.dicho = True
                self.progreso.nota(AVISO_SIN_MARKDOWN)
            return None
        return self.ficheros.escribir(FICHERO, pagina(texto, self.ficheros.directorio,
                                                      self.markdown))
