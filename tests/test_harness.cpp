#include "harness/protocolo.h"

#include <cstring>
#include <gtest/gtest.h>
#include <set>
#include <sstream>
#include <thread>
#include <vector>

namespace
{

int talla(const char *texto)
{
    char programa[] = "bench";
    std::vector<char> argumento(texto, texto + std::strlen(texto) + 1);
    char *argv[] = {programa, argumento.data(), nullptr};
    return leer_talla(2, argv);
}

TEST(Harness, LeeLaTallaComoAtoi)
{
    const std::vector<std::pair<const char *, int>> casos = {
        {"5000", 5000},
        {"12abc", 12},
        {"abc", 0},
        {" 7", 7},
        {"\t\n 8", 8},
        {"+9", 9},
        {"-3", -3},
        {"", 0},
        {"-", 0},
        {"0x10", 0},
        {"007", 7},
        {"3.9", 3},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
    };
    for (const auto &[texto, esperado] : casos)
        EXPECT_EQ(talla(texto), esperado) << '"' << texto << '"';
}

TEST(Harness, LineaDeInforme)
{
    const std::vector<std::tuple<int, double, std::string>> casos = {
        {5000, 3 * 0.000123456789, "5000 0.000123457\n"},
        {10, 3 * 0.0000123456, "10 1.23456e-05\n"},
        {7, 3 * 12.3457, "7 12.3457\n"},
        {0, 0.0, "0 0\n"},
        {-4, 3 * 1.5e-05, "-4 1.5e-05\n"},
    };
    for (const auto &[n, acumulado, esperado] : casos) {
        std::ostringstream salida;
        informar(n, Segundos(acumulado), salida);
        EXPECT_EQ(salida.str(), esperado);
    }
}

TEST(Harness, EntradaAleatoriaSembradaConLaHora)
{
    // Two inputs made within the same second are equal; retry when the
    // second changed between them.
    for (int intento = 0; intento < 5; ++intento) {
        const time_t antes = time(nullptr);
        int *a = crear_entrada(1000);
        int *b = crear_entrada(1000);
        const bool mismo_segundo = time(nullptr) == antes;
        const std::vector<int> va(a, a + 1000), vb(b, b + 1000);
        delete[] a;
        delete[] b;
        if (!mismo_segundo)
            continue;
        EXPECT_EQ(va, vb);
        EXPECT_TRUE(std::all_of(va.begin(), va.end(), [](int x) { return x >= 0; }));
        EXPECT_GT(std::set<int>(va.begin(), va.end()).size(), 990u);
        return;
    }
    FAIL() << "the clock's second kept changing";
}

TEST(Harness, EntradasDeSegundosDistintosDifieren)
{
    // The seed is the current time: an input made in another second is
    // another input (a constant seed would make every run sort the same).
    int *a = crear_entrada(1000);
    const time_t antes = time(nullptr);
    while (time(nullptr) == antes)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    int *b = crear_entrada(1000);
    EXPECT_NE(std::vector<int>(a, a + 1000), std::vector<int>(b, b + 1000));
    delete[] a;
    delete[] b;
}

TEST(Harness, DuracionEnSegundosDesdeNanosegundos)
{
    EXPECT_DOUBLE_EQ(a_segundos(std::chrono::nanoseconds(1'500'000'000)).count(), 1.5);
    EXPECT_DOUBLE_EQ(a_segundos(std::chrono::nanoseconds(-250)).count(), -2.5e-07);
    // Timing a call returns a non-negative duration and runs the call once,
    // on data or on none (named by an object that is not a pointer).
    int llamadas = 0;
    int datos[1] = {0};
    EXPECT_GE(medir(datos, [&] { ++llamadas; }).count(), 0.0);
    EXPECT_EQ(llamadas, 1);
    struct SinDatos {
    };
    EXPECT_GE(medir(SinDatos{}, [&] { ++llamadas; }).count(), 0.0);
    EXPECT_EQ(llamadas, 2);
}

} // namespace
