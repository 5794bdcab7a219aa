// bench_quicksort: mean time of quicksort on n random integers.
#include "harness/protocolo.h"
#include "quicksort/quicksort.h"

int main(int argc, char *argv[])
{
    const int n = leer_talla(argc, argv);
    Medida acumulado{};
    for (int ejecucion = 0; ejecucion < EJECUCIONES; ++ejecucion) {
        Elemento *T = crear_entrada(n);
        acumulado += medir(T, [&] { quicksort(T, n); });
        delete[] T;
    }
    informar(n, acumulado);
    return 0;
}
