// Path parsing against the current folder, and walking the in-memory tree.
#include <algorithm>
#include <cctype>
#include <cstring>

#include "platform/simulated/state.h"

namespace sim::internal {

namespace {

char UpperChar(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

void AddComponent(Path& path, const std::string& part) {
    if (part.empty() || part == ".") return;
    if (part != "..")
        path.parts.push_back(part);
    else if (!path.parts.empty())
        path.parts.pop_back();  // ".." of a root is the root
}

// Windows trims the folder names of a path after "." and ".." are resolved: one followed by a
// backslash loses a single trailing dot ("dir.\" is "dir", "out \" stays "out "). The last name
// is taken as Windows holds it, trailing dots and blanks and all: the seam passes it on in the
// form Windows leaves untouched.
void TrimNames(Path& path) {
    for (size_t i = 0; i < path.parts.size(); ++i) {
        std::string& part = path.parts[i];
        bool last = i + 1 == path.parts.size() && !path.trailingSlash;
        size_t size = part.size();
        if (!last && size >= 2 && part[size - 1] == '.' && part[size - 2] != '.') part.pop_back();
    }
}

// Where the components of `text` start, and the folder they are relative to.
size_t StartOf(const std::string& text, Path* path) {
    const Path& current = Machine().currentFolder;
    bool hasDrive =
        text.size() >= 2 && text[1] == ':' && std::isalpha(static_cast<unsigned char>(text[0]));
    if (hasDrive) {
        path->drive = UpperChar(text[0]);
        bool rooted = text.size() > 2 && text[2] == '\\';
        if (!rooted && path->drive == current.drive) path->parts = current.parts;
        return 2;
    }
    path->drive = current.drive;
    if (text[0] != '\\') path->parts = current.parts;
    return 0;
}

NodePtr NewFolder(const std::string& name) {
    auto node = std::make_shared<Node>();
    node->name = name;
    node->folder = true;
    node->attributes = os::kAttrDirectory;
    node->writeTime = NowUtc();
    return node;
}

// The root of a drive, made when a test first puts something on it.
NodePtr MakeRoot(char drive) {
    NodePtr& root = Machine().drives[drive];
    if (!root) root = NewFolder(std::string(1, drive) + ":");
    return root;
}

// Windows' upper-case table as far as test names go: ASCII, Latin-1, Greek and Cyrillic.
uint32_t UpperPoint(uint32_t c) {
    if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7) ||
        (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) || (c >= 0x430 && c <= 0x44F))
        return c - 0x20;
    if (c >= 0x450 && c <= 0x45F) return c - 0x50;
    return c;
}

void AppendUtf8(std::string& text, uint32_t point) {
    if (point < 0x80) {
        text += static_cast<char>(point);
    } else if (point < 0x800) {
        text += static_cast<char>(0xC0 | (point >> 6));
        text += static_cast<char>(0x80 | (point & 0x3F));
    } else {
        text += static_cast<char>(0xE0 | (point >> 12));
        text += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (point & 0x3F));
    }
}

}  // namespace

// Two- and three-byte UTF-8 letters are upper-cased too; any other byte stays as it is.
std::string Upper(const std::string& text) {
    std::string upper;
    for (size_t at = 0; at < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[at]);
        size_t length = c >= 0xC2 && c < 0xE0 ? 2 : c >= 0xE0 && c < 0xF0 ? 3 : 1;
        bool whole = at + length <= text.size();
        for (size_t i = 1; whole && i < length; ++i)
            whole = (static_cast<unsigned char>(text[at + i]) & 0xC0) == 0x80;
        if (length == 1 || !whole) {
            upper += UpperChar(text[at++]);
            continue;
        }
        uint32_t point = c & (length == 2 ? 0x1F : 0x0F);
        for (size_t i = 1; i < length; ++i) point = point << 6 | (text[at + i] & 0x3F);
        AppendUtf8(upper, UpperPoint(point));
        at += length;
    }
    return upper;
}

bool ParsePath(const std::string& text, Path* path) {
    if (text.empty()) return false;
    std::string slashed = text;
    std::replace(slashed.begin(), slashed.end(), '/', '\\');
    Path result;
    size_t at = StartOf(slashed, &result);
    std::string part;
    for (; at <= slashed.size(); ++at) {
        if (at == slashed.size() || slashed[at] == '\\') {
            AddComponent(result, part);
            part.clear();
        } else {
            part += slashed[at];
        }
    }
    result.trailingSlash = slashed.back() == '\\' && !result.parts.empty();
    TrimNames(result);
    *path = result;
    return true;
}

