#include "checks.h"

#include <cstdio>

namespace e2e {

Tally tally;

bool Check(const std::string& name, bool passed, const std::string& detail) {
    ++tally.checks;
    if (passed) {
        std::printf("ok %s\n", name.c_str());
    } else {
        ++tally.failed;
        std::printf("FAIL %s: %s\n", name.c_str(), detail.empty() ? "failed" : detail.c_str());
    }
    std::fflush(stdout);  // the run script shows the lines as they come
    return passed;
}

bool CheckClean(const std::string& name, const std::string& mismatches) {
    return Check(name, mismatches.empty(), mismatches);
}

void Note(std::string* mismatches, const std::string& text) {
    if (!mismatches->empty()) *mismatches += "; ";
    *mismatches += text;
}

void Compare(std::string* mismatches, const char* what, long long expected, long long actual) {
    if (expected == actual) return;
    Note(mismatches, std::string(what) + ": expected " + std::to_string(expected) + ", got " +
                         std::to_string(actual));
}

void Compare(std::string* mismatches, const char* what, const std::string& expected,
             const std::string& actual) {
    if (expected == actual) return;
    Note(mismatches, std::string(what) + ": expected \"" + expected + "\", got \"" + actual + "\"");
}

std::string Hex(unsigned long long value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llX", value);
    return text;
}

int Summary() {
    std::printf("e2e: %d checks, %d failed\n", tally.checks, tally.failed);
    std::fflush(stdout);
    return tally.failed == 0 && tally.checks > 0 ? 0 : 1;
}

}  // namespace e2e
