// tramox.damage in the current folder: where rescued files are not the original, kept run after
// run and never erased, whether logging is on or off.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
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

// Reads a record line by line; Feed each line (without its line end), then Latest. A line that
// starts with '#' and holds no TAB opens a run block. A block names the path when one of its lines
// has the path as first field; it is sound when every such line parses, no kind comes twice,
// "complete" comes alone, and all agree on size and time. A line naming no path is ignored.
struct DamageScan {
    explicit DamageScan(std::string path);  // UTF-8, compared with ASCII letters in either case
    void Feed(std::string_view line);
    // A line too long to keep, of which only its start is known: it spoils a block it names.
    void FeedCut(std::string_view head);
    // The record's bytes in pieces of any size, split into lines at LF (a CR before it dropped);
    // a line beyond 64 MiB goes to FeedCut. End feeds a last line that has no line end.
    void FeedBytes(std::string_view bytes);
    void End();
    // The lines of the last run block that names the path: true when that block is sound.
    bool Latest(RecordedDamage* found) const;

    struct Block {
        RecordedDamage damage;
        bool names = false;
        bool sound = true;
        unsigned kinds = 0;  // one bit per kind seen, "complete" the fourth
    };
    std::string path;
    Block current;     // the block being read
    Block latest;      // the last finished block that named the path
    std::string line;  // FeedBytes: the line so far
    bool lineCut = false;
};

// The latest record of `path` in tramox.damage of the current folder; false when there is none
// or it cannot be trusted. Never a strict failure: an unreadable record is as good as none.
bool LatestDamage(const std::string& path, RecordedDamage* found);

}  // namespace output
