// Finding the sources and the destiny folder, starting the copying, and the next source entry.
#include <algorithm>
#include <string>

#include "engine/copy_job.h"
#include "engine/retry.h"
#include "engine/steps.h"
#include "output/console.h"
#include "output/controls.h"
#include "output/display.h"
#include "output/messages.h"
#include "output/settings_report.h"
#include "runtime/io_result.h"
#include "settings/settings.h"

namespace engine {

namespace {

// The whole text of an edit box: a path cut short names another folder.
std::string EditText(os::Window edit) {
    std::string text(static_cast<size_t>(std::max(os::TextLength(edit), 0)) + 1, '\0');
    int32_t got = os::GetText(edit, text.data(), static_cast<int32_t>(text.size()));
    text.resize(static_cast<size_t>(std::clamp<int32_t>(got, 0, text.size() - 1)));
    return text;
}

// ".", "..", or any folder, whatever its other bits (a CD's folders are read-only ones).
bool IsFolderEntry(const rt::DirEntry& entry) {
    return entry.name == "." || entry.name == ".." || (entry.attributes & os::kAttrDirectory);
}

// A search succeeds when it found an entry and no earlier code is pending (read and cleared).
bool Found(int32_t code) {
    bool clean = rt::IoResult() == 0;
    return clean && code == 0;
}

// The folder part of a source path: up to its last slash of either kind, as Windows takes both,
// else its drive ("c:*.txt").
std::string FolderOf(std::string_view source) {
    size_t slash = source.find_last_of("\\/");
    if (slash != source.npos) return std::string(source.substr(0, slash + 1));
    if (source.size() >= 2 && source[1] == ':') return std::string(source.substr(0, 2));
    return std::string();
}

std::string_view WithoutTrailingBlanks(std::string_view text) {
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

// A path as Explorer's "Copy as path" gives it, in quotes, is taken without them; a destiny
// text loses its trailing blanks too, as no folder name can end in one.
std::string Unquoted(const std::string& typed, bool destiny) {
    std::string_view text = WithoutTrailingBlanks(typed);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        return std::string(destiny ? WithoutTrailingBlanks(text.substr(1, text.size() - 2))
                                   : text.substr(1, text.size() - 2));
    return destiny ? std::string(text) : typed;
}

bool IsFloppy(const std::string& source) {
    char drive = source.size() >= 2 && source[1] == ':' ? source[0] : 0;
    return drive == 'a' || drive == 'A' || drive == 'b' || drive == 'B';
}

void SetRunDepths() {
    CopyJob.readDepth = Settings.depthRead;
    CopyJob.writeDepth = Settings.depthWrite;
    if (Settings.enableFasterCopy) {
        CopyJob.readDepth = 1;
        CopyJob.writeDepth = 1;
    } else if (IsFloppy(LoadPath(&CopyJobRecord::sourceSpec))) {
        CopyJob.readDepth = 1;
    }
    if (CopyJob.readDepth < 1) CopyJob.readDepth = 1;
    if (CopyJob.writeDepth < 1) CopyJob.writeDepth = 1;
}

}  // namespace

void SetRunButtons(bool running) {
    output::EnableQueued(Controls.stopButton, running);
    output::EnableQueued(Controls.pauseButton, running);
    output::EnableQueued(Controls.copyButton, !running);
    output::EnableQueued(Controls.sourceBrowse, !running);
    output::EnableQueued(Controls.destinyBrowse, !running);
}

std::string LoadPath(std::string CopyJobRecord::*path) {
    std::lock_guard<std::mutex> hold(CopyJob.pathLock);
    return CopyJob.*path;
}

void StorePath(std::string CopyJobRecord::*path, std::string value) {
    std::lock_guard<std::mutex> hold(CopyJob.pathLock);
    CopyJob.*path = std::move(value);
}

void SearchSource() {
    SyncCheckBoxesUnlessClosed();
    // Read before the lock: reading a box waits for the main thread, which may want the lock.
    std::string source = Unquoted(EditText(Controls.sourceEdit), false);
    std::string destiny = Unquoted(EditText(Controls.destinyEdit), true);
    StorePath(&CopyJobRecord::sourceSpec, source);
    StorePath(&CopyJobRecord::destinyPath, destiny);
    if (source.empty() || destiny.empty()) {
        CopyJob.attempts = 0;
        CopyJob.state = JobState::Idle;
        return;
    }
    CountAttempt();
    int32_t code = rt::FindFirst(os::FromCodePage(source), rt::kAnyFile, CopyJob.entry);
    // "." and ".." and plain folders are passed by in the same search; none is a source.
    while (code == 0 && IsFolderEntry(CopyJob.entry)) code = rt::FindNext(CopyJob.entry);
    if (code != 0) rt::FindClose(CopyJob.entry);
    Settle(JobState::SearchSource, Found(code));
}

void SearchFolder() {
    CountAttempt();
    std::string destiny = os::FromCodePage(LoadPath(&CopyJobRecord::destinyPath));
    int32_t code = rt::FindFirst(rt::InFolder(destiny, "*.*"), rt::kAnyFile, CopyJob.folderEntry);
    rt::FindClose(CopyJob.folderEntry);
    // An empty drive root lists nothing, not even ".": its attributes tell it is there.
    bool present = Found(code) || rt::FolderExists(destiny);
    Settle(JobState::SearchFolder, present);
}

void TryCreateFolder() {
    CountAttempt();
    rt::IoResult();  // judged by this creation alone
    rt::MakeFolder(os::FromCodePage(LoadPath(&CopyJobRecord::destinyPath)));
    Settle(JobState::TryCreateFolder, rt::IoResult() == 0);
}

void StartCopying() {
    output::SetFontQueued(Controls.stateLine, Controls.fonts[kFontHeavy]);
    output::ShowText(Controls.stateLine, "");
    SetRunButtons(true);
    SyncCheckBoxesUnlessClosed();
    if (Settings.clearConsole) output::ClearConsole();
    if (Settings.proceedMinimized) os::ShowWin(Controls.mainWindow, os::kShowMinimize);
    if (!Settings.printProgress) Settings.printDetail = false;
    SetRunDepths();
    StartBlockSizing();
    StartReadableFirst();
    if (Settings.logSettings) output::ReportSettings();
    std::string source = LoadPath(&CopyJobRecord::sourceSpec);
    std::string destiny = LoadPath(&CopyJobRecord::destinyPath);
    output::WriteLongLogEntry("Copying files \"<B>" + source + "</B>\" to " + destiny,
                              output::plain, false);
    CopyTotals = CopyTotalsRecord{};
    CopyJob.sourceFolder = FolderOf(os::FromCodePage(source));
    CopyJob.destinyFolder = os::FromCodePage(destiny);
    CopyJob.destinyListing = rt::FolderListing{};
    output::ReleaseDamageIndex(CopyJob.damageIndex);
    CopyJob.damageIndex = output::DamageIndex{};
    CopyJob.state = JobState::SearchDestiny;
    CopyJob.attempts = 0;
}

void SearchNext() {
    if (CopyJob.readableFirst.secondPass) {
        CopyJob.state = JobState::SecondPass;
        return;
    }
    CountAttempt();
    int32_t code = rt::FindNext(CopyJob.entry);
    Settle(JobState::SearchNext, Found(code));
    if (CopyJob.state == JobState::FinishRun && !CopyJob.readableFirst.files.empty())
        CopyJob.state = JobState::SecondPass;
}

}  // namespace engine
