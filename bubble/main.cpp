// bench_bubble: mean time of bubble sort on n random integers.
#include "bubble/burbuja.h"
#include "harness/protocolo.h"

int main(int argc, char *argv[])
{
    const int n = leer_talla(argc, argv);
    Segundos acumulado{0};
    for (int ejecucion = 0; ejecucion < EJECUCIONES; ++ejecucion) {
        int *T = crear_entrada(n);
        acumulado += cronometrar(T, [&] { burbuja(T, n); });
        delete[] T;
    }
    informar(n, acumulado);
    return 0;
}
