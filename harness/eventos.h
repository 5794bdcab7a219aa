// The machine's events of the measured call: what the events build of each
// program (bench_X_eventos, compiled with BENCH_EVENTOS) measures instead of
// time. Its protocol is that of harness/protocolo.h, which includes this
// header after it has defined its clock and barrier: the same runs on the
// same inputs of plain ints, each measured call made once (the sorts of
// small inputs too, with no repetition), and around that call alone, at the
// place where the timed build reads its clock, two sources of events start
// and stop counting:
//
//   simulated  valgrind's callgrind, when the program runs under it with
//              --collect-atstart=no: its client requests (the macros of
//              valgrind/callgrind.h, which link no library) turn collection
//              on just before the call and off just after it, so callgrind's
//              totals hold the calls' instructions, data accesses, cache
//              misses and branches alone. Outside valgrind each request is a
//              few instructions that do nothing.
//   hardware   the kernel's performance counters (perf_event_open) of this
//              process: cycles, instructions, mispredicted branches, L1d and
//              last-level read misses where the processor and the kernel
//              give them, and two software events every kernel gives, the
//              task clock and the page faults. They are enabled just before
//              the call and disabled just after it, user space only.
//
// The two sources are never mixed: under valgrind the counters are not
// opened at all (they would count the simulator's own work), and the line
// says so; outside it the client requests count nothing.
//
// The report line mirrors the counting build's: the size, then blank
// separated nombre=valor fields:
//
//   N ejecuciones=3 reloj_de_tarea_ns=V fallos_de_pagina=V ciclos=V
//     instrucciones=V saltos_fallidos=V fallos_l1d=V fallos_ll=V [motivo=E]
//
// ejecuciones is the number of measured calls (callgrind's totals cover all
// of them; divide by it for one call). Each counter's V is its mean per run
// in the shortest fixed notation that reads back as the same double, or one
// of two words: no_disponible, the kernel refused that counter (in most
// virtual machines no hardware counter is there), or bajo_valgrind, the
// program ran under the simulator and read no counter. When any counter was
// refused, motivo=E names the error of the first refusal (ENOENT: the
// processor or the kernel has no such counter; EACCES or EPERM: the
// system's perf_event_paranoid forbids it; ENOSYS: no perf_event_open).
// An unavailable counter is not an error: the program reports and exits 0.
#pragma once

#include "harness/cuentas.h"

#include <valgrind/callgrind.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <iostream>
#include <linux/perf_event.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <type_traits>
#include <unistd.h>

namespace
{

// One counter of the hardware source: the name it is reported under and
// the event the kernel counts for it.
struct Contador {
    const char *nombre;
    std::uint32_t tipo;   // perf_event_attr::type
    std::uint64_t suceso; // perf_event_attr::config
};

// A read miss of a cache level, in the kernel's encoding of cache events.
constexpr std::uint64_t fallo_de_lectura(std::uint64_t cache)
{
    return cache | (std::uint64_t{PERF_COUNT_HW_CACHE_OP_READ} << 8) |
           (std::uint64_t{PERF_COUNT_HW_CACHE_RESULT_MISS} << 16);
}

// The counters in the order of the line: the two software events first,
// which every kernel gives and the tests count with, then the processor's.
// The cache misses are read misses: write misses are an event few
// processors give.
constexpr std::array<Contador, 7> CONTADORES = {{
    {"reloj_de_tarea_ns", PERF_TYPE_SOFTWARE, PERF_COUNT_SW_TASK_CLOCK},
    {"fallos_de_pagina", PERF_TYPE_SOFTWARE, PERF_COUNT_SW_PAGE_FAULTS},
    {"ciclos", PERF_TYPE_HARDWARE, PERF_COUNT_HW_CPU_CYCLES},
    {"instrucciones", PERF_TYPE_HARDWARE, PERF_COUNT_HW_INSTRUCTIONS},
    {"saltos_fallidos", PERF_TYPE_HARDWARE, PERF_COUNT_HW_BRANCH_MISSES},
    {"fallos_l1d", PERF_TYPE_HW_CACHE, fallo_de_lectura(PERF_COUNT_HW_CACHE_L1D)},
    {"fallos_ll", PERF_TYPE_HW_CACHE, fallo_de_lectura(PERF_COUNT_HW_CACHE_LL)},
}};
constexpr std::size_t N_CONTADORES = CONTADORES.size();

// The events of one run, or the sum of several: each counter's count while
// it was enabled.
struct Eventos {
    std::array<double, N_CONTADORES> valores{};

