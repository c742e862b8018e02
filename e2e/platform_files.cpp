// The backend's files, folders, attributes and directory search, with the error codes the
// engine reacts to.
#include <windows.h>

#include <functional>
#include <set>

#include "checks.h"
#include "platform/os.h"
#include "platform_checks.h"

namespace e2e {

namespace {

std::string root;
std::string At(const std::string& name) { return root + "\\" + name; }

os::FileHandle Open(const std::string& name, uint32_t access, uint32_t share, uint32_t disposition,
                    uint32_t* error = nullptr) {
    os::FileHandle handle = os::kInvalidFile;
    uint32_t code =
        os::OpenFile(At(name).c_str(), access, share, disposition, os::kAttrNormal, &handle);
    if (error) *error = code;
    return handle;
}

bool MakeFile(const std::string& name, const std::string& content) {
    os::FileHandle file = Open(name, os::kAccessWrite, 0, os::kCreateAlways);
    uint32_t written = 0;
    bool ok = file != os::kInvalidFile &&
              os::WriteFile(file, content.data(), content.size(), &written) == 0 &&
              written == content.size();
    os::CloseFile(file);
    return ok;
}

// Codes as Win32 gives them, which the retry and skip rules of the engine depend on.
struct CodeCase {
    const char* name;
    uint32_t expected;
    std::function<uint32_t()> run;
};

// LastError right after the operation under test, before any clean-up call replaces it.
uint32_t keptLastError = 0;
uint32_t Kept(uint32_t code) {
    keptLastError = os::LastError();
    return code;
}

uint32_t OpenCode(const std::string& name, uint32_t access, uint32_t share, uint32_t disposition) {
    uint32_t error = 0;
    os::FileHandle file = Open(name, access, share, disposition, &error);
    Kept(error);
    if (file != os::kInvalidFile) os::CloseFile(file);
    return error;
}

uint32_t SecondOpenWhileHeld() {
    os::FileHandle held = Open("data.txt", os::kAccessRead, 0, os::kOpenExisting);
    uint32_t error = OpenCode("data.txt", os::kAccessRead, os::kShareRead, os::kOpenExisting);
    os::CloseFile(held);
    return error;
}

uint32_t FindCode(const std::string& pattern) {
    os::FindData data{};
    os::FindHandle search = os::kInvalidFind;
    uint32_t error = Kept(os::FindFirst(At(pattern).c_str(), &data, &search));
    os::FindClose(search);
    return error;
}

uint32_t AttributesCode(const std::string& name) {
    uint32_t attributes = 0;
    return Kept(os::GetAttributes(At(name).c_str(), &attributes));
}

uint32_t SeekBeforeStart() {
    os::FileHandle file = Open("data.txt", os::kAccessRead, os::kShareRead, os::kOpenExisting);
    uint32_t error = Kept(os::SeekFile(file, -1, os::kSeekBegin, nullptr));
    os::CloseFile(file);
    return error;
}

uint32_t ReadWriteOnly() {
    os::FileHandle file = Open("data.txt", os::kAccessWrite, 0, os::kOpenExisting);
    char byte = 0;
    uint32_t done = 0;
    uint32_t error = Kept(os::ReadFile(file, &byte, 1, &done));
    os::CloseFile(file);
    return error;
}

void CheckErrorCodes() {
    const CodeCase cases[] = {
        {"folder made again", 183, [] { return Kept(os::MakeFolder(root.c_str())); }},
        {"folder in a missing folder", 3,
         [] { return Kept(os::MakeFolder(At("no\\sub").c_str())); }},
        {"new file that exists", 80,
         [] { return OpenCode("data.txt", os::kAccessWrite, 0, os::kCreateNew); }},
        {"open a missing file", 2,
         [] { return OpenCode("none.txt", os::kAccessRead, 0, os::kOpenExisting); }},
        {"open in a missing folder", 3,
         [] { return OpenCode("no\\none.txt", os::kAccessRead, 0, os::kOpenExisting); }},
        {"open a file another handle holds unshared", 32, SecondOpenWhileHeld},
        {"existing file opened always", 0,
         [] { return OpenCode("data.txt", os::kAccessRead, os::kShareRead, os::kOpenAlways); }},
        {"search without a match", 2, [] { return FindCode("*.none"); }},
        {"search in a missing folder", 3, [] { return FindCode("no\\*"); }},
        {"attributes of a missing file", 2, [] { return AttributesCode("none.txt"); }},
        {"erase a missing file", 2, [] { return Kept(os::EraseFile(At("none.txt").c_str())); }},
        {"seek before the start", 131, SeekBeforeStart},
        {"read from a write-only handle", 5, ReadWriteOnly},
    };
    for (const CodeCase& row : cases) {
        uint32_t code = row.run();
        std::string m;
        Compare(&m, "code", row.expected, code);
        Compare(&m, "LastError", row.expected, keptLastError);
        CheckClean(std::string("platform files: ") + row.name, m);
    }
}

void CheckContent() {
    std::string m;
    os::FileHandle file = Open("data.txt", os::kAccessRead, os::kShareRead, os::kOpenExisting);
    uint64_t size = 0;
    Compare(&m, "size code", 0, os::FileSize(file, &size));
    Compare(&m, "size", 11, static_cast<long long>(size));
    int64_t position = -1;
    os::SeekFile(file, 7, os::kSeekBegin, &position);
    Compare(&m, "position after seek", 7, position);
    char text[8] = {};
    uint32_t done = 0;
    os::ReadFile(file, text, 4, &done);
    Compare(&m, "bytes read", "wine", std::string(text, done));
    Compare(&m, "read at the end", 0, os::ReadFile(file, text, 4, &done));
    Compare(&m, "bytes at the end", 0, done);
    os::SeekFile(file, -4, os::kSeekCurrent, &position);
    Compare(&m, "position back from the end", 7, position);
    Compare(&m, "close", 0, os::CloseFile(file));
    CheckClean("platform files: write, size, seek and read", m);
}

// A sparse file just past 4 GiB: the search and the size keep the high word.
void CheckLargeSize() {
    constexpr int64_t kBeyond = (int64_t{1} << 32) + 5;
    std::string m;
    os::FileHandle file = Open("large.bin", os::kAccessWrite, 0, os::kCreateNew);
    os::SeekFile(file, kBeyond - 1, os::kSeekBegin, nullptr);
    uint32_t done = 0;
    os::WriteFile(file, "x", 1, &done);
    uint64_t size = 0;
    os::FileSize(file, &size);
    Compare(&m, "FileSize", kBeyond, static_cast<long long>(size));
    os::CloseFile(file);
    os::FindData data{};
    os::FindHandle search = os::kInvalidFind;
    os::FindFirst(At("large.bin").c_str(), &data, &search);
    os::FindClose(search);
    Compare(&m, "FindData size", kBeyond, static_cast<long long>(data.size));
    Compare(&m, "erase", 0, os::EraseFile(At("large.bin").c_str()));
    CheckClean("platform files: sizes above 4 GiB", m);
}

void CheckSearch() {
    std::set<std::string> names;
    os::FindData data{};
    os::FindHandle search = os::kInvalidFind;
    uint32_t error = os::FindFirst(At("*").c_str(), &data, &search);
    while (error == 0) {
        names.insert(data.name);
        if (std::string(data.name) == "data.txt")
            Check("platform files: search reports size and attributes",
                  data.size == 11 && (data.attributes & os::kAttrArchive) != 0,
                  "size " + std::to_string(data.size) + ", attributes " + Hex(data.attributes));
        error = os::FindNext(search, &data);
    }
    os::FindClose(search);
    std::string m;
    Compare(&m, "last code", 18, error);
    Compare(&m, "entries", 3, static_cast<long long>(names.size()));
    for (const char* name : {".", "..", "data.txt"})
        if (!names.count(name)) Note(&m, std::string("missing ") + name);
    CheckClean("platform files: search finds . .. and the file, then 18", m);
}

void CheckWriteTime() {
    os::FileHandle file = Open("data.txt", os::kAccessRead, os::kShareRead, os::kOpenExisting);
    uint64_t written = 0;
    os::FileWriteTime(file, &written);
    os::CloseFile(file);
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    uint64_t utcNow = (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    constexpr uint64_t kTenMinutes = 10ull * 60 * 10'000'000;
    uint64_t local = 0;
    bool converted = os::UtcToLocalFileTime(written, &local);
    int64_t shift = static_cast<int64_t>(local - written);
    constexpr int64_t kQuarterHour = 15ll * 60 * 10'000'000;
    Check("platform files: write time is UTC and converts to local time",
          utcNow - written < kTenMinutes && converted && shift % kQuarterHour == 0,
          "write time " + std::to_string(written) + ", now " + std::to_string(utcNow) +
              ", local shift " + std::to_string(shift));
}

// Wine reports every file as archive whatever was set, and under Wine running as root a
// read-only file still opens for writing (Unix permissions do not stop root): neither is asked.
void CheckAttributes() {
    std::string m;
    std::string path = At("data.txt");
    uint32_t asked = os::kAttrReadOnly | os::kAttrHidden | os::kAttrSystem;
    Compare(&m, "set", 0, os::SetAttributes(path.c_str(), asked));
    uint32_t attributes = 0;
    os::GetAttributes(path.c_str(), &attributes);
    Compare(&m, "read back", asked, attributes & ~os::kAttrArchive);
    Compare(&m, "erase a read-only file", 5, os::EraseFile(path.c_str()));
    Compare(&m, "clear", 0, os::SetAttributes(path.c_str(), os::kAttrArchive));
    os::GetAttributes(path.c_str(), &attributes);
    Compare(&m, "archive only", os::kAttrArchive, attributes);
    Compare(&m, "erase", 0, os::EraseFile(path.c_str()));
    CheckClean("platform files: attributes set, read back and enforced", m);
}

// A folder's listing stands for the file system's own lookups: a name the file system takes for
// a file there has that file's key, its 8.3 alias included.
void CheckNameKeys() {
    const std::pair<const char*, const char*> pairs[] = {
        {"\xC3\xA9t\xC3\xA9.txt", "\xC3\x89T\xC3\x89.TXT"},  // été, ÉTÉ
        {"\xD0\xB4\xD0\xB0.txt", "\xD0\x94\xD0\x90.TXT"},    // да, ДА
        {"stra\xC3\x9F\x65.txt", "STRASSE.TXT"},             // ß has no one-letter capital
        {"\xC4\xB1.txt", "I.TXT"},                           // dotless ı
    };
    std::string m;
    for (auto [made, asked] : pairs) {
        MakeFile(made, "x");
        uint32_t attributes = 0;
        bool found = os::GetAttributes(At(asked).c_str(), &attributes) == 0;
        if (found != (os::NameKey(made) == os::NameKey(asked)) ||
            found != os::SameName(made, asked))
            Note(&m, std::string(asked) + (found ? " found" : " not found") + " by " + made);
        os::EraseFile(At(made).c_str());
    }
    MakeFile("long file name.txt", "x");
    os::FindData data{};
    os::FindHandle search = os::kInvalidFind;
    os::FindFirst(At("long file name.txt").c_str(), &data, &search);
    os::FindClose(search);
    std::string alias = data.shortName;
    uint32_t attributes = 0;
    if (alias.empty() || os::GetAttributes(At(alias).c_str(), &attributes) != 0)
        Note(&m, "8.3 alias \"" + alias + "\" does not find the file");
    Compare(&m, "new file by its alias", 80, OpenCode(alias, os::kAccessWrite, 0, os::kCreateNew));
    os::EraseFile(At("long file name.txt").c_str());
    CheckClean("platform files: names the file system takes for one are one key", m);
}

}  // namespace

void CheckPlatformFiles(const std::string& folder) {
    root = folder;
    if (!Check("platform files: fresh folder made", os::MakeFolder(root.c_str()) == 0,
               "code " + std::to_string(os::LastError())))
        return;
    if (!Check("platform files: file written", MakeFile("data.txt", "hello, wine"))) return;
    CheckErrorCodes();
    CheckContent();
    CheckLargeSize();
    CheckSearch();
    CheckWriteTime();
    CheckAttributes();
    CheckNameKeys();
}

}  // namespace e2e
