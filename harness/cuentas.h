// Operation counts: what the counting build of each program measures instead
// of time, and what the tests of the sorts count with the same key.
//
// A counting build (compiled with BENCH_CUENTAS) runs the protocol of
// harness/protocolo.h on keys, cells or calls that count what the algorithm
// does with them, and reports the mean counts per run. The algorithms are the
// same templates as in the timed builds, instantiated on these types. What
// every program shares is here: the counts, the running of a counted call and
// the counting key of the sorts. Each other counted thing lives beside its
// program (floyd/cuentas_floyd.h, hanoi/cuentas_hanoi.h) and, like the key,
// declares the function contadores_de that names its counters; the harness
// finds it by argument-dependent lookup.
//
// Unlike the rest of the harness this header has external linkage: hanoi has
// it, and so must the counters it calls, which build on these.
#pragma once

#include <array>
#include <cassert>
#include <charconv>
#include <cstdint>
#include <string>
#include <system_error>

// Whether this program is the counting build of its algorithm.
#if defined(BENCH_CUENTAS)
inline constexpr bool CONTANDO = true;
#else
inline constexpr bool CONTANDO = false;
#endif

// Two counts under the names they are reported with, the main one first.
// The accumulator of a program starts without names and takes those of the
// counts added to it.
struct Cuentas {
    std::array<const char *, 2> nombres{};
    std::array<std::int64_t, 2> valores{};

    Cuentas &operator+=(const Cuentas &otras)
    {
        nombres = otras.nombres;
        for (std::size_t k = 0; k < valores.size(); ++k)
            valores[k] += otras.valores[k];
        return *this;
    }
};

// The counters of the sorts.
struct ContadoresDeOrden {
    std::int64_t comparaciones = 0; // relational operators between two keys
    std::int64_t escrituras = 0;    // stores of a key into an array element
    Cuentas cuentas() const
    {
        return {{"comparaciones", "escrituras"}, {comparaciones, escrituras}};
    }
};

// Runs `llamada` once with `contadores` at zero and returns what it counted.
template <typename Contadores, typename Llamada>
Cuentas contar(Contadores &contadores, Llamada &&llamada)
{
    contadores = Contadores{};
    llamada();
    return contadores.cuentas();
}

// A sort key that counts every comparison between two keys and every store
// of a key into an element of an array.
//
// A key made by array allocation (default construction, as new[] makes the
// elements) or from a value is an element. A copy of a key is not: it is a
// local initialised from an element, such as a held value, a pivot or the
// temporary of an exchange. Assignment stores into an element only if the
// target is one, and never changes what the target is; so copying a key into
// a local, by initialisation or by assignment, is not a write. A move keeps
// what the source was, so that a container moving its elements to a new
// block keeps them elements; the sorts never move keys.
class ClaveContada
{
  public:
    static inline ContadoresDeOrden cuenta;

    int valor = 0;

    ClaveContada() = default;
    ClaveContada(int v) : valor(v) {}
    ClaveContada(const ClaveContada &otra) : valor(otra.valor), elemento(false) {}
    ClaveContada(ClaveContada &&otra) noexcept : valor(otra.valor), elemento(otra.elemento) {}

    ClaveContada &operator=(const ClaveContada &otra)
    {
        if (elemento)
            ++cuenta.escrituras;
        valor = otra.valor;
        return *this;
    }

    bool es_elemento() const { return elemento; }

    // The counters of a call that sorts an array of these keys.
    friend ContadoresDeOrden &contadores_de(const ClaveContada *) { return cuenta; }

    friend bool operator<(const ClaveContada &a, const ClaveContada &b)
    {
        ++cuenta.comparaciones;
        return a.valor < b.valor;
    }
    friend bool operator<=(const ClaveContada &a, const ClaveContada &b)
    {
        ++cuenta.comparaciones;
        return a.valor <= b.valor;
    }
    friend bool operator>(const ClaveContada &a, const ClaveContada &b)
    {
        ++cuenta.comparaciones;
        return a.valor > b.valor;
    }
    friend bool operator>=(const ClaveContada &a, const ClaveContada &b)
    {
        ++cuenta.comparaciones;
        return a.valor >= b.valor;
    }

  private:
    bool elemento = true;
};

// `x` in fixed notation with the fewest digits that read back as the same
// double: 1000000 for a million, 498765.3333333333 for a third above 498765.
inline std::string en_notacion_fija(double x)
{
    // No double needs more than 327 characters: a sign, then 309 digits for
    // the largest or "0." and 324 digits for the smallest ones.
    std::array<char, 400> texto;
    [[maybe_unused]] const auto [fin, error] =
        std::to_chars(texto.data(), texto.data() + texto.size(), x, std::chars_format::fixed);
    assert(error == std::errc{});
    return std::string(texto.data(), fin);
}
