#include "runtime/dir_search.h"

#include <cstdio>

namespace rt {

namespace {

constexpr uint32_t kFilteredBits =
    os::kAttrHidden | os::kAttrSystem | os::kAttrVolume | os::kAttrDirectory;

bool PassesFilter(uint32_t attributes, uint32_t filter) {
    return (attributes & ~filter & kFilteredBits) == 0;
}

int32_t SearchCode(uint32_t error) {
    if (error == os::kErrorFileNotFound || error == os::kErrorNoMoreFiles) return kSearchDone;
    if (error == os::kErrorInvalidParameter) return 13;
    return static_cast<int32_t>(error);
}

void Fill(DirEntry& entry, const os::FindData& data) {
    entry.fullName = data.name;
    entry.name = ShortText(os::ToCodePage(data.name));
    entry.writeTime = data.writeTime;
    entry.attributes = data.attributes;
    entry.size = data.size;
    uint64_t local = 0;
    entry.time = os::UtcToLocalFileTime(data.writeTime, &local) ? PackDosTime(local) : 0;
}

// Skips entries the filter refuses; returns the search code of the first one it accepts.
int32_t Accept(DirEntry& entry, os::FindData& data) {
    while (!PassesFilter(data.attributes, entry.filter)) {
        uint32_t error = os::FindNext(entry.handle, &data);
        if (error != 0) return SearchCode(error);
    }
    Fill(entry, data);
    return 0;
}

// Days from 1 March of year 0 for a civil date, and back (proleptic Gregorian).
void CivilFromDays(int64_t days, int64_t* year, uint32_t* month, uint32_t* day) {
    days += 719468;
    int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    int64_t dayOfEra = days - era * 146097;
    int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    int64_t mp = (5 * dayOfYear + 2) / 153;
    *day = static_cast<uint32_t>(dayOfYear - (153 * mp + 2) / 5 + 1);
    *month = static_cast<uint32_t>(mp < 10 ? mp + 3 : mp - 9);
    *year = yearOfEra + era * 400 + (*month <= 2 ? 1 : 0);
}

int64_t DaysFromCivil(int64_t year, uint32_t month, uint32_t day) {
    year -= month <= 2 ? 1 : 0;
    int64_t era = (year >= 0 ? year : year - 399) / 400;
    int64_t yearOfEra = year - era * 400;
    int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

constexpr int64_t kDaysFrom1970To1601 = -134774;
constexpr uint64_t kTicksPerSecond = 10000000ull;

}  // namespace

std::string FileTimeStamp(uint64_t fileTime) {
    uint64_t seconds = fileTime / kTicksPerSecond;
    int64_t days = static_cast<int64_t>(seconds / 86400) + kDaysFrom1970To1601;
    uint64_t second = seconds % 86400;
    int64_t year = 0;
    uint32_t month = 0, day = 0;
    CivilFromDays(days, &year, &month, &day);
    char text[64];
    std::snprintf(text, sizeof text, "%04lld-%02u-%02u %02u:%02u:%02u.%07llu",
                  static_cast<long long>(year), month, day, static_cast<unsigned>(second / 3600),
                  static_cast<unsigned>(second / 60 % 60), static_cast<unsigned>(second % 60),
                  static_cast<unsigned long long>(fileTime % kTicksPerSecond));
    return text;
}

bool ParseFileTimeStamp(std::string_view text, uint64_t* fileTime) {
    constexpr std::string_view kForm = "0000-00-00 00:00:00.0000000";
    if (text.size() != kForm.size()) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        bool digit = text[i] >= '0' && text[i] <= '9';
        if (kForm[i] == '0' ? !digit : text[i] != kForm[i]) return false;
    }
    auto number = [&](size_t at, size_t count) {
        uint64_t value = 0;
        for (size_t i = at; i < at + count; ++i) value = value * 10 + (text[i] - '0');
        return value;
    };
    uint64_t year = number(0, 4), month = number(5, 2), day = number(8, 2), hour = number(11, 2),
             minute = number(14, 2), second = number(17, 2);
    if (year < 1601 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 ||
        second > 59)
        return false;
    int64_t days = DaysFromCivil(static_cast<int64_t>(year), static_cast<uint32_t>(month),
                                 static_cast<uint32_t>(day)) -
                   kDaysFrom1970To1601;
    uint64_t seconds = static_cast<uint64_t>(days) * 86400 + hour * 3600 + minute * 60 + second;
    *fileTime = seconds * kTicksPerSecond + number(20, 7);
    return FileTimeStamp(*fileTime) == text;  // refuses the 31st of a short month, say
}

int32_t FindFirst(const std::string& pattern, uint32_t filter, DirEntry& entry) {
    FindClose(entry);
    entry.filter = filter;
    os::FindData data{};
    uint32_t error = os::FindFirst(pattern.c_str(), &data, &entry.handle);
    if (error != 0) {
        entry.handle = os::kInvalidFind;
        return SearchCode(error);
    }
    int32_t code = Accept(entry, data);
    if (code != 0) FindClose(entry);
    return code;
}

int32_t FindNext(DirEntry& entry) {
    if (entry.handle == os::kInvalidFind) return kSearchDone;
    os::FindData data{};
    uint32_t error = os::FindNext(entry.handle, &data);
    if (error != 0) return SearchCode(error);
    return Accept(entry, data);
}

void FindClose(DirEntry& entry) {
    if (entry.handle != os::kInvalidFind) os::FindClose(entry.handle);
    entry.handle = os::kInvalidFind;
}

uint32_t PackDosTime(uint64_t localFileTime) {
    int64_t seconds = static_cast<int64_t>(localFileTime / 10000000ull);
    int64_t days = seconds / 86400 + kDaysFrom1970To1601;
    int64_t secondOfDay = seconds % 86400;
    int64_t year = 0;
    uint32_t month = 0, day = 0;
    CivilFromDays(days, &year, &month, &day);
    if (year < 1980 || year > 2107) return 0;
    uint32_t date = static_cast<uint32_t>(((year - 1980) << 9) | (month << 5) | day);
    uint32_t time = static_cast<uint32_t>(
        ((secondOfDay / 3600) << 11) | (((secondOfDay / 60) % 60) << 5) | ((secondOfDay % 60) / 2));
    return (date << 16) | time;
}

bool PathExists(const ShortText& path) {
    DirEntry entry;
    bool found = FindFirst(os::FromCodePage(path.view()), kAnyFile, entry) == 0;
    FindClose(entry);
    return found;
}

bool NameExists(const std::string& path) {
    uint32_t attributes = 0;
    return os::GetAttributes(path.c_str(), &attributes) == 0;
}

bool FolderExists(const std::string& path) {
    uint32_t attributes = 0;
    return os::GetAttributes(path.c_str(), &attributes) == 0 &&
           (attributes & os::kAttrDirectory) != 0;
}

std::string InFolder(std::string_view folder, std::string_view name) {
    bool ended = !folder.empty() && (folder.back() == '\\' || folder.back() == '/');
    return std::string(folder) + (ended ? "" : "\\") + std::string(name);
}

namespace {

uint64_t NameHash(std::string_view name) {
    uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (char c : os::NameKey(name))
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    return hash;
}

}  // namespace

void ListFolder(const std::string& folder, FolderListing& listing) {
    listing = FolderListing{};
    os::FindData data{};
    os::FindHandle search = os::kInvalidFind;
    uint32_t error = os::FindFirst(InFolder(folder, "*").c_str(), &data, &search);
    for (; error == 0; error = os::FindNext(search, &data)) {
        AddListed(listing, data.name);
        if (data.shortName[0] != 0) AddListed(listing, data.shortName);
    }
    if (search != os::kInvalidFind) os::FindClose(search);
    // A drive's root lists no "." or "..", yet both name folders there.
    for (const char* dots : {".", ".."}) AddListed(listing, dots);
    listing.taken = error == os::kErrorNoMoreFiles || error == os::kErrorFileNotFound;
}

void AddListed(FolderListing& listing, std::string_view name) {
    listing.keys.insert(NameHash(name));
}

bool MayExist(const FolderListing& listing, std::string_view name) {
    return !listing.taken || listing.keys.contains(NameHash(name));
}

}  // namespace rt
