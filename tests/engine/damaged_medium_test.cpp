// Whole runs over damaged media on the simulated machine, one row each, with one shared check of
// what must hold after any run.
#include <cctype>
#include <map>
#include <sstream>

#include "engine_fixture.h"

namespace engine_test {
namespace {

struct File {
    std::string path, content;
    uint32_t attributes = os::kAttrArchive;  // with the folder bit: a folder
};

struct Bad {  // bytes of a source that fail to read `times` times each (< 0: for ever)
    std::string path;
    uint64_t first, last;
    int times;
};

struct Row {
    const char* name;
    std::vector<File> files;  // sources, and destiny files there before the run
    std::vector<Bad> bad;
    std::function<void()> setup;                               // settings and other faults
    std::vector<std::pair<std::string, std::string>> destiny;  // files the run must make
    std::vector<std::string> console;
    const char* totals;  // "files read written [verified]", or "" when no totals are logged
    const char* source = "C:\\src\\*.*";
    const char* destinyFolder = "D:\\out";
    uint32_t destinyAttributes = os::kAttrArchive;
    const char* record = nullptr;  // tramox.damage's lines, where the console cannot tell them
    std::string progress = "";  // the percentages shown, when the row tells them
};

const std::string kDigits = "0123456789";

// `count` copies of `piece`, with `marks` written over it at their offsets.
std::string Filled(size_t count, const std::string& piece,
                   std::vector<std::pair<size_t, char>> marks = {}) {
    std::string text;
    for (size_t i = 0; i < count; ++i) text += piece;
    for (auto [at, mark] : marks) text[at] = mark;
    return text;
}

const std::string kOnes = std::string(1, '\xFF');
const std::string kThousand = Filled(100, kDigits);

std::string EveryPercent() {
    std::string text = "0";
    for (int percent = 1; percent <= 100; ++percent) text += " " + std::to_string(percent);
    return text;
}

// Sources the run changes on purpose, as another program would behind its back.
std::map<std::string, std::string> changedSources;

// Just before the source is opened, its content becomes `content`.
void ChangeSourceOnOpening(const std::string& path, const std::string& content) {
    onState = [path, content](JobState now) {
        if (now != JobState::OpenSource || changedSources.count(path)) return;
        sim::AddFile(path, content);
        changedSources[path] = content;
    };
}

// Four sources, one for each skip rule, and only `key`'s rule on: it alone passes `skipped` by.
Row SkipOnly(const char* key, const std::string& skipped) {
    Row row{key,
            {{"C:\\src\\e", ""},
             {"C:\\src\\h", "h", os::kAttrHidden},
             {"C:\\src\\r", "r", os::kAttrReadOnly},
             {"C:\\src\\s", "s", os::kAttrSystem}},
            {},
            [key] { Set(key, 1); },
            {},
            {},
            skipped == "e" ? "3 3 3" : "2 2 2"};
    for (const char* name : {"e", "h", "r", "s"}) {
        if (name == skipped) continue;
        std::string text = name == std::string("e")
                               ? "File \"e\" is empty"
                               : std::string("Copied \"") + name + "\" 1bytes, written 1bytes";
        row.console.push_back(text);
        if (*name != 'e') row.destiny.push_back({std::string("D:\\out\\") + name, name});
    }
    return row;
}

const std::string kLongName = std::string(207, 'n') + ".bin";
const std::string kLineName = std::string(227, 'l') + ".bin";  // its damage line: 255 characters

const Row kRows[] = {
    SkipOnly("skipEmptyFiles", "e"),
    SkipOnly("skipHiddenFiles", "h"),
    SkipOnly("skipReadOnlyFiles", "r"),
    SkipOnly("skipSystemFiles", "s"),
    {"a read-only, hidden, system source on a medium that refuses every write",
     {{"E:\\cd\\x.bin", "abc", os::kAttrReadOnly | os::kAttrHidden | os::kAttrSystem}},
     {},
     [] { sim::WriteProtect('E'); },
     {{"D:\\out\\x.bin", "abc"}},
     {"Copied \"x.bin\" 3bytes, written 3bytes"},
     "1 3 3",
     "E:\\cd\\*.*"},
    {"a lower-case floppy drive with Recognize medium gets two retries per byte",
     {{"a:\\src\\x.bin", "aab"}},
     {{"A:\\src\\x.bin", 2, 2, 2}},
     [] { Set("recognize", 1); },
     {{"D:\\out\\x.bin", "aab"}},
     {"Copied \"x.bin\" 3bytes, written 3bytes"},
     "1 3 3",
     "a:\\src\\*.*"},
    {"a lower-case floppy drive with Recognize medium: a byte failing three times is made up",
     {{"a:\\src\\x.bin", "aab"}},
     {{"a:\\src\\x.bin", 2, 2, 3}},
     [] { Set("recognize", 1); },
     {{"D:\\out\\x.bin", "aaa"}},
     {"Copied \"x.bin\" 2bytes, written 3bytes", "Made up 1 bytes of \"x.bin\": 2"},
     "1 2 3",
     "a:\\src\\*.*"},
    {"a lower-case floppy drive without Recognize medium gets one retry per byte",
     {{"a:\\src\\x.bin", "aab"}},
     {{"a:\\src\\x.bin", 2, 2, 2}},
     [] { Set("recognize", 0); },
     {{"D:\\out\\x.bin", "aaa"}},
     {"Copied \"x.bin\" 2bytes, written 3bytes", "Made up 1 bytes of \"x.bin\": 2"},
     "1 2 3",
     "a:\\src\\*.*"},
    {"faster copying gives a byte four retries",
     {{"C:\\src\\x.bin", "aab"}},
     {{"C:\\src\\x.bin", 2, 2, 4}},
     [] { Set("enableFasterCopy", 1); },
     {{"D:\\out\\x.bin", "aab"}},
     {"Copied \"x.bin\" 3bytes, written 3bytes"},
     "1 3 3"},
    {"a damage line of exactly a console line's length is whole",
     {{"C:\\src\\" + kLineName, "aab"}},
     {{"C:\\src\\" + kLineName, 2, 2, -1}},
     nullptr,
     {{"D:\\out\\" + kLineName, "aaa"}},
     {"Copied \"" + kLineName + "\" 2bytes, written 3bytes",  // a line naming a file is whole
      "Made up 1 bytes of \"" + kLineName + "\": 2"},
     "1 2 3"},
    {"a CD's read-only folder is no source",
     {{"C:\\src\\cd", "", os::kAttrDirectory | os::kAttrReadOnly}, {"C:\\src\\x.bin", "abc"}},
     {},
     nullptr,
     {{"D:\\out\\x.bin", "abc"}},
     {"Copied \"x.bin\" 3bytes, written 3bytes"},
     "1 3 3",
     "C:\\src\\*"},
    {"forward slashes part folders in the source",
     {{"C:\\src\\x\\a.txt", "a"}},
     {},
     nullptr,
     {{"D:\\out\\a.txt", "a"}},
     {"Copied \"a.txt\" 1bytes, written 1bytes"},
     "1 1 1",
     "C:/src\\x/*.txt"},
    {"an empty drive root is a destiny folder",
     {{"C:\\src\\x.bin", "abc"}},
     {},
     [] {
         sim::AddDrive('E');
         Set("depthTryCreateFolder", 0);
     },
     {{"E:\\x.bin", "abc"}},
     {"Copied \"x.bin\" 3bytes, written 3bytes"},
     "1 3 3",
     "C:\\src\\*.*",
     "E:"},
    {"an empty drive root ending in a backslash, with damage on record",
     {{"C:\\src\\x.bin", "abc"}},
     {{"C:\\src\\x.bin", 1, 1, -1}},
     [] {
         sim::AddDrive('E');
         Set("depthTryCreateFolder", 0);
     },
     {{"E:\\x.bin", "aac"}},
     {"Copied \"x.bin\" 2bytes, written 3bytes", "Made up 1 bytes of \"x.bin\": 1"},
     "1 2 3",
     "C:\\src\\*.*",
     "E:\\"},
    {"a name that leaves no room still tells its first range",
     {{"C:\\src\\" + kLongName, "0123456789abcdefghijklmn"}},
     {{"C:\\src\\" + kLongName, 10, 11, -1},
      {"C:\\src\\" + kLongName, 13, 14, -1},
      {"C:\\src\\" + kLongName, 16, 17, -1},
      {"C:\\src\\" + kLongName, 19, 20, -1},
      {"C:\\src\\" + kLongName, 22, 23, -1}},
     nullptr,
     {{"D:\\out\\" + kLongName, "012345678900c00f00i00l00"}},
     {"Copied \"" + kLongName + "\" 14bytes, written 24bytes",
      "Made up 10 bytes of \"" + kLongName + "\": 10-11, and 4 more ranges"},
     "1 14 24",
     "C:\\src\\*.*",
     "D:\\out\\",
     os::kAttrArchive,
     "made-up\t10-11 13-14 16-17 19-20 22-23"},
    {"healthy folder into a missing destiny folder",
     {{"C:\\src\\a.txt", "hello"},
      {"C:\\src\\b.bin", std::string("\0\1\2", 3)},
      {"C:\\src\\sub", "", os::kAttrDirectory}},
     {},
     nullptr,
     {{"D:\\out\\a.txt", "hello"}, {"D:\\out\\b.bin", std::string("\0\1\2", 3)}},
     {"Copied \"a.txt\" 5bytes, written 5bytes", "Copied \"b.bin\" 3bytes, written 3bytes",
      "File \"sub\" is empty"},
     "2 8 8"},
    {"bad range between readable bytes; ties go to the lowest value",
     {{"C:\\src\\x.bin", kDigits}},
     {{"C:\\src\\x.bin", 3, 5, -1}},
     nullptr,
     {{"D:\\out\\x.bin", "0120006789"}},
     {"Copied \"x.bin\" 7bytes, written 10bytes", "Made up 3 bytes of \"x.bin\": 3-5"},
     "1 7 10"},
    {"marginal byte read at the third try",
     {{"C:\\src\\x.bin", kDigits}},
     {{"C:\\src\\x.bin", 4, 4, 2}},
     nullptr,
     {{"D:\\out\\x.bin", kDigits}},
     {"Copied \"x.bin\" 10bytes, written 10bytes"},
     "1 10 10"},
    {"a floppy gets one retry per byte",
     {{"A:\\src\\x.bin", "aab"}},
     {{"A:\\src\\x.bin", 2, 2, 2}},
     nullptr,
     {{"D:\\out\\x.bin", "aaa"}},
     {"Copied \"x.bin\" 2bytes, written 3bytes", "Made up 1 bytes of \"x.bin\": 2"},
     "1 2 3",
     "A:\\src\\*.*"},
    {"halt on first error keeps what was copied",
     {{"C:\\src\\x.bin", kDigits}, {"C:\\src\\y.bin", "yz"}},
     {{"C:\\src\\x.bin", 2, 2, -1}},
     [] { Set("haltOnFirstError", 1); },
     {{"D:\\out\\x.bin", "01"}, {"D:\\out\\y.bin", "yz"}},
     {"Copied \"x.bin\" 2bytes, written 2bytes", "Not copied 8 bytes of \"x.bin\": 2-9",
      "Copied \"y.bin\" 2bytes, written 2bytes"},
     "2 4 4"},
    {"unreadable bytes made up as zero",
     {{"C:\\src\\x.bin", "aabb"}},
     {{"C:\\src\\x.bin", 1, 2, -1}},
     [] { Set("subDamagedBitByZero", 1); },
     {{"D:\\out\\x.bin", std::string("a\0\0b", 4)}},
     {"Copied \"x.bin\" 2bytes, written 4bytes", "Made up 2 bytes of \"x.bin\": 1-2"},
     "1 2 4"},
    {"the most frequent byte counts over every file read",
     {{"C:\\src\\a.bin", "xyyz"}, {"C:\\src\\b.bin", "q?"}},
     {{"C:\\src\\b.bin", 1, 1, -1}},
     nullptr,
     {{"D:\\out\\a.bin", "xyyz"}, {"D:\\out\\b.bin", "qy"}},
     {"Copied \"a.bin\" 4bytes, written 4bytes", "Copied \"b.bin\" 1bytes, written 2bytes",
      "Made up 1 bytes of \"b.bin\": 1"},
     "2 5 6"},
    {"a full destiny disk gives the file up with a message",
     {{"C:\\src\\x.bin", "abcdefgh"}},
     {},
     [] { sim::FillDiskAfter('D', 4); },
     {{"D:\\out\\x.bin", "abcd"}},
     {"Unable to write destiny file", "Copied \"x.bin\" 5bytes, written 4bytes",
      "Not copied 4 bytes of \"x.bin\": 4-7"},
     "1 5 4"},
    {"a source shorter than listed ends in made-up bytes",
     {{"C:\\src\\x.bin", "abcdef"}},
     {},
     [] { ChangeSourceOnOpening("C:\\src\\x.bin", "abc"); },
     {{"D:\\out\\x.bin", "abcaaa"}},
     {"Copied \"x.bin\" 3bytes, written 6bytes", "Made up 3 bytes of \"x.bin\": 3-5"},
     "1 3 6"},
    {"a source longer than listed gives the listed bytes",
     {{"C:\\src\\x.bin", "abc"}},
     {},
     [] { ChangeSourceOnOpening("C:\\src\\x.bin", "abcdef"); },
     {{"D:\\out\\x.bin", "abc"}},
     {"Copied \"x.bin\" 3bytes, written 3bytes"},
     "1 3 3"},
    {"hidden, system and read-only sources are copied and left as they are",
     {{"C:\\src\\h", "h", os::kAttrHidden},
      {"C:\\src\\r", "r", os::kAttrReadOnly},
      {"C:\\src\\s", "s", os::kAttrSystem | os::kAttrArchive}},
     {},
     nullptr,
     {{"D:\\out\\h", "h"}, {"D:\\out\\r", "r"}, {"D:\\out\\s", "s"}},
     {"Copied \"h\" 1bytes, written 1bytes", "Copied \"r\" 1bytes, written 1bytes",
      "Copied \"s\" 1bytes, written 1bytes"},
     "3 3 3"},
    {"skip rules pass files by silently",
     {{"C:\\src\\e", ""},
      {"C:\\src\\h", "h", os::kAttrHidden},
      {"C:\\src\\r", "r", 1},
      {"C:\\src\\s", "s", os::kAttrSystem}},
     {},
     [] {
         for (const char* key :
              {"skipEmptyFiles", "skipHiddenFiles", "skipReadOnlyFiles", "skipSystemFiles"})
             Set(key, 1);
     },
     {},
     {},
     ""},
    {"an existing destiny file is never overwritten, hidden source or not",
     {{"C:\\src\\a.txt", "new", os::kAttrHidden}, {"D:\\out\\a.txt", "old"}},
     {},
     [] { Set("skipHiddenFiles", 1); },
     {},
     {"Copy \"a.txt\" file already exists"},
     ""},
    {"an empty file is reported and not made",
     {{"C:\\src\\e.txt", ""}},
     {},
     nullptr,
     {},
     {"File \"e.txt\" is empty"},
     ""},
    {"a source held open by another program for three attempts",
     {{"C:\\src\\x.bin", "abc"}},
     {},
     [] { sim::FailOperation(sim::Op::Open, "C:\\src\\x.bin", 3, os::kErrorSharingViolation); },
     {{"D:\\out\\x.bin", "abc"}},
     {"Copied \"x.bin\" 3bytes, written 3bytes"},
     "1 3 3"},
    {"a source that cannot be opened is left as it is",
     {{"C:\\src\\x.bin", "abc", os::kAttrHidden}},
     {},
     [] {
         Set("depthOpenSource", 3);
         sim::FailOperation(sim::Op::Open, "C:\\src\\x.bin", -1, os::kErrorSharingViolation);
     },
     {},
     {"Unable to open source file"},
     "1 0 0"},
    {"a destiny that cannot be created lets the source go",
     {{"C:\\src\\x.bin", "abc", os::kAttrReadOnly}},
     {},
     [] {
         Set("depthCreateDestiny", 2);
         sim::FailOperation(sim::Op::Open, "D:\\out\\x.bin", -1, os::kErrorAccessDenied);
     },
     {},
     {"Unable to create destiny file"},
     "1 0 0"},
    {"a refused source close is reported and the source left as it is",
     {{"C:\\src\\x.bin", "abc", os::kAttrHidden}},
     {},
     [] {
         Set("depthCloseSource", 2);
         sim::FailOperation(sim::Op::Close, "C:\\src\\x.bin", -1, os::kErrorAccessDenied);
     },
     {{"D:\\out\\x.bin", "abc"}},
     {"Unable to close source file", "Copied \"x.bin\" 3bytes, written 3bytes"},
     "1 3 3"},
    {"a refused destiny close gives no result line",
     {{"C:\\src\\x.bin", "abc"}},
     {},
     [] {
         Set("depthCloseDestiny", 2);
         sim::FailOperation(sim::Op::Close, "D:\\out\\x.bin", 1, os::kErrorAccessDenied);
     },
     {{"D:\\out\\x.bin", "abc"}},
     {"Unable to close destiny file"},
     "1 3 3"},
    {"a refused destiny close still reports the file's damage",
     {{"C:\\src\\x.bin", "abcd"}},
     {{"C:\\src\\x.bin", 1, 1, -1}},
     [] {
         Set("depthCloseDestiny", 1);
         sim::FailOperation(sim::Op::Close, "D:\\out\\x.bin", 2, os::kErrorAccessDenied);
     },
     {{"D:\\out\\x.bin", "aacd"}},
     {"Unable to close destiny file", "Made up 1 bytes of \"x.bin\": 1"},
     "1 3 4"},
    {"no source file",
     {},
     {},
     [] { Set("depthSearchSource", 2); },
     {},
     {"Unable to find any source file"},
     "",
     "C:\\src\\*.none"},
    {"only folders match",
     {{"C:\\src\\sub", "", os::kAttrDirectory}},
     {},
     [] { Set("depthSearchSource", 1); },
     {},
     {"Unable to find any source file"},
     "",
     "C:\\src\\*"},
    {"a destiny folder whose parent is missing",
     {{"C:\\src\\x.bin", "abc"}},
     {},
     [] { Set("depthTryCreateFolder", 1); },
     {},
     {"Unable to create destiny folder"},
     "",
     "C:\\src\\*.*",
     "D:\\none\\out"},
    {"read back, and the destiny given system, hidden and read-only",
     {{"C:\\src\\x.bin", "abcd"}},
     {},
     [] {
         Set("verifyData", 1);
         Set("destinyFileAttributeSystem", 1);
         Set("destinyFileAttributeHidden", 1);
         Set("destinyFileAttributeReadOnly", 1);
     },
     {{"D:\\out\\x.bin", "abcd"}},
     {"Copied \"x.bin\" 4bytes, written 4bytes, verified 3bytes"},
     "1 4 4 4",
     "C:\\src\\*.*",
     "D:\\out",
     0x27},
    {"bad bytes in the first and the last block",
     {{"C:\\src\\x.bin", kDigits}},
     {{"C:\\src\\x.bin", 1, 1, -1}, {"C:\\src\\x.bin", 9, 9, -1}},
     nullptr,
     {{"D:\\out\\x.bin", "0023456780"}},
     {"Copied \"x.bin\" 8bytes, written 10bytes", "Made up 2 bytes of \"x.bin\": 1, 9"},
     "1 8 10"},
    {"every byte made up",
     {{"C:\\src\\x.bin", kDigits}},
     {{"C:\\src\\x.bin", 0, 9, -1}},
     nullptr,
     {{"D:\\out\\x.bin", std::string(10, '\0')}},
     {"Copied \"x.bin\" 0bytes, written 10bytes", "Made up 10 bytes of \"x.bin\": 0-9"},
     "1 0 10"},
    {"a written byte that reads back at the third try",
     {{"C:\\src\\x.bin", kDigits}},
     {{"D:\\out\\x.bin", 4, 5, 2}},
     [] { Set("verifyData", 1); },
     {{"D:\\out\\x.bin", kDigits}},
     {"Copied \"x.bin\" 10bytes, written 10bytes, verified 9bytes"},
     "1 10 10 10"},
    {"a source without a folder, searches failing on the way",
     {{"C:\\work\\a.txt", "a"}, {"C:\\work\\b.txt", "b"}},
     {},
     [] { sim::FailOperation(sim::Op::FindNext, "", 3, os::kErrorCrc); },
     {{"D:\\out\\a.txt", "a"}, {"D:\\out\\b.txt", "b"}},
     {"Copied \"a.txt\" 1bytes, written 1bytes", "Copied \"b.txt\" 1bytes, written 1bytes"},
     "2 2 2",
     "c:*.txt"},
    {"a thousand bytes, mostly 0xFF: unreadable ones made up as 0xFF",
     {{"C:\\src\\x.bin", Filled(1000, kOnes, {{100, 'A'}, {101, 'B'}, {998, 'C'}})}},
     {{"C:\\src\\x.bin", 100, 101, -1}, {"C:\\src\\x.bin", 998, 998, -1}},
     nullptr,
     {{"D:\\out\\x.bin", Filled(1000, kOnes)}},
     {"Copied \"x.bin\" 997bytes, written 1000bytes", "Made up 3 bytes of \"x.bin\": 100-101, 998"},
     "1 997 1000"},
    {"the same without progress: one stretch per block",
     {{"C:\\src\\x.bin", Filled(1000, kOnes, {{100, 'A'}, {101, 'B'}, {998, 'C'}})}},
     {{"C:\\src\\x.bin", 100, 101, -1}, {"C:\\src\\x.bin", 998, 998, -1}},
     [] { Set("printProgress", 0); },
     {{"D:\\out\\x.bin", Filled(1000, kOnes)}},
     {"Copied \"x.bin\"", "Made up 3 bytes of \"x.bin\": 100-101, 998"},
     "1 997 1000"},
    {"at read depth 1 a byte failing twice is made up, at a block's start and inside one",
     {{"C:\\src\\x.bin", kThousand}},
     {{"C:\\src\\x.bin", 0, 0, 2}, {"C:\\src\\x.bin", 600, 600, 2}},
     [] { Set("depthRead", 1); },
     {{"D:\\out\\x.bin", Filled(1, kThousand, {{0, '\0'}, {600, '1'}})}},
     {"Copied \"x.bin\" 998bytes, written 1000bytes", "Made up 2 bytes of \"x.bin\": 0, 600"},
     "1 998 1000"},
    {"a disk that fills inside a stretch",
     {{"C:\\src\\x.bin", kThousand}},
     {},
     [] {
         Set("printProgress", 0);
         sim::FillDiskAfter('D', 705);
     },
     {{"D:\\out\\x.bin", kThousand.substr(0, 705)}},
     {"Unable to write destiny file", "Copied \"x.bin\"",
      "Not copied 295 bytes of \"x.bin\": 705-999"},
     "1 706 705"},
    {"a read-back that fails inside a stretch",
     {{"C:\\src\\x.bin", kThousand}},
     {{"D:\\out\\x.bin", 505, 505, 3}},
     [] { Set("verifyData", 1); },
     {{"D:\\out\\x.bin", kThousand}},
     {"Copied \"x.bin\" 1000bytes, written 1000bytes, verified 999bytes"},
     "1 1000 1000 1000"},
    {"a hundred bytes show every percentage",
     {{"C:\\src\\x.bin", Filled(10, kDigits)}},
     {},
     nullptr,
     {{"D:\\out\\x.bin", Filled(10, kDigits)}},
     {"Copied \"x.bin\" 100bytes, written 100bytes"},
     "1 100 100",
     "C:\\src\\*.*",
     "D:\\out",
     os::kAttrArchive,
     nullptr,
     EveryPercent()},
};

bool IsBad(const Row& row, const std::string& path, uint64_t at) {
    for (const Bad& bad : row.bad)
        if (bad.path == path && at >= bad.first && at <= bad.last) return true;
    return false;
}

bool ExistedBefore(const Row& row, const std::string& path) {
    for (const File& file : row.files)
        if (file.path == path) return true;
    return false;
}

std::string FileName(const std::string& path) { return path.substr(path.rfind('\\') + 1); }

// What must hold after any run: sources and destiny files that existed never written to, not
// even their attributes, nothing left open, and a destiny byte differs from its source only
// where reading failed.
void CheckInvariants(const Row& row) {
    EXPECT_EQ(sim::OpenFileCount(), 0);
    EXPECT_EQ(sim::OpenSearchCount(), 0);
    for (const File& file : row.files) {
        EXPECT_EQ(sim::WritesTo(file.path), 0) << file.path;
        EXPECT_EQ(sim::Attributes(file.path), file.attributes) << file.path;
        if (file.attributes & os::kAttrDirectory) continue;
        auto changed = changedSources.find(file.path);
        const std::string& source =
            changed == changedSources.end() ? file.content : changed->second;
        EXPECT_EQ(sim::Content(file.path), source) << file.path;
        std::string copyPath = std::string(row.destinyFolder) + "\\" + FileName(file.path);
        if (file.path.rfind(row.destinyFolder, 0) == 0 || ExistedBefore(row, copyPath)) continue;
        std::string copy = sim::Content(copyPath);
        for (uint64_t at = 0; at < copy.size() && at < source.size(); ++at)
            EXPECT_TRUE(copy[at] == source[at] || IsBad(row, file.path, at)) << "byte " << at;
    }
}

// What a user or a file can see of a run.
struct Seen {
    std::vector<JobState> trace;
    std::vector<std::string> console;
    std::string log;
    std::vector<std::string> destiny;  // name and bytes of every file in the destiny folder
    std::vector<int64_t> counts;       // totals, the last file's counters, the histogram
    std::string damage;                // tramox.damage
    std::string progress;              // each percentage shown, in order
};

Seen RunRow(const Row& row) {
    EngineTest::Restart();
    changedSources.clear();
    sim::AddDrive('D');
    for (const File& file : row.files) {
        if (file.attributes & os::kAttrDirectory)
            sim::AddFolder(file.path, file.attributes);
        else
            sim::AddFile(file.path, file.content, file.attributes);
    }
    for (const Bad& bad : row.bad) sim::FailReadRange(bad.path, bad.first, bad.last, bad.times);
    if (row.setup) row.setup();
    std::string progress;
    onState = [inner = onState, &progress, shown = -1](JobState state) mutable {
        if (CopyJob.percent != shown) {
            shown = CopyJob.percent;
            progress += (progress.empty() ? "" : " ") + std::to_string(shown);
        }
        if (inner) inner(state);
    };
    EngineTest::Copy(row.source, row.destinyFolder);
    onState = nullptr;
    CheckInvariants(row);
    Seen seen{trace, EngineTest::ConsoleLines(), EngineTest::Log(), {}, {}, {}, progress};
    rt::DirEntry entry;
    for (int32_t code = rt::FindFirst(std::string(row.destinyFolder) + "\\*", 63, entry); code == 0;
         code = rt::FindNext(entry))
        seen.destiny.push_back(
            entry.name.str() + ": " +
            sim::Content(std::string(row.destinyFolder) + "\\" + entry.name.str()));
    rt::FindClose(entry);
    seen.counts = {CopyTotals.filesProcessed, CopyTotals.bytesRead,  CopyTotals.bytesWritten,
                   CopyTotals.bytesVerified,  CopyJob.fileBytesRead, CopyJob.fileBytesWritten,
                   CopyJob.fileBytesVerified};
    seen.counts.insert(seen.counts.end(), std::begin(CopyJob.byteHistogram),
                       std::end(CopyJob.byteHistogram));
    seen.damage = sim::Content("C:\\work\\tramox.damage");
    return seen;
}

// The lines tramox.damage must hold after the row's damage lines in the console: the run's own
// line, then the destiny file, its kind, its ranges apart by blanks, its size and time, and its
// source.
std::string ExpectedRecord(const Row& row) {
    const std::pair<const char*, const char*> kinds[] = {
        {"Made up ", "made-up"}, {"Read back ", "differs"}, {"Not copied ", "missing"}};
    std::string record, folder = row.destinyFolder, source = row.source;
    if (folder.back() != '\\') folder += '\\';
    source.erase(source.rfind('\\') + 1);
    source[0] = static_cast<char>(std::toupper(source[0]));  // made whole, as the system does
    auto end = [&](const std::string& name) {  // the source's size as the run listed it
        size_t listed = std::string::npos;
        for (const File& file : row.files)
            if (file.path == source + name) listed = file.content.size();
        return RecordEnd(folder + name, source + name, listed);
    };
    if (row.record)
        record = folder + kLongName + "\t" + row.record +
                 end(kLongName) + "\r\n";
    else
        for (const std::string& line : row.console)
            for (const auto& [opening, word] : kinds) {
                if (line.rfind(opening, 0) != 0) continue;
                size_t quote = line.find('"'), colon = line.find("\": ");
                std::string ranges = line.substr(colon + 3);
                for (size_t comma; (comma = ranges.find(", ")) != std::string::npos;)
                    ranges.replace(comma, 2, " ");
                std::string name = line.substr(quote + 1, colon - quote - 1);
                record += folder + name + "\t" + word + "\t" + ranges +
                          end(name) + "\r\n";
            }
    if (record.empty()) return record;  // a run without damage writes nothing
    return "#2010-05-03 14:07:09 " + std::string(row.source) + " -> " + row.destinyFolder + "\r\n" +
           record;
}

void CheckExpected(const Row& row, const Seen& seen) {
    EXPECT_EQ(seen.console, row.console);
    EXPECT_TRUE(row.progress.empty() || seen.progress == row.progress) << seen.progress;
    EXPECT_EQ(seen.damage, ExpectedRecord(row));
    for (std::string line : row.console) {  // each failure also in the log, lower case
        if (line.rfind("Unable ", 0) != 0) continue;
        line[0] = 'u';
        EXPECT_NE(seen.log.find(line.substr(0, line.find(':'))), std::string::npos) << line;
    }
    for (const auto& [path, content] : row.destiny) {
        EXPECT_EQ(sim::Content(path), content) << path;
        EXPECT_EQ(sim::Attributes(path), row.destinyAttributes) << path;
    }
    std::string totals = row.totals;
    EXPECT_EQ(seen.log.find("Totally") != std::string::npos, !totals.empty());
    if (totals.empty()) return;
    std::istringstream numbers(totals);
    std::string files, read, written, verified;  // verified only with read-back
    numbers >> files >> read >> written >> verified;
    for (std::string text : {"Processed " + files + " files", "Read " + read + "bytes",
                             "Written " + written + "bytes"})
        EXPECT_NE(seen.log.find(text + "</FONT>"), std::string::npos) << text;
    EXPECT_EQ(seen.log.find("Verified " + verified + "bytes</FONT>") != std::string::npos,
              !verified.empty());
}

// Each row byte by byte, as the steps are written, then in blocks of three bytes, so that faults
// fall on block boundaries and inside first and last blocks, and in the program's own blocks:
// everything seen must be the same.
TEST_F(EngineTest, DamagedMedium) {
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.name);
        engine::blockTransfers = false;
        Seen single = RunRow(row);
        CheckExpected(row, single);
        engine::blockTransfers = true;
        for (int64_t size : {int64_t{3}, engine::kLargestBlock}) {
            SCOPED_TRACE(size);
            engine::blockBytes = size;
            Seen blocks = RunRow(row);
            EXPECT_EQ(blocks.trace, single.trace);
            EXPECT_EQ(blocks.console, single.console);
            EXPECT_EQ(blocks.log, single.log);
            EXPECT_EQ(blocks.destiny, single.destiny);
            EXPECT_EQ(blocks.counts, single.counts);
            EXPECT_EQ(blocks.damage, single.damage);
            EXPECT_EQ(blocks.progress, single.progress);
        }
    }
}

}  // namespace
}  // namespace engine_test
