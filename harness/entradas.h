// Kinds of input for the sorting programs. Two builds of each take the kind
// as a second argument: the counting build, bench_X_cuentas N [ENTRADA], and
// a timed build with the default optimisation, bench_X_entradas N [ENTRADA];
// without one the input is `aleatoria`. Both are compiled with
// BENCH_ENTRADAS, under which harness/protocolo.h includes this header, in
// its middle: the reading of the size comes before it, and crear_entrada,
// which makes the chosen kind, after it. The other builds read the size
// alone.
//
// Every kind is made from the n values of random() that the other builds
// sort, before the measured call:
//   aleatoria      those values as they were drawn;
//   ordenada       the same values in non-decreasing order;
//   inversa        the same values in non-increasing order;
//   casi_ordenada  the ordered values after ceil(n/20) exchanges of two
//                  neighbours at random positions, so at most ceil(n/20)
//                  inversions;
//   pocas_claves   each value modulo 10: random values of only 10 keys.
// The first four hold the same values; only their order differs.
#pragma once

#include "harness/cuentas.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <utility>

namespace
{

enum class Entrada { aleatoria, ordenada, inversa, casi_ordenada, pocas_claves };

// Each kind under its name on the command line, in the order the messages
// list them.
constexpr std::array<std::pair<const char *, Entrada>, 5> ENTRADAS = {{
    {"aleatoria", Entrada::aleatoria},
    {"ordenada", Entrada::ordenada},
    {"inversa", Entrada::inversa},
    {"casi_ordenada", Entrada::casi_ordenada},
    {"pocas_claves", Entrada::pocas_claves},
}};

// The distinct keys of pocas_claves.
constexpr int POCAS_CLAVES = 10;

// casi_ordenada makes one exchange for every this many keys, rounded up.
constexpr int CLAVES_POR_INTERCAMBIO = 20;

// The kind of the runs' inputs, as the command line chose it.
inline Entrada entrada_elegida = Entrada::aleatoria;

// The line that lists the kinds, for the messages.
inline void listar_entradas(std::ostream &salida)
{
    salida << "Tipos de entrada:";
    for (const auto &[nombre, entrada] : ENTRADAS)
        salida << " " << nombre;
    salida << std::endl;
}

// The kind called `nombre`; an unknown name ends the program with a message
// that lists the kinds.
inline Entrada leer_entrada(const char *nombre)
{
    for (const auto &[conocido, entrada] : ENTRADAS)
        if (std::strcmp(nombre, conocido) == 0)
            return entrada;
    std::cerr << "ERROR: tipo de entrada desconocido: " << nombre << std::endl;
    listar_entradas(std::cerr);
    std::exit(1);
}

// The number of neighbour exchanges of casi_ordenada on n keys: ceil(n/20),
// none when there are fewer than two keys.
inline int intercambios_casi_ordenada(int n)
{
    if (n < 2)
        return 0;
    return n / CLAVES_POR_INTERCAMBIO + (n % CLAVES_POR_INTERCAMBIO != 0);
}

// The value of an element of the input: an int, or the counting key's.
inline int valor_de(int x)
{
    return x;
}
inline int valor_de(const ClaveContada &clave)
{
    return clave.valor;
}

// Turns T[0, n), values of random() as crear_entrada draws them, into an
// input of kind `entrada`. Only casi_ordenada draws more from the generator,
// one position per exchange. The keys are compared by their values, so the
// counting keys count nothing here (and the counts of the measured call
// start from zero anyway).
template <typename Clave> void preparar_entrada(Clave T[], int n, Entrada entrada)
{
    const auto menor = [](const Clave &a, const Clave &b) { return valor_de(a) < valor_de(b); };
    switch (entrada) {
    case Entrada::aleatoria:
        break;
    case Entrada::ordenada:
        std::sort(T, T + n, menor);
        break;
    case Entrada::inversa:
        std::sort(T, T + n, [&](const Clave &a, const Clave &b) { return menor(b, a); });
        break;
    case Entrada::casi_ordenada:
        std::sort(T, T + n, menor);
        for (int k = intercambios_casi_ordenada(n); k > 0; --k) {
            const int p = static_cast<int>(random() % (n - 1));
            std::swap(T[p], T[p + 1]);
        }
        break;
    case Entrada::pocas_claves:
        for (int j = 0; j < n; ++j)
            T[j] = valor_de(T[j]) % POCAS_CLAVES;
        break;
    }
}

// What main reads in these builds: the size as the harness reads it, then
// the kind, aleatoria if none is given; a third argument ends the program
// with a message.
//
// It takes the place of the harness's leer_talla in main because it is the
// better match for main's `char *argv[]`: the harness's takes
// `char *const argv[]`, which needs a qualification added. Calling that one
// here therefore needs the cast.
inline int leer_talla(int argc, char *argv[])
{
    const int n = leer_talla(argc, static_cast<char *const *>(argv));
    if (argc > 3) {
        std::cerr << "ERROR: sobra el argumento " << argv[3] << "\n"
                  << "Uso: " << argv[0] << " TALLA [ENTRADA]" << std::endl;
        listar_entradas(std::cerr);
        std::exit(1);
    }
    entrada_elegida = argc == 3 ? leer_entrada(argv[2]) : Entrada::aleatoria;
    return n;
}

} // namespace
