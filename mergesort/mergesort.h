// Top-down mergesort: each half of a range is copied into a temporary array
// closed by a sentinel, sorted there, and merged back; ranges shorter than
// UMBRAL_MS are sorted by insertion instead.
#pragma once

#include "harness/protocolo.h"
#include "insertion/insercion.h"

namespace
{

constexpr int UMBRAL_MS = 100;

// Closes each copy: no key is greater, so a half that has run out presents
// it and loses against every real key of the other half.
constexpr int CENTINELA = 2147483647;

// Sorts T[inicial, final) into non-decreasing order. Every split range gets
// a left copy of k + 1 and a right copy of m - k + 1 elements (k = m / 2),
// each closed by the sentinel; the left copy is sorted completely before the
// right one, and both are released by the call that made them. The counting
// build counts the depth on entry and on each return (harness/cuentas.h).
template <typename Clave> void mergesort_lims(Clave T[], int inicial, int final)
{
    if constexpr (CONTANDO)
        entrar_en_la_recursion();
    const int m = final - inicial;
    if (m < UMBRAL_MS) {
        insercion_lims(T, inicial, final);
        if constexpr (CONTANDO)
            salir_de_la_recursion();
        return;
    }
    const int k = m / 2;

    Clave *izquierda = reservar_vector<Clave>(k + 1);
    for (int p = 0; p < k; ++p)
        izquierda[p] = T[inicial + p];
    izquierda[k] = Clave(CENTINELA);

    Clave *derecha = reservar_vector<Clave>(m - k + 1);
    for (int p = 0; p < m - k; ++p)
        derecha[p] = T[inicial + k + p];
    derecha[m - k] = Clave(CENTINELA);

    mergesort_lims(izquierda, 0, k);
    mergesort_lims(derecha, 0, m - k);

    // One comparison per output element; on equal keys the right one goes
    // first. A real key equal to the sentinel ties with the right sentinel
    // once the right half has run out: then the left key is taken instead,
    // so b never passes the sentinel. The test of b lies on the path where
    // the right key is taken, and costs no comparison of keys.
    int a = 0;
    int b = 0;
    for (int i = 0; i < m; ++i) {
        // T[inicial, inicial + i) holds the i = a + b smallest keys, in order.
        if (izquierda[a] < derecha[b]) {
            T[inicial + i] = izquierda[a];
            ++a;
        } else if (b < m - k) {
            T[inicial + i] = derecha[b];
            ++b;
        } else {
            T[inicial + i] = izquierda[a];
            ++a;
        }
    }

    delete[] izquierda;
    delete[] derecha;
    if constexpr (CONTANDO)
        salir_de_la_recursion();
}

} // namespace
