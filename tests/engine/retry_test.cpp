#include <map>

#include "engine/retry.h"
#include "engine_fixture.h"

namespace engine_test {
namespace {

// Runs of equal states, as "16x2049".
std::string RunLengths(const std::vector<int32_t>& states) {
    std::string text;
    for (size_t at = 0; at < states.size();) {
        size_t end = at;
        while (end < states.size() && states[end] == states[at]) ++end;
        text += (text.empty() ? "" : " ") + std::to_string(states[at]);
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
    EXPECT_EQ(RunLengths(trace),
              "1 2 4 16x2049 5 6 7 8 9 11 19 9 11 19 9 11 12 13 14x2049 15");
    EXPECT_EQ(CopyJob.state, Idle);
    EXPECT_EQ(sim::Content("D:\\out\\abc.bin"), "abc");
    EXPECT_EQ(ConsoleLines(), std::vector<std::string>{
                                  "Copied \"abc.bin\" 3bytes, written 3bytes, verified 2bytes"});
}

}  // namespace
}  // namespace engine_test
