// Operation counts: what the counting build of each program measures instead
// of time, and what the tests of the sorts count with the same key.
//
// A counting build (compiled with BENCH_CUENTAS) runs the protocol of
// harness/protocolo.h on keys, cells or calls that count what the algorithm
// does with them, and reports the mean counts per run, then the space the
// calls took at their peak: the most elements they held at once beyond their
// input and the deepest nesting of their recursion. The algorithms are the
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

// Two counts under the names they are reported with, the main one first,
// then up to two peaks: the most of something a call held at once. Runs add
// up their counts and keep the largest of their peaks. The accumulator of a
// program starts without names and takes those of the runs added to it; a
// peak without a name is not there.
struct Cuentas {
    std::array<const char *, 2> nombres{};
    std::array<std::int64_t, 2> valores{};
    std::array<const char *, 2> nombres_de_picos{};
    std::array<std::int64_t, 2> picos{};

    Cuentas &operator+=(const Cuentas &otras)
    {
        nombres = otras.nombres;
        for (std::size_t k = 0; k < valores.size(); ++k)
            valores[k] += otras.valores[k];
        nombres_de_picos = otras.nombres_de_picos;
        for (std::size_t k = 0; k < picos.size(); ++k)
            if (otras.picos[k] > picos[k])
                picos[k] = otras.picos[k];
        return *this;
    }

    // Puts a named peak in the first place that has no name.
    void anadir_pico(const char *nombre, std::int64_t valor)
    {
        std::size_t k = 0;
        while (k < picos.size() && nombres_de_picos[k] != nullptr)
            ++k;
        assert(k < picos.size());
        nombres_de_picos[k] = nombre;
        picos[k] = valor;
    }
};

// How many things are alive now, counted from the last reset (so it goes
// below zero when older ones die), and the most alive at once since then.
// Counted from the start of a call, the peak is how many more than at its
// start the call held at once.
struct Vivos {
    std::int64_t ahora = 0;
    std::int64_t pico = 0;

    void nace()
    {
        if (++ahora > pico)
            pico = ahora;
    }
    void muere() { --ahora; }
};

// The active calls of the program's recursive function (quicksort_lims,
// mergesort_lims, hanoi), which enters and leaves them in its counting
// build: their peak is the depth of the recursion, the first call being
// depth 1.
inline Vivos llamadas_activas;

// What a recursive function does on entry and before each return, under
// `if constexpr (CONTANDO)`, which the timed builds discard. A guard object
// would leave the call by itself at every return, but it would be a local in
// the timed builds too, and an unoptimised build gives even an empty local a
// place in its frame, which changes the instructions.
inline void entrar_en_la_recursion()
{
    llamadas_activas.nace();
}
inline void salir_de_la_recursion()
{
    llamadas_activas.muere();
}

// The counters of the sorts.
struct ContadoresDeOrden {
    std::int64_t comparaciones = 0; // relational operators between two keys
    std::int64_t escrituras = 0;    // stores of a key into an array element
    Vivos reservadas;               // keys made by array allocation
    Cuentas cuentas() const
    {
        return {{"comparaciones", "escrituras"},
                {comparaciones, escrituras},
                {"memoria_extra"},
                {reservadas.pico}};
    }
};

// Runs `llamada` once with `contadores` and the active calls at zero and
// returns what it counted, with the depth of its recursion if it entered a
// recursive function.
template <typename Contadores, typename Llamada>
Cuentas contar(Contadores &contadores, Llamada &&llamada)
{
    contadores = Contadores{};
    llamadas_activas = Vivos{};
    llamada();
    Cuentas cuentas = contadores.cuentas();
    if (llamadas_activas.pico > 0)
        cuentas.anadir_pico("profundidad", llamadas_activas.pico);
    return cuentas;
}

// A sort key that counts every comparison between two keys, every store of
// a key into an element of an array, and the keys that arrays allocated
// during a call hold.
//
// A key made by array allocation (default construction, as new[] makes the
// elements) or from a value is an element. A copy of a key is not: it is a
// local initialised from an element, such as a held value, a pivot or the
// temporary of an exchange. Assignment stores into an element only if the
// target is one, and never changes what the target is; so copying a key into
// a local, by initialisation or by assignment, is not a write. A move keeps
// what the source was, so that a container moving its elements to a new
// block keeps them elements; the sorts never move keys.
//
// Memory is what array allocation makes: a key made by default construction
// is counted alive (in cuenta.reservadas) until it is destroyed, and so is
// one moved from such a key. A key made from a value is an element but no
// memory of an array: the algorithms make such keys only as temporaries,
// such as the one that carries mergesort's sentinel to its copy.
class ClaveContada
{
  public:
    static inline ContadoresDeOrden cuenta;

    int valor = 0;

    ClaveContada() : reservada(true) { cuenta.reservadas.nace(); }
    ClaveContada(int v) : valor(v) {}
    ClaveContada(const ClaveContada &otra) : valor(otra.valor), elemento(false) {}
    ClaveContada(ClaveContada &&otra) noexcept
        : valor(otra.valor), elemento(otra.elemento), reservada(otra.reservada)
    {
        if (reservada)
            cuenta.reservadas.nace();
    }
    ~ClaveContada()
    {
        if (reservada)
            cuenta.reservadas.muere();
    }

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
    bool reservada = false; // counted alive in cuenta.reservadas
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
