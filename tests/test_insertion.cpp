#include "clave.h"
#include "insertion/insercion.h"

#include <gtest/gtest.h>

namespace
{

TEST(Insercion, OrdenaComoLaReferencia)
{
    for (int n : {0, 1, 2, 3, 7, 16, 33, 100, 257, 1000}) {
        for (unsigned semilla = 1; semilla <= 3; ++semilla) {
            std::vector<int> v = aleatorios(n, semilla + 100 * n);
            std::vector<int> esperado = v;
            std::sort(esperado.begin(), esperado.end());
            insercion(v.data(), n);
            EXPECT_EQ(v, esperado) << "n=" << n << " semilla=" << semilla;
        }
    }
}

// Exchanges are the inversions; each inserted element costs one comparison
// more than its exchanges, unless it travels to the start of the range,
// where the bound stops it without a comparison. Such an element is one
// strictly smaller than everything before it.
TEST(Insercion, CuentasYEstabilidad)
{
    const std::vector<std::vector<int>> casos = {
        {},        {42},      {3, 1, 2},   {5, 4, 3, 2, 1},   {1, 2, 3, 4, 5, 6},
        {2, 2, 1}, {7, 7, 7}, {-5, 3, -7}, aleatorios(80, 3), aleatorios(200, 4),
    };
    for (const auto &caso : casos) {
        const long m = static_cast<long>(caso.size());
        long hasta_el_limite = 0;
        for (long i = 1; i < m; ++i)
            hasta_el_limite += *std::min_element(caso.begin(), caso.begin() + i) > caso[i];
        auto v = claves(caso);
        Clave::reiniciar();
        insercion(v.data(), static_cast<int>(m));
        const long exchanges = inversiones(caso);
        EXPECT_EQ(Clave::cuenta.escrituras, 2 * exchanges);
        EXPECT_EQ(Clave::cuenta.comparaciones, m <= 1 ? 0 : exchanges + (m - 1) - hasta_el_limite);
        EXPECT_TRUE(
            std::is_sorted(v.begin(), v.end(), [](auto &a, auto &b) { return a.valor < b.valor; }));
        EXPECT_TRUE(estable(v));
    }
}

TEST(Insercion, RangoNoTocaNadaFuera)
{
    struct Caso {
        std::vector<int> entrada;
        int inicial, final;
        std::vector<int> esperado;
    };
    const std::vector<Caso> casos = {
        {{9, 8, 3, 2, 1}, 2, 5, {9, 8, 1, 2, 3}},
        {{9, 8, 3, 2, 1, 0}, 3, 3, {9, 8, 3, 2, 1, 0}},
        {{9, 8, 3, 2, 1, 0}, 3, 4, {9, 8, 3, 2, 1, 0}},
        {{9, 8, 3, 2, 1, 0}, 5, 2, {9, 8, 3, 2, 1, 0}},
        {{9, 8, 3, 2, 1}, 0, 5, {1, 2, 3, 8, 9}},
    };
    for (const auto &c : casos) {
        auto v = con_guardias(c.entrada);
        Clave::reiniciar();
        insercion_lims(v.data(), 3 + c.inicial, 3 + c.final);
        EXPECT_EQ(Clave::cuenta.toques_guardia, 0);
        auto centro = valores(v);
        EXPECT_EQ(std::vector<int>(centro.begin() + 3, centro.end() - 3), c.esperado);
        if (c.final - c.inicial <= 1) {
            EXPECT_EQ(Clave::cuenta.comparaciones + Clave::cuenta.escrituras, 0);
        }
    }
}

} // namespace
