// bench_floyd: mean time of Floyd's shortest paths on a random complete graph
// of n nodes with edge lengths from 0 to 9.
#include "floyd/floyd.h"
#include "floyd/matriz.h"
#include "harness/protocolo.h"

int main(int argc, char *argv[])
{
    const int n = leer_talla(argc, argv);
    Medida acumulado{};
    for (int ejecucion = 0; ejecucion < EJECUCIONES; ++ejecucion) {
        Celda **M = ReservaMatriz<Celda>(n);
        assert(M);
        srandom(static_cast<unsigned>(time(nullptr)));
        RellenaMatriz(M, n);
        acumulado += medir(M, [&] { Floyd(M, n); });
        LiberaMatriz(M, n);
    }
    informar(n, acumulado);
    return 0;
}
