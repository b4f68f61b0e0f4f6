// Rows of a large image written past the cache.  An image larger than the
// processor's last-level cache would push out everything else and, worse,
// have each destination line read from memory before it is written.  Its
// rows are instead computed into one scratch row, which stays in the
// first-level cache, and then copied to the image with non-temporal stores.
// Smaller images are written in place: they fit the cache, and the caller
// is likely to read them next.
#ifndef PIXMILL_FRAME_ROW_STREAM_H
#define PIXMILL_FRAME_ROW_STREAM_H

#include <cstddef>
#include <cstdint>

namespace pm {

// Whether a conversion may stream its rows: Auto decides by the image size,
// Never and Always are for tests, which compare both ways of writing.
enum class Stores { Auto, Never, Always };

class RowStream {
  public:
    // Streams with Auto when the image (imageBytes) is larger than the
    // last-level cache and a row (rowBytes) is at most kMaxRowBytes, and with
    // Always for any row of at most kMaxRowBytes.  The scratch row is the
    // only memory it takes; if it cannot be had, rows are written in place.
    RowStream(std::size_t rowBytes, std::size_t imageBytes, Stores stores = Stores::Auto);
    // Orders the streamed stores before any later store of the caller's.
    ~RowStream();
    RowStream(const RowStream&) = delete;
    RowStream& operator=(const RowStream&) = delete;

    // Where to compute the row that belongs at `imageRow`: the scratch row
    // when streaming, else the image row itself.
    std::uint8_t* rowFor(std::uint8_t* imageRow) const { return scratch_ != nullptr ? scratch_ : imageRow; }
    // Moves a finished scratch row to `imageRow` (nothing when not streaming).
    // Every byte of the scratch row must have been written since the last put.
    void put(std::uint8_t* imageRow) const;

    // Larger rows no longer stay in the first-level caches.
    static constexpr std::size_t kMaxRowBytes = 32768;

  private:
    std::size_t rowBytes_;
    std::uint8_t* scratch_ = nullptr;
};

}  // namespace pm

#endif
