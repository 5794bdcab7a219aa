// Towers of Hanoi: the bare recursion of moving m discs between pegs 1 to 3,
// with no discs, no moves recorded and no output.
#pragma once

#include "hanoi/cuentas_hanoi.h"

#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <sys/resource.h>

// The recursion of the transfer of m discs from peg i to peg j through the
// third peg, 6 - i - j. One call with m >= 0 discs makes 2^(m+1) - 1 calls,
// 2^m - 1 of them with m > 0, and nests m + 1 deep.
//
// The recursion computes nothing, so the optimiser would be free to drop it,
// collapse it or turn it into loops. Each call is therefore made observable:
// the empty asm on entry uses the arguments and touches memory, so every call
// happens with its own values, in order, and none moves out of the interval
// between the clock readings; the one on return keeps the second recursive
// call from becoming a jump back to the top, and noinline keeps each level a
// real call. The optimised build thus makes the same calls as the
// unoptimised one; neither asm emits an instruction.
//
// The counting build reports every call on entry to its counters
// (hanoi/cuentas_hanoi.h) and counts the depth on entry and on each return
// (harness/cuentas.h); in the timed builds those statements are discarded at
// compile time and leave no trace.
[[gnu::noinline]] inline void hanoi(int m, int i, int j)
{
    asm volatile("" : : "r"(m), "r"(i), "r"(j) : "memory");
    if constexpr (CONTANDO) {
        entrar_en_la_recursion();
        al_entrar_en_hanoi(m, i, j);
    }
    if (m <= 0) {
        if constexpr (CONTANDO)
            salir_de_la_recursion();
        return;
    }
    const int k = 6 - i - j;
    hanoi(m - 1, i, k);
    hanoi(m - 1, k, j);
    asm volatile("" : : : "memory");
    if constexpr (CONTANDO)
        salir_de_la_recursion();
}

// Stack bytes budgeted per nested call of hanoi. A frame, return address
// included, takes 32 bytes in the optimised build and 48 in the unoptimised
// one (with or without the sanitizers); 256 leaves a wide margin for other
// compilers and flags.
constexpr std::uint64_t BYTES_POR_LLAMADA = 256;

// Stack assumed when it has no limit: the main thread's stack then grows
// until it meets another mapping, which no limit tells in advance.
constexpr std::uint64_t PILA_SIN_LIMITE = std::uint64_t{1} << 30;

// The largest disc count whose recursion fits in a stack of `limite` bytes.
// Only half the stack goes to the recursion: the arguments and environment
// may take up to a quarter of it, and main and the library need some more.
inline std::int64_t discos_que_caben(rlim_t limite)
{
    const std::uint64_t pila =
        limite == RLIM_INFINITY ? PILA_SIN_LIMITE : static_cast<std::uint64_t>(limite);
    const std::uint64_t llamadas = pila / 2 / BYTES_POR_LLAMADA;
    return static_cast<std::int64_t>(llamadas) - 1; // n discs nest n + 1 calls
}

// Ends the program with a message when n discs would overflow the stack
// (the very first descent reaches the full depth, so it would die by a
// signal at once). Zero and negative counts make a single call.
inline void comprobar_profundidad(int n)
{
    rlimit pila{};
    if (getrlimit(RLIMIT_STACK, &pila) != 0)
        pila.rlim_cur = RLIM_INFINITY;
    const std::int64_t maximo = discos_que_caben(pila.rlim_cur);
    if (n > maximo) {
        std::cerr << "ERROR: " << n << " discos no caben en la pila (como mucho " << maximo
                  << " con el limite actual de pila)" << std::endl;
        std::exit(1);
    }
}
