#include "clave.h"
#include "selection/seleccion.h"

#include <gtest/gtest.h>
#include <numeric>

namespace
{

bool ordenado(const std::vector<Clave> &v)
{
    return std::is_sorted(v.begin(), v.end(), [](auto &a, auto &b) { return a.valor < b.valor; });
}

TEST(Seleccion, OrdenaComoLaReferencia)
{
    espera_como_referencia([](int T[], int n) { seleccion(T, n); });
}

// m(m + 1)/2 - 1 comparisons and m - 1 exchanges, self-exchanges included,
// whatever the order. An exchange is two element writes; a new minimum is
// copied into a local, which is no write.
TEST(Seleccion, CuentasQueNoDependenDelOrden)
{
    std::vector<int> creciente(50);
    std::iota(creciente.begin(), creciente.end(), -20);
    const std::vector<std::vector<int>> casos = {
        {},
        {42},
        {1, 2},
        {7, 7, 7},
        creciente,
        {2, 1},
        std::vector<int>(40, INT_MAX),
        {5, 4, 3, 2, 1},
        aleatorios(90, 5),
    };
    for (const auto &c : casos) {
        const long m = static_cast<long>(c.size());
        auto v = claves(c);
        Clave::reiniciar();
        seleccion(v.data(), static_cast<int>(m));
        EXPECT_EQ(Clave::cuenta.comparaciones, m >= 2 ? m * (m + 1) / 2 - 1 : 0) << "m=" << m;
        EXPECT_EQ(Clave::cuenta.escrituras, m >= 2 ? 2 * (m - 1) : 0) << "m=" << m;
        EXPECT_TRUE(ordenado(v));
    }
}

// The leftmost of equal minima is taken, which the ids of the keys show.
TEST(Seleccion, EligeElMinimoMasALaIzquierda)
{
    struct Caso {
        std::vector<int> entrada;
        std::vector<int> ids;
    };
    const std::vector<Caso> casos = {
        {{5, 3, 3}, {1, 2, 0}},
        {{-5, 3, -7}, {2, 0, 1}},
        {{2, 1, 2, 1}, {1, 3, 2, 0}},
        {{4, 4, 4, 4}, {0, 1, 2, 3}},
    };
    for (const auto &c : casos) {
        auto v = claves(c.entrada);
        seleccion(v.data(), static_cast<int>(v.size()));
        std::vector<int> ids;
        for (const auto &k : v)
            ids.push_back(k.id);
        EXPECT_EQ(ids, c.ids);
    }
}

TEST(Seleccion, RangoNoTocaNadaFuera)
{
    espera_solo_el_rango([](auto T, int inicial, int final) { seleccion_lims(T, inicial, final); },
                         RANGOS_DE_9_A_4);
}

} // namespace
