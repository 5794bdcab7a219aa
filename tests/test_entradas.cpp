// The kinds of input of the sorting programs (harness/entradas.h) and the
// builds that take one. Compiled with BENCH_ENTRADAS, as those builds are.
#include "bubble/burbuja.h"
#include "clave.h"
#include "harness/protocolo.h"
#include "insertion/insercion.h"
#include "proceso.h"
#include "selection/seleccion.h"

#include <gtest/gtest.h>
#include <numeric>
#include <regex>
#include <set>

namespace
{

// Each kind made of values of random(), against those values.
TEST(Entradas, CadaTipoDeLosValoresAleatorios)
{
    for (int n : {0, 1, 2, 21, 4001}) {
        SCOPED_TRACE("n=" + std::to_string(n));
        srandom(7u + static_cast<unsigned>(n));
        std::vector<int> aleatoria(n);
        for (int &x : aleatoria)
            x = static_cast<int>(random());
        const auto hecha = [&](Entrada entrada) {
            std::vector<int> v = aleatoria;
            preparar_entrada(v.data(), n, entrada);
            return v;
        };
        std::vector<int> orden = aleatoria;
        std::sort(orden.begin(), orden.end());

        EXPECT_EQ(hecha(Entrada::aleatoria), aleatoria);
        EXPECT_EQ(hecha(Entrada::ordenada), orden);
        const std::vector<int> inversa = hecha(Entrada::inversa);
        EXPECT_EQ(std::vector<int>(inversa.rbegin(), inversa.rend()), orden);
        std::vector<int> casi = hecha(Entrada::casi_ordenada);
        EXPECT_LE(inversiones(casi), (n + 19) / 20);
        if (n > 1000) { // its 201 exchanges do not all undo each other
            EXPECT_GT(inversiones(casi), 0);
        }
        std::sort(casi.begin(), casi.end());
        EXPECT_EQ(casi, orden);
        const std::vector<int> pocas = hecha(Entrada::pocas_claves);
        for (int j = 0; j < n; ++j)
            EXPECT_EQ(pocas[j], aleatoria[j] % 10);
        const std::size_t claves = std::set<int>(pocas.begin(), pocas.end()).size();
        EXPECT_LE(claves, 10u);
        if (n > 1000) {
            EXPECT_EQ(claves, 10u);
        }
    }
}

// Exact counts on distinct keys of each kind, through the counting key.
TEST(Entradas, CuentasPorTipo)
{
    const long n = 500;
    std::vector<int> valores(n);
    std::iota(valores.begin(), valores.end(), 0);
    std::shuffle(valores.begin(), valores.end(), std::mt19937(11));
    const auto cuentas = [&](Entrada entrada, auto ordenar) {
        std::vector<ClaveContada> T(valores.begin(), valores.end());
        preparar_entrada(T.data(), n, entrada);
        return contar(ClaveContada::cuenta, [&] { ordenar(T.data(), n); }).valores;
    };
    const auto insercion_ = [](ClaveContada *T, int m) { insercion(T, m); };
    using C = std::array<std::int64_t, 2>;
    EXPECT_EQ(cuentas(Entrada::ordenada, insercion_), (C{n - 1, 0}));
    EXPECT_EQ(cuentas(Entrada::inversa, insercion_), (C{n * (n - 1) / 2, n * (n - 1)}));
    // Linear on casi_ordenada: one comparison more and two writes per inversion.
    const C casi = cuentas(Entrada::casi_ordenada, insercion_);
    EXPECT_LE(casi[0], n - 1 + n / 20);
    EXPECT_LE(casi[1], 2 * (n / 20));
    for (const auto &[nombre, entrada] : ENTRADAS) {
        EXPECT_EQ(cuentas(entrada, [](ClaveContada *T, int m) { burbuja(T, m); })[0],
                  n * (n - 1) / 2)
            << nombre;
        EXPECT_EQ(cuentas(entrada, [](ClaveContada *T, int m) { seleccion(T, m); }),
                  (C{n * (n + 1) / 2 - 1, 2 * (n - 1)}))
            << nombre;
    }
}

// End to end: a kind chosen in a counting build; a bad kind, or an argument
// after it, refused by every build that takes a kind with the list of kinds;
// any second argument refused by the counting builds of Floyd and Hanoi, and
// ignored by the builds that read the size only.
TEST(BenchEntradas, TipoEnLaLineaDeOrdenes)
{
    const std::string tipos = "aleatoria ordenada inversa casi_ordenada pocas_claves";
    const std::string tiempo = "5 -?[0-9.]+(e[-+][0-9]+)?\n";
    std::vector<CasoDeOrden> casos = {
        {"bench_insertion_cuentas",
         {"2000", "ordenada"},
         0,
         "2000 comparaciones=1999 escrituras=0 memoria_extra=0\n"},
        {"bench_selection_cuentas",
         {"1000", "pocas_claves"},
         0,
         "1000 comparaciones=500499 escrituras=1998 memoria_extra=0\n"},
    };
    for (const std::string p : {"selection", "bubble", "insertion", "quicksort", "heapsort"})
        casos.push_back({"bench_" + p + "_O0", {"5", "nada"}, 0, tiempo});
    for (const std::string p :
         {"selection", "bubble", "insertion", "quicksort", "heapsort", "mergesort"}) {
        for (const std::string build : {"_cuentas", "_entradas"})
            for (const auto &args : std::vector<std::vector<std::string>>{
                     {"10", "nada"}, {"10", "Ordenada"}, {"-5", ""}, {"10", "inversa", "x"}})
                casos.push_back({"bench_" + p + build, args, 1, "", tipos});
        casos.push_back({"bench_" + p, {"5", "ordenada"}, 0, tiempo});
    }
    for (const std::string p : {"floyd", "hanoi"}) {
        casos.push_back({"bench_" + p + "_cuentas", {"10", "aleatoria"}, 1, "", "no toma tipo"});
        casos.push_back({"bench_" + p, {"5", "ordenada"}, 0, tiempo});
        casos.push_back({"bench_" + p + "_O0", {"5", "nada"}, 0, tiempo});
    }
    casos.push_back({"bench_mergesort_O3", {"5", "nada"}, 0, tiempo});
    for (const auto &c : casos)
        comprobar_orden(c);
}

} // namespace
