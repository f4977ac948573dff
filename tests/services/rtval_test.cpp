// rtval follows the classic Val rules.
#include "Componentes.h"

#include <cctype>
#include <cmath>
#include <gtest/gtest.h>

namespace {

struct CasoVal {
    const char* texto;
    double esperado;
};

void PrintTo(const CasoVal& c, std::ostream* os) {
    *os << '"' << c.texto << '"';
}

class Rtval : public ::testing::TestWithParam<CasoVal> {};

TEST_P(Rtval, ComoVal) {
    rtqx5::libRTSA lib;
    const double v = lib.rtval(GetParam().texto);
    EXPECT_DOUBLE_EQ(v, GetParam().esperado) << '"' << GetParam().texto << '"';
    EXPECT_FALSE(std::signbit(v) && v == 0) << "cero negativo";
}

INSTANTIATE_TEST_SUITE_P(
    Tabla, Rtval,
    ::testing::Values(CasoVal{"", 0}, CasoVal{"abc", 0}, CasoVal{"12abc", 12}, CasoVal{"3.5", 3.5},
                      CasoVal{"  -4", -4}, CasoVal{"1e3", 1000}, CasoVal{"3306", 3306},
                      CasoVal{"\t\r\n 15", 15}, CasoVal{"+7", 7}, CasoVal{"1 2", 12},
                      CasoVal{" 1 615 198th Street", 1615198}, CasoVal{"- 4", -4}, CasoVal{"-", 0},
                      CasoVal{"--4", 0}, CasoVal{".5", 0.5}, CasoVal{"5.", 5},
                      CasoVal{"1.2.3", 1.2}, CasoVal{"1e", 1}, CasoVal{"1e+", 1},
                      CasoVal{"2E-2", 0.02}, CasoVal{"1.5d2", 150}, CasoVal{"1e 2", 100},
                      CasoVal{"-0", 0}, CasoVal{"0.0", 0}, CasoVal{"1,5", 1}, CasoVal{"&H1F", 31},
                      CasoVal{"&h1f", 31}, CasoVal{"&O17", 15}, CasoVal{"&o8", 0}, CasoVal{"&H", 0},
                      CasoVal{"&", 0}, CasoVal{"&X1", 0}, CasoVal{"&HFFFF", -1},
                      CasoVal{"&H8000", -32768}, CasoVal{"&H10000", 65536},
                      CasoVal{"&HFFFFFFFF", -1}, CasoVal{"&H7FFFFFFF", 2147483647},
                      CasoVal{"  &H 1 0", 16}, CasoVal{"1e-400", 0},
                      CasoVal{"99999999999999999999", 1e20}, CasoVal{"０", 0}),
    [](const ::testing::TestParamInfo<CasoVal>& info) {
        std::string n = "c" + std::to_string(info.index) + "_";
        for (const char* p = info.param.texto; *p; ++p)
            n += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
        return n;
    });

TEST(Rtval, DesbordamientoEsInfinitoConSigno) {
    rtqx5::libRTSA lib;
    EXPECT_TRUE(std::isinf(lib.rtval("1e400")));
    EXPECT_GT(lib.rtval("1e400"), 0);
    EXPECT_TRUE(std::isinf(lib.rtval("-1e400")));
    EXPECT_LT(lib.rtval("-1e400"), 0);
    EXPECT_TRUE(std::isinf(lib.rtval("  -1.8e308abc")));
}

} // namespace
