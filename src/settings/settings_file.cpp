#include "settings/settings_file.h"

#include <cstring>
#include <string>
#include <string_view>

#include "runtime/dir_search.h"
#include "runtime/io_result.h"
#include "runtime/text.h"
#include "settings/settings.h"

namespace settings {

const char* const kSettingsFileName = "tramox.ini";
const char* const kDefaultLogFileName = "tramox.log.htm";

rt::TextFile SettingsFile;

std::mutex& SettingsFileLock() {
    static std::mutex lock;
    return lock;
}

namespace {

constexpr int64_t kMagnitudeLimit = 2147483648;  // |INT32_MIN|; INT32_MAX is one less

// True when text is exactly the key followed by tail.
bool IsKeyThen(std::string_view text, const char* key, std::string_view tail) {
    size_t keyLength = std::strlen(key);
    return text.size() == keyLength + tail.size() && text.compare(0, keyLength, key) == 0 &&
           text.substr(keyLength) == tail;
}

// The value of one digit in the base, or -1 when it is none.
int DigitValue(char c, int base) {
    int value = -1;
    if (c >= '0' && c <= '9')
        value = c - '0';
    else if (c >= 'a' && c <= 'f')
        value = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        value = c - 'A' + 10;
    return value < base ? value : -1;
}

int BaseOfPrefix(char c) {
    switch (c) {
        case '$':
            return 16;
        case '%':
            return 2;
        case '&':
            return 8;
        default:
            return 0;
    }
}

// The first blank ends the key part; a path line's value is everything after it.
std::optional<std::string_view> PathValue(std::string_view line, const char* key) {
    size_t blank = line.find(' ');
    if (blank == std::string_view::npos || !IsKeyThen(line.substr(0, blank + 1), key, ": "))
        return std::nullopt;
    return line.substr(blank + 1);
}

bool IsPathLine(std::string_view line) {
    for (const SettingField& field : kFields)
        if (field.kind == FieldKind::Path && PathValue(line, field.key)) return true;
    return false;
}

void ApplyValue(const SettingField& field, const SplitLine& split,
                const std::optional<int32_t>& number) {
    if (field.kind == FieldKind::Path || !IsKeyThen(split.keyPart.view(), field.key, ": "))
        return;
    switch (field.kind) {
        case FieldKind::Integer:
            if (number && Accepts(field, *number)) Settings.*field.integer = *number;
            break;
        case FieldKind::SmallInteger:
            if (number && Accepts(field, *number))
                Settings.*field.small = static_cast<uint8_t>(*number);
            break;
        case FieldKind::Text:
        case FieldKind::Colour:
            Settings.*field.text = split.valuePart;
            break;
        case FieldKind::Flag:
        case FieldKind::Path:
            break;
    }
}

bool IsWritten(const SettingField& field) {
    if (field.writtenAfter && !(Settings.*field.writtenAfter)) return false;
    bool empty = field.kind == FieldKind::Path ? (Settings.*field.path).empty()
                                               : (Settings.*field.text).empty();
    if (field.writtenWhenNotEmpty && empty) return false;
    return true;
}

std::string FieldLine(const SettingField& field) {
    std::string line = field.key;
    line += ": ";
    switch (field.kind) {
        case FieldKind::Flag:
            line += (Settings.*field.flag) ? "yes" : "no";
            break;
        case FieldKind::Integer:
            line += rt::NumberText(Settings.*field.integer).view();
            break;
        case FieldKind::SmallInteger:
            line += rt::NumberText(Settings.*field.small).view();
            break;
        case FieldKind::Text:
        case FieldKind::Colour:
            line += (Settings.*field.text).view();
            break;
        case FieldKind::Path:
            line += Settings.*field.path;
            break;
    }
    return line;  // a text line may pass 255 characters; reading back keeps the first 255
}

}  // namespace

SplitLine SplitSettingLine(const ShortText& line) {
    std::string_view text = line.view();
    size_t blank = text.find(' ');
    if (blank == std::string_view::npos) return {line, ShortText()};
    return {ShortText(text.substr(0, blank + 1)), ShortText(text.substr(blank + 1))};
}

std::optional<int32_t> ReadSettingNumber(const ShortText& value) {
    std::string_view text = value.view();
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int base = 10;
    if (i < text.size() && BaseOfPrefix(text[i]) != 0) base = BaseOfPrefix(text[i++]);
    if (i == text.size()) return std::nullopt;  // at least one digit
    int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        int digit = DigitValue(text[i], base);
        if (digit < 0) return std::nullopt;
        magnitude = magnitude * base + digit;
        if (magnitude > kMagnitudeLimit) return std::nullopt;  // stops before int64 could overflow
    }
    if (!negative && magnitude == kMagnitudeLimit) return std::nullopt;
    return static_cast<int32_t>(negative ? -magnitude : magnitude);
}

