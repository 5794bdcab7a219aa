// The events builds (harness/eventos.h): their line, their sorts, and the
// region around the measured call, counted alone by the kernel's software
// counters here and by valgrind's callgrind when it is installed. Compiled
// with BENCH_EVENTOS, as those builds are.
#include "bubble/burbuja.h"
#include "harness/protocolo.h"
#include "harness/repeticion.h"
#include "heapsort/heapsort.h"
#include "insertion/insercion.h"
#include "mergesort/mergesort.h"
#include "proceso.h"
#include "quicksort/quicksort.h"
#include "selection/seleccion.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <regex>
#include <sstream>
#include <sys/mman.h>
#include <time.h>

namespace
{

// The events of one run under the name of their counter.
double evento(const Eventos &eventos, const std::string &nombre)
{
    for (std::size_t k = 0; k < N_CONTADORES; ++k)
        if (nombre == CONTADORES[k].nombre)
            return eventos.valores[k];
    ADD_FAILURE() << "no hay contador " << nombre;
    return 0;
}

// Whether the kernel gave this process the software counter `nombre`.
bool hay_contador(const std::string &nombre)
{
    const ContadoresDelProceso &contadores = contadores_del_proceso();
    for (std::size_t k = 0; k < N_CONTADORES; ++k)
        if (nombre == CONTADORES[k].nombre)
            return contadores.descriptores[k] >= 0;
    return false;
}

// The line of the events build, for counters in the given state: a
// descriptor of -1 is a counter refused with its error, any other one a
// counter that counted.
TEST(Eventos, LineaDeInforme)
{
    struct Caso {
        std::array<int, N_CONTADORES> descriptores;
        std::array<int, N_CONTADORES> errores;
        bool bajo_valgrind;
        std::string esperada;
    };
    Eventos acumulado;
    acumulado.valores = {3000, 30, 1, 0, 12, 3e9, 7};
    const std::string no = "no_disponible";
    const std::vector<Caso> casos = {
        {{3, 4, 5, 6, 7, 8, 9},
         {},
         false,
         "40 ejecuciones=3 reloj_de_tarea_ns=1000 fallos_de_pagina=10 "
         "ciclos=0.3333333333333333 instrucciones=0 saltos_fallidos=4 fallos_l1d=1000000000 "
         "fallos_ll=2.3333333333333335\n"},
        // The virtual machines: software counters only.
        {{3, 4, -1, -1, -1, -1, -1},
         {0, 0, ENOENT, ENOENT, ENOENT, ENOENT, ENOENT},
         false,
         "40 ejecuciones=3 reloj_de_tarea_ns=1000 fallos_de_pagina=10 ciclos=" + no +
             " instrucciones=" + no + " saltos_fallidos=" + no + " fallos_l1d=" + no +
             " fallos_ll=" + no + " motivo=ENOENT\n"},
        // The first refusal names the reason.
        {{-1, -1, -1, -1, -1, 8, -1},
         {EACCES, EACCES, ENOENT, ENOENT, ENOENT, 0, 1234},
         false,
         "40 ejecuciones=3 reloj_de_tarea_ns=" + no + " fallos_de_pagina=" + no + " ciclos=" + no +
             " instrucciones=" + no + " saltos_fallidos=" + no +
             " fallos_l1d=1000000000 fallos_ll=" + no + " motivo=EACCES\n"},
        {{-1, 4, 5, 6, 7, 8, 9},
         {1234, 0, 0, 0, 0, 0, 0},
         false,
         "40 ejecuciones=3 reloj_de_tarea_ns=" + no +
             " fallos_de_pagina=10 ciclos=0.3333333333333333 instrucciones=0 saltos_fallidos=4 "
             "fallos_l1d=1000000000 fallos_ll=2.3333333333333335 motivo=errno1234\n"},
        // Under the simulator no counter is opened, and none is missing.
        {{-1, -1, -1, -1, -1, -1, -1},
         {},
         true,
         "40 ejecuciones=3 reloj_de_tarea_ns=bajo_valgrind fallos_de_pagina=bajo_valgrind "
         "ciclos=bajo_valgrind instrucciones=bajo_valgrind saltos_fallidos=bajo_valgrind "
         "fallos_l1d=bajo_valgrind fallos_ll=bajo_valgrind\n"},
    };
    for (const auto &c : casos) {
        ContadoresDelProceso contadores;
        contadores.descriptores = c.descriptores;
        contadores.errores = c.errores;
        contadores.bajo_valgrind = c.bajo_valgrind;
        std::ostringstream salida;
        informar(40, acumulado, salida, contadores);
        EXPECT_EQ(salida.str(), c.esperada);
    }
}

// Every sort of the suite, measured as its events build measures it: the
// array sorted in place by one call.
TEST(Eventos, CadaOrdenacionOrdena)
{
    const std::vector<std::pair<std::string, std::function<void(int *, int)>>> ordenaciones = {
        {"seleccion", [](int *T, int n) { seleccion(T, n); }},
        {"burbuja", [](int *T, int n) { burbuja(T, n); }},
        {"insercion", [](int *T, int n) { insercion(T, n); }},
        {"quicksort", [](int *T, int n) { quicksort(T, n); }},
        {"heapsort", [](int *T, int n) { heapsort(T, n); }},
        {"mergesort", [](int *T, int n) { mergesort_lims(T, 0, n); }},
    };
    std::mt19937 azar(5);
    for (const auto &[nombre, ordenar] : ordenaciones)
        for (int n : {0, 1, 2, 57, 2001}) {
            std::vector<int> T(n);
            for (int &x : T)
                x = static_cast<int>(azar() % 1000);
            std::vector<int> esperado = T;
            std::sort(esperado.begin(), esperado.end());
            medir(T.data(), [&] { ordenar(T.data(), n); });
            EXPECT_EQ(T, esperado) << nombre << " n=" << n;
        }
}

// Selection sort and mergesort repeat the sorts of small inputs only where
// they are timed: the events build sorts T itself, once, on both sides of
// the threshold.
TEST(Eventos, SinRepeticionBajoElUmbral)
{
    for (int n : {0, 1, 2000, 2001}) {
        std::vector<int> T(n, 7);
        std::vector<int *> vistos;
        medir_ordenacion(T.data(), n, [&](int V[], int) { vistos.push_back(V); });
        EXPECT_EQ(vistos, std::vector<int *>{T.data()}) << "n=" << n;
    }
}

// Fresh anonymous pages, each faulted in on its own first touch (no huge
// pages), released at the end of the scope.
class Paginas
{
  public:
    explicit Paginas(std::size_t cuantas)
        : tam(static_cast<std::size_t>(sysconf(_SC_PAGE_SIZE))), bytes(cuantas * tam)
    {
        void *p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) {
            ADD_FAILURE() << "mmap de " << bytes << " bytes";
            p = nullptr;
            bytes = 0;
        } else {
            madvise(p, bytes, MADV_NOHUGEPAGE);
        }
        datos = static_cast<char *>(p);
    }
    Paginas(const Paginas &) = delete;
    ~Paginas()
    {
        if (datos != nullptr)
            munmap(datos, bytes);
    }
    void tocar()
    {
        for (std::size_t i = 0; i < bytes; i += tam)
            datos[i] = 1;
    }
    char *datos = nullptr;

