#include "harness/repeticion.h"

#include <gtest/gtest.h>
#include <numeric>
#include <vector>

namespace
{

// A clock that counts its readings and, when given a script, returns the
// scripted instants (in nanoseconds) one after the other.
struct RelojDePrueba {
    static inline int lecturas = 0;
    static inline std::vector<std::int64_t> guion;

    static void preparar(std::vector<std::int64_t> instantes = {})
    {
        lecturas = 0;
        guion = std::move(instantes);
    }
    static Instante leer()
    {
        const int i = lecturas++;
        if (i < static_cast<int>(guion.size()))
            return Instante(std::chrono::nanoseconds(guion[i]));
        return leer_reloj();
    }
};

std::vector<int> entrada(int n)
{
    std::vector<int> T(n);
    std::iota(T.rbegin(), T.rend(), 1); // n, n - 1, ..., 1: every sort changes it
    return T;
}

// At most UMBRAL_REPETICION the sort only ever sees fresh copies of T, each
// one holding the unsorted input, REPETICIONES times, between four clock
// readings; T is left as it was. Above it, one sort of T itself between two.
TEST(Repeticion, CaminoSegunLaTalla)
{
    struct Caso {
        int n;
        int lecturas, ordenaciones;
        bool sobre_copias;
    };
    const std::vector<Caso> casos = {
        {0, 4, REPETICIONES, true},           {1, 4, REPETICIONES, true},
        {37, 4, REPETICIONES, true},          {UMBRAL_REPETICION, 4, REPETICIONES, true},
        {UMBRAL_REPETICION + 1, 2, 1, false}, {5000, 2, 1, false},
    };
    for (const auto &c : casos) {
        std::vector<int> T = entrada(c.n);
        const std::vector<int> original = T;
        int ordenaciones = 0, sobre_T = 0, copias_fieles = 0;
        RelojDePrueba::preparar();
        medir_ordenacion<RelojDePrueba::leer>(T.data(), c.n, [&](int V[], int m) {
            ++ordenaciones;
            sobre_T += V == T.data();
            copias_fieles += m == c.n && std::equal(V, V + m, original.begin());
            std::sort(V, V + m);
        });
        EXPECT_EQ(RelojDePrueba::lecturas, c.lecturas) << "n=" << c.n;
        EXPECT_EQ(ordenaciones, c.ordenaciones) << "n=" << c.n;
        EXPECT_EQ(copias_fieles, c.ordenaciones) << "n=" << c.n;
        EXPECT_EQ(sobre_T, c.sobre_copias ? 0 : 1) << "n=" << c.n;
        if (c.sobre_copias) {
            EXPECT_EQ(T, original) << "n=" << c.n;
        } else {
            EXPECT_TRUE(std::is_sorted(T.begin(), T.end())) << "n=" << c.n;
        }
    }
}

// The contribution is ((sort end - sort start) - (copy end - copy start))
// nanoseconds, subtracted as integers, then / 1e9 / REPETICIONES. Instants
// near today's (about 1.7e18 ns since the epoch) lose their last digits as
// doubles, so a conversion before the subtraction would show here.
TEST(Repeticion, AportacionNetaPorOrdenacion)
{
    constexpr std::int64_t hoy = 1'700'000'000'123'456'789;
    struct Caso {
        std::vector<std::int64_t> guion; // copy start, copy end, sort start, sort end
        double esperado;
    };
    const std::vector<Caso> casos = {
        {{0, 100'000'000, 100'000'000, 600'000'000}, 0.004},
        {{hoy, hoy + 3, hoy + 3, hoy + 10}, 4e-9 / 100},
        {{hoy, hoy + 500, hoy + 501, hoy + 701}, -300e-9 / 100},
        {{hoy, hoy + 1, hoy + 2, hoy - 5}, -8e-9 / 100},
    };
    for (const auto &c : casos) {
        std::vector<int> T = entrada(10);
        RelojDePrueba::preparar(c.guion);
        const Segundos s = cronometrar_repetido<RelojDePrueba::leer>(
            T.data(), 10, [](int V[], int m) { std::sort(V, V + m); });
        EXPECT_DOUBLE_EQ(s.count(), c.esperado);
        EXPECT_EQ(RelojDePrueba::lecturas, 4);
    }
    // The single timed call adds its difference undivided.
    std::vector<int> T = entrada(3000);
    RelojDePrueba::preparar({hoy, hoy + 7});
    const Segundos s = medir_ordenacion<RelojDePrueba::leer>(
        T.data(), 3000, [](int V[], int m) { std::sort(V, V + m); });
    EXPECT_DOUBLE_EQ(s.count(), 7e-9);
}

} // namespace
