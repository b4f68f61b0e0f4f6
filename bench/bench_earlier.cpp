// Conversion speed of the earlier builds' own methods, in megapixels per
// second, each build's library loaded by path and called by name (the three
// builds export the same names, so they cannot be linked into one program).
//   build/bench/pixmill_bench --benchmark_filter='Earlier|OpenCV_VNG|OpenCV_EdgeAware'
#include <dlfcn.h>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "pixmill.h"

namespace {

using Entry = PmConvertBayerFunction;

Entry entryOf(const char* path, const char* name) {
    void* handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);  // kept loaded for the run
    return handle ? reinterpret_cast<Entry>(dlsym(handle, name)) : nullptr;
}

// The 1.1.2.0 build takes no null tables: "unmapped" rows pass identity
// tables, "Gamma" rows the curve of bench_convert.cpp.
void convertEarlier(benchmark::State& state, const char* path, const char* name, std::int32_t method, bool gamma) {
    const Entry entry = entryOf(path, name);
    if (entry == nullptr) {
        state.SkipWithError("library not loaded");
        return;
    }
    const auto width = static_cast<std::int32_t>(state.range(0));
    const auto height = static_cast<std::int32_t>(state.range(1));
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    std::vector<std::uint8_t> raw(pixels), image(pixels * 3), table(256);
    std::mt19937 rng(1);
    for (auto& v : raw) v = static_cast<std::uint8_t>(rng());
    for (int i = 0; i < 256; ++i)
        table[std::size_t(i)] = gamma ? static_cast<std::uint8_t>(255.0 * std::pow(i / 255.0, 0.45) + 0.5)
                                      : static_cast<std::uint8_t>(i);
    if (entry(image.data(), raw.data(), width, height, method, table.data(), table.data(), table.data(), 0, 1) != 1) {
        state.SkipWithError("conversion refused");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            entry(image.data(), raw.data(), width, height, method, table.data(), table.data(), table.data(), 0, 1));
        benchmark::ClobberMemory();
    }
    state.counters["MP/s"] = benchmark::Counter(static_cast<double>(pixels) * 1e-6 * state.iterations(),
                                                benchmark::Counter::kIsRate);
}

void frameSizes(benchmark::internal::Benchmark* b) {
    b->Args({1920, 1080})->Args({4096, 3072})->Unit(benchmark::kMillisecond);
}
// The colour-difference method's planes hold at most 1796 x 2396 pixels.
void planeSizes(benchmark::internal::Benchmark* b) {
    b->Args({1080, 1920})->Args({1792, 2392})->Unit(benchmark::kMillisecond);
}

#define PIXMILL_EARLIER(label, build, name, code, sizes)                                                          \
    BENCHMARK_CAPTURE(convertEarlier, label, PIXMILL_LIBRARY_##build, name, code, false)->Apply(sizes);           \
    BENCHMARK_CAPTURE(convertEarlier, label##Gamma, PIXMILL_LIBRARY_##build, name, code, true)->Apply(sizes)

PIXMILL_EARLIER(Earlier1501_Window, 1_5_0_1, "ConvertBayer2Rgb", 5, frameSizes);
PIXMILL_EARLIER(Earlier1501_MappedWindow, 1_5_0_1, "ConvertBayer2Rgb", 1, frameSizes);
PIXMILL_EARLIER(Earlier1120_TwoByTwo, 1_1_2_0, "ConvertBayer2Rgb", 1, frameSizes);
PIXMILL_EARLIER(Earlier1120_FloatMedian, 1_1_2_0, "ConvertBayer2Rgb", 3, frameSizes);
PIXMILL_EARLIER(Earlier1120_ColourPlanes, 1_1_2_0, "ConvertBayer2Rgb", 5, planeSizes);
PIXMILL_EARLIER(Earlier1120_DirectionalGuided, 1_1_2_0, "ConvertBayer2Rgb", 6, frameSizes);

}  // namespace
