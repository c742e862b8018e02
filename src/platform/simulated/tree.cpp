// The tests' hands on the file tree: files and folders put in place, looked at, held open.
#include "platform/simulated/state.h"

namespace sim::internal {

uint32_t ReportedAttributes(const Node& node) {
    if (node.folder) return node.attributes | os::kAttrDirectory;
    return node.attributes == 0 ? os::kAttrNormal : node.attributes;
}

namespace {

// The entry at `path`, or null.
NodePtr Lookup(const std::string& path) {
    Path parsed;
    if (!ParsePath(path, &parsed)) return nullptr;
    return Locate(parsed).node;
}

// A new file at `path` (replacing what was there), its folders created; null when impossible.
NodePtr PlaceFile(const std::string& path, uint32_t attributes, uint64_t writeTime) {
    Path parsed;
    if (!ParsePath(path, &parsed) || parsed.parts.empty()) return nullptr;
    NodePtr folder = MakeFolders(ParentOf(parsed));
    if (!folder) return nullptr;
    auto node = std::make_shared<Node>();
    node->name = parsed.parts.back();
    node->attributes = attributes & ~os::kAttrDirectory;
    node->writeTime = writeTime != 0 ? writeTime : NowUtc();  // 0: written just now
    folder->children[Upper(node->name)] = node;
    return node;
}

}  // namespace

}  // namespace sim::internal

namespace sim {

using namespace internal;

void AddFile(const std::string& path, const std::string& content, uint32_t attributes,
             uint64_t writeTime) {
    Lock lock(Mutex());
    NodePtr node = PlaceFile(path, attributes, writeTime);
    if (node) node->content = content;
}

void AddLargeFile(const std::string& path, uint64_t size) {
    Lock lock(Mutex());
    NodePtr node = PlaceFile(path, os::kAttrArchive, 0);
    if (!node) return;
    node->large = true;
    node->largeSize = size;
}

void SetShortName(const std::string& path, const std::string& alias) {
    Lock lock(Mutex());
    if (NodePtr node = Lookup(path)) node->shortName = alias;
}

void AddFolder(const std::string& path, uint32_t attributes) {
    Lock lock(Mutex());
    Path parsed;
    if (!ParsePath(path, &parsed)) return;
    NodePtr folder = MakeFolders(parsed);
    if (folder) folder->attributes = attributes | os::kAttrDirectory;
}

bool Exists(const std::string& path) {
    Lock lock(Mutex());
    return Lookup(path) != nullptr;
}

// A large file's bytes are never stored, so it reads as empty here.
std::string Content(const std::string& path) {
    Lock lock(Mutex());
    NodePtr node = Lookup(path);
    return node && !node->folder ? node->content : std::string();
}

uint32_t Attributes(const std::string& path) {
    Lock lock(Mutex());
    NodePtr node = Lookup(path);
    return node ? ReportedAttributes(*node) : os::kInvalidAttributes;
}

uint64_t WriteTime(const std::string& path) {
    Lock lock(Mutex());
    NodePtr node = Lookup(path);
    return node ? node->writeTime : 0;
}

void SetCurrentFolder(const std::string& path) {
    Lock lock(Mutex());
    Path parsed;
    if (!ParsePath(path, &parsed) || !MakeFolders(parsed)) return;
    parsed.trailingSlash = false;
    Machine().currentFolder = parsed;
}

void HoldOpen(const std::string& path, uint32_t access, uint32_t share) {
    Lock lock(Mutex());
    Path parsed;
    if (!ParsePath(path, &parsed)) return;
    NodePtr node = Locate(parsed).node;
    if (!node) return;
    FileRecord held{node, PathText(parsed), access, share, 0, true};
    Machine().files[NewHandle()] = held;
}

void ReleaseHeld() {
    Lock lock(Mutex());
    std::map<os::FileHandle, FileRecord>& files = Machine().files;
    for (auto open = files.begin(); open != files.end();)
        open = open->second.held ? files.erase(open) : std::next(open);
}

}  // namespace sim
