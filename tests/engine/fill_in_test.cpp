// Runs again over the same damaged medium: each fills in what the record lists and nothing else.
// Shared check over every run after the first: no destiny byte outside the listed ranges changes,
// and the source is read only inside them.
#include "engine_fixture.h"
#include "output/damage_record.h"

namespace engine_test {
namespace {

const char* const kSource = "C:\\src\\x.bin";
const char* const kCopy = "D:\\out\\x.bin";

std::string Thousand() {
    std::string bytes;
    for (int i = 0; i < 1000; ++i) bytes += static_cast<char>('a' + i % 26);
    return bytes;
}

struct Bad {
    uint64_t first, last;
    int times;  // < 0: for ever
};

struct FillRow {
    const char* what;
    std::vector<Bad> bad;
    int runs;
    // Before each run (0 for the first): settings, clicks, other programs at work.
    std::function<void(int run)> before;
    std::vector<std::string> lastConsole;    // the last run's lines; empty: not told
    std::string copy = "";                   // the destiny at the end; empty: the source
    uint32_t attributes = os::kAttrArchive;  // the destiny's at the end
};

void StopAt(int64_t byte) {
    onState = [byte](JobState) {
        if (CopyJob.fileBytesWritten >= byte) engine::StopCopyRun(), onState = nullptr;
    };
}

const FillRow kRows[] = {
    {"bytes failing more reads than the first run tried are filled in; the third run leaves it",
     {{100, 101, 17}},
     3,
     [](int run) {
         if (run == 0) Set("destinyFileAttributeReadOnly", 1);
     },
     {"Copy \"x.bin\" file already exists"},
     "",
     os::kAttrArchive | os::kAttrReadOnly},
    {"a byte that never reads stays made up",
     {{100, 101, 17}, {500, 500, -1}},
     2,
     nullptr,
     {"Filled in 2 of 3 bytes of \"x.bin\": 100-101", "Made up 1 bytes of \"x.bin\": 500"},
     Thousand().replace(500, 1, "a")},
    {"a stopped first run's tail is filled in, and what a stopped fill-in left by the next",
     {},
     3,
     [](int run) {
         if (run < 2) StopAt(600 + 200 * run);
     },
     {}},
    {"a not-copied byte still unreadable is made up as in a copy",
     {{300, 300, -1}},
     2,
     [](int run) { Set("haltOnFirstError", run == 0); },
     {"Filled in 699 of 700 bytes of \"x.bin\": 301-999", "Made up 1 bytes of \"x.bin\": 300"},
     Thousand().replace(300, 1, "a")},
    {"a destiny changed after the first run is left alone",
     {{100, 100, -1}},
     2,
     [](int run) {
         if (run == 1)  // the same size, written a day later
             sim::AddFile(kCopy, std::string(1000, 'u'), os::kAttrArchive,
                          sim::WriteTime(kCopy) + 864000000000ull);
     },
     {"Copy \"x.bin\" file already exists"},
     std::string(1000, 'u')},
};

TEST_F(EngineTest, FillInRunAfterRun) {
    for (const FillRow& row : kRows) {
        SCOPED_TRACE(row.what);
        Restart();
        sim::AddDrive('D');
        sim::AddFile(kSource, Thousand());
        for (const Bad& bad : row.bad) sim::FailReadRange(kSource, bad.first, bad.last, bad.times);
        for (int run = 0; run < row.runs; ++run) {
            SCOPED_TRACE(run);
            Set("clearConsole", 1);
            if (row.before) row.before(run);
            output::RecordedDamage listed;
            bool fills = run > 0 && output::LatestDamage(kCopy, &listed) == output::Recorded::Sound && !listed.complete;
            auto inListed = [&](uint64_t at) {
                for (const auto& ranges : listed.ranges)
                    for (auto [first, last] : ranges)
                        if (static_cast<int64_t>(at) >= first && static_cast<int64_t>(at) <= last)
                            return true;
                return false;
            };
            const std::string before = sim::Content(kCopy);
            size_t readsBefore = sim::ReadsOf(kSource).size();
            Copy("C:\\src\\*.*", "D:\\out");
            onState = nullptr;
            if (!fills) continue;
            const std::string after = sim::Content(kCopy);
            for (size_t at = 0; at < after.size(); ++at) {
                bool same = at < before.size() && after[at] == before[at];
                ASSERT_TRUE(same || inListed(at)) << "byte " << at << " changed";
            }
            std::vector<std::pair<uint64_t, uint64_t>> reads = sim::ReadsOf(kSource);
            for (size_t i = readsBefore; i < reads.size(); ++i) {
                for (uint64_t at = reads[i].first; at < reads[i].first + reads[i].second; ++at) {
                    ASSERT_TRUE(inListed(at)) << "source read at " << at;
                }
            }
        }
        EXPECT_TRUE(row.lastConsole.empty() || ConsoleLines() == row.lastConsole)
            << testing::PrintToString(ConsoleLines());
        EXPECT_EQ(sim::Content(kCopy), row.copy.empty() ? Thousand() : row.copy);
        EXPECT_EQ(sim::Attributes(kCopy), row.attributes);
        EXPECT_EQ(sim::OpenFileCount(), 0);
    }
}

}  // namespace
}  // namespace engine_test
