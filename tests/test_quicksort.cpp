#include "clave.h"
#include "proceso.h"
#include "quicksort/quicksort.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>

namespace
{

std::vector<int> creciente(int n)
{
    std::vector<int> v(n);
    for (int i = 0; i < n; ++i)
        v[i] = i;
    return v;
}

std::vector<int> decreciente(int n)
{
    std::vector<int> v(n);
    for (int i = 0; i < n; ++i)
        v[i] = n - i;
    return v;
}

// The input orders every sort must survive, by name.
std::vector<std::pair<std::string, std::vector<int>>> entradas(int n)
{
    std::vector<int> pocos(n), montana(n);
    for (int i = 0; i < n; ++i) {
        pocos[i] = (i * 7) % 3 - 1;
        montana[i] = i < n / 2 ? i : n - i;
    }
    return {
        {"aleatoria", aleatorios(n, 17u + n)},
        {"creciente", creciente(n)},
        {"decreciente", decreciente(n)},
        {"iguales", std::vector<int>(n, 5)},
        {"tres valores", pocos},
        {"montana", montana},
    };
}

TEST(DividirQs, ParticionesResueltas)
{
    struct Caso {
        std::vector<int> entrada, esperado;
        int pp;
    };
    const std::vector<Caso> casos = {
        {{5, 3, 8, 1, 9, 2, 7}, {1, 3, 2, 5, 9, 8, 7}, 3},
        {{4, 4, 1, 4, 6, 4, 2}, {4, 4, 1, 4, 2, 4, 6}, 5},
        {{1, 2, 3, 4, 5}, {1, 2, 3, 4, 5}, 0},
        {{5, 4, 3, 2, 1}, {1, 4, 3, 2, 5}, 4},
        {{3, 3, 3, 3}, {3, 3, 3, 3}, 3},
        {{2, 1}, {1, 2}, 1},
    };
    for (const auto &c : casos) {
        auto v = con_guardias(c.entrada);
        const int m = static_cast<int>(c.entrada.size());
        Clave::reiniciar();
        int pp = -1;
        dividir_qs(v.data(), 3, 3 + m, pp);
        EXPECT_EQ(Clave::toques_guardia, 0);
        auto todo = valores(v);
        EXPECT_EQ(std::vector<int>(todo.begin() + 3, todo.end() - 3), c.esperado);
        EXPECT_EQ(pp, 3 + c.pp);
    }
}

// On any range of at least two elements: the pivot lands at pp with nothing
// greater on its left and nothing smaller or equal on its right, the values
// are the same, no position outside the range is read or written, and the
// exchanges are the pivot's plus one for each element greater than the pivot
// that starts on what becomes the left side.
TEST(DividirQs, InvarianteEnRangosAleatorios)
{
    for (int m = 2; m <= 130; m += (m < 12 ? 1 : 17)) {
        for (unsigned semilla = 1; semilla <= 20; ++semilla) {
            std::vector<int> entrada = aleatorios(m, semilla * 1000 + m);
            if (semilla % 4 == 0) // many copies of the pivot
                for (int &x : entrada)
                    x %= 3;
            SCOPED_TRACE("m=" + std::to_string(m) + " semilla=" + std::to_string(semilla));
            auto v = con_guardias(entrada);
            Clave::reiniciar();
            int pp = -1;
            dividir_qs(v.data(), 3, 3 + m, pp);
            EXPECT_EQ(Clave::toques_guardia, 0);
            ASSERT_GE(pp, 3);
            ASSERT_LT(pp, 3 + m);
            const int pivote = entrada[0];
            EXPECT_EQ(v[pp].valor, pivote);
            for (int i = 3; i < pp; ++i)
                EXPECT_LE(v[i].valor, pivote);
            for (int i = pp + 1; i < 3 + m; ++i)
                EXPECT_GT(v[i].valor, pivote);
            const long a_mover = std::count_if(entrada.begin() + 1, entrada.begin() + (pp - 3) + 1,
                                               [&](int x) { return x > pivote; });
            EXPECT_EQ(Clave::cuenta.escrituras, 2 * (a_mover + 1));
            auto despues = valores(v);
            std::vector<int> centro(despues.begin() + 3, despues.end() - 3);
            std::sort(centro.begin(), centro.end());
            std::sort(entrada.begin(), entrada.end());
            EXPECT_EQ(centro, entrada);
        }
    }
}

// A range of 50 is partitioned once (the pivot's exchange is two writes);
// one of 49 goes straight to insertion sort, which on sorted or equal input
// writes nothing.
TEST(Quicksort, UmbralDeParticion)
{
    struct Caso {
        std::vector<int> entrada;
        long comparaciones, escrituras;
    };
    const std::vector<Caso> casos = {
        // insertion sort alone: m - 1 comparisons
        {creciente(49), 48, 0},
        {std::vector<int>(49, 5), 48, 0},
        // pivot 0 stops the left scan at once; the right scan walks to it;
        // then 49 elements by insertion
        {creciente(50), 1 + 50 + 48, 2},
        // another partition of the 50 on the right, then 49 by insertion
        {creciente(51), (1 + 51) + (1 + 50) + 48, 4},
        // the left scan runs to the end, the right scan stops at once, the
        // pivot goes to the last position and 49 remain on the left
        {std::vector<int>(50, 5), 49 + 1 + 48, 2},
        {std::vector<int>(50, INT_MAX), 49 + 1 + 48, 2},
        // the left scan runs to the end and the smallest key comes first;
        // its 48 (or 49) greater keys are left in reverse order, for
        // insertion directly or after a partition around that smallest key
        {decreciente(50), 50 + (48 + 48 * 47 / 2), 2 + 48 * 47},
        {decreciente(51), 51 + (1 + 50) + 49 * 48 / 2, 2 + 2 + 49 * 48},
    };
    for (const auto &c : casos) {
        auto v = claves(c.entrada);
        Clave::reiniciar();
        quicksort(v.data(), static_cast<int>(v.size()));
        EXPECT_EQ(Clave::cuenta.comparaciones, c.comparaciones) << c.entrada.size();
        EXPECT_EQ(Clave::cuenta.escrituras, c.escrituras) << c.entrada.size();
        std::vector<int> esperado = c.entrada;
        std::sort(esperado.begin(), esperado.end());
        EXPECT_EQ(valores(v), esperado);
    }
}

// The recursion with a call for each side, left then right.
template <typename Clave> void quicksort_con_dos_llamadas(Clave T[], int inicial, int final)
{
    if (final - inicial < UMBRAL_QS) {
        insercion_lims(T, inicial, final);
        return;
    }
    int pp;
    dividir_qs(T, inicial, final, pp);
    quicksort_con_dos_llamadas(T, inicial, pp);
    quicksort_con_dos_llamadas(T, pp + 1, final);
}

// Nesting the smaller side changes the order in which the sides are sorted,
// not what is compared or exchanged.
TEST(Quicksort, MismasCuentasQueConDosLlamadas)
{
    for (int n : {49, 50, 51, 257, 3000}) {
        for (const auto &[nombre, entrada] : entradas(n)) {
            auto v = claves(entrada), w = claves(entrada);
            Clave::reiniciar();
            quicksort(v.data(), n);
            const Cuentas bucle = Clave::cuenta.cuentas();
            Clave::reiniciar();
            quicksort_con_dos_llamadas(w.data(), 0, n);
            EXPECT_EQ(bucle.valores, Clave::cuenta.cuentas().valores) << nombre << " n=" << n;
        }
    }
}

TEST(Quicksort, OrdenaComoLaReferencia)
{
    for (int n : {0, 1, 2, 3, 49, 50, 51, 99, 100, 101, 257, 1000, 3000}) {
        for (const auto &[nombre, entrada] : entradas(n)) {
            std::vector<int> esperado = entrada;
            std::sort(esperado.begin(), esperado.end());
            // quicksort_lims on a range between guards touches nothing else
            auto v = con_guardias(entrada);
            Clave::reiniciar();
            quicksort_lims(v.data(), 3, 3 + n);
            auto todo = valores(v);
            EXPECT_EQ(std::vector<int>(todo.begin() + 3, todo.end() - 3), esperado)
                << nombre << " n=" << n;
            EXPECT_EQ(Clave::toques_guardia, 0) << nombre << " n=" << n;
        }
    }
    std::vector<int> negativos = {-3, 7, -9};
    quicksort(negativos.data(), 3);
    EXPECT_EQ(negativos, (std::vector<int>{-9, -3, 7}));
}

// A key that notes the lowest stack address reached when it is compared, to
// measure how much stack a sort uses.
struct Profunda {
    int valor;
    static inline std::uintptr_t fondo = 0;
    static bool anotar()
    {
        const auto aqui = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
        fondo = std::min(fondo, aqui);
        return true;
    }
    friend bool operator<(const Profunda &a, const Profunda &b)
    {
        return anotar() && a.valor < b.valor;
    }
    friend bool operator<=(const Profunda &a, const Profunda &b)
    {
        return anotar() && a.valor <= b.valor;
    }
    friend bool operator>(const Profunda &a, const Profunda &b)
    {
        return anotar() && a.valor > b.valor;
    }
    friend bool operator>=(const Profunda &a, const Profunda &b)
    {
        return anotar() && a.valor >= b.valor;
    }
};

// Bytes of stack below this function's frame used by quicksort on `valores`.
[[gnu::noinline]] long pila_usada(const std::vector<int> &entrada)
{
    std::vector<Profunda> v;
    for (int x : entrada)
        v.push_back({x});
    const auto base = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
    Profunda::fondo = base;
    quicksort(v.data(), static_cast<int>(v.size()));
    return static_cast<long>(base - Profunda::fondo);
}

// Bytes that a nested call of quicksort_lims may take: far more than its
// frame takes in any configuration of the tests, far less than the stack of
// one call per partition.
constexpr long MARCO = 512;

// The larger side of each partition is taken by the loop, not by a nested
// call: sorted input, whose left sides are all empty, needs the same stack
// for any length, and so does all-equal input, whose right sides are.
TEST(Quicksort, PilaEnEntradasOrdenadas)
{
    const long ordenada_corta = pila_usada(creciente(1000));
    const long ordenada_larga = pila_usada(creciente(4000));
    EXPECT_EQ(ordenada_larga, ordenada_corta);
    const long iguales_corta = pila_usada(std::vector<int>(1000, 7));
    const long iguales_larga = pila_usada(std::vector<int>(4000, 7));
    EXPECT_LE(iguales_larga, iguales_corta + 2 * MARCO); // log2(4000 / 1000) more calls
}

// A nested call gets at most half of its caller's range, so no input nests
// more than log2 n + 1 calls: at most 13 more than sorted input at n = 8000.
TEST(Quicksort, PilaAcotadaEnCualquierEntrada)
{
    const int n = 8000;
    const long ordenada = pila_usada(creciente(n));
    for (const auto &[nombre, entrada] : entradas(n))
        EXPECT_LE(pila_usada(entrada), ordenada + 13 * MARCO) << nombre;
}

// Reverse-sorted and few distinct keys, made by the builds that take a kind
// of input, at sizes whose recursion overflowed a 128 KiB stack when the
// left side of every partition was a nested call (about n/2 and n/10 calls).
TEST(BenchQuicksort, EntradasQueDesbordabanLaPila)
{
    const std::vector<std::pair<std::string, std::string>> casos = {{"12000", "inversa"},
                                                                    {"40000", "pocas_claves"}};
    for (const std::string programa : {"bench_quicksort_entradas", "bench_quicksort_cuentas"})
        for (const auto &[talla, tipo] : casos) {
            const Resultado r = ejecutar(programa, {talla, tipo}, 0, rlim_t{128} << 10);
            EXPECT_EQ(r.senal, 0) << programa << " " << tipo;
            EXPECT_EQ(r.estado, 0) << programa << " " << tipo;
            EXPECT_EQ(r.errores, "") << programa << " " << tipo;
            EXPECT_EQ(r.salida.rfind(talla + " ", 0), 0u) << r.salida;
        }
}

// Sorted input: 100000 elements cost about n² comparisons but only one
// frame. Reverse-sorted and all-equal inputs are quadratic too; moderate
// sizes of them must sort.
TEST(Quicksort, EntradasQueAnidan)
{
    struct Caso {
        std::string nombre;
        std::vector<int> entrada;
    };
    const std::vector<Caso> casos = {
        {"creciente", creciente(100000)},
        {"decreciente", decreciente(20000)},
        {"iguales", std::vector<int>(10000, 3)},
    };
    for (const auto &c : casos) {
        std::vector<int> v = c.entrada;
        quicksort(v.data(), static_cast<int>(v.size()));
        std::vector<int> esperado = c.entrada;
        std::sort(esperado.begin(), esperado.end());
        EXPECT_EQ(v, esperado) << c.nombre;
    }
}

} // namespace
