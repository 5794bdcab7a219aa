// Heapsort on an implicit binary max-heap with its root at position 0.
#pragma once

namespace
{

// Given that the subtrees below the children of k (2k + 1 and 2k + 2) are
// max-heaps within T[0, m), makes the subtree rooted at k one too. The held
// value goes down as a hole: each larger child moves up with one write and
// the held value is stored once at the end. On equal children the left one
// is taken; a child equal to the held value stays where it is.
template <typename Clave> void reajustar(Clave T[], int m, int k)
{
    const Clave v = T[k];
    while (k < m / 2) {
        // T[k] is a hole; v belongs at k or below it.
        int j = 2 * k + 1;
        if (j < m - 1 && T[j] < T[j + 1])
            ++j;
        if (v >= T[j])
            break;
        T[k] = T[j];
        k = j;
    }
    T[k] = v;
}

// Sorts T[0, n) into non-decreasing order.
template <typename Clave> void heapsort(Clave T[], int n)
{
    for (int i = n / 2 - 1; i >= 0; --i)
        reajustar(T, n, i);
    for (int i = n - 1; i >= 1; --i) {
        // T[0, i] is a max-heap; T(i, n) holds the largest values, in order.
        Clave temporal = T[0];
        T[0] = T[i];
        T[i] = temporal;
        reajustar(T, i, 0);
    }
}

} // namespace
