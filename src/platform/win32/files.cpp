// Files, folders, attributes and the directory search on Win32.
#include <cstring>

#include "platform/win32/paths.h"
#include "platform/win32/win32.h"

namespace os {

using win32::AsHandle;
using win32::Outcome;
using win32::WidePath;

namespace {
constexpr NTSTATUS kEndOfFile = static_cast<NTSTATUS>(0xC0000011);  // STATUS_END_OF_FILE
}  // namespace

uint32_t OpenFile(const char* path, uint32_t access, uint32_t share, uint32_t disposition,
                  uint32_t attributes, FileHandle* handle) {
    HANDLE opened = ::CreateFileW(WidePath(path).c_str(), access, share, nullptr, disposition,
                                  attributes, nullptr);
    *handle = reinterpret_cast<FileHandle>(opened);
    // OPEN_ALWAYS and CREATE_ALWAYS leave ERROR_ALREADY_EXISTS behind even when they succeed.
    return Outcome(opened != INVALID_HANDLE_VALUE);
}

uint32_t ReadFile(FileHandle handle, void* buffer, uint32_t count, uint32_t* done) {
    DWORD got = 0;
    uint32_t error = Outcome(::ReadFile(AsHandle(handle), buffer, count, &got, nullptr));
    if (done) *done = got;
    return error;
}

// NtReadFile without a completion context: ReadFile with an OVERLAPPED hands one over, and Wine
// then asks its server to post it after every read, a round trip that costs more than a small
// read itself. With an offset, one call is one read of the medium on Windows and under Wine.
uint32_t ReadFileAt(FileHandle handle, int64_t offset, void* buffer, uint32_t count,
                    uint32_t* done) {
    IO_STATUS_BLOCK status{};
    LARGE_INTEGER at;
    at.QuadPart = offset;
    NTSTATUS result = ::NtReadFile(AsHandle(handle), nullptr, nullptr, nullptr, &status, buffer,
                                   count, &at, nullptr);
    uint32_t got = result >= 0 ? static_cast<uint32_t>(status.Information) : 0;
    uint32_t error = 0;
    // At or past the end a read at an offset fails; a read at the pointer gives nothing and
    // success, which is what the engine counts as the end of the file.
    if (result < 0 && result != kEndOfFile) {
        error = ::RtlNtStatusToDosError(result);
        if (error == 0) error = ERROR_GEN_FAILURE;
    }
    ::SetLastError(error);
    if (done) *done = got;
    return error;
}

uint32_t WriteFile(FileHandle handle, const void* buffer, uint32_t count, uint32_t* done) {
    DWORD put = 0;
    uint32_t error = Outcome(::WriteFile(AsHandle(handle), buffer, count, &put, nullptr));
    if (done) *done = put;
    return error;
}

uint32_t SeekFile(FileHandle handle, int64_t distance, uint32_t method, int64_t* position) {
    LARGE_INTEGER move, reached;
    move.QuadPart = distance;
    reached.QuadPart = 0;
    uint32_t error = Outcome(::SetFilePointerEx(AsHandle(handle), move, &reached, method));
    if (error == 0 && position) *position = reached.QuadPart;
    return error;
}

uint32_t FileSize(FileHandle handle, uint64_t* size) {
    LARGE_INTEGER found;
    found.QuadPart = 0;
    uint32_t error = Outcome(::GetFileSizeEx(AsHandle(handle), &found));
    if (error == 0) *size = static_cast<uint64_t>(found.QuadPart);
    return error;
}

uint32_t FileWriteTime(FileHandle handle, uint64_t* fileTime) {
    FILETIME written{};
    uint32_t error = Outcome(::GetFileTime(AsHandle(handle), nullptr, nullptr, &written));
    if (error == 0) *fileTime = win32::FileTimeValue(written);
    return error;
}

uint32_t SetFileWriteTime(FileHandle handle, uint64_t fileTime) {
    FILETIME written = win32::FileTimeOf(fileTime);
    return Outcome(::SetFileTime(AsHandle(handle), nullptr, nullptr, &written));
}

uint32_t CloseFile(FileHandle handle) { return Outcome(::CloseHandle(AsHandle(handle))); }

uint32_t EraseFile(const char* path) { return Outcome(::DeleteFileW(WidePath(path).c_str())); }

uint32_t MakeFolder(const char* path) {
    return Outcome(::CreateDirectoryW(WidePath(path).c_str(), nullptr));
}

uint32_t SetAttributes(const char* path, uint32_t attributes) {
    return Outcome(::SetFileAttributesW(WidePath(path).c_str(), attributes));
}

uint32_t GetAttributes(const char* path, uint32_t* attributes) {
    *attributes = ::GetFileAttributesW(WidePath(path).c_str());
    return Outcome(*attributes != INVALID_FILE_ATTRIBUTES);
}

bool UtcToLocalFileTime(uint64_t utc, uint64_t* local) {
    FILETIME from = win32::FileTimeOf(utc), to{};
    if (!::FileTimeToLocalFileTime(&from, &to)) return false;
    *local = win32::FileTimeValue(to);
    return true;
}

uint32_t LastError() { return ::GetLastError(); }

namespace {

void CopyFound(const WIN32_FIND_DATAW& found, FindData* data) {
    std::string name = win32::Utf8(found.cFileName);  // at most 3 bytes per wide character
    static_assert(sizeof data->name > 3 * MAX_PATH);
    std::memcpy(data->name, name.c_str(), name.size() + 1);
    std::string alias = win32::Utf8(found.cAlternateFileName);  // 13 wide characters at most
    static_assert(sizeof data->shortName > 3 * 13);
    std::memcpy(data->shortName, alias.c_str(), alias.size() + 1);
    data->attributes = found.dwFileAttributes;
    data->size = win32::JoinWords(found.nFileSizeHigh, found.nFileSizeLow);
    data->writeTime = win32::FileTimeValue(found.ftLastWriteTime);
}

}  // namespace

uint32_t FindFirst(const char* pattern, FindData* data, FindHandle* handle) {
    WIN32_FIND_DATAW found{};
    HANDLE search = ::FindFirstFileW(WidePath(pattern).c_str(), &found);
    *handle = reinterpret_cast<FindHandle>(search);
    uint32_t error = Outcome(search != INVALID_HANDLE_VALUE);
    if (error == 0) CopyFound(found, data);
    return error;
}

uint32_t FindNext(FindHandle handle, FindData* data) {
    WIN32_FIND_DATAW found{};
    uint32_t error = Outcome(::FindNextFileW(AsHandle(handle), &found));
    if (error == 0) CopyFound(found, data);
    return error;
}

void FindClose(FindHandle handle) {
    if (handle != kInvalidFind) ::FindClose(AsHandle(handle));
}

}  // namespace os
