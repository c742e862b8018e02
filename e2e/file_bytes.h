// Whole files as byte strings, for preparing the program's inputs and reading its outputs.
#pragma once

#include <windows.h>

#include <string>

namespace e2e {

bool WriteWholeFile(const std::string& path, const std::string& bytes);
// Reads with read sharing only: never while the program may be writing the file.
bool ReadWholeFile(const std::string& path, std::string* bytes);
// The same for a name the code page cannot spell or a path in the \\?\ form.
bool ReadWholeFile(const std::wstring& path, std::string* bytes);
// The size the directory shows, without opening the file; -1 when it does not exist.
long long FileSize(const std::string& path);
// Why the file at partPath is not a non-empty proper prefix of the file at wholePath; empty
// when it is. Compares a MiB at a time, so that files of gigabytes cost little memory.
std::string PrefixMismatch(const std::string& wholePath, const std::string& partPath);
// Where two byte strings first part, with a little of each side, for a readable failure.
std::string FirstDifference(const std::string& expected, const std::string& actual);

}  // namespace e2e
