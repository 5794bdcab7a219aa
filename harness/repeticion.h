// Repeated timing of small inputs, used by the selection sort and mergesort
// programs. A single sort of a small array takes too little time for the
// clock to measure it well, so a run of n <= UMBRAL_REPETICION sorts a fresh
// copy of its input REPETICIONES times, times the same copies without the
// sorts apart, and takes the difference as the time of the sorts alone.
// Counts need no such device: the counting build counts one sort of T, and
// so does the events build (harness/eventos.h), whose counters and simulator
// see each single event. Every build measures a run of these programs with
// medir_ordenacion.
#pragma once

#include "harness/protocolo.h"

#include <cstring>

namespace
{

#if defined(BENCH_CUENTAS) || defined(BENCH_EVENTOS)

// The counts or the events of one sort of T itself with `ordenar(T, n)`,
// whatever n.
template <typename Ordenar> Medida medir_ordenacion(Elemento T[], int n, Ordenar &&ordenar)
{
    return medir(T, [&] { ordenar(T, n); });
}

#else

constexpr int UMBRAL_REPETICION = 2000;
constexpr int REPETICIONES = 100;

// Copies the n elements of T into U. Both timed loops call this same copy;
// memcpy is a library call whatever the optimisation level, so the copies
// in the two loops run exactly the same code. An empty array may have no
// address at all, which memcpy must not be given.
inline void copiar(const int T[], int U[], int n)
{
    if (n > 0)
        std::memcpy(U, T, static_cast<std::size_t>(n) * sizeof(int));
}

// The net time of one sort of the n elements of T, in seconds: REPETICIONES
// copy-and-sort passes on a working copy U, minus REPETICIONES bare copies,
// divided by REPETICIONES. T is only read. The barrier after every copy and
// after every sort makes each pass's work happen, in its loop and in order,
// so the optimiser can neither drop a copy nor hoist it out of its loop.
// `leer` reads the clock; it is read exactly four times.
template <auto leer = leer_reloj, typename Ordenar>
Segundos cronometrar_repetido(const int T[], int n, Ordenar &&ordenar)
{
    int *U = reservar_vector(n);
    copiar(T, U, n);

    const Instante inicio_copia = leer();
    for (int r = 0; r < REPETICIONES; ++r) {
        copiar(T, U, n);
        barrera(U);
    }
    const Instante fin_copia = leer();

    const Instante inicio_orden = leer();
    for (int r = 0; r < REPETICIONES; ++r) {
        copiar(T, U, n);
        barrera(U);
        ordenar(U, n);
        barrera(U);
    }
    const Instante fin_orden = leer();

    // Subtracted as integer nanoseconds; only the net difference becomes a
    // double. A negative difference is kept as it is.
    const std::chrono::nanoseconds d = (fin_orden - inicio_orden) - (fin_copia - inicio_copia);
    delete[] U;
    return a_segundos(d) / REPETICIONES;
}

// The time of one run of a program that sorts T with `ordenar(V, n)`:
// repeated timing on copies of T when n <= UMBRAL_REPETICION, otherwise the
// single timed sort of T itself.
template <auto leer = leer_reloj, typename Ordenar>
Segundos medir_ordenacion(int T[], int n, Ordenar &&ordenar)
{
    if (n <= UMBRAL_REPETICION)
        return cronometrar_repetido<leer>(T, n, ordenar);
    return medir<leer>(T, [&] { ordenar(T, n); });
}

#endif

} // namespace
