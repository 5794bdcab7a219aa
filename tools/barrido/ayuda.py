"""The help of tools/sweep and of tools/sweep compare in Spanish, like the
rest of their output: argparse writes its own headings (usage, options,
the -h option's text) in English."""

import argparse


class Analizador(argparse.ArgumentParser):
    """An ArgumentParser whose --help is in Spanish throughout. Only the
    help is translated: errors are reported as argparse reports them."""

    def __init__(self, *args, **kwargs):
        kwargs["add_help"] = False
        super().__init__(*args, **kwargs)
        self._positionals.title = "argumentos"
        self._optionals.title = "opciones"
        self.add_argument("-h", "--help", action="help", default=argparse.SUPPRESS,
                          help="muestra esta ayuda y termina")

    def format_help(self) -> str:
        """argparse's own layout of the help, with a Spanish usage heading."""
        formato = self._get_formatter()
        formato.add_usage(self.usage, self._actions, self._mutually_exclusive_groups,
                          prefix="uso: ")
        formato.add_text(self.description)
        for grupo in self._action_groups:
            formato.start_section(grupo.title)
            formato.add_text(grupo.description)
            formato.add_arguments(grupo._group_actions)
            formato.end_section()
        formato.add_text(self.epilog)
        return formato.format_help()
