// Square matrices of ints for the Floyd program: a row-pointer array of n
// pointers, each to its own separately reserved row of n ints, so M[i][j] is
// cell (i, j). The matrix does not know its size; every operation takes the
// n it was reserved with. The operations are templates over the type of the
// cells, which the program's counting build makes a counting cell of an
// int's size; the timed builds use int.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <new>
#include <unistd.h>

// Exclusive upper bound of the edge lengths: the weights run from 0 to 9.
constexpr int MAX_LONG = 10;

// Whether n rows of n ints plus the n row pointers need more bytes than the
// machine has. Such a matrix cannot be used: Linux hands out the rows anyway
// and then kills the process with no message while they are being filled.
// Computed as n > memoria / (bytes of one row and its pointer), which cannot
// overflow for any int n.
inline bool excede_la_memoria_fisica(int n)
{
    const long paginas = sysconf(_SC_PHYS_PAGES);
    const long tam_pagina = sysconf(_SC_PAGE_SIZE);
    if (paginas <= 0 || tam_pagina <= 0)
        return false;
    const std::uint64_t memoria =
        static_cast<std::uint64_t>(paginas) * static_cast<std::uint64_t>(tam_pagina);
    const std::uint64_t por_fila = static_cast<std::uint64_t>(n) * sizeof(int) + sizeof(int *);
    return static_cast<std::uint64_t>(n) > memoria / por_fila;
}

// A complete n x n matrix with a zero diagonal (each node's distance to
// itself); the other cells are left uninitialised. Never returns on failure:
// a dimension below 1 or a matrix that cannot be reserved ends the process
// with a message on standard error and exit status 1.
template <typename Celda = int> inline Celda **ReservaMatriz(int n)
{
    static_assert(sizeof(Celda) == sizeof(int), "the memory check counts rows of ints");
    if (n <= 0) {
        std::cerr << "\n ERROR: Dimension de la matriz debe ser mayor que 0" << std::endl;
        std::exit(1);
    }
    Celda **M = excede_la_memoria_fisica(n) ? nullptr : new (std::nothrow) Celda *[n];
    if (M == nullptr) {
        std::cerr << "\n ERROR: No puedo reservar memoria para un matriz de " << n << " x " << n
                  << "elementos" << std::endl;
        std::exit(1);
    }
    for (int i = 0; i < n; ++i) {
        // Rows 0 to i-1 are reserved and have a zero diagonal cell.
        M[i] = new (std::nothrow) Celda[n];
        if (M[i] == nullptr) {
            std::cerr << "ERROR: No puedo reservar memoria para un matriz de " << n << " x " << n
                      << std::endl;
            for (int f = 0; f < i; ++f)
                delete[] M[f];
            delete[] M;
            std::exit(1);
        }
        M[i][i] = 0;
    }
    return M;
}

// Writes every off-diagonal cell with rand() % MAX_LONG, in row-major order:
// exactly n(n-1) draws. The caller seeds the generator (srandom seeds rand
// too). The diagonal is neither drawn for nor written.
template <typename Celda> inline void RellenaMatriz(Celda **M, int n)
{
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            if (i != j)
                M[i][j] = std::rand() % MAX_LONG;
}

// Releases the rows in ascending order, then the row-pointer array, and
// leaves the caller's pointer null.
template <typename Celda> inline void LiberaMatriz(Celda **&M, int n)
{
    for (int i = 0; i < n; ++i)
        delete[] M[i];
    delete[] M;
    M = nullptr;
}
