// Quicksort around the first element of each range; ranges shorter than
// UMBRAL_QS are finished by the insertion sort of the insertion program.
#pragma once

#include "harness/cuentas.h"
#include "insertion/insercion.h"

namespace
{

// Ranges with fewer elements than this are not partitioned.
constexpr int UMBRAL_QS = 50;

// Partitions T[inicial, final) around pivote = T[inicial] and leaves the
// pivot's final position in pp: afterwards T[inicial, pp) <= pivote,
// T[pp] == pivote and T(pp, final) > pivote, so every element equal to the
// pivot ends on the left. Needs final - inicial >= 2; touches nothing outside
// the range.
template <typename Clave> void dividir_qs(Clave T[], int inicial, int final, int &pp)
{
    const Clave pivote = T[inicial];
    int k = inicial;
    int l = final;
    // Only this first scan tests its bound (element first, then bound): no
    // element greater than the pivot need lie to its right.
    do {
        ++k;
    } while (T[k] <= pivote && k < final - 1);
    // T[inicial] holds the pivot and stops this scan at the latest.
    do {
        --l;
    } while (T[l] > pivote);
    while (k < l) {
        // T(inicial, k) <= pivote and T(l, final) > pivote.
        Clave temporal = T[k];
        T[k] = T[l];
        T[l] = temporal;
        // The value just stored at l is > pivote and stops the left scan; the
        // one stored at k is <= pivote and stops the right one: no bound test.
        do {
            ++k;
        } while (T[k] <= pivote);
        do {
            --l;
        } while (T[l] > pivote);
    }
    Clave temporal = T[inicial];
    T[inicial] = T[l];
    T[l] = temporal;
    pp = l;
}

// Sorts T[inicial, final) into non-decreasing order and touches no other
// position. The smaller side of each partition is sorted by a recursive call
// and the larger one by the loop, in place of a second call. Every range is
// partitioned as if both sides were calls (the sides are disjoint, so the
// order in which they are sorted changes no comparison or exchange), but a
// nested call gets at most half of its caller's range: at most log2 n + 1
// frames on any input, sorted, reversed or of equal keys alike.
template <typename Clave> void quicksort_lims(Clave T[], int inicial, int final)
{
    if constexpr (CONTANDO)
        entrar_en_la_recursion();
    while (final - inicial >= UMBRAL_QS) {
        int pp;
        dividir_qs(T, inicial, final, pp);
        if (pp - inicial <= final - (pp + 1)) {
            quicksort_lims(T, inicial, pp);
            inicial = pp + 1;
        } else {
            quicksort_lims(T, pp + 1, final);
            final = pp;
        }
    }
    insercion_lims(T, inicial, final);
    if constexpr (CONTANDO)
        salir_de_la_recursion();
}

template <typename Clave> void quicksort(Clave T[], int n)
{
    quicksort_lims(T, 0, n);
}

} // namespace
