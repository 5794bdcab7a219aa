// Google Benchmark timings of the algorithms the programs measure, from the
// same headers and with the same flags as the -O2 programs, beside library
// references. Every iteration sorts a fresh array of random() values; making
// that array lies outside the measured time.
#include "bubble/burbuja.h"
#include "floyd/floyd.h"
#include "floyd/matriz.h"
#include "hanoi/hanoi.h"
#include "heapsort/heapsort.h"
#include "insertion/insercion.h"
#include "mergesort/mergesort.h"
#include "quicksort/quicksort.h"
#include "selection/seleccion.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace
{

// Insertion sort that shifts the larger elements into a hole and stores the
// inserted element once: the usual variant, as a reference for the one by
// exchanges that the suite measures.
void insercion_por_desplazamiento(int T[], int n)
{
    for (int i = 1; i < n; ++i) {
        const int x = T[i];
        int j = i;
        for (; j > 0 && x < T[j - 1]; --j)
            T[j] = T[j - 1];
        T[j] = x;
    }
}

void std_sort(int T[], int n)
{
    std::sort(T, T + n);
}
void std_heap(int T[], int n)
{
    std::make_heap(T, T + n);
    std::sort_heap(T, T + n);
}
void std_stable_sort(int T[], int n)
{
    std::stable_sort(T, T + n);
}
void mergesort(int T[], int n)
{
    mergesort_lims(T, 0, n);
}

void rellenar(std::vector<int> &T)
{
    for (int &x : T)
        x = static_cast<int>(random());
}

// One sort of a fresh random array per iteration.
template <void (*Ordenar)(int[], int)> void BM_orden(benchmark::State &estado)
{
    const int n = static_cast<int>(estado.range(0));
    std::vector<int> T(n);
    srandom(static_cast<unsigned>(time(nullptr)));
    for (auto _ : estado) {
        estado.PauseTiming();
        rellenar(T);
        estado.ResumeTiming();
        Ordenar(T.data(), n);
        benchmark::DoNotOptimize(T.data());
        benchmark::ClobberMemory();
    }
    estado.SetComplexityN(n);
}

// Sizes on both sides of the 2000 that separates repeated from single
// timing in the selection and mergesort programs, and a doubling range for
// the complexity fit.
void tallas_cuadraticas(benchmark::internal::Benchmark *b)
{
    for (int n : {1000, 2000, 2001, 4000, 8000, 16000})
        b->Arg(n);
}

// Sizes for the n log n sorts: from the repeated-timing side of 2000 up to a
// million.
void tallas_nlogn(benchmark::internal::Benchmark *b)
{
    for (int n : {1000, 2000, 2001, 10000, 100000, 1000000})
        b->Arg(n);
}

// Floyd on a fresh matrix per iteration, reserved and filled as the program
// does it; reserving, filling and releasing stay outside the measurement.
void BM_floyd(benchmark::State &estado)
{
    const int n = static_cast<int>(estado.range(0));
    for (auto _ : estado) {
        estado.PauseTiming();
        int **M = ReservaMatriz(n);
        srandom(static_cast<unsigned>(time(nullptr)));
        RellenaMatriz(M, n);
        estado.ResumeTiming();
        Floyd(M, n);
        benchmark::DoNotOptimize(M);
        benchmark::ClobberMemory();
        estado.PauseTiming();
        LiberaMatriz(M, n);
        estado.ResumeTiming();
    }
    estado.SetComplexityN(n);
}

void BM_hanoi(benchmark::State &estado)
{
    const int n = static_cast<int>(estado.range(0));
    for (auto _ : estado)
        hanoi(n, 1, 2);
    estado.SetComplexityN(n);
}

} // namespace

#define ORDEN(funcion, nombre, tallas)                                                             \
    BENCHMARK(BM_orden<funcion>)                                                                   \
        ->Name(nombre)                                                                             \
        ->Apply(tallas)                                                                            \
        ->Unit(benchmark::kMicrosecond)                                                            \
        ->Complexity()

ORDEN(seleccion<int>, "seleccion", tallas_cuadraticas);
ORDEN(burbuja<int>, "burbuja", tallas_cuadraticas);
ORDEN(insercion<int>, "insercion", tallas_cuadraticas);
ORDEN(insercion_por_desplazamiento, "ref_insercion_desplazamiento", tallas_cuadraticas);

ORDEN(quicksort<int>, "quicksort", tallas_nlogn);
ORDEN(std_sort, "ref_std_sort", tallas_nlogn);
ORDEN(heapsort<int>, "heapsort", tallas_nlogn);
ORDEN(std_heap, "ref_std_heap", tallas_nlogn);
ORDEN(mergesort, "mergesort", tallas_nlogn);
ORDEN(std_stable_sort, "ref_std_stable_sort", tallas_nlogn);

BENCHMARK(BM_floyd)
    ->Name("floyd")
    ->Arg(100)
    ->Arg(200)
    ->Arg(400)
    ->Arg(800)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oNCubed);
BENCHMARK(BM_hanoi)
    ->Name("hanoi")
    ->DenseRange(16, 24, 2)
    ->Unit(benchmark::kMicrosecond)
    ->Complexity([](benchmark::IterationCount n) { return std::pow(2.0, static_cast<double>(n)); });

BENCHMARK_MAIN();
