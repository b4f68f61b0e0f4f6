// PIXMILL_CPU_MAX: each value caps the paths the library picks by itself (at
// the processor's own when that is lower), and the exports with vector paths
// give the same bytes under every cap.  The variable is read once per
// process, so each value runs in a child: this program re-run on this test
// alone, which writes the paths it picked and a digest of its output to the
// file the parent names.  Where the program runs under an emulator (the
// 32-bit suite under qemu-i386), PIXMILL_TEST_EMULATOR names it, and the
// child is started through it.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "adjust/vector_paths.h"
#include "demosaic/vector/vector_paths.h"
#include "pixmill.h"
#include "test_support.h"

using pm::simd::Path;
using pmtest::Bytes;

namespace {

const char kReportVariable[] = "PIXMILL_TEST_CPU_REPORT";

struct Digest {
    std::uint64_t value = 14695981039346656037ull;  // FNV-1a
    template <typename T>
    void add(const std::vector<T>& data) {
        const auto* p = reinterpret_cast<const std::uint8_t*>(data.data());
        for (std::size_t i = 0; i < data.size() * sizeof(T); ++i) value = (value ^ p[i]) * 1099511628211ull;
    }
};

// Every export that reaches a vector path: each code of both conversion
// entries through null and through real tables, 16-bit record conversion,
// the tone curve and sharpening.  Wide enough for the 64-pixel blocks and
// the 128-column tiles, tall enough for the 16-row tiles and 32-row bands.
std::uint64_t outputDigest() {
    constexpr int w = 262, h = 38;
    const Bytes raw = pmtest::randomBytes(std::size_t(w) * h, 11), red = pmtest::randomBytes(256, 12),
                green = pmtest::randomBytes(256, 13), blue = pmtest::randomBytes(256, 14);
    Digest digest;
    const PmConvertBayerFunction entries[] = {ConvertBayer2Rgb, ConvertBayer2RgbEx};
    for (auto entry : entries)
        for (int code = 0; code <= 9; ++code)
            for (bool tables : {false, true})
                for (int layout : {1, 4}) {
                    Bytes image(raw.size() * 3, 0x5A);
                    entry(image.data(), raw.data(), w, h, code, tables ? red.data() : nullptr,
                          tables ? green.data() : nullptr, tables ? blue.data() : nullptr, layout & 1, layout);
                    digest.add(image);
                }
    std::vector<std::uint16_t> raw16(raw.size()), image16(raw.size() * 3);
    for (std::size_t i = 0; i < raw.size(); ++i) raw16[i] = std::uint16_t(raw[i] * 257 + i % 7);
    PmConvertRecord record{image16.data(), 10, 0, 0, raw16.data(), 5, 0, 0, 1, w, h, 7, nullptr, nullptr, nullptr, 0};
    PmConvert(PM_OPERATION_CONVERT, &record, 0);
    digest.add(image16);
    const int stride = (3 * w + 3) / 4 * 4;
    const Bytes bgr = pmtest::randomBytes(std::size_t(stride) * h, 15);
    Bytes adjusted(bgr.size()), sharpened(bgr.size());
    PmContrast(bgr.data(), int(bgr.size()), 40, adjusted.data());
    PmSharpen24B(bgr.data(), w, h, 1.5f, sharpened.data());
    digest.add(adjusted);
    digest.add(sharpened);
    return digest.value;
}

struct Report {
    int best = -1, withAvx2 = -1, median = -1, adjust = -1;
    std::uint64_t digest = 0;
};

// This test alone in a child with PIXMILL_CPU_MAX set to `value` (unset for
// null), read back from its report file.
Report childReport(const char* value) {
    const std::string file = ::testing::TempDir() + "pixmill_cpu_cap_" + std::to_string(getpid());
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    EXPECT_GT(n, 0);
    if (n <= 0) return {};
    self[n] = '\0';
    const pid_t child = fork();
    if (child == 0) {
        if (value != nullptr)
            setenv("PIXMILL_CPU_MAX", value, 1);
        else
            unsetenv("PIXMILL_CPU_MAX");
        setenv(kReportVariable, file.c_str(), 1);
        // A sharded parent's shard could leave the one test out.
        unsetenv("GTEST_TOTAL_SHARDS");
        unsetenv("GTEST_SHARD_INDEX");
        std::freopen("/dev/null", "w", stdout);  // the child's test banner
        const char* filter = "--gtest_filter=CpuCap.EachValuePicksItsPathsAndKeepsTheBytes";
        if (const char* emulator = std::getenv("PIXMILL_TEST_EMULATOR"))
            execl(emulator, emulator, self, filter, static_cast<char*>(nullptr));
        else
            execl(self, self, filter, static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child for " << (value ? value : "(unset)");
    Report r;
    std::ifstream in(file);
    in >> r.best >> r.withAvx2 >> r.median >> r.adjust >> r.digest;
    std::remove(file.c_str());
    return r;
}

// The best of `order` the processor has, at or below `cap`.
int expectedPath(Path cap, std::initializer_list<Path> order) {
    for (Path p : order)
        if (p <= cap && pm::simd::pathAvailable(p)) return int(p);
    return int(Path::Scalar);
}

TEST(CpuCap, EachValuePicksItsPathsAndKeepsTheBytes) {
    if (const char* file = std::getenv(kReportVariable)) {
        std::ofstream(file) << int(pm::simd::bestPath()) << ' ' << int(pm::simd::bestPathWithAvx2()) << ' '
                            << int(pm::simd::hasAvx2()) << ' ' << int(pm::adjust::bestPath()) << ' '
                            << outputDigest() << '\n';
        return;
    }
    // Value, and the highest path it lets through (SSSE3 has no path; an
    // unknown value is taken as scalar; empty as unset).
    const struct {
        const char* value;
        Path cap;
    } kValues[] = {{nullptr, Path::Avx512}, {"", Path::Avx512},       {"scalar", Path::Scalar},
                   {"SSE2", Path::Sse2},    {"ssse3", Path::Sse2},    {"avx", Path::Avx},
                   {"Avx2", Path::Avx2},    {"avx512", Path::Avx512}, {"avx-2", Path::Scalar}};
    std::uint64_t digest = 0;
    for (const auto& v : kValues) {
        const Report r = childReport(v.value);
        const std::string context = std::string("PIXMILL_CPU_MAX=") + (v.value ? v.value : "(unset)");
        EXPECT_EQ(r.best, expectedPath(v.cap, {Path::Avx512, Path::Avx2, Path::Avx, Path::Sse2})) << context;
        const int withAvx2 = expectedPath(v.cap, {Path::Avx2, Path::Sse2});
        EXPECT_EQ(r.withAvx2, withAvx2) << context;
        EXPECT_EQ(r.median, int(withAvx2 == int(Path::Avx2))) << context;
        EXPECT_EQ(r.adjust, int(withAvx2 == int(Path::Avx2) ? pm::adjust::Path::Avx2 : pm::adjust::Path::Scalar))
            << context;
        if (digest == 0) digest = r.digest;
        EXPECT_EQ(r.digest, digest) << context << ": output bytes differ from the uncapped run";
    }
}

}  // namespace
