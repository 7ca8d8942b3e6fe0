#pragma once

#include <algorithm>
#include <chrono>

namespace zz::bench {

// The fastest of several passes, in seconds: the one least disturbed by
// whatever else the machine is doing.
template <typename F>
double bestSeconds(F &&pass, int rounds = 7)
{
    using Clock = std::chrono::steady_clock;
    double best = 1e9;
    for (int i = 0; i < rounds; ++i) {
        const auto start = Clock::now();
        pass();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

} // namespace zz::bench
