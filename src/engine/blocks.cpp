// Healthy bytes in blocks: the source read ahead, and stretches of bytes read, written and read
// back in one go. Every count, histogram entry, state and display is what the single steps give;
// wherever the platform refuses or falls short, the single steps take over at that very byte.
#include <algorithm>
#include <cstring>

#include "engine/copy_job.h"
#include "engine/steps.h"
#include "runtime/io_result.h"
#include "settings/settings.h"

namespace engine {

bool blockTransfers = true;
int64_t blockBytes = kLargestBlock;

namespace {

uint8_t sourceBlock[kLargestBlock];
uint8_t readBackBlock[kLargestBlock];

int64_t Listed() { return static_cast<int64_t>(CopyJob.entry.size); }

// Reads up to `count` source bytes at `offset`; how many came, 0 when the read failed.
int64_t ReadSourceAt(int64_t offset, uint8_t* buffer, int64_t count) {
    if (CopyJob.sourcePosition != offset) {
        rt::Seek(CopyJob.sourceFile, offset);
        if (rt::IoResult() != 0) return CopyJob.sourcePosition = -1, 0;
    }
    uint32_t done = 0;
    rt::Read(CopyJob.sourceFile, buffer, static_cast<uint32_t>(count), &done);
    if (rt::IoResult() != 0) return CopyJob.sourcePosition = -1, 0;  // where it stopped is unknown
    CopyJob.sourcePosition = offset + done;
    return done;
}

// Reads the block that starts at `offset`. A block that fails or comes short before the listed
// size leaves the rest of its range to one-byte reads, which retry and make up exactly the
// bytes that cannot be read.
bool FillSourceBlock(int64_t offset) {
    int64_t want = std::min(std::clamp<int64_t>(blockBytes, 1, kLargestBlock), Listed() - offset);
    int64_t got = want > 0 ? ReadSourceAt(offset, sourceBlock, want) : 0;
    if (got < want) CopyJob.oneByteUntil = offset + want;
    if (got <= 0) return false;
    CopyJob.blockStart = offset;
    CopyJob.blockEnd = offset + got;
    return true;
}

bool InBlock(int64_t offset) { return offset >= CopyJob.blockStart && offset < CopyJob.blockEnd; }

// Bytes to copy before the shown percentage rises, so that the display changes at the very
// byte the single steps would change it.
int64_t BytesToNextPercent(int64_t written) {
    if (!Settings.printProgress || CopyJob.percent >= 100) return Listed() - written;
    uint64_t target = CopyJob.percent + 1u, listed = static_cast<uint64_t>(Listed());
    // ceil(target * listed / 100), without forming target * listed
    int64_t rise =
        static_cast<int64_t>(target * (listed / 100) + (target * (listed % 100) + 99) / 100);
    return std::max<int64_t>(rise - written, 1);
}

void CountInHistogram(const uint8_t* bytes, int64_t count) {
    uint32_t counts[4][256] =
        {};  // four tables, so that neighbouring bytes never wait on each other
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

// Reads back `count` written bytes at `offset` and counts those equal to `expected`; returns
// how many came back.
int64_t ReadBack(int64_t offset, const uint8_t* expected, int64_t count, int64_t* equal) {
    *equal = 0;
    if (count == 0) return 0;
    rt::Seek(CopyJob.destinyFile, offset);
    uint32_t done = 0;
    if (rt::IoResult() == 0) rt::Read(CopyJob.destinyFile, readBackBlock, count, &done);
    if (rt::IoResult() != 0) return 0;
    for (uint32_t i = 0; i < done; ++i) {
        bool same = readBackBlock[i] == expected[i];
        *equal += same;
        if (!same) NoteDamage(differs, offset + i, offset + i);
    }
    if (done > 0) CopyJob.verifyByte = readBackBlock[done - 1];
    return done;
}

// The states the single steps would have run for `count` bytes, the last ending in `next`.
void TraceBytes(int64_t count, int32_t next) {
    if (traceHook == nullptr) return;
    for (int64_t i = 0; i < count; ++i) {
        traceHook(JobState::ReadByte);
        traceHook(JobState::WriteByte);
        if (i + 1 < count || next == JobState::ReadByte) traceHook(JobState::VerifyByte);
    }
}

}  // namespace

void ForgetSourceBlock() {
    CopyJob.blockStart = CopyJob.blockEnd = CopyJob.oneByteUntil = CopyJob.sourcePosition = 0;
}

bool ReadSourceByte(int64_t offset, uint8_t* byte) {
    CopyJob.transferred = 0;
    if (blockTransfers && !InBlock(offset) && offset >= CopyJob.oneByteUntil)
        FillSourceBlock(offset);
    if (blockTransfers && InBlock(offset)) {
        *byte = sourceBlock[offset - CopyJob.blockStart];
    } else if (ReadSourceAt(offset, byte, 1) != 1) {
        return false;
    }
    CopyJob.transferred = 1;
    return true;
}

bool CopyStretch() {
    int64_t start = CopyJob.fileBytesWritten;
    if (!blockTransfers || start >= Listed()) return false;
    if (!InBlock(start) && (start < CopyJob.oneByteUntil || !FillSourceBlock(start))) return false;
    int64_t count =
        std::min({CopyJob.blockEnd - start, Listed() - start, BytesToNextPercent(start)});
    const uint8_t* bytes = sourceBlock + (start - CopyJob.blockStart);
    uint32_t written = 0;
    rt::Write(CopyJob.destinyFile, bytes, static_cast<uint32_t>(count), &written);
    rt::IoResult();  // a write that fell short is known by its count
    if (written == 0) return false;
    int64_t counted = written, equal = 0;
    int32_t next = start + counted == Listed() ? JobState::CloseSource : JobState::ReadByte;
    bool firstReadBackFailed = false;
    if (Settings.verifyData) {
        int64_t check = next == JobState::CloseSource ? counted - 1 : counted;  // never the last
        int64_t back = ReadBack(start, bytes, check, &equal);
        // The first byte not read back is counted as written; the single steps read it back. A
        // read back that failed at its very first byte was that byte's first attempt.
        if (back < check) counted = back + 1, next = JobState::VerifyByte;
        firstReadBackFailed = check > 0 && back == 0;
    }
    CountInHistogram(bytes, counted);
    CopyJob.fileBytesRead += counted;
    CopyTotals.bytesRead += counted;
    CopyJob.fileBytesWritten += counted;
    CopyTotals.bytesWritten += counted;
    CopyJob.fileBytesVerified += equal;
    CopyTotals.bytesVerified += equal;
    CopyJob.byteBuffer = bytes[counted - 1];
    CopyJob.transferred = 1;
    CopyJob.state = next;
    CopyJob.attempts = firstReadBackFailed ? 1 : 0;
    TraceBytes(counted, next);
    if (firstReadBackFailed && traceHook) traceHook(JobState::VerifyByte);
    ShowCopyProgress();
    return true;
}

}  // namespace engine
