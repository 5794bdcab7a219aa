// The counting builds: what harness/cuentas.h counts on the algorithms, how
// the counts are written, and the bench_X_cuentas programs end to end.
// Compiled with BENCH_CUENTAS, as those programs are.
#include "bubble/burbuja.h"
#include "floyd/floyd.h"
#include "floyd/matriz.h"
#include "hanoi/hanoi.h"
#include "harness/protocolo.h"
#include "heapsort/heapsort.h"
#include "insertion/insercion.h"
#include "mergesort/mergesort.h"
#include "proceso.h"
#include "quicksort/quicksort.h"
#include "selection/seleccion.h"

#include <array>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <numeric>
#include <optional>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace
{

TEST(Cuentas, NotacionFijaMasCorta)
{
    const std::vector<std::pair<double, std::string>> casos = {
        {0.0, "0"},
        {499500.0, "499500"},
        {1e6, "1000000"},
        {1e21, "1000000000000000000000"},
        {1e-7, "0.0000001"},
        {1496296.0 / 3, "498765.3333333333"},
        {76841.0 / 3, "25613.666666666668"},
    };
    for (const auto &[x, texto] : casos) {
        EXPECT_EQ(en_notacion_fija(x), texto);
        EXPECT_EQ(std::stod(texto), x) << texto;
    }
}

// Mean comparisons of this quicksort on n distinct keys in random order: a
// partition of m >= UMBRAL_QS compares m + 1 times (m when the pivot is the
// largest key) and leaves random parts of p - 1 and m - p, every p alike;
// insertion on m < UMBRAL_QS compares once per inversion, m(m - 1)/4 on
// average, and once more for each key after the first that is not the
// smallest so far, (m - 1) - (H(m) - 1).
double comparaciones_medias_quicksort(int n)
{
    std::vector<double> media(n + 1, 0.0);
    double suma = 0, armonico = 0; // media[0] + ... + media[m - 1], H(m)
    for (int m = 1; m <= n; ++m) {
        armonico += 1.0 / m;
        if (m < UMBRAL_QS)
            media[m] = m * (m - 1) / 4.0 + (m - 1) - (armonico - 1);
        else
            media[m] = m + 1 - 1.0 / m + 2 * suma / m;
        suma += media[m];
    }
    return media[n];
}

// Random input by fixed seeds, the mean of 8 sorts against the analysis. One
// quicksort of n keys varies by about 0.65 n comparisons (standard
// deviation), 1.6% of the mean at n = 20000; insertion writes twice the
// inversions, which vary by about n^1.5 / 6, 1.2% at n = 2000. The mean of 8
// varies by a third of that, so 2.5% is over four standard deviations.
// Quicksort's cutoff puts it above 2 n ln n, not below (8% at n = 20000):
// insertion costs about a quarter of its range per key, more than the
// partitions it saves.
TEST(Cuentas, EntradaAleatoriaComoLaMedia)
{
    const std::vector<std::tuple<int, std::function<void(ClaveContada *, int)>, int, double>>
        casos = {
            {20000, [](ClaveContada *T, int n) { quicksort(T, n); }, 0,
             comparaciones_medias_quicksort(20000)},
            {2000, [](ClaveContada *T, int n) { insercion(T, n); }, 1, 2000.0 * 1999 / 2},
        };
    for (const auto &[n, ordenar, cuenta, esperado] : casos) {
        double suma = 0;
        for (unsigned semilla = 1; semilla <= 8; ++semilla) {
            std::mt19937 gen(semilla);
            ClaveContada *T = reservar_vector<ClaveContada>(n);
            for (int i = 0; i < n; ++i)
                T[i] = static_cast<int>(gen() >> 1);
            suma += contar(ClaveContada::cuenta, [&] { ordenar(T, n); }).valores[cuenta];
            delete[] T;
        }
        EXPECT_NEAR(suma / 8, esperado, 0.025 * esperado) << n;
    }
}

// The peak called `nombre` in `c`, if it has one.
std::optional<std::int64_t> pico(const Cuentas &c, const std::string &nombre)
{
    for (std::size_t k = 0; k < c.picos.size(); ++k)
        if (c.nombres_de_picos[k] && c.nombres_de_picos[k] == nombre)
            return c.picos[k];
    return std::nullopt;
}

// Runs are added up for the counts and kept at their largest for the peaks.
TEST(Cuentas, LosPicosSonElMayorDeLasEjecuciones)
{
    Cuentas acumulado{};
    for (std::int64_t r : {2, 9, 4})
        acumulado += Cuentas{{"comparaciones", "escrituras"},
                             {r, 1},
                             {"memoria_extra", "profundidad"},
                             {r * 100, 10 - r}};
    std::ostringstream linea;
    informar(7, acumulado, linea);
    EXPECT_EQ(linea.str(), "7 comparaciones=5 escrituras=1 memoria_extra=900 profundidad=8\n");
}

// The keys a sort holds beyond its input and the depth of its recursion, on
// n random keys: for mergesort, a split of m >= UMBRAL_MS (k = m / 2) holds
// copies of k + 1 and m - k + 1 keys while it sorts either half, and nests
// one deeper; the other sorts work in place, and only mergesort and
// quicksort (below) recurse.
TEST(Cuentas, EspacioDeLasOrdenaciones)
{
    using Ordenar = std::function<void(ClaveContada *, int)>;
    const Ordenar mergesort = [](ClaveContada *T, int n) { mergesort_lims(T, 0, n); };
    const std::optional<std::int64_t> no = std::nullopt;
    const std::vector<std::tuple<Ordenar, int, std::int64_t, std::optional<std::int64_t>>> casos = {
        {mergesort, 0, 0, 1},
        {mergesort, 1, 0, 1},
        {mergesort, 99, 0, 1},
        {mergesort, 100, 102, 2},
        {mergesort, 101, 103, 2},
        {mergesort, 199, 303, 3},
        {mergesort, 1000, 1883, 5},
        {mergesort, 4096, 8076, 7},
        {mergesort, 5000, 9857, 7},
        {seleccion<ClaveContada>, 1000, 0, no},
        {burbuja<ClaveContada>, 1000, 0, no},
        {insercion<ClaveContada>, 1000, 0, no},
        {heapsort<ClaveContada>, 1000, 0, no},
    };
    for (std::size_t caso = 0; caso < casos.size(); ++caso) {
        const auto &[ordenar, n, memoria, profundidad] = casos[caso];
        std::mt19937 gen(n);
        ClaveContada *T = reservar_vector<ClaveContada>(n);
        for (int i = 0; i < n; ++i)
            T[i] = static_cast<int>(gen() >> 1);
        const Cuentas c = contar(ClaveContada::cuenta, [&] { ordenar(T, n); });
        EXPECT_EQ(pico(c, "memoria_extra"), memoria) << "caso " << caso;
        EXPECT_EQ(pico(c, "profundidad"), profundidad) << "caso " << caso;
        delete[] T;
    }
}

// Quicksort's depth on inputs made by hand: no partition below UMBRAL_QS;
// sorted or reversed 50 keys, one partition and a call on one side; the
// left side of the first partition (60 sorted keys) partitioned again.
TEST(Cuentas, ProfundidadDeQuicksort)
{
    std::vector<int> creciente(1000);
    std::iota(creciente.begin(), creciente.end(), 0);
    // 60, 1 to 59, 0, 61 to 120: the first partition only exchanges 60 and 0.
    std::vector<int> dos_niveles(creciente.begin(), creciente.begin() + 121);
    std::swap(dos_niveles[0], dos_niveles[60]);
    const std::vector<std::pair<std::vector<int>, std::int64_t>> casos = {
        {{}, 1},
        {std::vector<int>(creciente.rbegin(), creciente.rbegin() + 49), 1},
        {std::vector<int>(creciente.begin(), creciente.begin() + 50), 2},
        {std::vector<int>(creciente.rbegin() + 950, creciente.rend()), 2},
        {creciente, 2},
        {dos_niveles, 3},
    };
    for (const auto &[entrada, profundidad] : casos) {
        std::vector<ClaveContada> T(entrada.begin(), entrada.end());
        const Cuentas c = medir(T.data(), [&] { quicksort(T.data(), static_cast<int>(T.size())); });
        EXPECT_EQ(pico(c, "memoria_extra"), 0) << entrada.size();
        EXPECT_EQ(pico(c, "profundidad"), profundidad) << entrada.size();
    }
}

// Quicksort nests only into the smaller side of each partition, which holds
// at most half its range: at most log2 n + 1 frames on every kind of input,
// those that made the old recursion nest once per partition included.
TEST(Cuentas, ProfundidadDeQuicksortAcotada)
{
    for (const int n : {1000, 4096, 100000}) {
        std::mt19937 gen(n);
        std::vector<int> aleatoria(n), pocas(n), ordenada(n);
        for (int i = 0; i < n; ++i) {
            aleatoria[i] = static_cast<int>(gen() >> 1);
            pocas[i] = static_cast<int>(gen() % 10);
        }
        std::iota(ordenada.begin(), ordenada.end(), 0);
        std::vector<int> inversa(ordenada.rbegin(), ordenada.rend());
        for (const auto *entrada : {&aleatoria, &pocas, &ordenada, &inversa}) {
            std::vector<ClaveContada> T(entrada->begin(), entrada->end());
            const Cuentas c = medir(T.data(), [&] { quicksort(T.data(), n); });
            EXPECT_LE(*pico(c, "profundidad"), std::log2(n) + 1) << n;
        }
    }
}

// Cell (1,2) improves at k = 0, (2,0) at k = 1 and (0,1) at k = 2.
TEST(Cuentas, PasosYMejorasDeFloyd)
{
    const int antes[3][3] = {{0, 5, 1}, {2, 0, 9}, {9, 1, 0}};
    CeldaContada **M = ReservaMatriz<CeldaContada>(3);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            M[i][j] = antes[i][j];
    const Cuentas c = medir(M, [&] { Floyd(M, 3); });
    EXPECT_EQ(c.valores, (std::array<std::int64_t, 2>{27, 3}));
    EXPECT_EQ(pico(c, "memoria_extra"), 0);
    EXPECT_EQ(pico(c, "profundidad"), std::nullopt);
    EXPECT_EQ(M[0][1] + M[1][2] + M[2][0], 2 + 3 + 3);
    LiberaMatriz(M, 3);
}

std::vector<std::tuple<int, int, int>> llamadas_vistas;

TEST(Cuentas, SecuenciaDeLlamadasDeHanoi)
{
    using L = std::tuple<int, int, int>;
    const std::vector<std::pair<int, std::vector<L>>> casos = {
        {1, {{1, 1, 2}, {0, 1, 3}, {0, 3, 2}}},
        {2, {{2, 1, 2}, {1, 1, 3}, {0, 1, 2}, {0, 2, 3}, {1, 3, 2}, {0, 3, 1}, {0, 1, 2}}},
    };
    for (const auto &[n, esperadas] : casos) {
        llamadas_vistas.clear();
        al_entrar_en_hanoi = [](int m, int i, int j) { llamadas_vistas.emplace_back(m, i, j); };
        hanoi(n, 1, 2);
        al_entrar_en_hanoi = contar_llamada_hanoi;
        EXPECT_EQ(llamadas_vistas, esperadas) << "n=" << n;
    }
}

// The line of every counting program: exact where the counts do not depend
// on the input (both sides of the repeated timing's threshold for selection
// sort), otherwise only its form; the space after the counts.
TEST(BenchCuentas, LineaDeInforme)
{
    const auto linea = [](long n, std::string a, long x, std::string b, std::string y,
                          std::string espacio) {
        return std::to_string(n) + " " + a + "=" + std::to_string(x) + " " + b + "=" + y + espacio +
               "\n";
    };
    const std::string valor = "(0|[1-9][0-9]*)(\\.[0-9]+)?", sin_memoria = " memoria_extra=0";
    std::vector<std::pair<std::string, std::string>> casos = {
        {"bench_bubble_cuentas 0", linea(0, "comparaciones", 0, "escrituras", "0", sin_memoria)},
        {"bench_bubble_cuentas 1000",
         linea(1000, "comparaciones", 499500, "escrituras", valor, sin_memoria)},
        {"bench_hanoi_cuentas -4", linea(-4, "llamadas", 1, "movimientos", "0", " profundidad=1")},
        {"bench_hanoi_cuentas 20",
         linea(20, "llamadas", 2097151, "movimientos", "1048575", " profundidad=21")},
        {"bench_floyd_cuentas 30", linea(30, "pasos", 27000, "mejoras", valor, sin_memoria)},
        {"bench_insertion_cuentas 12abc",
         "12 comparaciones=" + valor + " escrituras=" + valor + sin_memoria + "\n"},
        {"bench_heapsort_cuentas 300",
         "300 comparaciones=" + valor + " escrituras=" + valor + sin_memoria + "\n"},
        {"bench_quicksort_cuentas 300", "300 comparaciones=" + valor + " escrituras=" + valor +
                                            sin_memoria + " profundidad=[1-9][0-9]*\n"},
    };
    for (long n : {2L, 2000L, 2001L})
        casos.emplace_back("bench_selection_cuentas " + std::to_string(n),
                           linea(n, "comparaciones", n * (n + 1) / 2 - 1, "escrituras",
                                 std::to_string(2 * (n - 1)), sin_memoria));
    // Mergesort's space as the counting key measures it, Hanoi's n + 1 calls.
    for (const auto &[n, memoria, profundidad] : std::vector<std::array<int, 3>>{
             {0, 0, 1}, {99, 0, 1}, {100, 102, 2}, {1000, 1883, 5}, {5000, 9857, 7}})
        casos.emplace_back("bench_mergesort_cuentas " + std::to_string(n),
                           std::to_string(n) + " comparaciones=" + valor + " escrituras=" + valor +
                               " memoria_extra=" + std::to_string(memoria) +
                               " profundidad=" + std::to_string(profundidad) + "\n");
    for (long n : {0L, 3L, 12L})
        casos.emplace_back("bench_hanoi_cuentas " + std::to_string(n),
                           linea(n, "llamadas", (2L << n) - 1, "movimientos",
                                 std::to_string((1L << n) - 1),
                                 " profundidad=" + std::to_string(n + 1)));
    for (const auto &[orden, patron] : casos) {
        const auto blanco = orden.find(' ');
        const Resultado r = ejecutar(orden.substr(0, blanco), {orden.substr(blanco + 1)});
        EXPECT_EQ(r.estado, 0) << orden;
        EXPECT_EQ(r.errores, "") << orden;
        EXPECT_TRUE(std::regex_match(r.salida, std::regex(patron))) << orden << ": " << r.salida;
    }
}

// Bad input: the same message, status and empty output as the timed program.
TEST(BenchCuentas, EntradasMalasComoElPrograma)
{
    const std::vector<std::string> vectores = {"selection", "bubble",   "insertion",
                                               "quicksort", "heapsort", "mergesort"};
    std::vector<std::tuple<std::vector<std::string>, std::vector<std::string>, rlim_t>> casos = {
        {vectores, {}, 0},
        {vectores, {"2147483648"}, 0},
        {vectores, {"-5"}, 0},
        {{"floyd"}, {"0"}, 0},
        {{"floyd"}, {"abc"}, 0},
        {{"floyd"}, {"1000000"}, 0},
        {{"hanoi"}, {"2147483647"}, 0},
    };
#if !defined(__SANITIZE_ADDRESS__) // it needs an unlimited address space
    casos.emplace_back(vectores, std::vector<std::string>{"1000000000"}, rlim_t{1} << 30);
    casos.emplace_back(std::vector<std::string>{"floyd"}, std::vector<std::string>{"10000"},
                       rlim_t{64} << 20);
#endif
    for (const auto &[programas, args, limite] : casos)
        for (const auto &p : programas) {
            const Resultado a = ejecutar("bench_" + p, args, limite);
            Resultado b = ejecutar("bench_" + p + "_cuentas", args, limite);
            const std::string ruta = ruta_programa("bench_" + p + "_cuentas");
            if (const auto donde = b.errores.find(ruta); donde != std::string::npos)
                b.errores.replace(donde, ruta.size(), ruta_programa("bench_" + p));
            EXPECT_EQ(std::tie(b.senal, b.estado, b.salida), std::tie(a.senal, a.estado, a.salida))
                << p << " " << (args.empty() ? "" : args[0]);
            EXPECT_EQ(b.estado, 1);
            EXPECT_EQ(b.errores, a.errores);
        }
}

} // namespace
