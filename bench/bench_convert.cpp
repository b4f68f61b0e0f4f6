// Conversion speed of every method built so far, in megapixels per second,
// on a 64 x 64 frame, a full-HD frame and a 12-megapixel frame; the fastest
// methods also on each vector path the processor has (convertOnPath rows).
// Run by hand, not in CI:
//   build/bench/pixmill_bench --benchmark_filter=Bilinear
// The header lists the instruction sets of the processor, which decide the
// vector path every conversion takes.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "demosaic/method_paths.h"
#include "frame/library_state.h"
#include "pixmill.h"

namespace {

using Entry = PmConvertBayerFunction;

// A gamma-like curve: an arbitrary table, so the methods cannot skip the
// look-ups as they may when all three tables are the identity (null).
std::vector<std::uint8_t> gammaTable(double exponent) {
    std::vector<std::uint8_t> table(256);
    for (int i = 0; i < 256; ++i)
        table[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(255.0 * std::pow(i / 255.0, exponent) + 0.5);
    return table;
}

void frameSizes(benchmark::internal::Benchmark* b) {
    b->Args({64, 64})->Args({1920, 1080})->Args({4096, 3072})->Unit(benchmark::kMillisecond);
}

// Times convert(raw, image, width, height, red, green, blue) on a random
// frame of the benchmark's size, with null tables or three gamma-like curves.
template <typename Convert>
void timeFrames(benchmark::State& state, bool mapped, Convert&& convert) {
    const auto width = static_cast<std::int32_t>(state.range(0));
    const auto height = static_cast<std::int32_t>(state.range(1));
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    std::vector<std::uint8_t> raw(pixels), image(pixels * 3);
    std::mt19937 rng(1);
    for (auto& v : raw) v = static_cast<std::uint8_t>(rng());
    // Three different curves, one per channel, as a colour calibration gives.
    const std::vector<std::uint8_t> red = gammaTable(0.45), green = gammaTable(0.55), blue = gammaTable(0.65);
    const std::uint8_t* r = mapped ? red.data() : nullptr;
    const std::uint8_t* g = mapped ? green.data() : nullptr;
    const std::uint8_t* b = mapped ? blue.data() : nullptr;
    for (auto _ : state) {
        benchmark::DoNotOptimize(convert(raw.data(), image.data(), width, height, r, g, b));
        benchmark::ClobberMemory();
    }
    state.counters["MP/s"] = benchmark::Counter(static_cast<double>(pixels) * 1e-6 * state.iterations(),
                                                benchmark::Counter::kIsRate);
}

void convertFrame(benchmark::State& state, Entry entry, std::int32_t method, bool mapped = false) {
    timeFrames(state, mapped, [&](const std::uint8_t* raw, std::uint8_t* image, std::int32_t width,
                                  std::int32_t height, const std::uint8_t* r, const std::uint8_t* g,
                                  const std::uint8_t* b) {
        return entry(image, raw, width, height, method, r, g, b, 0, 1);
    });
}

// A method with vector paths on a path named by the row (the entries take
// the processor's best one), so that each path the processor has shows
// beside the OpenCV rows.  Tables are handed over as the entries hand them:
// null as the identity table.  The forward window follows the process-wide
// smoothing flag, which the SmoothedWindow rows have set by the time these
// run in a whole-suite run.
void convertOnPath(benchmark::State& state, decltype(&pm::bilinearOn) method, pm::simd::Path path, bool mapped) {
    timeFrames(state, mapped, [&](const std::uint8_t* raw, std::uint8_t* image, std::int32_t width,
                                  std::int32_t height, const std::uint8_t* r, const std::uint8_t* g,
                                  const std::uint8_t* b) {
        return method(path, raw, image, width, height, pm::tableOrIdentity(r), pm::tableOrIdentity(g),
                      pm::tableOrIdentity(b), 0, 1, pm::simd::Stores::Auto);
    });
}

void registerPathRows() {
    using pm::simd::Path;
    const std::pair<const char*, decltype(&pm::bilinearOn)> methods[] = {
        {"Bilinear", pm::bilinearOn},          {"MappedWindow", pm::mappedWindowOn},
        {"ForwardWindow", pm::forwardWindowOn}, {"RotatedTwoByTwo", pm::rotatedTwoByTwoOn},
        {"Gradient", pm::gradientDirectedOn},   {"GreenGuided", pm::greenGuidedOn},
        {"Laplacian", pm::laplacianGradientOn}, {"SortedMedian", pm::sortedMedianOn},
        {"CountedMedian", pm::countedMedianOn}};
    const std::pair<const char*, Path> paths[] = {{"AVX2", Path::Avx2}, {"AVX512", Path::Avx512}};
    for (const auto& [pathName, path] : paths) {
        if (!pm::simd::pathAvailable(path)) continue;
        for (const auto& [name, method] : methods)
            for (bool mapped : {false, true}) {
                const std::string row = std::string("convertOnPath/") + name + (mapped ? "Gamma/" : "/") + pathName;
                benchmark::RegisterBenchmark(row.c_str(), convertOnPath, method, path, mapped)->Apply(frameSizes);
            }
    }
}


// One line per method code of each entry; later methods add theirs here.
BENCHMARK_CAPTURE(convertFrame, Bilinear, ConvertBayer2Rgb, PM_METHOD_BILINEAR)->Apply(frameSizes);
BENCHMARK_CAPTURE(convertFrame, MappedWindow, ConvertBayer2Rgb, PM_METHOD_MAPPED_WINDOW)->Apply(frameSizes);
// Code 5 is unsmoothed only until code 7 or 9 has run in the process: it is
// registered first so that an unfiltered run times the unsmoothed variant.
BENCHMARK_CAPTURE(convertFrame, ForwardWindow, ConvertBayer2Rgb, PM_METHOD_FORWARD_WINDOW)->Apply(frameSizes);
BENCHMARK_CAPTURE(convertFrame, SmoothedWindow, ConvertBayer2Rgb, PM_METHOD_SMOOTHED_WINDOW)->Apply(frameSizes);
BENCHMARK_CAPTURE(convertFrame, RotatedTwoByTwo, ConvertBayer2Rgb, PM_METHOD_ROTATED_TWO_BY_TWO)
    ->Apply(frameSizes);
// The same through three gamma-like curves.
BENCHMARK_CAPTURE(convertFrame, BilinearGamma, ConvertBayer2Rgb, PM_METHOD_BILINEAR, true)->Apply(frameSizes);
BENCHMARK_CAPTURE(convertFrame, MappedWindowGamma, ConvertBayer2Rgb, PM_METHOD_MAPPED_WINDOW, true)
    ->Apply(frameSizes);
BENCHMARK_CAPTURE(convertFrame, SmoothedWindowGamma, ConvertBayer2Rgb, PM_METHOD_SMOOTHED_WINDOW, true)
    ->Apply(frameSizes);
BENCHMARK_CAPTURE(convertFrame, RotatedTwoByTwoGamma, ConvertBayer2Rgb, PM_METHOD_ROTATED_TWO_BY_TWO, true)
    ->Apply(frameSizes);

// Offset bilinear and gradient-directed interpolation, null and gamma tables.
BENCHMARK_CAPTURE(convertFrame, OffsetBilinear, ConvertBayer2Rgb, PM_METHOD_OFFSET_BILINEAR)->Apply(frameSizes);
BENCHMARK_CAPTURE(convertFrame, OffsetBilinearGamma, ConvertBayer2Rgb, PM_METHOD_OFFSET_BILINEAR, true)
    ->Apply(frameSizes);
BENCHMARK_CAPTURE(convertFrame, Gradient, ConvertBayer2Rgb, PM_METHOD_GRADIENT)->Apply(frameSizes);
BENCHMARK_CAPTURE(convertFrame, GradientGamma, ConvertBayer2Rgb, PM_METHOD_GRADIENT, true)->Apply(frameSizes);
// The median methods: code 3 of each entry, without and with tables.
BENCHMARK_CAPTURE(convertFrame, SortedMedian, ConvertBayer2Rgb, PM_METHOD_SORTED_MEDIAN)->Apply(frameSizes);
BENCHMARK_CAPTURE(convertFrame, CountedMedian, ConvertBayer2RgbEx, PM_METHOD_COUNTED_MEDIAN)->Apply(frameSizes);
BENCHMARK_CAPTURE(convertFrame, SortedMedianGamma, ConvertBayer2Rgb, PM_METHOD_SORTED_MEDIAN, true)
    ->Apply(frameSizes);
BENCHMARK_CAPTURE(convertFrame, CountedMedianGamma, ConvertBayer2RgbEx, PM_METHOD_COUNTED_MEDIAN, true)
    ->Apply(frameSizes);
// Green-guided (code 6) and Laplacian-corrected (code 8), null and gamma
// tables: compare with the OpenCV rows of the same run.
BENCHMARK_CAPTURE(convertFrame, GreenGuided, ConvertBayer2Rgb, PM_METHOD_GREEN_GUIDED)->Apply(frameSizes);
BENCHMARK_CAPTURE(convertFrame, GreenGuidedGamma, ConvertBayer2Rgb, PM_METHOD_GREEN_GUIDED, true)->Apply(frameSizes);
BENCHMARK_CAPTURE(convertFrame, Laplacian, ConvertBayer2Rgb, PM_METHOD_LAPLACIAN)->Apply(frameSizes);
BENCHMARK_CAPTURE(convertFrame, LaplacianGamma, ConvertBayer2Rgb, PM_METHOD_LAPLACIAN, true)->Apply(frameSizes);

}  // namespace

// The processor's vector instruction sets, as the library sees them.
std::string instructionSets() {
    std::string sets = "sse2";
#if defined(__x86_64__)
    const int has[] = {__builtin_cpu_supports("ssse3"), __builtin_cpu_supports("avx"),
                        __builtin_cpu_supports("avx2"), __builtin_cpu_supports("avx512f"),
                        __builtin_cpu_supports("avx512bw"), __builtin_cpu_supports("avx512vbmi")};
    const char* names[] = {"ssse3", "avx", "avx2", "avx512f", "avx512bw", "avx512vbmi"};
    for (std::size_t i = 0; i < sizeof has / sizeof has[0]; ++i)
        if (has[i] != 0) sets += std::string(" ") + names[i];
#endif
    return sets;
}

// About a third of a second of conversions before the first row, which would
// otherwise run on a processor still leaving its idle clock (the first row
// has measured a third slower than the same row run on its own).
void warmUp() {
    std::vector<std::uint8_t> raw(1920 * 1080, 117), image(raw.size() * 3);
    const auto start = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(300))
        benchmark::DoNotOptimize(ConvertBayer2Rgb(image.data(), raw.data(), 1920, 1080, PM_METHOD_BILINEAR, nullptr,
                                                  nullptr, nullptr, 0, 1));
}

int main(int argc, char** argv) {
    benchmark::AddCustomContext("instruction sets", instructionSets());
    // The conversion rows run on the path this caps (the per-path rows do not).
    if (const char* cap = std::getenv("PIXMILL_CPU_MAX")) benchmark::AddCustomContext("PIXMILL_CPU_MAX", cap);
    registerPathRows();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    warmUp();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
