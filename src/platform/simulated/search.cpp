// Directory search: FindFirstFile's wildcard rules over a snapshot of one folder.
#include <algorithm>
#include <cstring>
#include <string_view>

#include "platform/simulated/state.h"

namespace sim::internal {

namespace {

// FindFirstFile turns "?" into a DOS "?", a "*" before a dot into a DOS "*" and a dot before a
// wildcard or at the end into a DOS dot, then matches the name with the file system's rules.
constexpr char kDosStar = '<', kDosQuestion = '>', kDosDot = '"';

std::string DosPattern(std::string_view pattern) {
    if (pattern == "*.*") return "*";
    std::string dos(pattern);
    for (size_t i = 0; i < dos.size(); ++i) {
        char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
        if (dos[i] == '?')
            dos[i] = kDosQuestion;
        else if (dos[i] == '*' && next == '.')
            dos[i] = kDosStar;
        else if (dos[i] == '.' && (next == '?' || next == '*' || next == '\0'))
            dos[i] = kDosDot;
    }
    return dos;
}

// "*" takes any run; a DOS "*" any run that leaves the name's last dot; a DOS "?" one character,
// or nothing at a dot or the end of the name; a DOS dot a dot, or nothing at the end.
bool DosMatches(std::string_view pattern, std::string_view name) {
    if (pattern.empty()) return name.empty();
    char c = pattern[0];
    std::string_view rest = pattern.substr(1);
    switch (c) {
        case '*':
        case kDosStar: {
            size_t lastDot = name.rfind('.');
            size_t most = c == kDosStar && lastDot != name.npos ? lastDot : name.size();
            for (size_t skip = 0; skip <= most; ++skip)
                if (DosMatches(rest, name.substr(skip))) return true;
            return false;
        }
        case kDosQuestion: {
            if (!name.empty() && name[0] != '.') return DosMatches(rest, name.substr(1));
            size_t after = pattern.find_first_not_of(kDosQuestion);
            return DosMatches(pattern.substr(after == pattern.npos ? pattern.size() : after), name);
        }
        case kDosDot:
            if (name.empty()) return DosMatches(rest, name);
            return name[0] == '.' && DosMatches(rest, name.substr(1));
        default:
            return !name.empty() && c == name[0] && DosMatches(rest, name.substr(1));
    }
}

// Upper-case Win32 matching of a name against the last component of a search: "*.*" finds every
// name, "x.*" finds "x", "*." finds only names without a dot, "a?b" does not find "a.b".
bool NameMatches(std::string_view pattern, std::string_view name) {
    return DosMatches(DosPattern(pattern), name);
}

bool ValidPattern(const std::string& pattern) {
    for (char c : pattern)
        if (static_cast<unsigned char>(c) < 32 || std::strchr("<>:\"|", c)) return false;
    return true;
}

os::FindData Entry(const std::string& name, const Node& node) {
    os::FindData data{};
    std::memcpy(data.name, name.data(), std::min(name.size(), sizeof(data.name) - 1));
    std::memcpy(data.shortName, node.shortName.data(),
                std::min(node.shortName.size(), sizeof(data.shortName) - 1));
    data.attributes = ReportedAttributes(node);
    data.size = node.folder ? 0 : SizeOf(node);
    data.writeTime = node.writeTime;
    return data;
}

// Every entry of the folder at `folder` that matches `pattern`: "." and ".." first (not in a
// drive root), then the rest in name order.
std::vector<os::FindData> Matches(const Path& folder, const Node& node,
                                  const std::string& pattern) {
    std::vector<os::FindData> entries;
    std::string upper = Upper(pattern);
    if (!folder.parts.empty()) {
        NodePtr parent = Locate(ParentOf(folder)).node;
        if (NameMatches(upper, ".")) entries.push_back(Entry(".", node));
        if (NameMatches(upper, "..")) entries.push_back(Entry("..", parent ? *parent : node));
    }
    for (const auto& [key, child] : node.children)  // an 8.3 alias matches too, as on Windows
        if (NameMatches(upper, key) ||
            (!child->shortName.empty() && NameMatches(upper, Upper(child->shortName))))
            entries.push_back(Entry(child->name, *child));
    return entries;
}

// The search's entries, or the error FindFirstFile gives.
uint32_t StartSearch(const Path& path, std::vector<os::FindData>* entries) {
    if (path.parts.empty() || path.trailingSlash) return os::kErrorFileNotFound;  // no name part
    for (size_t i = 0; i + 1 < path.parts.size(); ++i)
        if (!ValidName(path.parts[i])) return os::kErrorInvalidName;
    if (!ValidPattern(path.parts.back())) return os::kErrorInvalidName;
    Path folder = ParentOf(path);
    Place place = Locate(folder);
    if (place.error != 0) return place.error;
    if (!place.node || !place.node->folder) return os::kErrorPathNotFound;
    *entries = Matches(folder, *place.node, path.parts.back());
    return entries->empty() ? os::kErrorFileNotFound : 0;
}

}  // namespace

}  // namespace sim::internal

namespace os {

using namespace sim::internal;
using sim::Op;

uint32_t FindFirst(const char* pattern, FindData* data, FindHandle* handle) {
    Lock lock(Mutex());
    *handle = kInvalidFind;
    Path parsed;
    std::string text;
    uint32_t invalid = ParseArgument(pattern, kMostPath, &parsed, &text);
    if (uint32_t error = TakeFault(Op::FindFirst, text)) return SetLastError(error);
    if (invalid) return SetLastError(invalid);
    Search search;
    if (uint32_t error = StartSearch(parsed, &search.entries)) return SetLastError(error);
    *data = search.entries[0];
    search.next = 1;
    search.pattern = text;
    *handle = NewHandle();
    Machine().searches[*handle] = std::move(search);
    return SetLastError(0);
}

uint32_t FindNext(FindHandle handle, FindData* data) {
    Lock lock(Mutex());
    auto& searches = Machine().searches;
    auto search = searches.find(handle);
    std::string path = search == searches.end() ? "" : search->second.pattern;
    if (uint32_t error = TakeFault(Op::FindNext, path)) return SetLastError(error);
    if (search == searches.end()) return SetLastError(kErrorInvalidHandle);
    Search& found = search->second;
    if (found.next >= found.entries.size()) return SetLastError(kErrorNoMoreFiles);
    *data = found.entries[found.next++];
    return SetLastError(0);
}

void FindClose(FindHandle handle) {
    Lock lock(Mutex());
    Machine().searches.erase(handle);
}

}  // namespace os
