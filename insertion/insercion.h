// Insertion sort by exchanges of neighbours. The quicksort and mergesort
// programs include this header too and sort their short ranges with
// insercion_lims; each program gets its own private copy.
#pragma once

namespace
{

// Sorts T[inicial, final) into non-decreasing order and touches no other
// position. The element being inserted moves down only past strictly greater
// neighbours, so the sort is stable; each step is a full exchange (two
// element writes), not a shift into a hole.
template <typename Clave> void insercion_lims(Clave T[], int inicial, int final)
{
    for (int i = inicial + 1; i < final; ++i) {
        // T[inicial, i) is in non-decreasing order.
        int j = i;
        // The bound is tested before the elements: T[inicial - 1] is never read.
        while (j > inicial && T[j] < T[j - 1]) {
            Clave temporal = T[j];
            T[j] = T[j - 1];
            T[j - 1] = temporal;
            --j;
        }
    }
}

template <typename Clave> void insercion(Clave T[], int n)
{
    insercion_lims(T, 0, n);
}

} // namespace
