// Reference rows: OpenCV's own conversions on the same frames, single thread,
// so that every Pixmill row reads as a ratio against a row of the same run.
// Built only when OpenCV is found.
#ifdef PIXMILL_BENCH_OPENCV
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <cmath>
#include <cstdint>
#include <random>

namespace {

// What an OpenCV user does after the conversion to get the output of some
// methods: nothing, curves per channel (cv::LUT with three gamma-like curves,
// as the Gamma rows of bench_convert.cpp), or a quarter turn clockwise (the
// output of method code 9).
enum class After { Nothing, Curves, Rotate };

cv::Mat curves() {
    cv::Mat table(1, 256, CV_8UC3);
    const double exponents[3] = {0.65, 0.55, 0.45};  // blue, green, red
    for (int i = 0; i < 256; ++i)
        for (int k = 0; k < 3; ++k)
            table.at<cv::Vec3b>(0, i)[k] = static_cast<std::uint8_t>(255.0 * std::pow(i / 255.0, exponents[k]) + 0.5);
    return table;
}

void cvBayerConvert(benchmark::State& state, int code, int depth, After after = After::Nothing) {
    cv::setNumThreads(1);
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    cv::Mat raw(height, width, CV_MAKETYPE(depth, 1)), image;
    cv::randu(raw, 0, depth == CV_8U ? 256 : 65536);
    const cv::Mat table = curves();
    cv::Mat finished;
    for (auto _ : state) {
        cv::cvtColor(raw, image, code);
        if (after == After::Curves) cv::LUT(image, table, finished);
        if (after == After::Rotate) cv::rotate(image, finished, cv::ROTATE_90_CLOCKWISE);
        benchmark::ClobberMemory();
    }
    state.counters["MP/s"] = benchmark::Counter(static_cast<double>(width) * height * 1e-6 * state.iterations(),
                                                benchmark::Counter::kIsRate);
}

void frameSizes(benchmark::internal::Benchmark* b) {
    b->Args({64, 64})->Args({1920, 1080})->Args({4096, 3072})->Unit(benchmark::kMillisecond);
}

// Layout code 1 (green, blue / red, green) is OpenCV's GB pattern.
BENCHMARK_CAPTURE(cvBayerConvert, OpenCV_Bilinear, cv::COLOR_BayerGB2BGR, CV_8U)->Apply(frameSizes);
BENCHMARK_CAPTURE(cvBayerConvert, OpenCV_EdgeAware, cv::COLOR_BayerGB2BGR_EA, CV_8U)->Apply(frameSizes);
BENCHMARK_CAPTURE(cvBayerConvert, OpenCV_VNG, cv::COLOR_BayerGB2BGR_VNG, CV_8U)->Apply(frameSizes);
BENCHMARK_CAPTURE(cvBayerConvert, OpenCV_Bilinear16, cv::COLOR_BayerGB2BGR, CV_16U)->Apply(frameSizes);
BENCHMARK_CAPTURE(cvBayerConvert, OpenCV_BilinearLUT, cv::COLOR_BayerGB2BGR, CV_8U, After::Curves)->Apply(frameSizes);
BENCHMARK_CAPTURE(cvBayerConvert, OpenCV_BilinearRotate, cv::COLOR_BayerGB2BGR, CV_8U, After::Rotate)
    ->Apply(frameSizes);

}  // namespace
#endif
