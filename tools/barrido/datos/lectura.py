"""Reading a saved file as text, safely: only a regular file is opened (a
FIFO or a device in its place is refused, not waited on), its bytes must be
UTF-8 without NUL bytes, and a byte-order mark in front is dropped. Any
fault is an ErrorDeUso naming the file."""

import os
import stat
from pathlib import Path

from .errores import ErrorDeUso
from .sistema import motivo

# Larger than any study the sweep writes by far; a file past it is not one.
MAXIMO_BYTES = 256 * 1024 * 1024


def leer_texto(ruta: Path) -> str:
    try:
        # O_NONBLOCK: opening a FIFO with no writer would otherwise wait.
        descriptor = os.open(ruta, os.O_RDONLY | os.O_NONBLOCK | getattr(os, "O_CLOEXEC", 0))
    except OSError as e:
        raise ErrorDeUso(f"no se pudo leer {ruta}: {motivo(e)}") from None
    try:
        datos = os.fstat(descriptor)
        if not stat.S_ISREG(datos.st_mode):
            raise ErrorDeUso(f"{ruta} no es un fichero regular; no se lee")
        if datos.st_size > MAXIMO_BYTES:
            raise ErrorDeUso(f"{ruta} tiene {datos.st_size} bytes, más de los que tiene un"
                             " estudio")
        with os.fdopen(descriptor, "rb", closefd=False) as f:
            crudo = f.read(MAXIMO_BYTES + 1)
    except OSError as e:
        raise ErrorDeUso(f"no se pudo leer {ruta}: {motivo(e)}") from None
    finally:
        os.close(descriptor)
    if b"\0" in crudo:
        linea = crudo[:crudo.index(b"\0")].count(b"\n") + 1
        raise ErrorDeUso(f"{ruta}, línea {linea}: tiene bytes nulos (el fichero está dañado)")
    try:
        texto = crudo.decode("utf-8")
    except UnicodeDecodeError as e:
        linea = crudo[:e.start].count(b"\n") + 1
        raise ErrorDeUso(f"no se pudo leer {ruta}, línea {linea}: no es UTF-8") from None
    return texto[1:] if texto.startswith("\ufeff") else texto
