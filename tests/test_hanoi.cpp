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

// Starts the program with n discs under a stack limit. A run that is deep
// enough to take long is stopped after a short while: its first descent,
// which reaches the full depth, is long over by then.
struct Arranque {
    Resultado resultado;
    bool seguia = false; // still running when stopped
};

Arranque con_pila(const std::string &programa, int n, rlim_t pila)
{
    char plantilla[] = "/tmp/bench_erroresXXXXXX";
    const int fd = mkstemp(plantilla);
    const std::string ruta = ruta_programa(programa), talla = std::to_string(n);
    const pid_t hijo = fork();
    if (hijo == 0) {
        dup2(fd, STDOUT_FILENO);
        dup2(fd, STDERR_FILENO);
        const rlimit limite{pila, pila};
        setrlimit(RLIMIT_STACK, &limite);
        execl(ruta.c_str(), ruta.c_str(), talla.c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    Arranque a;
    int estado = 0;
    pid_t fin = 0;
    for (int espera = 0; espera < 50 && fin == 0; ++espera) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        fin = waitpid(hijo, &estado, WNOHANG);
    }
    if (fin == 0) {
        a.seguia = true;
        kill(hijo, SIGKILL);
        waitpid(hijo, &estado, 0);
    } else if (WIFEXITED(estado)) {
        a.resultado.estado = WEXITSTATUS(estado);
    } else if (WIFSIGNALED(estado)) {
        a.resultado.senal = WTERMSIG(estado);
    }
    close(fd);
    a.resultado.errores = leer_fichero(plantilla);
    unlink(plantilla);
    return a;
}

TEST(BenchHanoi, RechazaUnaProfundidadQueNoCabe)
{
    const rlim_t pila = rlim_t{256} << 10;
    const int maximo = static_cast<int>(discos_que_caben(pila));
    for (const auto &programa : CONFIGURACIONES) {
        // The deepest accepted recursion runs on without overflowing the
        // stack (it would take forever, so it is stopped).
        const Arranque profundo = con_pila(programa, maximo, pila);
        EXPECT_TRUE(profundo.seguia)
            << programa << ": " << profundo.resultado.senal << " " << profundo.resultado.errores;

        const Arranque demasiado = con_pila(programa, maximo + 1, pila);
        EXPECT_FALSE(demasiado.seguia);
        EXPECT_EQ(demasiado.resultado.senal, 0);
        EXPECT_EQ(demasiado.resultado.estado, 1);
        EXPECT_EQ(demasiado.resultado.errores, "ERROR: " + std::to_string(maximo + 1) +
                                                   " discos no caben en la pila (como mucho " +
                                                   std::to_string(maximo) +
                                                   " con el limite actual de pila)\n");

        const Resultado enorme = ejecutar(programa, {"2147483647"});
        EXPECT_EQ(enorme.estado, 1);
        EXPECT_EQ(enorme.salida, "");
        EXPECT_NE(enorme.errores.find("no caben en la pila"), std::string::npos);
    }
}

} // namespace
