// The destiny search with the skip rules, binding the destiny, opening and creating the files.
#include <string>

#include "engine/copy_job.h"
#include "engine/retry.h"
#include "engine/steps.h"
#include "output/display.h"
#include "output/messages.h"
#include "output/progress_bar.h"
#include "runtime/io_result.h"
#include "settings/settings.h"

namespace engine {

namespace {

// The first skip rule that holds for the source entry; only its low eight bits count.
bool Skipped() {
    uint8_t attributes = static_cast<uint8_t>(CopyJob.entry.attributes);
    return ((attributes & os::kAttrHidden) && Settings.skipHiddenFiles) ||
           ((attributes & os::kAttrSystem) && Settings.skipSystemFiles) ||
           ((attributes & os::kAttrReadOnly) && Settings.skipReadOnlyFiles) ||
           (CopyJob.entry.size == 0 && Settings.skipEmptyFiles);
}

void ReportExisting() {
    const std::string name = CopyJob.entry.name.str();
    output::WriteConsoleLine("Copy \"" + name + "\" file already exists");
    output::WriteLongLogEntry("Copy \"<B>" + name + "</B>\" file already exists", output::notice,
                              false);
}

void ReportForeign() {
    const std::string name = CopyJob.entry.name.str();
    output::WriteConsoleLine("Source \"" + name +
                             "\" is not the file its copy was made from: not filled in");
    output::WriteLongLogEntry("Source \"<B>" + name +
                                  "</B>\" is not the file its copy was made from: not filled in",
                              output::notice, false);
}

}  // namespace

std::string SourcePath() { return CopyJob.sourceFolder + CopyJob.entry.fullName; }
std::string DestinyPath() { return rt::InFolder(CopyJob.destinyFolder, CopyJob.entry.fullName); }

// A file name holds no wildcards, so reading its attributes finds what a search for it would,
// several times faster: a missing file costs every one of the step's attempts.
void SearchDestiny() {
    if (CopyJob.attempts == 0) CopyJob.fillIn = FillInRecord{};
    CountAttempt();
    bool found = rt::NameExists(DestinyPath());
    bool exists = rt::IoResult() == 0 && found;
    Outcome outcome = Settle(JobState::SearchDestiny, exists);
    Existing existing =
        outcome == Outcome::Succeeded ? FillInWanted(DestinyPath()) : Existing::Keep;
    if (existing == Existing::Fill)
        CopyJob.state = JobState::PrepareSource;
    else if (existing == Existing::Foreign)
        ReportForeign();
    else if (outcome == Outcome::Succeeded)
        ReportExisting();
    if (outcome == Outcome::Exhausted && Skipped()) CopyJob.state = JobState::SearchNext;
}

void PrepareDestiny() {
    CountAttempt();
    rt::BindPath(CopyJob.destinyFile, DestinyPath());
    Settle(JobState::PrepareDestiny, rt::IoResult() == 0);
}

// Read only, so that a write-protected medium can be read and the data being rescued is never
// put at risk.
void OpenSource() {
    CountAttempt();
    rt::Open(CopyJob.sourceFile, os::kAccessRead, 0, os::kOpenExisting, os::kAttrNormal);
    Outcome outcome = Settle(JobState::OpenSource, rt::IoResult() == 0);
    if (outcome == Outcome::Exhausted) ReleaseFiles();
    if (outcome == Outcome::Succeeded && CopyJob.fillIn.active)
        CopyJob.state = JobState::OpenDestiny;
}

// CREATE_NEW: a file that appeared since SearchDestiny looked is never overwritten.
void CreateDestiny() {
    CountAttempt();
    rt::Open(CopyJob.destinyFile, os::kAccessRead | os::kAccessWrite, 0, os::kCreateNew,
             os::kAttrNormal);
    Outcome outcome = Settle(JobState::CreateDestiny, rt::IoResult() == 0);
    if (outcome == Outcome::Exhausted) ReleaseFiles();
    if (outcome == Outcome::Succeeded) StartDestinyFile();
}

void StartDestinyFile() {
    CopyJob.fileBytesRead = CopyJob.fileBytesWritten = CopyJob.fileBytesVerified = 0;
    ForgetSourceBlock();
    StartDamageRecord();
    CopyJob.undated = false;
    if (Settings.enableFasterCopy) LoadPreset(&StateRow::faster);
    if (CopyJob.sourceFolder.size() >= 2 && CopyJob.sourceFolder[1] == ':' &&
        (CopyJob.sourceFolder[0] == 'a' || CopyJob.sourceFolder[0] == 'b') && Settings.recognize)
        LoadPreset(&StateRow::floppy);  // lower case only, unlike the run's floppy test
    if (Settings.showProgressBar) output::ShowProgressBar(0);
}

}  // namespace engine
