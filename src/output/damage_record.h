// tramox.damage, the damage record: in the current folder, kept run after run and never erased,
// whether logging is on or off; the whole truth about every copy it names. A line that starts
// with '#' and holds no TAB opens a run block; then one line per destiny file and kind:
//
//   destiny TAB kind TAB ranges TAB size TAB time TAB source TAB source size TAB source time
//
// kind: made-up, differs, missing, or complete (ranges "-") once nothing is left; ranges:
// "first" or "first-last", ascending, apart, separated by blanks; size and time: the destiny
// as the run left it; the source as its folder listed it. Paths are UTF-8 in RecordPath's form;
// times are UTC file times written whole. Lines of older runs lack the three source fields.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Bytes first to last of a file, counted from 0.
struct ByteRange {
    int64_t first, last;
    bool operator==(const ByteRange&) const = default;
};

// Why bytes of a destiny file cannot be trusted: made up for unreadable source bytes, read back
// as another value, or never written because the file was cut short.
enum DamageKind : uint8_t { madeUp = 0, differs = 1, missing = 2 };
constexpr int kDamageKinds = 3;

namespace output {

extern const char* const kDamageFileName;  // "tramox.damage"

// The one form of a file's path in the record, for writing and matching: the folder made whole,
// "\" for "/", no doubled separator inside it and none at its end (a "\\server\share" or "\\?\"
// beginning kept), then the name. Paths match when os::SameName says so.
std::string RecordPath(std::string_view folder, std::string_view name);

// A source as its folder listed it when its copy was made.
struct SourceIdentity {
    std::string path;  // RecordPath's form
    uint64_t size = 0, writeTime = 0;
};

// "first-last", or "first" alone; ranges joined with `between`; how many bytes they hold.
std::string RangeText(const ByteRange& range);
std::string RangesText(const std::vector<ByteRange>& ranges, const char* between);
int64_t ByteCount(const std::vector<ByteRange>& ranges);

// One line: `kind` below kDamageKinds with its ranges, or kDamageKinds for "complete"; the
// destiny's size (-1: it could not be found, which no reader trusts) and time as it lies now.
std::string RecordLine(const std::string& destiny, int kind, const std::vector<ByteRange>& ranges,
                       int64_t size, uint64_t writeTime, const SourceIdentity& source);

// What tramox.damage last said of one destiny file. A sound block's ranges are merged,
// ascending and apart across all kinds; made-up and differing bytes lie inside the file;
// missing ones are one range from the file's end on, and before the source's end when the
// source is known; their count fits listedBytes.
struct RecordedDamage {
    bool complete = false;  // a "complete" line: nothing is left to fill in
    std::vector<ByteRange> ranges[kDamageKinds];
    uint64_t size = 0, writeTime = 0;
    bool sourceKnown = false;  // false: lines of older runs
    SourceIdentity source;
    int64_t listedBytes = 0;
};

// The listed range holding `at`, or the first after it, with its kind; nullptr when none is left.
const ByteRange* ListedFrom(const RecordedDamage& damage, int64_t at, DamageKind* kind);

// Up to `most` bytes below `end` that the record does not list, nearest its first listed range
// on either side, taking turns: the bytes a copy and its source must agree on.
std::vector<int64_t> UnlistedNear(const RecordedDamage& damage, int64_t end, int most);

// Splits a record's bytes, in pieces of any size, into lines at LF (a CR before it dropped),
// each with the offset it starts at; of a line beyond 64 MiB only its start is handed on, at
// once, as cut. End hands on a last line that has no line end.
struct RecordLines {
    using OnLine = std::function<void(std::string_view line, int64_t offset, bool cut)>;
    void Feed(std::string_view bytes, const OnLine& onLine);
    void End(const OnLine& onLine);
    bool Within() const { return cut || !line.empty(); }  // a line has begun and not ended

    std::string line;  // the line so far
    int64_t start = 0, at = 0;
    bool cut = false;
};

// Reads a record line by line; Feed each line (without its line end), then Latest. A block
// names the path when one of its lines has the path as first field; it is sound when every such
// line parses, no kind comes twice, "complete" comes alone, all agree on the destiny's size and
// time and on the source, and the ranges keep the rules above. A line naming no path is ignored.
struct DamageScan {
    explicit DamageScan(std::string path);
    void Feed(std::string_view line);
    // A line too long to keep, of which only its start is known: it spoils a block it names.
    void FeedCut(std::string_view head);
    // The record's bytes in pieces of any size, split into lines at LF (a CR before it dropped);
    // a line beyond 64 MiB goes to FeedCut. End feeds a last line that has no line end.
    void FeedBytes(std::string_view bytes);
    void End();
    // The lines of the last run block that names the path: true when that block is sound.
    bool Latest(RecordedDamage* found) const;
    bool Names() const { return current.names || latest.names; }

    struct Block {
        RecordedDamage damage;
        bool names = false;
        bool sound = true;
        unsigned kinds = 0;  // one bit per kind seen, "complete" the fourth
    };
    std::string path;
    Block current;  // the block being read
    Block latest;   // the last finished block that named the path
    RecordLines lines;
};

enum class Recorded { None, Unsound, Sound };

// Where the lines of each destiny path's latest block lie in tramox.damage: the record read
// whole once, at the first lookup, then told of the lines this program appends to it, so that
// a lookup reads its own path's lines alone, through a handle kept open until the index is
// released (shared for reading and writing: it stops no one's appending). A fresh one for each
// run, released when the run ends.
struct DamageIndex {
    struct Span {
        int64_t offset = 0;
        uint32_t length = 0;
        bool cut = false;  // a line too long to keep: its start alone, to spoil its block
    };
    struct Lines {
        uint64_t block = 0;
        std::vector<Span> spans;
    };
    // The folder of the first path looked up, as NameKey of its RecordPath form with its "\"
    // ("D:\OUT\"): lines naming a path elsewhere are passed over, until a lookup elsewhere has
    // every path indexed (everyFolder).
    std::string folder;
    bool everyFolder = false;
    bool built = false;
    bool readable = true;  // false: reading it failed, and it is as good as none
    intptr_t file = -1;    // the record, open for reading (os::FileHandle)
    int64_t end = 0;       // the record's size as indexed
    bool endsLine = true;  // its last byte ends a line, where a new line can follow
    uint64_t block = 0;    // the block the last line belongs to
    std::unordered_map<std::string, Lines> paths;  // by os::NameKey of the path
};

// The latest record of `path` in tramox.damage of the current folder: None when no line names
// it, Unsound when its latest block cannot be trusted. Never a strict failure: an unreadable
// record is as good as none.
Recorded LatestDamage(DamageIndex& index, const std::string& path, RecordedDamage* found);

// Closes the index's handle; the index is built afresh at its next lookup.
void ReleaseDamageIndex(DamageIndex& index);

// Appends the lines, each ending in CR LF, and tells `index` where they went; a failure ends
// the program with the run-time error report.
void AppendDamageLines(const std::vector<std::string>& lines, DamageIndex* index = nullptr);

}  // namespace output
