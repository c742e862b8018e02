#include "output/html_log.h"

#include <mutex>
#include <vector>

#include "output/messages.h"
#include "platform/os.h"
#include "runtime/dir_search.h"
#include "runtime/io_result.h"
#include "runtime/text.h"
#include "settings/settings.h"

namespace output {

rt::TextFile LogFile;

const char* const kAuthorCredit = "Written by the tramox developers";
const char* const kMakerCredit = "A tramox project release";
const char* const kHomepage = "https://tramox.example/";
const char* const kContactAddress = "tramox@example.org";
const char* const kDownloadAddress = "https://tramox.example/download/";

namespace {

constexpr int kVersionMajor = 4;
constexpr int kVersionMinor = 66;

std::string Text(const ShortText& value) { return value.str(); }

// 1 May 2010 or later, when the user wants to hear about it.
bool Outdated(const os::LocalTime& now) {
    if (!Settings.watchProductVersion) return false;
    return now.year > 2010 || (now.year == 2010 && now.month > 4);
}

// "3rd May 2010 14:07:09:05": the last field is hundredths of a second.
std::string DateTimeText(const os::LocalTime& now) {
    std::string text = Text(rt::NumberText(now.day)) + rt::DaySuffix(now.day) + " ";
    text += std::string(rt::MonthName(now.month)) + " " + Text(rt::NumberText(now.year)) + " ";
    text += Text(rt::NumberText(now.hour)) + ":" + Text(rt::TwoDigits(now.minute)) + ":";
    text += Text(rt::TwoDigits(now.second)) + ":" + Text(rt::TwoDigits(now.milliseconds / 10));
    return text;
}

// A link line: "<A HREF=" href " TITLE="title">", the link font, the shown text, the closings.
std::string LinkLine(const std::string& href, const char* title, const char* shown) {
    return "<A HREF=" + href + " TITLE=\"" + title + "\">" +
           FontTag("1", Settings.linkColorHtmlLog) + shown + "</FONT></A><BR>";
}

void AddCredits(std::vector<std::string>& lines) {
    const std::string colour = Text(Settings.fontColorHtmlLog);
    lines.push_back("<FONT FACE=\"MS Sans Serif\" SIZE=4 COLOR=#" + colour +
                    "><B>tramox</B></FONT>");
    lines.push_back("<FONT FACE=\"MS Sans Serif\" SIZE=1 COLOR=#" + colour + ">" + kAuthorCredit +
                    "</FONT><BR>");
    lines.push_back(FontTag("1", Settings.fontColorHtmlLog) + kMakerCredit + "</FONT><BR>");
}

void AddOutdatedNotice(std::vector<std::string>& lines) {
    lines.push_back(FontTag("1", Settings.noticeColorHtmlLog) +
                    "Your version seems to be outdated</FONT><BR>");
    lines.push_back(FontTag("1", Settings.fontColorHtmlLog) +
                    "Actual version available at: </FONT>" +
                    LinkLine(kDownloadAddress, "Download actual version", kDownloadAddress));
}

// "D:\logs\x.htm", "\\server\share\x.htm" or "\logs\x.htm": a name that names its own folder.
bool IsAbsolute(const ShortText& name) {
    std::string text = Text(name);
    if (text.size() >= 2 && text[1] == ':') return true;
    return !text.empty() && (text[0] == '\\' || text[0] == '/');
}

std::vector<std::string> HeaderLines(bool fresh, const os::LocalTime& now) {
    std::vector<std::string> lines;
    lines.push_back(fresh ? HeadLine() : "<BR>");
    AddCredits(lines);
    if (Outdated(now)) AddOutdatedNotice(lines);
    lines.push_back(LinkLine(kHomepage, "Visit homepage", kHomepage));
    lines.push_back(
        LinkLine(std::string("mailto:") + kContactAddress, "Send e-mail", kContactAddress));
    lines.push_back(FontTag("2", Settings.fontColorHtmlLog) + "Log</FONT>");
    // The version line also opens the font that the "Logged" line stands in.
    lines.push_back(
        FontTag("1", Settings.fontColorHtmlLog) + " version " +
        Text(rt::NumberText(kVersionMajor)) + "." + Text(rt::NumberText(kVersionMinor)) +
        "</FONT><BR>" +
        FontTag(rt::NumberText(Settings.fontSizeHtmlLog).view(), Settings.fontColorHtmlLog));
    lines.push_back("Logged " + DateTimeText(now));
    lines.push_back("</FONT><BR>");
    return lines;
}

}  // namespace

std::string HeadLine() {
    // Names the code page cannot spell show as "?"; the rest shows right in any browser.
    return "<HTML><HEAD><META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=" +
           os::CodePageCharset() + "\"><TITLE>tramox Log</TITLE></HEAD><BODY BGCOLOR=#" +
           Text(Settings.backgroundColorHtmlLog) + ">";
}

std::string FontTag(std::string_view size, const ShortText& colour) {
    std::string tag = "<FONT FACE=" + Text(Settings.htmlFont) + " SIZE=";
    tag += size;
    return tag + " COLOR=#" + Text(colour) + ">";
}

void BeginLogRun() {
    if (!Settings.enableLog) return;
    std::lock_guard<std::mutex> hold(OutputLock());
    rt::Bind(LogFile, Settings.logFileName);
    // Without rewriteLog the file is only searched for; a missing one starts fresh too.
    bool fresh = Settings.rewriteLog || !rt::PathExists(Settings.logFileName);
    if (fresh)
        rt::CreateNew(LogFile);
    else
        rt::OpenAppend(LogFile);
    rt::CheckStrict();
    // One reading of the clock, so that date and time cannot straddle midnight.
    for (const std::string& line : HeaderLines(fresh, os::GetLocalTime())) {
        rt::WriteLine(LogFile, line);
        rt::CheckStrict();
    }
    rt::Close(LogFile);
    rt::CheckStrict();
}

void EndLogRun() {
    if (!Settings.enableLog) return;
    if (Settings.browserPath.empty() || !Settings.showLogWhenDone) return;
    // Both parts quoted: blanks in either would split the command elsewhere.
    std::string command = "\"";
    command.append(Text(Settings.browserPath)).append("\" \"");
    if (!IsAbsolute(Settings.logFileName)) {  // a full path needs no folder before it
        char folder[ShortText::kMax + 1];
        uint32_t length = os::CurrentFolder(folder, sizeof folder);
        if (length == 0 || length >= sizeof folder) return;
        command.append(folder).append("/");
    }
    command.append(Text(Settings.logFileName)).append("\"");
    if (command.size() > static_cast<size_t>(ShortText::kMax)) return;  // a cut one would mislead
    os::StartProgram(command.c_str(), os::kShowNormal);
}

void ResetLog() {
    std::lock_guard<std::mutex> hold(OutputLock());
    if (LogFile.handle != os::kInvalidFile) os::CloseFile(LogFile.handle);
    LogFile = rt::TextFile();
}

}  // namespace output
