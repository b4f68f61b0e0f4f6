// Pieces every fuzz harness shares: choices read from the fuzzer's bytes,
// buffers of exactly the size a caller must provide, and the failure report.
//
// Harnesses are plain libFuzzer entry points (LLVMFuzzerTestOneInput).  They
// build either as fuzzers (clang, -fsanitize=fuzzer) or, with any compiler,
// as replay programs that run stored inputs once (replay_main.cpp).
#ifndef PIXMILL_FUZZ_SUPPORT_H
#define PIXMILL_FUZZ_SUPPORT_H

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <memory>
#include <vector>

namespace pmfuzz {

// A property failed: report it and abort, which libFuzzer records as a crash
// (with the input that caused it) and a replay run as a failed test.
[[noreturn]] inline void fail(const char* what, const char* context) {
    std::fprintf(stderr, "pixmill fuzz: %s (%s)\n", what, context);
    std::abort();
}

// With PIXMILL_FUZZ_VERBOSE set, harnesses print each decoded call (to read
// what a reproducer does).
inline void trace(const char* context) {
    static const bool on = std::getenv("PIXMILL_FUZZ_VERBOSE") != nullptr;
    if (on) std::fprintf(stderr, "  %s\n", context);
}

// Reads choices from the front of the fuzzer's input.  Once the input is
// used up every read gives 0, so short inputs still decode to a valid call.
// Bulk contents come from a generator seeded by the input, so one input
// always decodes to the same call.
class Input {
   public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {
        for (std::size_t i = 0; i < size; ++i) state_ = (state_ ^ data[i]) * 0x100000001B3ull;
    }

    std::uint8_t byte() { return used_ < size_ ? data_[used_++] : 0; }
    std::uint32_t u32() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v = (v << 8) | byte();
        return v;
    }
    std::uint64_t u64() { return (std::uint64_t(u32()) << 32) | u32(); }
    template <typename T>
    T pick(std::initializer_list<T> choices) {
        return choices.begin()[byte() % choices.size()];
    }

    // A frame dimension: mostly tiny and small values (0, 1, odd, the
    // smallest accepted sizes, vector block edges), sometimes values near
    // the 32-bit limits.
    std::int32_t dimension() {
        const std::uint8_t b = byte();
        if (b < 128) return b % 24;
        if (b < 224) return 24 + (b - 128);
        return pick<std::int32_t>({std::numeric_limits<std::int32_t>::max(),
                                   std::numeric_limits<std::int32_t>::max() - 1,
                                   std::numeric_limits<std::int32_t>::min(), -1, -2, -4, 1 << 30, (1 << 30) + 2,
                                   // squares just past 2^31 samples; 3 x width past 2^31
                                   46342, 46341, 65536, 715827884, 715827883, 0x7FFF, 0x8000, 0x10002});
    }

    // Next pseudo-random word of the input's generator (splitmix64).
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // Fills `count` bytes in a way the input chooses: input bytes, one
    // value, two values in a fine pattern, or generated noise.
    void fill(std::uint8_t* out, std::size_t count) {
        const std::uint8_t mode = byte() % 4;
        const std::uint8_t a = byte(), b = byte();
        for (std::size_t i = 0; i < count; ++i) {
            switch (mode) {
                case 0: out[i] = used_ < size_ ? byte() : std::uint8_t(next()); break;
                case 1: out[i] = a; break;
                case 2: out[i] = (i * 7 + i / 5) % 3 == 0 ? b : a; break;
                default: out[i] = std::uint8_t(next()); break;
            }
        }
    }

   private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t used_ = 0;
    std::uint64_t state_ = 0xCBF29CE484222325ull;
};

// Samples of a width x height frame as a caller must provide them: 0 when
// either size is 0 or negative.
inline std::uint64_t frameSamples(std::int32_t width, std::int32_t height) {
    return width > 0 && height > 0 ? std::uint64_t(width) * std::uint64_t(height) : 0;
}

// A buffer of exactly `bytes` bytes, as the caller of an export provides it.
//  - Heap: a new[] block of exactly that size, so that AddressSanitizer
//    reports an access one byte past either end (a size of 0 still gives a
//    distinct, non-null pointer that may not be touched).
//  - Untouchable: for sizes too large to allocate, address space mapped
//    without any access, for calls that must not touch the buffer at all.
//  - Zeros: for large buffers that are only read, a mapping that reads as
//    zeros without committing memory, ending exactly at an inaccessible
//    guard page.
class Buffer {
   public:
    enum class Kind { Heap, Untouchable, Zeros };
    // Largest reservation: far more than any frame the ABI can describe
    // needs, far less than the address space.
    static constexpr std::uint64_t kMaxReservation = std::uint64_t(1) << 42;

    explicit Buffer(std::uint64_t bytes, Kind kind = Kind::Heap) : bytes_(bytes), kind_(kind) {
        if (kind == Kind::Heap) {
            heap_.reset(new std::uint8_t[bytes]);
            data_ = heap_.get();
            return;
        }
        const std::size_t page = std::size_t(sysconf(_SC_PAGESIZE));
        const std::uint64_t span = std::min(bytes, kMaxReservation);
        const std::size_t rounded = std::size_t((span + page - 1) / page * page);
        mapped_ = rounded + page;
        void* base = mmap(nullptr, mapped_, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (base == MAP_FAILED) fail("cannot reserve address space", "buffer");
        base_ = static_cast<std::uint8_t*>(base);
        if (kind == Kind::Zeros && rounded > 0 && mprotect(base_, rounded, PROT_READ) != 0)
            fail("cannot map zeros", "buffer");
        // The buffer ends where the guard page starts.
        data_ = base_ + (rounded - span);
    }
    ~Buffer() {
        if (base_ != nullptr) munmap(base_, mapped_);
    }
    Buffer(const Buffer&) = delete;
    Buffer& operator=(const Buffer&) = delete;

    std::uint8_t* data() const { return data_; }
    std::uint64_t size() const { return bytes_; }
    bool onHeap() const { return kind_ == Kind::Heap; }
    std::vector<std::uint8_t> copy() const {
        return onHeap() ? std::vector<std::uint8_t>(data_, data_ + bytes_) : std::vector<std::uint8_t>();
    }
    bool same(const std::vector<std::uint8_t>& other) const {
        return !onHeap() || (other.size() == bytes_ && (bytes_ == 0 || std::memcmp(data_, other.data(), bytes_) == 0));
    }

   private:
    std::uint64_t bytes_;
    Kind kind_;
    std::unique_ptr<std::uint8_t[]> heap_;
    std::uint8_t* base_ = nullptr;
    std::size_t mapped_ = 0;
    std::uint8_t* data_ = nullptr;
};

}  // namespace pmfuzz

#endif
