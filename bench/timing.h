// The benchmarks' clock, and their output: one line "<key> <seconds>" per measurement, which
// run_bench.sh gathers into its table.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

namespace bench {

inline double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

inline void Sample(const std::string& key, double seconds) {
    std::printf("%s %.9f\n", key.c_str(), seconds);
    std::fflush(stdout);
}

}  // namespace bench
