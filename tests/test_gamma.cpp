// Gamma table: the documented tables exactly, and every entry of many
// exponents against a long-double model that accepts both neighbours only
// where the exact value lies within a rounding error of an integer.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "pixmill.h"
#include "test_support.h"

using namespace pmtest;

namespace {

Bytes gammaTable(double gamma) {
    Bytes t(256, 0xA5);
    SetGammaLut(t.data(), gamma);
    return t;
}

// Lowest and highest acceptable entry i for an exponent already in range.
std::pair<int, int> modelEntry(int i, double gamma) {
    const long double x = static_cast<long double>(i * 0.00392156862745098);  // the double product, exactly
    const long double v = std::pow(x, static_cast<long double>(gamma)) * 255.0L;
    const long double slack = v * 1e-15L;  // a few units in the last place
    return {int(v - slack), int(v + slack)};
}

void expectPrefix(const Bytes& t, int first, std::vector<int> entries, const char* what) {
    for (std::size_t k = 0; k < entries.size(); ++k)
        EXPECT_EQ(entries[k], t[first + k]) << what << ", entry " << first + k;
}

TEST(GammaTable, DocumentedTables) {
    const Bytes g045 = gammaTable(0.45);
    expectPrefix(g045, 0, {0, 21, 28, 34, 39, 43, 47, 50}, "gamma 0.45");
    expectPrefix(g045, 252, {253, 254, 254, 255}, "gamma 0.45");
    const Bytes g22 = gammaTable(2.2);
    expectPrefix(g22, 0, {0, 0, 0, 0, 0, 0, 0, 0}, "gamma 2.2");
    expectPrefix(g22, 252, {248, 250, 252, 255}, "gamma 2.2");

    // Clamped exponents: everything at or below 0.1 (NaN too) is 0.1,
    // everything at or above 10 is 10.
    const Bytes low = gammaTable(0.1), high = gammaTable(10.0);
    EXPECT_EQ(146, low[1]);
    EXPECT_EQ(245, high[254]);
    EXPECT_EQ(0, high[128]);
    for (double g : {0.05, 0.0, -3.0, -std::numeric_limits<double>::infinity(), std::nan("")})
        EXPECT_TRUE(sameImage(low, gammaTable(g), 256, 1, "gamma " + std::to_string(g) + " vs 0.1"));
    for (double g : {25.0, 10.0000001, std::numeric_limits<double>::infinity()})
        EXPECT_TRUE(sameImage(high, gammaTable(g), 256, 1, "gamma " + std::to_string(g) + " vs 10"));
}

TEST(GammaTable, ExponentOneTruncatesTheScaledProduct) {
    // pow(x, 1) is x itself, so every entry is fixed by the double steps:
    // i times the stored reciprocal falls just below i / 255 for some i.
    const Bytes t = gammaTable(1.0);
    for (int i = 0; i < 256; ++i) {
        const double x = i * 0.00392156862745098;
        EXPECT_EQ(int(x * 255.0), t[i]) << "gamma 1, entry " << i;
    }
    expectPrefix(t, 32, {32, 32, 34}, "gamma 1");
}

TEST(GammaTable, MatchesModelForManyExponents) {
    std::mt19937 rng(3202);
    std::uniform_real_distribution<double> exponent(0.1, 10.0);
    std::vector<double> gammas = {0.1, 0.45, 1.0, 1.8, 2.2, 10.0};
    for (int k = 0; k < 200; ++k) gammas.push_back(exponent(rng));
    for (double g : gammas) {
        const Bytes t = gammaTable(g);
        EXPECT_EQ(0, t[0]) << "gamma " << g;
        EXPECT_EQ(255, t[255]) << "gamma " << g;
        for (int i = 1; i < 255; ++i) {
            const auto [lo, hi] = modelEntry(i, g);
            EXPECT_TRUE(t[i] >= lo && t[i] <= hi) << "gamma " << g << ", entry " << i << ": got " << int(t[i])
                                                  << ", expected " << lo << (hi != lo ? " or " + std::to_string(hi) : "");
        }
    }
}

TEST(GammaTable, NullTableIsIgnored) { SetGammaLut(nullptr, 2.2); }

}  // namespace
