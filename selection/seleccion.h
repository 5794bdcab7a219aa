// Selection sort: for every position of the range, find the leftmost
// smallest key of what remains and exchange it into that position.
#pragma once

namespace
{

// Sorts T[inicial, final) into non-decreasing order and touches no other
// position. The scan starts at i itself and the comparison is strict, so
// the leftmost of equal minima is chosen; the exchange is made even when the
// minimum is already at i. Comparisons and exchanges do not depend on the
// order of the input: m(m + 1)/2 - 1 and m - 1 for m = final - inicial >= 2.
template <typename Clave> void seleccion_lims(Clave T[], int inicial, int final)
{
    for (int i = inicial; i < final - 1; ++i) {
        // T[inicial, i) holds the smallest keys of the range, in order.
        int posicion = i;
        Clave minimo = T[i];
        for (int j = i; j < final; ++j) {
            // minimo is T[posicion], the leftmost smallest key scanned so far.
            if (T[j] < minimo) {
                posicion = j;
                minimo = T[j];
            }
        }
        Clave temporal = T[i];
        T[i] = T[posicion];
        T[posicion] = temporal;
    }
}

template <typename Clave> void seleccion(Clave T[], int n)
{
    seleccion_lims(T, 0, n);
}

} // namespace
