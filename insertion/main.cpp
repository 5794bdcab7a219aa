// bench_insertion: mean time of insertion sort on n random integers.
#include "harness/protocolo.h"
#include "insertion/insercion.h"

int main(int argc, char *argv[])
{
    const int n = leer_talla(argc, argv);
    Medida acumulado{};
    for (int ejecucion = 0; ejecucion < EJECUCIONES; ++ejecucion) {
        Elemento *T = crear_entrada(n);
        acumulado += medir(T, [&] { insercion(T, n); });
        delete[] T;
    }
    informar(n, acumulado);
    return 0;
}
