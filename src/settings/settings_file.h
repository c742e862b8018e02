// tramox.ini: one option per line, read at start-up and rewritten at exit.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string_view>

#include "runtime/files.h"
#include "runtime/short_text.h"

namespace settings {

extern const char* const kSettingsFileName;    // "tramox.ini"
extern const char* const kDefaultLogFileName;  // "tramox.log.htm"

struct SplitLine {
    ShortText keyPart;    // up to and including the first blank
    ShortText valuePart;  // the rest
};
SplitLine SplitSettingLine(const ShortText& line);

// The integer grammar: blanks and tabs, an optional sign, an optional base prefix ("$" hex,
// "%" binary, "&" octal), digits of that base and nothing else, within the signed 32-bit range.
std::optional<int32_t> ReadSettingNumber(const ShortText& value);

// Applies one whole line of the file to the record (flag lines, integer, text and path value
// lines).
void ApplySettingLine(std::string_view line);
// A whole line of the file as loading takes it: a remembered path's line whole, any other line
// its first 255 characters.
std::string_view LineAsRead(std::string_view line);
// Steps 1 to 3 of loading: reads tramox.ini into the record when it exists (strict).
void ReadSettingsFile();
// Step 5 of loading: a log name that cannot be written falls back to the default; a browser
// path naming nothing is emptied.
void TestLoadedNames();
// Creates tramox.ini anew from the record (strict).
void WriteSettingsFile();

// The one handle of tramox.ini; a mutex keeps the settings report and the writer apart.
extern rt::TextFile SettingsFile;
// Held by ReadSettingsFile, WriteSettingsFile and the settings report while they use
// SettingsFile. Whoever holds it makes no call that waits for the main thread.
std::mutex& SettingsFileLock();

}  // namespace settings
