// Adjustments of a finished 4096 x 3072 image, beside the rows they are
// measured against: a plain copy of the same bytes for the tone curves, and,
// when OpenCV is found, cv::rotate for the quarter turns and cv::filter2D
// (3 x 3, 8-bit BGR, mirrored border) for sharpening.  Single thread.
//   build/bench/pixmill_bench --benchmark_filter='Adjust|Reference'
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "pixmill.h"

#ifdef PIXMILL_BENCH_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

constexpr int kWidth = 4096, kHeight = 3072;
constexpr std::size_t kPixels = std::size_t(kWidth) * kHeight;

std::vector<std::uint8_t> randomImage(std::size_t bytes) {
    std::vector<std::uint8_t> image(bytes);
    std::mt19937 rng(7);
    for (auto& v : image) v = static_cast<std::uint8_t>(rng());
    return image;
}

void perPixel(benchmark::State& state) {
    state.counters["MP/s"] =
        benchmark::Counter(static_cast<double>(kPixels) * 1e-6 * state.iterations(), benchmark::Counter::kIsRate);
}

// Brightness and contrast map the 3 x 4096 x 3072 bytes of a BGR image.
void AdjustToneCurve(benchmark::State& state, decltype(&PmBrightness) entry, int amount) {
    const auto source = randomImage(kPixels * 3);
    std::vector<std::uint8_t> out(source.size());
    for (auto _ : state) {
        benchmark::DoNotOptimize(entry(source.data(), int(source.size()), amount, out.data()));
        benchmark::ClobberMemory();
    }
    perPixel(state);
}
BENCHMARK_CAPTURE(AdjustToneCurve, Brightness, PmBrightness, 40)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(AdjustToneCurve, Contrast, PmContrast, 40)->Unit(benchmark::kMillisecond);

void ReferenceCopy(benchmark::State& state) {
    const auto source = randomImage(kPixels * 3);
    std::vector<std::uint8_t> out(source.size());
    for (auto _ : state) {
        std::memcpy(out.data(), source.data(), source.size());
        benchmark::ClobberMemory();
    }
    perPixel(state);
}
BENCHMARK(ReferenceCopy)->Unit(benchmark::kMillisecond);

// Quarter turns of one 8-bit plane of the image.
void AdjustRotate(benchmark::State& state, decltype(&PmRotate90CW8B) entry) {
    const auto source = randomImage(kPixels);
    std::vector<std::uint8_t> out(kPixels);
    for (auto _ : state) {
        benchmark::DoNotOptimize(entry(source.data(), kWidth, kHeight, out.data()));
        benchmark::ClobberMemory();
    }
    perPixel(state);
}
BENCHMARK_CAPTURE(AdjustRotate, Clockwise, PmRotate90CW8B)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(AdjustRotate, CounterClockwise, PmRotate90CCW8B)->Unit(benchmark::kMillisecond);

void AdjustSharpen(benchmark::State& state) {
    const auto source = randomImage(kPixels * 3);
    std::vector<std::uint8_t> out(source.size());
    for (auto _ : state) {
        benchmark::DoNotOptimize(PmSharpen24B(source.data(), kWidth, kHeight, 1.0f, out.data()));
        benchmark::ClobberMemory();
    }
    perPixel(state);
}
BENCHMARK(AdjustSharpen)->Unit(benchmark::kMillisecond);

// The whole image as the region; corrected in place, so each run starts
// from the previous result (the speed does not depend on the colours).
void AdjustColorCorrection(benchmark::State& state) {
    auto image = randomImage(kPixels * 3);
    for (auto _ : state) {
        ROIColorCorrection(image.data(), 0, 0, kWidth, kHeight, kWidth, 0);
        benchmark::ClobberMemory();
    }
    perPixel(state);
}
BENCHMARK(AdjustColorCorrection)->Unit(benchmark::kMillisecond);

#ifdef PIXMILL_BENCH_OPENCV
void ReferenceCvRotate(benchmark::State& state, int code) {
    cv::setNumThreads(1);
    cv::Mat source(kHeight, kWidth, CV_8UC1), out;
    cv::randu(source, 0, 256);
    for (auto _ : state) {
        cv::rotate(source, out, code);
        benchmark::ClobberMemory();
    }
    perPixel(state);
}
BENCHMARK_CAPTURE(ReferenceCvRotate, Clockwise, cv::ROTATE_90_CLOCKWISE)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReferenceCvRotate, CounterClockwise, cv::ROTATE_90_COUNTERCLOCKWISE)
    ->Unit(benchmark::kMillisecond);

void ReferenceCvFilter3x3(benchmark::State& state) {
    cv::setNumThreads(1);
    cv::Mat source(kHeight, kWidth, CV_8UC3), out;
    cv::randu(source, 0, 256);
    const cv::Mat kernel = (cv::Mat_<float>(3, 3) << -1, -1, -1, -1, 9, -1, -1, -1, -1) / 1.0f;
    for (auto _ : state) {
        cv::filter2D(source, out, -1, kernel, cv::Point(-1, -1), 0, cv::BORDER_REFLECT_101);
        benchmark::ClobberMemory();
    }
    perPixel(state);
}
BENCHMARK(ReferenceCvFilter3x3)->Unit(benchmark::kMillisecond);

void ReferenceCvCopy(benchmark::State& state) {
    cv::setNumThreads(1);
    cv::Mat source(kHeight, kWidth, CV_8UC3), out(kHeight, kWidth, CV_8UC3);
    cv::randu(source, 0, 256);
    for (auto _ : state) {
        source.copyTo(out);
        benchmark::ClobberMemory();
    }
    perPixel(state);
}
BENCHMARK(ReferenceCvCopy)->Unit(benchmark::kMillisecond);
#endif

}  // namespace
