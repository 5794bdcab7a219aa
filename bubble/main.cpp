// bench_bubble: mean time of bubble sort on n random integers.
#include "bubble/burbuja.h"
#include "harness/protocolo.h"

int main(int argc, char *argv[])
{
    const int n = leer_talla(argc, argv);
    Medida acumulado{};
    for (int ejecucion = 0; ejecucion < EJECUCIONES; ++ejecucion) {
        Elemento *T = crear_entrada(n);
        acumulado += medir(T, [&] { burbuja(T, n); });
        delete[] T;
    }
    informar(n, acumulado);
    return 0;
}
