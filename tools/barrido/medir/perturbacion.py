"""Whether the machine got in the way of an invocation: it was descheduled
(for a program that computes, its wall time clearly longer than its CPU
time, by more than the invocations just before it waited), or the
reference workload ran clearly slower than usual just before it.
A disturbed invocation is measured again, a bounded number of times; when
the machine stays busy it is kept, marked. A program that waits rather
than computes (its CPU time far below its reported time whenever that can
be told, like a fake that sleeps) is never measured again: the study says
so once."""

from typing import Dict, Optional

from .referencia import Referencia

# Both rules compare the invocation's CPU time with the time the program
# reports: the mean of its timed runs, each read off a wall clock inside
# it. A size timed once (all but the smallest) spends at least that time
# computing, so its CPU time is the reported time or more; only a program
# that lost the core while it timed reports more time than it had CPU.
# (Sizes timed by repetition run many times and report one: their CPU time
# is far above what they report, and these rules never touch them.)
#
# An invocation that reports less than this does not tell whether its
# program computes or waits:
# the kernel charges CPU time by the tick (4 ms on common kernels), and
# starting a process costs a few milliseconds of CPU the report does not
# include, so below 50 ms the two differ by those alone.
JUZGABLE = 0.05
# Computes: CPU time at least this share of the reported time. Alone, a
# program that computes gets all of it; one sharing its core with two
# other runnable processes about a third. A fake program that sleeps uses
# a few milliseconds of CPU (its shell) for a wait of 50 ms or more.
CALCULA = 0.5
# Descheduled: the invocation spent off the CPU (its wall time less its
# CPU time) more than this share of the CPU time it used, plus HOLGURA.
# Comparing the CPU time with the reported time would miss it: a program
# runs its sort several times in an invocation and makes the input, so its
# CPU time is several times what it reports (quicksort's four), and a
# wait that inflates every run shows as a wall time longer than the CPU
# time by the same share as it inflates the report. Alone, a computing
# program waits only to start (its pages are in the cache); a tenth of its
# time lost to another process is already a disturbance. Once a series is
# known to compute, every invocation is judged so: HOLGURA keeps the
# shortest from being judged by their start alone.
FRACCION_FUERA = 0.1
HOLGURA = 0.003  # seconds: what starting a process may wait (exec, the loader)
# The share is measured against what is usual now: the median off-CPU
# share of the latest RECIENTES judged invocations of the sweep. A machine
# that stays busy (another runnable process per core: every invocation
# waits about half its CPU time) slows every invocation alike, and marking
# them all would leave no value to judge; what is disturbed there is an
# invocation that waited clearly more than its neighbours did. Thirty
# invocations are the last few seconds of a sweep: a load that starts or
# stops is the new usual within a round.
RECIENTES = 30
# Times one (configuration, size) is measured again in a round: a spell
# of a second or two is outlasted, a busy machine does not triple the study.
REINTENTOS = 2
# Measured again this many times in a row, each disturbed again: the
# machine stays busy, and the series keeps its values marked until an
# invocation comes out undisturbed.
SEGUIDAS = 4


class Vigia:
    """Judges the invocations of one series and keeps the tally: how many,
    how many disturbed, how many measured again."""

    def __init__(self, referencia: Referencia):
        self.referencia = referencia
        self.calcula: Dict[str, bool] = {}  # a judged invocation of it computed
        self.espera: Dict[str, float] = {}  # the largest CPU share of its waiting ones
        self.fallidas_seguidas = 0

    def antes(self):
        """Before an invocation: the reference's sample, when one is due."""
        self.referencia.tomar_si_toca()

    def juzgar(self, configuracion: str, valor: float, cpu: float, pared: float
               ) -> Optional[str]:
        """Why the invocation just made, which reported `valor` seconds,
        used `cpu` and lasted `pared`, was disturbed, or None. Only a series known to compute
        is judged: a waiting one's CPU time says nothing of the machine,
        and a series of invocations all too short to tell is left as it
        comes."""
        if valor >= JUZGABLE:
            if cpu >= CALCULA * valor:
                self.calcula[configuracion] = True
            else:
                self.espera[configuracion] = max(cpu / valor, self.espera.get(configuracion, 0))
        if not self.calcula.get(configuracion):
            return None
        fuera = (pared - cpu) / cpu if cpu > 0 else 0.0
        usual = self.referencia.espera_usual(RECIENTES)
        self.referencia.anotar_espera(fuera)
        if pared - cpu > (FRACCION_FUERA + (usual or 0.0)) * cpu + HOLGURA:
            return "desalojada"
        if self.referencia.lenta():
            return "referencia lenta"
        return None

    def repetir(self, motivo: Optional[str], intento: int) -> bool:
        """Whether to measure again after an invocation judged `motivo`,
        the `intento`-th of its pair in this round (0 the first)."""
        if motivo is None:
            self.fallidas_seguidas = 0
            return False
        if intento > 0:
            self.fallidas_seguidas += 1
        return intento < REINTENTOS and self.fallidas_seguidas < SEGUIDAS

    def esperan(self) -> Dict[str, float]:
        """The configurations that wait rather than compute, with the
        largest share of their reported time any of their judged
        invocations had as CPU time."""
        return {c: r for c, r in self.espera.items() if not self.calcula.get(c)}
