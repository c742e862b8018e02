// The data path of one file: a byte read, made up, written and read back per step, and the
// progress display.
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

// The most frequent value read so far in this process; ties go to the lowest value.
uint8_t MostFrequentByte() {
    int best = 0;
    for (int value = 1; value < 256; ++value)
        if (CopyJob.byteHistogram[value] > CopyJob.byteHistogram[best]) best = value;
    return static_cast<uint8_t>(best);
}

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

// The byte being copied is always the one at fileBytesWritten: a made-up byte stands for exactly
// one unreadable byte, and the next read is the byte after it.
void ReadByte() {
    CountAttempt();
    bool read = ReadSourceByte(CopyJob.fileBytesWritten, &CopyJob.byteBuffer);
    int32_t giveUp = Settings.haltOnFirstError ? JobState::CloseSource : JobState::SubstituteByte;
    if (Settle(JobState::ReadByte, read, JobState::WriteByte, giveUp) != Outcome::Succeeded) return;
    ++CopyJob.fileBytesRead;
    ++CopyTotals.bytesRead;
    ++CopyJob.byteHistogram[CopyJob.byteBuffer];
    CopyJob.byteMadeUp = false;
}

// Touches neither the source nor a counter: the made-up byte is counted as written, never as
// read.
void SubstituteByte() {
    CopyJob.byteBuffer = Settings.subDamagedBitByZero ? 0 : MostFrequentByte();
    CopyJob.byteMadeUp = true;  // recorded once it is written
    CopyJob.state = Settings.haltOnFirstError ? JobState::CloseSource : JobState::WriteByte;
}

void WriteByte() {
    CountAttempt();
    uint32_t done = 0;
    rt::Write(CopyJob.destinyFile, &CopyJob.byteBuffer, 1, &done);
    CopyJob.transferred = static_cast<int32_t>(done);
    bool written = rt::IoResult() == 0 && done == 1;
    if (Settle(JobState::WriteByte, written, JobState::VerifyByte, JobState::CloseSource) !=
        Outcome::Succeeded)
        return;
    if (CopyJob.byteMadeUp) NoteDamage(madeUp, CopyJob.fileBytesWritten, CopyJob.fileBytesWritten);
    CopyJob.byteMadeUp = false;
    ++CopyTotals.bytesWritten;
    ++CopyJob.fileBytesWritten;
    // The last byte of a file is never read back.
    if (static_cast<uint64_t>(CopyJob.fileBytesWritten) == ListedSize())
        CopyJob.state = JobState::CloseSource;
    ShowCopyProgress();
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
    bool read = ReadRecord(CopyJob.destinyFile, &CopyJob.verifyByte);
    if (Settle(JobState::VerifyByte, read, JobState::ReadByte, JobState::VerifyByte) !=
        Outcome::Succeeded)
        return;
    if (CopyJob.verifyByte != CopyJob.byteBuffer) {
        NoteDamage(differs, CopyJob.fileBytesWritten - 1, CopyJob.fileBytesWritten - 1);
        return;
    }
    ++CopyJob.fileBytesVerified;
    ++CopyTotals.bytesVerified;
}

}  // namespace engine
