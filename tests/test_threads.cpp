// Several threads at once on distinct buffers: every method code of both
// conversion entries, every calibration export, the record entry, the
// adjustments, the dead-pixel threshold changing and the smoothing flag being
// set (by codes 7 and 9 and the record entry), each result compared with the
// same call made alone.  Built with PIXMILL_TSAN, ThreadSanitizer also
// checks every access (ctest -L threads).  The smoothing flag is process-wide
// and never cleared, so this binary holds one case that starts with the flag
// clear.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "pixmill.h"
#include "pixmill_decorated.hpp"
#include "test_support.h"

using namespace pmtest;

namespace {

constexpr int kWidth = 64, kHeight = 46, kThreads = 4, kRounds = 12;

struct Job {
    std::string name;
    std::function<Bytes()> run;  // works on buffers of its own
};

Bytes convert(bool ex, int code, int layout, std::int32_t flip, const Bytes& raw, const TableSet& t) {
    Bytes image(std::size_t(kWidth) * kHeight * 3, 0x5C);  // code 8 keeps part of what it finds
    const PmConvertBayerFunction entry =
        ex ? PmConvertBayerFunction{ConvertBayer2RgbEx} : PmConvertBayerFunction{ConvertBayer2Rgb};
    entry(image.data(), raw.data(), kWidth, kHeight, code, t.r(), t.g(), t.b(), flip, layout);
    return image;
}

// A frame of 100 with +-1 noise and outliers at +-70 in equal numbers: its
// mean is 100, so every threshold from 2 to 70 marks the same samples.
Bytes calibrationFrame() {
    Bytes frame(std::size_t(kWidth) * kHeight);
    for (std::size_t i = 0; i < frame.size(); ++i) frame[i] = std::uint8_t(100 + (i % 2 == 0 ? 1 : -1));
    for (std::size_t i = 7; i + 40 < frame.size(); i += 97) frame[i] = 170, frame[i + 40] = 30;
    return frame;
}

template <typename T>
Bytes asBytes(const std::vector<T>& values) {
    Bytes out(values.size() * sizeof(T));
    std::memcpy(out.data(), values.data(), out.size());
    return out;
}

// The record entry (which sets the smoothing flag) and every adjustment,
// each over buffers of its own.
void recordAndAdjustmentJobs(std::vector<Job>& list, const Bytes& raw) {
    constexpr std::size_t pixels = std::size_t(kWidth) * kHeight;
    list.push_back({"record colour", [&raw] {
                        Bytes image(3 * pixels, 0x5C);
                        PmConvertRecord r{};
                        r.dest = image.data(), r.destFormat = PM_FORMAT_BGR8, r.src = raw.data();
                        r.srcFormat = PM_FORMAT_RAW8, r.layout = PM_RECORD_LAYOUT_GBRG, r.width = kWidth;
                        r.height = kHeight, r.method = PM_METHOD_SMOOTHED_WINDOW;
                        PmConvert(PM_OPERATION_CONVERT, &r, 0);
                        return image;
                    }});
    list.push_back({"record grey 16-bit", [&raw] {
                        std::vector<std::uint16_t> wide(raw.begin(), raw.end()), grey(pixels);
                        for (auto& v : wide) v = std::uint16_t(v * 257);
                        PmConvertRecord r{};
                        r.dest = grey.data(), r.destFormat = PM_FORMAT_MONO16, r.src = wide.data();
                        r.srcFormat = PM_FORMAT_RAW16, r.layout = PM_RECORD_LAYOUT_BGGR, r.width = kWidth;
                        r.height = kHeight, r.method = PM_METHOD_SMOOTHED_WINDOW, r.flip = 1;
                        PmConvert(PM_OPERATION_CONVERT, &r, 0);
                        return asBytes(grey);
                    }});
    list.push_back({"adjustments", [&raw] {
                        Bytes image = convert(false, 2, 3, 0, raw, TableSet{});
                        std::vector<double> ratios(3);
                        PmWhiteBalanceRecord balance{image.data(), PM_FORMAT_BGR8, 0,          0,         kWidth,
                                                     kHeight,      &ratios[0],     &ratios[1], &ratios[2]};
                        PmConvert(PM_OPERATION_WHITE_BALANCE, &balance, 0);
                        Bytes toned(pixels), turned(std::size_t(kWidth) * 48), back(pixels), sharp(image.size());
                        PmBrightness(raw.data(), std::int32_t(pixels), 40, toned.data());
                        PmContrast(toned.data(), std::int32_t(pixels), -7, toned.data());
                        PmRotate90CW8B(static_cast<const std::uint8_t*>(toned.data()), kWidth, kHeight, turned.data());  // rows of 48
                        PmRotate90CW8B(turned.data(), kHeight, kWidth, back.data());  // the decorated turn: back again
                        PmSharpen24B(image.data(), kWidth, kHeight, 1.5f, sharp.data());  // rows of 192 bytes
                        ROIColorCorrection(sharp.data(), 5, 3, 40, 30, kWidth, 0);
                        Bytes out = asBytes(ratios);
                        for (const Bytes* part : {&toned, &turned, &back, &sharp}) out.insert(out.end(), part->begin(), part->end());
                        return out;
                    }});
}

std::vector<Job> jobs(const Bytes& raw, const TableSet& tables) {
    std::vector<Job> list;
    for (bool ex : {false, true})
        for (int code = 0; code < (ex ? 7 : 10); ++code)
            for (std::int32_t flip : {0, 1}) {
                const int layout = 1 + (code + flip) % 4;
                list.push_back({std::string(ex ? "Ex " : "") + "code " + std::to_string(code) + (flip ? " flipped" : ""),
                                [=, &raw, &tables] { return convert(ex, code, layout, flip, raw, tables); }});
            }
    const Bytes frame = calibrationFrame();
    list.push_back({"white balance", [&raw, tables] {
                        const Bytes image = convert(false, 2, 1, 0, raw, tables);
                        std::vector<double> ratios(3);
                        GetWhiteBalanceRatio(image.data(), kWidth, kHeight, &ratios[0], &ratios[1], &ratios[2]);
                        return asBytes(ratios);
                    }});
    list.push_back({"gamma", [] {
                        Bytes table(256);
                        SetGammaLut(table.data(), 0.45);
                        return table;
                    }});
    list.push_back({"dead pixels", [frame] {
                        Bytes map(frame.size()), repaired = frame;
                        DetectDeadPixel(frame.data(), map.data(), kWidth, kHeight);
                        EraseDeadPixel(repaired.data(), map.data(), 0, 0, kWidth, kHeight, kWidth, kHeight);
                        Bytes out = map;
                        out.insert(out.end(), repaired.begin(), repaired.end());
                        return out;
                    }});
    list.push_back({"pattern noise", [frame, &raw] {
                        std::vector<std::int32_t> accumulator(frame.size(), 0);
                        GetPatternNoise(frame.data(), accumulator.data(), kWidth, kHeight);
                        GetPatternNoise(raw.data(), accumulator.data(), kWidth, kHeight);
                        AvgPatternNoise(accumulator.data(), kWidth, kHeight, 2);
                        Bytes live = raw;
                        FixPatternNoise(live.data(), accumulator.data(), 3, 2, kWidth - 3, kHeight - 2, kWidth, kHeight);
                        Bytes out = asBytes(accumulator);
                        out.insert(out.end(), live.begin(), live.end());
                        return out;
                    }});
    recordAndAdjustmentJobs(list, raw);
    return list;
}

// Runs every job on kThreads threads at once, each thread in its own order,
// kRounds times, while one more thread keeps changing the dead-pixel
// threshold; returns each thread's results of the last round.
std::vector<std::vector<Bytes>> runAtOnce(const std::vector<Job>& list) {
    std::vector<std::vector<Bytes>> results(kThreads, std::vector<Bytes>(list.size()));
    std::atomic<bool> done{false};
    std::thread thresholds([&] {
        for (int t = 2; !done.load(); t = t == 70 ? 2 : t + 1) SetBadPixelThreshold(t);
    });
    std::vector<std::thread> workers;
    for (int k = 0; k < kThreads; ++k)
        workers.emplace_back([&, k] {
            for (int round = 0; round < kRounds; ++round)
                for (std::size_t n = 0; n < list.size(); ++n) {
                    const std::size_t j = (n * (2 * k + 1) + std::size_t(k)) % list.size();
                    results[std::size_t(k)][j] = list[j].run();
                }
        });
    for (auto& w : workers) w.join();
    done = true;
    thresholds.join();
    SetBadPixelThreshold(10);
    return results;
}

bool isCode(const Job& job, const char* prefix) { return job.name.rfind(prefix, 0) == 0; }
bool setsFlag(const Job& job) { return isCode(job, "code 7") || isCode(job, "code 9") || isCode(job, "record"); }

TEST(Threads, ConvertAndCalibrateAtOnceAsAlone) {
    const Bytes raw = randomBytes(std::size_t(kWidth) * kHeight, 4242);
    const TableSet tables = tableSets(4243)[2];  // arbitrary tables
    const std::vector<Job> list = jobs(raw, tables);
    SetBadPixelThreshold(10);

    // Alone first, leaving out the codes that set the smoothing flag.
    std::vector<Bytes> alone(list.size());
    for (std::size_t j = 0; j < list.size(); ++j)
        if (!setsFlag(list[j])) alone[j] = list[j].run();

    // At once, while codes 7 and 9 and the record entry set the flag: code 5 may switch to its
    // smoothed variant at any pixel, so each of its pixels is either variant's.
    const auto firstRound = runAtOnce(list);
    std::vector<Bytes> smoothedFive(list.size());
    for (std::size_t j = 0; j < list.size(); ++j) {
        if (isCode(list[j], "code 5")) smoothedFive[j] = list[j].run();
        if (setsFlag(list[j])) alone[j] = list[j].run();
    }
    for (std::size_t j = 0; j < list.size(); ++j)
        for (int k = 0; k < kThreads; ++k) {
            const Bytes& got = firstRound[std::size_t(k)][j];
            const std::string context = list[j].name + ", thread " + std::to_string(k) + ", flag being set";
            if (!isCode(list[j], "code 5")) {
                EXPECT_EQ(alone[j], got) << context;
                continue;
            }
            ASSERT_EQ(alone[j].size(), got.size());
            for (std::size_t p = 0; p < got.size(); p += 3)
                ASSERT_TRUE(std::memcmp(&got[p], &alone[j][p], 3) == 0 || std::memcmp(&got[p], &smoothedFive[j][p], 3) == 0)
                    << context << ", pixel " << p / 3;
        }

    // At once again with the flag set: every result exactly as alone.
    for (std::size_t j = 0; j < list.size(); ++j)
        if (isCode(list[j], "code 5")) alone[j] = smoothedFive[j];
    const auto secondRound = runAtOnce(list);
    for (std::size_t j = 0; j < list.size(); ++j)
        for (int k = 0; k < kThreads; ++k)
            EXPECT_EQ(alone[j], secondRound[std::size_t(k)][j]) << list[j].name << ", thread " << k << ", flag set";
}

}  // namespace
