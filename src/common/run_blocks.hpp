// Internal to the library: the sharing of a batch's rows among threads, as
// the rotation and the state vectors run them. Not part of the public
// interface.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <thread>

namespace varn::detail {

// Runs work(begin, end) over contiguous blocks that cover [0, count) (once,
// on an empty range, for count <= 0), on up to `threads` threads (0 or
// less: one per hardware thread), the calling thread included, each with at
// least min_per_thread items. A block whose thread cannot be started runs
// on the calling thread. Returns, when every block is done, the number of
// blocks.
template <class Work>
std::int64_t run_blocks(std::int64_t count, int threads, std::int64_t min_per_thread, Work work) {
    constexpr int MAX_THREADS = 256;
    const std::int64_t wanted =
        threads > 0 ? threads : static_cast<std::int64_t>(std::thread::hardware_concurrency());
    const std::int64_t workers = std::max<std::int64_t>(
        1, std::min<std::int64_t>({wanted, MAX_THREADS, count / min_per_thread}));
    // Blocks of near-equal size; block 0 runs on the calling thread.
    std::array<std::thread, MAX_THREADS> pool;
    const std::int64_t base = count / workers;
    const std::int64_t extra = count % workers;
    auto bound = [=](std::int64_t b) { return b * base + std::min(b, extra); };
    for (std::int64_t b = 1; b < workers; ++b) {
        try {
            pool[static_cast<std::size_t>(b)] = std::thread(work, bound(b), bound(b + 1));
        } catch (...) {
            work(bound(b), bound(b + 1));
        }
    }
    work(std::int64_t{0}, bound(1));
    for (std::thread& th : pool) {
        if (th.joinable()) th.join();
    }
    return workers;
}

}  // namespace varn::detail
