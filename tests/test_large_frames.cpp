// Frames of 2^31 samples and more: every method and every calibration step
// must handle them (or refuse them) without an index overflowing 32 bits.
//
// Such frames would need gigabytes; the test only reserves the address space.
// A buffer ends exactly at an inaccessible guard page, so a step past its end
// faults.  Its first and last 48 MiB are private memory, where the results are
// checked; everything between is views of one shared 48 MiB chunk, so writes
// there cost no more memory than the chunk (what they leave is not checked).
// A frame of one value (or a repeating pixel) keeps every view alike.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "pixmill.h"

namespace {

constexpr std::size_t kChunk = std::size_t(48) << 20;  // a multiple of 3 bytes and of the page size

// `bytes` bytes of address space ending at a guard page, filled with a
// repeating pattern of `pattern.size()` bytes (1, 3 or 4) that starts at the
// buffer's first byte.
class LargeBuffer {
   public:
    LargeBuffer(std::uint64_t bytes, const std::vector<std::uint8_t>& pattern) : bytes_(bytes) {
        const std::size_t page = std::size_t(sysconf(_SC_PAGESIZE));
        total_ = std::size_t((bytes + page - 1) / page * page);
        void* base = mmap(nullptr, total_ + page, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (base == MAP_FAILED) return;
        base_ = static_cast<std::uint8_t*>(base);
        data_ = base_ + (total_ - bytes);
        shift_ = total_ - bytes;

        const int fd = memfd_create("pixmill-large-frame", 0);
        if (fd < 0 || ftruncate(fd, off_t(kChunk)) != 0) return;
        void* chunk = mmap(nullptr, kChunk, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (chunk == MAP_FAILED) return;
        chunk_ = static_cast<std::uint8_t*>(chunk);
        for (std::size_t at = 0; at < total_; at += kChunk) {
            const std::size_t length = std::min(kChunk, total_ - at);
            const bool privateChunk = at == 0 || at + length == total_;
            void* view = privateChunk ? mmap(base_ + at, length, PROT_READ | PROT_WRITE,
                                             MAP_FIXED | MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0)
                                      : mmap(base_ + at, length, PROT_READ | PROT_WRITE, MAP_FIXED | MAP_SHARED, fd, 0);
            if (view == MAP_FAILED) break;
        }
        close(fd);
        fill(pattern);
        ok_ = true;
    }
    ~LargeBuffer() {
        if (base_ != nullptr) munmap(base_, total_ + std::size_t(sysconf(_SC_PAGESIZE)));
        if (chunk_ != nullptr) munmap(chunk_, kChunk);
    }
    LargeBuffer(const LargeBuffer&) = delete;
    LargeBuffer& operator=(const LargeBuffer&) = delete;

    // Fills the whole buffer with a repeating pattern of 1, 2, 4, 3 or 8
    // bytes that starts at its first byte: the shared chunk once (in the
    // phase every view needs, since views start at multiples of the chunk)
    // and the two private chunks.
    void fill(const std::vector<std::uint8_t>& pattern) {
        fillAt(chunk_, 0, kChunk, pattern);
        fillAt(base_, 0, std::min(kChunk, total_), pattern);
        const std::size_t last = (total_ - 1) / kChunk * kChunk;
        fillAt(base_ + last, last, total_ - last, pattern);
    }

    bool ok() const { return ok_; }
    std::uint8_t* data() const { return data_; }
    // Calls check(offset) for each byte offset of the buffer that lies in
    // private memory (the first and the last chunk), stopping at the first
    // false; returns the offset that failed, or -1.
    template <typename Check>
    std::int64_t firstFailure(Check&& check) const {
        const std::uint64_t headEnd = std::min<std::uint64_t>(bytes_, kChunk - shift_);
        const std::uint64_t tailStart = bytes_ - std::min<std::uint64_t>(bytes_, total_ - (total_ - 1) / kChunk * kChunk);
        for (std::uint64_t i = 0; i < headEnd; ++i)
            if (!check(i)) return std::int64_t(i);
        for (std::uint64_t i = std::max(tailStart, headEnd); i < bytes_; ++i)
            if (!check(i)) return std::int64_t(i);
        return -1;
    }

   private:
    // Byte `at + i` of the reservation is byte `at + i - shift_` of the buffer.
    void fillAt(std::uint8_t* out, std::size_t at, std::size_t length, const std::vector<std::uint8_t>& pattern) {
        const std::size_t n = pattern.size();
        for (std::size_t i = 0; i < length; ++i) out[i] = pattern[(at + i + n * kChunk - shift_) % n];
    }

    std::uint64_t bytes_;
    std::size_t total_ = 0, shift_ = 0;
    std::uint8_t* base_ = nullptr;
    std::uint8_t* data_ = nullptr;
    std::uint8_t* chunk_ = nullptr;
    bool ok_ = false;
};

// Square frame just past 2^31 samples: 46342 x 46342 = 2^31 + 97,316.
constexpr std::int32_t kSide = 46342;
constexpr std::uint64_t kSamples = std::uint64_t(kSide) * kSide;
constexpr std::uint8_t kValue = 0x37, kBefore = 0xEE;

struct Code {
    bool ex;
    std::int32_t code;
    int keptMargin;  // pixels along each edge the method leaves as they were
};

// Every method once: the Ex codes not listed name methods of these codes.
const Code kMethods[] = {{false, 0, 0}, {false, 1, 0}, {false, 2, 0}, {false, 3, 0}, {false, 4, 0}, {false, 5, 0},
                         {false, 6, 0}, {false, 7, 0}, {false, 8, 3}, {false, 9, 0}, {true, 3, 0}};

// Converts a frame of one value by every method into a destination that
// held kBefore: the image is that value everywhere the method computes, or,
// for a call that returns 0, nothing is written.
void convertsEveryMethod(std::int32_t width, std::int32_t height) {
    const std::uint64_t samples = std::uint64_t(width) * std::uint64_t(height);
    LargeBuffer raw(samples, {kValue}), image(3 * samples, {kBefore});
    ASSERT_TRUE(raw.ok() && image.ok());
    for (const Code& c : kMethods) {
        const std::string name = std::string(c.ex ? "Ex " : "") + "code " + std::to_string(c.code) + ", " +
                                 std::to_string(width) + "x" + std::to_string(height);
        image.fill({kBefore});
        const std::int32_t result = (c.ex ? ConvertBayer2RgbEx : ConvertBayer2Rgb)(
            image.data(), raw.data(), width, height, c.code, nullptr, nullptr, nullptr, 0, 1 + c.code % 4);
        if (result == 0) {  // a code without a method yet, or a refusal
            EXPECT_EQ(-1, image.firstFailure([&](std::uint64_t i) { return image.data()[i] == kBefore; })) << name;
            continue;
        }
        const std::uint64_t m = std::uint64_t(c.keptMargin), rowBytes = 3 * std::uint64_t(width);
        const std::int64_t bad = image.firstFailure([&](std::uint64_t i) {
            const std::uint64_t row = i / rowBytes, column = i % rowBytes / 3;
            const bool kept = row < m || column < m || row + m >= std::uint64_t(height) ||
                              column + m >= std::uint64_t(width);
            return kept || image.data()[i] == kValue;
        });
        EXPECT_EQ(-1, bad) << name << ": byte " << bad << " (row " << bad / std::int64_t(rowBytes) << ")";
    }
}

TEST(LargeFrames, EveryMethodPastTwoToThe31Samples) { convertsEveryMethod(kSide, kSide); }

// Rows of more than 2^31 bytes: 3 x width overflows 32 bits.
TEST(LargeFrames, EveryMethodOnRowsPastTwoToThe31Bytes) { convertsEveryMethod(715827884, 4); }

TEST(LargeFrames, CalibrationPastTwoToThe31Samples) {
    LargeBuffer frame(kSamples, {kValue});
    ASSERT_TRUE(frame.ok());
    {
        // One value everywhere: nothing strays from the mean.
        LargeBuffer map(kSamples, {kBefore});
        ASSERT_TRUE(map.ok());
        SetBadPixelThreshold(10);
        DetectDeadPixel(frame.data(), map.data(), kSide, kSide);
        EXPECT_EQ(-1, map.firstFailure([&](std::uint64_t i) { return map.data()[i] == 0; }));
        EraseDeadPixel(frame.data(), map.data(), 0, 0, kSide, kSide, kSide, kSide);
        EXPECT_EQ(-1, frame.firstFailure([&](std::uint64_t i) { return frame.data()[i] == kValue; }));
    }
    {
        // 4-byte accumulator entries of 0 and 4 in turn (even entries 0),
        // past 2^33 bytes.
        LargeBuffer accumulator(4 * kSamples, {0, 0, 0, 0, 4, 0, 0, 0});
        ASSERT_TRUE(accumulator.ok());
        auto* entries = reinterpret_cast<std::int32_t*>(accumulator.data());
        GetPatternNoise(frame.data(), entries, kSide, kSide);  // adds 0
        AvgPatternNoise(entries, kSide, kSide, 2);             // 4 becomes 2 (in private memory)
        EXPECT_EQ(-1, accumulator.firstFailure([&](std::uint64_t i) {
            return i % 4 != 0 || entries[i / 4] == (i / 4 % 2 == 0 ? 0 : 2);
        }));
        FixPatternNoise(frame.data(), entries, 0, 0, kSide, kSide, kSide, kSide);
        // Views of the accumulator's shared chunk were divided once each, so
        // the frame is checked against whatever each entry holds.
        EXPECT_EQ(-1, frame.firstFailure([&](std::uint64_t i) {
            const std::int64_t v = std::int64_t(kValue) - entries[i];
            return frame.data()[i] == (v < 0 ? 0 : v > 255 ? 255 : v);
        }));
    }
    {
        LargeBuffer image(3 * kSamples, {50, 100, 200});  // blue, green, red
        ASSERT_TRUE(image.ok());
        double red = 0, green = 0, blue = 0;
        ASSERT_EQ(1, GetWhiteBalanceRatio(image.data(), kSide, kSide, &red, &green, &blue));
        EXPECT_EQ(0.5, red);
        EXPECT_EQ(1.0, green);
        EXPECT_EQ(2.0, blue);
    }
}

}  // namespace
