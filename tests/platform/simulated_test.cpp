#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/os.h"
#include "platform/simulated/sim.h"

namespace {

class SimulatedFiles : public testing::Test {
protected:
    void SetUp() override { sim::Reset(); }

    // Opens a file; returns the error code and leaves the handle in `handle`.
    uint32_t Open(const std::string& path, uint32_t access, uint32_t share = 0,
                  uint32_t disposition = os::kOpenExisting, uint32_t attributes = os::kAttrNormal) {
        return os::OpenFile(path.c_str(), access, share, disposition, attributes, &handle);
    }
    std::string ReadAll(os::FileHandle file) {
        char buffer[64];
        uint32_t done = 0;
        EXPECT_EQ(os::ReadFile(file, buffer, sizeof buffer, &done), 0u);
        return std::string(buffer, done);
    }
    std::vector<std::string> Search(const std::string& pattern, uint32_t* firstError = nullptr) {
        std::vector<std::string> names;
        os::FindData data{};
        os::FindHandle find = os::kInvalidFind;
        uint32_t error = os::FindFirst(pattern.c_str(), &data, &find);
        if (firstError) *firstError = error;
        for (; error == 0; error = os::FindNext(find, &data)) names.push_back(data.name);
        if (find != os::kInvalidFind) {
            EXPECT_EQ(error, os::kErrorNoMoreFiles);
            os::FindClose(find);
        }
        return names;
    }

