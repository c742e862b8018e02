#include "settings/settings.h"

#include <cstring>

SettingsRecord Settings;

namespace settings {

namespace {

using R = SettingsRecord;
constexpr int64_t kInt32Max = 2147483647;

constexpr SettingField Flag(const char* key, Shared<bool> R::*field, bool on,
                            const char* checkBox = nullptr, Shared<bool> R::*writtenAfter = nullptr) {
    return {key, FieldKind::Flag, field, nullptr, nullptr, nullptr, nullptr, on ? 1 : 0, nullptr, 0, 1,
            checkBox, writtenAfter, false};
}

constexpr SettingField Integer(const char* key, Shared<int32_t> R::*field, int32_t value,
                               int64_t minimum, Shared<bool> R::*writtenAfter = nullptr) {
    return {key, FieldKind::Integer, nullptr, field, nullptr, nullptr, nullptr, value, nullptr, minimum,
            kInt32Max, nullptr, writtenAfter, false};
}

// fontSizeHtmlLog is eight bits wide: a number above 255 is refused rather than wrapped.
constexpr SettingField Small(const char* key, Shared<uint8_t> R::*field, uint8_t value) {
    return {key, FieldKind::SmallInteger, nullptr, nullptr, field, nullptr, nullptr, value, nullptr, 1,
            255, nullptr, nullptr, false};
}

constexpr SettingField Text(const char* key, ShortText R::*field, const char* value,
                            Shared<bool> R::*writtenAfter = nullptr, bool whenNotEmpty = false) {
    return {key, FieldKind::Text, nullptr, nullptr, nullptr, field, nullptr, 0, value, 0, 0, nullptr,
            writtenAfter, whenNotEmpty};
}

constexpr SettingField Colour(const char* key, ShortText R::*field, const char* value) {
    return {key, FieldKind::Colour, nullptr, nullptr, nullptr, field, nullptr, 0, value, 0, 0, nullptr,
            nullptr, false};
}

// A remembered path: read and written whole, as a path cut short names another folder.
constexpr SettingField Path(const char* key, std::string R::*field,
                            Shared<bool> R::*writtenAfter = nullptr, bool whenNotEmpty = false) {
    return {key, FieldKind::Path, nullptr, nullptr, nullptr, nullptr, field, 0, "", 0, 0, nullptr,
            writtenAfter, whenNotEmpty};
}

}  // namespace

const SettingField kFields[kFieldCount] = {
    Flag("enableLog", &R::enableLog, true, "Enable logging"),
    Flag("rewriteLog", &R::rewriteLog, true, "Overwrite log"),
    Text("logFileName", &R::logFileName, "tramox.log.htm"),
    Colour("backgroundColorHtmlLog", &R::backgroundColorHtmlLog, "0000FF"),
    Colour("fontColorHtmlLog", &R::fontColorHtmlLog, "FFFFFF"),
    Colour("linkColorHtmlLog", &R::linkColorHtmlLog, "FFAA00"),
    Colour("errorColorHtmlLog", &R::errorColorHtmlLog, "FF0000"),
    Colour("warningColorHtmlLog", &R::warningColorHtmlLog, "FFFF00"),
    Colour("noticeColorHtmlLog", &R::noticeColorHtmlLog, "00FFFF"),
    Text("htmlFont", &R::htmlFont, "Arial"),
    Small("fontSizeHtmlLog", &R::fontSizeHtmlLog, 1),
    Flag("logStats", &R::logStats, true, "Log statistics"),
    Flag("logSettings", &R::logSettings, false, "Log settings"),
    Flag("showLogWhenDone", &R::showLogWhenDone, false),
    Text("browserPath", &R::browserPath, "", nullptr, true),
    Flag("watchProductVersion", &R::watchProductVersion, true),
    Flag("updateTitle", &R::updateTitle, true),
    Flag("proceedMinimized", &R::proceedMinimized, false, "Run minimized"),
    Flag("printProgress", &R::printProgress, true, "Display progress"),
    Flag("printDetail", &R::printDetail, true, "Show file details"),
    Flag("enableConsole", &R::enableConsole, true, "Enable print result"),
    Flag("showProgressBar", &R::showProgressBar, true),
    Integer("progressBarLatency", &R::progressBarLatency, 1, 1),
    Flag("clearConsole", &R::clearConsole, false),
    Flag("dumpResults", &R::dumpResults, false),
    Flag("recognize", &R::recognize, false, "Recognize medium"),
    Flag("forceAccess", &R::forceAccess, false, "Force file access"),
    Flag("subDamagedBitByZero", &R::subDamagedBitByZero, false),
    Flag("destinyFileAttributeSystem", &R::destinyFileAttributeSystem, false),
    Flag("destinyFileAttributeHidden", &R::destinyFileAttributeHidden, false),
    Flag("destinyFileAttributeReadOnly", &R::destinyFileAttributeReadOnly, false),
    Flag("skipSystemFiles", &R::skipSystemFiles, false, "Skip system files"),
    Flag("skipHiddenFiles", &R::skipHiddenFiles, false, "Skip hidden files"),
    Flag("skipReadOnlyFiles", &R::skipReadOnlyFiles, false, "Skip read only files"),
    Flag("skipEmptyFiles", &R::skipEmptyFiles, false, "Skip empty files"),
    Integer("depthRead", &R::depthRead, 16, 2),
    Integer("depthWrite", &R::depthWrite, 4, 1),
    Integer("depthAccess", &R::depthAccess, 32, 1),
    Integer("depthClose", &R::depthClose, 8, 1),
    Integer("depthVerify", &R::depthVerify, 1, 1),
    Integer("depthSearchSource", &R::depthSearchSource, 2048, 1),
    Integer("depthSearchFolder", &R::depthSearchFolder, 1024, 1),
    Integer("depthTryCreateFolder", &R::depthTryCreateFolder, 2048, 1),
    Integer("depthPrepareSource", &R::depthPrepareSource, 4196, 2),
    Integer("depthPrepareDestiny", &R::depthPrepareDestiny, 4196, 1),
    Integer("depthOpenSource", &R::depthOpenSource, 33568, 2),
    Integer("depthSearchDestiny", &R::depthSearchDestiny, 2048, 1),
    Integer("depthCreateDestiny", &R::depthCreateDestiny, 1024, 1),
    Integer("depthCloseSource", &R::depthCloseSource, 512, 1),
    Integer("depthCloseDestiny", &R::depthCloseDestiny, 8392, 2),
    Integer("depthSearch", &R::depthSearch, 2048, 1),
    Flag("verifyData", &R::verifyData, false, "Verify copied data"),
    Flag("enableFasterCopy", &R::enableFasterCopy, false, "Force faster copying"),
    Flag("haltOnFirstError", &R::haltOnFirstError, false, "Halt on first error"),
    Integer("numErrorsHalt", &R::numErrorsHalt, 32, 9),
    Flag("waitEnterAfterEachCopy", &R::waitEnterAfterEachCopy, false),
    Flag("exitAfterCopy", &R::exitAfterCopy, false),
    Flag("saveSettings", &R::saveSettings, true, "Save settings"),
    Flag("rememberWindowPosition", &R::rememberWindowPosition, false),
    Integer("rememberWindowVertical", &R::rememberWindowVertical, 0, 0,
            &R::rememberWindowPosition),
    Integer("rememberWindowHorizontal", &R::rememberWindowHorizontal, 0, 0,
            &R::rememberWindowPosition),
    Flag("saveSourceFile", &R::saveSourceFile, false),
    Path("lastSourceFile", &R::lastSourceFile, &R::saveSourceFile),
    Flag("saveDestinyFolder", &R::saveDestinyFolder, false),
    Path("lastDestinyFolder", &R::lastDestinyFolder, &R::saveDestinyFolder),
    Path("rememberFolder", &R::rememberFolder, nullptr, true),
    // Written only when yes, so that a file written without it stays as it was.
    Flag("readableFirst", &R::readableFirst, false, nullptr, &R::readableFirst),
};

const char* const kCheckBoxKeys[kCheckBoxCount] = {
    "enableLog",         "rewriteLog",      "logSettings",      "logStats",
    "printProgress",     "printDetail",     "proceedMinimized", "verifyData",
    "recognize",         "enableFasterCopy", "forceAccess",     "skipSystemFiles",
    "skipHiddenFiles",   "skipReadOnlyFiles", "skipEmptyFiles", "enableConsole",
    "haltOnFirstError",  "saveSettings",
};

void SetDefaultSettings() {
    for (const SettingField& field : kFields) {
        switch (field.kind) {
            case FieldKind::Flag: (Settings.*field.flag) = field.defaultNumber != 0; break;
            case FieldKind::Integer:
                (Settings.*field.integer) = static_cast<int32_t>(field.defaultNumber);
                break;
            case FieldKind::SmallInteger:
                (Settings.*field.small) = static_cast<uint8_t>(field.defaultNumber);
                break;
            case FieldKind::Text:
            case FieldKind::Colour: (Settings.*field.text) = ShortText(field.defaultText); break;
            case FieldKind::Path: (Settings.*field.path).clear(); break;
        }
    }
}

const SettingField* FindField(const char* key) {
    for (const SettingField& field : kFields)
        if (std::strcmp(field.key, key) == 0) return &field;
    return nullptr;
}

bool Accepts(const SettingField& field, int64_t value) {
    return value >= field.minimum && value <= field.maximum;
}

const SettingField& CheckBoxField(int box) { return *FindField(kCheckBoxKeys[box]); }

}  // namespace settings
