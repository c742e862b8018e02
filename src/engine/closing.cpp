// Closing both files, the destiny's attributes, the file's result line, and the run totals.
#include <algorithm>

#include <string>

#include "engine/copy_job.h"
#include "engine/retry.h"
#include "engine/steps.h"
#include "output/controls.h"
#include "output/display.h"
#include "output/messages.h"
#include "output/progress_bar.h"
#include "runtime/io_result.h"
#include "runtime/text.h"
#include "settings/settings.h"

namespace engine {

namespace {

std::string Bytes(int64_t count) { return rt::NumberText(count).str() + "bytes"; }

std::string ResultLine() {
    std::string line = "Copied \"" + CopyJob.entry.name.str();
    if (!Settings.printDetail) return line + "\"";
    line += "\" " + Bytes(CopyJob.fileBytesRead) + ", written " + Bytes(CopyJob.fileBytesWritten);
    if (Settings.verifyData) line += ", verified " + Bytes(CopyJob.fileBytesVerified);
    return line;
}

// Archive and the chosen bits, whatever the source carries: the source is never made archive
// only any more, but its copies keep the attributes they always had.
void SetDestinyAttributes() {
    uint32_t extra = (Settings.destinyFileAttributeSystem ? os::kAttrSystem : 0) |
                     (Settings.destinyFileAttributeHidden ? os::kAttrHidden : 0) |
                     (Settings.destinyFileAttributeReadOnly ? os::kAttrReadOnly : 0);
    if (extra != 0) os::SetAttributes(CopyJob.destinyFile.name.c_str(), os::kAttrArchive | extra);
}

// The totals in the log, in this order; the verified count only with verifyData, one more than
// counted, as the last byte of each file is never read back.
struct TotalRow {
    const char* text;
    int64_t CopyTotalsRecord::*count;
    const char* unit;
};

constexpr TotalRow kTotals[] = {
    {"Processed ", &CopyTotalsRecord::filesProcessed, " files"},
    {"Read ", &CopyTotalsRecord::bytesRead, "bytes"},
    {"Written ", &CopyTotalsRecord::bytesWritten, "bytes"},
    {"Verified ", &CopyTotalsRecord::bytesVerified, "bytes"},
};

void LogTotals() {
    bool any = false;
    for (const TotalRow& row : kTotals) any = any || CopyTotals.*row.count > 0;
    if (!Settings.logStats || !any) return;
    output::WriteLogEntry("<U>Totally</U>", output::plain, false);
    for (const TotalRow& row : kTotals) {
        bool verified = row.count == &CopyTotalsRecord::bytesVerified;
        if (verified && !Settings.verifyData) continue;
        int64_t count = CopyTotals.*row.count + (verified ? 1 : 0);
        output::WriteLogEntry(ShortText(row.text) + rt::NumberText(count) + row.unit, output::plain,
                              false);
    }
}

}  // namespace

void ReleaseFiles() {
    for (rt::ByteFile* file : {&CopyJob.sourceFile, &CopyJob.destinyFile}) {
        if (file->mode == rt::FileMode::Unbound || file->mode == rt::FileMode::Closed) continue;
        rt::Close(*file);
        rt::IoResult();
    }
    ReleaseFillIn();
}

void CloseSource() {
    CountAttempt();
    rt::Close(CopyJob.sourceFile);
    Settle(JobState::CloseSource, rt::IoResult() == 0);
}

// A whole copy keeps its source's last-write time, as copiers do, whether a fill-in made it
// whole or it was whole at once; a copy cut short keeps the time it was made, so that it never
// passes for the original. Set while the destiny is still open: before its first close attempt,
// whichever step makes it.
void DateDestiny() {
    if (CopyJob.destinyFile.mode != rt::FileMode::InOut) return;
    int64_t reached = std::max(CopyJob.fillIn.copySize, CopyJob.fileBytesWritten);
    if (static_cast<uint64_t>(reached) != CopyJob.entry.size) return;
    CopyJob.undated =
        os::SetFileWriteTime(CopyJob.destinyFile.handle, CopyJob.entry.writeTime) != 0;
}

void CloseDestiny() {
    CountAttempt();
    DateDestiny();
    rt::Close(CopyJob.destinyFile);
    Outcome outcome = Settle(JobState::CloseDestiny, rt::IoResult() == 0);
    if (outcome != Outcome::Again && CopyJob.fillIn.active) ReleaseFillIn();
    if (outcome != Outcome::Again) NoteSkippedFile();
    if (outcome == Outcome::Exhausted) ReportDamage();  // after the file's failure
    if (outcome != Outcome::Succeeded) return;
    if (!CopyJob.fillIn.active) SetDestinyAttributes();  // a filled-in file got its own back
    if (Settings.showProgressBar) output::ShowProgressBar(output::kProgressCells);
    if (CopyJob.fillIn.active)
        FinishFillIn();
    else
        output::WriteConsoleLine(ResultLine());
    if (CopyJob.undated)
        output::WriteLongLogEntry(
            "unable to give \"<B>" + CopyJob.entry.name.str() + "</B>\" its source's date",
            output::warning, false);
    ReportDamage();
    if (Settings.waitEnterAfterEachCopy)
        os::ShowMessageBox(Controls.mainWindow, "Press enter to continue", "tramox", os::kBoxOk);
}

void FinishRun() {
    LogTotals();
    if (Settings.proceedMinimized) os::ShowWin(Controls.mainWindow, os::kShowRestore);
    if (Settings.updateTitle) output::ShowText(Controls.mainWindow, "tramox");
    output::SetFontQueued(Controls.stateLine, Controls.fonts[kFontSmall]);
    output::ShowText(Controls.stateLine, "Done");
    output::ShowText(Controls.detailLine, "");
    output::ShowText(Controls.progressLine, "");
    SetRunButtons(false);
    CopyJob.percent = 100;
    if (Settings.showProgressBar) output::ShowProgressBar(output::kProgressCells);
    CopyJob.state = JobState::Idle;
    CopyJob.attempts = 0;
}

}  // namespace engine