  private:
    std::size_t tam;
    std::size_t bytes;
};

// The page faults of the region are those of the call: none of an input
// whose making touched 8192 pages, all of a call that touches 2048 fresh
// ones.
TEST(Eventos, FallosDePaginaDeLaLlamadaSola)
{
    if (!hay_contador("fallos_de_pagina"))
        GTEST_SKIP() << "el núcleo no da el contador de fallos de página a este proceso";
    Paginas entrada(8192);
    entrada.tocar();
    const Eventos sin_tocar = medir(entrada.datos, [&] { entrada.datos[0] += 1; });
    EXPECT_LE(evento(sin_tocar, "fallos_de_pagina"), 16);

    Paginas nuevas(2048);
    const Eventos tocando = medir(nuevas.datos, [&] { nuevas.tocar(); });
    EXPECT_GE(evento(tocando, "fallos_de_pagina"), 2048);
    // The address sanitizer's shadow takes a page for every eight touched.
    EXPECT_LE(evento(tocando, "fallos_de_pagina"), 2048 + 2048 / 8 + 64);
}

// Spends `tiempo` of this thread's processor time in user space: the clock
// is read only once in a million steps.
void gastar_procesador(std::chrono::nanoseconds tiempo)
{
    const auto ahora = [] {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec);
    };
    const auto fin = ahora() + tiempo;
    volatile unsigned pasos = 0;
    while (ahora() < fin)
        for (int k = 0; k < 1000000; ++k)
            pasos = pasos + 1;
}

