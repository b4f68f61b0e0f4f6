// Every export of every build at sizes near the 32-bit limits: widths,
// heights, counts and offsets of 2^31 - 1, 2^31 - 2, 2^30 and 46341 (whose
// square passes 2^31), each with small partners (1, 2, 4, 6), must neither
// overflow (UndefinedBehaviorSanitizer, in the sanitizer build) nor touch
// memory outside the buffers pixmill.h says the caller provides.  (GCC turns
// a comparison such as width + 3 > limit into width > limit - 3 before its
// sanitizer sees it; such an overflow shows in a clang build only.)
//
//  - A call pixmill.h says is refused gets inaccessible reservations of
//    address space (reserved_buffers.h): it must return its refusal without
//    touching them.  Here sizes that only just pass or fail a check (odd
//    sizes, sides below 4, the sample limits of the record entry and of
//    unpacking) meet the checks.
//  - An accepted call whose buffers total 64 MiB or less gets heap blocks of
//    exactly that size, which AddressSanitizer checks byte for byte, and
//    runs to the end.
//  - Any other accepted call would convert or measure billions of samples,
//    minutes under the sanitizers.  It runs in a child process over
//    reservations that read as zeros and end at a guard page, and is stopped
//    after kSliceMicroseconds of processor time.  Everything a call derives
//    from its sizes before its first row (size checks, plans, strides,
//    scratch) runs in that slice, and so do its first rows: bottom-up
//    conversions start at the far end of a tall image, and the region calls
//    include a region at the far corner of the map, which finishes.  The
//    child must return, or still be running, when the slice ends; a
//    sanitizer report or a fault fails the call.  Frames past 2^31 samples
//    run to the end in the optimised build (test_large_frames.cpp).
// Scratch of such widths (sharpening, the green-guided band) may not be had;
// the library reports or works around that, so the sanitizer's allocator
// returns null rather than ending the process.  SetGammaLut,
// SetBadPixelThreshold and PmGetConstantBlock take no size.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "pixmill.h"
#include "reserved_buffers.h"

extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }

namespace {

using pmtest::Reservation;
using Buffers = std::vector<std::uint8_t*>;

constexpr std::uint64_t kHeapBytes = std::uint64_t(64) << 20;
constexpr long kSliceMicroseconds = 10000;

// One call: the bytes of each buffer it is given, whether pixmill.h says it
// is refused (and with what result), and the call itself.
struct Call {
    std::string name;
    std::vector<std::uint64_t> bytes;
    bool refused;
    std::function<std::int32_t(const Buffers&)> run;
    std::int32_t refusal = 0;
};

// Runs `run` in a child process for at most one slice of processor time:
// true when it returned or was still running when the slice ended.
bool runsCleanly(const std::function<void()>& run) {
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        itimerval slice{};
        slice.it_value.tv_usec = kSliceMicroseconds;
        setitimer(ITIMER_PROF, &slice, nullptr);
        run();
        _exit(0);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child) return false;
    return (WIFEXITED(status) && WEXITSTATUS(status) == 0) || (WIFSIGNALED(status) && WTERMSIG(status) == SIGPROF);
}

void check(const Call& call) {
    std::uint64_t total = 0;
    for (std::uint64_t b : call.bytes) total += b;
    Buffers buffers;
    if (total <= kHeapBytes && !call.refused) {
        std::vector<std::unique_ptr<std::uint8_t[]>> heap;
        for (std::uint64_t b : call.bytes) {
            heap.emplace_back(new std::uint8_t[b]());
            buffers.push_back(heap.back().get());
        }
        call.run(buffers);
        return;
    }
    std::vector<std::unique_ptr<Reservation>> space;
    for (std::uint64_t b : call.bytes) {
        space.push_back(std::make_unique<Reservation>(
            b, call.refused ? Reservation::Access::None : Reservation::Access::ReadWrite));
        ASSERT_TRUE(space.back()->ok()) << call.name << ": cannot reserve " << b << " bytes";
        buffers.push_back(space.back()->data());
    }
    if (call.refused) {
        EXPECT_EQ(call.refusal, call.run(buffers)) << call.name;
    } else {
        EXPECT_TRUE(runsCleanly([&] { call.run(buffers); })) << call.name;
    }
}

