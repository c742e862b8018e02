// Step "many files" of the copy scenario: 300 small files copied from one folder into one destiny
// folder, each byte for byte. It prints what a file took among the first hundred and among the
// last, timed by watching the destiny folder fill, so that a cost that grows with the files
// already copied shows.
#include <cstdio>
#include <string>
#include <vector>

#include "checks.h"
#include "copy_session.h"
#include "file_bytes.h"
#include "window_reading.h"

namespace e2e {

namespace {

constexpr int kHundreds = 3;
// 300 files took some 95 s when each look for a missing copy read the whole folder, 2 s since.
constexpr DWORD kFillMs = 60000;

std::string Name(size_t i) {
    char text[16];
    std::snprintf(text, sizeof text, "m%03zu.bin", i);
    return text;
}

}  // namespace

bool RunManyFiles(Session& s) {
    const std::string name = "many files", source = s.At("many"), destiny = s.At("many-out");
    std::vector<std::string> bytes(kHundreds * 100);
    std::string lines;
    bool made = CreateDirectoryA(source.c_str(), nullptr);
    for (size_t i = 0; i < bytes.size() && made; ++i) {
        bytes[i] = Pattern(100 + i * 37 % 201, 100 + i);
        made = WriteWholeFile(source + "\\" + Name(i), bytes[i]);
        const std::string size = std::to_string(bytes[i].size()) + "bytes";
        lines += "Copied \"" + Name(i) + "\" " + size + ", written " + size + "\r\n";
    }
    if (!Check(name + ": sources made", made)) return false;
    // The program copies in name order: when the 100th, 200th and 300th copy shows. A look at a
    // missing name costs what one of the program's own looks costs, a few of its thousands.
    LARGE_INTEGER reached[kHundreds + 1];
    QueryPerformanceCounter(&reached[0]);
    StartRun(s, source + "\\*.*", destiny);
    int hundreds = 0;
    for (DWORD start = GetTickCount(); hundreds < kHundreds && GetTickCount() - start < kFillMs;) {
        const std::string next = destiny + "\\" + Name(hundreds * 100 + 99);
        if (GetFileAttributesA(next.c_str()) != INVALID_FILE_ATTRIBUTES)
            QueryPerformanceCounter(&reached[++hundreds]);
        else
            Sleep(5);
    }
    if (!Check(
            name + ": every copy is made", hundreds == kHundreds,
            std::to_string(hundreds * 100) + " shown in " + std::to_string(kFillMs / 1000) + " s"))
        return false;
    std::printf(
        "info: many files: first hundred %.1f ms/file, last hundred %.1f ms/file, %d in %.1f s\n",
        Milliseconds(reached[0], reached[1]) / 100,
        Milliseconds(reached[kHundreds - 1], reached[kHundreds]) / 100, kHundreds * 100,
        Milliseconds(reached[0], reached[kHundreds]) / 1000);
    ConsoleShows(s, name + ": the console pane shows a line for each file", lines);
    if (!RunEnds(s, name, "Done")) return false;
    std::string mismatches, copied;
    int differing = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        copied.clear();
        ReadWholeFile(destiny + "\\" + Name(i), &copied);
        if (copied != bytes[i] && ++differing <= 3)
            Note(&mismatches, Name(i) + ": " + FirstDifference(bytes[i], copied));
    }
    if (differing > 3) Note(&mismatches, std::to_string(differing) + " files in all");
    return CheckClean(name + ": every file is copied byte for byte", mismatches);
}

}  // namespace e2e
