#include "hanoi/hanoi.h"
#include "proceso.h"

#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <regex>
#include <thread>

namespace
{

const std::vector<std::string> CONFIGURACIONES = {"bench_hanoi", "bench_hanoi_O0"};

TEST(Hanoi, DiscosQueCabenEnLaPila)
{
    // Half the stack at 256 bytes a call, less the call with no discs.
    const std::vector<std::pair<rlim_t, std::int64_t>> casos = {
        {rlim_t{8} << 20, 16383},
        {rlim_t{256} << 10, 511},
        {512, 0},
        {0, -1},
        {RLIM_INFINITY, (std::int64_t{1} << 21) - 1},
    };
    for (const auto &[limite, discos] : casos)
        EXPECT_EQ(discos_que_caben(limite), discos) << limite;
}

TEST(BenchHanoi, InformaUnaLinea)
{
    for (const auto &programa : CONFIGURACIONES)
        for (const auto &[arg, talla] : std::vector<std::pair<std::string, std::string>>{
                 {"-4", "-4"}, {"0", "0"}, {"abc", "0"}, {"3", "3"}, {"18", "18"}}) {
            const Resultado r = ejecutar(programa, {arg});
            EXPECT_EQ(r.senal, 0);
            EXPECT_EQ(r.estado, 0) << programa << " " << arg;
            EXPECT_EQ(r.errores, "");
            EXPECT_TRUE(std::regex_match(r.salida, std::regex(talla + " [0-9.]+(e[-+][0-9]+)?\n")))
                << r.salida;
        }
}

// Whether the program, started with n discs under a stack limit, is still
// running after half a second: its first descent reaches the full depth at
// once, so by then it has not overflowed the stack. It is stopped then.
bool sigue_con_pila(const std::string &programa, int n, rlim_t pila)
{
    const std::string ruta = ruta_programa(programa), talla = std::to_string(n);
    const pid_t hijo = fork();
    if (hijo == 0) {
        const rlimit limite{pila, pila};
        setrlimit(RLIMIT_STACK, &limite);
        execl(ruta.c_str(), ruta.c_str(), talla.c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const bool sigue = waitpid(hijo, nullptr, WNOHANG) == 0;
    kill(hijo, SIGKILL);
    waitpid(hijo, nullptr, 0);
    return sigue;
}

TEST(BenchHanoi, ProfundidadQueCabeYQueNo)
{
    rlimit pila{};
    ASSERT_EQ(getrlimit(RLIMIT_STACK, &pila), 0);
    const std::int64_t maximo = discos_que_caben(pila.rlim_cur);
    for (const auto &programa : CONFIGURACIONES) {
        // The deepest recursion accepted under a 256 KiB stack does not
        // overflow it (it would take for ever, so it is stopped).
        const rlim_t pequena = rlim_t{256} << 10;
        EXPECT_TRUE(sigue_con_pila(programa, static_cast<int>(discos_que_caben(pequena)), pequena))
            << programa;

        for (const std::int64_t n : {maximo + 1, std::int64_t{2147483647}}) {
            const Resultado r = ejecutar(programa, {std::to_string(n)});
            EXPECT_EQ(r.senal, 0);
            EXPECT_EQ(r.estado, 1);
            EXPECT_EQ(r.salida, "");
            EXPECT_EQ(r.errores, "ERROR: " + std::to_string(n) +
                                     " discos no caben en la pila (como mucho " +
                                     std::to_string(maximo) + " con el limite actual de pila)\n");
        }
    }
}

} // namespace
