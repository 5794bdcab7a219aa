"""Candidate bounds f(n) such as n^2, n*log(n) or 2^n, parsed by Python's
own parser and checked against an allow-list of node kinds: the text is
never handed to eval."""

import ast
import math
import operator
import re
from typing import Callable, Dict, List, Optional, Sequence

from .errores import ErrorDeUso
from .texto import cortar, visible

FUNCIONES: Dict[str, Callable[[float], float]] = {
    "log": math.log,
    "log2": math.log2,
    "log10": math.log10,
    "sqrt": math.sqrt,
    "exp": math.exp,
}

_BINARIAS: Dict[type, Callable[[float, float], float]] = {
    ast.Add: operator.add,
    ast.Sub: operator.sub,
    ast.Mult: operator.mul,
    ast.Div: operator.truediv,
    # math.pow rather than **: a negative base with a fractional exponent is
    # an error, not a complex number.
    ast.Pow: math.pow,
}

Funcion = Callable[[float], float]

# The longest text of a bound or model term: the longest of the suite's is
# 8 characters. The limit keeps a pasted blob out of the parser, whose
# nesting and digit limits would otherwise speak for it.
LONGITUD_MAXIMA = 200

# Any character no bound is written with.
_AJENO = re.compile(r"[^\w.,+\-*/^()]", re.ASCII)


class Cota:
    """A candidate bound f(n), written with n, numbers, + - * /, powers
    written ^ or **, parentheses and the functions log (natural), log2,
    log10, sqrt and exp: n^2, n*log(n), 2^n, n^3."""

    def __init__(self, texto: str):
        self.texto = re.sub(r"\s+", "", texto)
        if not self.texto:
            raise ErrorDeUso("cota vacía")
        if len(self.texto) > LONGITUD_MAXIMA:
            raise ErrorDeUso(f"cota «{cortar(self.texto)}» demasiado larga: {len(self.texto)}"
                             f" caracteres, y como mucho {LONGITUD_MAXIMA}")
        # ^ is the power, as in the usual notation; in Python's grammar it is
        # a bitwise operator of another precedence, so it becomes ** first.
        self._fuente = texto.strip().replace("^", "**")
        try:
            arbol = ast.parse(self._fuente, mode="eval")
        except (SyntaxError, ValueError):
            self._fallo(self._motivo_sintactico(texto.strip()))
        # An expression and nothing else: Python's parser would skip a
        # comment (n^2#...), and whatever follows it would reach the plots.
        ajeno = _AJENO.search(self.texto)
        if ajeno:
            raise ErrorDeUso(f"cota «{cortar(self.texto)}»: el carácter"
                             f" «{visible(ajeno.group())}» no cabe en una cota (solo n, números,"
                             " + - * / ^, paréntesis y las funciones)")
        self._f = self._compilar(arbol.body)
        self._arbol = arbol.body

    def __call__(self, n: float) -> Optional[float]:
        """f(n), or None where it is not a finite positive number."""
        return None if self.sin_valor(n) else self._f(float(n))

    def sin_valor(self, n: float) -> Optional[str]:
        """Why f has no value at n (it is undefined there, too large for a
        double, or not positive), or None where it has one."""
        try:
            valor = self._f(float(n))
        except OverflowError:
            return "no cabe en un double"
        except (ArithmeticError, ValueError):
            return "no está definida"
        if math.isinf(valor):
            return "no cabe en un double"
        if math.isnan(valor):
            return "no está definida"
        return None if valor > 0 else "no es positiva"

    @property
    def columna(self) -> str:
        """The heading of its ratio column: t/n^2, t/(n*log(n))."""
        simple = re.fullmatch(r"[\w.]+(\^[\w.]+)?", self.texto)
        return "t/" + (self.texto if simple else f"({self.texto})")

    def expresion(self, variable: str = "x") -> str:
        """f written for gnuplot (or any language with ** and real
        division), of `variable`: every number real, log2 through log."""
        return _escribir(self._arbol, variable)

    def _fallo(self, motivo: str):
        raise ErrorDeUso(f"cota «{cortar(self.texto)}»: {motivo}")

    def _motivo_sintactico(self, original: str) -> str:
        abiertos = self.texto.count("(") - self.texto.count(")")
        if abiertos > 0:
            return "falta «)»"
        if abiertos < 0:
            return "sobra «)»"
        if self.texto[-1] in "+-*/^(":
            return "acaba antes de tiempo"
        return f"no se entiende «{cortar(original)}»"

    def _compilar(self, nodo: ast.AST) -> Funcion:
        """The function of one node of the allow-list; any other node is
        refused with its text."""
        if isinstance(nodo, ast.Constant) and type(nodo.value) in (int, float):
            try:
                valor = float(nodo.value)
            except OverflowError:
                valor = math.inf
            if not math.isfinite(valor):
                numero = self._fuente[nodo.col_offset:nodo.end_col_offset]
                corto = numero if len(numero) <= 20 else numero[:20] + "…"
                self._fallo(f"el número «{corto}» no cabe en un double")
            return lambda n: valor
        if isinstance(nodo, ast.Name):
            if nodo.id == "n":
                return lambda n: n
            if nodo.id in FUNCIONES:
                self._fallo(f"falta «(» tras {nodo.id}")
            self._fallo(f"«{cortar(nodo.id)}» no es n ni una de las funciones"
                        f" {', '.join(FUNCIONES)}")
        if isinstance(nodo, ast.BinOp) and type(nodo.op) in _BINARIAS:
            operacion = _BINARIAS[type(nodo.op)]
            a, b = self._compilar(nodo.left), self._compilar(nodo.right)
            return lambda n: operacion(a(n), b(n))
        if isinstance(nodo, ast.UnaryOp) and isinstance(nodo.op, ast.USub):
            g = self._compilar(nodo.operand)
            return lambda n: -g(n)
        if isinstance(nodo, ast.Call) and isinstance(nodo.func, ast.Name):
            nombre = nodo.func.id
            if nombre not in FUNCIONES:
                self._fallo(f"«{cortar(nombre)}» no es n ni una de las funciones"
                            f" {', '.join(FUNCIONES)}")
            if len(nodo.args) != 1 or nodo.keywords:
                self._fallo(f"{nombre} lleva un solo argumento")
            funcion, g = FUNCIONES[nombre], self._compilar(nodo.args[0])
            return lambda n: funcion(g(n))
        self._fallo(f"«{cortar(ast.unparse(nodo).replace('**', '^'))}» fuera de lugar")

    def logaritmo(self, n: float) -> Optional[float]:
        """log f(n) computed without f(n) itself, so that it stays finite
        where f(n) overflows a double (2^n at n = 2000); None where f(n) is
        not a positive real number. Every node gives its sign and the log of
        its magnitude: a product adds the logs, a quotient subtracts them, a
        power multiplies its exponent by the log of its base, a sum is taken
        by log-sum-exp, and log of a value is that value's log itself."""

        def con_signo(x: float):
            return (1 if x > 0 else -1 if x < 0 else 0), (math.log(abs(x)) if x else -math.inf)

        def recorrer(nodo: ast.AST):
            if isinstance(nodo, ast.Constant):
                return con_signo(float(nodo.value))
            if isinstance(nodo, ast.Name):
                return con_signo(float(n))
            if isinstance(nodo, ast.UnaryOp):
                s, l = recorrer(nodo.operand)
                return -s, l
            if isinstance(nodo, ast.Call):
                s, l = recorrer(nodo.args[0])
                if nodo.func.id == "exp":
                    return 1, s * math.exp(l)
                if nodo.func.id == "sqrt":
                    if s < 0:
                        raise ValueError(nodo.func.id)
                    return s, l / 2
                if s <= 0:
                    raise ValueError(nodo.func.id)
                return con_signo(l / {"log": 1.0, "log2": math.log(2), "log10": math.log(10)}
                                 [nodo.func.id])
            if isinstance(nodo.op, ast.Pow):
                # The exponent by value, as f(n) itself takes it: an integer
                # stays one, which a negative base needs.
                (sa, la), exponente = recorrer(nodo.left), self._compilar(nodo.right)(float(n))
                if sa == 0:
                    return con_signo(math.pow(0.0, exponente))
                if sa < 0 and exponente != int(exponente):
                    raise ValueError(self.texto)
                return (-1 if sa < 0 and int(exponente) % 2 else 1), exponente * la
            (sa, la), (sb, lb) = recorrer(nodo.left), recorrer(nodo.right)
            if isinstance(nodo.op, ast.Mult):
                return sa * sb, la + lb
            if isinstance(nodo.op, ast.Div):
                if sb == 0:
                    raise ZeroDivisionError(self.texto)
                return sa * sb, la - lb
            if isinstance(nodo.op, ast.Sub):
                sb = -sb
            mayor = max(la, lb)
            if mayor == -math.inf:
                return 0, -math.inf
            suma = sa * math.exp(la - mayor) + sb * math.exp(lb - mayor)
            s, l = con_signo(suma)
            return s, mayor + l

        try:
            signo, logaritmo = recorrer(self._arbol)
        except (ArithmeticError, ValueError):
            return None
        return logaritmo if signo > 0 and math.isfinite(logaritmo) else None


