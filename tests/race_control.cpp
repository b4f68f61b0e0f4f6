// The control of the thread tests: two threads convert into one destination
// at once, a race on purpose.  Built with ThreadSanitizer it must be
// reported ("ThreadSanitizer: data race"), which shows that the thread tests
// would see a race in the library.  The test threads_race_control runs it in
// a PIXMILL_TSAN build and passes only on that report.
#include <cstdint>
#include <cstdio>
#include <thread>
#include <vector>

#include "pixmill.h"

int main() {
    const int width = 64, height = 64;
    std::vector<std::uint8_t> raw(width * height, 90), shared(3 * width * height);
    auto convert = [&] {
        for (int i = 0; i < 4; ++i)
            ConvertBayer2Rgb(shared.data(), raw.data(), width, height, 2, nullptr, nullptr, nullptr, 0, 1);
    };
    std::thread a(convert), b(convert);
    a.join();
    b.join();
    std::printf("converted into one destination from two threads\n");
    return 0;
}
