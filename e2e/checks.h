// Named checks of the end-to-end driver: each prints "ok <name>" or "FAIL <name>: <detail>".
#pragma once

#include <string>

namespace e2e {

struct Tally {
    int checks = 0;
    int failed = 0;
};
extern Tally tally;

// Records one check; the detail is printed only when it failed. Returns whether it passed.
bool Check(const std::string& name, bool passed, const std::string& detail = "");
// Passes when detail is empty: for checks that collect their mismatches.
bool CheckClean(const std::string& name, const std::string& mismatches);

// Adds one mismatch to a list of them, separated by "; ".
void Note(std::string* mismatches, const std::string& text);
// Appends "what: expected X, got Y" to mismatches (separated by "; ") when the two differ.
void Compare(std::string* mismatches, const char* what, long long expected, long long actual);
void Compare(std::string* mismatches, const char* what, const std::string& expected,
             const std::string& actual);

std::string Hex(unsigned long long value);

// Prints "e2e: N checks, M failed"; returns the exit code, 0 only when every check passed.
int Summary();

}  // namespace e2e
