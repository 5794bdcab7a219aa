// An instrumented key for the sort templates: it counts comparisons and
// element writes, remembers its original position (to check stability) and
// reports any touch of a guard placed outside the range being sorted.
#pragma once

#include <algorithm>
#include <climits>
#include <random>
#include <vector>

struct Contadores {
    long comparaciones = 0;
    long escrituras = 0;     // assignments into an element
    long toques_guardia = 0; // reads or writes of a guard
};

struct Clave {
    int valor = 0;
    int id = -1;          // original position, never compared
    bool guardia = false; // lies outside the range under test

    static inline Contadores cuenta;
    static void reiniciar() { cuenta = Contadores{}; }

    Clave() = default;
    Clave(int v, int i = -1, bool g = false) : valor(v), id(i), guardia(g) {}
    Clave(const Clave &o) : valor(o.valor), id(o.id), guardia(o.guardia)
    {
        if (o.guardia)
            ++cuenta.toques_guardia;
    }
    Clave &operator=(const Clave &o)
    {
        if (guardia || o.guardia)
            ++cuenta.toques_guardia;
        ++cuenta.escrituras;
        valor = o.valor;
        id = o.id;
        return *this;
    }

    static bool comparar(const Clave &a, const Clave &b)
    {
        ++cuenta.comparaciones;
        if (a.guardia || b.guardia)
            ++cuenta.toques_guardia;
        return true;
    }
    friend bool operator<(const Clave &a, const Clave &b)
    {
        return comparar(a, b) && a.valor < b.valor;
    }
    friend bool operator<=(const Clave &a, const Clave &b)
    {
        return comparar(a, b) && a.valor <= b.valor;
    }
    friend bool operator>(const Clave &a, const Clave &b)
    {
        return comparar(a, b) && a.valor > b.valor;
    }
    friend bool operator>=(const Clave &a, const Clave &b)
    {
        return comparar(a, b) && a.valor >= b.valor;
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
