// The damage record where the damaged-medium table cannot show it: read-back that differs, a
// line past the text limit, and tramox.damage kept run after run.
#include "engine/copy_run.h"
#include "engine_fixture.h"

namespace engine_test {
namespace {

const char* const kRecord = "C:\\work\\tramox.damage";
const std::string kRunLine = "#2010-05-03 14:07:09 C:\\src\\*.* -> ";

// A record line's end, for a copy of a file of C:\src.
std::string AsItLies(const std::string& path) {
    return RecordEnd(path, "C:\\src" + path.substr(path.rfind('\\'))) + "\r\n";
}

// Written bytes 2 and 5 to 6 come back changed, in single steps and in blocks alike.
TEST_F(EngineTest, ReadBackThatDiffers) {
    for (bool blocks : {false, true}) {
        SCOPED_TRACE(blocks);
        Restart();
        engine::blockTransfers = blocks;
        sim::AddFile("C:\\src\\x.bin", "0123456789");
        sim::AddFolder("D:\\out");
        sim::SpoilWrites("D:\\out\\x.bin", 2, 2);
        sim::SpoilWrites("D:\\out\\x.bin", 5, 6);
        Set("verifyData", 1);
        Copy("C:\\src\\*.*", "D:\\out");
        EXPECT_EQ(ConsoleLines(), (std::vector<std::string>{
                                      "Copied \"x.bin\" 10bytes, written 10bytes, verified 6bytes",
                                      "Read back 3 differing bytes of \"x.bin\": 2, 5-6"}));
        EXPECT_NE(Log().find("read back 3 differing bytes of \"<B>x.bin</B>\": 2, 5-6</FONT><BR>"),
                  std::string::npos);
        EXPECT_EQ(sim::Content(kRecord),
                  kRunLine + "D:\\out\r\nD:\\out\\x.bin\tdiffers\t2 5-6" +
                      AsItLies("D:\\out\\x.bin"));
    }
    engine::blockTransfers = true;
}

// 300 made-up bytes apart: the console line keeps to the text limit and counts what it leaves
// out, the log entry says the same, and the record keeps every range, logging on or off.
TEST_F(EngineTest, ManyRangesRunAfterRun) {
    sim::AddDrive('D');
    sim::AddFile("C:\\src\\x.bin", std::string(600, 'a'));
    std::string all;
    for (uint64_t at = 1; at < 600; at += 2) {
        sim::FailReadRange("C:\\src\\x.bin", at, at, -1);
        all += (all.empty() ? "" : " ") + std::to_string(at);
    }
    std::string record;
    for (const char* destiny : {"D:\\out", "D:\\again"}) {
        SCOPED_TRACE(destiny);
        Set("enableLog", destiny == std::string("D:\\out"));
        Copy("C:\\src\\*.*", destiny);
        record += kRunLine + destiny + "\r\n" + destiny + "\\x.bin\tmade-up\t" + all +
                  AsItLies(destiny + std::string("\\x.bin"));
        EXPECT_EQ(sim::Content(kRecord), record);
        std::string line = ConsoleLines().back();
        const std::string opening = "Made up 300 bytes of \"x.bin\": 1, 3, 5, ";
        ASSERT_EQ(line.rfind(opening, 0), 0u) << line;
        size_t more = line.rfind(", and ");
        ASSERT_NE(more, std::string::npos) << line;
        int shown = 1, left = std::stoi(line.substr(more + 6));
        for (size_t at = 0; (at = line.find(", ", at + 1)) < more;) ++shown;
        EXPECT_EQ(shown + left, 300) << line;
        EXPECT_EQ(line.substr(line.size() - 12), " more ranges");
        EXPECT_LE(line.size(), 255u);
        EXPECT_GE(line.size(), 250u);  // as many ranges as fit
        std::string logged =
            "made up 300 bytes of \"<B>x.bin</B>\"" + line.substr(opening.find(':'));
        std::string log = Log();  // written by the first run only
        size_t found = log.find(logged + "</FONT><BR>");
        EXPECT_TRUE(found != std::string::npos && log.find(logged, found + 1) == std::string::npos)
            << logged;
    }
}

// Two damaged files in each of two runs: a run line per run, the percentages start afresh for
// each file, and the totals are the run's own.
TEST_F(EngineTest, FilesAndRunsInTheRecord) {
    sim::AddDrive('D');
    sim::AddFile("C:\\src\\a.bin", std::string(200, 'a'));
    sim::AddFile("C:\\src\\b.bin", std::string(300, 'b'));
    sim::FailReadRange("C:\\src\\a.bin", 10, 10, -1);
    sim::FailReadRange("C:\\src\\b.bin", 299, 299, -1);
    std::vector<int> starts;  // the percentage when each file's bytes begin
    onState = [&](JobState state) {
        if (state == JobState::CreateDestiny) starts.push_back(CopyJob.percent);
    };
    std::string record;
    for (const char* destiny : {"D:\\out", "D:\\again"}) {
        Copy("C:\\src\\*.*", destiny);
        const std::string a = destiny + std::string("\\a.bin"), b = destiny + std::string("\\b.bin");
        record += kRunLine + destiny + "\r\n" + a + "\tmade-up\t10" + AsItLies(a) + b +
                  "\tmade-up\t299" + AsItLies(b);
    }
    EXPECT_EQ(sim::Content(kRecord), record);
    EXPECT_EQ(starts, (std::vector<int>{0, 0, 0, 0}));
    EXPECT_NE(Log().find("Read 498bytes</FONT>"), std::string::npos);  // the last run's alone
}

// Stopped while a written byte cannot be read back: the destiny holds exactly the bytes the
// result line counts, and the record calls only the rest missing.
TEST_F(EngineTest, StopDuringAFailingReadBack) {
    for (bool blocks : {false, true}) {
        SCOPED_TRACE(blocks);
        Restart();
        engine::blockTransfers = blocks;
        sim::AddFile("C:\\src\\x.bin", std::string(1000, 'q'));
        sim::AddFolder("D:\\out");
        sim::FailReadRange("D:\\out\\x.bin", 500, 500, -1);
        Set("verifyData", 1);
        int retries = 0;
        onState = [&](JobState state) {
            if (state == JobState::VerifyByte && CopyJob.attempts > 0 && ++retries == 5)
                engine::StopCopyRun();
        };
        Copy("C:\\src\\*.*", "D:\\out");
        std::vector<std::string> lines = ConsoleLines();
        ASSERT_GE(lines.size(), 2u);
        size_t size = sim::Content("D:\\out\\x.bin").size();
        std::string written = "written " + std::to_string(size) + "bytes";
        EXPECT_NE(lines[0].find(written), std::string::npos) << lines[0];
        EXPECT_EQ(lines[1], "Not copied " + std::to_string(1000 - size) +
                                " bytes of \"x.bin\": " + std::to_string(size) + "-999");
    }
    engine::blockTransfers = true;
}

}  // namespace
}  // namespace engine_test
