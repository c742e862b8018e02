// Text files (lines ended by CR LF) and binary files of one-byte records. Binding a name touches
// no disk. Every operation sets the thread's IoResult; while a code is pending, an operation does
// nothing (the caller reads the code first).
#pragma once

#include <cstdint>
#include <string>

#include "platform/os.h"
#include "runtime/short_text.h"

namespace rt {

enum class FileMode : uint8_t { Unbound, Closed, Input, Output, InOut };

// A file's name is UTF-8 and whole, as the platform takes it; Bind takes text in the code page.
struct TextFile {
    std::string name;
    os::FileHandle handle = os::kInvalidFile;
    FileMode mode = FileMode::Unbound;
    std::string buffer;   // bytes read ahead (input) or waiting to be written (output)
    size_t position = 0;  // next byte of buffer to read
    bool atEnd = false;   // the platform has no more bytes
};

void Bind(TextFile& file, const ShortText& name);
void OpenRead(TextFile& file);    // reset: the file must exist
void CreateNew(TextFile& file);   // rewrite: created, or emptied when it exists
void OpenAppend(TextFile& file);  // append: the file must exist; writes go to its end
// Reads one line whole: it ends at CR, LF or CR LF. Past the longest path Windows allows, with
// room for a key, the rest of a line is skipped.
std::string ReadLine(TextFile& file);
// True at the end of the file or when the next character is Ctrl-Z (26).
bool AtEnd(TextFile& file);
void Write(TextFile& file, std::string_view text);
void WriteLine(TextFile& file, std::string_view text);  // the text, then CR LF
void Close(TextFile& file);

struct ByteFile {
    std::string name;
    os::FileHandle handle = os::kInvalidFile;
    FileMode mode = FileMode::Unbound;
};

void Bind(ByteFile& file, const ShortText& name);
void BindPath(ByteFile& file, const std::string& utf8Path);  // a path as Windows holds it
// Opens with the platform's access, sharing, disposition and attributes.
void Open(ByteFile& file, uint32_t access, uint32_t share, uint32_t disposition,
          uint32_t attributes);
void OpenRead(ByteFile& file);   // read only, shared for reading, must exist
void CreateNew(ByteFile& file);  // read and write, created or emptied
// Reads up to `count` records; `done` gets how many came. With done == nullptr a short read
// sets code 100.
void Read(ByteFile& file, void* buffer, uint32_t count, uint32_t* done = nullptr);
// The same as one read of the medium at `position`, whatever was read or sought before.
void ReadAt(ByteFile& file, int64_t position, void* buffer, uint32_t count, uint32_t* done);
// Writes `count` records; with done == nullptr a short write sets code 101.
void Write(ByteFile& file, const void* buffer, uint32_t count, uint32_t* done = nullptr);
void Seek(ByteFile& file, int64_t position);
int64_t Size(ByteFile& file);
void Close(ByteFile& file);
// Erases the bound file, which must be closed.
void Erase(ByteFile& file);
void Erase(TextFile& file);
// Creates one folder, named in UTF-8; its parent must exist.
void MakeFolder(const std::string& utf8Path);

}  // namespace rt
