// Files and folders of the seam: opening with Win32's dispositions, sharing and attribute rules,
// reading, writing, seeking, erasing and attributes.
#include <algorithm>
#include <cstring>

#include "platform/simulated/state.h"

namespace sim::internal {

namespace {

constexpr uint32_t kErrorNegativeSeek = 131;
// Attribute bits a program can give a file; everything else is the file system's own.
constexpr uint32_t kSettableBits = os::kAttrReadOnly | os::kAttrHidden | os::kAttrSystem |
                                   os::kAttrArchive | 0x100 | 0x1000 | 0x2000;
// Past this a write would have the simulation hold gigabytes: the disk counts as full.
constexpr uint64_t kLargestContent = 1ull << 30;

// New files always carry the archive bit; FILE_ATTRIBUTE_NORMAL alone means just that.
uint32_t CreationAttributes(uint32_t attributes) {
    return (attributes & kSettableBits) | os::kAttrArchive;
}

bool Truncates(uint32_t disposition) {
    return disposition == os::kCreateAlways || disposition == os::kTruncateExisting;
}

// Win32's share check against every open handle of the same file; handles without data access
// take no part in it.
bool SharingAllows(const Node* node, uint32_t access, uint32_t share) {
    constexpr uint32_t kDataAccess = os::kAccessRead | os::kAccessWrite;
    if (!(access & kDataAccess)) return true;
    for (const auto& [handle, open] : Machine().files) {
        if (open.node.get() != node || !(open.access & kDataAccess)) continue;
        if ((access & os::kAccessRead) && !(open.share & os::kShareRead)) return false;
        if ((access & os::kAccessWrite) && !(open.share & os::kShareWrite)) return false;
        if ((open.access & os::kAccessRead) && !(share & os::kShareRead)) return false;
        if ((open.access & os::kAccessWrite) && !(share & os::kShareWrite)) return false;
    }
    return true;
}

bool AnyOpenWithoutDeleteShare(const Node* node) {
    for (const auto& [handle, open] : Machine().files)
        if (open.node.get() == node && (open.access & (os::kAccessRead | os::kAccessWrite)) &&
            !(open.share & os::kShareDelete))
            return true;
    return false;
}

// CREATE_ALWAYS refuses a hidden or system file unless the same bits are asked for.
bool HiddenOrSystemClash(uint32_t existing, uint32_t asked) {
    uint32_t kept = existing & (os::kAttrHidden | os::kAttrSystem);
    return (kept & asked) != kept;
}

NodePtr CreateIn(Node& folder, const std::string& name, uint32_t attributes) {
    auto node = std::make_shared<Node>();
    node->name = name;
    node->attributes = CreationAttributes(attributes);
    node->writeTime = NowUtc();
    folder.children[Upper(name)] = node;
    return node;
}

uint32_t OpenExisting(Node& node, uint32_t access, uint32_t share, uint32_t disposition,
                      uint32_t attributes) {
    if (disposition == os::kCreateNew) return os::kErrorFileExists;
    if (node.folder) return os::kErrorAccessDenied;
    bool writes = (access & os::kAccessWrite) || Truncates(disposition);
    if (writes && (node.attributes & os::kAttrReadOnly)) return os::kErrorAccessDenied;
    if (disposition == os::kCreateAlways && HiddenOrSystemClash(node.attributes, attributes))
        return os::kErrorAccessDenied;
    if (!SharingAllows(&node, writes ? access | os::kAccessWrite : access, share))
        return os::kErrorSharingViolation;
    if (Truncates(disposition)) {
        node.content.clear();
        node.large = false;
        node.writeTime = NowUtc();
        if (disposition == os::kCreateAlways) node.attributes = CreationAttributes(attributes);
    }
    return 0;
}

uint32_t OpenNode(const Path& path, uint32_t access, uint32_t share, uint32_t disposition,
                  uint32_t attributes, NodePtr* opened) {
    if (disposition < os::kCreateNew || disposition > os::kTruncateExisting)
        return os::kErrorInvalidParameter;
    if (disposition == os::kTruncateExisting && !(access & os::kAccessWrite))
        return os::kErrorInvalidParameter;
    if (path.parts.empty()) return os::kErrorAccessDenied;  // a drive root is a folder
    for (const std::string& part : path.parts)
        if (!ValidName(part)) return os::kErrorInvalidName;
    Place place = Locate(path);
    if (place.error != 0) return place.error;
    if (path.trailingSlash && !(place.node && place.node->folder)) return os::kErrorInvalidName;
    if (place.node) {
        *opened = place.node;
        return OpenExisting(*place.node, access, share, disposition, attributes);
    }
    if (disposition == os::kOpenExisting || disposition == os::kTruncateExisting)
        return os::kErrorFileNotFound;
    *opened = CreateIn(*place.parent, path.parts.back(), attributes);
    return 0;
}

// The open record of a handle and the path faults see for it ("" for an unknown handle).
FileRecord* Handle(os::FileHandle handle, std::string* path) {
    auto open = Machine().files.find(handle);
    if (open == Machine().files.end() || open->second.held) {
        path->clear();
        return nullptr;
    }
    *path = open->second.path;
    return &open->second;
}

// The entry a path names for erasing and attributes: 0, or 2, 3 or 123.
uint32_t Existing(const Path& path, NodePtr* node, NodePtr* parent) {
    for (const std::string& part : path.parts)
        if (!ValidName(part)) return os::kErrorInvalidName;
    Place place = Locate(path);
    if (place.error != 0) return place.error;
    if (!place.node) return os::kErrorFileNotFound;
    if (path.trailingSlash && !place.node->folder) return os::kErrorInvalidName;  // "a.txt\"
    *node = place.node;
    *parent = place.parent;
    return 0;
}

void ReadBytes(const Node& node, uint64_t offset, char* out, uint64_t count) {
    if (!node.large) {
        std::memcpy(out, node.content.data() + offset, count);
        return;
    }
    for (uint64_t i = 0; i < count; ++i) out[i] = static_cast<char>((offset + i) & 255);
}

}  // namespace

}  // namespace sim::internal

