// Run protocol shared by every program of the suite: read the size, time the
// algorithm on EJECUCIONES freshly generated inputs and print one line with
// the size and the mean time in seconds. Each program is a single translation
// unit whose main.cpp includes this header: everything here is its own.
#pragma once

#include "harness/cuentas.h"

#include <cassert>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <new>
#include <type_traits>

namespace
{

constexpr int EJECUCIONES = 3;

// Wall-clock readings with nanosecond resolution; a difference of two of
// them is a signed 64-bit count of nanoseconds.
using Reloj = std::chrono::system_clock;
using Instante = Reloj::time_point;
static_assert(std::is_same_v<Reloj::duration, std::chrono::nanoseconds>,
              "the real-time clock must count nanoseconds");
static_assert(std::is_same_v<Reloj::rep, std::int64_t>);

// A duration counted in double-precision seconds.
using Segundos = std::chrono::duration<double>;

inline Instante leer_reloj()
{
    return Reloj::now();
}

inline Segundos a_segundos(std::chrono::nanoseconds d)
{
    return Segundos(static_cast<double>(d.count()) / 1e9);
}

// Tells the compiler that the memory reachable from `p` is read and written
// here, at this point. It emits no instruction, but the work done on that
// memory can then be neither dropped nor moved across the barrier.
template <typename Puntero> inline void barrera(Puntero p)
{
    asm volatile("" : : "r"(p) : "memory");
}

// The size given as first argument, read as atoi reads it: leading blanks,
// a sign, digits up to the first non-digit (0 if there are none). Unlike
// atoi, a missing argument or a number outside int ends the program with a message.
// Builds that read more arguments give main a leer_talla of their own.
inline int leer_talla(int argc, char *const argv[])
{
    if (argc < 2) {
        const char *programa = argc > 0 && argv[0] ? argv[0] : "bench";
        std::cerr << "ERROR: falta la talla del problema\n"
                  << "Uso: " << programa << " TALLA" << std::endl;
        std::exit(1);
    }
    errno = 0;
    const long long valor = std::strtoll(argv[1], nullptr, 10);
    if (errno == ERANGE || valor < INT_MIN || valor > INT_MAX) {
        std::cerr << "ERROR: la talla " << argv[1] << " no cabe en un entero de 32 bits"
                  << std::endl;
        std::exit(1);
    }
    return static_cast<int>(valor);
}

// An array of n elements (uninitialised for int); a negative n or an
// allocation that fails ends the program with a message instead of an
// uncaught exception. Release it with delete[].
template <typename Elemento = int> inline Elemento *reservar_vector(int n)
{
    if (n < 0) {
        std::cerr << "ERROR: la talla debe ser mayor o igual que 0 y es " << n << std::endl;
        std::exit(1);
    }
    Elemento *v = new (std::nothrow) Elemento[n];
    if (v == nullptr) {
        std::cerr << "ERROR: No puedo reservar memoria para un vector de " << n << " elementos"
                  << std::endl;
        std::exit(1);
    }
    assert(v);
    return v;
}

// The counting build of a program (compiled with BENCH_CUENTAS) follows the
// same protocol with the same main.cpp: its arrays hold counting keys (and
// the Floyd matrix counting cells, floyd/cuentas_floyd.h), each measured
// call is run once with the operations it makes counted instead of timed,
// and the line reports the mean counts per run and the largest peaks of
// space. It reads no clock. These are the elements of the sorted arrays and
// the measure of one run.
//
// The events build (compiled with BENCH_EVENTOS) sorts plain ints as the
// timed builds do, and its measure of a run is the machine's events of the
// call (harness/eventos.h, which defines Eventos, medir and informar).
#if defined(BENCH_CUENTAS)
using Elemento = ClaveContada;
using Medida = Cuentas;
#else
using Elemento = int;
#endif
#if !defined(BENCH_CUENTAS) && !defined(BENCH_EVENTOS)
using Medida = Segundos;
#endif

} // namespace

#if defined(BENCH_EVENTOS)
#include "harness/eventos.h"
namespace
{
using Medida = Eventos;
}
#endif

// The kinds of input, in the builds that take one.
#if defined(BENCH_ENTRADAS)
#include "harness/entradas.h"
#endif