std::string_view LineAsRead(std::string_view line) {
    return IsPathLine(line) ? line : line.substr(0, ShortText::kMax);
}

void ApplySettingLine(std::string_view whole) {
    // Every test runs on every line, so a later line of the same key wins.
    for (const SettingField& field : kFields) {
        std::optional<std::string_view> path = PathValue(whole, field.key);
        if (field.kind == FieldKind::Path && path) Settings.*field.path = std::string(*path);
    }
    const ShortText line(LineAsRead(whole));
    for (const SettingField& field : kFields) {
        if (field.kind != FieldKind::Flag) continue;
        if (IsKeyThen(line.view(), field.key, ": yes")) Settings.*field.flag = true;
        if (IsKeyThen(line.view(), field.key, ": no")) Settings.*field.flag = false;
    }
    SplitLine split = SplitSettingLine(line);
    std::optional<int32_t> number = ReadSettingNumber(split.valuePart);
    for (const SettingField& field : kFields) ApplyValue(field, split, number);
}

void ReadSettingsFile() {
    std::lock_guard<std::mutex> hold(SettingsFileLock());
    if (!rt::PathExists(kSettingsFileName)) return;
    rt::Bind(SettingsFile, kSettingsFileName);
    rt::OpenRead(SettingsFile);
    rt::CheckStrict();
    bool atEnd = false;
    while (!atEnd) {  // the first line is always read, so an empty file gives one empty line
        std::string line = rt::ReadLine(SettingsFile);
        rt::CheckStrict();
        ApplySettingLine(line);
        atEnd = rt::AtEnd(SettingsFile);
        rt::CheckStrict();
    }
    rt::Close(SettingsFile);
    rt::CheckStrict();
}

void TestLoadedNames() {
    if (Settings.logFileName != kDefaultLogFileName) {
        // Opened without truncation: a log that exists keeps its entries.
        bool existed = rt::PathExists(Settings.logFileName);
        rt::ByteFile probe;
        rt::Bind(probe, Settings.logFileName);
        rt::Open(probe, os::kAccessWrite, os::kShareRead | os::kShareWrite, os::kOpenAlways,
                 os::kAttrNormal);
        bool writable = rt::IoResult() == 0;
        if (writable) {
            rt::Close(probe);
            writable = rt::IoResult() == 0;
        }
        // An empty file left behind would be extended later without the log's head line.
        if (writable && !existed) {
            rt::Erase(probe);
            rt::IoResult();  // a stub that stays is harmless
        }
        if (!writable) Settings.logFileName = kDefaultLogFileName;
    }
    // Asked of the path itself: a search would refuse "C:\web\" and take "C:\web\*.exe".
    uint32_t attributes = 0;
    if (!Settings.browserPath.empty() &&
        os::GetAttributes(Settings.browserPath.c_str(), &attributes) != 0)
        Settings.browserPath = ShortText();
}

void WriteSettingsFile() {
    std::lock_guard<std::mutex> hold(SettingsFileLock());
    rt::Bind(SettingsFile, kSettingsFileName);
    rt::CreateNew(SettingsFile);
    rt::CheckStrict();
    for (const SettingField& field : kFields) {
        if (!IsWritten(field)) continue;
        rt::WriteLine(SettingsFile, FieldLine(field));
        rt::CheckStrict();
    }
    rt::Close(SettingsFile);
    rt::CheckStrict();
}

}  // namespace settings
