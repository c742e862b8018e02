#include "runtime/files.h"

#include "runtime/io_result.h"

namespace rt {

namespace {

constexpr uint32_t kReadAhead = 4096;
constexpr char kCtrlZ = 26;

// Shared guard of every operation: skipped while a code is pending, 102 for an unbound file.
template <class File>
bool Ready(const File& file) {
    if (IoPending()) return false;
    if (file.mode == FileMode::Unbound) {
        SetIoResult(kIoNotAssigned);
        return false;
    }
    return true;
}

template <class File>
bool OpenHandle(File& file, uint32_t access, uint32_t share, uint32_t disposition,
                uint32_t attributes, FileMode mode) {
    if (!Ready(file)) return false;
    if (file.handle != os::kInvalidFile) os::CloseFile(file.handle);
    file.handle = os::kInvalidFile;
    file.mode = FileMode::Closed;
    uint32_t error = os::OpenFile(file.name.c_str(), access, share, disposition, attributes,
                                  &file.handle);
    if (error != 0) {
        file.handle = os::kInvalidFile;
        SetIoResult(static_cast<int32_t>(error));
        return false;
    }
    file.mode = mode;
    return true;
}

template <class File>
void CloseHandle(File& file) {
    if (!Ready(file)) return;
    if (file.mode == FileMode::Closed) {
        SetIoResult(kIoNotOpen);
        return;
    }
    uint32_t error = os::CloseFile(file.handle);
    file.handle = os::kInvalidFile;
    file.mode = FileMode::Closed;
    if (error != 0) SetIoResult(static_cast<int32_t>(error));
}

template <class File>
void EraseBound(File& file) {
    if (!Ready(file)) return;
    uint32_t error = os::EraseFile(file.name.c_str());
    if (error != 0) SetIoResult(static_cast<int32_t>(error));
}

bool CanRead(FileMode mode) {
    if (mode == FileMode::Closed) SetIoResult(kIoNotOpen);
    else if (mode == FileMode::Output) SetIoResult(kIoNotOpenForInput);
    else return true;
    return false;
}

bool CanWrite(FileMode mode) {
    if (mode == FileMode::Closed) SetIoResult(kIoNotOpen);
    else if (mode == FileMode::Input) SetIoResult(kIoNotOpenForOutput);
    else return true;
    return false;
}

// Makes sure at least one byte is buffered unless the file has ended.
bool FillBuffer(TextFile& file) {
    if (file.position < file.buffer.size()) return true;
    file.buffer.clear();
    file.position = 0;
    if (file.atEnd) return false;
    char chunk[kReadAhead];
    uint32_t done = 0;
    uint32_t error = os::ReadFile(file.handle, chunk, kReadAhead, &done);
    if (error != 0) {
        SetIoResult(static_cast<int32_t>(error));
        file.atEnd = true;
        return false;
    }
    if (done == 0) {
        file.atEnd = true;
        return false;
    }
    file.buffer.assign(chunk, done);
    return true;
}

// Windows refuses to replace a hidden or system file unless the same bits are asked for, and a
// user who hid tramox.ini or the log wants it to stay hidden.
uint32_t ReplacementAttributes(const std::string& name) {
    uint32_t attributes = 0;
    if (IoPending()) return os::kAttrNormal;  // the open that follows is skipped anyway
    if (os::GetAttributes(name.c_str(), &attributes) != 0) return os::kAttrNormal;
    uint32_t kept = attributes & (os::kAttrHidden | os::kAttrSystem);
    return kept != 0 ? kept : os::kAttrNormal;
}

void ResetReading(TextFile& file) {
    file.buffer.clear();
    file.position = 0;
    file.atEnd = false;
}

}  // namespace

void Bind(TextFile& file, const ShortText& name) {
    if (file.handle != os::kInvalidFile) os::CloseFile(file.handle);
    file = TextFile();
    file.name = os::FromCodePage(name.view());
    file.mode = FileMode::Closed;
}

void OpenRead(TextFile& file) {
    ResetReading(file);
    OpenHandle(file, os::kAccessRead, os::kShareRead | os::kShareWrite, os::kOpenExisting,
               os::kAttrNormal, FileMode::Input);
}

void CreateNew(TextFile& file) {
    ResetReading(file);
    OpenHandle(file, os::kAccessWrite, os::kShareRead, os::kCreateAlways,
               ReplacementAttributes(file.name), FileMode::Output);
}

void OpenAppend(TextFile& file) {
    ResetReading(file);
    if (!OpenHandle(file, os::kAccessWrite, os::kShareRead, os::kOpenExisting, os::kAttrNormal,
                    FileMode::Output))
        return;
    int64_t position = 0;
    uint32_t error = os::SeekFile(file.handle, 0, os::kSeekEnd, &position);
    if (error != 0) SetIoResult(static_cast<int32_t>(error));
}

std::string ReadLine(TextFile& file) {
    constexpr size_t kLongestLine = 32767 + 256;
    std::string line;
    if (!Ready(file) || !CanRead(file.mode)) return line;
    while (FillBuffer(file)) {
        char c = file.buffer[file.position++];
        if (c == '\n') break;
        if (c == '\r') {
            if (FillBuffer(file) && file.buffer[file.position] == '\n') ++file.position;
            break;
        }
        if (line.size() < kLongestLine) line += c;
    }
    return line;
}

bool AtEnd(TextFile& file) {
    if (!Ready(file) || !CanRead(file.mode)) return true;
    if (!FillBuffer(file)) return true;
    return file.buffer[file.position] == kCtrlZ;
}

void Write(TextFile& file, std::string_view text) {
    if (!Ready(file) || !CanWrite(file.mode)) return;
    if (text.empty()) return;
    uint32_t done = 0;
    uint32_t error =
        os::WriteFile(file.handle, text.data(), static_cast<uint32_t>(text.size()), &done);
    if (error != 0)
        SetIoResult(static_cast<int32_t>(error));
    else if (done != text.size())
        SetIoResult(kIoShortWrite);
}

void WriteLine(TextFile& file, std::string_view text) {
    std::string line(text);
    line += "\r\n";
    Write(file, line);
}

void Close(TextFile& file) {
    CloseHandle(file);
    ResetReading(file);
}

void Bind(ByteFile& file, const ShortText& name) { BindPath(file, os::FromCodePage(name.view())); }

void BindPath(ByteFile& file, const std::string& utf8Path) {
    if (file.handle != os::kInvalidFile) os::CloseFile(file.handle);
    file = ByteFile();
    file.name = utf8Path;
    file.mode = FileMode::Closed;
}

void Open(ByteFile& file, uint32_t access, uint32_t share, uint32_t disposition,
          uint32_t attributes) {
    FileMode mode = FileMode::InOut;
    if (!(access & os::kAccessWrite))
        mode = FileMode::Input;
    else if (!(access & os::kAccessRead))
        mode = FileMode::Output;
    OpenHandle(file, access, share, disposition, attributes, mode);
}

void OpenRead(ByteFile& file) {
    Open(file, os::kAccessRead, os::kShareRead, os::kOpenExisting, os::kAttrNormal);
}

void CreateNew(ByteFile& file) {
    Open(file, os::kAccessRead | os::kAccessWrite, os::kShareRead, os::kCreateAlways,
         ReplacementAttributes(file.name));
}

namespace {

void ReadFrom(ByteFile& file, const int64_t* position, void* buffer, uint32_t count,
              uint32_t* done) {
    if (done) *done = 0;
    if (!Ready(file) || !CanRead(file.mode)) return;
    uint32_t got = 0;
    uint32_t error = position ? os::ReadFileAt(file.handle, *position, buffer, count, &got)
                              : os::ReadFile(file.handle, buffer, count, &got);
    if (done) *done = got;
    if (error != 0)
        SetIoResult(static_cast<int32_t>(error));
    else if (!done && got != count)
        SetIoResult(kIoShortRead);
}

}  // namespace

void Read(ByteFile& file, void* buffer, uint32_t count, uint32_t* done) {
    ReadFrom(file, nullptr, buffer, count, done);
}

void ReadAt(ByteFile& file, int64_t position, void* buffer, uint32_t count, uint32_t* done) {
    ReadFrom(file, &position, buffer, count, done);
}

void Write(ByteFile& file, const void* buffer, uint32_t count, uint32_t* done) {
    if (done) *done = 0;
    if (!Ready(file) || !CanWrite(file.mode)) return;
    uint32_t put = 0;
    uint32_t error = os::WriteFile(file.handle, buffer, count, &put);
    if (done) *done = put;
    if (error != 0)
        SetIoResult(static_cast<int32_t>(error));
    else if (!done && put != count)
        SetIoResult(kIoShortWrite);
}

void Seek(ByteFile& file, int64_t position) {
    if (!Ready(file)) return;
    if (file.mode == FileMode::Closed) {
        SetIoResult(kIoNotOpen);
        return;
    }
    int64_t now = 0;
    uint32_t error = os::SeekFile(file.handle, position, os::kSeekBegin, &now);
    if (error != 0) SetIoResult(static_cast<int32_t>(error));
}

int64_t Size(ByteFile& file) {
    if (!Ready(file)) return -1;
    if (file.mode == FileMode::Closed) {
        SetIoResult(kIoNotOpen);
        return -1;
    }
    uint64_t size = 0;
    uint32_t error = os::FileSize(file.handle, &size);
    if (error != 0) {
        SetIoResult(static_cast<int32_t>(error));
        return -1;
    }
    return static_cast<int64_t>(size);
}

void Close(ByteFile& file) { CloseHandle(file); }
void Erase(ByteFile& file) { EraseBound(file); }
void Erase(TextFile& file) { EraseBound(file); }

void MakeFolder(const std::string& path) {
    if (IoPending()) return;
    uint32_t error = os::MakeFolder(path.c_str());
    if (error != 0) SetIoResult(static_cast<int32_t>(error));
}

}  // namespace rt
