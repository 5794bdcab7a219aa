// Bubble sort that carries the smallest remaining value to the front of the
// range on every pass, with no early exit.
#pragma once

namespace
{

// Sorts T[inicial, final) into non-decreasing order and touches no other
// position. Neighbours are exchanged only when the right one is strictly
// smaller, so the sort is stable; it always makes m(m-1)/2 comparisons.
template <typename Clave> void burbuja_lims(Clave T[], int inicial, int final)
{
    for (int i = inicial; i < final - 1; ++i) {
        // T[inicial, i) holds the smallest values of the range, in order.
        for (int j = final - 1; j > i; --j) {
            if (T[j] < T[j - 1]) {
                Clave temporal = T[j];
                T[j] = T[j - 1];
                T[j - 1] = temporal;
            }
        }
    }
}

template <typename Clave> void burbuja(Clave T[], int n)
{
    burbuja_lims(T, 0, n);
}

} // namespace
