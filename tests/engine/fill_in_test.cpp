// Runs again over the same damaged medium: each fills in what the record lists and nothing else,
// and only from the file the copy was made from. Shared checks after every run: no destiny byte
// outside the listed ranges changes, the source is read only inside them but for a few one-byte
// comparisons, nothing is left open, and a copy whole and equal to its source has its source's
// date while a copy cut short never has.
#include "engine_fixture.h"
#include "output/damage_record.h"

namespace engine_test {
namespace {

const char* const kSource = "C:\\src\\x.bin";
const char* const kCopy = "D:\\out\\x.bin";
const char* const kRecord = "C:\\work\\tramox.damage";
const uint64_t kSourceTime = 128000000000000000ull;  // long before the copy is made
const uint64_t kHour = 36000000000ull;

std::string Thousand() {
    std::string bytes;
    for (int i = 0; i < 1000; ++i) bytes += static_cast<char>('a' + i % 26);
    return bytes;
}

struct Bad {
    uint64_t first, last;
    int times;  // < 0: for ever
};

// Every other byte unreadable until a run after the first.
std::vector<Bad> EveryOtherByte() {
    std::vector<Bad> bad;
    for (uint64_t at = 1; at < 1000; at += 2) bad.push_back(Bad{at, at, 17});
    return bad;
}

// Where the run copies from and to; a row's `before` may change them.
std::string sourceSpec, destiny, sourceFile;

struct FillRow {
    const char* what;
    std::vector<Bad> bad;
    int runs;
    // Before each run (0 for the first): settings, clicks, other programs at work.
    std::function<void(int run)> before;
    std::vector<std::string> lastConsole;    // the last run's lines; empty: not told
    std::string copy = "";                   // the destiny at the end; empty: the source
    uint32_t attributes = os::kAttrArchive;  // the destiny's at the end
    std::string logged = "";                 // an entry the log must hold, with its colour
};

void StopAt(int64_t byte) {
    onState = [byte](JobState) {
        if (CopyJob.fileBytesWritten >= byte) engine::StopCopyRun(), onState = nullptr;
    };
}

// The source as another file of the same name would have it, at `path`.
void PutSource(const std::string& content, const std::string& path = kSource) {
    sim::AddFile(path, content, os::kAttrArchive, kSourceTime);
    sourceFile = path;
    sourceSpec = path.substr(0, path.rfind('\\') + 1) + "*.*";
}

// The record as older runs wrote it, its lines naming no source.
void ForgetSources() {
    std::string record = sim::Content(kRecord);
    for (size_t at; (at = record.find("\tC:\\src")) != std::string::npos;)
        record.erase(at, record.find("\r\n", at) - at);
    sim::AddFile(kRecord, record);
}

// The user closes the window; the run is abandoned at the next step.
void CloseWindow() {
    onState = nullptr;
    os::Post(Controls.mainWindow, os::kMsgClose, 0, 0);
    sim::PumpMessages();
}

// The program started again on the same disks after its window was closed.
void StartAgain() {
    std::vector<std::tuple<std::string, std::string, uint32_t, uint64_t>> kept;
    for (const std::string& path : {sourceFile, std::string(kCopy), std::string(kRecord)})
        if (sim::Exists(path))
            kept.emplace_back(path, sim::Content(path), sim::Attributes(path),
                              sim::WriteTime(path));
    EngineTest::Restart();
    sim::AddDrive('D');
    for (const auto& [path, content, attributes, time] : kept)
        sim::AddFile(path, content, attributes, time);
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
    {"a byte that never reads keeps what it has",
     {{100, 101, 17}, {500, 500, -1}},
     2,
     [](int run) { Set("subDamagedBitByZero", run == 1); },
     {"Filled in 2 of 3 bytes of \"x.bin\": 100-101", "Made up 1 bytes of \"x.bin\": 500"},
     Thousand().replace(500, 1, "a")},
    {"a stopped first run's tail is filled in, and what a stopped fill-in left by the next",
     {},
     3,
     [](int run) {
         if (run < 2) StopAt(600 + 200 * run);
     },
     {"Filled in 200 of 200 bytes of \"x.bin\": 800-999"}},
    {"a Stop right after the source is closed still dates the whole copy",
     {},
     1,
     [](int) {
         onState = [](JobState state) {
             if (state == JobState::CloseSource) engine::StopCopyRun(), onState = nullptr;
         };
     },
     {}},
    {"closing the window after the last byte still dates the whole copy",
     {},
     1,
     [](int) {
         onState = [](JobState state) {
             if (state == JobState::CloseSource) CloseWindow();
         };
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
    {"another file of the same name, size and time is never mixed in",
     {{100, 101, 17}},
     2,
     [](int run) {
         if (run == 1) PutSource(std::string(1000, 'z'));
     },
     {"Source \"x.bin\" is not the file its copy was made from: not filled in"},
     Thousand().replace(100, 2, "aa"),
     os::kAttrArchive,
     "COLOR=#00FFFF>Source \"<B>x.bin</B>\" is not the file its copy was made from: not "
     "filled in</FONT>"},
    {"a longer source is another file",
     {{100, 101, 17}},
     2,
     [](int run) {
         if (run == 1) PutSource(Thousand() + "z");
     },
     {"Copy \"x.bin\" file already exists"},
     Thousand().replace(100, 2, "aa")},
    {"a shorter source is another file",
     {{100, 101, 17}},
     2,
     [](int run) {
         if (run == 1) PutSource(Thousand().substr(0, 900));
     },
     {"Copy \"x.bin\" file already exists"},
     Thousand().replace(100, 2, "aa")},
    {"a source of another time is another file",
     {{100, 101, 17}},
     2,
     [](int run) {
         if (run == 1) sim::AddFile(kSource, Thousand(), os::kAttrArchive, kSourceTime + 1);
     },
     {"Copy \"x.bin\" file already exists"},
     Thousand().replace(100, 2, "aa")},
    {"a source an hour off, as FAT shows it across a change of daylight-saving time, fills in",
     {{100, 101, 17}},
     2,
     [](int run) {
         if (run == 1) sim::AddFile(kSource, Thousand(), os::kAttrArchive, kSourceTime - kHour);
     },
     {"Filled in 2 of 2 bytes of \"x.bin\": 100-101"}},
    {"a record of an older run, without its source, is honoured when the copy's bytes agree",
     {{100, 101, 17}},
     2,
     [](int run) {
         if (run == 1) ForgetSources();
     },
     {"Filled in 2 of 2 bytes of \"x.bin\": 100-101"}},
    {"a record of an older run is not honoured when no byte of the copy can be compared",
     {{100, 101, 17}},
     2,
     [](int run) {
         if (run != 1) return;
         ForgetSources();
         sim::FailReadRange(kSource, 0, 99, -1);
         sim::FailReadRange(kSource, 102, 999, -1);
     },
     {"Copy \"x.bin\" file already exists"},
     Thousand().replace(100, 2, "aa")},
    {"a record of an older run never fills a copy longer than the source",
     {{100, 101, 17}},
     2,
     [](int run) {
         if (run == 1) ForgetSources(), PutSource(Thousand().substr(0, 900));
     },
     {"Copy \"x.bin\" file already exists"},
     Thousand().replace(100, 2, "aa")},
    {"the disc in another drive, the destiny spelt otherwise, fills in",
     {{100, 101, 17}},
     2,
     [](int run) {
         if (run == 1) PutSource(Thousand(), "E:\\x.bin"), destiny = "d:/OUT//";
     },
     {"Filled in 2 of 2 bytes of \"x.bin\": 100-101"}},
    {"a copy cut short by closing the window is finished by the next run",
     {},
     2,
     [](int run) {
         if (run == 0)
             onState = [](JobState) {
                 if (CopyJob.fileBytesWritten >= 600) CloseWindow();
             };
         if (run == 1) StartAgain();
     },
     {}},
    {"a record that lost its last line still gets the copy's tail",
     {{100, 100, 17}},
     2,
     [](int run) {
         if (run == 0) StopAt(600);
         if (run == 1) {
             std::string record = sim::Content(kRecord);
             record.erase(record.rfind("\r\n", record.size() - 3) + 2);  // "missing" is gone
             sim::AddFile(kRecord, record);
         }
     },
     {}},
    {"a clean copy made again is recorded whole: another source then changes nothing",
     {{100, 101, 17}},
     3,
     [](int run) {
         if (run == 1) os::EraseFile(kCopy);
         if (run == 2) PutSource(std::string(1000, 'z'));
     },
     {"Copy \"x.bin\" file already exists"}},
    {"a destiny that cannot be opened is given up, its source closed",
     {{100, 101, 17}},
     2,
     [](int run) {
         if (run == 1) {
             Set("depthCreateDestiny", 1);
             sim::FailOperation(sim::Op::Open, kCopy, -1, os::kErrorSharingViolation);
         }
     },
     {"Unable to fill in destiny file"},
     Thousand().replace(100, 2, "aa")},
    {"a fill-in stopped while its destiny will not close gets its read-only bit back",
     {{100, 101, 17}},
     2,
     [](int run) {
         Set("destinyFileAttributeReadOnly", 1);
         if (run != 1) return;
         // The first close is the comparison's, before the fill-in opens the copy.
         sim::FailOperation(sim::Op::Close, kCopy, 2, os::kErrorAccessDenied);
         onState = [opened = false](JobState state) mutable {
             opened = opened || state == JobState::OpenDestiny;
             if (opened && state == JobState::WriteByte) engine::StopCopyRun(), onState = nullptr;
         };
     },
     {},
     Thousand().replace(101, 1, "a"),
     os::kAttrArchive | os::kAttrReadOnly},
    {"a copy with hundreds of ranges is filled in at every one", EveryOtherByte(), 2, nullptr, {}},
    {"a copy that reappears just before the run would create it is filled in, not overwritten",
     {{100, 101, 17}},
     2,
     [](int run) {
         if (run != 1) return;
         std::string copy = sim::Content(kCopy);
         uint64_t time = sim::WriteTime(kCopy);
         os::EraseFile(kCopy);  // away when the folder is listed
         onState = [copy, time](JobState state) {
             if (state != JobState::CreateDestiny) return;
             sim::AddFile(kCopy, copy, os::kAttrArchive, time);
             onState = nullptr;
         };
     },
     {"Filled in 2 of 2 bytes of \"x.bin\": 100-101"}},
    {"a record another tramox wrote since the last run is read",
     {},
     2,
     [](int run) {
         if (run == 1)
             sim::AddFile(kRecord, "#run\r\n" + std::string(kCopy) + "\tmade-up\t5" +
                                       RecordEnd(kCopy, kSource) + "\r\n");
     },
     {"Filled in 1 of 1 bytes of \"x.bin\": 5"}},
    {"a destiny whose close gives up gets its read-only bit back",
     {{100, 101, 17}},
     2,
     [](int run) {
         Set("destinyFileAttributeReadOnly", 1);
         if (run == 1) {
             Set("depthCloseDestiny", 0);
             sim::FailOperation(sim::Op::Close, kCopy, -1, os::kErrorAccessDenied);
         }
     },
     {"Unable to close destiny file"},
     "",
     os::kAttrArchive | os::kAttrReadOnly},
};

TEST_F(EngineTest, FillInRunAfterRun) {
    for (const FillRow& row : kRows) {
        SCOPED_TRACE(row.what);
        Restart();
        sim::AddDrive('D');
        PutSource(Thousand());
        destiny = "D:\\out";
        for (const Bad& bad : row.bad) sim::FailReadRange(kSource, bad.first, bad.last, bad.times);
        for (int run = 0; run < row.runs; ++run) {
            SCOPED_TRACE(run);
            Set("clearConsole", 1);
            if (row.before) row.before(run);
            output::RecordedDamage listed;
            output::DamageIndex index;
            bool fills = run > 0 &&
                         output::LatestDamage(index, kCopy, &listed) == output::Recorded::Sound &&
                         !listed.complete;
            output::ReleaseDamageIndex(index);
            const std::string before = sim::Content(kCopy);
            auto inListed = [&](uint64_t at) {
                for (const auto& ranges : listed.ranges)
                    for (auto [first, last] : ranges)
                        if (static_cast<int64_t>(at) >= first && static_cast<int64_t>(at) <= last)
                            return true;
                return at >= before.size();  // the copy's tail, whatever the record lost
            };
            size_t readsBefore = sim::ReadsOf(sourceFile).size();
            auto recordReads = [] { return sim::ReadsOf(kRecord); };
            size_t recordBefore = recordReads().size(), traced = trace.size();
            Copy(sourceSpec, destiny);
            onState = nullptr;
            auto reads = recordReads();
            EXPECT_LE(std::count(trace.begin() + traced, trace.end(), JobState::PrepareSource), 1)
                << "the file is announced once";
            EXPECT_LE(std::count_if(reads.begin() + recordBefore, reads.end(),
                                    [](auto read) { return read.first == 0; }),
                      1)
                << "the record is read whole once a run";
            EXPECT_EQ(sim::OpenFileCount(), 0);
            EXPECT_EQ(sim::OpenSearchCount(), 0);
            const std::string after = sim::Content(kCopy), source = sim::Content(sourceFile);
            const uint64_t dated = sim::WriteTime(sourceFile);
            if (after == source) {
                EXPECT_EQ(sim::WriteTime(kCopy), dated) << "a whole copy keeps the date";
            } else if (after.size() < Thousand().size()) {
                EXPECT_NE(sim::WriteTime(kCopy), dated) << "a cut copy passes for whole";
            }
            if (!fills) continue;
            for (size_t at = 0; at < after.size(); ++at) {
                bool same = at < before.size() && after[at] == before[at];
                ASSERT_TRUE(same || inListed(at)) << "byte " << at << " changed";
            }
            reads = sim::ReadsOf(sourceFile);
            int compared = 0;
            for (size_t i = readsBefore; i < reads.size(); ++i) {
                auto [at, count] = reads[i];
                if (count == 1 && !inListed(at) && ++compared <= 64) continue;
                for (uint64_t byte = at; byte < at + count; ++byte)
                    ASSERT_TRUE(inListed(byte)) << "source read at " << byte;
            }
        }
        EXPECT_TRUE(row.lastConsole.empty() || ConsoleLines() == row.lastConsole)
            << testing::PrintToString(ConsoleLines());
        EXPECT_EQ(sim::Content(kCopy), row.copy.empty() ? Thousand() : row.copy);
        EXPECT_EQ(sim::Attributes(kCopy), row.attributes);
        EXPECT_NE(Log().find(row.logged), std::string::npos) << row.logged;
    }
}

}  // namespace
}  // namespace engine_test
