"""The table of compare: per configuration and size, the medians of A
and B, their ratio with its interval, and a mark where the two differ."""

from typing import Sequence

from ..analisis.contraste import Par


def tabla_contraste(programa: str, pares: Sequence[Par]) -> str:
    filas = [["programa", "conf", "n", "mediana A", "mediana B", "A/B", "intervalo 95 %", ""]]
    for p in pares:
        filas.append([programa, p.configuracion, str(p.n), f"{p.mediana_a:.3e}",
                      f"{p.mediana_b:.3e}", f"{p.cociente:#.3g}",
                      f"[{p.intervalo[0]:#.3g}, {p.intervalo[1]:#.3g}]",
                      "*" if p.significativo else ""])
    anchos = [max(len(f[i]) for f in filas) for i in range(len(filas[0]))]
    return "\n".join(
        "  ".join(c.ljust(w) if i < 2 else c.rjust(w)
                  for i, (c, w) in enumerate(zip(f, anchos))).rstrip()
        for f in filas)
