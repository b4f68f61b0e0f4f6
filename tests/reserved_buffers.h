// Buffers of frames too large to allocate: address space reserved without
// committing memory, each buffer ending exactly at an inaccessible guard page
// (and starting a page after another), so a step past its end faults.
//  - Reservation: the address space alone, either inaccessible throughout
//    (for calls that must not touch the buffer at all) or readable and
//    writable, reading as zeros and committing only the pages touched.
//  - LargeBuffer: a reservation whose whole extent holds a repeating pattern
//    at the cost of 144 MiB: its first and last 48 MiB are private memory,
//    where results are checked; everything between is views of one shared
//    48 MiB chunk, so writes there cost no more memory than the chunk (what
//    they leave is not checked).
#ifndef PIXMILL_TEST_RESERVED_BUFFERS_H
#define PIXMILL_TEST_RESERVED_BUFFERS_H

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pmtest {

inline std::size_t pageSize() { return std::size_t(sysconf(_SC_PAGESIZE)); }

class Reservation {
   public:
    enum class Access { None, ReadWrite };

    Reservation(std::uint64_t bytes, Access access) : bytes_(bytes) {
        const std::size_t page = pageSize();
        total_ = std::size_t((bytes + page - 1) / page * page);
        mapped_ = total_ + 2 * page;
        void* base = mmap(nullptr, mapped_, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (base == MAP_FAILED) return;
        base_ = static_cast<std::uint8_t*>(base);
        if (access == Access::ReadWrite && total_ > 0 &&
            mmap(start(), total_, PROT_READ | PROT_WRITE, MAP_FIXED | MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE,
                 -1, 0) == MAP_FAILED)
            return;
        ok_ = true;
    }
    ~Reservation() {
        if (base_ != nullptr) munmap(base_, mapped_);
    }
    Reservation(const Reservation&) = delete;
    Reservation& operator=(const Reservation&) = delete;

    bool ok() const { return ok_; }
    std::uint8_t* data() const { return start() + (total_ - bytes_); }
    // The whole pages that hold the buffer, from the first.
    std::uint8_t* start() const { return base_ + pageSize(); }
    std::size_t pages() const { return total_; }

   private:
    std::uint64_t bytes_;
    std::size_t total_ = 0, mapped_ = 0;
    std::uint8_t* base_ = nullptr;
    bool ok_ = false;
};

class LargeBuffer {
   public:
    static constexpr std::size_t kChunk = std::size_t(48) << 20;  // a multiple of 3 bytes and of the page size

    // `bytes` bytes filled with a repeating pattern of `pattern.size()` bytes
    // that starts at the buffer's first byte.
    LargeBuffer(std::uint64_t bytes, const std::vector<std::uint8_t>& pattern)
        : bytes_(bytes), space_(bytes, Reservation::Access::None) {
        if (!space_.ok()) return;
        total_ = space_.pages();
        shift_ = total_ - bytes;
        std::uint8_t* base = space_.start();
        const int fd = memfd_create("pixmill-large-frame", 0);
        if (fd < 0 || ftruncate(fd, off_t(kChunk)) != 0) return;
        void* chunk = mmap(nullptr, kChunk, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (chunk == MAP_FAILED) return;
        chunk_ = static_cast<std::uint8_t*>(chunk);
        for (std::size_t at = 0; at < total_; at += kChunk) {
            const std::size_t length = std::min(kChunk, total_ - at);
            const bool privateChunk = at == 0 || at + length == total_;
            void* view = privateChunk ? mmap(base + at, length, PROT_READ | PROT_WRITE,
                                             MAP_FIXED | MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0)
                                      : mmap(base + at, length, PROT_READ | PROT_WRITE, MAP_FIXED | MAP_SHARED, fd, 0);
            if (view == MAP_FAILED) break;
        }
        close(fd);
        fill(pattern);
        ok_ = true;
    }
    ~LargeBuffer() {
        if (chunk_ != nullptr) munmap(chunk_, kChunk);
    }
    LargeBuffer(const LargeBuffer&) = delete;
    LargeBuffer& operator=(const LargeBuffer&) = delete;

    // Fills the whole buffer with a repeating pattern of 1, 2, 4, 3 or 8
    // bytes that starts at its first byte: the shared chunk once (in the
    // phase every view needs, since views start at multiples of the chunk)
    // and the two private chunks.
    void fill(const std::vector<std::uint8_t>& pattern) {
        std::uint8_t* base = space_.start();
        fillAt(chunk_, 0, kChunk, pattern);
        fillAt(base, 0, std::min(kChunk, total_), pattern);
        const std::size_t last = (total_ - 1) / kChunk * kChunk;
        fillAt(base + last, last, total_ - last, pattern);
    }

    bool ok() const { return ok_; }
    std::uint8_t* data() const { return space_.data(); }
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
    Reservation space_;
    std::size_t total_ = 0, shift_ = 0;
    std::uint8_t* chunk_ = nullptr;
    bool ok_ = false;
};

}  // namespace pmtest

#endif
