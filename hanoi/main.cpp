// bench_hanoi: mean time of the recursion of the towers of Hanoi with n
// discs, from peg 1 to peg 2. There is no input data.
#include "hanoi/hanoi.h"
#include "harness/protocolo.h"

int main(int argc, char *argv[])
{
    const int n = leer_talla(argc, argv);
    comprobar_profundidad(n);
    Medida acumulado{};
    for (int ejecucion = 0; ejecucion < EJECUCIONES; ++ejecucion)
        acumulado += medir(RecursionDeHanoi{}, [&] { hanoi(n, 1, 2); });
    informar(n, acumulado);
    return 0;
}