// The task clock of the region is the call's processor time: about 30 ms,
// not the 300 ms spent making its input before it.
TEST(Eventos, RelojDeTareaDeLaLlamadaSola)
{
    if (!hay_contador("reloj_de_tarea_ns"))
        GTEST_SKIP() << "el núcleo no da el contador del reloj de tarea a este proceso";
    using namespace std::chrono_literals;
    int dato = 0;
    gastar_procesador(300ms);
    const Eventos eventos = medir(&dato, [] { gastar_procesador(30ms); });
    EXPECT_GE(evento(eventos, "reloj_de_tarea_ns"), 0.8 * 30e6);
    EXPECT_LE(evento(eventos, "reloj_de_tarea_ns"), 150e6);
}

// End to end: every events build reports its line, on both sides of the
// repeated timing's threshold and for each kind it takes; the bad arguments
// are refused as by the counting builds.
TEST(BenchEventos, LineaDeCadaPrograma)
{
    const std::string valor = "((0|[1-9][0-9]*)(\\.[0-9]+)?|no_disponible)";
    std::string campos = " ejecuciones=3";
    for (const auto &contador : CONTADORES)
        campos += std::string(" ") + contador.nombre + "=" + valor;
    campos += "( motivo=[A-Za-z0-9]+)?\n";
    std::vector<CasoDeOrden> casos = {
        {"bench_floyd_eventos", {"30"}, 0, "30" + campos},
        {"bench_hanoi_eventos", {"12"}, 0, "12" + campos},
        {"bench_hanoi_eventos", {"-3"}, 0, "-3" + campos},
        {"bench_floyd_eventos", {"0"}, 1, "", "Dimension"},
        {"bench_floyd_eventos", {"5", "ordenada"}, 1, "", "no toma tipo"},
        {"bench_hanoi_eventos", {"5", "ordenada"}, 1, "", "no toma tipo"},
    };
    for (const std::string p :
         {"selection", "bubble", "insertion", "quicksort", "heapsort", "mergesort"}) {
        const std::string programa = "bench_" + p + "_eventos";
        for (const std::string n : {"0", "2000", "2001"})
            casos.push_back({programa, {n}, 0, n + campos});
        for (const std::string tipo :
             {"aleatoria", "ordenada", "inversa", "casi_ordenada", "pocas_claves"})
            casos.push_back({programa, {"300", tipo}, 0, "300" + campos});
        casos.push_back({programa, {"10", "nada"}, 1, "", "tipo de entrada desconocido"});
        casos.push_back({programa, {"-5"}, 1, "", "mayor o igual que 0"});
        casos.push_back({programa, {}, 1, "", "Uso:"});
    }
    for (const auto &c : casos)
        comprobar_orden(c);
}

// The program's region leaves out the making of the input: 1000000 ordered
// keys take some 1000 pages, faulted in while they are drawn and sorted,
// and an insertion sort of them touches no new page.
TEST(BenchEventos, LaEntradaNoCuenta)
{
    const Resultado r = ejecutar("bench_insertion_eventos", {"1000000", "ordenada"});
    ASSERT_EQ(r.estado, 0) << r.errores;
    std::smatch m;
    ASSERT_TRUE(std::regex_search(r.salida, m, std::regex(" fallos_de_pagina=([^ ]+)")));
    if (m[1] == "no_disponible")
        GTEST_SKIP() << "el núcleo no da el contador de fallos de página a este proceso";
    EXPECT_LE(std::stod(m[1]), 4) << r.salida;
}

// valgrind's path on PATH, or empty.
std::string buscar_en_path(const std::string &programa)
{
    const char *path = std::getenv("PATH");
    std::istringstream directorios(path ? path : "");
    for (std::string directorio; std::getline(directorios, directorio, ':');) {
        const std::string ruta = (directorio.empty() ? "." : directorio) + "/" + programa;
        if (access(ruta.c_str(), X_OK) == 0)
            return ruta;
    }
    return "";
}

