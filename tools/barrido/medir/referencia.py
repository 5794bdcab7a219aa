"""The machine's speed while a sweep runs: a small fixed workload of the
sweep's own, timed now and then between invocations. It needs no program
of the suite (a --bin of fakes sweeps the same), and it runs in the
sweep's own process, at the sweep's priority: when other work takes the
cores, it is the sweep that waits, and the workload takes longer.

A sample is judged against the workload's own times on this run (the upper
quartile of its samples so far): one clearly slower says the machine was
busy then."""

import statistics
import time
from typing import Callable, List, Optional, Sequence, Tuple

# Iterations of the workload: about 30 ms of CPython on a 2-core EPYC VM.
# It must outlast the scheduler's granularity (a few milliseconds): a
# process that wakes after waiting for its child runs its first
# milliseconds ahead of the others, so a workload of 3 ms ran as fast with
# a busy process on each core as alone, while the programs, which run
# longer, took 1.5 times as long.
VUELTAS = 400_000
# Seconds between two samples: at 30 ms each, under 2 % of the sweep's time,
# and still one or more in every round of any but the shortest studies.
INTERVALO = 1.5
# A sample this many times the upper quartile of the samples before it
# marks the machine busy. Another runnable process of the same priority on
# each of two cores gives the sweep about 2/3 of a core, 1.5 times its
# usual time.
LENTA = 1.5
# The usual time is only known after this many samples: a median of fewer
# is one sample's accident.
MIN_MUESTRAS = 5
# After a slow sample the next invocation takes another as soon as this
# share of INTERVALO has passed: a spell of one sample then judges a tenth
# of a second of invocations, not a second and a half, and a load that
# lasts costs a sample every 0.15 s rather than one per invocation.
REPETIR_LENTA = 0.1
# The machine's speed varied during a study when its slowest quarter of
# samples ran this many times slower than its fastest quarter: the
# threshold of a wide spread at one size. A spell that lasts (on the EPYC
# VM, with nothing else running, the workload took 25 ms for two minutes
# against 15 ms before) becomes the usual and marks no sample slow, and so
# do two speeds that alternate; the record must still say it. The
# quartiles cannot tell the two apart, and the record claims neither.
CAMBIO = 1.25


def carga_fija() -> float:
    """The wall seconds of the fixed workload, run once."""
    inicio = time.perf_counter()
    total = 0
    for i in range(VUELTAS):
        total += i * i & 0xFF
    return time.perf_counter() - inicio


def cambio_de_velocidad(muestras: Sequence[float]) -> Optional[Tuple[float, float]]:
    """The lower and upper quartiles of a study's samples when they are
    CAMBIO or more apart (the machine's speed varied while it ran), else
    None."""
    if len(muestras) < MIN_MUESTRAS:
        return None
    q1, _, q3 = statistics.quantiles(muestras, n=4)
    return (q1, q3) if q3 >= CAMBIO * q1 else None


class Referencia:
    """The reference's samples of one sweep. `medir` runs the workload
    once and returns its seconds, `reloj` tells when a sample is due; both
    are injected by tests."""

    def __init__(self, medir: Callable[[], float] = carga_fija,
                 reloj: Callable[[], float] = time.monotonic, intervalo: float = INTERVALO):
        self.medir = medir
        self.reloj = reloj
        self.intervalo = intervalo
        self.muestras: List[float] = []  # every sample, re-taken ones too
        # The samples taken on the interval: what is usual is judged from
        # them alone, so that the samples re-taken after a slow one do not
        # make a lasting load the usual sooner than it would be.
        self.historia: List[float] = []
        self._antes = 0  # how many of them came before the latest sample
        self.lentas = 0  # samples on the interval judged slow when taken
        self._ultima: Optional[float] = None  # when the last sample was taken
        self._ultima_historia: Optional[float] = None  # and the last on the interval
        # The share of its CPU time each judged invocation spent off the
        # CPU, latest last: what waiting is usual on this machine now.
        self.esperas: List[float] = []

    def anotar_espera(self, fuera: float):
        """Keeps one invocation's off-CPU share (its wall time less its CPU
        time, over its CPU time)."""
        self.esperas.append(fuera)

    def espera_usual(self, ultimas: int) -> Optional[float]:
        """The median off-CPU share of the latest `ultimas` invocations,
        once there are enough of them to say what is usual."""
        recientes = self.esperas[-ultimas:]
        return statistics.median(recientes) if len(recientes) >= MIN_MUESTRAS else None

    def tomar_si_toca(self):
        """Takes a sample if none was taken in the last `intervalo` seconds,
        or in the last REPETIR_LENTA of them when the last one was slow. A
        slow sample stands for the machine until the next: re-taken only on
        the interval, every invocation of the next `intervalo` seconds, and
        each of their repeats, was judged by it (on the idle EPYC one slow
        sample of 71 marked 17 of quicksort's small invocations, the repeats
        used up on the same stale sample)."""
        ahora = self.reloj()
        lenta = self.lenta()
        espera = self.intervalo * (REPETIR_LENTA if lenta else 1.0)
        if self._ultima is not None and ahora - self._ultima < espera:
            return
        # On the interval: `intervalo` seconds after the last sample that was,
        # whatever was re-taken between (a load that lasts becomes the usual
        # at the pace it did before samples were re-taken).
        a_su_tiempo = (self._ultima_historia is None
                       or ahora - self._ultima_historia >= self.intervalo)
        self._antes = len(self.historia)
        self.muestras.append(self.medir())
        self._ultima = self.reloj()
        if a_su_tiempo:
            # The record keeps these alone: samples at a steady pace, which
            # compare weighs against another study's.
            self.lentas += self.lenta()
            self.historia.append(self.muestras[-1])
            self._ultima_historia = self._ultima

    @property
    def usual(self) -> Optional[float]:
        """The workload's usual seconds: the median of its samples on the
        interval, once there are enough."""
        return statistics.median(self.historia) if len(self.historia) >= MIN_MUESTRAS else None

    def lenta(self) -> bool:
        """Whether the latest sample ran clearly slower than the workload
        usually runs: LENTA times the upper quartile of the samples taken
        on the interval before it. An idle virtual machine's samples can fall in two groups (on
        the 2-core EPYC, with nothing else running, a third of 85 samples
        took 1.7 times the rest, 26 ms against 15 ms); judged against the
        median, every sample of the slower group marked the machine busy
        and withheld verdicts on an idle machine. The upper quartile holds
        the slower group, so only a sample slower than both is load."""
        anteriores = self.historia[:self._antes]
        if not self.muestras or len(anteriores) < MIN_MUESTRAS:
            return False
        return self.muestras[-1] > LENTA * statistics.quantiles(anteriores, n=4)[2]

    def como_dict(self) -> dict:
        """For the record: what the workload is, and every sample taken on
        the interval (those re-taken after a slow one only judged the
        invocations after them)."""
        usual = self.usual
        return {"carga": f"bucle fijo de {VUELTAS} vueltas en Python",
                "mediana_s": usual if usual is not None else (
                    statistics.median(self.historia) if self.historia else None),
                "lentas": self.lentas,
                "muestras_s": [float(f"{m:.4g}") for m in self.historia],
                # The median share of their CPU time the invocations spent
                # off the CPU: about 0 alone, 0.5 with one more runnable
                # process per core than cores.
                "espera_mediana": float(f"{statistics.median(self.esperas):.3g}")
                if self.esperas else None}
