// The counting key of the harness with what the tests add to it: it
// remembers its original position (to check stability) and reports any touch
// of a guard placed outside the range being sorted. Comparisons and element
// writes are counted by ClaveContada itself, in Clave::cuenta.
#pragma once

#include "harness/cuentas.h"

#include <algorithm>
#include <climits>
#include <gtest/gtest.h>
#include <initializer_list>
#include <random>
#include <vector>

struct Clave : ClaveContada {
    int id = -1;          // original position, never compared
    bool guardia = false; // lies outside the range under test

    static inline long toques_guardia = 0; // reads or writes of a guard
    static void reiniciar()
    {
        cuenta = ContadoresDeOrden{};
        toques_guardia = 0;
    }

    Clave() = default;
    Clave(int v, int i = -1, bool g = false) : ClaveContada(v), id(i), guardia(g) {}
    Clave(const Clave &o) : ClaveContada(o), id(o.id), guardia(o.guardia) { vigilar(o); }
    Clave(Clave &&o) noexcept : ClaveContada(std::move(o)), id(o.id), guardia(o.guardia)
    {
        vigilar(o);
    }
    Clave &operator=(const Clave &o)
    {
        vigilar(*this, o);
        ClaveContada::operator=(o);
        id = o.id;
        return *this;
    }

    static void vigilar(const Clave &a) { toques_guardia += a.guardia; }
    static void vigilar(const Clave &a, const Clave &b)
    {
        toques_guardia += a.guardia || b.guardia;
    }
    static const ClaveContada &base(const Clave &c) { return c; }
    friend bool operator<(const Clave &a, const Clave &b)
    {
        vigilar(a, b);
        return base(a) < base(b);
    }
    friend bool operator<=(const Clave &a, const Clave &b)
    {
        vigilar(a, b);
        return base(a) <= base(b);
    }
    friend bool operator>(const Clave &a, const Clave &b)
    {
        vigilar(a, b);
        return base(a) > base(b);
    }
    friend bool operator>=(const Clave &a, const Clave &b)
    {
        vigilar(a, b);
        return base(a) >= base(b);
    }
};

// Keys with the given values; each remembers its position.
inline std::vector<Clave> claves(const std::vector<int> &valores)
{
    std::vector<Clave> v;
    for (int i = 0; i < static_cast<int>(valores.size()); ++i)
        v.emplace_back(valores[i], i);
    return v;
}

inline std::vector<int> valores(const std::vector<Clave> &v)
{
    std::vector<int> r;
    for (const auto &c : v)
        r.push_back(c.valor);
    return r;
}

// n random ints over the whole range of int, with the extremes and some
// repeated values mixed in.
inline std::vector<int> aleatorios(int n, unsigned semilla)
{
    std::mt19937 gen(semilla);
    std::uniform_int_distribution<int> todo(INT_MIN, INT_MAX);
    std::uniform_int_distribution<int> pocos(-3, 3);
    std::vector<int> v(n);
    for (int i = 0; i < n; ++i) {
        switch (gen() % 8) {
        case 0:
            v[i] = INT_MIN;
            break;
        case 1:
            v[i] = INT_MAX;
            break;
        case 2:
            v[i] = pocos(gen);
            break;
        default:
            v[i] = todo(gen);
        }
    }
    return v;
}

// Pairs of positions p < q with v[p] > v[q].
inline long inversiones(const std::vector<int> &v)
{
    long r = 0;
    for (size_t p = 0; p < v.size(); ++p)
        for (size_t q = p + 1; q < v.size(); ++q)
            r += v[p] > v[q];
    return r;
}

// True when equal values keep the order of their original positions.
inline bool estable(const std::vector<Clave> &v)
{
    for (size_t i = 1; i < v.size(); ++i)
        if (v[i - 1].valor == v[i].valor && v[i - 1].id > v[i].id)
            return false;
    return true;
}

// `centro` embedded between `margen` guards on each side; the range under
// test is then [margen, margen + centro.size()). The guards on the left are
// larger and those on the right smaller than any key, so a sort that strays
// out of its range would also move them.
inline std::vector<Clave> con_guardias(const std::vector<int> &centro, int margen = 3)
{
    std::vector<Clave> v;
    for (int i = 0; i < margen; ++i)
        v.emplace_back(INT_MAX, -1, true);
    for (int i = 0; i < static_cast<int>(centro.size()); ++i)
        v.emplace_back(centro[i], i);
    for (int i = 0; i < margen; ++i)
        v.emplace_back(INT_MIN, -1, true);
    return v;
}

// Sorts random arrays of many sizes with ordenar(T, n) and compares each
// with std::sort.
template <typename Ordenar>
void espera_como_referencia(Ordenar ordenar, std::initializer_list<int> tallas = {
                                                 0, 1, 2, 3, 7, 16, 33, 100, 257, 1000})
{
    for (int n : tallas) {
        for (unsigned semilla = 1; semilla <= 3; ++semilla) {
            std::vector<int> v = aleatorios(n, semilla + 100 * n);
            std::vector<int> esperado = v;
            std::sort(esperado.begin(), esperado.end());
            ordenar(v.data(), n);
            EXPECT_EQ(v, esperado) << "n=" << n << " semilla=" << semilla;
        }
    }
}

// A range sort applied to [inicial, final) of `entrada`, and what it gives.
struct CasoDeRango {
    std::vector<int> entrada;
    int inicial, final;
    std::vector<int> esperado;
};

// The range cases of a sort that takes its ranges as given: 9 8 7 6 5 4
// sorted over [2, 5), over empty, single and reversed ranges, and whole.
inline const std::vector<CasoDeRango> RANGOS_DE_9_A_4 = {
    {{9, 8, 7, 6, 5, 4}, 2, 5, {9, 8, 5, 6, 7, 4}}, {{9, 8, 7, 6, 5, 4}, 3, 3, {9, 8, 7, 6, 5, 4}},
    {{9, 8, 7, 6, 5, 4}, 3, 4, {9, 8, 7, 6, 5, 4}}, {{9, 8, 7, 6, 5, 4}, 5, 2, {9, 8, 7, 6, 5, 4}},
    {{9, 8, 7, 6, 5, 4}, 0, 6, {4, 5, 6, 7, 8, 9}},
};

// Runs ordenar_lims(T, inicial, final) on each case between guards: the
// range comes out as expected, no guard is read or written, and a range of
// fewer than two elements is not even read.
template <typename OrdenarLims>
void espera_solo_el_rango(OrdenarLims ordenar_lims, const std::vector<CasoDeRango> &casos)
{
    constexpr int margen = 3;
    for (const auto &c : casos) {
        auto v = con_guardias(c.entrada, margen);
        Clave::reiniciar();
        ordenar_lims(v.data(), margen + c.inicial, margen + c.final);
        EXPECT_EQ(Clave::toques_guardia, 0);
        auto centro = valores(v);
        EXPECT_EQ(std::vector<int>(centro.begin() + margen, centro.end() - margen), c.esperado);
        if (c.final - c.inicial <= 1) {
            EXPECT_EQ(Clave::cuenta.comparaciones + Clave::cuenta.escrituras, 0);
        }
    }
}
