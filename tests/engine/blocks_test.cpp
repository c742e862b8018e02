// The source's reads around a bad byte and across runs, as the medium sees them: every read that
// reaches the platform, where it started and how long it was.
#include "engine_fixture.h"

namespace engine_test {
namespace {

using Reads = std::vector<std::pair<uint64_t, uint64_t>>;

std::string Pattern(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 % 251);
    return bytes;
}

// Each read after the first at most four times as long as the one before, so that a slow
// medium is found out before a long read.
void ExpectGrowthCapped(const Reads& reads) {
    for (size_t i = 1; i < reads.size(); ++i)
        EXPECT_LE(reads[i].second, 4 * reads[i - 1].second) << "read " << i;
}

// Byte 1000 of a long file fails `times` reads (for ever when < 0). Its attempts are reads of it
// alone, counted, and no other read but the one that met it touches it; the reads after it grow
// again at once, doubling from one byte up to a block.
TEST_F(EngineTest, ABadSpotCostsLittle) {
    const struct Row {
        const char* what;
        int times, depth;
        bool whole;      // reads across it fail whole, as on Windows
        int readsOfIt;   // reads that start on it
        bool madeUp;
        uint64_t second = 0;  // a byte that fails for ever too, where a growing read starts
    } rows[] = {
        {"Wine: a read runs short before it", -1, 3, false, 4, true},
        {"Windows: a read across it fails whole, and is walked byte by byte", -1, 3, true, 4, true},
        {"at read depth 1 a byte failing its first two reads is made up", 2, 1, false, 2, true},
        {"one failed read, then it is read", 1, 1, false, 2, false},
        {"a growing read failing on its first byte is that byte's first attempt", -1, 3, false, 4,
         true, 1008},
    };
    const std::string source = "C:\\src\\x.bin", bytes = Pattern(300000);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Restart();
        sim::AddFile(source, bytes);
        sim::AddFolder("D:\\out");
        sim::FailReadRange(source, 1000, 1000, row.times, os::kErrorCrc, row.whole);
        if (row.second) sim::FailReadRange(source, row.second, row.second, -1);
        Set("depthRead", row.depth);
        Copy("C:\\src\\*.*", "D:\\out");
        std::string copy = sim::Content("D:\\out\\x.bin");
        ASSERT_EQ(copy.size(), bytes.size());
        EXPECT_EQ(copy[1000] != bytes[1000], row.madeUp);
        copy[1000] = bytes[1000];
        copy[row.second] = bytes[row.second];
        EXPECT_TRUE(copy == bytes);
        int onIt = 0, onSecond = 0, across = 0;
        Reads after, walked;
        for (auto [at, count] : sim::ReadsOf(source)) {
            if (at == 1000) {
                ++onIt;
                EXPECT_EQ(count, 1u);
            }
            onSecond += row.second && at == row.second;
            if (at < 1000 && at + count > 1000) ++across;
            if (at < 1000 && count == 1) walked.emplace_back(at, count);
            if (at > 1000) after.emplace_back(at, count);
        }
        EXPECT_EQ(onIt, row.readsOfIt);
        EXPECT_EQ(across, 1) << "the one read that met it";
        if (row.second) {
            EXPECT_EQ(onSecond, row.readsOfIt);
            continue;  // its own growth follows
        }
        EXPECT_EQ(walked.size(), row.whole ? 1000u : 0u);
        ASSERT_GE(after.size(), 13u);
        for (size_t i = 0; i < after.size() && after[i].second < 4096; ++i)
            EXPECT_EQ(after[i].second, uint64_t{1} << i) << "read " << i << " after it";
        EXPECT_LE(after.size(), 30u);
        ExpectGrowthCapped(after);
    }
}

// A fast disk, then a floppy at 64 KB a second: each run's first read is a page, and on the
// floppy no read takes much more than the 25 ms a block may take.
TEST_F(EngineTest, EveryRunStartsAtAPage) {
    const std::string bytes = Pattern(1 << 21);
    sim::AddFile("C:\\src\\x.bin", bytes);
    sim::AddFile("A:\\x.bin", bytes);
    sim::AddDrive('D');
    sim::SetReadPace("C:\\src\\x.bin", 400e6);
    sim::SetReadPace("A:\\x.bin", 64e3);
    for (const char* source : {"C:\\src\\x.bin", "A:\\x.bin"}) {
        SCOPED_TRACE(source);
        const std::string destiny = source[0] == 'C' ? "D:\\disk" : "D:\\floppy";
        Copy(source, destiny);
        EXPECT_TRUE(sim::Content(destiny + "\\x.bin") == bytes);
        const Reads reads = sim::ReadsOf(source);
        ASSERT_FALSE(reads.empty());
        EXPECT_EQ(reads.front().second, 4096u);
        ExpectGrowthCapped(reads);
        uint64_t longest = 0;
        for (auto [at, count] : reads) longest = std::max(longest, count);
        if (source[0] == 'A')
            EXPECT_LE(longest / 64e3, 0.07) << longest;  // Pause waits no longer than that
        else
            EXPECT_GE(longest, 1u << 16);  // a fast disk is read in long blocks
    }
}

// A fast disk with one bad byte half way: once the reads have grown back, blocks are as long as
// before it. Reads of a byte or a few say nothing of the medium's pace.
TEST_F(EngineTest, BlocksAfterABadSpotAsLongAsBefore) {
    const std::string source = "C:\\src\\x.bin";
    sim::AddFile(source, Pattern(4 << 20));
    sim::AddFolder("D:\\out");
    sim::SetReadPace(source, 400e6, 100e-6);  // a tenth of a millisecond for any read
    const uint64_t bad = 2 << 20;
    sim::FailReadRange(source, bad, bad, -1);
    Copy("C:\\src\\*.*", "D:\\out");
    uint64_t longestBefore = 0;
    int shorterAfter = 0;
    for (auto [at, count] : sim::ReadsOf(source)) {
        if (at + count <= bad) longestBefore = std::max(longestBefore, count);
        bool tail = at + count == uint64_t{4} << 20;
        if (at > bad && !tail && count < longestBefore) ++shorterAfter;
    }
    int growing = 0;  // 1, 2, 4, ... below the longest block
    while ((uint64_t{1} << growing) < longestBefore) ++growing;
    EXPECT_EQ(shorterAfter, growing) << longestBefore;
}

}  // namespace
}  // namespace engine_test
