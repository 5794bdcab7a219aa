"""The operating system's errors in the sweep's words. Python words an
OSError in the C library's language (English here: «No such file or
directory»); the sweep speaks Spanish, so every such error that reaches the
user goes through `motivo`, which names what went wrong and, where there is
one, what to do about it. An error it has no words for is named by its
code (ENOENT), never by the English text."""

import errno
import json
from typing import Dict, Tuple

# errno → (what went wrong, what to do); the path is the caller's to name.
_FRASES: Dict[int, Tuple[str, str]] = {
    errno.ENOENT: ("no existe (o no existe una carpeta de su ruta)",
                   "compruebe la ruta, o cree la carpeta"),
    errno.EACCES: ("no tiene permiso", "elija una carpeta suya o pida permiso a su dueño"),
    errno.EPERM: ("el sistema no permite la operación", "elija otra carpeta o fichero"),
    errno.ENOSPC: ("el disco está lleno", "libere espacio o elija otra carpeta"),
    errno.EDQUOT: ("se agotó su cuota de disco", "libere espacio o elija otra carpeta"),
    errno.EROFS: ("el sistema de ficheros es de solo lectura", "elija otra carpeta"),
    errno.ENOTDIR: ("una parte de la ruta es un fichero, no una carpeta",
                    "compruebe la ruta"),
    errno.EISDIR: ("es una carpeta, no un fichero", "dé la ruta de un fichero"),
    errno.EEXIST: ("ya existe", "elija otro nombre o retire el que hay"),
    errno.ENAMETOOLONG: ("el nombre es demasiado largo", "acorte la ruta"),
    errno.ELOOP: ("la ruta da vueltas entre enlaces simbólicos", "compruebe la ruta"),
    errno.EMFILE: ("este proceso tiene demasiados ficheros abiertos", "repítalo"),
    errno.ENFILE: ("el sistema tiene demasiados ficheros abiertos",
                   "cierre otros programas y repítalo"),
    errno.EFBIG: ("pasa del tamaño de fichero que se le permite",
                  "suba el límite (ulimit -f) o libere espacio"),
    errno.EIO: ("el disco dio un error de lectura o escritura", "compruebe el disco"),
    errno.ENOMEM: ("no queda memoria", "cierre otros programas y repítalo"),
    errno.ENOEXEC: ("no es un programa que este sistema sepa ejecutar",
                    "constrúyalo de nuevo con «cmake --workflow --preset default»"),
    errno.ETXTBSY: ("otro proceso lo está escribiendo", "espere a que acabe y repítalo"),
    errno.EBUSY: ("está ocupado", "espere y repítalo"),
    errno.EPIPE: ("quien leía la salida la cerró", ""),
    errno.EBADF: ("el descriptor ya está cerrado", ""),
    errno.ENOLCK: ("el sistema de ficheros no admite cerrojos", ""),
    errno.EOPNOTSUPP: ("el sistema de ficheros no admite la operación", "elija otra carpeta"),
    errno.EXDEV: ("origen y destino están en sistemas de ficheros distintos", ""),
    errno.E2BIG: ("la lista de argumentos es demasiado larga", ""),
    errno.EAGAIN: ("el recurso no está disponible ahora", "repítalo"),
}


def frase(error: OSError) -> Tuple[str, str]:
    """What went wrong and what to do (empty when nothing helps), in
    Spanish."""
    if error.errno in _FRASES:
        return _FRASES[error.errno]
    codigo = errno.errorcode.get(error.errno or 0)
    return (f"error del sistema {codigo}" if codigo else "error del sistema sin código", "")


def motivo(error: BaseException) -> str:
    """An error met reading or writing a file, in a Spanish phrase that
    follows «no se pudo … RUTA: »: an OSError by its errno with what to do,
    a file that is not UTF-8 or not JSON by what it holds."""
    if isinstance(error, OSError):
        que, remedio = frase(error)
        return f"{que}; {remedio}" if remedio else que
    if isinstance(error, UnicodeDecodeError):
        return f"no está en UTF-8 (byte {error.start})"
    if isinstance(error, json.JSONDecodeError):
        return f"no es JSON válido (línea {error.lineno}, columna {error.colno})"
    return str(error)
