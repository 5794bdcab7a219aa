"""No process a program started outlives its invocation.

Each invocation runs in a process group of its own, but a program's child
can leave it (setsid) and a child left running in the background stays
when the program exits. The sweep makes itself a child sub-reaper
(prctl(PR_SET_CHILD_SUBREAPER) on Linux): every process orphaned below it
becomes its child, whatever group or session it is in. After each
invocation the sweep kills the invocation's group and then every child it
has (the program itself was reaped, so any child is an orphan left behind),
until none is left.

Every process the sweep starts carries in its environment MARCA=<the output
folder's device:inode>. A sweep killed by SIGKILL cannot end what it was
running; the next sweep into the same folder, once it holds the folder (so
that no live sweep is writing there), finds those processes by their mark
and ends them."""

import ctypes
import math
import os
import select
import signal
import subprocess
import time
from pathlib import Path
from typing import Iterable, List, Optional, Set, Tuple

MARCA = "BARRIDO_SALIDA"
_PR_SET_CHILD_SUBREAPER = 36
# Whether this process is a sub-reaper: only then is every child of its an
# orphan of an invocation (the sweep starts nothing else while one runs).
_recogedor = False


def hacerse_recogedor() -> bool:
    """Makes the sweep the sub-reaper of everything it starts; False where
    the system has no such thing (orphans then go to init, and only the
    invocation's group is killed)."""
    global _recogedor
    try:
        libc = ctypes.CDLL(None, use_errno=True)
        _recogedor = libc.prctl(_PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0) == 0
    except (OSError, AttributeError):
        _recogedor = False
    return _recogedor


def _hijos() -> List[int]:
    """The sweep's children now, from each of its threads' list in /proc,
    or else from every process's parent."""
    propio = os.getpid()
    hijos: Set[int] = set()
    try:
        tareas = os.listdir(f"/proc/{propio}/task")
        for tarea in tareas:
            texto = Path(f"/proc/{propio}/task/{tarea}/children").read_text()
            hijos.update(int(p) for p in texto.split())
        return sorted(hijos)
    except (OSError, ValueError):
        pass
    for pid in _procesos():
        try:
            estado = Path(f"/proc/{pid}/stat").read_text()
            if int(estado.rsplit(")", 1)[1].split()[1]) == propio:
                hijos.add(pid)
        except (OSError, ValueError, IndexError):
            continue
    return sorted(hijos)


def _procesos() -> Iterable[int]:
    try:
        nombres = os.listdir("/proc")
    except OSError:
        return []
    return [int(n) for n in nombres if n.isdigit()]


def _matar(pid: int):
    """Kills a process and, when it leads a group that is not the sweep's,
    the group with it."""
    try:
        grupo = os.getpgid(pid)
        if grupo == pid and grupo != os.getpgrp():
            os.killpg(grupo, signal.SIGKILL)
        os.kill(pid, signal.SIGKILL)
    except OSError:
        pass


def recoger(grupo: int, rondas: int = 100, excepto: Optional[int] = None):
    """Ends what an invocation left: its process group `grupo`, then, in a
    sub-reaper, every child of the sweep but `excepto` (the program, when
    it is left for its caller to reap), reaped, over and over while
    killing one hands its own children on to the sweep."""
    try:
        os.killpg(grupo, signal.SIGKILL)
    except OSError:  # the group is gone already
        pass
    for _ in range(rondas if _recogedor else 0):
        hijos = [p for p in _hijos() if p != excepto]
        if not hijos:
            return
        for pid in hijos:
            _matar(pid)
        for pid in hijos:
            try:
                os.waitpid(pid, 0)
            except ChildProcessError:
                pass


def _ha_salido(pid: int) -> bool:
    """Whether the child has exited, leaving it to be reaped."""
    try:
        return os.waitid(os.P_PID, pid, os.WEXITED | os.WNOHANG | os.WNOWAIT) is not None
    except ChildProcessError:
        return True


def esperar(proceso: subprocess.Popen, limite: Optional[float]) -> Tuple[bytes, bytes]:
    """What the program wrote on its standard output and error, read until
    both close; once the program has exited, what it left running is ended
    first, so that a child in the background that holds them open does not
    keep the invocation waiting (nor a child out of reach: then what is
    there is taken). The program is left to be reaped by the caller.
    subprocess.TimeoutExpired when the limit passes first."""
    hasta = None if limite is None else time.monotonic() + limite
    leido = {proceso.stdout.fileno(): bytearray(), proceso.stderr.fileno(): bytearray()}
    abiertos = set(leido)
    acabado = False
    while abiertos:
        queda = math.inf if hasta is None else hasta - time.monotonic()
        if queda <= 0:
            raise subprocess.TimeoutExpired(proceso.args, limite)
        listos, _, _ = select.select(list(abiertos), [], [], 0 if acabado else min(0.1, queda))
        if not listos:
            if acabado:
                break
            acabado = _ha_salido(proceso.pid)
            if acabado:
                recoger(proceso.pid, excepto=proceso.pid)
            continue
        for descriptor in listos:
            trozo = os.read(descriptor, 65536)
            if trozo:
                leido[descriptor] += trozo
            else:
                abiertos.discard(descriptor)
    proceso.wait(timeout=None if hasta is None else max(0.0, hasta - time.monotonic()))
    return bytes(leido[proceso.stdout.fileno()]), bytes(leido[proceso.stderr.fileno()])


def marca_de(directorio: Path) -> str:
    """The mark of the processes of a sweep into `directorio`: the folder's
    device and inode, the same through any path to it."""
    datos = os.stat(directorio)
    return f"{datos.st_dev}:{datos.st_ino}"


def marcados(valor: str) -> List[int]:
    """The processes whose environment carries MARCA=valor, the sweep's own
    left out."""
    buscado = f"{MARCA}={valor}".encode()
    propio = os.getpid()
    encontrados = []
    for pid in _procesos():
        if pid == propio:
            continue
        try:
            entorno = Path(f"/proc/{pid}/environ").read_bytes()
        except OSError:
            continue
        if buscado in entorno.split(b"\0"):
            encontrados.append(pid)
    return encontrados


def marcar(directorio: Path) -> str:
    """Marks every process the sweep starts from now on with the folder's
    mark: the mark."""
    try:
        valor = marca_de(directorio)
    except OSError:
        return ""
    os.environ[MARCA] = valor
    return valor


def detener_restos(valor: str) -> int:
    """Ends the processes an earlier sweep into the same folder left
    running (it was killed outright): how many there were. Only while the
    sweep holds the folder, when no live sweep writes there."""
    restos = marcados(valor) if valor else []
    for pid in restos:
        _matar(pid)
    return len(restos)
