"""The files of one run in the output directory."""

from pathlib import Path

from .progreso import Progreso


class Ficheros:
    """Writes the files of one run into the output directory, and says so
    before it replaces a file that this run did not make."""

    def __init__(self, directorio: Path, progreso: Progreso):
        self.directorio = directorio
        self.progreso = progreso
        self.hechos = set()

    def ruta(self, nombre: str) -> Path:
        self.directorio.mkdir(parents=True, exist_ok=True)
        ruta = self.directorio / nombre
        if ruta.exists() and ruta not in self.hechos:
            self.progreso.nota(f"aviso: se sobrescribe {ruta}, que es de una ejecución anterior")
        self.hechos.add(ruta)
        return ruta

    def escribir(self, nombre: str, texto: str) -> Path:
        ruta = self.ruta(nombre)
        ruta.write_text(texto, encoding="utf-8")
        return ruta
