// Readable first, each row run twice, without the setting and with it. One shared check: the
// copies end alike but for made-up values, every byte that fails is tried as often, the totals
// are the same; and with it, every byte outside the skipped units is in its copy before the
// second pass begins.
#include "engine_fixture.h"

namespace engine_test {
namespace {

struct Bad {
    size_t file;
    uint64_t first, last;
    int times;  // < 0: for ever
};

struct Row {
    const char* what;
    std::vector<size_t> sizes;  // of f0.bin, f1.bin, ...
    std::vector<Bad> bad;
    int depth;
    std::vector<std::string> secondPass;  // its console lines, in order; none: no second pass
    bool halt = false;                    // haltOnFirstError
    bool verify = false;                  // verifyData
};

std::string Name(size_t i) { return "f" + std::to_string(i) + ".bin"; }
std::string Source(size_t i) { return "C:\\src\\" + Name(i); }
std::string Copied(size_t i) { return "D:\\out\\" + Name(i); }

std::string Bytes(size_t size, size_t seed) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + seed * 13) % 251);
    return bytes;
}

// Where the copy differs from its source; a copy cut short differs from its end on.
std::vector<size_t> Differing(size_t file, const std::string& copy, size_t size) {
    const std::string source = Bytes(size, file);
    std::vector<size_t> at;
    for (size_t i = 0; i < size; ++i)
        if (i >= copy.size() || copy[i] != source[i]) at.push_back(i);
    return at;
}

struct Outcome {
    std::vector<std::vector<size_t>> differing;        // per file
    std::map<std::pair<size_t, uint64_t>, int> tries;  // reads starting on each failing byte
    std::vector<int64_t> totals;
    std::vector<std::string> console;
};

// With `firstPass`, each copy as the second pass begins, its skipped bytes put back from the
// source: what the first pass left wrong elsewhere.
Outcome RunOnce(const Row& row, bool readableFirst, std::vector<std::vector<size_t>>* firstPass) {
    EngineTest::Restart();
    for (size_t i = 0; i < row.sizes.size(); ++i) sim::AddFile(Source(i), Bytes(row.sizes[i], i));
    sim::AddFolder("D:\\out");
    for (const Bad& bad : row.bad)
        sim::FailReadRange(Source(bad.file), bad.first, bad.last, bad.times);
    Set("depthRead", row.depth);
    Set("haltOnFirstError", row.halt);
    Set("verifyData", row.verify);
    Settings.readableFirst = readableFirst;
    onState = [&](JobState state) {
        if (state != JobState::SecondPass || !firstPass->empty()) return;
        for (size_t i = 0; i < row.sizes.size(); ++i) {
            std::string copy = sim::Content(Copied(i)), source = Bytes(row.sizes[i], i);
            for (const SkippedFile& file : CopyJob.readableFirst.files)
                for (const ByteRange& range : file.skipped)
                    if (file.entry.fullName == Name(i))
                        copy.replace(range.first, range.last - range.first + 1,
                                     source.substr(range.first, range.last - range.first + 1));
            firstPass->push_back(Differing(i, copy, row.sizes[i]));
        }
    };
    EngineTest::Copy("C:\\src\\*.*", "D:\\out");
    const CopyTotalsRecord& t = CopyTotals;
    Outcome outcome{{},
                    {},
                    {t.filesProcessed, t.bytesRead, t.bytesWritten, t.bytesVerified},
                    EngineTest::ConsoleLines()};
    for (size_t i = 0; i < row.sizes.size(); ++i)
        outcome.differing.push_back(Differing(i, sim::Content(Copied(i)), row.sizes[i]));
    for (const Bad& bad : row.bad)
        for (auto [at, count] : sim::ReadsOf(Source(bad.file)))
            if (at >= bad.first && at <= bad.last) ++outcome.tries[{bad.file, at}];
    return outcome;
}

