// The record entry and the packed-frame unpacking: PmConvert's colour and
// grey conversions of 8-bit and 16-bit frames (megapixels per second; compare
// 8-bit colour with SmoothedWindow and 16-bit colour with OpenCV_Bilinear16),
// and both unpack functions (bytes_per_second counts the 16-bit output).
// The 16-bit conversions also on each of the AVX2 and AVX-512 paths the
// processor has (recordConvertOnPath rows).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "demosaic/colour_grey.h"
#include "frame/library_state.h"
#include "pixmill.h"

namespace {

void frameSizes(benchmark::internal::Benchmark* b) {
    b->Args({1920, 1080})->Args({4096, 3072})->Unit(benchmark::kMillisecond);
}

// Tables of every entry of the sample width through a gamma-like curve, or
// none (the identity tables).
template <typename Value>
std::vector<Value> gammaTable() {
    const std::size_t entries = std::size_t(1) << (8 * sizeof(Value));
    const double top = double(entries - 1);
    std::vector<Value> table(entries);
    for (std::size_t i = 0; i < entries; ++i)
        table[i] = static_cast<Value>(top * std::pow(double(i) / top, 0.45) + 0.5);
    return table;
}

// Times convert(raw, image, width, height, table) on a random frame, with
// null tables or the gamma-like curve for all three.
template <typename Value, typename Convert>
void timeRecordFrames(benchmark::State& state, bool grey, bool mapped, Convert&& convert) {
    const auto width = static_cast<std::int32_t>(state.range(0));
    const auto height = static_cast<std::int32_t>(state.range(1));
    const std::size_t pixels = std::size_t(width) * std::size_t(height);
    std::vector<Value> raw(pixels), image(pixels * (grey ? 1 : 3));
    std::mt19937 rng(1);
    for (auto& v : raw) v = static_cast<Value>(rng());
    const std::vector<Value> gamma = gammaTable<Value>();
    const Value* table = mapped ? gamma.data() : nullptr;
    for (auto _ : state) {
        benchmark::DoNotOptimize(convert(raw.data(), image.data(), width, height, table));
        benchmark::ClobberMemory();
    }
    state.counters["MP/s"] = benchmark::Counter(static_cast<double>(pixels) * 1e-6 * state.iterations(),
                                                benchmark::Counter::kIsRate);
}

template <typename Value>
void recordConvertSamples(benchmark::State& state, std::int32_t destFormat, bool mapped) {
    const bool grey = destFormat == PM_FORMAT_MONO8 || destFormat == PM_FORMAT_MONO16;
    const std::int32_t srcFormat = sizeof(Value) == 1 ? PM_FORMAT_RAW8 : PM_FORMAT_RAW16;
    timeRecordFrames<Value>(state, grey, mapped, [&](const Value* raw, Value* image, std::int32_t width,
                                                     std::int32_t height, const Value* table) {
        PmConvertRecord record{image, destFormat, 0, 0, raw, srcFormat, 0, 0,
                               PM_RECORD_LAYOUT_GBRG, width, height, PM_METHOD_SMOOTHED_WINDOW,
                               table, table, table, 0};
        return PmConvert(PM_OPERATION_CONVERT, &record, 0);
    });
}

// A 16-bit conversion on a path named by the row, tables handed over as the
// record entry hands them (null as the 16-bit identity table).
void recordConvertOnPath(benchmark::State& state, bool grey, bool mapped, pm::simd::Path path) {
    timeRecordFrames<std::uint16_t>(state, grey, mapped, [&](const std::uint16_t* raw, std::uint16_t* image,
                                                             std::int32_t width, std::int32_t height,
                                                             const std::uint16_t* table) {
        const void* t = table != nullptr ? static_cast<const void*>(table) : pm::identityTable16.data();
        const auto convert = grey ? pm::greyConversionOn : pm::colourConversionOn;
        return convert(path, raw, image, width, height, PM_FORMAT_RAW16, t, t, t, 0, PM_RECORD_LAYOUT_GBRG);
    });
}

// 8-bit or 16-bit samples by the destination format's channel width.
void recordConvert(benchmark::State& state, std::int32_t destFormat, bool mapped) {
    if (destFormat == PM_FORMAT_BGR16 || destFormat == PM_FORMAT_MONO16)
        recordConvertSamples<std::uint16_t>(state, destFormat, mapped);
    else
        recordConvertSamples<std::uint8_t>(state, destFormat, mapped);
}

BENCHMARK_CAPTURE(recordConvert, Colour8, PM_FORMAT_BGR8, false)->Apply(frameSizes);
BENCHMARK_CAPTURE(recordConvert, Colour8Gamma, PM_FORMAT_BGR8, true)->Apply(frameSizes);
BENCHMARK_CAPTURE(recordConvert, Colour16, PM_FORMAT_BGR16, false)->Apply(frameSizes);
BENCHMARK_CAPTURE(recordConvert, Colour16Gamma, PM_FORMAT_BGR16, true)->Apply(frameSizes);
BENCHMARK_CAPTURE(recordConvert, Grey8, PM_FORMAT_MONO8, false)->Apply(frameSizes);
BENCHMARK_CAPTURE(recordConvert, Grey16, PM_FORMAT_MONO16, false)->Apply(frameSizes);
BENCHMARK_CAPTURE(recordConvert, Grey16Gamma, PM_FORMAT_MONO16, true)->Apply(frameSizes);

// Registered before the benchmarks run (a static object's constructor):
// only the paths this processor has.
const bool pathRows = [] {
    using pm::simd::Path;
#if defined(__x86_64__)
    __builtin_cpu_init();  // the processor check may run before the runtime's own
#endif
    const std::pair<const char*, Path> paths[] = {{"AVX2", Path::Avx2}, {"AVX512", Path::Avx512}};
    for (const auto& [pathName, path] : paths) {
        if (!pm::simd::pathAvailable(path)) continue;
        for (bool grey : {false, true})
            for (bool mapped : {false, true}) {
                const std::string row = std::string("recordConvertOnPath/") + (grey ? "Grey16" : "Colour16") +
                                        (mapped ? "Gamma/" : "/") + pathName;
                benchmark::RegisterBenchmark(row.c_str(), recordConvertOnPath, grey, mapped, path)->Apply(frameSizes);
            }
    }
    return true;
}();

void unpackFrame(benchmark::State& state, void (*unpack)(const void*, uint16_t*, int32_t, int32_t), int bits) {
    const auto width = static_cast<std::int32_t>(state.range(0));
    const auto height = static_cast<std::int32_t>(state.range(1));
    const std::size_t samples = std::size_t(width) * std::size_t(height);
    const std::size_t packedBytes = bits == 10 ? (samples + 2) / 3 * 4 : (samples * 12 + 7) / 8;
    std::vector<std::uint8_t> packed(packedBytes);
    std::vector<std::uint16_t> out(samples);
    std::mt19937 rng(2);
    for (auto& b : packed) b = static_cast<std::uint8_t>(rng());
    for (auto _ : state) {
        unpack(packed.data(), out.data(), width, height);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(samples * 2) * state.iterations());
}

BENCHMARK_CAPTURE(unpackFrame, Raw10, Raw10PackedToRaw16, 10)->Apply(frameSizes);
BENCHMARK_CAPTURE(unpackFrame, Raw12, Raw12PackedToRaw16, 12)->Apply(frameSizes);

}  // namespace
