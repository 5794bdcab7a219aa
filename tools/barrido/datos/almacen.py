"""The store of a sweep, estudio.json: everything it measured, as measured,
from which every other file of the study is a view (docs/estudio_json.md
describes its format). It is written whole after every invocation kept, as
the program's TSV is, and read back by compare and by any later analysis.

Each series is keyed by typed values (program, kind of input, measure,
configuration), never by a label; a point holds every invocation's values
in the order they ran. The named values of a measure (the counts) are
lists in the order of the series' «nombres»: a count named «n» or
«valores» is a name among them, never a key of the file."""

import json
import math
from dataclasses import dataclass, field
from pathlib import Path
from typing import Dict, List, Optional

from .cotas import Cota
from .errores import ErrorDeUso
from .estudio import EN_CURSO, TIEMPO_MAXIMO, Estudio, Omision, Punto
from .lectura import leer_texto
from .medidas import MEDIDAS, TIEMPO
from .programas import PROGRAMAS, Programa

FORMATO = 1
FICHERO = "estudio.json"


@dataclass
class Almacen:
    """What a sweep measured: its plan, each program's study (one per kind
    of input), and the record of the machine and builds once written."""

    plan: Dict[str, object] = field(default_factory=dict)
    estudios: List[Estudio] = field(default_factory=list)
    registro: Optional[Dict[str, object]] = None
    # The study being measured right now: read back, it is incomplete.
    en_curso: Optional[Estudio] = None


def _omitidas(estudio: Estudio) -> List[dict]:
    lista = []
    for clave, omitidas in estudio.omitidas.items():
        medida = clave if clave in MEDIDAS else TIEMPO.nombre
        configuracion = None if clave in MEDIDAS else clave
        lista += [{"medida": medida, "configuracion": configuracion, "n": o.n,
                   "motivo": o.motivo, "cortada": o.cortada} for o in omitidas]
    return lista


def _punto(p: Punto) -> dict:
    """A timed point; each invocation's CPU time and disturbance mark, once
    the sweep measured them, in lists beside `valores` and in its order."""
    punto = {"n": p.n, "valores": list(p.valores), "repeticion": p.repeticion,
             "cortada": p.cortada}
    if p.cpu:
        punto["cpu"] = list(p.cpu)
    if p.perturbadas:
        punto["perturbadas"] = list(p.perturbadas)
    return punto


def _series(estudio: Estudio) -> List[dict]:
    series = []
    for configuracion in estudio.configuraciones:
        puntos = estudio.puntos_de(configuracion)
        series.append({"medida": TIEMPO.nombre, "configuracion": configuracion,
                       "puntos": [_punto(p) for p in puntos]})
    for medida in MEDIDAS.values():
        if medida.por_configuracion:
            continue
        valores = estudio.valores_de(medida.nombre)
        if not valores:
            continue
        nombres = list(next(iter(valores.values())))
        series.append({"medida": medida.nombre, "configuracion": None, "nombres": nombres,
                       "puntos": [{"n": n, "valores": [[valores[n][x] for x in nombres]]}
                                  for n in sorted(valores)]})
    return series


def _estudio(estudio: Estudio, en_curso: bool) -> dict:
    fallo = estudio.fallo
    if en_curso and not estudio.incompleto:
        fallo = EN_CURSO
    return {"programa": estudio.programa.nombre, "entrada": estudio.entrada,
            "configuraciones": list(estudio.configuraciones),
            "cotas": [c.texto for c in estudio.cotas], "cotas_fijas": estudio.cotas_fijas,
            "semilla": estudio.semilla, "series": _series(estudio),
            "omitidas": _omitidas(estudio), "fallo": fallo,
            "interrumpido": estudio.interrumpido, "senal": estudio.senal}