TEST_F(EngineTest, ReadableFirstEndsAsARunWithoutIt) {
    const Row rows[] = {
        {"a bad byte at a file's start",
         {3000},
         {{0, 0, 0, -1}},
         2,
         {"Second pass: reading again 512 bytes of 1 files",
          "Filled in 511 of 512 bytes of \"f0.bin\": 1-511"}},
        {"a bad byte in the middle, depth 1",
         {3000},
         {{0, 1500, 1500, -1}},
         1,
         {"Second pass: reading again 36 bytes of 1 files",
          "Filled in 35 of 36 bytes of \"f0.bin\": 1501-1535"}},
        {"consecutive bad units: the skip doubles, up to the file's end",
         {6000},
         {{0, 700, 2100, -1}},
         1,
         {"Second pass: reading again 3396 bytes of 1 files",
          "Filled in 1995 of 3396 bytes of \"f0.bin\": 2101-4095"}},
        {"a marginal byte reads in the second pass within the depth",
         {3000},
         {{0, 1000, 1000, 2}},
         3,
         {"Second pass: reading again 24 bytes of 1 files",
          "Filled in 24 of 24 bytes of \"f0.bin\": 1000-1023"}},
        {"several files: the second pass in first-pass order",
         {2000, 100, 2000},
         {{2, 10, 10, -1}, {0, 1999, 1999, -1}},
         2,
         {"Second pass: reading again 503 bytes of 2 files", "Filled in 0 of 1 bytes of \"f0.bin\"",
          "Filled in 501 of 502 bytes of \"f2.bin\": 11-511"}},
        {"nothing to skip: no second pass", {3000}, {}, 2, {}},
        {"haltOnFirstError: the copy halts at its first bad byte all the same",
         {3000},
         {{0, 1500, 1500, -1}},
         1,
         {},
         true},
        {"read back: as many bytes verified",
         {3000},
         {{0, 1500, 1500, 1}, {0, 2000, 2000, -1}},
         2,
         {"Second pass: reading again 84 bytes of 1 files",
          "Filled in 83 of 84 bytes of \"f0.bin\": 1500-1535, 2001-2047"},
         false,
         true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::vector<std::vector<size_t>> unused, firstPass;
        const Outcome without = RunOnce(row, false, &unused);
        const Outcome with = RunOnce(row, true, &firstPass);
        EXPECT_EQ(with.differing, without.differing);
        EXPECT_EQ(with.tries, without.tries);
        EXPECT_EQ(with.totals, without.totals) << "files, read, written, verified";
        std::vector<std::string> second;
        for (const std::string& line : with.console)
            if (line.rfind("Second pass", 0) == 0 || line.rfind("Filled in", 0) == 0)
                second.push_back(line);
        EXPECT_EQ(second, row.secondPass);
        // Before the second pass every byte but those of the skipped units is in its copy.
        EXPECT_EQ(firstPass.empty(), row.secondPass.empty());
        for (const std::vector<size_t>& wrong : firstPass) EXPECT_TRUE(wrong.empty());
    }
}

// Stopped in either pass, the record keeps what was not tried, and a later run without the
// setting leaves the copies as one whole run would; a source gone before the second pass gets
// its open attempts and error, and its copy keeps its made-up bytes.
TEST_F(EngineTest, ReadableFirstStoppedOrLeftByItsSource) {
    const struct Row {
        const char* what;
        std::function<void(JobState)> act;
        const char* told;  // a console line the run must show
    } rows[] = {
        {"Stop in the first pass",
         [](JobState state) {
             if (state == JobState::ReadByte && CopyJob.entry.fullName == "f2.bin")
                 engine::StopCopyRun();
         },
         "Stopped by user"},
        {"Stop in the second pass",
         [](JobState state) {
             if (state == JobState::PrepareSource && CopyJob.readableFirst.secondPass)
                 engine::StopCopyRun();
         },
         "Stopped by user"},
        {"the source gone before the second pass",
         [](JobState state) {
             if (state == JobState::SecondPass) os::EraseFile(Source(0).c_str());
         },
         "Unable to open source file"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Restart();
        for (size_t i = 0; i < 3; ++i) sim::AddFile(Source(i), Bytes(2000, i));
        sim::AddFolder("D:\\out");
        sim::FailReadRange(Source(0), 100, 100, 1);  // a marginal byte
        sim::FailReadRange(Source(2), 1500, 1500, -1);
        Set("depthRead", 2);
        Settings.readableFirst = true;
        onState = row.act;
        Copy("C:\\src\\*.*", "D:\\out");
        const std::vector<std::string> console = ConsoleLines();
        EXPECT_NE(std::find(console.begin(), console.end(), row.told), console.end());
        onState = nullptr;
        if (!sim::Exists(Source(0))) {
            EXPECT_NE(sim::Content(Copied(0))[100], Bytes(2000, 0)[100]) << "made up still";
            continue;
        }
        Settings.readableFirst = false;
        Copy("C:\\src\\*.*", "D:\\out");
        const std::vector<size_t> none, bad{1500};
        for (size_t i = 0; i < 3; ++i)
            EXPECT_EQ(Differing(i, sim::Content(Copied(i)), 2000), i == 2 ? bad : none) << Name(i);
    }
}

}  // namespace
}  // namespace engine_test
