// Reference rows: OpenCV's own conversions on the same frames, single thread,
// so that every Pixmill row reads as a ratio against a row of the same run.
// Built only when OpenCV is found.
#ifdef PIXMILL_BENCH_OPENCV
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <cstdint>
#include <random>

namespace {

void cvBayerConvert(benchmark::State& state, int code, int depth) {
    cv::setNumThreads(1);
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    cv::Mat raw(height, width, CV_MAKETYPE(depth, 1)), image;
    cv::randu(raw, 0, depth == CV_8U ? 256 : 65536);
    for (auto _ : state) {
        cv::cvtColor(raw, image, code);
        benchmark::ClobberMemory();
    }
    state.counters["MP/s"] = benchmark::Counter(static_cast<double>(width) * height * 1e-6 * state.iterations(),
                                                benchmark::Counter::kIsRate);
}

void frameSizes(benchmark::internal::Benchmark* b) {
    b->Args({1920, 1080})->Args({4096, 3072})->Unit(benchmark::kMillisecond);
}

// Layout code 1 (green, blue / red, green) is OpenCV's GB pattern.
BENCHMARK_CAPTURE(cvBayerConvert, OpenCV_Bilinear, cv::COLOR_BayerGB2BGR, CV_8U)->Apply(frameSizes);
BENCHMARK_CAPTURE(cvBayerConvert, OpenCV_EdgeAware, cv::COLOR_BayerGB2BGR_EA, CV_8U)->Apply(frameSizes);
BENCHMARK_CAPTURE(cvBayerConvert, OpenCV_VNG, cv::COLOR_BayerGB2BGR_VNG, CV_8U)->Apply(frameSizes);
BENCHMARK_CAPTURE(cvBayerConvert, OpenCV_Bilinear16, cv::COLOR_BayerGB2BGR, CV_16U)->Apply(frameSizes);

}  // namespace
#endif
