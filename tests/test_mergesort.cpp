#include "clave.h"
#include "mergesort/mergesort.h"

#include <gtest/gtest.h>
#include <numeric>

namespace
{

std::vector<int> ids(const std::vector<Clave> &v)
{
    std::vector<int> r;
    for (const auto &k : v)
        r.push_back(k.id);
    return r;
}

std::vector<int> desde(int primero, int n)
{
    std::vector<int> r(n);
    std::iota(r.begin(), r.end(), primero);
    return r;
}

TEST(Mergesort, OrdenaComoLaReferencia)
{
    std::mt19937 gen(11);
    std::vector<int> tallas = {0, 1, 2, 99, 100, 101, 199, 200, 401, 1000, 2001};
    for (int i = 0; i < 6; ++i)
        tallas.push_back(std::uniform_int_distribution<int>(2, 5000)(gen));
    for (int n : tallas) {
        std::vector<int> v = aleatorios(n, 7 * n + 1);
        std::vector<int> esperado = v;
        std::sort(esperado.begin(), esperado.end());
        mergesort_lims(v.data(), 0, n);
        EXPECT_EQ(v, esperado) << "n=" << n;
    }
}

// Keys equal to the sentinel, alone or mixed with others, in both halves or
// in one only, in every split that the recursion makes: every read stays
// inside the copies (the sanitizer build checks it), every key comes out
// once, and no sentinel takes the place of a key.
TEST(Mergesort, ClavesIgualesAlCentinela)
{
    std::mt19937 gen(3);
    // All of them; half, anywhere; all in the left half; all in the right
    // half; a few among the extremes.
    auto patron = [&](int caso, int n, int i) {
        const int otro = static_cast<int>(gen() % 1000) - 500;
        switch (caso) {
        case 0:
            return INT_MAX;
        case 1:
            return gen() % 2 ? INT_MAX : otro;
        case 2:
            return i < n / 2 ? INT_MAX : otro;
        case 3:
            return i >= n / 2 ? INT_MAX : otro;
        default:
            return gen() % 16 ? static_cast<int>(gen()) : INT_MAX;
        }
    };
    for (int n : {100, 101, 150, 199, 200, 256, 999, 2000, 3001}) {
        for (int caso = 0; caso < 5; ++caso) {
            std::vector<int> entrada(n);
            for (int i = 0; i < n; ++i)
                entrada[i] = patron(caso, n, i);
            std::vector<int> esperado = entrada;
            std::sort(esperado.begin(), esperado.end());

            std::vector<int> enteros = entrada;
            mergesort_lims(enteros.data(), 0, n);
            EXPECT_EQ(enteros, esperado) << "n=" << n << " caso=" << caso;

            auto v = claves(entrada);
            mergesort_lims(v.data(), 0, n);
            EXPECT_EQ(valores(v), esperado) << "n=" << n << " caso=" << caso;
            std::vector<int> vistos = ids(v);
            std::sort(vistos.begin(), vistos.end());
            EXPECT_EQ(vistos, desde(0, n)) << "n=" << n << " caso=" << caso;
        }
    }
}

// One comparison per merged element, sentinel-equal keys or not: on sorted
// or constant input the insertion sorts of the halves cost one comparison
// per element after the first and write nothing. A split range of m writes
// its m keys and two sentinels into the copies and m keys back.
TEST(Mergesort, UnaComparacionPorElementoFundido)
{
    struct Caso {
        std::vector<int> entrada;
        long comparaciones, escrituras;
    };
    const std::vector<Caso> casos = {
        {desde(0, 99), 98, 0},
        {desde(0, 100), 49 + 49 + 100, 202},
        {std::vector<int>(100, INT_MAX), 49 + 49 + 100, 202},
        {desde(-50, 101), 49 + 50 + 101, 204},
        {desde(0, 199), 98 + (49 + 49 + 100) + 199, 202 + 400},
        {std::vector<int>(199, INT_MAX), 98 + (49 + 49 + 100) + 199, 202 + 400},
    };
    for (const auto &c : casos) {
        auto v = claves(c.entrada);
        Clave::reiniciar();
        mergesort_lims(v.data(), 0, static_cast<int>(v.size()));
        EXPECT_EQ(Clave::cuenta.comparaciones, c.comparaciones) << "m=" << v.size();
        EXPECT_EQ(Clave::cuenta.escrituras, c.escrituras) << "m=" << v.size();
        EXPECT_EQ(valores(v), c.entrada);
    }
}

// On equal keys the merge takes the right one first: the left copy 1, 3
// and the right copy 3, 4 give 1 (left), 3 (right), 3 (left), 4 (right).
TEST(Mergesort, EnLosEmpatesVaPrimeroLaDerecha)
{
    std::vector<int> entrada(100);
    for (int i = 0; i < 50; ++i) {
        entrada[i] = 1000 + i;
        entrada[50 + i] = 2000 + i;
    }
    entrada[0] = 1;
    entrada[1] = 3;
    entrada[50] = 3;
    entrada[51] = 4;
    auto v = claves(entrada);
    mergesort_lims(v.data(), 0, 100);
    const std::vector<int> orden = ids(v);
    EXPECT_EQ(std::vector<int>(orden.begin(), orden.begin() + 4), (std::vector<int>{0, 50, 1, 51}));

    // Constant input: the whole right half, then the whole left half, each
    // in its own order; with the sentinel's value too.
    for (int valor : {7, INT_MAX}) {
        auto w = claves(std::vector<int>(100, valor));
        mergesort_lims(w.data(), 0, 100);
        std::vector<int> esperado = desde(50, 50);
        for (int i = 0; i < 50; ++i)
            esperado.push_back(i);
        EXPECT_EQ(ids(w), esperado) << valor;
    }
}

} // namespace
