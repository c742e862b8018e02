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

// The "already exists" path of an existing destiny: filled in where the record allows it,
// else told and left alone.
void TakeExisting() {
    Existing existing = FillInWanted(DestinyPath());
    CopyJob.state = existing == Existing::Fill ? JobState::PrepareSource : JobState::SearchNext;
    CopyJob.attempts = 0;
    if (existing == Existing::Foreign)
        ReportForeign();
    else if (existing == Existing::Keep)
        ReportExisting();
}

}  // namespace

std::string SourcePath() { return CopyJob.sourceFolder + CopyJob.entry.fullName; }
std::string DestinyPath() { return rt::InFolder(CopyJob.destinyFolder, CopyJob.entry.fullName); }

// A file name holds no wildcards, so reading its attributes finds what a search for it would,
// several times faster. A name the run's listing of the folder lacks is absent without asking:
// under Wine every look for a missing name reads the whole folder, and a missing file costs
// every one of the step's attempts.
void SearchDestiny() {
    if (CopyJob.attempts == 0) {
        CopyJob.fillIn = FillInRecord{};
        if (!CopyJob.destinyListing.taken)
            rt::ListFolder(CopyJob.destinyFolder, CopyJob.destinyListing);
    }
    CountAttempt();
    bool found = rt::MayExist(CopyJob.destinyListing, CopyJob.entry.fullName) &&
                 rt::NameExists(DestinyPath());
    bool exists = rt::IoResult() == 0 && found;
    Outcome outcome = Settle(JobState::SearchDestiny, exists);
    if (outcome == Outcome::Succeeded) TakeExisting();
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

// CREATE_NEW: a file that appeared since SearchDestiny looked is never overwritten. It is no
// failure either: it takes the path of a file that was there, as if the look had found it.
void CreateDestiny() {
    CountAttempt();
    rt::Open(CopyJob.destinyFile, os::kAccessRead | os::kAccessWrite, 0, os::kCreateNew,
             os::kAttrNormal);
    int32_t result = rt::IoResult();
    if (result == static_cast<int32_t>(os::kErrorFileExists)) {
        ReleaseFiles();
        TakeExisting();
        if (CopyJob.state == JobState::PrepareSource)  // announced already: a fill-in now
            CopyJob.state = JobState::PrepareDestiny;
        else
            --CopyTotals.filesProcessed;  // counted as a copy when announced; it is none
        return;
    }
    Outcome outcome = Settle(JobState::CreateDestiny, result == 0);
    if (outcome == Outcome::Exhausted) ReleaseFiles();
    if (outcome == Outcome::Succeeded) {
        rt::AddListed(CopyJob.destinyListing, CopyJob.entry.fullName);
        StartDestinyFile();
    }
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
