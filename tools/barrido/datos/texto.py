"""Texts from outside (paths, program output, option values) as the
sweep's messages and files show them: on one line, in UTF-8, and short.

A path that is not UTF-8 reaches Python with its bytes as surrogates
(os.fsdecode); the error handler ESCAPADO, for every stream and file the
sweep writes, shows each such byte as \\xNN rather than failing."""

import codecs
import re

# The longest value a message quotes whole.
LARGO_MAXIMO = 30


def visible(texto: str) -> str:
    """The text with every control character, and every byte that is not
    UTF-8 (a surrogate of os.fsdecode), written as \\xNN (\\uNNNN above
    0xff): it reads as one line and encodes as UTF-8."""
    return "".join(c if c.isprintable() else _escape(c) for c in texto)


def _escape(c: str) -> str:
    codigo = ord(c)
    if 0xDC80 <= codigo <= 0xDCFF:  # a byte os.fsdecode could not decode
        codigo -= 0xDC00
    return f"\\x{codigo:02x}" if codigo <= 0xFF else f"\\u{codigo:04x}"


def cortar(texto: str, largo: int = LARGO_MAXIMO) -> str:
    """A value as a message quotes it: whole up to `largo` characters, or
    its head and its length."""
    texto = visible(texto)
    return texto if len(texto) <= largo else f"{texto[:12]}… ({len(texto)} caracteres)"


ESCAPADO = "barrido_escapado"


def json_visible(texto: str) -> str:
    """A JSON text whose strings hold bytes that are not UTF-8 (surrogates):
    each written as \\xNN inside its string, so that the file stays valid
    JSON and UTF-8."""
    return re.sub("[\ud800-\udfff]", lambda m: "\\" + _escape(m.group()), texto)


def _al_codificar(error: UnicodeError):
    if not isinstance(error, UnicodeEncodeError):
        raise error
    return "".join(_escape(c) for c in error.object[error.start:error.end]), error.end


codecs.register_error(ESCAPADO, _al_codificar)
