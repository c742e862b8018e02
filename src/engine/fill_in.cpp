// Filling in: a destiny file that tramox.damage says the last run could not finish, that nobody
// has changed since, and whose source is the one it was copied from, gets only the bytes the
// record lists, read again from that source.
#include <algorithm>

#include "engine/copy_job.h"
#include "engine/retry.h"
#include "engine/steps.h"
#include "output/messages.h"
#include "runtime/dir_search.h"
#include "runtime/io_result.h"
#include "runtime/text.h"

namespace engine {

namespace {

constexpr uint32_t kGuardBits = os::kAttrReadOnly | os::kAttrHidden | os::kAttrSystem;
constexpr int kComparedBytes = 64;
// FAT keeps local times, which Windows shows an hour off across a daylight-saving change.
constexpr uint64_t kHour = 36000000000ull;

void PutBackAttributes() {
    if (!CopyJob.fillIn.attributesTaken) return;
    CopyJob.fillIn.attributesTaken = false;
    os::SetAttributes(CopyJob.destinyFile.name.c_str(), CopyJob.fillIn.attributes);
}

// The source found now has the recorded one's name, listed size and last-write time; its folder
// and drive may differ, as a disc moves to another drive.
bool SameSource(const output::SourceIdentity& recorded) {
    const rt::DirEntry& now = CopyJob.entry;
    std::string_view name = recorded.path;
    name.remove_prefix(std::min(name.size(), name.find_last_of('\\') + 1));
    uint64_t apart =
        std::max(now.writeTime, recorded.writeTime) - std::min(now.writeTime, recorded.writeTime);
    return os::SameName(name, now.fullName) && now.size == recorded.size &&
           (apart == 0 || apart == kHour);
}

// Nothing past the source's end is filled in, and every byte the copy lacks up to it is: a
// record that lost its last line still gets the copy's tail. False: the copy is longer than
// the source, so it was never made from it.
bool BoundBySource(output::RecordedDamage& listed) {
    int64_t source = static_cast<int64_t>(CopyJob.entry.size);
    int64_t copy = static_cast<int64_t>(listed.size);
    if (copy > source) return false;
    std::vector<ByteRange>& lost = listed.ranges[missing];
    listed.listedBytes -= output::ByteCount(lost);
    lost.clear();
    if (copy < source) lost.push_back(ByteRange{copy, source - 1});
    listed.listedBytes += output::ByteCount(lost);
    return true;
}

// One read of the byte at `at`; false when it cannot be read.
bool ByteAt(os::FileHandle file, int64_t at, uint8_t* byte) {
    uint32_t got = 0;
    return os::ReadFileAt(file, at, byte, 1, &got) == 0 && got == 1;
}

// How many of the bytes at `places` the source and the copy both give alike, one attempt each;
// -1 when one differs. The platform itself: these reads count nowhere.
int Agreeing(const std::string& copy, const std::vector<int64_t>& places) {
    constexpr uint32_t kShare = os::kShareRead | os::kShareWrite;
    os::FileHandle from = os::kInvalidFile, to = os::kInvalidFile;
    int same = 0;
    if (os::OpenFile(SourcePath().c_str(), os::kAccessRead, kShare, os::kOpenExisting,
                     os::kAttrNormal, &from) == 0 &&
        os::OpenFile(copy.c_str(), os::kAccessRead, kShare, os::kOpenExisting, os::kAttrNormal,
                     &to) == 0)
        for (size_t i = 0; i < places.size() && same >= 0; ++i) {
            uint8_t original = 0, copied = 0;
            if (ByteAt(from, places[i], &original) && ByteAt(to, places[i], &copied))
                same = original == copied ? same + 1 : -1;
        }
    for (os::FileHandle file : {from, to})
        if (file != os::kInvalidFile) os::CloseFile(file);
    return same;
}

}  // namespace

Existing FillInWanted(const std::string& destiny) {
    CopyJob.fillIn = FillInRecord{};
    output::RecordedDamage listed;
    if (output::LatestDamage(CopyJob.damageIndex,
                             output::RecordPath(CopyJob.destinyFolder, CopyJob.entry.fullName),
                             &listed) != output::Recorded::Sound ||
        listed.complete)
        return Existing::Keep;
    rt::DirEntry now;
    bool found = rt::FindFirst(destiny, rt::kAnyFile, now) == 0;
    rt::FindClose(now);
    rt::IoResult();
    // A copy changed since the record was written is the user's now: never touched.
    if (!found || now.size != listed.size || now.writeTime != listed.writeTime)
        return Existing::Keep;
    if ((listed.sourceKnown && !SameSource(listed.source)) || !BoundBySource(listed))
        return Existing::Keep;
    // A few bytes the copy holds tell whether this is its source; older lines name none, so
    // for them the bytes alone decide.
    int same = Agreeing(destiny, output::UnlistedNear(listed, now.size, kComparedBytes));
    if (same < 0) return Existing::Foreign;
    if ((same == 0 && !listed.sourceKnown) || listed.listedBytes == 0) return Existing::Keep;
    CopyJob.fillIn.listed = std::move(listed);
    CopyJob.fillIn.copySize = static_cast<int64_t>(now.size);
    CopyJob.fillIn.active = true;
    return Existing::Fill;
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
    const ByteRange* range =
        output::ListedFrom(CopyJob.fillIn.listed, CopyJob.fileBytesWritten, &kind);
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
    const ByteRange* range =
        output::ListedFrom(CopyJob.fillIn.listed, CopyJob.fileBytesWritten, &kind);
    return range ? range->last - CopyJob.fileBytesWritten + 1 : 0;
}

bool KeepUnreadable() {
    DamageKind kind = missing;
    const ByteRange* range =
        output::ListedFrom(CopyJob.fillIn.listed, CopyJob.fileBytesWritten, &kind);
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
        for (const ByteRange& range : CopyJob.fillIn.listed.ranges[kind])
            if (range.last >= CopyJob.fileBytesWritten)
                NoteDamage(static_cast<DamageKind>(kind),
                           std::max(range.first, CopyJob.fileBytesWritten), range.last);
}

void FinishFillIn() {
    PutBackAttributes();
    const std::string name = CopyJob.entry.name.str();
    std::string head = "Filled in " + rt::NumberText(CopyJob.fileBytesRead).str() + " of " +
                       rt::NumberText(CopyJob.fillIn.listed.listedBytes).str() + " bytes of \"";
    std::string ranges = CopyJob.fileBytesRead > 0
                             ? ": " + RangesThatFit(head + name + "\": ", CopyJob.fillIn.filled)
                             : "";
    output::WriteConsoleLine(head + name + "\"" + ranges);
    head[0] = 'f';
    output::WriteLongLogEntry(head + "<B>" + name + "</B>\"" + ranges, output::notice, false);
}

void ReleaseFillIn() { PutBackAttributes(); }

}  // namespace engine
