"""argparse as the sweep's command line speaks it: its own words in
Spanish, and an error as one line with a hint to --help rather than the
whole usage before it; and the numbers of options, read whole, in ASCII,
and within the bounds each option states."""

import argparse
import re
from typing import List, NoReturn, Tuple

from ..datos.errores import ErrorDeUso
from ..datos.texto import cortar

# argparse's error texts, as it words them, and what the sweep says in
# their place; a text it does not know is left as argparse wrote it.
_TRADUCCIONES: List[Tuple[str, str]] = [
    (r"the following arguments are required: (.*)", r"falta \1"),
    (r"unrecognized arguments: (.*)", r"no se reconoce «\1»"),
    (r"ambiguous option: (\S+) could match (.*)", r"\1 es ambigua: puede ser \2"),
    (r"argument (\S+): expected one argument", r"\1 necesita un valor"),
    (r"argument (\S+): expected at least one argument", r"\1 necesita al menos un valor"),
    (r"argument (\S+): expected at most one argument", r"\1 lleva como mucho un valor"),
    (r"argument (\S+): ignored explicit argument (.*)", r"\1 no lleva valor (se le dio \2)"),
    (r"argument (\S+): invalid \w+ value: (.*)", r"\1: \2 no es un valor válido"),
    (r"argument (\S+): (.*)", r"\1: \2"),
]


_ENTERO = re.compile(r"[+-]?[0-9]+", re.ASCII)


def traducir(mensaje: str) -> str:
    for patron, sustituto in _TRADUCCIONES:
        if re.fullmatch(patron, mensaje, re.DOTALL):
            return re.sub(patron, sustituto, mensaje, flags=re.DOTALL)
    return mensaje


class Formato(argparse.RawDescriptionHelpFormatter):
    """The help's usage line headed «uso:»."""

    def add_usage(self, usage, actions, groups, prefix=None):
        super().add_usage(usage, actions, groups, "uso: " if prefix is None else prefix)


class Analizador(argparse.ArgumentParser):
    """An ArgumentParser that writes its help in Spanish and its errors as
    one line: «sweep: error: <why> (más en «tools/sweep --help»)», exit
    status 2."""

    def __init__(self, ayuda: str, **opciones):
        opciones.setdefault("formatter_class", Formato)
        super().__init__(add_help=False, **opciones)
        self.ayuda = ayuda  # the command that shows the help
        self._positionals.title = "argumentos"
        self._optionals.title = "opciones"
        self.add_argument("-h", "--help", action="help", help="muestra esta ayuda y acaba")

    def _get_formatter(self):
        # The help's usage line names the command as it is typed
        # (tools/sweep, tools/sweep compare); errors keep the short prog.
        return self.formatter_class(prog=self.ayuda.removesuffix(" --help"))

    def error(self, message: str) -> NoReturn:
        linea = " ".join(traducir(message).split())
        self.exit(2, f"{self.prog}: error: {linea} (más en «{self.ayuda}»)\n")


def entero(texto: str, opcion: str, minimo: int, maximo: int) -> int:
    """An integer option in [minimo, maximo], written in ASCII digits."""
    limpio = texto.strip()
    if not _ENTERO.fullmatch(limpio):
        raise ErrorDeUso(f"{opcion} «{cortar(texto)}» no es un número entero")
    # Compared as text first: Python refuses to convert past 4300 digits.
    if len(limpio.lstrip("+-").lstrip("0")) > 30 or not minimo <= int(limpio) <= maximo:
        raise ErrorDeUso(f"{opcion} {cortar(limpio)} fuera de lo admitido: de {minimo} a {maximo}")
    return int(limpio)


def real(texto: str, opcion: str, maximo: float, unidad: str = "") -> float:
    """A positive finite number up to maximo, written in ASCII."""
    limpio = texto.strip()
    try:
        if not limpio.isascii():  # float() would read other scripts' digits
            raise ValueError
        valor = float(limpio)
    except ValueError:
        raise ErrorDeUso(f"{opcion} «{cortar(texto)}» no es un número") from None
    if not 0 < valor <= maximo:
        raise ErrorDeUso(f"{opcion} {cortar(limpio)} fuera de lo admitido: mayor que 0 y como mucho"
                         f" {maximo:g}{unidad}")
    return valor