namespace
{

// The input of one run: n values of random(), drawn after seeding the
// generator with the current time (runs within the same second therefore
// get the same input). The builds that take a kind of input then make the
// chosen kind of these values.
inline Elemento *crear_entrada(int n)
{
    Elemento *T = reservar_vector<Elemento>(n);
    srandom(static_cast<unsigned>(time(nullptr)));
    for (int j = 0; j < n; ++j)
        T[j] = static_cast<int>(random());
#if defined(BENCH_ENTRADAS)
    preparar_entrada(T, n, entrada_elegida);
#endif
    return T;
}

// Every program measures each run with medir(objeto, llamada), in both
// builds. `objeto` is what the call works on: a pointer to its data (an
// array, a matrix), or an object that is not a pointer and names a call with
// no data of its own, such as hanoi's RecursionDeHanoi.

#if !defined(BENCH_CUENTAS) && !defined(BENCH_EVENTOS)

// Times one call on the data at `datos`. Nothing but the call lies between
// the two clock readings; the barriers keep the work on `datos` from being
// removed or moved out of the interval by the optimiser. `leer` reads the
// clock (tests count or script the readings through it).
template <auto leer = leer_reloj, typename Datos, typename Llamada>
    requires std::is_pointer_v<Datos>
inline Segundos medir(Datos datos, Llamada &&llamada)
{
    const Instante inicio = leer();
    barrera(datos);
    llamada();
    barrera(datos);
    const Instante fin = leer();
    return a_segundos(fin - inicio);
}

// Times one call that works on no data of its own (the call itself must
// make its work observable); the barriers, holding no data, still keep it
// between the two clock readings.
template <auto leer = leer_reloj, typename SinDatos, typename Llamada>
    requires(!std::is_pointer_v<SinDatos>)
inline Segundos medir(SinDatos, Llamada &&llamada)
{
    return medir<leer>(static_cast<const void *>(nullptr), llamada);
}

// The report line: the size, a blank and the mean time of the runs.
inline void informar(int n, Segundos acumulado, std::ostream &salida = std::cout)
{
    salida << n << " " << acumulado.count() / EJECUCIONES << std::endl;
}

#elif defined(BENCH_CUENTAS)

// The counts of one call on `objeto`, made with the counters that
// contadores_de(objeto) names: the function is declared beside each counted
// type (the keys, the Floyd cells, hanoi's recursion) and found by
// argument-dependent lookup.
template <typename Objeto, typename Llamada> Cuentas medir(Objeto objeto, Llamada &&llamada)
{
    return contar(contadores_de(objeto), llamada);
}

// The report line of the counting build: the size, then for each count a
// blank and nombre=valor, the value being the mean of the runs in the
// shortest fixed notation that reads back as the same double; then for each
// peak a blank and nombre=valor, the value being the largest of the runs, an
// integer.
inline void informar(int n, const Cuentas &acumulado, std::ostream &salida = std::cout)
{
    salida << n;
    for (std::size_t k = 0; k < acumulado.nombres.size(); ++k)
        if (acumulado.nombres[k] != nullptr)
            salida << " " << acumulado.nombres[k] << "="
                   << en_notacion_fija(static_cast<double>(acumulado.valores[k]) / EJECUCIONES);
    for (std::size_t k = 0; k < acumulado.picos.size(); ++k)
        if (acumulado.nombres_de_picos[k] != nullptr)
            salida << " " << acumulado.nombres_de_picos[k] << "=" << acumulado.picos[k];
    salida << std::endl;
}

#endif

#if (defined(BENCH_CUENTAS) || defined(BENCH_EVENTOS)) && !defined(BENCH_ENTRADAS)
// The counting and events builds of the programs that take no kind of input
// (Floyd and Hanoi) read the size as the others do but refuse any further
// argument, which those builds of the sorts would read as a kind. Like the
// leer_talla of harness/entradas.h, this one is the better match for main's
// `char *argv[]` and calls the harness's with the cast.
inline int leer_talla(int argc, char *argv[])
{
    const int n = leer_talla(argc, static_cast<char *const *>(argv));
    if (argc > 2) {
        std::cerr << "ERROR: este programa no toma tipo de entrada: sobra el argumento " << argv[2]
                  << "\n"
                  << "Uso: " << argv[0] << " TALLA" << std::endl;
        std::exit(1);
    }
    return n;
}
#endif

} // namespace
