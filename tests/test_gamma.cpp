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

TEST(GammaTable, DocumentedTables) {
    // Runs of entries from `first`; exponents at or below 0.1 (NaN too) are
    // 0.1, at or above 10 are 10.  Exponent 1 is fixed by the double steps:
    // i times the stored reciprocal falls just below i / 255 for some i.
    const struct {
        double gamma;
        int first;
        std::vector<int> entries;
    } runs[] = {{0.45, 0, {0, 21, 28, 34, 39, 43, 47, 50}}, {0.45, 252, {253, 254, 254, 255}},
                {2.2, 0, {0, 0, 0, 0, 0, 0, 0, 0}},         {2.2, 252, {248, 250, 252, 255}},
                {0.1, 1, {146}},                           {10.0, 254, {245}},
                {10.0, 128, {0}},                          {1.0, 32, {32, 32, 34}}};
    for (const auto& run : runs) {
        const Bytes t = gammaTable(run.gamma);
        for (std::size_t k = 0; k < run.entries.size(); ++k)
            EXPECT_EQ(run.entries[k], t[run.first + k]) << "gamma " << run.gamma << ", entry " << run.first + k;
    }
    for (double g : {0.05, 0.0, -3.0, -std::numeric_limits<double>::infinity(), std::nan("")})
        EXPECT_TRUE(sameImage(gammaTable(0.1), gammaTable(g), 256, 1, "gamma " + std::to_string(g) + " vs 0.1"));
    for (double g : {25.0, 10.0000001, std::numeric_limits<double>::infinity()})
        EXPECT_TRUE(sameImage(gammaTable(10.0), gammaTable(g), 256, 1, "gamma " + std::to_string(g) + " vs 10"));
    const Bytes one = gammaTable(1.0);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(int(i * 0.00392156862745098 * 255.0), one[i]) << "gamma 1, entry " << i;
    SetGammaLut(nullptr, 2.2);  // ignored
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

}  // namespace
