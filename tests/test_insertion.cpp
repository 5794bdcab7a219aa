#include "clave.h"
#include "insertion/insercion.h"

#include <gtest/gtest.h>

namespace
{

TEST(Insercion, OrdenaComoLaReferencia)
{
    espera_como_referencia([](int T[], int n) { insercion(T, n); });
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
    espera_solo_el_rango([](auto T, int inicial, int final) { insercion_lims(T, inicial, final); },
                         {
                             {{9, 8, 3, 2, 1}, 2, 5, {9, 8, 1, 2, 3}},
                             {{9, 8, 3, 2, 1, 0}, 3, 3, {9, 8, 3, 2, 1, 0}},
                             {{9, 8, 3, 2, 1, 0}, 3, 4, {9, 8, 3, 2, 1, 0}},
                             {{9, 8, 3, 2, 1, 0}, 5, 2, {9, 8, 3, 2, 1, 0}},
                             {{9, 8, 3, 2, 1}, 0, 5, {1, 2, 3, 8, 9}},
                         });
}

} // namespace