namespace os {

using namespace sim::internal;
using sim::Op;

uint32_t OpenFile(const char* path, uint32_t access, uint32_t share, uint32_t disposition,
                  uint32_t attributes, FileHandle* handle) {
    Lock lock(Mutex());
    *handle = kInvalidFile;
    Path parsed;
    std::string text;
    uint32_t invalid = ParseArgument(path, kMostPath, &parsed, &text);
    if (uint32_t error = TakeFault(Op::Open, text)) return SetLastError(error);
    if (invalid) return SetLastError(invalid);
    bool changing = (access & kAccessWrite) || disposition != kOpenExisting;
    if (uint32_t error = changing ? TakeWrite(text) : 0) return SetLastError(error);
    NodePtr node;
    if (uint32_t error = OpenNode(parsed, access, share, disposition, attributes, &node))
        return SetLastError(error);
    *handle = NewHandle();
    Machine().files[*handle] = FileRecord{node, text, access, share, 0, false};
    return SetLastError(0);
}

namespace {

uint32_t ReadFrom(FileHandle handle, const int64_t* offset, void* buffer, uint32_t count,
                  uint32_t* done) {
    Lock lock(Mutex());
    if (done) *done = 0;
    std::string path;
    FileRecord* open = Handle(handle, &path);
    if (uint32_t error = TakeFault(Op::Read, path)) return SetLastError(error);
    if (!open) return SetLastError(kErrorInvalidHandle);
    if (offset && *offset < 0) return SetLastError(kErrorInvalidParameter);
    if (offset) open->position = static_cast<uint64_t>(*offset);
    if (!(open->access & kAccessRead)) return SetLastError(kErrorAccessDenied);
    uint64_t size = SizeOf(*open->node);
    uint64_t got = open->position >= size ? 0 : std::min<uint64_t>(count, size - open->position);
    Machine().reads[Upper(path)].emplace_back(open->position, count);
    if (uint32_t error = TakeReadFault(path, open->position, &got)) return SetLastError(error);
    ReadBytes(*open->node, open->position, static_cast<char*>(buffer), got);
    open->position += got;
    Machine().bytes.fileRead += got;
    PassTime(path, count);
    if (done) *done = static_cast<uint32_t>(got);
    return SetLastError(0);
}

}  // namespace

uint32_t ReadFile(FileHandle handle, void* buffer, uint32_t count, uint32_t* done) {
    return ReadFrom(handle, nullptr, buffer, count, done);
}

uint32_t ReadFileAt(FileHandle handle, int64_t offset, void* buffer, uint32_t count,
                    uint32_t* done) {
    return ReadFrom(handle, &offset, buffer, count, done);
}

// A full disk takes what still fits and answers 112 for the rest.
uint32_t WriteFile(FileHandle handle, const void* buffer, uint32_t count, uint32_t* done) {
    Lock lock(Mutex());
    if (done) *done = 0;
    std::string path;
    FileRecord* open = Handle(handle, &path);
    if (uint32_t error = TakeFault(Op::Write, path)) return SetLastError(error);
    if (!open) return SetLastError(kErrorInvalidHandle);
    if (uint32_t error = TakeWrite(path)) return SetLastError(error);
    if (!(open->access & kAccessWrite) || open->node->large)
        return SetLastError(kErrorAccessDenied);
    auto limit = Machine().diskLeft.find(open->path[0]);  // the path starts with its drive
    bool limited = limit != Machine().diskLeft.end();
    uint64_t put = limited ? std::min<uint64_t>(count, limit->second) : count;
    if (open->position + put > kLargestContent) put = 0;
    if (limited) limit->second -= put;
    if (put > 0) {
        std::string& content = open->node->content;
        if (content.size() < open->position + put) content.resize(open->position + put, '\0');
        std::memcpy(content.data() + open->position, buffer, put);
        for (const State::Spoiled& spoiled : Machine().spoiledWrites) {
            if (spoiled.path != Upper(path)) continue;
            for (uint64_t at = std::max(open->position, spoiled.first);
                 at <= spoiled.last && at < open->position + put; ++at)
                content[at] = static_cast<char>(~content[at]);
        }
        open->node->writeTime = NowUtc();
        open->position += put;
        Machine().bytes.fileWritten += put;
    }
    if (done) *done = static_cast<uint32_t>(put);
    return SetLastError(put < count ? kErrorDiskFull : 0);
}

uint32_t SeekFile(FileHandle handle, int64_t distance, uint32_t method, int64_t* position) {
    Lock lock(Mutex());
    std::string path;
    FileRecord* open = Handle(handle, &path);
    if (uint32_t error = TakeFault(Op::Seek, path)) return SetLastError(error);
    if (!open) return SetLastError(kErrorInvalidHandle);
    int64_t base = 0;
    if (method == kSeekCurrent)
        base = static_cast<int64_t>(open->position);
    else if (method == kSeekEnd)
        base = static_cast<int64_t>(SizeOf(*open->node));
    else if (method != kSeekBegin)
        return SetLastError(kErrorInvalidParameter);
    int64_t target = base + distance;
    if (target < 0) return SetLastError(kErrorNegativeSeek);
    open->position = static_cast<uint64_t>(target);
    if (position) *position = target;
    return SetLastError(0);
}

uint32_t FileSize(FileHandle handle, uint64_t* size) {
    Lock lock(Mutex());
    std::string path;
    FileRecord* open = Handle(handle, &path);
    if (uint32_t error = TakeFault(Op::Size, path)) return SetLastError(error);
    if (!open) return SetLastError(kErrorInvalidHandle);
    *size = SizeOf(*open->node);
    return SetLastError(0);
}

uint32_t FileWriteTime(FileHandle handle, uint64_t* fileTime) {
    Lock lock(Mutex());
    std::string path;
    FileRecord* open = Handle(handle, &path);
    if (uint32_t error = TakeFault(Op::WriteTime, path)) return SetLastError(error);
    if (!open) return SetLastError(kErrorInvalidHandle);
    if (!(open->access & kAccessRead)) return SetLastError(kErrorAccessDenied);  // GetFileTime
    *fileTime = open->node->writeTime;
    return SetLastError(0);
}

uint32_t SetFileWriteTime(FileHandle handle, uint64_t fileTime) {
    Lock lock(Mutex());
    std::string path;
    FileRecord* open = Handle(handle, &path);
    if (uint32_t error = TakeFault(Op::SetWriteTime, path)) return SetLastError(error);
    if (!open) return SetLastError(kErrorInvalidHandle);
    if (!(open->access & kAccessWrite)) return SetLastError(kErrorAccessDenied);
    open->node->writeTime = fileTime;
    return SetLastError(0);
}

// A refused close lets go of the handle all the same, as CloseHandle does. -1 is the process's
// own pseudo-handle, which closing leaves alone.
uint32_t CloseFile(FileHandle handle) {
    Lock lock(Mutex());
    std::string path;
    FileRecord* open = Handle(handle, &path);
    uint32_t error = TakeFault(Op::Close, path);
    if (open) Machine().files.erase(handle);
    if (!open && !error && handle != kInvalidFile) error = kErrorInvalidHandle;
    return SetLastError(error);
}

uint32_t EraseFile(const char* path) {
    Lock lock(Mutex());
    Path parsed;
    std::string text;
    uint32_t invalid = ParseArgument(path, kMostPath, &parsed, &text);
    if (uint32_t error = TakeFault(Op::Erase, text)) return SetLastError(error);
    if (invalid) return SetLastError(invalid);
    if (uint32_t error = TakeWrite(text)) return SetLastError(error);
    NodePtr node, parent;
    if (uint32_t error = Existing(parsed, &node, &parent)) return SetLastError(error);
    if (node->folder || (node->attributes & kAttrReadOnly)) return SetLastError(kErrorAccessDenied);
    if (AnyOpenWithoutDeleteShare(node.get())) return SetLastError(kErrorSharingViolation);
    parent->children.erase(Upper(parsed.parts.back()));
    return SetLastError(0);
}

uint32_t MakeFolder(const char* path) {
    Lock lock(Mutex());
    Path parsed;
    std::string text;
    uint32_t invalid = ParseArgument(path, kMostFolderPath, &parsed, &text);
    if (uint32_t error = TakeFault(Op::MakeFolder, text)) return SetLastError(error);
    if (invalid) return SetLastError(invalid);
    if (uint32_t error = TakeWrite(text)) return SetLastError(error);
    if (parsed.parts.empty()) return SetLastError(kErrorAccessDenied);  // a drive root
    for (const std::string& part : parsed.parts)
        if (!ValidName(part)) return SetLastError(kErrorInvalidName);
    Place place = Locate(parsed);
    if (place.error != 0) return SetLastError(place.error);
    if (place.node) return SetLastError(kErrorAlreadyExists);
    MakeFolders(parsed);
    return SetLastError(0);
}

uint32_t SetAttributes(const char* path, uint32_t attributes) {
    Lock lock(Mutex());
    Path parsed;
    std::string text;
    uint32_t invalid = ParseArgument(path, kMostPath, &parsed, &text);
    if (uint32_t error = TakeFault(Op::SetAttributes, text)) return SetLastError(error);
    if (invalid) return SetLastError(invalid);
    if (uint32_t error = TakeWrite(text)) return SetLastError(error);
    NodePtr node, parent;
    if (uint32_t error = Existing(parsed, &node, &parent)) return SetLastError(error);
    node->attributes = (attributes & kSettableBits) | (node->folder ? kAttrDirectory : 0);
    return SetLastError(0);
}

uint32_t GetAttributes(const char* path, uint32_t* attributes) {
    Lock lock(Mutex());
    *attributes = kInvalidAttributes;
    Path parsed;
    std::string text;
    uint32_t invalid = ParseArgument(path, kMostPath, &parsed, &text);
    if (uint32_t error = TakeFault(Op::GetAttributes, text)) return SetLastError(error);
    if (invalid) return SetLastError(invalid);
    NodePtr node, parent;
    if (uint32_t error = Existing(parsed, &node, &parent)) return SetLastError(error);
    *attributes = ReportedAttributes(*node);
    return SetLastError(0);
}

}  // namespace os
