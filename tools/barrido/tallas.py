"""Lists of sizes as the command line writes them: 1000,2000 or ranges
such as 1000:256000:x2 (geometric) and 10:30:+2 (arithmetic)."""

import re
from typing import List, Sequence

from .errores import ErrorDeUso


def leer_tallas(texto: str) -> List[int]:
    """Sizes from a comma-separated list whose items are a size (1000), a
    geometric range (1000:256000:x2) or an arithmetic one (10:30:+2).
    Ranges start at their first value and end at the last term not above
    their second. The result is sorted and has no repeats."""
    tallas = set()
    elementos = [e.strip() for e in texto.split(",")]
    if not texto.strip() or any(not e for e in elementos):
        raise ErrorDeUso(f"lista de tallas vacía o con un hueco: «{texto}»")
    for elemento in elementos:
        partes = elemento.split(":")
        if len(partes) == 1:
            tallas.add(_talla(partes[0], elemento))
        elif len(partes) == 3:
            tallas.update(_rango(partes, elemento))
        else:
            raise ErrorDeUso(
                f"«{elemento}» no es una talla ni un rango INICIO:FIN:xFACTOR o INICIO:FIN:+PASO"
            )
    return sorted(tallas)


def _talla(texto: str, elemento: str) -> int:
    if not re.fullmatch(r"\s*\d+\s*", texto):
        raise ErrorDeUso(f"«{texto}» en «{elemento}» no es una talla entera positiva")
    talla = int(texto)
    if talla < 1:
        raise ErrorDeUso(f"la talla de «{elemento}» debe ser al menos 1")
    return talla


def _rango(partes: Sequence[str], elemento: str) -> List[int]:
    inicio, fin = _talla(partes[0], elemento), _talla(partes[1], elemento)
    paso = partes[2].strip()
    if inicio > fin:
        raise ErrorDeUso(f"el rango «{elemento}» empieza después de acabar")
    if re.fullmatch(r"\+\d+", paso):
        incremento = int(paso[1:])
        if incremento < 1:
            raise ErrorDeUso(f"el paso de «{elemento}» debe ser al menos +1")
        return list(range(inicio, fin + 1, incremento))
    if re.fullmatch(r"x(\d+\.?\d*|\.\d+)", paso):
        factor = float(paso[1:])
        if factor <= 1:
            raise ErrorDeUso(f"el factor de «{elemento}» debe ser mayor que 1")
        tallas: List[int] = []
        k = 0
        while True:
            # Each term from the start, so rounding does not accumulate.
            talla = round(inicio * factor**k)
            if talla > fin:
                return tallas
            if not tallas or talla != tallas[-1]:
                tallas.append(talla)
            k += 1
    raise ErrorDeUso(f"el paso de «{elemento}» debe ser xFACTOR (x2) o +PASO (+100)")
