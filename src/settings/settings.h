// The record of every option, its defaults, and the table that describes each field once: its
// key, kind, default, acceptance test and mirroring check box. Loading, saving, the check boxes
// and the tests walk the table.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/shared_value.h"
#include "runtime/short_text.h"

struct SettingsRecord {
    Shared<bool> enableLog, rewriteLog;
    ShortText logFileName, backgroundColorHtmlLog, fontColorHtmlLog, linkColorHtmlLog,
        errorColorHtmlLog, warningColorHtmlLog, noticeColorHtmlLog, htmlFont;
    Shared<uint8_t> fontSizeHtmlLog;
    Shared<bool> logStats, logSettings, showLogWhenDone;
    ShortText browserPath;
    Shared<bool> watchProductVersion, updateTitle, proceedMinimized, printProgress, printDetail,
        enableConsole, showProgressBar;
    Shared<int32_t> progressBarLatency;
    Shared<bool> clearConsole, dumpResults, recognize, forceAccess, subDamagedBitByZero,
        destinyFileAttributeSystem, destinyFileAttributeHidden, destinyFileAttributeReadOnly,
        skipSystemFiles, skipHiddenFiles, skipReadOnlyFiles, skipEmptyFiles;
    Shared<int32_t> depthRead, depthWrite, depthAccess, depthClose, depthVerify,
        depthSearchSource, depthSearchFolder, depthTryCreateFolder, depthPrepareSource,
        depthPrepareDestiny, depthOpenSource, depthSearchDestiny, depthCreateDestiny,
        depthCloseSource, depthCloseDestiny, depthSearch;
    Shared<bool> verifyData, enableFasterCopy, haltOnFirstError;
    Shared<int32_t> numErrorsHalt;
    Shared<bool> waitEnterAfterEachCopy, exitAfterCopy, saveSettings, rememberWindowPosition;
    Shared<int32_t> rememberWindowVertical, rememberWindowHorizontal;
    Shared<bool> saveSourceFile;
    std::string lastSourceFile;  // the remembered paths are kept whole, in the code page
    Shared<bool> saveDestinyFolder;
    std::string lastDestinyFolder, rememberFolder;
    // Our own, after the lines every tramox.ini has: every readable byte of a run first, then
    // the bad spots in a second pass.
    Shared<bool> readableFirst;
};

extern SettingsRecord Settings;

namespace settings {

enum class FieldKind : uint8_t { Flag, Integer, SmallInteger, Text, Colour, Path };

struct SettingField {
    const char* key;
    FieldKind kind;
    Shared<bool> SettingsRecord::*flag;          // Flag
    Shared<int32_t> SettingsRecord::*integer;    // Integer
    Shared<uint8_t> SettingsRecord::*small;      // SmallInteger
    ShortText SettingsRecord::*text;             // Text, Colour
    std::string SettingsRecord::*path;           // Path: read and written whole
    int64_t defaultNumber;                       // Flag (0/1), Integer, SmallInteger
    const char* defaultText;                     // Text, Colour
    int64_t minimum;                             // acceptance: value >= minimum
    int64_t maximum;                             // acceptance: value <= maximum
    const char* checkBox;                        // caption of the mirroring box, or nullptr
    // Written to the settings file only when this flag is yes (nullptr: no such condition).
    Shared<bool> SettingsRecord::*writtenAfter;
    bool writtenWhenNotEmpty;                    // only when the text is not empty
};

constexpr int kFieldCount = 67;
constexpr int kCheckBoxCount = 18;
extern const SettingField kFields[kFieldCount];

// Every field gets its default.
void SetDefaultSettings();
// The field of this key, or nullptr.
const SettingField* FindField(const char* key);
// True when a number read from the settings file may replace the field's value.
bool Accepts(const SettingField& field, int64_t value);

}  // namespace settings

namespace settings {

// The fields mirrored by the option check boxes, in the boxes' screen order (top to bottom).
extern const char* const kCheckBoxKeys[kCheckBoxCount];
const SettingField& CheckBoxField(int box);

}  // namespace settings
