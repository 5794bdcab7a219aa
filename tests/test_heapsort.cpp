#include "clave.h"
#include "heapsort/heapsort.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>

namespace
{

// The build phase alone, as heapsort begins.
template <typename Clave> void construir(Clave T[], int n)
{
    for (int i = n / 2 - 1; i >= 0; --i)
        reajustar(T, n, i);
}

// The heap after the build phase, after the first extraction step and at
// the end. Equal children: the left one moves up.
TEST(Heapsort, MonticulosIntermedios)
{
    struct Caso {
        std::vector<int> entrada, construido, primera_extraccion;
    };
    const std::vector<Caso> casos = {
        {{3, 1, 4, 1, 5, 9, 2, 6}, {9, 6, 4, 1, 5, 3, 2, 1}, {6, 5, 4, 1, 1, 3, 2, 9}},
        {{0, 1, 1}, {1, 0, 1}, {1, 0, 1}},
        {{4, 9}, {9, 4}, {4, 9}},
        {{7}, {7}, {7}},
    };
    for (const auto &c : casos) {
        const int n = static_cast<int>(c.entrada.size());
        auto v = claves(c.entrada);
        construir(v.data(), n);
        EXPECT_EQ(valores(v), c.construido);
        if (n >= 2) {
            std::swap(v[0], v[n - 1]);
            reajustar(v.data(), n - 1, 0);
        }
        EXPECT_EQ(valores(v), c.primera_extraccion);

        std::vector<int> w = c.entrada, esperado = c.entrada;
        heapsort(w.data(), n);
        std::sort(esperado.begin(), esperado.end());
        EXPECT_EQ(w, esperado);
    }
    // From 0 1 1 the build moves the left 1 (id 1) up, not the right (id 2).
    auto v = claves({0, 1, 1});
    construir(v.data(), 3);
    EXPECT_EQ(v[0].id, 1);
}

// The hole moves down with one write per level and the held value is stored
// once; each level costs two comparisons, one when there is no right child.
// Positions from m on are never read or written.
TEST(Heapsort, ReajustarMueveUnHueco)
{
    struct Caso {
        std::vector<int> entrada;
        int m, k;
        std::vector<int> esperado;
        long comparaciones, escrituras;
    };
    const std::vector<Caso> casos = {
        {{1, 9, 8, 7, 6, 5, 4}, 7, 0, {9, 7, 8, 1, 6, 5, 4}, 4, 3},
        {{1, 9, 8, 7, 6, 5, 4}, 2, 0, {9, 1, 8, 7, 6, 5, 4}, 1, 2}, // left child only
        {{5, 5, 3}, 3, 0, {5, 5, 3}, 2, 1},                         // equal child stays
        {{2, 9, 9, 1, 1, 9, 0}, 7, 0, {9, 2, 9, 1, 1, 9, 0}, 4, 2}, // ties go left
        {{8, 1, 2, 7, 6, 5, 4}, 7, 1, {8, 7, 2, 1, 6, 5, 4}, 2, 2}, // from inside
        {{8, 1, 2, 7, 6, 5, 4}, 7, 5, {8, 1, 2, 7, 6, 5, 4}, 0, 1}, // a leaf
        {{3, 1, 2, 9}, 3, 0, {3, 1, 2, 9}, 2, 1},                   // 9 is beyond m
    };
    for (const auto &c : casos) {
        auto v = claves(c.entrada);
        for (size_t i = c.m; i < v.size(); ++i) // outside the heap
            v[i].guardia = true;
        Clave::reiniciar();
        reajustar(v.data(), c.m, c.k);
        EXPECT_EQ(Clave::toques_guardia, 0) << c.m << " " << c.k;
        EXPECT_EQ(valores(v), c.esperado) << c.entrada.size() << " " << c.m << " " << c.k;
        EXPECT_EQ(Clave::cuenta.comparaciones, c.comparaciones) << c.m << " " << c.k;
        EXPECT_EQ(Clave::cuenta.escrituras, c.escrituras) << c.m << " " << c.k;
    }
}

// Equal keys, the largest int among them: every node holds at once, after
// two comparisons (one for the node whose only child is last) and with one
// write; each extraction adds an exchange. For even n: n - 1 comparisons and
// n/2 writes to build, then 2n - 5 comparisons and 3(n - 1) writes.
TEST(Heapsort, CuentasConClavesIguales)
{
    for (int valor : {-4, INT_MAX})
        for (long n : {8L, 200L}) {
            auto v = claves(std::vector<int>(n, valor));
            Clave::reiniciar();
            heapsort(v.data(), static_cast<int>(n));
            EXPECT_EQ(Clave::cuenta.comparaciones, 3 * n - 6) << n;
            EXPECT_EQ(Clave::cuenta.escrituras, n / 2 + 3 * (n - 1)) << n;
        }
}

std::vector<std::pair<std::string, std::vector<int>>> entradas(int n)
{
    std::vector<int> creciente(n), decreciente(n), pocos(n);
    for (int i = 0; i < n; ++i) {
        creciente[i] = i - n / 2;
        decreciente[i] = n / 2 - i;
        pocos[i] = (i * 5) % 3;
    }
    return {
        {"aleatoria", aleatorios(n, 31u + n)},
        {"creciente", creciente},
        {"decreciente", decreciente},
        {"iguales", std::vector<int>(n, -4)},
        {"tres valores", pocos},
    };
}

// Sorted like the reference for every order, nothing read or written past
// the array, and never more than 2 n log2 n comparisons.
TEST(Heapsort, OrdenaComoLaReferencia)
{
    for (int n : {0, 1, 2, 3, 4, 5, 7, 8, 9, 16, 17, 100, 1000, 4097}) {
        for (const auto &[nombre, entrada] : entradas(n)) {
            std::vector<int> esperado = entrada;
            std::sort(esperado.begin(), esperado.end());
            auto v = con_guardias(entrada);
            Clave::reiniciar();
            heapsort(v.data() + 3, n);
            auto todo = valores(v);
            EXPECT_EQ(std::vector<int>(todo.begin() + 3, todo.end() - 3), esperado)
                << nombre << " n=" << n;
            EXPECT_EQ(Clave::toques_guardia, 0) << nombre << " n=" << n;
            if (n >= 2) {
                EXPECT_LE(Clave::cuenta.comparaciones, 2.0 * n * std::log2(n))
                    << nombre << " n=" << n;
            } else {
                EXPECT_EQ(Clave::cuenta.comparaciones + Clave::cuenta.escrituras, 0);
            }
        }
    }
}

} // namespace
