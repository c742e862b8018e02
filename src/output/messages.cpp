#include "output/messages.h"

#include <string>

#include "output/console.h"
#include "output/html_log.h"
#include "runtime/dir_search.h"
#include "runtime/files.h"
#include "runtime/io_result.h"
#include "runtime/text.h"
#include "settings/settings.h"

namespace output {

const char* const kReportAddress = "tramox-report@example.org";

std::mutex& OutputLock() {
    static std::mutex lock;
    return lock;
}

namespace {

// The font colour of each kind, in the kinds' order; anything else is written as plain.
ShortText SettingsRecord::*const kKindColours[] = {
    &SettingsRecord::fontColorHtmlLog,     // plain
    &SettingsRecord::errorColorHtmlLog,    // error
    &SettingsRecord::warningColorHtmlLog,  // warning
    &SettingsRecord::noticeColorHtmlLog,   // notice
};

const ShortText& KindColour(MessageKind kind) {
    return Settings.*kKindColours[kind <= notice ? kind : plain];
}

std::string EntryLine(std::string_view text, MessageKind kind, bool reportLink) {
    std::string size = rt::NumberText(Settings.fontSizeHtmlLog).str();
    std::string line = FontTag(size, KindColour(kind));
    line += text;
    if (!reportLink) return line + "</FONT><BR>";
    line += " </FONT><A HREF=mailto:";
    line += kReportAddress;
    line += " TITLE=\"Report this\">" + FontTag(size, Settings.linkColorHtmlLog);
    return line + "Is it bug?</FONT></A><BR>";
}

// Reopens the log for one entry. A log never bound in this program run (logging switched on
// in the middle of a run) is bound now; when it is missing it is created with the head line
// alone, so that later runs extending it still find their document and background.
void OpenLogForEntry() {
    if (LogFile.mode == rt::FileMode::Unbound) {
        rt::Bind(LogFile, Settings.logFileName);
        if (!rt::PathExists(Settings.logFileName)) {
            rt::CreateNew(LogFile);
            rt::CheckStrict();
            rt::WriteLine(LogFile, HeadLine());
            rt::CheckStrict();
            return;
        }
    }
    rt::OpenAppend(LogFile);
    rt::CheckStrict();
}

}  // namespace

void WriteLogEntry(const ShortText& text, MessageKind kind, bool reportLink) {
    WriteLongLogEntry(text.view(), kind, reportLink);
}

void WriteLongLogEntry(std::string_view text, MessageKind kind, bool reportLink) {
    if (!Settings.enableLog) return;
    std::lock_guard<std::mutex> hold(OutputLock());
    OpenLogForEntry();
    rt::WriteLine(LogFile, EntryLine(text, kind, reportLink));
    rt::CheckStrict();
    rt::Close(LogFile);
    rt::CheckStrict();
}

void WriteConsoleLine(std::string_view text) {
    std::lock_guard<std::mutex> hold(OutputLock());
    if (AppendConsoleLine(text)) return;  // the work of a line, not of the transcript
    SaveConsolePane();
    rt::TextFile console;
    rt::Bind(console, kConsoleFileName);
    rt::OpenAppend(console);
    rt::CheckStrict();
    rt::WriteLine(console, text);
    rt::CheckStrict();
    rt::Close(console);
    rt::CheckStrict();
    LoadConsolePane();
}

}  // namespace output
