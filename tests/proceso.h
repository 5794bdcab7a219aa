// Runs a program of the suite as a child process and collects what it wrote,
// how it ended, and whether a signal killed it.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

struct Resultado {
    std::string salida;  // standard output
    std::string errores; // standard error
    int estado = -1;     // exit status, -1 when killed by a signal
    int senal = 0;       // the signal that killed it, 0 when it exited
};

inline std::string ruta_programa(const std::string &nombre)
{
    return std::string(BENCH_BIN_DIR) + "/" + nombre;
}

inline std::string leer_fichero(const std::string &ruta)
{
    std::ifstream f(ruta, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

// Starts the program at `ruta` with the given arguments (none at all when
// the list is empty). A non-zero limite_memoria caps the child's address
// space in bytes, so that large allocations fail; a non-zero limite_pila caps
// its stack, so that deep recursion overflows it.
inline Resultado ejecutar_ruta(const std::string &ruta, const std::vector<std::string> &args,
                               rlim_t limite_memoria = 0, rlim_t limite_pila = 0)
{
    char plantilla_salida[] = "/tmp/bench_salidaXXXXXX";
    char plantilla_errores[] = "/tmp/bench_erroresXXXXXX";
    const int fd_salida = mkstemp(plantilla_salida);
    const int fd_errores = mkstemp(plantilla_errores);

    const pid_t hijo = fork();
    if (hijo == 0) {
        dup2(fd_salida, STDOUT_FILENO);
        dup2(fd_errores, STDERR_FILENO);
        if (limite_memoria != 0) {
            const rlimit limite{limite_memoria, limite_memoria};
            setrlimit(RLIMIT_AS, &limite);
        }
        if (limite_pila != 0) {
            const rlimit limite{limite_pila, limite_pila};
            setrlimit(RLIMIT_STACK, &limite);
        }
        std::vector<char *> argv{const_cast<char *>(ruta.c_str())};
        for (const auto &a : args)
            argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        execv(ruta.c_str(), argv.data());
        _exit(127);
    }
    int estado = 0;
    waitpid(hijo, &estado, 0);
    close(fd_salida);
    close(fd_errores);

    Resultado r;
    r.salida = leer_fichero(plantilla_salida);
    r.errores = leer_fichero(plantilla_errores);
    unlink(plantilla_salida);
    unlink(plantilla_errores);
    if (WIFEXITED(estado))
        r.estado = WEXITSTATUS(estado);
    else if (WIFSIGNALED(estado))
        r.senal = WTERMSIG(estado);
    return r;
}

// Starts BENCH_BIN_DIR/nombre, as ejecutar_ruta starts a program.
inline Resultado ejecutar(const std::string &nombre, const std::vector<std::string> &args,
                          rlim_t limite_memoria = 0, rlim_t limite_pila = 0)
{
    return ejecutar_ruta(ruta_programa(nombre), args, limite_memoria, limite_pila);
}

// One row of a table of command lines: the program and its arguments, the
// exit status, a pattern its standard output matches whole, and a fragment
// its standard error holds (nothing on it when empty).
struct CasoDeOrden {
    std::string programa;
    std::vector<std::string> args;
    int estado;
    std::string salida; // a pattern
    std::string error = "";
};

// Runs the row's command and checks how it ended and what it wrote.
inline void comprobar_orden(const CasoDeOrden &c)
{
    const Resultado r = ejecutar(c.programa, c.args);
    std::string orden = c.programa;
    for (const auto &a : c.args)
        orden += " " + a;
    EXPECT_EQ(r.senal, 0) << orden;
    EXPECT_EQ(r.estado, c.estado) << orden;
    EXPECT_TRUE(std::regex_match(r.salida, std::regex(c.salida))) << orden << ": " << r.salida;
    if (c.error.empty()) {
        EXPECT_EQ(r.errores, "") << orden;
    } else {
        EXPECT_NE(r.errores.find(c.error), std::string::npos) << orden << ": " << r.errores;
    }
}