_SIMBOLOS = {ast.Add: "+", ast.Sub: "-", ast.Mult: "*", ast.Div: "/", ast.Pow: "**"}


def _escribir(nodo: ast.AST, variable: str) -> str:
    """The text of an allowed node, fully parenthesised."""
    if isinstance(nodo, ast.Constant):
        return repr(float(nodo.value))
    if isinstance(nodo, ast.Name):
        return variable
    if isinstance(nodo, ast.BinOp):
        return (f"({_escribir(nodo.left, variable)} {_SIMBOLOS[type(nodo.op)]}"
                f" {_escribir(nodo.right, variable)})")
    if isinstance(nodo, ast.UnaryOp):
        return f"(-{_escribir(nodo.operand, variable)})"
    argumento = _escribir(nodo.args[0], variable)
    if nodo.func.id == "log2":
        return f"(log({argumento})/log(2.0))"
    return f"{nodo.func.id}({argumento})"


def leer_cotas(texto: str) -> List[Cota]:
    return [Cota(parte) for parte in texto.split(",")]


def sin_valor_en(cota: Cota, tallas: Sequence[int]) -> Optional[str]:
    """Why a bound has no value at any of the sizes (from the first size),
    or None when it has one at some size."""
    if any(cota(n) is not None for n in tallas):
        return None
    return f"en {tallas[0]} {cota.sin_valor(tallas[0])}" if tallas else "no hay tallas"
