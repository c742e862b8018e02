// Names and paths as users meet them: characters the code page cannot spell, a trailing dot or
// blank, long names and long paths, pasted paths in quotes, names Windows takes for a file
// already there. Shared checks: every source is in the destiny under its own name, byte for byte
// and with its date, or named in an error, or left alone as a file already there; a missing
// destiny file costs no looks at the file system.
#include <algorithm>

#include "engine_fixture.h"

namespace engine_test {
namespace {

const std::string kLong60 = "holiday-photos-2019-summer-" + std::string(33, 'x');
// A destiny folder of 238 characters, so that its files' paths pass 300.
const std::string kDeep =
    "D:\\" + std::string(78, 'a') + "\\" + std::string(78, 'b') + "\\" + std::string(75, 'c');

struct NameRow {
    const char* what;
    std::vector<std::string> names;  // files of C:\src, UTF-8
    std::string source, destiny;     // as typed
    std::string folder;              // where the copies must land
    std::vector<std::string> console;
    std::function<void()> setup = nullptr;
    bool dated = true;  // each copy has its source's last-write time
    // Files in the destiny before the run, which it leaves alone unless removed from outside.
    std::vector<std::string> present = {};
    size_t removed = 0;
    std::string appears = "";  // made by another program as the run is about to create it
};

const std::string kTheirs = "theirs";
const uint64_t kTheirTime = 127000000000000000ull;

// Another program at work in the destiny folder when the run reaches `state` for `name`.
void Meanwhile(JobState state, const std::string& name, std::function<void()> action) {
    onState = [=](JobState now) {
        if (now == state && CopyJob.entry.fullName == name) action(), onState = nullptr;
    };
}

std::string Line(const std::string& shown, size_t size) {
    std::string bytes = std::to_string(size) + "bytes";
    return "Copied \"" + shown + "\" " + bytes + ", written " + bytes;
}

const std::string kName250 = std::string(246, 'n') + ".txt";

const NameRow kRows[] = {
    {"names the code page cannot spell",
     {"\xCE\x95\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA\xCE\xAC.txt",
      "\xE6\x97\xA5\xE6\x9C\xAC.txt", "\xF0\x9F\x98\x80.bin"},
     "C:\\src\\*.*",
     "D:\\out",
     "D:\\out",
     {Line("????????.txt", 20), Line("??.txt", 10), Line("?.bin", 8)}},
    {"a trailing dot and a trailing blank",
     {"report.", "notes "},
     "C:\\src\\*.*",
     "D:\\out",
     "D:\\out",
     {Line("notes ", 6), Line("report.", 7)}},
    {"a name of 250 characters",
     {kName250},
     "C:\\src\\*.*",
     "D:\\out",
     "D:\\out",
     {Line(kName250, 250)}},
    {"paths of 300 characters, names alike in their first 60",
     {kLong60 + "-001.jpg", kLong60 + "-002.jpg", kLong60 + "-003.jpg"},
     "C:\\src\\*.jpg",
     kDeep,
     kDeep,
     {Line(kLong60 + "-001.jpg", 68), Line(kLong60 + "-002.jpg", 68),
      Line(kLong60 + "-003.jpg", 68)},
     [] { sim::AddFolder(kDeep.substr(0, kDeep.rfind('\\'))); }},  // the run makes the last
    {"a typed source past 255 characters",
     {kName250},
     "C:\\src\\" + kName250,
     "D:\\out",
     "D:\\out",
     {Line(kName250, 250)}},
    {"a typed destiny of 258 characters, its first 255 a folder that could be made",
     {"a.txt"},
     "C:\\src\\*.*",
     kDeep + "\\" + std::string(19, 'd'),
     kDeep + "\\" + std::string(19, 'd'),
     {Line("a.txt", 5)},
     [] { sim::AddFolder(kDeep); }},
    {"pasted paths in quotes",
     {"a.txt"},
     "\"C:\\src\\*.*\"",
     "\"D:\\out\"",
     "D:\\out",
     {Line("a.txt", 5)}},
    {"a destiny text ending in blanks",
     {"a.txt"},
     "C:\\src\\a.txt",
     "D:\\out  ",
     "D:\\out",
     {Line("a.txt", 5)}},
    {"a date that cannot be set: still copied, and the log says so",
     {"a.txt"},
     "C:\\src\\*.*",
     "D:\\out",
     "D:\\out",
     {Line("a.txt", 5)},
     [] { sim::FailOperation(sim::Op::SetWriteTime, "D:\\out\\a.txt", -1, 5); },
     false},
    {"names that differ in case beyond ASCII are one file",
     {"\xC3\xA9t\xC3\xA9.txt", "b.txt"},
     "C:\\src\\*.*",
     "D:\\out",
     "D:\\out",
     {Line("b.txt", 5), "Copy \"\xE9t\xE9.txt\" file already exists"},
     nullptr,
     true,
     {"\xC3\x89T\xC3\x89.TXT"}},
    {"a source named as a destiny file's 8.3 alias is that file",
     {"LONGFI~1.TXT", "b.txt"},
     "C:\\src\\*.*",
     "D:\\out",
     "D:\\out",
     {Line("b.txt", 5), "Copy \"LONGFI~1.TXT\" file already exists"},
     [] { sim::SetShortName("D:\\out\\long file name.txt", "LONGFI~1.TXT"); },
     true,
     {"long file name.txt"}},
    {"a file that appears after the folder was listed is left alone, no error",
     {"a.txt", "b.txt"},
     "C:\\src\\*.*",
     "D:\\out",
     "D:\\out",
     {Line("a.txt", 5), "Copy \"b.txt\" file already exists"},
     nullptr,
     true,
     {},
     0,
     "b.txt"},
    {"a folder that cannot be listed is asked at every look",
     {"b.txt"},
     "C:\\src\\*.*",
     "D:\\out",
     "D:\\out",
     {"Copy \"b.txt\" file already exists"},
     [] {
         Meanwhile(JobState::SearchDestiny, "b.txt", [] {
             sim::FailOperation(sim::Op::FindFirst, "D:\\out\\*", 1, os::kErrorAccessDenied);
         });
     },
     true,
     {"b.txt"}},
    {"a listed file removed from outside is copied",
     {"a.txt", "b.txt"},
     "C:\\src\\*.*",
     "D:\\out",
     "D:\\out",
     {Line("a.txt", 5), Line("b.txt", 5)},
     [] { Meanwhile(JobState::CreateDestiny, "a.txt", [] { os::EraseFile("D:\\out\\b.txt"); }); },
     true,
     {"b.txt"},
     1},
};

// A file's bytes are its own name; its date tells it apart from every other.
uint64_t DateOf(size_t index) { return 128000000000000000ull + index * 10000000ull; }

TEST_F(EngineTest, NamesAndPathsAsUsersMeetThem) {
    for (const NameRow& row : kRows) {
        SCOPED_TRACE(row.what);
        Restart();
        sim::AddDrive('D');
        for (size_t i = 0; i < row.names.size(); ++i)
            sim::AddFile("C:\\src\\" + row.names[i], row.names[i], os::kAttrArchive, DateOf(i));
        for (const std::string& name : row.present)
            sim::AddFile(row.folder + "\\" + name, kTheirs, os::kAttrArchive, kTheirTime);
        if (row.setup) row.setup();
        if (!row.appears.empty())
            Meanwhile(JobState::CreateDestiny, row.appears, [&] {
                sim::AddFile(row.folder + "\\" + row.appears, kTheirs, os::kAttrArchive,
                             kTheirTime);
            });
        Copy(row.source, row.destiny);
        std::vector<std::string> console = ConsoleLines();
        EXPECT_EQ(console, row.console);
        bool error = false;
        for (const std::string& line : console) error = error || line.rfind("Unable", 0) == 0;
        std::vector<std::string> found;
        rt::DirEntry entry;
        for (int32_t code = rt::FindFirst(row.folder + "\\*", rt::kAnyFile, entry); code == 0;
             code = rt::FindNext(entry))
            if (entry.fullName != "." && entry.fullName != "..") found.push_back(entry.fullName);
        rt::FindClose(entry);
        for (const std::string& name : found) {  // nothing else, no name cut
            auto same = [&](const std::string& other) { return os::SameName(name, other); };
            EXPECT_TRUE(std::any_of(row.names.begin(), row.names.end(), same) ||
                        std::any_of(row.present.begin(), row.present.end(), same))
                << name;
        }
        if (row.folder.size() > 255) {
            EXPECT_FALSE(sim::Exists(row.folder.substr(0, 255)));  // no folder at a cut path
        }
        for (size_t i = 0; i < row.names.size() && !error; ++i) {
            const std::string copy = row.folder + "\\" + row.names[i];
            if (sim::Content(copy) == kTheirs) continue;  // theirs, told in the console
            EXPECT_EQ(sim::Content(copy), row.names[i]) << copy;
            EXPECT_EQ(sim::WriteTime(copy) == DateOf(i), row.dated) << copy;
        }
        for (size_t i = row.removed; i < row.present.size(); ++i) {
            const std::string theirs = row.folder + "\\" + row.present[i];
            EXPECT_EQ(sim::Content(theirs), kTheirs) << theirs;
            EXPECT_EQ(sim::WriteTime(theirs), kTheirTime) << theirs;
        }
        // A file left alone is neither announced nor created, unless it came too late to see.
        auto copied = std::count_if(console.begin(), console.end(), [](const std::string& line) {
            return line.starts_with("Copied");
        });
        EXPECT_EQ(std::count(trace.begin(), trace.end(), JobState::CreateDestiny),
                  copied + !row.appears.empty());
        EXPECT_EQ(CopyTotals.filesProcessed, copied);
        // Looks for a missing file are answered by the folder's listing, but for a file the
        // listing holds and someone removed: that one asks at every look.
        EXPECT_LT(sim::Count(sim::Op::GetAttributes),
                  static_cast<int>(1 + row.removed) * Settings.depthSearchDestiny);
        const std::string log = Log();
        EXPECT_NE(log.find("charset="), std::string::npos);
        EXPECT_EQ(log.find("its source's date") != std::string::npos, !row.dated);
        std::string source = row.source;  // the log names both paths as they were taken
        if (source.front() == '"') source = source.substr(1, source.size() - 2);
        std::string taken = "Copying files \"<B>" + source + "</B>\" to " + row.folder;
        EXPECT_NE(log.find(taken + "</FONT>"), std::string::npos) << taken;
    }
}

}  // namespace
}  // namespace engine_test
