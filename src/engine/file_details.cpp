// Announcing a source file: its log entry with details, the status lines, and binding it.
#include <string>

#include "engine/copy_job.h"
#include "engine/retry.h"
#include "engine/steps.h"
#include "output/controls.h"
#include "output/display.h"
#include "output/messages.h"
#include "runtime/io_result.h"
#include "runtime/text.h"
#include "settings/settings.h"

namespace engine {

namespace {

// The attribute word compared as a whole: a hidden file that is also archive gets no text.
const char* AttributeText(uint32_t attributes) {
    switch (attributes) {
        case os::kAttrHidden:
            return " hidden file";
        case os::kAttrSystem:
            return " system file";
        case os::kAttrReadOnly:
            return " read only file";
        default:
            return "";
    }
}

// The file's own last-write time; its directory entry's when the file cannot be opened.
uint32_t ModifiedTime() {
    os::FileHandle file = os::kInvalidFile;
    uint32_t share = os::kShareRead | os::kShareWrite | os::kShareDelete;
    if (os::OpenFile(SourcePath().c_str(), os::kAccessRead, share, os::kOpenExisting,
                     os::kAttrNormal, &file) != 0)
        return CopyJob.entry.time;
    uint64_t utc = 0, local = 0;
    bool known = os::FileWriteTime(file, &utc) == 0 && os::UtcToLocalFileTime(utc, &local);
    os::CloseFile(file);
    return known ? rt::PackDosTime(local) : CopyJob.entry.time;
}

ShortText DetailsText() {
    return rt::NumberText(static_cast<int64_t>(CopyJob.entry.size)) + "bytes" +
           AttributeText(CopyJob.entry.attributes) +
           ", modified: " + FormatModifiedTime(ModifiedTime());
}

void Announce() {
    const ShortText& name = CopyJob.entry.name;
    ShortText details;
    std::string text = "Copy \"<B>" + name.str() + "</B>\"";
    if (Settings.printDetail) {
        details = DetailsText();
        text += " " + details.str();
    }
    output::WriteLongLogEntry(text, output::plain, false);
    if (!CopyJob.readableFirst.secondPass) ++CopyTotals.filesProcessed;  // each file once
    CopyJob.fileBytesRead = CopyJob.fileBytesWritten = CopyJob.fileBytesVerified = 0;
    CopyJob.percent = 0;
    if (Settings.printProgress) {
        output::ShowText(Controls.stateLine, name);
        if (Settings.updateTitle)
            output::ShowText(Controls.mainWindow, ShortText("tramox (") + name + ")");
    }
    if (Settings.printDetail) output::ShowText(Controls.detailLine, details);
}

void ReportEmpty() {
    const std::string name = CopyJob.entry.name.str();
    output::WriteConsoleLine("File \"" + name + "\" is empty");
    output::WriteLongLogEntry("Copy of \"<B>" + name + "</B>\", is empty", output::warning, false);
    CopyJob.state = JobState::SearchNext;
    CopyJob.attempts = 0;
}

void ReportUnassigned(int32_t result) {
    output::WriteConsoleLine("Unable to assign source file: " + os::ToCodePage(SourcePath()) +
                             " (Result=" + rt::NumberText(result).str() +
                             ", Error=" + rt::NumberText(os::LastError()).str() + ")");
    output::WriteLogEntry("unable to assign source file", output::error, true);
}

}  // namespace

ShortText FormatModifiedTime(uint32_t packed) {
    uint32_t date = packed >> 16, time = packed & 0xFFFF;
    uint32_t day = date & 31, month = (date >> 5) & 15, year = 1980 + (date >> 9);
    const char* monthName = rt::MonthName(month);
    ShortText text = rt::NumberText(day) + rt::DaySuffix(day) + " ";
    text += *monthName ? ShortText(monthName) : rt::NumberText(month);  // a damaged stamp
    text += " ";
    text += rt::NumberText(year) + " " + rt::NumberText(time >> 11) + ":" +
            rt::TwoDigits((time >> 5) & 63) + ":" + rt::TwoDigits((time & 31) * 2);
    return text;
}

void PrepareSource() {
    if (CopyJob.entry.size == 0) return ReportEmpty();
    if (CopyJob.attempts == 0) Announce();
    CountAttempt();
    rt::BindPath(CopyJob.sourceFile, SourcePath());
    int32_t result = rt::IoResult();
    Outcome outcome = Settle(JobState::PrepareSource, result == 0);
    if (outcome == Outcome::Exhausted) ReportUnassigned(result);
}

}  // namespace engine
