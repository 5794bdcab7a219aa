// bench_heapsort: mean time of heapsort on n random integers.
#include "harness/protocolo.h"
#include "heapsort/heapsort.h"

int main(int argc, char *argv[])
{
    const int n = leer_talla(argc, argv);
    Segundos acumulado{0};
    for (int ejecucion = 0; ejecucion < EJECUCIONES; ++ejecucion) {
        int *T = crear_entrada(n);
        acumulado += cronometrar(T, [&] { heapsort(T, n); });
        delete[] T;
    }
    informar(n, acumulado);
    return 0;
}
