"""The two kinds of failure that the sweep reports as messages."""


class ErrorDeUso(ValueError):
    """A command-line value that cannot be used; the message says why."""


class FalloPrograma(Exception):
    """A program that did not give its report line; the message says how."""