// ---- The builds and their exports -----------------------------------------

void* library(const std::string& version) {
    static const std::map<std::string, const char*> paths = {{"1.7.7.6", PIXMILL_LIBRARY_1_7_7_6},
                                                             {"1.5.0.1", PIXMILL_LIBRARY_1_5_0_1},
                                                             {"1.1.2.0", PIXMILL_LIBRARY_1_1_2_0}};
    static std::map<std::string, void*> handles;
    void*& handle = handles[version];
    if (handle == nullptr) handle = dlopen(paths.at(version), RTLD_NOW | RTLD_LOCAL);
    return handle;
}

template <typename F>
F exported(const std::string& version, const char* name) {
    void* handle = library(version);
    return handle == nullptr ? nullptr : reinterpret_cast<F>(dlsym(handle, name));
}

using Convert = PmConvertBayerFunction;

struct Size {
    std::int32_t width, height;
};

// Each large value beside each small one, both ways round, and 46341 x 46341.
std::vector<Size> sizes() {
    const std::int32_t large[] = {INT32_MAX, INT32_MAX - 1, 1 << 30, 46341}, small[] = {1, 2, 4, 6};
    std::vector<Size> out;
    for (std::int32_t l : large)
        for (std::int32_t s : small) out.insert(out.end(), {{l, s}, {s, l}});
    out.push_back({46341, 46341});
    return out;
}

std::uint64_t samples(const Size& s) { return std::uint64_t(s.width) * std::uint64_t(s.height); }
bool evenFrame(const Size& s) { return s.width >= 4 && s.height >= 4 && s.width % 2 == 0 && s.height % 2 == 0; }

// Rows of `bytes` bytes padded to a multiple of 4, as the rotations and the
// sharpening take them.
std::uint64_t padded(std::uint64_t bytes) { return (bytes + 3) / 4 * 4; }

std::string named(const std::string& what, const Size& s) {
    return what + " " + std::to_string(s.width) + "x" + std::to_string(s.height);
}

// A table given explicitly: the 1.1.2.0 build refuses null ones, and the
// others take other paths with one.
const std::uint8_t* givenTable() {
    static const std::vector<std::uint8_t> table = [] {
        std::vector<std::uint8_t> t(256);
        for (int i = 0; i < 256; ++i) t[std::size_t(i)] = std::uint8_t(255 - i);
        return t;
    }();
    return table.data();
}

// The conversion entries' calls at size s (the k-th size: layout, flip and
// null or given tables vary with it).  Refused, as pixmill.h says: odd sizes
// and sides below 4 (code 8 of the current build's ConvertBayer2Rgb checks
// no size), a side of 4 for the median codes and the 1.1.2.0 build's code 6,
// and frames past 1796 x 2396 for that build's code 5.
void conversionCalls(std::vector<Call>& calls, const Size& s, std::size_t k) {
    struct EntryCodes {
        std::string version;
        const char* name;
        std::int32_t codes;
    };
    const EntryCodes entries[] = {{"1.7.7.6", "ConvertBayer2Rgb", 10}, {"1.7.7.6", "ConvertBayer2RgbEx", 7},
                                  {"1.5.0.1", "ConvertBayer2Rgb", 7},  {"1.5.0.1", "ConvertBayer2RgbEx", 7},
                                  {"1.1.2.0", "ConvertBayer2Rgb", 7}};
    const std::int32_t layout = std::int32_t(1 + k % 4), flip = std::int32_t(k / 2 % 2);
    for (const EntryCodes& e : entries) {
        const Convert convert = exported<Convert>(e.version, e.name);
        ASSERT_NE(nullptr, convert) << e.version << " " << e.name;
        const bool earliest = e.version == "1.1.2.0";
        const std::uint8_t* table = earliest || k / 4 % 2 != 0 ? givenTable() : nullptr;
        for (std::int32_t code = 0; code < e.codes; ++code) {
            bool refused = !evenFrame(s);
            if (code == 3 || (earliest && code == 6)) refused = refused || s.width == 4 || s.height == 4;
            if (earliest && code == 5) refused = refused || s.width > 1796 || s.height > 2396;
            if (e.codes == 10 && code == 8) refused = false;  // the current ConvertBayer2Rgb
            calls.push_back({named(e.version + " " + e.name + " code " + std::to_string(code), s),
                             {samples(s), 3 * samples(s)},
                             refused,
                             [=](const Buffers& b) {
                                 return convert(b[1], b[0], s.width, s.height, code, table, table, table, flip,
                                                layout);
                             }});
        }
    }
}

