// bench_heapsort: mean time of heapsort on n random integers.
#include "harness/protocolo.h"
#include "heapsort/heapsort.h"

int main(int argc, char *argv[])
{
    const int n = leer_talla(argc, argv);
    Medida acumulado{};
    for (int ejecucion = 0; ejecucion < EJECUCIONES; ++ejecucion) {
        Elemento *T = crear_entrada(n);
        acumulado += medir(T, [&] { heapsort(T, n); });
        delete[] T;
    }
    informar(n, acumulado);
    return 0;
}
