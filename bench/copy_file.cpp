// The baseline under the same Wine: CopyFileA of one file, or of every file of a folder into
// another folder. Prints the seconds the copying took.
//
//   copy_file <source file> <destiny file>
//   copy_file <source folder> <destiny folder>
#include <windows.h>

#include <cstdio>
#include <string>

#include "timing.h"

namespace {

bool CopyFolder(const std::string& source, const std::string& destiny) {
    WIN32_FIND_DATAA entry{};
    HANDLE search = FindFirstFileA((source + "\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return false;
    bool copied = true;
    do {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        std::string name = std::string("\\") + entry.cFileName;
        copied = copied && CopyFileA((source + name).c_str(), (destiny + name).c_str(), TRUE);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return copied;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: copy_file <source> <destiny>\n");
        return 2;
    }
    DWORD attributes = GetFileAttributesA(argv[1]);
    double start = bench::Now();
    bool copied = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)
                      ? CopyFolder(argv[1], argv[2])
                      : CopyFileA(argv[1], argv[2], TRUE);
    double seconds = bench::Now() - start;
    if (!copied) {
        std::fprintf(stderr, "copy_file: error %lu\n", GetLastError());
        return 1;
    }
    std::printf("%.9f\n", seconds);
    return 0;
}
