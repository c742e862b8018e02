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

struct Outcome {
    std::vector<size_t> sizes;                         // of the copies
    std::vector<std::vector<size_t>> differing;        // per file, where the copy differs
    std::map<std::pair<size_t, uint64_t>, int> tries;  // reads starting on each failing byte
    CopyTotalsRecord totals;
    std::vector<std::string> console;
};

// The copies and the skipped bytes as the second pass begins.
struct FirstPass {
    std::vector<std::string> copies;
    std::vector<std::vector<ByteRange>> skipped;
};

Outcome RunOnce(const Row& row, bool readableFirst, FirstPass* atSecondPass) {
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
        if (state != JobState::SecondPass || !atSecondPass->copies.empty()) return;
        for (size_t i = 0; i < row.sizes.size(); ++i) {
            atSecondPass->copies.push_back(sim::Content(Copied(i)));
            atSecondPass->skipped.emplace_back();
            for (const SkippedFile& file : CopyJob.readableFirst.files)
                if (file.entry.fullName == Name(i)) atSecondPass->skipped.back() = file.skipped;
        }
    };
    EngineTest::Copy("C:\\src\\*.*", "D:\\out");
    Outcome outcome{{}, {}, {}, CopyTotals, EngineTest::ConsoleLines()};
    for (size_t i = 0; i < row.sizes.size(); ++i) {
        const std::string source = Bytes(row.sizes[i], i), copy = sim::Content(Copied(i));
        outcome.sizes.push_back(copy.size());
        outcome.differing.emplace_back();
        for (size_t at = 0; at < std::min(copy.size(), source.size()); ++at)
            if (copy[at] != source[at]) outcome.differing.back().push_back(at);
    }
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
        FirstPass unused, firstPass;
        const Outcome without = RunOnce(row, false, &unused);
        const Outcome with = RunOnce(row, true, &firstPass);
        EXPECT_EQ(with.sizes, without.sizes);
        EXPECT_EQ(with.differing, without.differing);
        EXPECT_EQ(with.tries, without.tries);
        EXPECT_EQ(with.totals.filesProcessed, without.totals.filesProcessed);
        EXPECT_EQ(with.totals.bytesRead, without.totals.bytesRead);
        EXPECT_EQ(with.totals.bytesWritten, without.totals.bytesWritten);
        EXPECT_EQ(with.totals.bytesVerified, without.totals.bytesVerified);
        std::vector<std::string> second;
        for (const std::string& line : with.console)
            if (line.rfind("Second pass", 0) == 0 || line.rfind("Filled in", 0) == 0)
                second.push_back(line);
        EXPECT_EQ(second, row.secondPass);
        ASSERT_EQ(firstPass.copies.empty(), row.secondPass.empty());
        // Before the second pass every byte but those of the skipped units is in its copy.
        for (size_t i = 0; i < firstPass.copies.size(); ++i) {
            const std::string source = Bytes(row.sizes[i], i);
            size_t wrong = 0;
            for (size_t at = 0; at < source.size(); ++at) {
                bool skipped = false;
                for (const ByteRange& range : firstPass.skipped[i])
                    skipped = skipped || (int64_t(at) >= range.first && int64_t(at) <= range.last);
                wrong += !skipped && firstPass.copies[i][at] != source[at];
            }
            EXPECT_EQ(wrong, 0u) << Name(i);
        }
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
        for (size_t i = 0; i < 3; ++i) {
            const std::string source = Bytes(2000, i), copy = sim::Content(Copied(i));
            ASSERT_EQ(copy.size(), source.size()) << Name(i);
            for (size_t at = 0; at < source.size(); ++at)
                EXPECT_TRUE(copy[at] == source[at] || (i == 2 && at == 1500))
                    << Name(i) << " " << at;
        }
    }
}

}  // namespace
}  // namespace engine_test