// Dead-pixel erasure and pattern-noise removal (map entries of type Entry)
// of a region of a map of size s: the whole map, the far corner with region
// sizes that the map narrows, and offsets past the map (an empty region).
template <typename Entry>
void regionCalls(std::vector<Call>& calls, const Size& s, const char* name) {
    using Region = void (*)(std::uint8_t*, const Entry*, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                            std::int32_t, std::int32_t);
    const Region region = exported<Region>("1.7.7.6", name);
    ASSERT_NE(nullptr, region) << name;
    const std::int32_t x0 = std::max(s.width - 2, 0), y0 = std::max(s.height - 2, 0);
    struct Cut {
        const char* what;
        std::int32_t x, y, w, h;
        std::uint64_t frameBytes;
    };
    const Cut cuts[] = {{"whole", 0, 0, s.width, s.height, samples(s)},
                        {"far corner", x0, y0, INT32_MAX, INT32_MAX, samples({s.width - x0, s.height - y0})},
                        {"past the map", INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX, 0}};
    for (const Cut& c : cuts)
        calls.push_back({named(std::string("1.7.7.6 ") + name + " " + c.what, s),
                         {c.frameBytes, sizeof(Entry) * samples(s)}, c.frameBytes == 0, [=](const Buffers& b) {
                             region(b[0], reinterpret_cast<const Entry*>(b[1]), c.x, c.y, c.w, c.h, s.width,
                                    s.height);
                             return 0;
                         }});
}

// White balance and dead-pixel detection of every build (the earlier builds
// share a form of their own); the pattern-noise exports and dead-pixel
// erasure are one source linked into every build, called in the current one.
void calibrationCalls(std::vector<Call>& calls, const Size& s) {
    using Ratio = decltype(&GetWhiteBalanceRatio);
    using Frame = void (*)(const std::uint8_t*, std::uint8_t*, std::int32_t, std::int32_t);
    for (const std::string version : {"1.7.7.6", "1.5.0.1", "1.1.2.0"}) {
        const bool current = version == "1.7.7.6";
        const Ratio ratio = exported<Ratio>(version, "GetWhiteBalanceRatio");
        const Frame detect = exported<Frame>(version, "DetectDeadPixel");
        ASSERT_TRUE(ratio && detect) << version;
        const bool ratioRefused = s.width <= 3 || s.height <= 3 || (!current && (s.width % 2 || s.height % 2));
        calls.push_back({named(version + " GetWhiteBalanceRatio", s), {3 * samples(s)}, ratioRefused,
                         [=](const Buffers& b) {
                             double r, g, bl;
                             return ratio(b[0], s.width, s.height, &r, &g, &bl);
                         }});
        calls.push_back({named(version + " DetectDeadPixel", s), {samples(s), samples(s)}, false,
                         [=](const Buffers& b) {
                             detect(b[0], b[1], s.width, s.height);
                             return 0;
                         }});
    }
    const std::string v = "1.7.7.6";
    const auto noise = exported<decltype(&GetPatternNoise)>(v, "GetPatternNoise");
    const auto average = exported<decltype(&AvgPatternNoise)>(v, "AvgPatternNoise");
    ASSERT_TRUE(noise && average);
    calls.push_back({named(v + " GetPatternNoise", s), {samples(s), 4 * samples(s)}, false, [=](const Buffers& b) {
                         noise(b[0], reinterpret_cast<std::int32_t*>(b[1]), s.width, s.height);
                         return 0;
                     }});
    calls.push_back({named(v + " AvgPatternNoise", s), {4 * samples(s)}, false, [=](const Buffers& b) {
                         average(reinterpret_cast<std::int32_t*>(b[0]), s.width, s.height, 2);
                         return 0;
                     }});
    regionCalls<std::uint8_t>(calls, s, "EraseDeadPixel");
    regionCalls<std::int32_t>(calls, s, "FixPatternNoise");
}