// The totals of a callgrind output file by event name: the names of its
// events: line and the numbers of its summary: line (missing trailing
// numbers are zeros).
std::map<std::string, double> totales_de_callgrind(const std::string &fichero)
{
    std::istringstream lineas(leer_fichero(fichero));
    std::vector<std::string> nombres;
    std::map<std::string, double> totales;
    for (std::string linea; std::getline(lineas, linea);) {
        std::istringstream campos(linea);
        std::string cabeza;
        campos >> cabeza;
        if (cabeza == "events:") {
            for (std::string nombre; campos >> nombre;)
                nombres.push_back(nombre);
        } else if (cabeza == "summary:") {
            for (const auto &nombre : nombres) {
                double valor = 0;
                campos >> valor;
                totales[nombre] = valor;
            }
        }
    }
    return totales;
}

// Runs the events build `programa` with `args` under callgrind, collecting
// from the start of the program or only in the measured calls' region, and
// returns callgrind's totals. Skips the test where valgrind cannot run.
std::map<std::string, double> bajo_callgrind(const std::string &programa,
                                             const std::vector<std::string> &args,
                                             bool desde_el_principio)
{
    const std::string valgrind = buscar_en_path("valgrind");
    char plantilla[] = "/tmp/bench_callgrindXXXXXX";
    const int fd = mkstemp(plantilla);
    close(fd);
    std::vector<std::string> orden = {
        "-q",
        "--tool=callgrind",
        "--cache-sim=yes",
        "--branch-sim=yes",
        std::string("--collect-atstart=") + (desde_el_principio ? "yes" : "no"),
        "--D1=32768,8,64",
        "--LL=1048576,16,64",
        std::string("--callgrind-out-file=") + plantilla,
        ruta_programa(programa),
    };
    orden.insert(orden.end(), args.begin(), args.end());
    const Resultado r = ejecutar_ruta(valgrind, orden);
    EXPECT_EQ(r.estado, 0) << r.errores;
    EXPECT_TRUE(std::regex_match(
        r.salida, std::regex(args[0] + " ejecuciones=3( [a-z_0-9]+=bajo_valgrind)+\n")))
        << r.salida;
    const auto totales = totales_de_callgrind(plantilla);
    unlink(plantilla);
    return totales;
}

// The reason to skip a test that runs valgrind, or empty.
std::string sin_valgrind()
{
#if defined(__SANITIZE_ADDRESS__)
    return "valgrind y el sanitizador de direcciones no se mezclan: valgrind no puede "
           "ejecutar un programa que reserva la memoria sombra del sanitizador";
#else
    if (buscar_en_path("valgrind").empty())
        return "valgrind no está en el PATH: instale el paquete valgrind (tools/preparar lo "
               "instala)";
    return "";
#endif
}

// Under callgrind, the region holds the three calls alone. An insertion
// sort of 100000 ordered keys is one comparison a key, about 10
// instructions; making each input (100000 values of random(), then sorted)
// takes some 17 million, which the whole program's count shows.
TEST(BenchEventosCallgrind, LaRegionCuentaSoloLaLlamada)
{
    if (const std::string motivo = sin_valgrind(); !motivo.empty())
        GTEST_SKIP() << motivo;
    const double n = 100000;
    const auto region = bajo_callgrind("bench_insertion_eventos", {"100000", "ordenada"}, false);
    const auto todo = bajo_callgrind("bench_insertion_eventos", {"100000", "ordenada"}, true);
    ASSERT_TRUE(region.count("Ir") && region.count("Bc") && region.count("Bcm"));
    const double por_ejecucion = region.at("Ir") / EJECUCIONES;
    EXPECT_GE(por_ejecucion, 5 * n);
    EXPECT_LE(por_ejecucion, 15 * n);
    // n - 1 comparisons and as many steps of the loop over the keys.
    EXPECT_NEAR(region.at("Bc") / EJECUCIONES, 2 * n, 100);
    // Ordered keys: the predictor learns both branches at once.
    EXPECT_LE(region.at("Bcm") / EJECUCIONES, 100);
    EXPECT_GE(todo.at("Ir"), 10 * region.at("Ir"));
}

// Hanoi's recursion, which works on no data, counted alone too: 2^(n+1) - 1
// calls of a few instructions each.
TEST(BenchEventosCallgrind, RecursionDeHanoi)
{
    if (const std::string motivo = sin_valgrind(); !motivo.empty())
        GTEST_SKIP() << motivo;
    const auto region = bajo_callgrind("bench_hanoi_eventos", {"12"}, false);
    const double llamadas = (2 << 12) - 1;
    EXPECT_GE(region.at("Ir") / EJECUCIONES, 5 * llamadas);
    EXPECT_LE(region.at("Ir") / EJECUCIONES, 30 * llamadas);
}

} // namespace
