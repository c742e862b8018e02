// Closing both files, the destiny's attributes, the file's result line, and the run totals.
#include "engine/copy_job.h"
#include "engine/retry.h"
#include "engine/steps.h"
#include "output/controls.h"
#include "output/messages.h"
#include "output/progress_bar.h"
#include "runtime/io_result.h"
#include "runtime/text.h"
#include "settings/settings.h"
#include "output/display.h"

namespace engine {

namespace {

ShortText Bytes(int64_t count) { return rt::NumberText(count) + "bytes"; }

ShortText ResultLine() {
    ShortText line = ShortText("Copied \"") + CopyJob.entry.name;
    if (!Settings.printDetail) return line + "\"";
    line += ShortText("\" ") + Bytes(CopyJob.fileBytesRead) + ", written " +
            Bytes(CopyJob.fileBytesWritten);
    if (Settings.verifyData) line += ShortText(", verified ") + Bytes(CopyJob.fileBytesVerified);
    return line;
}

void SetDestinyAttributes() {
    uint32_t extra = (Settings.destinyFileAttributeSystem ? os::kAttrSystem : 0) |
                     (Settings.destinyFileAttributeHidden ? os::kAttrHidden : 0) |
                     (Settings.destinyFileAttributeReadOnly ? os::kAttrReadOnly : 0);
    if (extra != 0)
        os::SetAttributes(CopyJob.destinyFile.name.c_str(), CopyJob.entry.attributes | extra);
}

void LogTotals() {
    const CopyTotalsRecord& totals = CopyTotals;
    if (!Settings.logStats) return;
    if (totals.filesProcessed <= 0 && totals.bytesRead <= 0 && totals.bytesWritten <= 0 &&
        totals.bytesVerified <= 0)
        return;
    output::WriteLogEntry("<U>Totally</U>", output::plain, false);
    output::WriteLogEntry(
        ShortText("Processed ") + rt::NumberText(totals.filesProcessed) + " files", output::plain,
        false);
    output::WriteLogEntry(ShortText("Read ") + Bytes(totals.bytesRead), output::plain, false);
    output::WriteLogEntry(ShortText("Written ") + Bytes(totals.bytesWritten), output::plain, false);
    // One more than counted, as the last byte of each file is never read back.
    if (Settings.verifyData)
        output::WriteLogEntry(ShortText("Verified ") + Bytes(totals.bytesVerified + 1),
                              output::plain, false);
}

}  // namespace

void RestoreSourceAttributes() {
    if (!CopyJob.sourceAttributesChanged) return;
    CopyJob.sourceAttributesChanged = false;
    os::SetAttributes(CopyJob.sourceFile.name.c_str(), CopyJob.savedSourceAttributes);
}

void ReleaseFiles() {
    for (rt::ByteFile* file : {&CopyJob.sourceFile, &CopyJob.destinyFile}) {
        if (file->mode == rt::FileMode::Unbound || file->mode == rt::FileMode::Closed) continue;
        rt::Close(*file);
        rt::IoResult();
    }
    RestoreSourceAttributes();
}

void CloseSource() {
    CountAttempt();
    rt::Close(CopyJob.sourceFile);
    // A refused close leaves no handle behind on Windows: give the attributes back either way.
    if (Settle(JobState::CloseSource, rt::IoResult() == 0, JobState::CloseDestiny,
               JobState::CloseDestiny) != Outcome::Again)
        RestoreSourceAttributes();
}

void CloseDestiny() {
    CountAttempt();
    rt::Close(CopyJob.destinyFile);
    if (Settle(JobState::CloseDestiny, rt::IoResult() == 0, JobState::SearchNext,
               JobState::SearchNext) != Outcome::Succeeded)
        return;
    SetDestinyAttributes();
    if (Settings.showProgressBar)
        output::ShowProgressBar(output::kProgressCells);
    output::WriteConsoleLine(ResultLine());
    if (Settings.waitEnterAfterEachCopy)
        os::ShowMessageBox(Controls.mainWindow, "Press enter to continue", "tramox", os::kBoxOk);
}

void FinishRun() {
    LogTotals();
    if (Settings.proceedMinimized) os::ShowWin(Controls.mainWindow, os::kShowRestore);
    if (Settings.updateTitle) output::ShowText(Controls.mainWindow, "tramox");
    os::Send(Controls.stateLine, os::kMsgSetFont, Controls.fonts[kFontSmall], 1);
    output::ShowText(Controls.stateLine, "Done");
    output::ShowText(Controls.detailLine, "");
    output::ShowText(Controls.progressLine, "");
    SetRunButtons(false);
    CopyJob.percent = 100;
    if (Settings.showProgressBar) output::ShowProgressBar(output::kProgressCells);
    CopyJob.state = Idle;
    CopyJob.attempts = 0;
}

}  // namespace engine
