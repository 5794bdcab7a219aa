"""The files of one study in the output directory.

A study holds the directory while it writes (an flock on the directory
itself: a second sweep into it is refused rather than let mix its files
with this one's), names every file in ficheros.txt before it makes it, and
begins by removing the files that the previous study's list names, and
nothing else, so that re-running a command works and a folder never mixes
two studies. Every file is written whole, to a temporary file made anew
under a name no one can foresee (so that nothing planted in the folder can
redirect it), then renamed over the old one: a sweep stopped at any moment, even by SIGKILL, leaves
each file as it was or as it is now. A file that cannot be written (a full
disk) is said once and left out, and the sweep goes on."""

import fcntl
import os
import tempfile
from pathlib import Path
from typing import Dict, List, Optional, Tuple

from ..datos.errores import ErrorDeUso
from ..datos.texto import ESCAPADO
from ..medir.progreso import Progreso
from ..datos.sistema import motivo

LISTA = "ficheros.txt"  # the files of the study in the directory, one name a line

# The process's umask, which mkstemp's files (made 0600) do not follow.
_MASCARA = os.umask(0o022)
os.umask(_MASCARA)


def _propio(nombre: str) -> bool:
    """Whether a name of a list can be one of the study's files: a plain
    name in the directory, never a path out of it."""
    return bool(nombre) and "/" not in nombre and "\0" not in nombre and nombre not in (
        ".", "..", LISTA)


