#include "output/damage_file.h"

#include "output_fixture.h"

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

}  // namespace
