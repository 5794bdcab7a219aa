// The counters of the Hanoi program and the tag that names its recursion to
// the harness.
#pragma once

#include "harness/cuentas.h"

#include <cstdint>

// The counters of the calls of hanoi. The depth of its recursion is counted
// by the harness, as that of every recursive function.
struct ContadoresDeHanoi {
    std::int64_t llamadas = 0;    // calls of hanoi
    std::int64_t movimientos = 0; // calls with at least one disc: the moves
    Cuentas cuentas() const { return {{"llamadas", "movimientos"}, {llamadas, movimientos}}; }
};

// The calls of hanoi in the counting build.
inline ContadoresDeHanoi cuenta_hanoi;

inline void contar_llamada_hanoi(int m, int, int)
{
    ++cuenta_hanoi.llamadas;
    if (m > 0)
        ++cuenta_hanoi.movimientos;
}

// What hanoi calls on entry, with its arguments, in the counting build: the
// count above, unless a test puts a recorder of the calls in its place.
inline void (*al_entrar_en_hanoi)(int m, int i, int j) = contar_llamada_hanoi;

// What the program measures: the recursion of hanoi, which works on no data.
// The timed builds time it with barriers that hold no data (its calls make
// themselves observable); the counting build counts it with the counters
// above.
struct RecursionDeHanoi {
    friend ContadoresDeHanoi &contadores_de(RecursionDeHanoi) { return cuenta_hanoi; }
};