    Eventos &operator+=(const Eventos &otros)
    {
        for (std::size_t k = 0; k < N_CONTADORES; ++k)
            valores[k] += otros.valores[k];
        return *this;
    }
};

// The counters of this process, opened once, before the first measured
// call. A descriptor below 0 is a counter that is not there: `error` says
// why (0 when it was not even tried, under valgrind).
struct ContadoresDelProceso {
    std::array<int, N_CONTADORES> descriptores{};
    std::array<int, N_CONTADORES> errores{};
    bool bajo_valgrind = false;
};

// Asks the kernel for one counter of this process on any processor,
// disabled, counting user space only: the measured call runs there, and a
// system that allows an unprivileged user anything allows that. Returns the
// descriptor, or -1 with errno set.
inline int abrir_contador(const Contador &contador)
{
    perf_event_attr atributos{};
    atributos.size = sizeof(atributos);
    atributos.type = contador.tipo;
    atributos.config = contador.suceso;
    atributos.disabled = 1;
    atributos.exclude_kernel = 1;
    atributos.exclude_hv = 1;
    // Counters that had to share the processor's registers with others were
    // counting for part of the time only; these two times scale them up.
    atributos.read_format = PERF_FORMAT_TOTAL_TIME_ENABLED | PERF_FORMAT_TOTAL_TIME_RUNNING;
    return static_cast<int>(syscall(SYS_perf_event_open, &atributos, 0, -1, -1, 0));
}

// Opens every counter, keeping the error of each one refused. Under
// valgrind none is opened, so that the hardware source never counts the
// simulator.
inline ContadoresDelProceso abrir_contadores()
{
    ContadoresDelProceso contadores;
    contadores.bajo_valgrind = RUNNING_ON_VALGRIND != 0;
    for (std::size_t k = 0; k < N_CONTADORES; ++k) {
        contadores.descriptores[k] = -1;
        if (contadores.bajo_valgrind)
            continue;
        contadores.descriptores[k] = abrir_contador(CONTADORES[k]);
        if (contadores.descriptores[k] < 0)
            contadores.errores[k] = errno;
    }
    return contadores;
}

// This process's counters, opened on first use: by the first measured call,
// before its region starts. They stay open until the process ends.
inline ContadoresDelProceso &contadores_del_proceso()
{
    static ContadoresDelProceso contadores = abrir_contadores();
    return contadores;
}

// Starts the region: each counter zeroed and enabled, then callgrind's
// collection turned on. The simulator goes last and stops first, so that
// of this bookkeeping it counts nothing but its own request.
inline void empezar_region(const ContadoresDelProceso &contadores)
{
    for (const int fd : contadores.descriptores)
        if (fd >= 0) {
            ioctl(fd, PERF_EVENT_IOC_RESET, 0);
            ioctl(fd, PERF_EVENT_IOC_ENABLE, 0);
        }
    CALLGRIND_TOGGLE_COLLECT;
}

// Ends the region: callgrind's collection off, then the counters disabled
// in the reverse order of their enabling.
inline void terminar_region(const ContadoresDelProceso &contadores)
{
    CALLGRIND_TOGGLE_COLLECT;
    for (std::size_t k = N_CONTADORES; k-- > 0;)
        if (contadores.descriptores[k] >= 0)
            ioctl(contadores.descriptores[k], PERF_EVENT_IOC_DISABLE, 0);
}

// What one counter counted in the last region, scaled up by the share of
// the region it was running if the processor had to multiplex it; 0 for a
// counter that is not there, or that could not be read.
inline double leer_contador(int fd)
{
    if (fd < 0)
        return 0;
    std::uint64_t lectura[3] = {}; // value, time enabled, time running
    if (read(fd, lectura, sizeof(lectura)) != static_cast<ssize_t>(sizeof(lectura)))
        return 0;
    const double valor = static_cast<double>(lectura[0]);
    if (lectura[2] == 0 || lectura[2] >= lectura[1])
        return valor;
    return valor * static_cast<double>(lectura[1]) / static_cast<double>(lectura[2]);
}

inline Eventos leer_contadores(const ContadoresDelProceso &contadores)
{
    Eventos eventos;
    for (std::size_t k = 0; k < N_CONTADORES; ++k)
        eventos.valores[k] = leer_contador(contadores.descriptores[k]);
    return eventos;
}

// The events of one call on `objeto` (a pointer to the data the call works
// on, or, for hanoi's recursion, an object that is no pointer and names a
// call with no data of its own). Between the start and the end of the
// region lies the call alone; as in the timed build, the barriers keep the
// work on the data from being removed or moved out of it. The counters are
// opened before the region and read after it.
template <typename Objeto, typename Llamada> Eventos medir(Objeto objeto, Llamada &&llamada)
{
    const void *datos = nullptr;
    if constexpr (std::is_pointer_v<Objeto>)
        datos = objeto;
    const ContadoresDelProceso &contadores = contadores_del_proceso();
    empezar_region(contadores);
    barrera(datos);
    llamada();
    barrera(datos);
    terminar_region(contadores);
    return leer_contadores(contadores);
}

// The name of an error of perf_event_open, for the line's motivo field.
inline std::string nombre_de_error(int error)
{
    switch (error) {
    case ENOENT:
        return "ENOENT";
    case ENODEV:
        return "ENODEV";
    case EOPNOTSUPP:
        return "EOPNOTSUPP";
    case EACCES:
        return "EACCES";
    case EPERM:
        return "EPERM";
    case ENOSYS:
        return "ENOSYS";
    case EINVAL:
        return "EINVAL";
    case EMFILE:
        return "EMFILE";
    default:
        return "errno" + std::to_string(error);
    }
}

// The report line of the events build (its format is described at the top
// of this header): the mean of each counter per run, or why it has none.
inline void informar(int n, const Eventos &acumulado, std::ostream &salida = std::cout,
                     const ContadoresDelProceso &contadores = contadores_del_proceso())
{
    salida << n << " ejecuciones=" << EJECUCIONES;
    int motivo = 0;
    for (std::size_t k = 0; k < N_CONTADORES; ++k) {
        salida << " " << CONTADORES[k].nombre << "=";
        if (contadores.bajo_valgrind) {
            salida << "bajo_valgrind";
        } else if (contadores.descriptores[k] < 0) {
            salida << "no_disponible";
            if (motivo == 0)
                motivo = contadores.errores[k];
        } else {
            salida << en_notacion_fija(acumulado.valores[k] / EJECUCIONES);
        }
    }
    if (motivo != 0)
        salida << " motivo=" << nombre_de_error(motivo);
    salida << std::endl;
}

} // namespace
