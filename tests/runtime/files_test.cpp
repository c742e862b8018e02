#include "runtime/files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/simulated/sim.h"
#include "runtime/dir_search.h"
#include "runtime/io_result.h"

namespace {

class RuntimeFiles : public testing::Test {
protected:
    void SetUp() override {
        sim::Reset();
        rt::IoResult();
    }

    // Reads every line the way the settings file is read: one line, then the end test.
    std::vector<std::string> ReadAll(const std::string& content) {
        sim::AddFile("lines.txt", content);
        rt::TextFile file;
        rt::Bind(file, "lines.txt");
        rt::OpenRead(file);
        std::vector<std::string> lines;
        do {
            lines.push_back(rt::ReadLine(file));
        } while (!rt::AtEnd(file));
        rt::Close(file);
        EXPECT_EQ(rt::IoResult(), 0);
        return lines;
    }
};

using Lines = std::vector<std::string>;

TEST_F(RuntimeFiles, LineEndsReadAlike) {
    struct Row {
        const char* name;
        std::string content;
        Lines lines;
    } rows[] = {
        {"CR LF", "a\r\nb\r\n", {"a", "b"}},
        {"LF", "a\nb\n", {"a", "b"}},
        {"CR", "a\rb\r", {"a", "b"}},
        {"no end", "a\r\nb", {"a", "b"}},
        {"empty line", "a\r\n\r\nb", {"a", "", "b"}},
        {"LF CR is two ends", "a\n\rb", {"a", "", "b"}},
        {"empty file", "", {""}},
        {"Ctrl-Z after a line", "a\r\n\x1A" "b\r\n", {"a"}},
        {"Ctrl-Z inside a line", "a\x1A" "b\r\n", {"a\x1A" "b"}},
        {"first line always read", "\x1A" "rest", {"\x1A" "rest"}},
    };
    for (const Row& row : rows) EXPECT_EQ(ReadAll(row.content), row.lines) << row.name;
}

// The settings decide what of a line counts; the reader keeps a path's length whole.
TEST_F(RuntimeFiles, ALineIsReadWholeUpToTheLongestPath) {
    std::string line300 = std::string(255, 'k') + std::string(45, 'x');
    std::string huge(40000, 'h');
    Lines lines = ReadAll(line300 + "\r\n" + huge + "\r\nnext\r\n");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], line300);
    EXPECT_TRUE(lines[1].size() > 32767 && lines[1].size() < huge.size()) << lines[1].size();
    EXPECT_EQ(lines[2], "next");
}

TEST_F(RuntimeFiles, WriteLineEndsWithCrLfAndAppendExtends) {
    rt::TextFile file;
    rt::Bind(file, "out.txt");
    rt::CreateNew(file);
    rt::WriteLine(file, "one");
    rt::Close(file);
    rt::OpenAppend(file);
    rt::WriteLine(file, "two");
    rt::Close(file);
    EXPECT_EQ(rt::IoResult(), 0);
    EXPECT_EQ(sim::Content("out.txt"), "one\r\ntwo\r\n");
    rt::CreateNew(file);  // rewriting starts anew
    rt::Close(file);
    EXPECT_EQ(sim::Content("out.txt"), "");
}

TEST_F(RuntimeFiles, ResultCodesAndReadingClearsThem) {
    rt::TextFile file;
    rt::Bind(file, "missing.txt");
    rt::OpenRead(file);
    EXPECT_EQ(rt::IoResult(), rt::kIoFileNotFound);
    EXPECT_EQ(rt::IoResult(), 0);

    rt::Bind(file, "C:\\nowhere\\x.txt");
    rt::CreateNew(file);
    EXPECT_EQ(rt::IoResult(), rt::kIoPathNotFound);

    rt::TextFile unbound;
    rt::OpenRead(unbound);
    EXPECT_EQ(rt::IoResult(), rt::kIoNotAssigned);

    rt::Bind(file, "x.txt");
    rt::Close(file);
    EXPECT_EQ(rt::IoResult(), rt::kIoNotOpen);

    sim::AddFile("r.txt", "r\r\n");
    rt::Bind(file, "r.txt");
    rt::OpenRead(file);
    rt::WriteLine(file, "no");
    EXPECT_EQ(rt::IoResult(), rt::kIoNotOpenForOutput);
    rt::Close(file);

    sim::AddFile("ro.txt", "", os::kAttrReadOnly);
    rt::Bind(file, "ro.txt");
    rt::CreateNew(file);
    EXPECT_EQ(rt::IoResult(), rt::kIoAccessDenied);
}

TEST_F(RuntimeFiles, PendingCodeSkipsLaterOperations) {
    rt::TextFile file;
    rt::Bind(file, "missing.txt");
    rt::OpenRead(file);
    rt::Bind(file, "new.txt");
    rt::CreateNew(file);  // skipped: the first failure is still unread
    EXPECT_FALSE(sim::Exists("new.txt"));
    EXPECT_EQ(rt::IoResult(), rt::kIoFileNotFound);
}

