// Packed 10-bit and 12-bit unpacking against a model that reads the packed
// frame as a bit stream, for every sample count up to a few hundred and
// beyond.  The packed frame ends exactly at an inaccessible page, so reading
// one byte past it fails the test with a fault, and the output is followed
// by guard words that must stay as they were.
#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include "pixmill.h"
#include "test_support.h"

using namespace pmtest;

namespace {

// `size` bytes that end where an inaccessible page begins.
class GuardedBytes {
public:
    explicit GuardedBytes(std::size_t size) : size_(size) {
        const std::size_t page = std::size_t(sysconf(_SC_PAGESIZE));
        span_ = (size + page - 1) / page * page + page;
        void* base = mmap(nullptr, span_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (base == MAP_FAILED) throw std::bad_alloc();
        base_ = static_cast<std::uint8_t*>(base);
        mprotect(base_ + span_ - page, page, PROT_NONE);
    }
    ~GuardedBytes() { munmap(base_, span_); }
    GuardedBytes(const GuardedBytes&) = delete;
    GuardedBytes& operator=(const GuardedBytes&) = delete;
    std::uint8_t* data() const { return base_ + span_ - std::size_t(sysconf(_SC_PAGESIZE)) - size_; }

private:
    std::size_t size_, span_ = 0;
    std::uint8_t* base_ = nullptr;
};

// Sample k of a packed frame: 10-bit samples sit three to a 32-bit
// little-endian word at bits 0, 10 and 20; 12-bit samples follow each other
// in a little-endian bit stream.
unsigned modelSample(const std::uint8_t* packed, int bits, std::size_t k) {
    const std::size_t firstBit = bits == 10 ? (k / 3) * 32 + (k % 3) * 10 : k * 12;
    unsigned value = 0;
    for (int b = 0; b < bits; ++b) {
        const std::size_t bit = firstBit + std::size_t(b);
        value |= unsigned((packed[bit / 8] >> (bit % 8)) & 1) << b;
    }
    return value;
}

// Bytes a packed frame of n samples occupies.
std::size_t packedBytes(int bits, std::size_t n) { return bits == 10 ? (n + 2) / 3 * 4 : (n * 12 + 7) / 8; }

using Unpack = void (*)(const void*, uint16_t*, int32_t, int32_t);

constexpr std::uint16_t kGuard = 0xA5A5;
constexpr std::size_t kGuardWords = 8;

::testing::AssertionResult unpacksLikeModel(Unpack unpack, int bits, int w, int h, std::uint32_t seed) {
    const std::size_t n = std::size_t(w) * std::size_t(h);
    GuardedBytes packed(packedBytes(bits, n));
    const Bytes content = randomBytes(packedBytes(bits, n), seed);
    std::copy(content.begin(), content.end(), packed.data());
    std::vector<std::uint16_t> out(n + kGuardWords, kGuard);
    unpack(packed.data(), out.data(), w, h);
    for (std::size_t k = 0; k < out.size(); ++k) {
        const unsigned expected = k < n ? modelSample(packed.data(), bits, k) : kGuard;
        if (out[k] != expected)
            return ::testing::AssertionFailure() << bits << "-bit, " << w << "x" << h << ", sample " << k
                                                 << ": expected " << expected << ", got " << out[k];
    }
    return ::testing::AssertionSuccess();
}

TEST(PackedRaw, EverySampleCountMatchesModel) {
    for (int bits : {10, 12}) {
        const Unpack unpack = bits == 10 ? Raw10PackedToRaw16 : Raw12PackedToRaw16;
        for (int n = 1; n <= 200; ++n) ASSERT_TRUE(unpacksLikeModel(unpack, bits, n, 1, std::uint32_t(n)));
        std::mt19937 rng(bits);
        for (int i = 0; i < 20; ++i)
            ASSERT_TRUE(unpacksLikeModel(unpack, bits, 1 + int(rng() % 700), 1 + int(rng() % 40), rng()));
    }
}

// Hand-worked groups; the bits above the samples are ignored.
TEST(PackedRaw, HandWorkedGroups) {
    struct Row {
        int bits, w, h;
        Bytes packed;
        std::vector<std::uint16_t> samples;
    };
    const Row rows[] = {
        {10, 3, 1, {0x01, 0x08, 0x30, 0x00}, {1, 2, 3}},
        {10, 1, 3, {0x01, 0x08, 0x30, 0xC0}, {1, 2, 3}},
        {10, 2, 2, {0xFF, 0xFF, 0xFF, 0xFF, 0x05, 0xFC, 0xFF, 0xFF}, {1023, 1023, 1023, 5}},
        {10, 5, 1, {0, 0, 0, 0, 0x07, 0x2C, 0x00, 0x00}, {0, 0, 0, 7, 11}},
        {12, 2, 1, {0x21, 0x43, 0x65}, {0x321, 0x654}},
        {12, 2, 2, {0x21, 0x43, 0x65, 0xFF, 0xFF, 0xFF}, {0x321, 0x654, 0xFFF, 0xFFF}},
        {12, 3, 1, {0x21, 0x43, 0x65, 0xBC, 0xFA}, {0x321, 0x654, 0xABC}},
    };
    for (const Row& row : rows) {
        GuardedBytes packed(row.packed.size());
        std::copy(row.packed.begin(), row.packed.end(), packed.data());
        std::vector<std::uint16_t> out(row.samples.size() + 1, kGuard), expected = row.samples;
        expected.push_back(kGuard);
        (row.bits == 10 ? Raw10PackedToRaw16 : Raw12PackedToRaw16)(packed.data(), out.data(), row.w, row.h);
        EXPECT_EQ(expected, out) << row.bits << "-bit, " << row.w << "x" << row.h;
    }
}

// Nothing is written for null pointers, empty or negative sizes, and sample
// counts beyond 2^31 - 1.
TEST(PackedRaw, NothingWrittenForEmptyOrOversizedFrames) {
    const Bytes packed(64, 0x5A);
    const int sizes[][2] = {{0, 4}, {4, 0}, {-2, 4}, {4, -2}, {-4, -4}, {65536, 32768}, {46342, 46342}};
    for (Unpack unpack : {Raw10PackedToRaw16, Raw12PackedToRaw16}) {
        std::vector<std::uint16_t> out(32, kGuard);
        for (const auto& s : sizes) unpack(packed.data(), out.data(), s[0], s[1]);
        unpack(nullptr, out.data(), 4, 4);
        unpack(packed.data(), nullptr, 4, 4);
        EXPECT_EQ(std::vector<std::uint16_t>(32, kGuard), out);
    }
}

}  // namespace
