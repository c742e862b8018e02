// Filling in: a destiny file that tramox.damage says the last run could not finish, and that
// nobody has changed since, gets only the bytes the record lists, read again from the source.
#include <algorithm>

#include "engine/copy_job.h"
#include "engine/retry.h"
#include "engine/steps.h"
#include "output/damage_file.h"
#include "output/messages.h"
#include "runtime/dir_search.h"
#include "runtime/io_result.h"
#include "runtime/text.h"

namespace engine {

namespace {

constexpr uint32_t kGuardBits = os::kAttrReadOnly | os::kAttrHidden | os::kAttrSystem;

// The listed range holding `at`, or the first after it; nullptr when none is left.
const ByteRange* ListedFrom(int64_t at, DamageKind* kind) {
    const ByteRange* best = nullptr;
    for (int k = 0; k < kDamageKinds; ++k)
        for (const ByteRange& range : CopyJob.fillIn.listed[k]) {
            if (range.last < at || (best && range.first >= best->first)) continue;
            best = &range;
            *kind = static_cast<DamageKind>(k);
        }
    return best;
}

void PutBackAttributes() {
    if (!CopyJob.fillIn.attributesTaken) return;
    CopyJob.fillIn.attributesTaken = false;
    os::SetAttributes(CopyJob.destinyFile.name.c_str(), CopyJob.fillIn.attributes);
}

}  // namespace

bool FillInWanted(const std::string& destiny) {
    CopyJob.fillIn = FillInRecord{};
    output::RecordedDamage recorded;
    if (!output::LatestDamage(destiny, &recorded) || recorded.complete) return false;
    rt::DirEntry now;
    bool found = rt::FindFirst(destiny, rt::kAnyFile, now) == 0;
    rt::FindClose(now);
    rt::IoResult();
    // A copy changed since the record was written is the user's now: never touched.
    if (!found || now.size != recorded.size || now.writeTime != recorded.writeTime) return false;
    for (int kind = 0; kind < kDamageKinds; ++kind)
        for (auto [first, last] : recorded.ranges[kind]) {
            // Bytes on the file lie inside it; only bytes never written lie past its end.
            if (kind != missing && last >= static_cast<int64_t>(now.size)) return false;
            CopyJob.fillIn.listed[kind].push_back(ByteRange{first, last});
            CopyJob.fillIn.listedBytes += last - first + 1;
        }
    CopyJob.fillIn.active = CopyJob.fillIn.listedBytes > 0;
    return CopyJob.fillIn.active;
}

// Opened as it is, never truncated; its guarding bits are off while it is open.
void OpenDestiny() {
    CountAttempt();
    const char* path = CopyJob.destinyFile.name.c_str();
    uint32_t attributes = 0;
    if (!CopyJob.fillIn.attributesTaken && os::GetAttributes(path, &attributes) == 0 &&
        (attributes & kGuardBits)) {
        CopyJob.fillIn.attributes = attributes;
        CopyJob.fillIn.attributesTaken = os::SetAttributes(path, attributes & ~kGuardBits) == 0;
    }
    rt::Open(CopyJob.destinyFile, os::kAccessRead | os::kAccessWrite, 0, os::kOpenExisting,
             os::kAttrNormal);
    Outcome outcome = Settle(JobState::OpenDestiny, rt::IoResult() == 0);
    if (outcome == Outcome::Exhausted) ReleaseFiles();
    if (outcome != Outcome::Succeeded) return;
    StartDestinyFile();
}

bool SeekListed() {
    DamageKind kind = missing;
    const ByteRange* range = ListedFrom(CopyJob.fileBytesWritten, &kind);
    if (range == nullptr) return false;
    if (range->first > CopyJob.fileBytesWritten) {
        CopyJob.fileBytesWritten = range->first;
        rt::Seek(CopyJob.destinyFile, range->first);
        rt::IoResult();  // a failed seek shows in the write that follows
    }
    return true;
}

int64_t ListedLeft() {
    DamageKind kind = missing;
    const ByteRange* range = ListedFrom(CopyJob.fileBytesWritten, &kind);
    return range ? range->last - CopyJob.fileBytesWritten + 1 : 0;
}

bool KeepUnreadable() {
    DamageKind kind = missing;
    const ByteRange* range = ListedFrom(CopyJob.fileBytesWritten, &kind);
    if (!CopyJob.fillIn.active || range == nullptr || kind == missing) return false;
    int64_t at = CopyJob.fileBytesWritten;
    NoteDamage(kind, at, at);  // it stays what it was
    CopyJob.fileBytesWritten = at + 1;
    rt::Seek(CopyJob.destinyFile, at + 1);
    rt::IoResult();
    CopyJob.state = JobState::ReadByte;
    return true;
}

void NoteUntried() {
    for (int kind = 0; kind < kDamageKinds; ++kind)
        for (const ByteRange& range : CopyJob.fillIn.listed[kind])
            if (range.last >= CopyJob.fileBytesWritten)
                NoteDamage(static_cast<DamageKind>(kind),
                           std::max(range.first, CopyJob.fileBytesWritten), range.last);
}

void FinishFillIn() {
    PutBackAttributes();
    const std::string name = CopyJob.entry.name.str();
    std::string head = "Filled in " + rt::NumberText(CopyJob.fileBytesRead).str() + " of " +
                       rt::NumberText(CopyJob.fillIn.listedBytes).str() + " bytes of \"";
    std::string ranges = CopyJob.fileBytesRead > 0
                             ? ": " + RangesThatFit(head + name + "\": ", CopyJob.fillIn.filled)
                             : "";
    output::WriteConsoleLine(ShortText(head + name + "\"" + ranges));
    head[0] = 'f';
    output::WriteLongLogEntry(head + "<B>" + name + "</B>\"" + ranges, output::notice, false);
}

void ReleaseFillIn() { PutBackAttributes(); }

}  // namespace engine