TEST_F(RuntimeFiles, ByteFileShortReadAndWrite) {
    sim::AddFile("b.bin", "xyz");
    rt::ByteFile file;
    rt::Bind(file, "b.bin");
    rt::OpenRead(file);
    EXPECT_EQ(rt::Size(file), 3);
    char buffer[8];
    uint32_t done = 0;
    rt::Read(file, buffer, 8, &done);
    EXPECT_EQ(done, 3u);
    EXPECT_EQ(rt::IoResult(), 0);
    rt::Seek(file, 0);
    rt::Read(file, buffer, 8);  // without a count, fewer bytes is a failure
    EXPECT_EQ(rt::IoResult(), rt::kIoShortRead);
    rt::Close(file);

    sim::FillDiskAfter('C', 2);
    rt::Bind(file, "w.bin");
    rt::CreateNew(file);
    rt::Write(file, "abcd", 4);
    EXPECT_NE(rt::IoResult(), 0);
    rt::Close(file);
    rt::IoResult();
    EXPECT_EQ(sim::Content("w.bin"), "ab");
}

TEST_F(RuntimeFiles, SearchFindsDotsAndReportsEighteenAtTheEnd) {
    sim::AddFile("C:\\data\\a.txt", "a");
    sim::AddFile("C:\\data\\b.bin", "bb", os::kAttrHidden);
    rt::DirEntry entry;
    std::vector<std::string> names;
    for (int32_t code = rt::FindFirst("C:\\data\\*.*", rt::kAnyFile, entry); code == 0;
         code = rt::FindNext(entry))
        names.push_back(entry.name.str());
    EXPECT_EQ(rt::FindNext(entry), rt::kSearchDone);
    rt::FindClose(entry);
    EXPECT_EQ(names, (std::vector<std::string>{".", "..", "a.txt", "b.bin"}));

    EXPECT_EQ(rt::FindFirst("C:\\data\\*.doc", rt::kAnyFile, entry), rt::kSearchDone);
    // Without the hidden bit in the filter a hidden file is passed over.
    ASSERT_EQ(rt::FindFirst("C:\\data\\b*", os::kAttrArchive, entry), rt::kSearchDone);
    EXPECT_EQ(rt::FindFirst("C:\\nowhere\\*.*", rt::kAnyFile, entry), rt::kIoPathNotFound);
}

TEST_F(RuntimeFiles, SearchKeepsSizesAbove4GiB) {
    sim::AddLargeFile("C:\\big.iso", 4294967306ull);
    rt::DirEntry entry;
    ASSERT_EQ(rt::FindFirst("C:\\big.iso", rt::kAnyFile, entry), 0);
    EXPECT_EQ(entry.size, 4294967306ull);
    rt::FindClose(entry);
}

TEST(DosTime, PacksLocalTimeInTwoSecondSteps) {
    // 21 June 2008 9:05:08 as a file time.
    constexpr uint64_t kSecondsFrom1601To1970 = 11644473600ull;
    uint64_t unix = 1214039108ull;  // 2008-06-21 09:05:08 UTC
    uint64_t fileTime = (unix + kSecondsFrom1601To1970) * 10000000ull;
    uint32_t packed = rt::PackDosTime(fileTime);
    uint32_t date = packed >> 16, time = packed & 0xFFFF;
    EXPECT_EQ(1980 + (date >> 9), 2008u);
    EXPECT_EQ((date >> 5) & 15, 6u);
    EXPECT_EQ(date & 31, 21u);
    EXPECT_EQ(time >> 11, 9u);
    EXPECT_EQ((time >> 5) & 63, 5u);
    EXPECT_EQ((time & 31) * 2, 8u);
    EXPECT_EQ(rt::PackDosTime(0), 0u);  // 1601 lies before the packed form's range
}

}  // namespace

namespace {

TEST(RunErrorReport, StrictFailureEndsWithTheCode) {
    sim::Reset();
    EXPECT_EXIT(
        {
            rt::TextFile file;
            rt::Bind(file, "C:\\missing\\log.htm");
            rt::CreateNew(file);
            rt::CheckStrict();
        },
        testing::ExitedWithCode(3),
        "Runtime error 3 at 0x[0-9A-F]{8}(\r\n0x[0-9A-F]{8})*\n"
        "\\[box \"Error\" owner 0 flags 0x2010\\]");
}

}  // namespace

namespace {

// Replacing a file keeps the hidden and system bits Windows insists on; read-only still refuses.
TEST_F(RuntimeFiles, ReplacingKeepsHiddenAndSystemBits) {
    struct Row {
        uint32_t attributes;
        int32_t code;
        uint32_t after;
    };
    const Row rows[] = {
        {os::kAttrArchive, 0, os::kAttrArchive},
        {os::kAttrHidden, 0, os::kAttrHidden},
        {os::kAttrSystem, 0, os::kAttrSystem},
        {os::kAttrHidden | os::kAttrSystem, 0, os::kAttrHidden | os::kAttrSystem},
        {os::kAttrReadOnly, 5, os::kAttrReadOnly},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.attributes);
        sim::Reset();
        sim::AddFile("tramox.ini", "old\r\n", row.attributes);
        rt::TextFile text;
        rt::Bind(text, "tramox.ini");
        rt::CreateNew(text);
        rt::WriteLine(text, "new");
        rt::Close(text);
        EXPECT_EQ(rt::IoResult(), row.code);
        EXPECT_EQ(sim::Content("tramox.ini"), row.code == 0 ? "new\r\n" : "old\r\n");
        EXPECT_EQ(sim::Attributes("tramox.ini") & ~os::kAttrArchive, row.after & ~os::kAttrArchive);

        sim::AddFile("tramox.console", "old", row.attributes);
        rt::ByteFile bytes;
        rt::Bind(bytes, "tramox.console");
        rt::CreateNew(bytes);
        rt::Close(bytes);
        EXPECT_EQ(rt::IoResult(), row.code);
        EXPECT_EQ(sim::Content("tramox.console").empty(), row.code == 0);
    }
}

}  // namespace