std::string PathText(const Path& path) {
    std::string text = std::string(1, path.drive) + ":\\";
    for (size_t i = 0; i < path.parts.size(); ++i) {
        if (i > 0) text += '\\';
        text += path.parts[i];
    }
    return text;
}

uint32_t ParseArgument(const char* text, size_t most, Path* path, std::string* absolute) {
    absolute->clear();
    if (text == nullptr || !ParsePath(text, path)) return os::kErrorPathNotFound;
    *absolute = PathText(*path);
    bool tooLong = absolute->size() > most;
    for (const std::string& part : path->parts) tooLong = tooLong || part.size() > kMostName;
    return tooLong ? kErrorNameTooLong : 0;
}

Path ParentOf(const Path& path) {
    Path parent = path;
    if (!parent.parts.empty()) parent.parts.pop_back();
    parent.trailingSlash = false;
    return parent;
}

bool ValidName(const std::string& name) {
    for (char c : name)
        if (static_cast<unsigned char>(c) < 32 || std::strchr("<>:\"|?*", c)) return false;
    return true;
}

namespace {

// A folder's entry by its name or its 8.3 alias, as Windows finds either.
NodePtr Child(const Node& folder, const std::string& name) {
    std::string key = Upper(name);
    auto child = folder.children.find(key);
    if (child != folder.children.end()) return child->second;
    for (const auto& [ignored, node] : folder.children)
        if (!node->shortName.empty() && Upper(node->shortName) == key) return node;
    return nullptr;
}

}  // namespace

Place Locate(const Path& path) {
    Place place;
    auto drive = Machine().drives.find(path.drive);
    auto driveError = Machine().driveErrors.find(path.drive);
    if (driveError != Machine().driveErrors.end()) {
        place.error = driveError->second;  // an empty floppy drive, say
        return place;
    }
    if (drive == Machine().drives.end()) {
        place.error = os::kErrorPathNotFound;  // as Windows answers for a drive it lacks
        return place;
    }
    NodePtr folder = drive->second;
    if (path.parts.empty()) {
        place.node = folder;
        return place;
    }
    for (size_t i = 0; i + 1 < path.parts.size(); ++i) {
        NodePtr child = Child(*folder, path.parts[i]);
        if (!child || !child->folder) {
            place.error = os::kErrorPathNotFound;
            return place;
        }
        folder = child;
    }
    place.parent = folder;
    place.node = Child(*folder, path.parts.back());
    return place;
}

NodePtr MakeFolders(const Path& path) {
    NodePtr folder = MakeRoot(path.drive);
    for (const std::string& part : path.parts) {
        NodePtr& child = folder->children[Upper(part)];
        if (!child) child = NewFolder(part);
        if (!child->folder) return nullptr;
        folder = child;
    }
    return folder;
}

uint64_t SizeOf(const Node& node) { return node.large ? node.largeSize : node.content.size(); }

bool GlobMatch(const std::string& pattern, const std::string& text) {
    // Iterative "*" and "?" matching that backtracks to the last star only.
    size_t p = 0, t = 0, star = std::string::npos, resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == text[t])) {
            ++p;
            ++t;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = t;
        } else if (star != std::string::npos) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

}  // namespace sim::internal

namespace sim {

void AddDrive(char letter, uint32_t error) {
    internal::Lock lock(internal::Mutex());
    char drive = internal::UpperChar(letter);
    internal::MakeRoot(drive);
    if (error != 0)
        internal::Machine().driveErrors[drive] = error;
    else
        internal::Machine().driveErrors.erase(drive);
}

}  // namespace sim

namespace os {

bool SameName(std::string_view a, std::string_view b) { return NameKey(a) == NameKey(b); }

std::string NameKey(std::string_view name) { return sim::internal::Upper(std::string(name)); }

std::string FullPath(std::string_view path) {
    sim::internal::Lock lock(sim::internal::Mutex());
    sim::internal::Path parsed;
    if (!sim::internal::ParsePath(std::string(path), &parsed)) return std::string(path);
    std::string whole = sim::internal::PathText(parsed);
    bool ended = !path.empty() && (path.back() == '\\' || path.back() == '/');
    return ended && !parsed.parts.empty() ? whole + "\\" : whole;
}

}  // namespace os
