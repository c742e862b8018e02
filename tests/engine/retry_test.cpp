#include "engine/retry.h"

#include <algorithm>
#include <map>

#include "engine/steps.h"
#include "engine_fixture.h"
#include "output/progress_bar.h"

namespace engine_test {
namespace {

// Runs of equal states, as "16x2049".
std::string RunLengths(const std::vector<JobState>& states) {
    std::string text;
    for (size_t at = 0; at < states.size();) {
        size_t end = at;
        while (end < states.size() && states[end] == states[at]) ++end;
        text += (text.empty() ? "" : " ") + std::to_string(static_cast<int32_t>(states[at]));
        if (end - at > 1) text += "x" + std::to_string(end - at);
        at = end;
    }
    return text;
}

TEST_F(EngineTest, ThreeByteFileWithReadBack) {
    sim::AddFile("C:\\data\\abc.bin", "abc");
    sim::AddFolder("D:\\out");
    Set("verifyData", 1);
    Copy("C:\\data\\abc.bin", "D:\\out");
    EXPECT_EQ(RunLengths(trace), "1 2 4 16x2049 5 6 7 8 9 11 19 9 11 19 9 11 12 13 14x2049 15");
    EXPECT_EQ(CopyJob.state, JobState::Idle);
    EXPECT_EQ(sim::Content("D:\\out\\abc.bin"), "abc");
    EXPECT_EQ(ConsoleLines(), std::vector<std::string>{
                                  "Copied \"abc.bin\" 3bytes, written 3bytes, verified 2bytes"});
}

// Each attempting step, made to fail for ever, under the limits 0, 2 and a negative one.
TEST_F(EngineTest, RetryRuleOverTheDepthTable) {
    struct Row {
        JobState state;
        const char* depth;
        std::function<void()> fault;
        const char* source = "C:\\src\\x.bin";
        const char* destiny = "D:\\out";
    };
    const std::string source = "C:\\src\\x.bin", copy = "D:\\out\\x.bin";
    const Row rows[] = {
        {JobState::SearchSource, "depthSearchSource", nullptr, "C:\\src\\*.none"},
        {JobState::SearchFolder, "depthSearchFolder", nullptr, "C:\\src\\x.bin", "D:\\new"},
        {JobState::TryCreateFolder, "depthTryCreateFolder", nullptr, "C:\\src\\x.bin", "D:\\a\\b"},
        {JobState::SearchDestiny, "depthSearchDestiny", nullptr},
        {JobState::OpenSource, "depthOpenSource",
         [&] { sim::FailOperation(sim::Op::Open, source, -1, os::kErrorSharingViolation); }},
        {JobState::CreateDestiny, "depthCreateDestiny",
         [&] { sim::FailOperation(sim::Op::Open, copy, -1, os::kErrorAccessDenied); }},
        {JobState::ReadByte, "depthRead", [&] { sim::FailReadRange(source, 0, 0, -1); }},
        {JobState::WriteByte, "depthWrite", [] { sim::FillDiskAfter('D', 0); }},
        {JobState::CloseSource, "depthCloseSource",
         [&] { sim::FailOperation(sim::Op::Close, source, -1, os::kErrorAccessDenied); }},
        {JobState::CloseDestiny, "depthCloseDestiny",
         [&] { sim::FailOperation(sim::Op::Close, copy, -1, os::kErrorAccessDenied); }},
        {JobState::SearchNext, "depthSearch", nullptr},
    };
    for (const Row& row : rows) {
        for (int32_t limit : {0, 2, -3}) {
            SCOPED_TRACE(std::string(row.depth) + " " + std::to_string(limit));
            Restart();
            sim::AddFile(source, "a");
            sim::AddFolder("D:\\out");
            if (row.fault) row.fault();
            Set(row.depth, limit);
            Copy(row.source, row.destiny);
            // The byte steps' own depths are never below 1.
            bool byte = row.state == JobState::ReadByte || row.state == JobState::WriteByte;
            int32_t expected = std::max(limit, byte ? 1 : 0) + 1;
            EXPECT_EQ(std::count(trace.begin(), trace.end(), row.state), expected);
        }
    }
}

TEST_F(EngineTest, ProgressOfAFile) {
    struct Row {
        uint64_t done, size;
        int percent, cells;
    } rows[] = {
        {1, 3, 33, 13},
        {2, 3, 66, 26},
        {3, 3, 100, 40},
        {37, 100, 37, 15},
        {99, 100, 99, 40},
        {1, 1, 100, 40},
        {1ull << 32, 1ull << 33, 50, 20},  // past 4 GiB
        {UINT64_MAX - 1, UINT64_MAX, 99, 40},
    };
    for (const Row& row : rows) {
        uint8_t percent = engine::PercentOf(row.done, row.size);
        EXPECT_EQ(percent, row.percent) << row.done << " of " << row.size;
        EXPECT_EQ(output::FilledCells(percent), row.cells);
    }
    sim::AddFile("C:\\src\\abc.bin", "abc");
    sim::AddFolder("D:\\out");
    std::vector<std::string> shown;
    onState = [&](JobState) {
        sim::PumpMessages();  // the texts the worker queued
        std::string now =
            sim::Info(Controls.progressLine).text + " | " + sim::Info(Controls.mainWindow).text;
        if (shown.empty() || shown.back() != now) shown.push_back(now);
    };
    Copy("C:\\src\\abc.bin", "D:\\out");
    EXPECT_EQ(shown,
              (std::vector<std::string>{" | tramox", " | tramox (abc.bin)",
                                        "33% of 3bytes | tramox (abc.bin 33% of 3bytes)",
                                        "66% of 3bytes | tramox (abc.bin 66% of 3bytes)",
                                        "100% of 3bytes | tramox (abc.bin 100% of 3bytes)"}));
    EXPECT_EQ(sim::Info(Controls.progressLine).text, "");
    EXPECT_EQ(sim::Info(Controls.mainWindow).text, "tramox");
}

}  // namespace
}  // namespace engine_test
