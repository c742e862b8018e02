// tramox.damage in the current folder: where rescued files are not the original, kept run after
// run and never erased, whether logging is on or off.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace output {

extern const char* const kDamageFileName;  // "tramox.damage"

// Appends the lines, each ending in CR LF; a failure ends the program with the run-time error
// report.
void AppendDamageLines(const std::vector<std::string>& lines);

// What tramox.damage last said of one destiny file: the ranges of each kind, merged and ascending,
// and the file's size and last-write time (UTC file time) after it was closed.
struct RecordedDamage {
    bool complete = false;  // a "complete" line: nothing is left to fill in
    std::vector<std::pair<int64_t, int64_t>> ranges[3];  // made-up, differs, missing: first, last
    uint64_t size = 0, writeTime = 0;
};

// The latest record of `path` in tramox.damage of the current folder; false when there is none
// or it cannot be trusted. Never a strict failure: an unreadable record is as good as none.
bool LatestDamage(const std::string& path, RecordedDamage* found);

}  // namespace output
