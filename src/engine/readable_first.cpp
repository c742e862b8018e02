// Readable first: a first pass that skips each bad spot's 512-byte unit, and more while units
// keep failing, so that every readable byte of every file is saved before time goes to the bad
// spots; then a second pass that gives the skipped bytes their attempts, as a fill-in would.
// Every byte gets as many attempts as in a run without it; only their order changes.
#include <algorithm>
#include <string>
#include <vector>

#include "engine/copy_job.h"
#include "engine/retry.h"
#include "engine/steps.h"
#include "output/messages.h"
#include "runtime/text.h"
#include "settings/settings.h"

namespace engine {

namespace {

constexpr int64_t kUnit = 512;  // what a failing medium loses at once
constexpr int64_t kLongestSkip = 1 << 20;

std::string Number(int64_t value) { return rt::NumberText(value).str(); }

}  // namespace

void StartReadableFirst() {
    CopyJob.readableFirst = ReadableFirstRecord{};
    // A halted copy stops at its first bad byte.
    CopyJob.readableFirst.on = Settings.readableFirst && !Settings.haltOnFirstError;
}

bool SkipBadUnit() {
    ReadableFirstRecord& first = CopyJob.readableFirst;
    if (!first.on || first.secondPass || CopyJob.fillIn.active) return false;
    int64_t at = CopyJob.fileBytesWritten, size = static_cast<int64_t>(CopyJob.entry.size);
    int64_t length = first.skipsInRow == 0
                         ? kUnit - at % kUnit
                         : std::min(kUnit << std::min(first.skipsInRow, 11), kLongestSkip);
    length = std::min(length, size - at);
    if (length <= 0) return false;
    const std::vector<uint8_t> madeUp(static_cast<size_t>(length), MadeUpByte());
    if (!MoveStretch(madeUp.data(), length, true)) return false;
    int64_t skipped = CopyJob.fileBytesWritten - at;
    AddRange(first.skipped, at, at + skipped - 1);
    first.tried.push_back(at);
    ++first.skipsInRow;
    return true;
}

void NoteSkippedFile() {
    ReadableFirstRecord& first = CopyJob.readableFirst;
    if (first.skipped.empty() || first.secondPass) return;
    SkippedFile file{CopyJob.entry, std::move(first.skipped), std::move(first.tried)};
    file.entry.handle = os::kInvalidFind;  // the search's, closed with it
    first.files.push_back(std::move(file));
    first.skipped.clear();
    first.tried.clear();
    first.skipsInRow = 0;
}

int32_t TriedBefore(int64_t at) {
    const ReadableFirstRecord& first = CopyJob.readableFirst;
    if (!first.secondPass || first.next == 0) return 0;
    const std::vector<int64_t>& tried = first.files[first.next - 1].tried;
    return std::binary_search(tried.begin(), tried.end(), at) ? 1 : 0;
}

// Each noted file in first-pass order, filled in from the notes: within the run they are the
// truth, so no byte of the copy is compared with its source first.
void SecondPass() {
    ReadableFirstRecord& first = CopyJob.readableFirst;
    CopyJob.attempts = 0;
    if (first.next >= first.files.size()) {
        CopyJob.state = JobState::FinishRun;
        return;
    }
    if (!first.secondPass) {
        int64_t bytes = 0;
        for (const SkippedFile& file : first.files) bytes += output::ByteCount(file.skipped);
        const std::string text = "Second pass: reading again " + Number(bytes) + " bytes of " +
                                 Number(static_cast<int64_t>(first.files.size())) + " files";
        output::WriteConsoleLine(text);
        output::WriteLongLogEntry(text, output::notice, false);
        first.secondPass = true;
        rt::FindClose(CopyJob.entry);  // the sources' search is over
    }
    const SkippedFile& file = first.files[first.next++];
    CopyJob.entry = file.entry;
    CopyJob.fillIn = FillInRecord{};
    CopyJob.fillIn.active = true;
    CopyJob.fillIn.copySize = static_cast<int64_t>(file.entry.size);
    output::RecordedDamage& listed = CopyJob.fillIn.listed;
    listed.size = file.entry.size;
    listed.ranges[madeUp] = file.skipped;
    listed.listedBytes = output::ByteCount(file.skipped);
    CopyJob.state = JobState::PrepareSource;
}

}  // namespace engine