def guardar(almacen: Almacen) -> str:
    """The text of estudio.json."""
    datos = {"formato": FORMATO, "plan": almacen.plan,
             "estudios": [_estudio(e, e is almacen.en_curso) for e in almacen.estudios
                          if e.puntos or any(e.valores_de(m) for m in MEDIDAS
                                             if not MEDIDAS[m].por_configuracion)],
             "registro": almacen.registro}
    return json.dumps(datos, ensure_ascii=False, indent=1, allow_nan=False) + "\n"


# Reading it back. Every fault names the file and where in it.

class _Dano(Exception):
    pass


def _de(objeto: object, clave: str, tipo, donde: str, nulo: bool = False):
    if not isinstance(objeto, dict) or clave not in objeto:
        raise _Dano(f"{donde}: falta «{clave}»")
    valor = objeto[clave]
    if valor is None and nulo:
        return None
    if tipo is float:
        ok = (isinstance(valor, (int, float)) and not isinstance(valor, bool)
              and math.isfinite(valor))
    elif tipo is int:
        ok = isinstance(valor, int) and not isinstance(valor, bool)
    else:
        ok = isinstance(valor, tipo)
    if not ok:
        raise _Dano(f"{donde}: «{clave}» no es {_TIPOS.get(tipo, tipo.__name__)}")
    return valor


_TIPOS = {float: "un número", int: "un entero", str: "un texto", bool: "true ni false",
          list: "una lista", dict: "un objeto"}


def _numeros(lista: object, donde: str, maximo: float) -> List[float]:
    if not isinstance(lista, list) or not all(
            isinstance(v, (int, float)) and not isinstance(v, bool) and math.isfinite(v)
            and abs(v) <= maximo for v in lista):
        raise _Dano(f"{donde}: «valores» no es una lista de números finitos"
                    + (f" de hasta {maximo:g} s" if maximo == TIEMPO_MAXIMO else ""))
    return [float(v) for v in lista]


def _programa(nombre: str) -> Programa:
    return PROGRAMAS.get(nombre) or Programa(nombre, nombre, (), "", ("n", "n", "n"), "")


def _leer_estudio(d: object, donde: str) -> Estudio:
    try:
        cotas = [Cota(c) for c in _de(d, "cotas", list, donde)]
    except (ErrorDeUso, TypeError, AttributeError) as e:
        raise _Dano(f"{donde}: «cotas»: {e}") from None
    configuraciones = _de(d, "configuraciones", list, donde)
    if not all(isinstance(c, str) and c for c in configuraciones):
        raise _Dano(f"{donde}: «configuraciones» no es una lista de textos")
    estudio = Estudio(_programa(_de(d, "programa", str, donde)), list(configuraciones), cotas,
                      _de(d, "semilla", int, donde), entrada=_de(d, "entrada", str, donde, True),
                      cotas_fijas=_de(d, "cotas_fijas", bool, donde),
                      fallo=_de(d, "fallo", str, donde, True),
                      interrumpido=_de(d, "interrumpido", bool, donde),
                      senal=_de(d, "senal", str, donde, True))
    for i, serie in enumerate(_de(d, "series", list, donde)):
        _leer_serie(estudio, serie, f"{donde}, serie {i + 1}")
    for i, o in enumerate(_de(d, "omitidas", list, donde)):
        aqui = f"{donde}, omitida {i + 1}"
        medida = _medida(_de(o, "medida", str, aqui), aqui)
        clave = _de(o, "configuracion", str, aqui) if medida.por_configuracion else medida.nombre
        estudio.omitidas.setdefault(clave, []).append(Omision(
            _talla(o, aqui), _de(o, "motivo", str, aqui), _de(o, "cortada", bool, aqui)))
    return estudio


def _medida(nombre: str, donde: str):
    if nombre not in MEDIDAS:
        raise _Dano(f"{donde}: medida desconocida «{nombre}»")
    return MEDIDAS[nombre]


def _talla(d: object, donde: str) -> int:
    n = _de(d, "n", int, donde)
    if not 0 <= n < 10**10:
        raise _Dano(f"{donde}: la talla {n} no es un entero entre 0 y 9999999999")
    return n


