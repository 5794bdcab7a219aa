// The counting cell of the Floyd program and the cell type of its matrix:
// int in the timed builds, the counting cell in the counting build.
#pragma once

#include "harness/cuentas.h"

#include <cstdint>
#include <type_traits>

// The counters of Floyd's steps.
struct ContadoresDeFloyd {
    std::int64_t pasos = 0;   // comparisons of a path sum with its cell
    std::int64_t mejoras = 0; // steps whose sum is smaller: the cell changes
    Vivos celdas;             // cells alive
    Cuentas cuentas() const
    {
        return {{"pasos", "mejoras"}, {pasos, mejoras}, {"memoria_extra"}, {celdas.pico}};
    }
};

// A cell of the Floyd matrix that counts the steps, each the comparison of a
// path sum (an int) with the cell, and the improvements among them, and
// counts itself alive from its construction to its destruction (a cell has
// no room to tell an element from a copy, so it cannot be copied). It reads
// and stores as an int and has an int's size and uninitialised value, so a
// matrix of these cells is reserved, filled and released as one of ints.
class CeldaContada
{
  public:
    static inline ContadoresDeFloyd cuenta;

    CeldaContada() { cuenta.celdas.nace(); }
    CeldaContada(const CeldaContada &) = delete;
    ~CeldaContada() { cuenta.celdas.muere(); }
    CeldaContada &operator=(int v)
    {
        valor = v;
        return *this;
    }
    operator int() const { return valor; }

    friend bool operator<(int suma, const CeldaContada &celda)
    {
        ++cuenta.pasos;
        const bool mejora = suma < celda.valor;
        cuenta.mejoras += mejora;
        return mejora;
    }

    // The counters of a call of Floyd on a matrix of these cells.
    friend ContadoresDeFloyd &contadores_de(CeldaContada **) { return cuenta; }

  private:
    int valor;
};
static_assert(sizeof(CeldaContada) == sizeof(int));

// What the program's matrix holds.
using Celda = std::conditional_t<CONTANDO, CeldaContada, int>;
