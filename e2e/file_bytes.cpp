#include "file_bytes.h"

#include <algorithm>
#include <vector>

namespace e2e {

namespace {

HANDLE OpenToRead(const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Fills the whole block from the file's position.
bool ReadBlock(HANDLE file, std::vector<char>* block) {
    DWORD got = 0;
    return ReadFile(file, block->data(), static_cast<DWORD>(block->size()), &got, nullptr) &&
           got == block->size();
}

// Reads the open file to its end, then closes it.
bool ReadAll(HANDLE file, std::string* bytes) {
    if (file == INVALID_HANDLE_VALUE) return false;
    bytes->clear();
    char block[65536];
    DWORD got = 0;
    while (ReadFile(file, block, sizeof block, &got, nullptr) && got > 0) bytes->append(block, got);
    CloseHandle(file);
    return true;
}

}  // namespace

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

bool ReadWholeFile(const std::string& path, std::string* bytes) {
    return ReadAll(OpenToRead(path), bytes);
}

bool ReadWholeFile(const std::wstring& path, std::string* bytes) {
    return ReadAll(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr),
                   bytes);
}

long long FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::string PrefixMismatch(const std::string& wholePath, const std::string& partPath) {
    const long long whole = FileSize(wholePath), part = FileSize(partPath);
    const std::string sizes = std::to_string(part) + " bytes of " + std::to_string(whole);
    if (part <= 0 || part >= whole) return sizes;
    HANDLE wholeFile = OpenToRead(wholePath), partFile = OpenToRead(partPath);
    std::vector<char> wholeBlock, partBlock;
    std::string mismatch;
    for (long long at = 0; at < part && mismatch.empty(); at += 1 << 20) {
        wholeBlock.resize(std::min<long long>(part - at, 1 << 20));
        partBlock.resize(wholeBlock.size());
        if (!ReadBlock(wholeFile, &wholeBlock) || !ReadBlock(partFile, &partBlock)) {
            mismatch = sizes + ", unreadable at byte " + std::to_string(at);
        } else if (wholeBlock != partBlock) {
            auto differ = std::mismatch(wholeBlock.begin(), wholeBlock.end(), partBlock.begin());
            mismatch = sizes + ", first difference at byte " +
                       std::to_string(at + (differ.first - wholeBlock.begin()));
        }
    }
    CloseHandle(wholeFile);
    CloseHandle(partFile);
    return mismatch;
}

std::string FirstDifference(const std::string& expected, const std::string& actual) {
    size_t at = 0;
    while (at < expected.size() && at < actual.size() && expected[at] == actual[at]) ++at;
    auto around = [at](const std::string& text) {
        std::string piece = text.substr(at, 40);
        for (char& c : piece)
            if (c == '\r' || c == '\n') c = '|';
        return "\"" + piece + "\"";
    };
    return "sizes " + std::to_string(expected.size()) + " and " + std::to_string(actual.size()) +
           ", first difference at byte " + std::to_string(at) + ": expected " + around(expected) +
           ", got " + around(actual);
}

}  // namespace e2e
