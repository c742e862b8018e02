// The data path of one file: the steps that read, make up, write and read back its bytes, a
// healthy stretch moved in one go, and the one place where bytes are counted (read, written,
// verified, the histogram, the damage, the last-byte rule and the progress): a single step is
// the stretch of one byte.
#include <algorithm>

#include "engine/copy_job.h"
#include "engine/retry.h"
#include "engine/steps.h"
#include "output/controls.h"
#include "output/display.h"
#include "output/progress_bar.h"
#include "runtime/io_result.h"
#include "runtime/text.h"
#include "settings/settings.h"

namespace engine {

namespace {

uint64_t ListedSize() { return CopyJob.entry.size; }

// One record from the file's position; `transferred` gets how many came. True when one did.
bool ReadRecord(rt::ByteFile& file, uint8_t* byte) {
    uint32_t done = 0;
    rt::Read(file, byte, 1, &done);
    CopyJob.transferred = static_cast<int32_t>(done);
    return rt::IoResult() == 0 && done == 1;
}

ShortText ProgressText() {
    ShortText text = rt::NumberText(CopyJob.percent) + "%";
    if (Settings.printDetail)
        text += ShortText(" of ") + rt::NumberText(static_cast<int64_t>(ListedSize())) + "bytes";
    return text;
}

}  // namespace

// Zero, or the most frequent value read so far in this process; ties go to the lowest value.
uint8_t MadeUpByte() {
    if (Settings.subDamagedBitByZero) return 0;
    int best = 0;
    for (int value = 1; value < 256; ++value)
        if (CopyJob.byteHistogram[value] > CopyJob.byteHistogram[best]) best = value;
    return static_cast<uint8_t>(best);
}

uint8_t PercentOf(uint64_t done, uint64_t size) {
    if (size == 0) return 100;
    if (size <= UINT64_MAX / 100) return static_cast<uint8_t>(done * 100 / size);
    // done * 100 would not fit: add done a hundred times, carrying whole sizes out as we go.
    uint64_t quotient = 0, remainder = 0;
    for (int i = 0; i < 100; ++i) {
        uint64_t room = size - remainder;  // remainder < size, so this never wraps
        if (done >= room) {
            remainder = done - room;
            ++quotient;
        } else {
            remainder += done;
        }
    }
    return static_cast<uint8_t>(quotient);
}

namespace {

// Bytes to copy before the shown percentage rises, so that the display changes at the very
// byte the single steps would change it.
int64_t BytesToNextPercent(int64_t written) {
    int64_t listed = static_cast<int64_t>(ListedSize());
    if (!Settings.printProgress || CopyJob.percent >= 100) return listed - written;
    uint64_t target = CopyJob.percent + 1u, size = ListedSize();
    // ceil(target * size / 100), without forming target * size
    int64_t rise = static_cast<int64_t>(target * (size / 100) + (target * (size % 100) + 99) / 100);
    return std::max<int64_t>(rise - written, 1);
}

void CountInHistogram(const uint8_t* bytes, int64_t count) {
    // Four tables, so that neighbouring bytes never wait on each other.
    uint32_t counts[4][256] = {};
    int64_t i = 0;
    for (; i + 4 <= count; i += 4) {
        ++counts[0][bytes[i]];
        ++counts[1][bytes[i + 1]];
        ++counts[2][bytes[i + 2]];
        ++counts[3][bytes[i + 3]];
    }
    for (; i < count; ++i) ++counts[0][bytes[i]];
    for (int value = 0; value < 256; ++value)
        CopyJob.byteHistogram[value] +=
            counts[0][value] + counts[1][value] + counts[2][value] + counts[3][value];
}

// The states the single steps would have run for `count` bytes after the first byte's ReadByte,
// which the worker has told; the last byte ends in `next`.
void TraceBytes(int64_t count, JobState next) {
    if (traceHook == nullptr) return;
    for (int64_t i = 0; i < count; ++i) {
        if (i > 0) traceHook(JobState::ReadByte);
        traceHook(JobState::WriteByte);
        if (i + 1 < count || next == JobState::ReadByte) traceHook(JobState::VerifyByte);
    }
}

}  // namespace

// False when the write took nothing: the single steps then take the first byte.
bool MoveStretch(const uint8_t* bytes, int64_t count, bool madeUp) {
    int64_t start = CopyJob.fileBytesWritten;
    uint32_t written = 0;
    rt::Write(CopyJob.destinyFile, bytes, static_cast<uint32_t>(count), &written);
    rt::IoResult();  // a write that fell short is known by its count
    if (written == 0) return false;
    int64_t counted = written;
    bool lastOfFile = start + counted == static_cast<int64_t>(ListedSize());
    int64_t check = Settings.verifyData ? counted - (lastOfFile ? 1 : 0) : 0;
    int64_t back = ReadBack(start, bytes, check);
    // The first byte not read back is counted as written and left to VerifyByte; what lies on
    // the destiny after it waits for Stop or for the single steps to write it again.
    if (back < check) {
        counted = back + 1;
        CopyJob.writtenAhead = start + written;
    }
    if (!madeUp) CountRead(bytes, counted);
    CountWritten(counted, madeUp);
    CopyJob.byteBuffer = bytes[counted - 1];
    JobState next = CopyJob.state == JobState::CloseSource ? JobState::CloseSource
                    : back < check                         ? JobState::VerifyByte
                                                           : JobState::ReadByte;
    bool firstReadBackFailed = check > 0 && back == 0;  // that byte's first attempt
    CopyJob.state = next;
    CopyJob.attempts = firstReadBackFailed ? 1 : 0;
    TraceBytes(counted, next);
    if (firstReadBackFailed && traceHook) traceHook(JobState::VerifyByte);
    return true;
}

void CountRead(const uint8_t* bytes, int64_t count) {
    int64_t first = CopyJob.fileBytesWritten;
    if (CopyJob.fillIn.active) AddRange(CopyJob.fillIn.filled, first, first + count - 1);
    CountInHistogram(bytes, count);
    CopyJob.fileBytesRead += count;
    CopyTotals.bytesRead += count;
}

void CountWritten(int64_t count, bool madeUp) {
    int64_t first = CopyJob.fileBytesWritten;
    if (madeUp) NoteDamage(DamageKind::madeUp, first, first + count - 1);
    // The second pass writes again what the first counted as made up.
    if (!CopyJob.readableFirst.secondPass) CopyTotals.bytesWritten += count;
    CopyJob.fileBytesWritten += count;
    // The last byte of a file is never read back; nothing is written past it.
    bool last = static_cast<uint64_t>(CopyJob.fileBytesWritten) >= ListedSize();
    CopyJob.state = last ? JobState::CloseSource : JobState::VerifyByte;
    ShowCopyProgress();
}

// Counted in a local first: the byte pointers may alias the records, and the compiler would store
// both counters at every byte.
void CountVerified(int64_t offset, const uint8_t* expected, const uint8_t* back, int64_t count) {
    int64_t same = 0;
    for (int64_t i = 0; i < count; ++i) {
        if (back[i] == expected[i])
            ++same;
        else
            NoteDamage(DamageKind::differs, offset + i, offset + i);
    }
    CopyJob.fileBytesVerified += same;
    if (!CopyJob.readableFirst.secondPass) CopyTotals.bytesVerified += same;
    if (count > 0) CopyJob.verifyByte = back[count - 1];
}

void CountWrittenAhead() {
    int64_t ahead = CopyJob.writtenAhead - CopyJob.fileBytesWritten;
    const uint8_t* bytes = nullptr;
    bool failed = false;
    if (ahead <= 0 || ReadSource(CopyJob.fileBytesWritten, ahead, ahead, &bytes, &failed) < ahead)
        return;
    CountRead(bytes, ahead);
    CountWritten(ahead, false);
}

// One read attempt at the byte at fileBytesWritten: a made-up byte stands for exactly one
// unreadable byte, and the next read is the byte after it. A block that came with it moves on
// as a stretch; a lone byte goes to WriteByte.
void ReadByte() {
    if (CopyJob.fillIn.active && CopyJob.attempts == 0) {
        if (!SeekListed()) {
            CopyJob.state = JobState::CloseSource;  // nothing listed is left
            return;
        }
        CopyJob.attempts = TriedBefore(CopyJob.fileBytesWritten);
    }
    // A byte the first pass and a failed read ahead have given every attempt keeps its byte.
    if (CopyJob.attempts > DepthOf(JobState::ReadByte) && KeepUnreadable()) {
        CopyJob.attempts = 0;
        return;
    }
    CountAttempt();
    const uint8_t* bytes = nullptr;
    int64_t at = CopyJob.fileBytesWritten, wanted = BytesToNextPercent(at);
    // A fill-in reads nothing it does not list.
    int64_t reach = CopyJob.fillIn.active ? ListedLeft() : static_cast<int64_t>(ListedSize()) - at;
    wanted = std::min(wanted, reach);
    bool nextFailed = false;
    int64_t got = ReadSource(at, wanted, reach, &bytes, &nextFailed);
    CopyJob.transferred = got > 0 ? 1 : 0;
    Outcome outcome = Settle(JobState::ReadByte, got > 0);
    if (outcome == Outcome::Again && CopyJob.attempts == 1 && SkipBadUnit()) return;
    if (outcome == Outcome::Succeeded) CopyJob.readableFirst.skipsInRow = 0;
    if (outcome == Outcome::Exhausted && Settings.haltOnFirstError)
        CopyJob.state = JobState::CloseSource;
    else if (outcome == Outcome::Exhausted)
        KeepUnreadable();
    if (outcome != Outcome::Succeeded) return;
    CopyJob.byteMadeUp = false;
    int64_t count = std::min(got, wanted);
    if ((count > 1 || nextFailed) && MoveStretch(bytes, count, false)) {
        // The read that ended the stretch was the next byte's first attempt.
        bool next = nextFailed && CopyJob.fileBytesWritten == at + count;
        if (next && CopyJob.state == JobState::ReadByte) {
            CopyJob.attempts = 1 + TriedBefore(CopyJob.fileBytesWritten);
            if (traceHook) traceHook(JobState::ReadByte);
            if (CopyJob.attempts == 1) SkipBadUnit();
        }
        return;
    }
    CopyJob.byteBuffer = bytes[0];
    CountRead(bytes, 1);
    CopyJob.state = JobState::WriteByte;
}

// Touches neither the source nor a counter: the made-up byte is counted as written, never as
// read.
void SubstituteByte() {
    CopyJob.byteBuffer = MadeUpByte();
    CopyJob.byteMadeUp = true;  // recorded once it is written
    CopyJob.state = Settings.haltOnFirstError ? JobState::CloseSource : JobState::WriteByte;
}

void WriteByte() {
    CountAttempt();
    uint32_t done = 0;
    rt::Write(CopyJob.destinyFile, &CopyJob.byteBuffer, 1, &done);
    CopyJob.transferred = static_cast<int32_t>(done);
    bool written = rt::IoResult() == 0 && done == 1;
    if (Settle(JobState::WriteByte, written) != Outcome::Succeeded) return;
    CountWritten(1, CopyJob.byteMadeUp);
    CopyJob.byteMadeUp = false;
}

void ShowCopyProgress() {
    if (!Settings.printProgress) return;
    uint8_t percent = PercentOf(static_cast<uint64_t>(CopyJob.fileBytesWritten), ListedSize());
    if (percent <= CopyJob.percent) return;
    CopyJob.percent = percent;
    ShortText text = ProgressText();
    output::ShowText(Controls.progressLine, text);
    if (Settings.updateTitle) {
        ShortText title = ShortText("tramox (") + CopyJob.entry.name + " " + text + ")";
        output::ShowText(Controls.mainWindow, title);
    }
    if (Settings.showProgressBar) output::ShowProgressBar(output::FilledCells(percent));
}

// Reads back what the disk holds, however often that fails.
void VerifyByte() {
    if (!Settings.verifyData) {
        CopyJob.state = JobState::ReadByte;
        CopyJob.attempts = 0;
        return;
    }
    CountAttempt();
    rt::Seek(CopyJob.destinyFile, CopyJob.fileBytesWritten - 1);
    uint8_t back = 0;
    bool read = ReadRecord(CopyJob.destinyFile, &back);
    if (Settle(JobState::VerifyByte, read) != Outcome::Succeeded) return;
    CountVerified(CopyJob.fileBytesWritten - 1, &CopyJob.byteBuffer, &back, 1);
}

}  // namespace engine