// A quarter turn and a sharpening of the current build, plain or decorated
// (each called through a pointer of its own type).
template <typename Turn>
void turnCall(std::vector<Call>& calls, const Size& s, const char* name) {
    const Turn turn = exported<Turn>("1.7.7.6", name);
    ASSERT_NE(nullptr, turn) << name;
    calls.push_back({named(std::string("1.7.7.6 ") + name, s),
                     {std::uint64_t(s.height) * padded(s.width), std::uint64_t(s.width) * padded(s.height)}, false,
                     [=](const Buffers& b) { return turn(b[0], s.width, s.height, b[1]); }});
}
template <typename Sharpen>
void sharpenCall(std::vector<Call>& calls, const Size& s, const char* name) {
    const Sharpen sharpen = exported<Sharpen>("1.7.7.6", name);
    ASSERT_NE(nullptr, sharpen) << name;
    const std::uint64_t image = std::uint64_t(s.height) * padded(3 * std::uint64_t(s.width));
    calls.push_back({named(std::string("1.7.7.6 ") + name, s), {image, image}, s.width < 3 || s.height < 3,
                     [=](const Buffers& b) { return sharpen(b[0], s.width, s.height, 1.0f, b[1]); },
                     PM_ERROR_OUT_OF_RANGE});
}

