// The source read ahead in blocks sized by the medium's speed, and the read-back of a stretch.
// A read that comes short leaves the byte where it stopped to one-byte attempts; a read that
// fails whole is walked one byte per read up to the byte that fails. Once that byte is settled,
// reads grow again at once, 1, 2, 4, ... bytes up to the sized block, so that a bad spot costs a
// few reads, and a later bad byte is met by at most one uncounted read, as in a block.
#include <algorithm>

#include "engine/copy_job.h"
#include "engine/steps.h"
#include "runtime/io_result.h"

namespace engine {

bool blockTransfers = true;
int64_t blockBytes = kLargestBlock;

namespace {

constexpr int64_t kPage = 4096;
// The time one block read may take: the write and read-back of its stretch come on top, and a
// stretch should end within about 50 ms.
constexpr double kBlockSeconds = 0.025;

uint8_t sourceBlock[kLargestBlock];
uint8_t readBackBlock[kLargestBlock];
int64_t sizedBlock = kPage;  // the medium's pace carries over from file to file of a run

bool InBlock(int64_t offset) { return offset >= CopyJob.blockStart && offset < CopyJob.blockEnd; }

int64_t Largest() {
    return std::min(sizedBlock, std::clamp<int64_t>(blockBytes, 1, kLargestBlock));
}

// The next block's size from the last read's rate: no more than four times the last block, so
// that a slow medium is found out before a long read.
void SizeNextBlock(int64_t bytes, uint64_t microseconds) {
    double seconds = microseconds / 1e6;
    double fits = seconds > 0 ? bytes * (kBlockSeconds / seconds) : 4.0 * bytes;
    sizedBlock = static_cast<int64_t>(std::min(fits, 4.0 * bytes));
    sizedBlock = std::clamp<int64_t>(sizedBlock, kPage, kLargestBlock);
}

// One read of up to `count` source bytes at `offset`; how many came, 0 when the read failed.
int64_t ReadSourceAt(int64_t offset, uint8_t* buffer, int64_t count) {
    uint32_t done = 0;
    rt::ReadAt(CopyJob.sourceFile, offset, buffer, static_cast<uint32_t>(count), &done);
    return rt::IoResult() != 0 ? 0 : done;
}

// A read that stopped `got` bytes into the `want` at `at`: the byte where it stopped is read
// alone; a read that failed whole is walked one byte per read, as which byte is bad is not known.
void MetBadSpot(int64_t at, int64_t got, int64_t want) {
    CopyJob.walkEnd = got > 0 ? at + got + 1 : at + want;
    CopyJob.growth = 1;
}

// One-byte reads from `offset`, the healthy ones gathered into one stretch up to the end of the
// walk; a failed one after the first is the next byte's first attempt.
int64_t Walk(int64_t offset, int64_t until, bool* nextFailed) {
    int64_t got = ReadSourceAt(offset, sourceBlock, 1);
    CopyJob.blockEnd = offset + got;
    if (got == 0) {
        MetBadSpot(offset, 0, 1);
        return 0;
    }
    while (blockTransfers && CopyJob.blockEnd < std::min(until, CopyJob.walkEnd)) {
        int64_t at = CopyJob.blockEnd;
        if (ReadSourceAt(at, sourceBlock + (at - offset), 1) != 1) {
            MetBadSpot(at, 0, 1);
            *nextFailed = true;
            break;
        }
        ++CopyJob.blockEnd;
    }
    return CopyJob.blockEnd - offset;
}

// A block of the sized length; only such a block teaches the sizer.
int64_t ReadSized(int64_t offset, int64_t reach) {
    int64_t want = std::max<int64_t>(1, std::min(Largest(), reach));
    uint64_t start = os::SteadyMicroseconds();
    int64_t got = ReadSourceAt(offset, sourceBlock, want);
    uint64_t took = os::SteadyMicroseconds() - start;
    CopyJob.blockEnd = offset + got;
    if (got < want)
        MetBadSpot(offset, got, want);
    else if (want > 1)
        SizeNextBlock(got, took);
    return got;
}

// After a bad spot: reads of 1, 2, 4, ... bytes up to the sized block, gathered into one stretch
// up to `until`, so that they cost one write. Their pace says nothing of the medium's. A read
// failing on its first byte after the first read is the next byte's first attempt.
int64_t ReadGrowing(int64_t offset, int64_t until, int64_t reach, bool* nextFailed) {
    CopyJob.blockEnd = offset;
    while (CopyJob.growth > 0 && CopyJob.blockEnd < until) {
        int64_t at = CopyJob.blockEnd;
        int64_t want = std::min({CopyJob.growth, Largest(), offset + reach - at});
        int64_t got = ReadSourceAt(at, sourceBlock + (at - offset), want);
        CopyJob.blockEnd += got;
        if (got < want) {
            MetBadSpot(at, got, want);
            *nextFailed = got == 0 && at > offset;
            break;
        }
        CopyJob.growth = CopyJob.growth * 2 >= Largest() ? 0 : CopyJob.growth * 2;
    }
    return CopyJob.blockEnd - offset;
}

}  // namespace

void StartBlockSizing() { sizedBlock = kPage; }

void ForgetSourceBlock() {
    CopyJob.blockStart = CopyJob.blockEnd = CopyJob.writtenAhead = 0;
    CopyJob.walkEnd = CopyJob.growth = 0;
}

int64_t ReadSource(int64_t offset, int64_t wanted, int64_t reach, const uint8_t** bytes,
                   bool* nextFailed) {
    *nextFailed = false;
    if (!InBlock(offset)) {
        int64_t until = std::min(offset + wanted, offset + reach), got = 0;
        CopyJob.blockStart = offset;
        if (!blockTransfers || offset < CopyJob.walkEnd)
            got = Walk(offset, until, nextFailed);
        else if (CopyJob.growth > 0)
            got = ReadGrowing(offset, until, reach, nextFailed);
        else
            got = ReadSized(offset, reach);
        if (got == 0) return 0;
    }
    *bytes = sourceBlock + (offset - CopyJob.blockStart);
    return CopyJob.blockEnd - offset;
}

int64_t ReadBack(int64_t offset, const uint8_t* expected, int64_t count) {
    if (count == 0) return 0;
    rt::Seek(CopyJob.destinyFile, offset);
    uint32_t done = 0;
    if (rt::IoResult() == 0) rt::Read(CopyJob.destinyFile, readBackBlock, count, &done);
    if (rt::IoResult() != 0) return 0;
    CountVerified(offset, expected, readBackBlock, done);
    return done;
}

}  // namespace engine
