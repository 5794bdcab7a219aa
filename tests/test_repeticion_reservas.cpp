// The repeated timing reserves its working copy before the first clock
// reading, so no reservation is timed. This binary replaces the array forms
// of operator new to count reservations (forwarding to the scalar forms, as
// the address sanitizer expects of a matching delete) and the clock notes
// the count at each reading.
#include "harness/repeticion.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <new>
#include <vector>

static int reservas = 0;

void *operator new[](std::size_t tam)
{
    ++reservas;
    return ::operator new(tam);
}

void *operator new[](std::size_t tam, const std::nothrow_t &sin_excepcion) noexcept
{
    ++reservas;
    return ::operator new(tam, sin_excepcion);
}

void operator delete[](void *p) noexcept
{
    ::operator delete(p);
}

void operator delete[](void *p, std::size_t) noexcept
{
    ::operator delete(p);
}

namespace
{

std::vector<int> reservas_al_leer;

Instante leer_y_anotar()
{
    reservas_al_leer.push_back(reservas);
    return leer_reloj();
}

TEST(Repeticion, NingunaReservaEntreLecturas)
{
    for (int n : {0, 1, 200}) {
        std::vector<int> T(n, 7);
        reservas_al_leer.clear();
        const int antes = reservas;
        cronometrar_repetido<leer_y_anotar>(T.data(), n,
                                            [](int V[], int m) { std::sort(V, V + m); });
        EXPECT_EQ(reservas_al_leer, std::vector<int>(4, antes + 1)) << "n=" << n;
    }
}

} // namespace
