// The kinds of input of the sorting programs (harness/entradas.h): how each
// is made, what the sorts count on them, and the builds that take a kind,
// end to end. Compiled with BENCH_ENTRADAS, as those builds are.
#include "bubble/burbuja.h"
#include "clave.h"
#include "harness/protocolo.h"
#include "insertion/insercion.h"
#include "proceso.h"
#include "selection/seleccion.h"

#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <numeric>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace
{

const std::vector<std::string> ORDENACIONES = {"selection", "bubble",   "insertion",
                                               "quicksort", "heapsort", "mergesort"};

std::string nombre(Entrada entrada)
{
    for (const auto &[nombre, e] : ENTRADAS)
        if (e == entrada)
            return nombre;
    return "?";
}

std::vector<int> preparada(std::vector<int> v, Entrada entrada)
{
    preparar_entrada(v.data(), static_cast<int>(v.size()), entrada);
    return v;
}

std::vector<int> ordenados(std::vector<int> v)
{
    std::sort(v.begin(), v.end());
    return v;
}

// What each kind must be, given the aleatoria input it was made of.
using Comprobacion =
    std::function<void(const std::vector<int> &aleatoria, const std::vector<int> &entrada)>;
const std::vector<std::pair<Entrada, Comprobacion>> PROPIEDADES = {
    {Entrada::aleatoria, [](const auto &a, const auto &e) { EXPECT_EQ(e, a); }},
    {Entrada::ordenada, [](const auto &a, const auto &e) { EXPECT_EQ(e, ordenados(a)); }},
    {Entrada::inversa,
     [](const auto &a, const auto &e) {
         EXPECT_EQ(std::vector<int>(e.rbegin(), e.rend()), ordenados(a));
     }},
    {Entrada::casi_ordenada,
     [](const auto &a, const auto &e) {
         EXPECT_EQ(ordenados(e), ordenados(a));
         const int n = static_cast<int>(a.size());
         EXPECT_LE(inversiones(e), (n + 19) / 20);
         if (n >= 1000) {
             EXPECT_GT(inversiones(e), 0);
         }
     }},
    {Entrada::pocas_claves,
     [](const auto &a, const auto &e) {
         ASSERT_EQ(e.size(), a.size());
         for (std::size_t j = 0; j < a.size(); ++j)
             EXPECT_EQ(e[j], a[j] % 10);
         const std::set<int> claves(e.begin(), e.end());
         EXPECT_LE(claves.size(), 10u);
         if (a.size() >= 1000) {
             EXPECT_EQ(claves.size(), 10u);
         }
     }},
};

// Each kind made of random() values of several lengths.
TEST(Entradas, CadaTipoDeLosValoresAleatorios)
{
    for (int n : {0, 1, 2, 3, 20, 21, 1000, 4001}) {
        srandom(7u + static_cast<unsigned>(n));
        std::vector<int> aleatoria(n);
        for (int &x : aleatoria)
            x = static_cast<int>(random());
        for (const auto &[entrada, comprobar] : PROPIEDADES) {
            SCOPED_TRACE("n=" + std::to_string(n) + " " + nombre(entrada));
            comprobar(aleatoria, preparada(aleatoria, entrada));
        }
    }
}

// crear_entrada makes the chosen kind of the values that it makes for
// aleatoria, the input of the other builds, in the same second.
TEST(Entradas, CrearEntradaDelTipoElegido)
{
    for (const auto &[entrada, comprobar] : PROPIEDADES) {
        for (int intento = 0;; ++intento) {
            ASSERT_LT(intento, 5) << "the clock's second kept changing";
            const time_t antes = time(nullptr);
            entrada_elegida = Entrada::aleatoria;
            int *a = crear_entrada(3000);
            entrada_elegida = entrada;
            int *e = crear_entrada(3000);
            entrada_elegida = Entrada::aleatoria;
            const std::vector<int> va(a, a + 3000), ve(e, e + 3000);
            delete[] a;
            delete[] e;
            if (time(nullptr) != antes)
                continue;
            comprobar(va, ve);
            break;
        }
    }
}

TEST(Entradas, LeeTallaYTipo)
{
    const std::vector<std::tuple<std::vector<std::string>, int, Entrada>> casos = {
        {{"5"}, 5, Entrada::aleatoria},
        {{"5", "ordenada"}, 5, Entrada::ordenada},
        {{"12abc", "pocas_claves"}, 12, Entrada::pocas_claves},
        {{"0", "casi_ordenada"}, 0, Entrada::casi_ordenada},
        {{"-3", "inversa"}, -3, Entrada::inversa},
        {{"7", "aleatoria"}, 7, Entrada::aleatoria},
    };
    for (auto [args, talla, entrada] : casos) {
        args.insert(args.begin(), "bench");
        std::vector<char *> argv;
        for (auto &a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        entrada_elegida = Entrada::inversa;
        EXPECT_EQ(leer_talla(static_cast<int>(args.size()), argv.data()), talla);
        EXPECT_EQ(entrada_elegida, entrada) << args.back();
    }
    entrada_elegida = Entrada::aleatoria;
}

// The counts of the sorts on distinct keys of each kind, through the counting
// key: -1 leaves a count unchecked.
TEST(Entradas, CuentasExactasPorTipo)
{
    using Ordenar = std::function<void(ClaveContada *, int)>;
    const Ordenar insercion_ = [](ClaveContada *T, int n) { insercion(T, n); };
    const Ordenar burbuja_ = [](ClaveContada *T, int n) { burbuja(T, n); };
    const Ordenar seleccion_ = [](ClaveContada *T, int n) { seleccion(T, n); };
    for (long n : {2L, 50L, 777L}) {
        std::vector<std::tuple<std::string, Ordenar, Entrada, long, long>> casos = {
            {"insercion", insercion_, Entrada::ordenada, n - 1, 0},
            {"insercion", insercion_, Entrada::inversa, n * (n - 1) / 2, n * (n - 1)},
        };
        for (const auto &[e, entrada] : ENTRADAS) {
            casos.emplace_back("burbuja", burbuja_, entrada, n * (n - 1) / 2, -1);
            casos.emplace_back("seleccion", seleccion_, entrada, n * (n + 1) / 2 - 1, 2 * (n - 1));
        }
        // Distinct values in random order, as random() draws them.
        std::vector<int> valores(n);
        std::iota(valores.begin(), valores.end(), 0);
        std::shuffle(valores.begin(), valores.end(), std::mt19937(11));
        for (const auto &[algoritmo, ordenar, entrada, comparaciones, escrituras] : casos) {
            std::vector<ClaveContada> T(valores.begin(), valores.end());
            preparar_entrada(T.data(), static_cast<int>(n), entrada);
            const Cuentas c = contar(ClaveContada::cuenta, [&] { ordenar(T.data(), n); });
            const std::string donde = algoritmo + " " + nombre(entrada) + " n=" + std::to_string(n);
            EXPECT_EQ(c.valores[0], comparaciones) << donde;
            if (escrituras >= 0) {
                EXPECT_EQ(c.valores[1], escrituras) << donde;
            }
        }
        // Insertion is linear on casi_ordenada: a comparison per key and one
        // more, and two writes, per inversion.
        std::vector<ClaveContada> T(valores.begin(), valores.end());
        preparar_entrada(T.data(), static_cast<int>(n), Entrada::casi_ordenada);
        const Cuentas c = contar(ClaveContada::cuenta, [&] { insercion(T.data(), n); });
        EXPECT_LE(c.valores[0], n - 1 + (n + 19) / 20) << n;
        EXPECT_LE(c.valores[1], 2 * ((n + 19) / 20)) << n;
    }
}

// The counts of the counting programs on each kind; a tie among the random
// values may lower those of inversa a little.
TEST(BenchEntradas, CuentasDeLosProgramas)
{
    const auto linea = [](long n, long c, long e) {
        return std::to_string(n) + " comparaciones=" + std::to_string(c) +
               " escrituras=" + std::to_string(e) + "\n";
    };
    std::vector<std::pair<std::vector<std::string>, std::string>> casos = {
        {{"bench_insertion_cuentas", "2000", "ordenada"}, linea(2000, 1999, 0)},
        {{"bench_insertion_cuentas", "1", "inversa"}, linea(1, 0, 0)},
    };
    for (const auto &[tipo, entrada] : ENTRADAS) {
        casos.push_back({{"bench_bubble_cuentas", "1000", tipo},
                         "1000 comparaciones=499500 escrituras=[0-9.]+\n"});
        casos.push_back({{"bench_selection_cuentas", "1000", tipo}, linea(1000, 500499, 1998)});
    }
    for (const auto &[args, patron] : casos) {
        const Resultado r = ejecutar(args[0], {args.begin() + 1, args.end()});
        EXPECT_EQ(r.estado, 0) << args[0] << " " << args[2];
        EXPECT_TRUE(std::regex_match(r.salida, std::regex(patron))) << args[2] << ": " << r.salida;
    }
    const Resultado r = ejecutar("bench_insertion_cuentas", {"2000", "inversa"});
    double comparaciones = 0, escrituras = 0;
    ASSERT_EQ(std::sscanf(r.salida.c_str(), "2000 comparaciones=%lf escrituras=%lf", &comparaciones,
                          &escrituras),
              2)
        << r.salida;
    EXPECT_LE(comparaciones, 1999000);
    EXPECT_GE(comparaciones, 1999000 - 4000);
    EXPECT_LE(escrituras, 3998000);
    EXPECT_GE(escrituras, 3998000 - 8000);
}

void espera_rechazo(const Resultado &r, const std::string &orden, bool lista_los_tipos)
{
    EXPECT_EQ(r.senal, 0) << orden;
    EXPECT_EQ(r.estado, 1) << orden;
    EXPECT_EQ(r.salida, "") << orden;
    if (lista_los_tipos) {
        EXPECT_NE(r.errores.find("aleatoria ordenada inversa casi_ordenada pocas_claves"),
                  std::string::npos)
            << orden << ": " << r.errores;
    }
}

// A bad kind, or a third argument, ends the builds that take a kind with a
// message that lists the kinds; the counting builds of Floyd and Hanoi take
// no kind and refuse any second argument.
TEST(BenchEntradas, RechazaTiposMalos)
{
    for (const auto &p : ORDENACIONES)
        for (const std::string build : {"_cuentas", "_entradas"})
            for (const auto &args :
                 std::vector<std::vector<std::string>>{{"10", "nada"},
                                                       {"10", "Ordenada"},
                                                       {"10", ""},
                                                       {"-5", "ordenadas"},
                                                       {"10", "ordenada", "extra"}}) {
                const std::string orden = "bench_" + p + build + " " + args[0] + " " + args[1];
                espera_rechazo(ejecutar("bench_" + p + build, args), orden, true);
            }
    for (const std::string p : {"floyd", "hanoi"})
        for (const std::string tipo : {"ordenada", "aleatoria", "x"}) {
            const Resultado r = ejecutar("bench_" + p + "_cuentas", {"10", tipo});
            espera_rechazo(r, p + " " + tipo, false);
            EXPECT_NE(r.errores.find("no toma tipo de entrada"), std::string::npos) << r.errores;
        }
}

// The other builds read their first argument only: a kind, good or bad,
// changes nothing.
TEST(BenchEntradas, LosDemasIgnoranElTipo)
{
    std::vector<std::string> programas = {"bench_mergesort_O3", "bench_floyd", "bench_floyd_O0",
                                          "bench_hanoi", "bench_hanoi_O0"};
    for (const auto &p : ORDENACIONES) {
        programas.push_back("bench_" + p);
        if (p != "mergesort")
            programas.push_back("bench_" + p + "_O0");
    }
    for (const auto &p : programas)
        for (const std::string tipo : {"ordenada", "nada"}) {
            const Resultado r = ejecutar(p, {"5", tipo});
            EXPECT_EQ(r.estado, 0) << p << " " << tipo;
            EXPECT_EQ(r.errores, "") << p << " " << tipo;
            EXPECT_TRUE(std::regex_match(r.salida, std::regex("5 -?[0-9.]+(e[-+][0-9]+)?\n")))
                << p << " " << tipo << ": " << r.salida;
        }
}

} // namespace
