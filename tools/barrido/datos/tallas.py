"""Lists of sizes as the command line writes them: 1000,2000 or ranges
such as 1000:256000:x2 (geometric) and 10:30:+2 (arithmetic)."""

import math
import re
from typing import List, Sequence, Set

from .errores import ErrorDeUso
from .texto import cortar

# The largest size: the programs read it into a 32-bit int.
MAX_TALLA = 2**31 - 1
# The most sizes a sweep takes. The default series have 13 to 14; a thousand
# is already hours of a program's time, and a range that gives more is a
# typo (1:100000000:+1), refused before its sizes are listed.
MAX_TALLAS = 1000

_ENTERO = re.compile(r"\s*([0-9]+)\s*", re.ASCII)
_PASO = re.compile(r"\+([0-9]+)", re.ASCII)
_FACTOR = re.compile(r"x([0-9]+\.?[0-9]*|\.[0-9]+)", re.ASCII)


def leer_tallas(texto: str) -> List[int]:
    """Sizes from a comma-separated list whose items are a size (1000), a
    geometric range (1000:256000:x2) or an arithmetic one (10:30:+2).
    Ranges start at their first value and end at the last term not above
    their second. The result is sorted and has no repeats; more than
    MAX_TALLAS sizes are refused, each range counted before it is listed."""
    tallas: Set[int] = set()
    elementos = [e.strip() for e in texto.split(",")]
    if not texto.strip() or any(not e for e in elementos):
        raise ErrorDeUso(f"lista de tallas vacía o con un hueco: «{cortar(texto)}»")
    for elemento in elementos:
        partes = elemento.split(":")
        if len(partes) == 1:
            tallas.add(_talla(partes[0], elemento))
        elif len(partes) == 3:
            tallas.update(_rango(partes, elemento))
        else:
            raise ErrorDeUso(
                f"«{cortar(elemento)}» no es una talla ni un rango INICIO:FIN:xFACTOR o"
                " INICIO:FIN:+PASO"
            )
        if len(tallas) > MAX_TALLAS:
            raise ErrorDeUso(f"«{cortar(texto)}» da más de {MAX_TALLAS} tallas, el máximo de un"
                             " barrido")
    return sorted(tallas)


def _talla(texto: str, elemento: str) -> int:
    m = _ENTERO.fullmatch(texto)
    if not m:
        raise ErrorDeUso(f"«{cortar(texto)}» en «{cortar(elemento)}» no es una talla entera"
                         " positiva")
    # Compared as text first: a number of thousands of digits is not worth
    # converting (Python refuses to past 4300).
    if len(m.group(1).lstrip("0")) > len(str(MAX_TALLA)) or int(m.group(1)) > MAX_TALLA:
        raise ErrorDeUso(f"la talla «{cortar(texto.strip())}» de «{cortar(elemento)}» pasa de"
                         f" {MAX_TALLA}, el mayor entero de 32 bits, que es lo que leen"
                         " los programas")
    talla = int(m.group(1))
    if talla < 1:
        raise ErrorDeUso(f"la talla de «{cortar(elemento)}» debe ser al menos 1")
    return talla


def _demasiadas(elemento: str) -> ErrorDeUso:
    return ErrorDeUso(f"el rango «{cortar(elemento)}» da más de {MAX_TALLAS} tallas, el máximo"
                      " de un barrido")


def _rango(partes: Sequence[str], elemento: str) -> List[int]:
    inicio, fin = _talla(partes[0], elemento), _talla(partes[1], elemento)
    paso = partes[2].strip()
    if inicio > fin:
        raise ErrorDeUso(f"el rango «{cortar(elemento)}» empieza después de acabar")
    if m := _PASO.fullmatch(paso):
        cifras = m.group(1).lstrip("0")
        # A step longer than any range of 32-bit sizes leaves the start alone.
        incremento = int(cifras or "0") if len(cifras) <= 12 else MAX_TALLA + 1
        if incremento < 1:
            raise ErrorDeUso(f"el paso de «{cortar(elemento)}» debe ser al menos +1")
        if (fin - inicio) // incremento + 1 > MAX_TALLAS:
            raise _demasiadas(elemento)
        return list(range(inicio, fin + 1, incremento))
    if _FACTOR.fullmatch(paso):
        factor = float(paso[1:])
        if not factor > 1:
            raise ErrorDeUso(f"el factor de «{cortar(elemento)}» debe ser mayor que 1")
        return _geometrico(inicio, fin, factor, elemento)
    raise ErrorDeUso(f"el paso de «{cortar(elemento)}» debe ser xFACTOR (x2) o +PASO (+100)")


def _geometrico(inicio: int, fin: int, factor: float, elemento: str) -> List[int]:
    """The distinct sizes round(inicio·factor^k) up to fin. Each term is
    computed from the start, so rounding does not accumulate; with a factor
    near 1 many terms round to the same size, so after each size the terms
    that cannot reach the next one (they lie below the size + 1/2) are
    jumped over rather than visited: the work is that of the sizes listed,
    at most MAX_TALLAS + 1."""
    tallas = [inicio]
    logaritmo = math.log(factor)
    k = 0
    while True:
        ultima = tallas[-1]
        # The first term at or above ultima + 1/2, less two for the
        # rounding of the logarithms.
        k = max(k + 1, math.ceil(math.log((ultima + 0.5) / inicio) / logaritmo) - 2)
        while True:
            try:
                valor = inicio * factor**k
            except OverflowError:
                return tallas
            if valor > fin + 0.5:
                return tallas
            talla = round(valor)
            if talla > ultima:
                break
            k += 1
        if talla > fin:
            return tallas
        tallas.append(talla)
        if len(tallas) > MAX_TALLAS:
            raise _demasiadas(elemento)
