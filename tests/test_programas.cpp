// End-to-end runs of the built programs: the report line on success, and a
// message, exit status 1, empty standard output and no signal on bad input.
#include "proceso.h"

#include <gtest/gtest.h>
#include <regex>

namespace
{

// Every program that sorts an array, in every configuration.
const std::vector<std::string> PROGRAMAS_DE_VECTOR = {
    "bench_bubble",    "bench_bubble_O0",    "bench_insertion", "bench_insertion_O0",
    "bench_selection", "bench_selection_O0", "bench_mergesort", "bench_mergesort_O3",
    "bench_quicksort", "bench_quicksort_O0", "bench_heapsort",  "bench_heapsort_O0",
};

// One line: the size, one blank, the mean time as the stream writes a double.
void espera_informe(const Resultado &r, const std::string &talla)
{
    EXPECT_EQ(r.senal, 0);
    EXPECT_EQ(r.estado, 0);
    EXPECT_EQ(r.errores, "");
    EXPECT_TRUE(std::regex_match(r.salida, std::regex(talla + " -?[0-9.]+(e[-+][0-9]+)?\n")))
        << r.salida;
}

void espera_error(const Resultado &r, const std::string &fragmento)
{
    EXPECT_EQ(r.senal, 0);
    EXPECT_EQ(r.estado, 1);
    EXPECT_EQ(r.salida, "");
    EXPECT_NE(r.errores.find(fragmento), std::string::npos) << r.errores;
}

class ProgramaDeVector : public testing::TestWithParam<std::string>
{
};

TEST_P(ProgramaDeVector, InformaUnaLinea)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> casos = {
        {{"300"}, "300"},           {{"0"}, "0"},   {{"1"}, "1"},
        {{"12abc"}, "12"},          {{"abc"}, "0"}, {{" 7"}, "7"},
        {{"5", "extra", "9"}, "5"},
    };
    for (const auto &[args, talla] : casos)
        espera_informe(ejecutar(GetParam(), args), talla);
}

TEST_P(ProgramaDeVector, RechazaEntradasMalas)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> casos = {
        {{}, "Uso:"},
        {{"2147483648"}, "no cabe en un entero de 32 bits"},
        {{"-99999999999999999999"}, "no cabe en un entero de 32 bits"},
        {{"-5"}, "mayor o igual que 0"},
    };
    for (const auto &[args, fragmento] : casos)
        espera_error(ejecutar(GetParam(), args), fragmento);
}

TEST_P(ProgramaDeVector, SinMemoriaParaLaEntrada)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer necesita un espacio de direcciones sin límite";
#endif
    // 4 GB of input under a 1 GiB address space.
    espera_error(ejecutar(GetParam(), {"1000000000"}, rlim_t{1} << 30),
                 "No puedo reservar memoria");
}

// The sizes on either side of the repeated timing of small inputs.
TEST_P(ProgramaDeVector, InformaAmbosLadosDelUmbral)
{
    for (const std::string talla : {"2000", "2001"})
        espera_informe(ejecutar(GetParam(), {talla}), talla);
}

// The input fits, the first pair of mergesort copies does not: 200 MB of
// input and 100 MB more for the left copy under a 256 MiB address space.
TEST(Mergesort, SinMemoriaParaLasCopias)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer necesita un espacio de direcciones sin límite";
#endif
    for (const std::string programa : {"bench_mergesort", "bench_mergesort_O3"})
        espera_error(ejecutar(programa, {"50000000"}, rlim_t{256} << 20),
                     "No puedo reservar memoria para un vector de 25000001 elementos");
}

INSTANTIATE_TEST_SUITE_P(Programas, ProgramaDeVector, testing::ValuesIn(PROGRAMAS_DE_VECTOR));

} // namespace
