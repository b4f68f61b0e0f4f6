#include "frame/row_stream.h"

#include <algorithm>
#include <cstring>
#include <new>

// Streaming needs the SSE2 stores and the C library's word on the cache size.
#if defined(__SSE2__) && defined(__x86_64__) && defined(__linux__)
#define PIXMILL_ROW_STREAM 1
#include <emmintrin.h>
#include <unistd.h>
#endif

namespace pm {
#ifdef PIXMILL_ROW_STREAM
namespace {

// The last-level cache of this processor as the C library found it at start
// up; 8 MiB when it does not say.
std::size_t lastLevelCache() {
    long bytes = sysconf(_SC_LEVEL3_CACHE_SIZE);
    if (bytes <= 0) bytes = sysconf(_SC_LEVEL2_CACHE_SIZE);
    return bytes > 0 ? static_cast<std::size_t>(bytes) : std::size_t{8} << 20;
}

}  // namespace
#endif

RowStream::RowStream(std::size_t rowBytes, std::size_t imageBytes, Stores stores) : rowBytes_(rowBytes) {
#ifdef PIXMILL_ROW_STREAM
    const bool wanted = stores == Stores::Always || (stores == Stores::Auto && imageBytes > lastLevelCache());
    if (wanted && rowBytes > 0 && rowBytes <= kMaxRowBytes) scratch_ = new (std::nothrow) std::uint8_t[rowBytes];
#else
    (void)imageBytes;
    (void)stores;
#endif
}

RowStream::~RowStream() {
#ifdef PIXMILL_ROW_STREAM
    if (scratch_ != nullptr) _mm_sfence();
#endif
    delete[] scratch_;
}

void RowStream::put(std::uint8_t* imageRow) const {
    if (scratch_ == nullptr) return;
#ifdef PIXMILL_ROW_STREAM
    // Plain stores up to the first 16-byte boundary of the image row, then
    // whole 16-byte lines past the cache, then the rest plainly.
    const std::size_t head =
        std::min(rowBytes_, (16 - (reinterpret_cast<std::uintptr_t>(imageRow) & 15)) & 15);
    std::memcpy(imageRow, scratch_, head);
    std::size_t i = head;
    for (; i + 64 <= rowBytes_; i += 64)
        for (std::size_t k = 0; k < 64; k += 16)
            _mm_stream_si128(reinterpret_cast<__m128i*>(imageRow + i + k),
                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(scratch_ + i + k)));
    for (; i + 16 <= rowBytes_; i += 16)
        _mm_stream_si128(reinterpret_cast<__m128i*>(imageRow + i),
                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(scratch_ + i)));
    std::memcpy(imageRow + i, scratch_ + i, rowBytes_ - i);
#endif
}

}  // namespace pm