// The current build's record entry, unpacking and adjustments.
void currentBuildCalls(std::vector<Call>& calls, const Size& s, std::size_t k) {
    const std::string v = "1.7.7.6";
    const auto convert = exported<decltype(&PmConvert)>(v, "PmConvert");
    const auto raw10 = exported<decltype(&Raw10PackedToRaw16)>(v, "Raw10PackedToRaw16");
    const auto raw12 = exported<decltype(&Raw12PackedToRaw16)>(v, "Raw12PackedToRaw16");
    ASSERT_TRUE(convert && raw10 && raw12);
    const std::uint64_t n = samples(s);

    // Record conversion: 8- or 16-bit samples into colour or grey.
    const bool wide = k % 2 != 0, grey = k / 2 % 2 != 0;
    const std::uint64_t sampleBytes = wide ? 2 : 1;
    calls.push_back({named(v + " PmConvert record conversion", s),
                     {n * sampleBytes, n * sampleBytes * (grey ? 1 : 3)},
                     !evenFrame(s) || n > INT32_MAX, [=](const Buffers& b) {
                         PmConvertRecord r{};
                         r.dest = b[1];
                         r.destFormat = grey ? PM_FORMAT_MONO8 : PM_FORMAT_BGR8;
                         r.src = b[0];
                         r.srcFormat = wide ? PM_FORMAT_RAW16 : PM_FORMAT_RAW8;
                         r.layout = std::uint32_t(k % 4);
                         r.width = s.width;
                         r.height = s.height;
                         r.method = PM_METHOD_SMOOTHED_WINDOW;
                         r.flip = std::uint32_t(k / 4 % 2);
                         return convert(PM_OPERATION_CONVERT, &r, 0);
                     }});
    calls.push_back({named(v + " PmConvert white balance", s), {3 * n * sampleBytes}, s.width <= 3 || s.height <= 3,
                     [=](const Buffers& b) {
                         double red, green, blue;
                         PmWhiteBalanceRecord r{b[0], wide ? PM_FORMAT_BGR16 : PM_FORMAT_BGR8, 0, 0, s.width,
                                                s.height, &red, &green, &blue};
                         return convert(PM_OPERATION_WHITE_BALANCE, &r, 0);
                     }});

    // Unpacking writes nothing beyond 2^31 - 1 samples.
    calls.push_back({named(v + " Raw10PackedToRaw16", s), {(n + 2) / 3 * 4, 2 * n}, n > INT32_MAX,
                     [=](const Buffers& b) {
                         raw10(b[0], reinterpret_cast<std::uint16_t*>(b[1]), s.width, s.height);
                         return 0;
                     }});
    calls.push_back({named(v + " Raw12PackedToRaw16", s), {(3 * n + 1) / 2, 2 * n}, n > INT32_MAX,
                     [=](const Buffers& b) {
                         raw12(b[0], reinterpret_cast<std::uint16_t*>(b[1]), s.width, s.height);
                         return 0;
                     }});

    // Tone curves take a count: the large value, once.
    if (s.height == 1)
        for (const char* name : {"PmBrightness", "PmContrast"}) {
            const auto curve = exported<decltype(&PmBrightness)>(v, name);
            ASSERT_NE(nullptr, curve) << name;
            calls.push_back({named(v + " " + name, s), {n, n}, false,
                             [=](const Buffers& b) { return curve(b[0], s.width, 40, b[1]); }});
        }

    // Quarter turns, plain and decorated: height rows of width samples into
    // width rows of height samples, rows padded to 4 bytes.
    using Decorated = int (*)(unsigned char*, int, int, unsigned char*);
    turnCall<decltype(&PmRotate90CW8B)>(calls, s, "PmRotate90CW8B");
    turnCall<decltype(&PmRotate90CCW8B)>(calls, s, "PmRotate90CCW8B");
    turnCall<Decorated>(calls, s, "_Z14PmRotate90CW8BPhiiS_");
    turnCall<Decorated>(calls, s, "_Z15PmRotate90CCW8BPhiiS_");

    // Sharpening: images of height rows of 3 x width bytes, padded.
    sharpenCall<decltype(&PmSharpen24B)>(calls, s, "PmSharpen24B");
    sharpenCall<int (*)(unsigned char*, int, int, float, unsigned char*)>(calls, s, "_Z14PmEmphasize24BPhiifS_");

    // Colour correction of the whole image, of its far corner, and of a
    // region that ends left of it.
    const auto correct = exported<decltype(&ROIColorCorrection)>(v, "ROIColorCorrection");
    ASSERT_NE(nullptr, correct);
    const std::int32_t x0 = std::max(s.width - 2, 0), y0 = std::max(s.height - 2, 0);
    struct Cut {
        const char* what;
        std::int32_t x, y, w, h;
    };
    for (const Cut& c : {Cut{"whole", 0, 0, s.width, s.height}, Cut{"far corner", x0, y0, 2, s.height - y0},
                         Cut{"left of the image", INT32_MIN, 0, INT32_MAX, s.height}})
        calls.push_back({named(v + " ROIColorCorrection " + c.what, s), {3 * n}, c.x == INT32_MIN,
                         [=](const Buffers& b) {
                             correct(b[0], c.x, c.y, c.w, c.h, s.width, 0);
                             return 0;
                         }});
}

TEST(SizeLimits, EveryExportOfEveryBuildNearTheThirtyTwoBitLimits) {
    if (sizeof(void*) < 8) GTEST_SKIP() << "frames near 2^31 samples do not fit a 32-bit address space";
    for (const char* version : {"1.7.7.6", "1.5.0.1", "1.1.2.0"})
        ASSERT_NE(nullptr, library(version)) << version << ": " << dlerror();
    const std::vector<Size> all = sizes();
    for (std::size_t k = 0; k < all.size(); ++k) {
        std::vector<Call> calls;
        conversionCalls(calls, all[k], k);
        calibrationCalls(calls, all[k]);
        currentBuildCalls(calls, all[k], k);
        for (const Call& call : calls) check(call);
    }
}

}  // namespace
