#include "output/damage_record.h"

#include "output_fixture.h"
#include "runtime/dir_search.h"

namespace {

using output_test::OutputTest;

const char* const kPath = "C:\\work\\tramox.damage";

// Kept run after run: appended to, never emptied; a failure to write it ends the program.
TEST_F(OutputTest, DamageFileAppendsAndFailsLoudly) {
    output::AppendDamageLines({"#first", "a"});
    sim::AddFile(kPath, sim::Content(kPath) + "kept\r\n");  // someone's own note in between
    output::AppendDamageLines({"#second"});
    EXPECT_EQ(sim::Content(kPath), "#first\r\na\r\nkept\r\n#second\r\n");
    sim::FailOperation(sim::Op::Write, kPath, -1, os::kErrorDiskFull);
    EXPECT_EXIT(output::AppendDamageLines({"#third"}), testing::ExitedWithCode(112),
                "Runtime error 112");
}

const std::string kFile = "D:\\out\\a.bin";
const std::string kTime = "2026-12-08 13:39:01.1234567";
const std::string kRun = "#2026-12-08 13:39:01 A:\\*.* -> D:\\out\r\n";
const std::string kSource = "\tC:\\src\\a.bin\t12\t" + kTime;  // a line's source fields

std::string Line(const std::string& rest, const std::string& path = kFile) {
    return path + "\t" + rest + "\r\n";
}
std::string Made(const std::string& ranges, const std::string& size = "10") {
    return Line("made-up\t" + ranges + "\t" + size + "\t" + kTime);
}

// "complete", then each kind's ranges, size and time; "none" when nothing can be trusted.
std::string Found(const std::string& path, output::DamageIndex& index) {
    output::RecordedDamage found;
    if (output::LatestDamage(index, path, &found) != output::Recorded::Sound) return "none";
    std::string text = found.complete ? "complete" : "";
    for (const auto& ranges : found.ranges) {
        text += "|";
        for (auto [first, last] : ranges)
            text += " " + std::to_string(first) + "-" + std::to_string(last);
    }
    text += "|" + std::to_string(found.size) + "|" + rt::FileTimeStamp(found.writeTime);
    if (found.sourceKnown)
        text += "|" + found.source.path + "|" + std::to_string(found.source.size) + "|" +
                rt::FileTimeStamp(found.source.writeTime);
    return text;
}
std::string Found(const std::string& path) {
    output::DamageIndex fresh;
    std::string found = Found(path, fresh);
    output::ReleaseDamageIndex(fresh);
    return found;
}

TEST_F(OutputTest, DamageRecordIsReadBackForOnePath) {
    const std::string made = "| 3-5 8-8|||10|" + kTime;
    const std::string other = Line("missing\t0\t1\t" + kTime, "D:\\out\\b.bin");
    struct Row {
        std::string record, path, expected;
    } rows[] = {
        {kRun + Made("3-5 8"), kFile, made},
        {Made("3-5 8") + kRun + other, kFile, made},  // a block before the first header
        {kRun + Made("0") + kRun + Made("3-5 8") + kRun + other, kFile, made},  // latest wins
        {kRun + Made("3-5 8"), "D:\\out\\b.bi", "none"},                        // another path
        {kRun + other, kFile, "none"},
        {kRun + Made("3-5 8") + kRun + Line("made-up\t0-x\t1\t" + kTime, "D:\\out\\b.bin"), kFile,
         made},  // another path's bad line
        {kRun + Made("1-2 3-4 9"), "d:\\OUT\\A.BIN", "| 1-4 9-9|||10|" + kTime},  // either case
        {kRun + Made("1-4") + Line("differs\t5\t10\t" + kTime) +
             Line("missing\t10-9223372036854775806\t10\t" + kTime),
         kFile, "| 1-4| 5-5| 10-9223372036854775806|10|" + kTime},  // kinds touching
        {kRun + Line("made-up\t3\t10\t" + kTime + kSource) +
             Line("missing\t10-11\t10\t" + kTime + kSource),
         kFile, "| 3-3|| 10-11|10|" + kTime + "|C:\\src\\a.bin|12|" + kTime},
        {kRun + Line("differs\t7\t10\t" + kTime) + Line("missing\t10-11\t10\t" + kTime) + Made("2"),
         kFile, "| 2-2| 7-7| 10-11|10|" + kTime},
        {kRun + Line("made-up\t1\t3\t" + kTime, "D:\\\xC9t\xE9.bin"), "D:\\\xC3\x89t\xC3\xA9.bin",
         "| 1-1|||3|" + kTime},  // in the code page
        {kRun + Line("made-up\t1\t3\t" + kTime, "D:\\\xC3\xA9"), "D:\\\xC3\x89",
         "| 1-1|||3|" + kTime},  // letters beyond ASCII in either case
        {kRun + Made("0") + kRun + Line("complete\t-\t10\t" + kTime), kFile,
         "complete||||10|" + kTime},
        {kRun + Made("0") + Line("complete\t-\t10\t" + kTime), kFile, "none"},  // in one block
        {kRun + Made("0") + Made("4"), kFile, "none"},                          // a kind twice
        {kRun + Made("0") + Line("missing\t9\t11\t" + kTime), kFile, "none"},   // sizes differ
        {kRun + Made("0") + Line("missing\t9\t10\t2026-12-08 13:39:01.1234568"), kFile, "none"},
        {kRun + Made("0") + kRun + Line("made-up\t3"), kFile, "none"},  // an older run's line
        {"x\n#run\n" + kFile + "\tmade-up\t3-5 8\t10\t" + kTime, kFile, made},  // LF, no end
    };
    for (const Row& row : rows) {
        sim::AddFile(kPath, row.record);
        EXPECT_EQ(Found(row.path), row.expected) << row.record;
    }
    // Each spoils its block, which then hides the sound one before it.
    const std::string tail = "\t10\t" + kTime;
    for (const std::string& rest : std::vector<std::string>{
             "made-up\t5 3" + tail, "made-up\t1-5 4" + tail, "made-up\t1-5 5" + tail,
             "made-up\t5-3" + tail, "made-up\t-" + tail, "made-up\t1  2" + tail,
             "made-up\t01" + tail, "made-up\t1 " + tail, "made-up\t" + tail, "complete\t1" + tail,
             "lost\t1" + tail, "made-up\t+1" + tail, "made-up\t9223372036854775808" + tail,
             "made-up\t1\t18446744073709551616\t" + kTime,
             "made-up\t1\t10\t2026-02-30 13:39:01.1234567", "made-up\t1" + tail + "\tx",
             "made-up\t1" + tail + "\tC:\\a\t10", "made-up\t1" + tail + kSource + "\tx",
             "made-up\t1" + tail + "\t\t12\t" + kTime,
             // Ranges the file cannot hold: past its end, missing bytes not its tail or past the
             // source's end, two kinds on one byte, more bytes than a count holds.
             "made-up\t10" + tail, "missing\t2000-2999" + tail, "missing\t10 12" + tail,
             "missing\t10-12" + tail + kSource,
             "made-up\t1-5" + tail + "\r\n" + kFile + "\tdiffers\t5" + tail,
             "made-up\t0-9223372036854775806\t9223372036854775807\t" + kTime + "\r\n" + kFile +
                 "\tmissing\t9223372036854775807\t9223372036854775807\t" + kTime,
             // Lines of one block that disagree on the source.
             "made-up\t1" + tail + kSource + "\r\n" + kFile + "\tdiffers\t3" + tail,
             "made-up\t1" + tail + kSource + "\r\n" + kFile + "\tdiffers\t3" + tail +
                 "\tC:\\src\\b.bin\t12\t" + kTime}) {
        sim::AddFile(kPath, kRun + Made("0") + kRun + Line(rest));
        EXPECT_EQ(Found(kFile), "none") << rest;
    }
}

// Lines across read chunks, a line too long to keep, and a record that cannot be read.
TEST_F(OutputTest, DamageRecordIsStreamed) {
    std::string padding = Line("missing\t0\t1\t" + kTime, "D:\\" + std::string(70000, 'p'));
    sim::AddFile(kPath, kRun + padding + Made("3-5 8") + padding);
    EXPECT_EQ(Found(kFile), "| 3-5 8-8|||10|" + kTime);
    output::DamageScan scan(kFile);
    scan.FeedBytes(kRun + Made("3-5 8") + kRun);
    scan.FeedCut(kFile + "\tmade-up\t1 2 3");
    output::RecordedDamage found;
    EXPECT_FALSE(scan.Latest(&found));
    sim::FailOperation(sim::Op::Read, kPath, -1, os::kErrorCrc);
    EXPECT_EQ(Found(kFile), "none");
    sim::ClearFaults();
    sim::AddFile(kPath, "");
    EXPECT_EQ(Found(kFile), "none");
}

// Read whole once, then kept by the lines the program appends: each lookup answers as a reading
// of the whole record would, and the record is read from its start again only when someone
// else changed it.
TEST_F(OutputTest, DamageIndexFollowsTheLinesAppended) {
    const std::string other = Line("missing\t0\t1\t" + kTime, "D:\\out\\b.bin");
    struct Row {
        const char* what;
        std::string last;     // the record's end when first read
        std::string outside;  // added by someone else before the program appends
        size_t wholeReads;
    } rows[] = {
        {"only the program appends", "", "", 1},
        {"someone else appended a line", "", Made("7"), 2},
        {"the record ends inside a line", kFile + "\tmade-up\t7", "", 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        sim::AddFile(kPath, kRun + Made("3-5 8") + other + kRun + other + row.last);
        output::DamageIndex index;
        auto wholeReads = [] {
            auto reads = sim::ReadsOf(kPath);
            return std::count_if(reads.begin(), reads.end(), [](auto r) { return r.first == 0; });
        };
        size_t before = wholeReads();
        EXPECT_EQ(Found(kFile, index), Found(kFile));
        if (!row.outside.empty()) {  // another program's append, to the very file
            os::FileHandle file = os::kInvalidFile;
            uint32_t done = 0;
            os::OpenFile(kPath, os::kAccessWrite, os::kShareRead | os::kShareWrite,
                         os::kOpenExisting, os::kAttrNormal, &file);
            os::SeekFile(file, 0, os::kSeekEnd, nullptr);
            os::WriteFile(file, row.outside.data(), row.outside.size(), &done);
            os::CloseFile(file);
        }
        for (const char* ranges : {"2", "4-6"}) {
            output::AppendDamageLines({"#run", kFile + "\tmade-up\t" + ranges + "\t10\t" + kTime},
                                      &index);
            EXPECT_EQ(Found(kFile, index), Found(kFile)) << ranges;
            EXPECT_EQ(Found("D:\\out\\b.bin", index), Found("D:\\out\\b.bin"));
        }
        output::ReleaseDamageIndex(index);
        EXPECT_EQ(wholeReads() - before, row.wholeReads + 5);  // each fresh reading once more
        EXPECT_EQ(sim::OpenFileCount(), 0);
    }
}

// One form of a destiny path however it is typed, and the bytes a copy and its source are
// compared on: nearest the first listed range, taking turns on either side.
TEST_F(OutputTest, RecordPathsAndComparedBytes) {
    const std::pair<const char*, const char*> forms[] = {
        {"D:/out//", "D:\\out\\a.bin"},
        {"out\\", "C:\\work\\out\\a.bin"},
        {"D:\\out\\.\\s\\..", "D:\\out\\a.bin"},
        {"", "C:\\work\\a.bin"},
        {"\\\\?\\D:\\out\\", "\\\\?\\D:\\out\\a.bin"},
    };
    for (auto [folder, form] : forms)
        EXPECT_EQ(output::RecordPath(folder, "a.bin"), form) << folder;
    output::RecordedDamage damage;
    damage.ranges[madeUp] = {{3, 4}};
    damage.ranges[differs] = {{7, 7}};
    EXPECT_EQ(output::UnlistedNear(damage, 10, 5), (std::vector<int64_t>{2, 5, 1, 6, 0}));
    EXPECT_EQ(output::UnlistedNear(damage, 10, 64), (std::vector<int64_t>{2, 5, 1, 6, 0, 8, 9}));
}

}  // namespace
