// The directory search: the entries that match a path with wildcards, under an attribute filter.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>

#include "platform/os.h"
#include "runtime/short_text.h"

namespace rt {

constexpr uint32_t kAnyFile = 63;  // read-only, hidden, system, volume, folder, archive
constexpr int32_t kSearchDone = 18;

struct DirEntry {
    ShortText name;           // the long name, without folder, in the code page: what is shown
    std::string fullName;     // the same in UTF-8, as Windows holds it: what paths are made of
    uint32_t attributes = 0;  // the platform's bits, unchanged
    uint64_t size = 0;        // the whole size: files above 4 GiB are never cut short
    uint32_t time = 0;        // last write, local, packed as DOS date (high word) and time
    uint64_t writeTime = 0;   // last write, UTC file time
    os::FindHandle handle = os::kInvalidFind;
    uint32_t filter = kAnyFile;
};

// Both return 0 when an entry was found, 18 when nothing (more) matches, otherwise the
// platform's error number (its invalid-parameter error as 13). A failed FindFirst leaves no
// open handle; FindNext past the end keeps the handle until FindClose. Patterns are UTF-8.
int32_t FindFirst(const std::string& pattern, uint32_t filter, DirEntry& entry);
int32_t FindNext(DirEntry& entry);
void FindClose(DirEntry& entry);

// Packs a local file time as DOS date and time (2-second steps); 0 when out of range.
uint32_t PackDosTime(uint64_t localFileTime);
// A file time written whole, "2026-12-08 13:39:01.1234567", and read back; reading refuses any
// other form (false).
std::string FileTimeStamp(uint64_t fileTime);
bool ParseFileTimeStamp(std::string_view text, uint64_t* fileTime);
// True when a file or folder of this path, in the code page, exists (a search with every
// attribute).
bool PathExists(const ShortText& path);
// The same for a UTF-8 name without wildcards, at a fraction of a search's cost: its attributes
// can be read.
bool NameExists(const std::string& path);
// True when the UTF-8 path names an existing folder; a drive root ("E:", "E:\") has no "."
// entry for a search to find, but its attributes say folder all the same.
bool FolderExists(const std::string& path);
// `name` inside `folder`, with one backslash between them: "D:\out\" and "D:\out" give the
// same path, as do "C:/data/" and "C:/data". Never cut, however long.
std::string InFolder(std::string_view folder, std::string_view name);

// The names of one folder, long and 8.3, as Windows compares them (os::NameKey), kept as 64-bit
// hashes: taken by one search, then told of each file the program makes there. A name it lacks
// is absent; a name it holds may be there, which only the file system can say (it may be gone,
// or share a hash with another).
struct FolderListing {
    bool taken = false;  // false: never listed, or the search failed: any name may be there
    std::unordered_set<uint64_t> keys;
};
// Lists `folder` (UTF-8) anew; an empty folder lists nothing, a failed search leaves it untaken.
void ListFolder(const std::string& folder, FolderListing& listing);
void AddListed(FolderListing& listing, std::string_view name);
bool MayExist(const FolderListing& listing, std::string_view name);

}  // namespace rt
