// Floyd's all-pairs shortest paths on a square matrix of floyd/matriz.h.
#pragma once

#include "floyd/cuentas_floyd.h"

// Rewrites M in place: afterwards M[i][j] (i != j) is the length of a
// shortest path from i to j. Exactly n^3 steps; each one stores its cell
// back, changed or not. With a diagonal of non-negative values row k and
// column k do not change during pass k, so updating in place is safe.
// Cells are ints, or in the counting build the cells of
// floyd/cuentas_floyd.h, which count the steps.
template <typename Celda> inline void Floyd(Celda **M, int n)
{
    for (int k = 0; k < n; ++k)
        // Every M[i][j] is a shortest path whose intermediate nodes are below k.
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) {
                const int s = M[i][k] + M[k][j];
                M[i][j] = s < M[i][j] ? s : M[i][j];
            }
}