def _leer_serie(estudio: Estudio, serie: object, donde: str):
    medida = _medida(_de(serie, "medida", str, donde), donde)
    puntos = _de(serie, "puntos", list, donde)
    if medida.por_configuracion:
        configuracion = _de(serie, "configuracion", str, donde)
        if configuracion not in estudio.configuraciones:
            raise _Dano(f"{donde}: la configuración «{configuracion}» no está en"
                        " «configuraciones»")
        for j, p in enumerate(puntos):
            aqui = f"{donde}, punto {j + 1}"
            valores = _numeros(_de(p, "valores", list, aqui), aqui, TIEMPO_MAXIMO)
            if not valores:
                raise _Dano(f"{aqui}: «valores» está vacía")
            punto = Punto(_talla(p, aqui), configuracion, valores,
                          _de(p, "repeticion", bool, aqui), _de(p, "cortada", bool, aqui))
            punto.cpu = _numeros(p["cpu"], aqui, TIEMPO_MAXIMO) if "cpu" in p else []
            punto.perturbadas = _de(p, "perturbadas", list, aqui) if "perturbadas" in p else []
            if not all(isinstance(x, bool) for x in punto.perturbadas):
                raise _Dano(f"{aqui}: «perturbadas» no es una lista de true y false")
            if len(punto.cpu) not in (0, len(valores)) \
                    or len(punto.perturbadas) not in (0, len(valores)):
                raise _Dano(f"{aqui}: «cpu» y «perturbadas» deben tener un dato por valor")
            estudio.puntos.append(punto)
        return
    nombres = _de(serie, "nombres", list, donde)
    if not nombres or not all(isinstance(x, str) and x for x in nombres) \
            or len(set(nombres)) != len(nombres):
        raise _Dano(f"{donde}: «nombres» no es una lista de nombres distintos")
    destino = estudio.valores_de(medida.nombre)
    for j, p in enumerate(puntos):
        aqui = f"{donde}, punto {j + 1}"
        invocaciones = _de(p, "valores", list, aqui)
        if len(invocaciones) != 1:
            raise _Dano(f"{aqui}: «valores» debe tener una invocación")
        valores = _numeros(invocaciones[0], aqui, math.inf)
        if len(valores) != len(nombres):
            raise _Dano(f"{aqui}: {len(valores)} valores para {len(nombres)} nombres")
        destino[_talla(p, aqui)] = dict(zip(nombres, valores))


def cargar_texto(texto: str, ruta: Path) -> Almacen:
    """The store in estudio.json's text; an ErrorDeUso names the file and
    what is damaged in it."""
    def constante(nombre: str):
        raise ValueError(f"{nombre} no es un número finito")
    try:
        datos = json.loads(texto, parse_constant=constante)
    except json.JSONDecodeError as e:
        raise ErrorDeUso(f"{ruta}, línea {e.lineno}: no es JSON válido ({e.msg})") from None
    except ValueError as e:
        raise ErrorDeUso(f"{ruta}: {e}") from None
    except RecursionError:
        raise ErrorDeUso(f"{ruta}: anidado demasiado hondo; no es un estudio") from None
    try:
        formato = _de(datos, "formato", int, "la raíz")
        if formato > FORMATO:
            raise ErrorDeUso(f"{ruta}: formato {formato}, más nuevo que el {FORMATO} que lee este"
                             " barrido; actualice la herramienta")
        if formato != FORMATO:
            raise _Dano(f"formato {formato} desconocido")
        registro = _de(datos, "registro", dict, "la raíz", nulo=True)
        almacen = Almacen(_de(datos, "plan", dict, "la raíz"), [], registro)
        for i, d in enumerate(_de(datos, "estudios", list, "la raíz")):
            almacen.estudios.append(_leer_estudio(d, f"estudio {i + 1}"))
    except _Dano as e:
        raise ErrorDeUso(f"{ruta}: dañado: {e}") from None
    return almacen


def cargar(ruta: Path) -> Almacen:
    """The store saved at ruta (a regular file only)."""
    return cargar_texto(leer_texto(ruta), ruta)
