"""The machine's events in words: each event's name in a sentence, the
event that rises where the time per operation steps, the one that tells
apart kinds of input with the same counts, and what each event costs.
Every figure quoted is a measured one."""

from typing import List, Optional

from ..analisis.eventos import PREFIJO_HARDWARE
from ..estadistica.costes import Costes
from ..estadistica.sucesos import Cambio, Diferencia

# Each simulated event, in the plural, and one of them.
PLURALES = {"instrucciones": "instrucciones", "fallos_l1d": "fallos de L1d",
            "fallos_ll": "fallos de la última caché", "saltos": "saltos condicionales",
            "saltos_fallidos": "saltos mal predichos", "lecturas": "lecturas de datos",
            "escrituras": "escrituras de datos", "ciclos": "ciclos"}
SINGULARES = {"instrucciones": "instrucción", "fallos_l1d": "fallo de L1d",
              "fallos_ll": "fallo de la última caché", "saltos": "salto condicional",
              "saltos_fallidos": "salto mal predicho"}


def plural(evento: str) -> str:
    """los fallos de la última caché, simulados; a processor's counter says
    so."""
    if evento.startswith(PREFIJO_HARDWARE):
        propio = evento[len(PREFIJO_HARDWARE):]
        return f"{PLURALES.get(propio, propio)} según el procesador"
    return PLURALES.get(evento, evento)


def sujeto_evento(evento: str) -> str:
    """How a growth sentence names an event: el número de saltos mal
    predichos simulados."""
    if evento.startswith(PREFIJO_HARDWARE):
        return f"el número de {plural(evento)}"
    femenino = plural(evento).split()[0].endswith("as") or evento == "instrucciones"
    return f"el número de {plural(evento)} {'simuladas' if femenino else 'simulados'}"


def cifra(x: float) -> str:
    """An event per operation or per key: two decimals below 10, one below
    100, whole numbers up to ten million, then three figures."""
    for limite, formato in ((10, ".2f"), (100, ".1f"), (1e7, ".0f")):
        if abs(x) < limite:
            return format(x, formato)
    return f"{x:.3g}"


def frase_cambio(c: Cambio, desde: int, hasta: int, operacion: str) -> str:
    """los fallos de la última caché por comparación, simulados, pasan de
    0.02 a 0.31 (and the sizes, when the events' differ from the time's)."""
    tallas = "" if (c.desde, c.hasta) == (desde, hasta) else f" entre {c.desde} y {c.hasta}"
    return (f"los {plural(c.evento)} por {operacion}, simulados, pasan de"
            f" {cifra(c.valor_desde)} a {cifra(c.valor_hasta)}{tallas}")


def sin_cambio(operacion: str) -> str:
    return f"ningún evento simulado por {operacion} sube ahí"


def linea_diferencia(d: Diferencia, cuenta: str, operacion: str) -> str:
    """The kinds with the same counts, told apart by the event that
    differs: aleatoria: 0.29 saltos mal predichos por comparación;
    inversa: 0.00."""
    entradas = [e for e, _ in d.valores]
    (primera, valor), *resto = d.valores
    cifras = "; ".join([f"{primera}: {cifra(valor)} {plural(d.evento)} por {operacion}"]
                       + [f"{e}: {cifra(v)}" for e, v in resto])
    return (f"por qué: {', '.join(entradas)} hacen las mismas {cuenta}; a n = {d.n}, simulados,"
            f" {cifras}")


def _ns(segundos: float) -> str:
    return f"{segundos * 1e9:.3g}"


def texto_costes(resultado: Costes, nombre: Optional[str] = None) -> List[str]:
    """The costs as the study prints them, in nanoseconds, one line each,
    then the residual and the prediction of the largest sizes."""
    lineas = []
    for e in resultado.eventos:
        cual = SINGULARES.get(e, e)
        coste, intervalo = resultado.costes[e], resultado.intervalos[e]
        if coste is None or intervalo is None:
            lineas.append(f"por {cual}: no se sabe (ningún punto tiene {e})")
            continue
        lineas.append(f"por {cual}: {_ns(coste)} ns [{_ns(intervalo[0])}, {_ns(intervalo[1])}],"
                      f" {100 * resultado.partes[e]:.0f} % del tiempo")
    lineas.append(f"residuo relativo máximo {100 * resultado.residuo_maximo:.1f} %")
    p = resultado.prediccion
    if p is None:
        lineas.append("predicción: pocas tallas para ajustar sin las mayores")
    else:
        tallas = ", ".join(str(n) for n in p.tallas)
        lineas.append(f"predicción de {tallas} ajustando sin ellas: error relativo máximo"
                      f" {100 * p.error_maximo:.1f} %")
    return lineas
