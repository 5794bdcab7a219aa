"""Two studies of a program compared, in one sentence: which is faster and
by how much, with the interval of the geometric mean of the ratios."""

from ..analisis.contraste import Contraste


def texto_contraste(contraste: Contraste) -> str:
    programa, media = contraste.programa, contraste.media
    inf, sup = contraste.intervalo
    if contraste.afirmado == "maquinas":
        return (f"sin diferencia significativa entre A y B en {programa}"
                f" (×{media:#.3g} [{inf:#.3g}, {sup:#.3g}]): la diferencia cabe en la de las"
                f" máquinas (×{contraste.maquinas.cociente:#.3g})")
    if contraste.afirmado == "mas_rapido":
        return f"B es {media:#.3g} veces más rápido que A en {programa} [{inf:#.3g}, {sup:#.3g}]"
    if contraste.afirmado == "mas_lento":
        return (f"B es {1 / media:#.3g} veces más lento que A en {programa}"
                f" [{1 / sup:#.3g}, {1 / inf:#.3g}]")
    return (f"sin diferencia significativa entre A y B en {programa}"
            f" (×{media:#.3g} [{inf:#.3g}, {sup:#.3g}])")
