#include "bubble/burbuja.h"
#include "clave.h"

#include <gtest/gtest.h>

namespace
{

TEST(Burbuja, OrdenaComoLaReferencia)
{
    espera_como_referencia([](int T[], int n) { burbuja(T, n); });
}

// Comparisons never depend on the order; exchanges (two writes each) are
// exactly the inversions; equal keys keep their order.
TEST(Burbuja, CuentasYEstabilidad)
{
    const std::vector<std::vector<int>> casos = {
        {},           {42},       {9, 4},     {1, 2, 3, 4, 5},       {5, 4, 3, 2, 1},
        {7, 7, 7, 7}, {-3, 0, 7}, {7, -3, 0}, {3, 1, 3, 1, 2, 2, 1}, aleatorios(60, 7),
    };
    for (const auto &caso : casos) {
        const long m = static_cast<long>(caso.size());
        auto v = claves(caso);
        Clave::reiniciar();
        burbuja(v.data(), static_cast<int>(m));
        EXPECT_EQ(Clave::cuenta.comparaciones, m * (m - 1) / 2);
        EXPECT_EQ(Clave::cuenta.escrituras, 2 * inversiones(caso));
        EXPECT_TRUE(
            std::is_sorted(v.begin(), v.end(), [](auto &a, auto &b) { return a.valor < b.valor; }));
        EXPECT_TRUE(estable(v));
    }
}

TEST(Burbuja, RangoNoTocaNadaFuera)
{
    espera_solo_el_rango([](auto T, int inicial, int final) { burbuja_lims(T, inicial, final); },
                         RANGOS_DE_9_A_4);
}

} // namespace