class Ficheros:
    """Writes the files of one study into the output directory, and says so
    before it replaces a file that no study listed."""

    def __init__(self, directorio: Path, progreso: Progreso):
        self.directorio = directorio
        self.progreso = progreso
        self.hechos = set()  # the paths this study has written
        self.lista: List[str] = []  # the names this study has listed, in order
        self.fallidos: Dict[str, str] = {}  # name -> why its last writing failed
        self._cerrojo: Optional[int] = None
        self.reservado = False  # whether this study holds the directory

    def tomar(self, conservar: bool = False):
        """Holds the directory for this study, or raises ErrorDeUso when
        another sweep holds it; then removes the previous study's files, or,
        with conservar (more invocations added to the study there), keeps
        them and their list as this study's own."""
        directorio = self.directorio
        try:
            directorio.mkdir(parents=True, exist_ok=True)
            descriptor = os.open(directorio, os.O_RDONLY | os.O_DIRECTORY)
        except OSError as e:
            raise ErrorDeUso(f"no se puede escribir en --out {directorio}: {motivo(e)}") from None
        try:
            fcntl.flock(descriptor, fcntl.LOCK_EX | fcntl.LOCK_NB)
            self.reservado = True
        except BlockingIOError:
            os.close(descriptor)
            raise ErrorDeUso(f"otro barrido está escribiendo ahora en --out {directorio}: espere"
                             " a que acabe o elija otro directorio") from None
        except OSError as e:  # a file system without locks: the study goes on unguarded
            self.progreso.nota(f"aviso: no se pudo reservar {directorio} para este barrido"
                               f" ({motivo(e)}); que ningún otro escriba en él a la vez")
        # Held until the process ends; the programs it starts do not inherit it.
        self._cerrojo = descriptor
        if conservar:
            self._conservar_anterior()
        else:
            self._retirar_anterior()

    def _conservar_anterior(self):
        """The previous study's files become this one's: rewriting them
        says no warning, and the list keeps naming them."""
        try:
            nombres = (self.directorio / LISTA).read_text(encoding="utf-8").splitlines()
        except (OSError, UnicodeDecodeError):
            return
        self.lista = [n for n in (n.strip() for n in nombres) if _propio(n)]

    def _retirar_anterior(self):
        lista = self.directorio / LISTA
        try:
            nombres = lista.read_text(encoding="utf-8").splitlines()
        except FileNotFoundError:
            return
        except (OSError, UnicodeDecodeError) as e:
            self.progreso.nota(f"aviso: no se pudo leer {lista} ({motivo(e)}): los ficheros del estudio"
                               " anterior se quedan")
            return
        retirados = 0
        for nombre in filter(_propio, (n.strip() for n in nombres)):
            restos = self.directorio.glob(f".{_literal(nombre)}.*.tmp")  # of a study killed
            for ruta in [self.directorio / nombre, *restos]:
                try:
                    ruta.unlink()
                    retirados += ruta.name == nombre
                except FileNotFoundError:
                    pass
                except OSError as e:
                    self.progreso.nota(f"aviso: no se pudo retirar {ruta}: {motivo(e)}")
        try:
            lista.unlink()
        except OSError:
            pass
        if retirados:
            varios = "s" if retirados > 1 else ""
            self.progreso.nota(f"se retira{varios.replace('s', 'n')} {retirados} fichero{varios}"
                               f" del estudio anterior en {self.directorio} (los que nombra su"
                               f" {LISTA})")

    def _anotar(self, nombre: str) -> Path:
        """The path of one of the study's files, listed before it is made."""
        ruta = self.directorio / nombre
        if nombre in self.lista:
            return ruta
        if ruta.exists() and ruta not in self.hechos:
            self.progreso.nota(f"aviso: se sobrescribe {ruta}, que es de una ejecución anterior")
        self.lista.append(nombre)
        self._escribir_entero(LISTA, "".join(f"{n}\n" for n in self.lista))
        return ruta

    def temporal(self, nombre: str) -> Optional[Tuple[Path, int]]:
        """A new temporary file where one of the study's files is written
        before confirmar puts it in place: its path and an open descriptor,
        or None (said) when it cannot be made. The file is listed from now
        on."""
        self._anotar(nombre)
        return self._crear(nombre)

    def _crear(self, nombre: str) -> Optional[Tuple[Path, int]]:
        """Creates the temporary file under a name no one could have chosen
        for it (mkstemp: O_CREAT|O_EXCL, never through a link someone else
        put in the folder), with the permissions a file created here would
        have."""
        try:
            descriptor, ruta = tempfile.mkstemp(prefix=f".{nombre}.", suffix=".tmp",
                                                dir=self.directorio)
        except OSError as e:
            self._fallo(nombre, e)
            return None
        try:
            os.fchmod(descriptor, 0o666 & ~_MASCARA)
        except OSError:
            pass
        return Path(ruta), descriptor

    def confirmar(self, temporal: Path, nombre: str) -> Optional[Path]:
        """Renames a whole file into place: its path, or None (said) when
        that fails."""
        ruta = self.directorio / nombre
        try:
            os.replace(temporal, ruta)
        except OSError as e:
            self.descartar(temporal)
            self._fallo(nombre, e)
            return None
        self.hechos.add(ruta)
        self.fallidos.pop(nombre, None)
        return ruta

    def descartar(self, temporal: Path):
        try:
            temporal.unlink()
        except OSError:
            pass

    def escribir(self, nombre: str, texto: str) -> Optional[Path]:
        """Writes one of the study's files whole: its path, or None (said)
        when it cannot be written."""
        try:
            self.directorio.mkdir(parents=True, exist_ok=True)
        except OSError as e:
            self._fallo(nombre, e)
            return None
        creado = self.temporal(nombre)
        if creado is None or not self._escribir_en(*creado, texto, nombre):
            return None
        return self.confirmar(creado[0], nombre)

    def _escribir_entero(self, nombre: str, texto: str):
        creado = self._crear(nombre)
        if creado is not None and self._escribir_en(*creado, texto, nombre):
            try:
                os.replace(creado[0], self.directorio / nombre)
                self.fallidos.pop(nombre, None)
            except OSError as e:
                self.descartar(creado[0])
                self._fallo(nombre, e)

    def _escribir_en(self, temporal: Path, descriptor: int, texto: str, nombre: str) -> bool:
        try:
            fichero = open(descriptor, "w", encoding="utf-8", errors=ESCAPADO)
        except OSError as e:
            os.close(descriptor)
            self.descartar(temporal)
            self._fallo(nombre, e)
            return False
        try:
            with fichero:
                fichero.write(texto)
        except OSError as e:
            self.descartar(temporal)
            self._fallo(nombre, e)
            return False
        return True

    def _fallo(self, nombre: str, error: OSError):
        porque = motivo(error)
        if self.fallidos.get(nombre) != porque:
            self.progreso.nota(f"no se pudo escribir {self.directorio / nombre}: {porque}")
        self.fallidos[nombre] = porque

    def escritos(self) -> List[str]:
        """The listed files that are in place now, the list included."""
        return [n for n in self.lista + [LISTA]
                if n not in self.fallidos and (self.directorio / n).exists()]


def _literal(nombre: str) -> str:
    """A name with glob's special characters taken literally."""
    return "".join(f"[{c}]" if c in "*?[" else c for c in nombre)
