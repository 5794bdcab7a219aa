"""No process a program starts outlives its invocation: children left in
the background, children that left the invocation's session (setsid), and
what a sweep killed outright left running, ended by the next sweep into
the same folder. Every process a fake starts carries a mark in its
environment, and /proc is searched for it."""

import os
import signal
import subprocess
import time
import unittest
import uuid
from pathlib import Path

from comun import ConFalsos, vivo

# Fakes that leave processes behind, each reporting 1 ms.
DEJAN = {
    # A child that keeps the program's standard output and error open.
    "con_la_salida": 'sleep 60 & sleep 0.001; echo "$1 0.001"',
    "en_segundo_plano": 'sleep 60 >/dev/null 2>&1 & sleep 0.001; echo "$1 0.001"',
    "con_setsid": 'setsid sleep 60 >/dev/null 2>&1 & sleep 0.001; echo "$1 0.001"',
    # A setsid child whose own child outlives it: a chain of orphans.
    "nietos": '( setsid sh -c "sleep 60 & sleep 60" >/dev/null 2>&1 & ); sleep 0.001;'
              ' echo "$1 0.001"',
    # Hangs from n = 300 on with a setsid child, saying so in $0.colgado.
    "cuelga_con_setsid": '[ "$1" -ge 300 ] && { setsid sleep 60 >/dev/null 2>&1 &'
                         ' touch "$0.colgado"; sleep 60; }; sleep 0.001; echo "$1 0.001"',
}


def _marcados(marca: str) -> list:
    """The live processes whose environment carries the mark."""
    buscado = f"MARCA_DE_PRUEBA={marca}".encode()
    vivos = []
    for nombre in os.listdir("/proc"):
        if not nombre.isdigit():
            continue
        try:
            entorno = Path(f"/proc/{nombre}/environ").read_bytes()
        except OSError:
            continue
        if buscado in entorno.split(b"\0") and vivo(int(nombre)):
            vivos.append(int(nombre))
    return vivos


class Procesos(ConFalsos):
    def setUp(self):
        super().setUp()
        self.marca = uuid.uuid4().hex
        self.entorno = dict(os.environ, MARCA_DE_PRUEBA=self.marca)

    def tearDown(self):
        for pid in _marcados(self.marca):
            os.kill(pid, signal.SIGKILL)
        super().tearDown()

    def dejan(self, binario: str, clase: str):
        ruta = self.bin / binario
        ruta.write_text("#!/bin/sh\n" + DEJAN[clase] + "\n")
        ruta.chmod(0o755)

    def test_nada_queda_tras_cada_invocacion(self):
        # (fake, extra options): the sweep's status, and no marked process
        # alive once it has ended.
        # (fake, extra options, the sizes measured).
        casos = [("en_segundo_plano", [], 3), ("con_setsid", [], 3), ("nietos", [], 3),
                 ("con_la_salida", ["--budget", "1"], 3),
                 ("cuelga_con_setsid", ["--budget", "0.2"], 2)]
        for clase, args, medidas in casos:
            with self.subTest(clase=clase):
                self.dejan("bench_bubble", clase)
                r = self.barrer("bubble", "--sizes", "100,200,300", *args, entorno=self.entorno)
                self.assertEqual(r.returncode, 0, r.stderr)
                self.assertEqual(_marcados(self.marca), [])
                self.assertEqual(len(self.filas("bubble")), medidas)

    def test_lo_que_deja_un_sigkill_lo_detiene_el_siguiente(self):
        self.dejan("bench_bubble", "cuelga_con_setsid")
        proceso = subprocess.Popen(self.orden("bubble", "--sizes", "100,300"),
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                   env=self.entorno)
        colgado = self.bin / "bench_bubble.colgado"
        limite = time.monotonic() + 60
        while not colgado.exists() and time.monotonic() < limite:
            time.sleep(0.05)
        time.sleep(0.2)
        proceso.kill()
        proceso.wait(timeout=30)
        # The hung program and its setsid child run on: the sweep cannot end them.
        self.assertGreaterEqual(len(_marcados(self.marca)), 2)
        self.dejan("bench_insertion", "en_segundo_plano")
        r = self.barrer("insertion", "--sizes", "100", entorno=self.entorno)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertRegex(r.stderr, r"se detienen [2-9] procesos que un barrido anterior en \S+"
                                   " dejó en marcha al morir")
        limite = time.monotonic() + 10
        while _marcados(self.marca) and time.monotonic() < limite:
            time.sleep(0.05)
        self.assertEqual(_marcados(self.marca), [])


def _atrapa(pid: int, senal: int) -> bool:
    """Whether the process has a handler of its own for the signal."""
    try:
        for linea in Path(f"/proc/{pid}/status").read_text().splitlines():
            if linea.startswith("SigCgt:"):
                return bool(int(linea.split()[1], 16) >> (senal - 1) & 1)
    except OSError:
        pass
    return False


class SenalTemprana(ConFalsos):
    def test_una_senal_mientras_carga_el_paquete(self):
        # Sent as soon as tools/sweep handles SIGTERM, its first statement,
        # while the package is still loading: the status of a signal that
        # comes later, and one line.
        self.falso("bench_bubble", "lento_cuadratico")
        for senal in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
            with self.subTest(senal=senal.name):
                proceso = subprocess.Popen(self.orden("bubble", "--sizes", "100,200,300"),
                                           stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                           text=True)
                limite = time.monotonic() + 30
                while not _atrapa(proceso.pid, signal.SIGTERM) and time.monotonic() < limite:
                    time.sleep(0.001)
                proceso.send_signal(senal)
                errores = proceso.communicate(timeout=30)[1]
                self.assertEqual(proceso.returncode, 128 + senal, errores)
                self.assertNotIn("Traceback", errores)
                self.assertRegex(errores, rf"^sweep: interrumpido por {senal.name} antes de medir"
                                          r" nada\n")


if __name__ == "__main__":
    unittest.main()
