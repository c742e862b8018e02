// The baseline under the same Wine: CopyFileA of one file, or of every file of a folder into
// another folder. Prints the seconds the copying took. With a number of checks, each copy comes
// after that many looks at its missing destiny's attributes: the floor that tramox's own
// behaviour sets, as it looks depthSearchDestiny + 1 times (2049 by default).
//
//   copy_file <source file> <destiny file> [checks]
//   copy_file <source folder> <destiny folder> [checks]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "timing.h"

namespace {

int checks = 0;

bool CopyOne(const std::string& source, const std::string& destiny) {
    for (int i = 0; i < checks; ++i) GetFileAttributesA(destiny.c_str());
    return CopyFileA(source.c_str(), destiny.c_str(), TRUE);
}

bool CopyFolder(const std::string& source, const std::string& destiny) {
    WIN32_FIND_DATAA entry{};
    HANDLE search = FindFirstFileA((source + "\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return false;
    bool copied = true;
    do {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        std::string name = std::string("\\") + entry.cFileName;
        copied = copied && CopyOne(source + name, destiny + name);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return copied;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: copy_file <source> <destiny> [checks]\n");
        return 2;
    }
    if (argc == 4) checks = std::atoi(argv[3]);
    DWORD attributes = GetFileAttributesA(argv[1]);
    double start = bench::Now();
    bool copied = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)
                      ? CopyFolder(argv[1], argv[2])
                      : CopyOne(argv[1], argv[2]);
    double seconds = bench::Now() - start;
    if (!copied) {
        std::fprintf(stderr, "copy_file: error %lu\n", GetLastError());
        return 1;
    }
    std::printf("%.9f\n", seconds);
    return 0;
}