    const uint32_t kRead = os::kAccessRead;
    const uint32_t kWrite = os::kAccessWrite;
    const uint32_t kBoth = os::kAccessRead | os::kAccessWrite;
    os::FileHandle handle = os::kInvalidFile;
};

using Names = std::vector<std::string>;

TEST_F(SimulatedFiles, ErrorCodesOfMissingAndExistingPaths) {
    sim::AddFile("C:\\data\\a.txt", "a");
    sim::AddFolder("C:\\data\\sub");
    sim::AddDrive('a', 21);  // a floppy drive with no disk
    uint32_t attributes = 0;
    os::FindData found{};
    os::FindHandle search = os::kInvalidFind;
    struct Row {
        const char* what;
        uint32_t got, want;
    } rows[] = {
        {"open missing file", Open("C:\\data\\none.txt", kRead), 2},
        {"open in missing folder", Open("C:\\none\\a.txt", kRead), 3},
        {"create in missing folder", Open("C:\\none\\a.txt", kWrite, 0, os::kCreateAlways), 3},
        {"open a folder", Open("C:\\data\\sub", kRead), 5},
        {"create new over a file", Open("C:\\data\\a.txt", kWrite, 0, os::kCreateNew), 80},
        {"wildcard in a file name", Open("C:\\data\\*.txt", kRead), 123},
        {"make existing folder", os::MakeFolder("C:\\data\\sub"), 183},
        {"make folder over a file", os::MakeFolder("C:\\data\\a.txt"), 183},
        {"make folder in missing folder", os::MakeFolder("C:\\none\\sub"), 3},
        {"erase missing", os::EraseFile("C:\\data\\none.txt"), 2},
        {"erase a folder", os::EraseFile("C:\\data\\sub"), 5},
        {"attributes of missing", os::GetAttributes("C:\\none\\x", &attributes), 3},
        {"attributes through a file", os::GetAttributes("C:\\data\\a.txt\\x", &attributes), 3},
        {"create on a missing drive", Open("Q:\\x.txt", kWrite, 0, os::kCreateAlways), 3},
        {"make folder on a missing drive", os::MakeFolder("Q:\\out"), 3},
        {"search a missing drive", os::FindFirst("Q:\\*.*", &found, &search), 3},
        {"open on a drive not ready", Open("A:\\x.txt", kRead), 21},
        {"search a drive not ready", os::FindFirst("A:\\*.*", &found, &search), 21},
        {"set attributes of missing", os::SetAttributes("C:\\data\\none", 0), 2},
    };
    for (const Row& row : rows) EXPECT_EQ(row.got, row.want) << row.what;
    EXPECT_EQ(os::LastError(), os::kErrorFileNotFound);  // the table's last call
    EXPECT_EQ(handle, os::kInvalidFile);
}

TEST_F(SimulatedFiles, AttributesOfNewFilesAndFolders) {
    ASSERT_EQ(Open("new.txt", kWrite, 0, os::kCreateAlways, os::kAttrNormal), 0u);
    os::CloseFile(handle);
    EXPECT_EQ(sim::Attributes("C:\\work\\new.txt"), os::kAttrArchive);
    ASSERT_EQ(Open("hid.txt", kWrite, 0, os::kCreateNew, os::kAttrHidden), 0u);
    os::CloseFile(handle);
    EXPECT_EQ(sim::Attributes("hid.txt"), os::kAttrHidden | os::kAttrArchive);

    ASSERT_EQ(os::MakeFolder("C:\\work\\f"), 0u);
    uint32_t attributes = 0;
    ASSERT_EQ(os::GetAttributes("f", &attributes), 0u);
    EXPECT_EQ(attributes, os::kAttrDirectory);
    ASSERT_EQ(os::SetAttributes("f", os::kAttrHidden), 0u);
    EXPECT_EQ(sim::Attributes("f"), os::kAttrDirectory | os::kAttrHidden);  // stays a folder

    ASSERT_EQ(os::SetAttributes("new.txt", os::kAttrNormal), 0u);
    ASSERT_EQ(os::GetAttributes("new.txt", &attributes), 0u);
    EXPECT_EQ(attributes, os::kAttrNormal);
}

TEST_F(SimulatedFiles, ReadOnlyAndHiddenFilesRefuseOverwriting) {
    sim::AddFile("ro.txt", "keep", os::kAttrReadOnly);
    sim::AddFile("sys.txt", "keep", os::kAttrSystem | os::kAttrArchive);
    EXPECT_EQ(Open("ro.txt", kBoth), os::kErrorAccessDenied);
    EXPECT_EQ(Open("ro.txt", kWrite, 0, os::kCreateAlways), os::kErrorAccessDenied);
    EXPECT_EQ(os::EraseFile("ro.txt"), os::kErrorAccessDenied);
    ASSERT_EQ(Open("ro.txt", kRead), 0u);
    EXPECT_EQ(ReadAll(handle), "keep");
    os::CloseFile(handle);

    EXPECT_EQ(Open("sys.txt", kWrite, 0, os::kCreateAlways, os::kAttrNormal),
              os::kErrorAccessDenied);
    EXPECT_EQ(Open("sys.txt", kWrite, 0, os::kCreateAlways, os::kAttrSystem), 0u);
    os::CloseFile(handle);
    EXPECT_EQ(sim::Content("sys.txt"), "");
    EXPECT_EQ(sim::Attributes("sys.txt"), os::kAttrSystem | os::kAttrArchive);
}

TEST_F(SimulatedFiles, CreateAlwaysTruncatesAndStampsTheClock) {
    sim::SetLocalTime(os::LocalTime{2008, 6, 6, 21, 9, 5, 8, 0});
    sim::SetUtcOffsetMinutes(120);
    sim::AddFile("old.txt", "abcdef", os::kAttrArchive, 1);
    ASSERT_EQ(Open("old.txt", kBoth, 0, os::kCreateAlways), 0u);
    uint32_t done = 0;
    ASSERT_EQ(os::WriteFile(handle, "xy", 2, &done), 0u);
    int64_t position = -1;
    ASSERT_EQ(os::SeekFile(handle, 0, os::kSeekBegin, &position), 0u);
    EXPECT_EQ(ReadAll(handle), "xy");
    uint64_t written = 0;
    ASSERT_EQ(os::FileWriteTime(handle, &written), 0u);
    os::CloseFile(handle);
    os::FileHandle writeOnly = os::kInvalidFile;
    ASSERT_EQ(os::OpenFile("old.txt", kWrite, 0, os::kOpenExisting, 0, &writeOnly), 0u);
    uint64_t refused = 0;
    EXPECT_EQ(os::FileWriteTime(writeOnly, &refused), os::kErrorAccessDenied);  // needs read
    os::CloseFile(writeOnly);
    EXPECT_EQ(sim::Content("old.txt"), "xy");
    // 2008-06-21 07:05:08 UTC: two hours before the local clock.
    constexpr uint64_t kSecondsFrom1601To1970 = 11644473600ull;
    EXPECT_EQ(written, (1214031908ull + kSecondsFrom1601To1970) * 10000000ull);
    uint64_t local = 0;
    ASSERT_TRUE(os::UtcToLocalFileTime(written, &local));
    EXPECT_EQ(local - written, 120ull * 60 * 10000000);
}

TEST_F(SimulatedFiles, SharingFollowsBothHandlesModes) {
    struct Row {
        uint32_t heldAccess, heldShare, access, share, want;
    } rows[] = {
        {kRead, os::kShareRead, kRead, os::kShareRead, 0},
        {kRead, os::kShareRead, kWrite, os::kShareRead, 32},  // held does not share writing
        {kRead, os::kShareRead | os::kShareWrite, kWrite, os::kShareRead, 0},
        {kRead, os::kShareRead | os::kShareWrite, kRead, 0, 32},  // new one refuses the reader
        {kWrite, 0, kRead, os::kShareRead | os::kShareWrite, 32},
        {kWrite, os::kShareRead, kRead, os::kShareRead, 32},  // the writer is not shared
        {kWrite, os::kShareRead, kRead, os::kShareWrite, 0},
        {0, 0, kBoth, 0, 0},  // a handle without data access blocks nothing
    };
    for (const Row& row : rows) {
        sim::Reset();
        sim::AddFile("s.txt", "s");
        sim::HoldOpen("s.txt", row.heldAccess, row.heldShare);
        EXPECT_EQ(Open("s.txt", row.access, row.share), row.want)
            << row.heldAccess << "/" << row.heldShare << " then " << row.access << "/" << row.share;
        if (row.want == 0) os::CloseFile(handle);
    }
    sim::ReleaseHeld();
    EXPECT_EQ(Open("s.txt", kBoth), 0u);
    EXPECT_EQ(os::EraseFile("s.txt"), os::kErrorSharingViolation);  // open without share-delete
    os::CloseFile(handle);
    EXPECT_EQ(os::EraseFile("s.txt"), 0u);
    EXPECT_FALSE(sim::Exists("s.txt"));
}

TEST_F(SimulatedFiles, RelativePathsResolveAgainstTheCurrentFolder) {
    char folder[260];
    ASSERT_EQ(os::CurrentFolder(folder, sizeof folder), 7u);
    EXPECT_STREQ(folder, "C:\\work");
    EXPECT_EQ(os::CurrentFolder(folder, 4), 8u);  // too small: the size it needs

    sim::AddFile("C:\\top.txt", "t");
    sim::AddFile("C:\\work\\in.txt", "i");
    for (const char* path : {"..\\top.txt", ".\\..\\TOP.TXT", "C:/top.txt", "\\work\\..\\top.txt",
                             "C:\\work.\\..\\top.txt"}) {
        EXPECT_EQ(Open(path, kRead), 0u) << path;
        os::CloseFile(handle);
    }
    EXPECT_EQ(Open("in.txt", kRead), 0u);
    os::CloseFile(handle);
    sim::SetCurrentFolder("D:\\deep\\er");
    EXPECT_EQ(Open("..\\..\\..\\x.txt", kWrite, 0, os::kCreateNew), 0u);  // stops at the root
    os::CloseFile(handle);
    EXPECT_TRUE(sim::Exists("D:\\x.txt"));
}

// Where folder names lose a trailing dot, names kept as given, what is too long, and odd
// arguments.
TEST_F(SimulatedFiles, PathsAsWindowsReadsThem) {
    sim::AddFile("C:\\out\\a.bin", "a");
    sim::AddFile("C:\\out.bin", "b");
    const std::string folder = "C:\\" + std::string(200, 'f');  // 203 characters
    sim::AddFolder(folder);
    auto create = [&](const std::string& path) {
        uint32_t error = Open(path, kWrite, 0, os::kCreateNew);
        if (error == 0) os::CloseFile(handle);
        return error;
    };
    auto attributes = [](const std::string& path) {
        uint32_t got = 0;
        return os::GetAttributes(path.c_str(), &got);
    };
    os::FindData found{};
    os::FindHandle search = os::kInvalidFind;
    struct Row {
        const char* what;
        uint32_t got, want;
    } rows[] = {
        {"inner blank kept", attributes("C:\\out \\a.bin"), 3},
        {"inner single dot dropped", attributes("C:\\out.\\a.bin"), 0},
        {"inner double dot kept", attributes("C:\\out..\\a.bin"), 3},
        {"inner dot and blank: the dot", attributes("C:\\out .\\a.bin"), 3},
        {"last name kept with its dots and blanks", attributes("C:\\out\\a.bin. ."), 2},
        {"blank before a backslash kept", os::MakeFolder("C:\\sp \\"), 0},
        {"so no folder without it", attributes("C:\\sp"), 2},
        {"file with a backslash: get", attributes("C:\\out.bin\\"), 123},
        {"file with a backslash: set", os::SetAttributes("C:\\out.bin\\", 0), 123},
        {"file with a backslash: erase", os::EraseFile("C:\\out.bin\\"), 123},
        {"name of 255", create("C:\\" + std::string(255, 'n')), 0},
        {"name of 256", create("C:\\" + std::string(256, 'n')), 206},
        {"path past 259", create(folder + "\\" + std::string(56, 'p')), 0},
        {"search past 259",
         os::FindFirst((folder + "\\*" + std::string(55, 'p')).c_str(), &found, &search), 0},
        {"folder past 248", os::MakeFolder((folder + "\\" + std::string(50, 'd')).c_str()), 0},
        {"search for nothing", os::FindFirst("", &found, &search), 3},
        {"close the process's pseudo-handle", os::CloseFile(os::kInvalidFile), 0},
    };
    for (const Row& row : rows) EXPECT_EQ(row.got, row.want) << row.what;
    EXPECT_TRUE(sim::Exists("C:\\out.bin"));
    EXPECT_TRUE(sim::Exists("C:\\sp \\"));
    os::FindClose(search);
    sim::SetCurrentFolder(folder);  // a relative name past 259 characters too
    EXPECT_EQ(create(std::string(56, 'r')), 0u);
}

TEST_F(SimulatedFiles, WildcardSearch) {
    for (const char* name : {"b.txt", "A.TXT", "readme", "c.txt.bak", "ab.doc", "x.tar.gz"})
        sim::AddFile(std::string("C:\\data\\") + name, "x");
    sim::AddFolder("C:\\data\\sub");
    struct Row {
        const char* pattern;
        Names names;
    } rows[] = {
        {"C:\\data\\*",
         {".", "..", "A.TXT", "ab.doc", "b.txt", "c.txt.bak", "readme", "sub", "x.tar.gz"}},
        {"C:\\data\\*.*",
         {".", "..", "A.TXT", "ab.doc", "b.txt", "c.txt.bak", "readme", "sub", "x.tar.gz"}},
        {"C:\\data\\*.tar.gz", {"x.tar.gz"}},
        {"C:\\data\\*.t*", {"A.TXT", "b.txt", "c.txt.bak", "x.tar.gz"}},
        {"C:\\data\\*.txt.*", {"A.TXT", "b.txt", "c.txt.bak"}},  // the last dot may match the end
        {"C:\\data\\a?b.doc", {}},                               // a "?" never takes a dot
        {"C:\\data\\a?.doc", {"ab.doc"}},
        {"C:\\data\\readme??", {"readme"}},  // nothing left for them at the end
        {"C:\\data\\b?txt", {}},
        {"C:\\data\\*.txt", {"A.TXT", "b.txt"}},
        {"C:\\DATA\\?.TxT", {"A.TXT", "b.txt"}},
        {"C:\\data\\a*", {"A.TXT", "ab.doc"}},
        {"C:\\data\\*.", {".", "..", "readme", "sub"}},
        {"C:\\data\\readme.*", {"readme"}},
        {"C:\\data\\b.txt", {"b.txt"}},
        {"C:\\data\\\\sub", {"sub"}},
        {"C:\\*", {"data", "work"}},  // a drive root has no "." and ".."
        {"C:\\data\\sub\\*.*", {".", ".."}},
    };
    for (const Row& row : rows) EXPECT_EQ(Search(row.pattern), row.names) << row.pattern;

    uint32_t error = 0;
    EXPECT_TRUE(Search("C:\\data\\*.pdf", &error).empty());
    EXPECT_EQ(error, os::kErrorFileNotFound);
    Search("C:\\nowhere\\*.*", &error);
    EXPECT_EQ(error, os::kErrorPathNotFound);
    Search("C:\\data\\b.txt\\*", &error);
    EXPECT_EQ(error, os::kErrorPathNotFound);
}

TEST_F(SimulatedFiles, SearchReportsAttributesSizesAndTimes) {
    sim::AddFile("C:\\d\\h.bin", "12345", os::kAttrHidden, 777);
    sim::AddLargeFile("C:\\d\\big.iso", 4294967306ull);
    os::FindData data{};
    os::FindHandle find = os::kInvalidFind;
    ASSERT_EQ(os::FindFirst("C:\\d\\*", &data, &find), 0u);
    EXPECT_EQ(data.attributes, os::kAttrDirectory);
    ASSERT_EQ(os::FindNext(find, &data), 0u);
    ASSERT_EQ(os::FindNext(find, &data), 0u);
    EXPECT_STREQ(data.name, "big.iso");
    EXPECT_EQ(data.size, 4294967306ull);
    ASSERT_EQ(os::FindNext(find, &data), 0u);
    EXPECT_EQ(data.attributes, os::kAttrHidden);
    EXPECT_EQ(data.size, 5u);
    EXPECT_EQ(data.writeTime, 777u);
    EXPECT_EQ(os::FindNext(find, &data), os::kErrorNoMoreFiles);
    EXPECT_EQ(os::FindNext(find, &data), os::kErrorNoMoreFiles);
    os::FindClose(find);

    ASSERT_EQ(Open("C:\\d\\big.iso", kRead), 0u);
    uint64_t size = 0;
    ASSERT_EQ(os::FileSize(handle, &size), 0u);
    EXPECT_EQ(size, 4294967306ull);
    ASSERT_EQ(os::SeekFile(handle, -3, os::kSeekEnd, nullptr), 0u);
    EXPECT_EQ(ReadAll(handle), std::string("\x07\x08\x09", 3));  // offset & 255
    os::CloseFile(handle);
}

TEST_F(SimulatedFiles, OperationFaultsFailTheirCountThenPass) {
    sim::AddFile("C:\\src\\a.txt", "a");
    sim::AddFile("C:\\src\\b.txt", "b");
    sim::FailOperation(sim::Op::Open, "*\\A.TXT", 2, os::kErrorSharingViolation);
    sim::FailOperation(sim::Op::MakeFolder, "C:\\never", -1, os::kErrorAccessDenied);
    EXPECT_EQ(Open("C:\\src\\b.txt", kRead), 0u);  // another path is not touched
    os::CloseFile(handle);
    EXPECT_EQ(Open("C:\\src\\a.txt", kRead), 32u);
    EXPECT_EQ(Open("C:\\src\\a.txt", kRead), 32u);
    EXPECT_EQ(Open("C:\\src\\a.txt", kRead), 0u);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(os::MakeFolder("C:\\never"), 5u);
    EXPECT_EQ(os::MakeFolder("C:\\other"), 0u);

    sim::FailOperation(sim::Op::Close, "", 1, os::kErrorCrc);
    EXPECT_EQ(os::CloseFile(handle), os::kErrorCrc);
    EXPECT_EQ(os::CloseFile(handle), os::kErrorInvalidHandle);  // the refused close let it go
    EXPECT_EQ(sim::OpenFileCount(), 0);
    EXPECT_EQ(sim::Count(sim::Op::Open), 4);
    EXPECT_EQ(sim::Count(sim::Op::Close), 3);
    EXPECT_EQ(sim::Count(sim::Op::MakeFolder), 6);

    sim::ClearFaults();
    EXPECT_EQ(os::MakeFolder("C:\\never"), 0u);
}

TEST_F(SimulatedFiles, ReadRangeFailsEachByteItsCount) {
    sim::AddFile("C:\\disc\\f.bin", "abcdef");
    sim::FailReadRange("C:\\disc\\f.bin", 2, 3, 2);
    sim::FailReadRange("C:\\disc\\f.bin", 5, 5, -1, os::kErrorInvalidHandle);
    ASSERT_EQ(Open("C:\\disc\\f.bin", kRead), 0u);
    char byte = 0;
    uint32_t done = 9;
    std::string got;
    std::vector<uint32_t> errors;
    for (int attempt = 0; attempt < 12; ++attempt) {
        uint32_t error = os::ReadFile(handle, &byte, 1, &done);
        errors.push_back(error);
        if (error == 0 && done == 1) got += byte;
        if (error != 0) {
            EXPECT_EQ(done, 0u);
        }
    }
    EXPECT_EQ(got, "abcde");
    EXPECT_EQ(errors, (std::vector<uint32_t>{0, 0, 23, 23, 0, 23, 23, 0, 0, 6, 6, 6}));
    EXPECT_EQ(sim::Count(sim::Op::Read), 12);
}

// As under Wine: a longer read stops short before a failing byte without counting it, and one
// that starts on it fails once.
TEST_F(SimulatedFiles, ReadAcrossAFailingByteComesShort) {
    sim::AddFile("C:\\disc\\f.bin", "abcdef");
    sim::FailReadRange("C:\\disc\\f.bin", 3, 3, 1);
    ASSERT_EQ(Open("C:\\disc\\f.bin", kRead), 0u);
    char bytes[8] = {};
    uint32_t done = 0;
    EXPECT_EQ(os::ReadFile(handle, bytes, 6, &done), 0u);
    EXPECT_EQ(std::string(bytes, done), "abc");
    EXPECT_EQ(os::ReadFile(handle, bytes, 3, &done), os::kErrorCrc);
    EXPECT_EQ(os::ReadFile(handle, bytes, 3, &done), 0u);
    EXPECT_EQ(std::string(bytes, done), "def");
}

TEST_F(SimulatedFiles, FullDiskWritesWhatFits) {
    sim::AddDrive('D');
    sim::FillDiskAfter('c', 3);
    ASSERT_EQ(Open("w.bin", kWrite, 0, os::kCreateAlways), 0u);
    os::FileHandle other = os::kInvalidFile;
    ASSERT_EQ(os::OpenFile("D:\\w.bin", kWrite, 0, os::kCreateAlways, 0, &other), 0u);
    uint32_t done = 0;
    EXPECT_EQ(os::WriteFile(handle, "ab", 2, &done), 0u);
    EXPECT_EQ(os::WriteFile(other, "12345", 5, &done), 0u);  // another drive has room
    EXPECT_EQ(os::WriteFile(handle, "cd", 2, &done), os::kErrorDiskFull);
    EXPECT_EQ(done, 1u);
    EXPECT_EQ(os::WriteFile(handle, "e", 1, &done), os::kErrorDiskFull);
    EXPECT_EQ(done, 0u);
    os::CloseFile(handle);
    os::CloseFile(other);
    EXPECT_EQ(sim::Content("w.bin"), "abc");
    EXPECT_EQ(sim::Content("D:\\w.bin"), "12345");
}

// What a read delivers and a write takes is counted, not what was asked for.
TEST_F(SimulatedFiles, BytesMovedAreCounted) {
    sim::AddFile("a.txt", "hello");
    ASSERT_EQ(Open("a.txt", kBoth), 0u);
    char buffer[8];
    uint32_t done = 0;
    EXPECT_EQ(os::ReadFile(handle, buffer, sizeof buffer, &done), 0u);
    EXPECT_EQ(os::WriteFile(handle, "!!", 2, &done), 0u);
    os::CloseFile(handle);
    EXPECT_EQ(sim::Bytes().fileRead, 5u);
    EXPECT_EQ(sim::Bytes().fileWritten, 2u);
}

TEST_F(SimulatedFiles, OpenHandlesAreCounted) {
    sim::AddFile("a.txt", "a");
    sim::HoldOpen("a.txt", kRead, os::kShareRead);
    ASSERT_EQ(Open("a.txt", kRead, os::kShareRead), 0u);
    os::FileHandle first = handle;
    EXPECT_EQ(Open("none.txt", kRead), os::kErrorFileNotFound);
    ASSERT_EQ(Open("b.txt", kWrite, 0, os::kCreateNew), 0u);
    os::FindData data{};
    os::FindHandle find = os::kInvalidFind, none = os::kInvalidFind;
    ASSERT_EQ(os::FindFirst("*", &data, &find), 0u);
    EXPECT_EQ(os::FindFirst("*.zip", &data, &none), os::kErrorFileNotFound);
    EXPECT_EQ(sim::OpenFileCount(), 2);
    EXPECT_EQ(sim::OpenSearchCount(), 1);
    os::CloseFile(first);
    os::CloseFile(handle);
    os::FindClose(find);
    EXPECT_EQ(sim::OpenFileCount(), 0);
    EXPECT_EQ(sim::OpenSearchCount(), 0);
}

TEST_F(SimulatedFiles, ThreadsShareTheMachine) {
    auto work = [](int id) {
        std::string path = "C:\\t\\" + std::to_string(id) + ".txt";
        for (int i = 0; i < 200; ++i) {
            sim::AddFile(path, std::to_string(i));
            os::FileHandle file = os::kInvalidFile;
            if (os::OpenFile(path.c_str(), os::kAccessRead, os::kShareRead, os::kOpenExisting,
                             os::kAttrNormal, &file) == 0)
                os::CloseFile(file);
        }
    };
    std::thread other(work, 1);
    work(2);
    other.join();
    EXPECT_EQ(sim::Content("C:\\t\\1.txt"), "199");
    EXPECT_EQ(sim::Count(sim::Op::Open), 400);
}

// ---- Windows, messages and dialogs ----

std::vector<uint32_t> seen;
intptr_t Recorder(os::Window window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    seen.push_back(message);
    if (message == os::kMsgMove) seen.push_back(static_cast<uint32_t>(lParam));
    if (message == os::kMsgCommand) {
        seen.push_back(static_cast<uint32_t>(wParam));
        seen.push_back(static_cast<uint32_t>(lParam));
    }
    if (message == os::kMsgDestroy) os::PostQuit(7);
    return os::DefaultProc(window, message, wParam, lParam);
}

class SimulatedWindows : public testing::Test {
protected:
    void SetUp() override {
        sim::Reset();
        seen.clear();
        os::WindowClass windowClass{"probe", 0, Recorder, os::kStandardIcon, os::kStandardArrow,
                                    16};
        ASSERT_TRUE(os::RegisterWindowClass(windowClass));
        main =
            os::MakeWindow(0, "probe", "Title", os::kStyleCaption, os::kUseDefault, 0, 530, 466, 0);
        ASSERT_NE(main, 0u);
    }
    os::Window main = 0;
};

TEST_F(SimulatedWindows, MainLoopEndsWhenTheIdleUserCloses) {
    int idleRuns = 0;
    sim::OnIdle([&] {
        ++idleRuns;
        os::Post(main, os::kMsgApp, 1, 2);
        sim::OnIdle(nullptr);
    });
    os::Message message{};
    std::vector<uint32_t> taken;
    int32_t result = 0;
    while ((result = os::NextMessage(&message)) > 0) {
        taken.push_back(message.message);
        os::DispatchMsg(message);
    }
    EXPECT_EQ(result, 0);
    EXPECT_EQ(message.wParam, 7u);
    EXPECT_EQ(idleRuns, 1);
    EXPECT_EQ(taken, (std::vector<uint32_t>{os::kMsgApp, os::kMsgClose}));
    EXPECT_EQ(seen, (std::vector<uint32_t>{os::kMsgApp, os::kMsgClose, os::kMsgDestroy}));
    EXPECT_FALSE(sim::IsAlive(main));
    EXPECT_EQ(os::NextMessage(&message), -1);  // no window is left to close
}

TEST_F(SimulatedWindows, PumpDispatchesPostsAndDropsQuit) {
    os::Post(main, os::kMsgApp + 3, 0, 0);
    os::PostQuit(1);
    os::Post(main, os::kMsgApp + 4, 0, 0);
    EXPECT_EQ(sim::PendingMessages().size(), 3u);
    sim::PumpMessages();
    EXPECT_EQ(seen, (std::vector<uint32_t>{os::kMsgApp + 3, os::kMsgApp + 4}));
    EXPECT_TRUE(sim::PendingMessages().empty());
}

TEST_F(SimulatedWindows, WindowsRecordsAndControls) {
    sim::WindowInfo info = sim::Info(main);
    EXPECT_EQ(info.x, 100);
    EXPECT_EQ(info.y, 100);
    EXPECT_FALSE(os::ShowWin(main, os::kShow));
    EXPECT_TRUE(os::ShowWin(main, os::kShowMinimize));
    EXPECT_EQ(sim::Info(main).showCommand, os::kShowMinimize);

    ASSERT_TRUE(os::MoveWin(main, -3, 10, 530, 466, true));
    EXPECT_EQ(seen, (std::vector<uint32_t>{os::kMsgMove, 32u << 16}));  // client origin 0, 32

    os::Window box = os::MakeWindow(0, "button", "Tick", os::kStyleChild | os::kStyleDisabled, 5, 6,
                                    50, 20, main);
    ASSERT_NE(box, 0u);
    EXPECT_FALSE(os::IsWinEnabled(box));
    EXPECT_FALSE(sim::Info(box).visible);
    os::Send(box, os::kMsgButtonSetCheck, os::kCheckChecked, 0);
    EXPECT_EQ(os::Send(box, os::kMsgButtonGetCheck, 0, 0), os::kCheckChecked);
    os::Send(box, os::kMsgSetText, 0, reinterpret_cast<intptr_t>("Ticked"));
    char text[4];
    EXPECT_EQ(os::Send(box, os::kMsgGetText, sizeof text, reinterpret_cast<intptr_t>(text)), 3);
    EXPECT_STREQ(text, "Tic");
    EXPECT_EQ(os::WindowRect(box).left, 5);  // the client area starts at x 0
    EXPECT_EQ(os::MakeWindow(0, "NOSUCH", "", 0, 0, 0, 1, 1, 0), 0u);

    EXPECT_TRUE(os::DestroyWin(main));
    EXPECT_FALSE(sim::IsAlive(box));  // children die with their parent
    EXPECT_FALSE(os::DestroyWin(main));
}

// Setting a single-line edit's text by any route tells the parent, as Windows does; a multi-line
// edit tells only of typing, other controls never.
TEST_F(SimulatedWindows, EditTextChangesNotifyTheParent) {
    os::Window edit = os::MakeWindow(0, "Edit", "", os::kStyleChild, 0, 0, 50, 20, main);
    os::Window label = os::MakeWindow(0, "Static", "", os::kStyleChild, 0, 30, 50, 20, main);
    os::Window pane = os::MakeWindow(0, "EDIT", "", os::kStyleChild | 0x0004 /* ES_MULTILINE */, 0,
                                     60, 50, 20, main);
    const uint32_t change = os::kNotifyEditChange << 16;
    const uint32_t handle = static_cast<uint32_t>(edit);
    os::SetText(edit, "a");
    os::Send(edit, os::kMsgSetText, 0, reinterpret_cast<intptr_t>("b"));
    sim::TypeText(edit, "c");
    os::SetText(label, "d");
    os::SetText(pane, "e");
    os::Send(pane, os::kMsgSetText, 0, reinterpret_cast<intptr_t>("f"));
    sim::TypeText(pane, "g");
    EXPECT_EQ(seen, (std::vector<uint32_t>{os::kMsgCommand, change, handle, os::kMsgCommand, change,
                                           handle, os::kMsgCommand, change, handle, os::kMsgCommand,
                                           change, static_cast<uint32_t>(pane)}));
    EXPECT_EQ(sim::Info(edit).text, "c");
    EXPECT_EQ(sim::Info(pane).text, "g");
}

// Appending to an edit's text tells the parent nothing, whatever its style.
TEST_F(SimulatedWindows, AppendedTextGoesInSilently) {
    os::Window edit = os::MakeWindow(0, "EDIT", "", os::kStyleChild, 0, 0, 50, 20, main);
    os::Window pane = os::MakeWindow(0, "EDIT", "ab", os::kStyleChild | 0x0004 /* ES_MULTILINE */,
                                     0, 60, 50, 20, main);
    EXPECT_TRUE(os::AppendText(edit, "x"));
    EXPECT_TRUE(os::AppendText(pane, "c\r\n"));
    EXPECT_TRUE(os::AppendText(pane, ""));
    EXPECT_EQ(sim::Info(edit).text, "x");
    EXPECT_EQ(sim::Info(pane).text, "abc\r\n");
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(sim::Bytes().windowText, 4u);  // what the program handed over, not the whole texts
    os::SetText(pane, "whole");
    EXPECT_EQ(sim::Bytes().windowText, 9u);
    os::DestroyWin(pane);
    EXPECT_FALSE(os::AppendText(pane, "d"));
}

TEST_F(SimulatedWindows, PixelsFontsAndDeviceContexts) {
    os::DeviceContext dc = os::GetDeviceContext(main);
    os::SetPixelColor(dc, 1, 2, 0x123456);
    os::FillBlock(dc, 10, 10, 12, 11, 0xAB);
    os::SetPixelColor(dc, 9999, 2, 0);  // outside: counted, not painted
    os::ReleaseDeviceContext(main, dc);
    EXPECT_EQ(sim::Pixel(main, 1, 2), 0x123456u);
    EXPECT_EQ(sim::Pixel(main, 11, 10), 0xABu);
    EXPECT_EQ(sim::Pixel(main, 12, 10), 0xFFFFFFFFu);
    EXPECT_EQ(sim::PixelCalls(), 2);
    EXPECT_EQ(sim::DeviceContextsTaken(), 1);
    EXPECT_EQ(sim::DeviceContextsHeld(), 0);

    os::FontShape shape{};
    shape.height = 7;
    os::Font font = os::MakeFont(shape);
    EXPECT_TRUE(sim::FontAlive(font));
    EXPECT_TRUE(os::DeleteFont(font));
    EXPECT_FALSE(os::DeleteFont(font));
    EXPECT_EQ(sim::FontOf(font).height, 7);
}

TEST_F(SimulatedWindows, DialogsAnswerOnceFromTheScript) {
    char file[8] = "old";
    os::OpenFileRecord record{76, main, "All\0*.*\0", file, sizeof file, 0, "*"};
    sim::AnswerFileDialog("C:\\long\\name.txt");
    EXPECT_TRUE(os::ChooseFile(record));
    EXPECT_STREQ(file, "C:\\long");
    EXPECT_EQ(sim::LastFileDialogFilter(), std::string("All\0*.*\0", 9));
    EXPECT_FALSE(os::ChooseFile(record));  // the answer was used up: the user cancels

    sim::AnswerFolderDialog("D:\\" + std::string(300, 'x'));
    os::ItemList list = os::BrowseFolder(os::BrowseRecord{main, 0, nullptr, "", 0});
    ASSERT_NE(list, 0u);
    std::string path;
    ASSERT_TRUE(os::PathFromItemList(list, &path));
    EXPECT_EQ(path, "D:\\" + std::string(300, 'x'));
    EXPECT_EQ(sim::ItemListsAlive(), 1);
    os::FreeItemList(list);
    EXPECT_EQ(sim::ItemListsAlive(), 0);
    sim::AnswerFolderDialog("D:\\x", true);
    EXPECT_EQ(os::BrowseFolder(os::BrowseRecord{main, 0, nullptr, "", 0}), 0u);

    EXPECT_EQ(os::StartProgram("browser C:\\work/log.htm", 1), 33u);
    EXPECT_EQ(sim::StartedPrograms(), std::vector<std::string>{"browser C:\\work/log.htm"});
}

TEST(SimulatedProcess, EndProcessTellsTheBoxesAndTheCode) {
    sim::Reset();
    EXPECT_EXIT(
        {
            os::ShowMessageBox(0, "first box", "Error", os::kBoxOk);
            os::EndProcess(9);
        },
        testing::ExitedWithCode(9), "exit 9\nfirst box");
}

}  // namespace
