// Method code 8 from several threads at once: each thread's images must be
// the ones the same calls give one after another, and the method must wait
// for the library's method lock.  Run under ThreadSanitizer in CI
// (`ctest -L threads`).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "frame/library_state.h"
#include "pixmill.h"
#include "test_support.h"

using namespace pmtest;

namespace {

struct Job {
    int w, h, layout;
    std::int32_t flip;
    Bytes raw, table;  // empty table: null tables
};

Bytes convert(const Job& j) {
    Bytes image(std::size_t(j.w) * j.h * 3, 0x33);
    const std::uint8_t* t = j.table.empty() ? nullptr : j.table.data();
    if (ConvertBayer2Rgb(image.data(), j.raw.data(), j.w, j.h, 8, t, t, t, j.flip, j.layout) != 1) image.clear();
    return image;
}

TEST(LaplacianThreads, ConcurrentCallsGiveTheSequentialImages) {
    std::mt19937 rng(4242);
    std::vector<Job> jobs;
    for (int i = 0; i < 8; ++i) {
        const int w = 64 + 2 * int(rng() % 40), h = 48 + 2 * int(rng() % 30);
        jobs.push_back({w, h, 1 + i % 4, std::int32_t(i / 4), randomBytes(std::size_t(w) * h, rng()),
                        i % 3 ? randomBytes(256, rng()) : Bytes{}});
    }
    std::vector<Bytes> sequential;
    for (const Job& j : jobs) sequential.push_back(convert(j));

    // Each thread runs every job, starting at a different one, several times.
    const int threads = 4, rounds = 5;
    std::vector<std::vector<Bytes>> results(threads);
    std::atomic<int> ready{0};
    std::vector<std::thread> pool;
    for (int k = 0; k < threads; ++k)
        pool.emplace_back([&, k] {
            ++ready;
            while (ready.load() < threads) std::this_thread::yield();
            for (int round = 0; round < rounds; ++round)
                for (std::size_t i = 0; i < jobs.size(); ++i) results[k].push_back(convert(jobs[(i + k) % jobs.size()]));
        });
    for (auto& t : pool) t.join();

    for (int k = 0; k < threads; ++k)
        for (std::size_t n = 0; n < results[k].size(); ++n) {
            const std::size_t i = (n % jobs.size() + k) % jobs.size();
            ASSERT_TRUE(sameImage(sequential[i], results[k][n], jobs[i].w, 3,
                                  "thread " + std::to_string(k) + ", call " + std::to_string(n) + ", " +
                                      describe(jobs[i].layout, jobs[i].w, jobs[i].h, jobs[i].flip)));
        }
}

TEST(LaplacianThreads, WaitsForTheMethodLock) {
    const Job job{16, 16, 3, 1, randomBytes(256, 9), {}};
    std::atomic<bool> done{false};
    std::unique_lock<std::mutex> held(pm::methodLock);
    std::thread caller([&] {
        convert(job);
        done = true;
    });
    // Whenever the caller gets to run, it must not finish while the lock is
    // held here; releasing the lock lets it through.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(done.load());
    held.unlock();
    caller.join();
    EXPECT_TRUE(done.load());
}

}  // namespace
