// How much does sorting the same input 100 times flatter the repeated timing
// of small sizes? For the selection and mergesort programs' sorts at a few
// sizes, compares the net time per sort of
//   mismo:     100 copies of one input (the programs' own repeated timing),
//   distintos: 100 distinct inputs, timed the same way,
//   frescos:   single timed sorts of freshly made arrays,
// each the median over several trials, and prints their ratios.
#include "harness/repeticion.h"
#include "mergesort/mergesort.h"
#include "selection/seleccion.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{

constexpr int ENSAYOS = 21;

double mediana(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void rellenar(int T[], int n)
{
    for (int j = 0; j < n; ++j)
        T[j] = static_cast<int>(random());
}

// The repeated timing with a different input in every pass: pass r copies
// (and sorts) entradas[r]; the copy loop copies the same inputs.
template <typename Ordenar>
Segundos cronometrar_distintos(const std::vector<std::vector<int>> &entradas, int n,
                               Ordenar &&ordenar)
{
    std::vector<int> U(std::max(n, 1));
    const Instante inicio_copia = leer_reloj();
    for (int r = 0; r < REPETICIONES; ++r) {
        copiar(entradas[r].data(), U.data(), n);
        barrera(U.data());
    }
    const Instante fin_copia = leer_reloj();
    const Instante inicio_orden = leer_reloj();
    for (int r = 0; r < REPETICIONES; ++r) {
        copiar(entradas[r].data(), U.data(), n);
        barrera(U.data());
        ordenar(U.data(), n);
        barrera(U.data());
    }
    const Instante fin_orden = leer_reloj();
    return a_segundos((fin_orden - inicio_orden) - (fin_copia - inicio_copia)) / REPETICIONES;
}

template <typename Ordenar> void comparar(const char *nombre, int n, Ordenar ordenar)
{
    std::vector<double> mismo, distintos, frescos;
    std::vector<std::vector<int>> entradas(REPETICIONES, std::vector<int>(n));
    std::vector<int> T(n);
    for (int ensayo = 0; ensayo < ENSAYOS; ++ensayo) {
        rellenar(T.data(), n);
        mismo.push_back(cronometrar_repetido(T.data(), n, ordenar).count());

        for (auto &entrada : entradas)
            rellenar(entrada.data(), n);
        distintos.push_back(cronometrar_distintos(entradas, n, ordenar).count());

        Segundos total{0};
        for (int r = 0; r < REPETICIONES; ++r) {
            rellenar(T.data(), n);
            total += medir(T.data(), [&] { ordenar(T.data(), n); });
        }
        frescos.push_back(total.count() / REPETICIONES);
    }
    const double m = mediana(mismo), d = mediana(distintos), f = mediana(frescos);
    std::printf("%-10s %5d %12.4g %12.4g %12.4g %10.3f %10.3f\n", nombre, n, m, d, f, m / d, m / f);
}

} // namespace

int main()
{
    srandom(static_cast<unsigned>(time(nullptr)));
    std::printf("%-10s %5s %12s %12s %12s %10s %10s\n", "sort", "n", "mismo s", "distintos s",
                "frescos s", "mis/dis", "mis/fre");
    for (int n : {200, 1000, 2000})
        comparar("seleccion", n, [](int V[], int m) { seleccion(V, m); });
    for (int n : {200, 1000, 2000})
        comparar("mergesort", n, [](int V[], int m) { mergesort_lims(V, 0, m); });
    return 0;
}
