// bench_mergesort: mean time of mergesort on n random integers; sizes up to
// UMBRAL_REPETICION are timed by repetition.
#include "harness/protocolo.h"
#include "harness/repeticion.h"
#include "mergesort/mergesort.h"

int main(int argc, char *argv[])
{
    const int n = leer_talla(argc, argv);
    Medida acumulado{};
    for (int ejecucion = 0; ejecucion < EJECUCIONES; ++ejecucion) {
        Elemento *T = crear_entrada(n);
        acumulado += medir_ordenacion(T, n, [](Elemento V[], int m) { mergesort_lims(V, 0, m); });
        delete[] T;
    }
    informar(n, acumulado);
    return 0;
}
