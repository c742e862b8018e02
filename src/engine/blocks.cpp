// The source read ahead in blocks sized by the medium's speed, and the read-back of a stretch.
// A read that fails or comes short leaves the byte where it stopped to one-byte attempts, and
// reads stay one byte long until a page has read cleanly: inside a bad spot every read is a
// counted attempt of exactly one byte, as without blocks.
#include <algorithm>
#include <chrono>

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
int64_t sizedBlock = kPage;  // the medium's pace carries over from file to file

bool InBlock(int64_t offset) { return offset >= CopyJob.blockStart && offset < CopyJob.blockEnd; }

bool OneByteReads() {
    return !blockTransfers || (CopyJob.cleanBytes >= 0 && CopyJob.cleanBytes < kPage);
}

// The next block's size from the last read's rate: no more than four times the last block, so
// that a slow medium is found out before a long read.
void SizeNextBlock(int64_t bytes, std::chrono::steady_clock::duration took) {
    double seconds = std::chrono::duration<double>(took).count();
    double fits = seconds > 0 ? bytes * (kBlockSeconds / seconds) : 4.0 * bytes;
    sizedBlock = static_cast<int64_t>(std::min(fits, 4.0 * bytes));
    sizedBlock = std::clamp<int64_t>(sizedBlock, kPage, kLargestBlock);
}

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

}  // namespace

void ForgetSourceBlock() {
    CopyJob.blockStart = CopyJob.blockEnd = CopyJob.sourcePosition = CopyJob.writtenAhead = 0;
    CopyJob.cleanBytes = -1;
}

int64_t ReadSource(int64_t offset, int64_t wanted, int64_t reach, const uint8_t** bytes,
                   bool* nextFailed) {
    *nextFailed = false;
    if (!InBlock(offset)) {
        int64_t cap = std::clamp<int64_t>(blockBytes, 1, kLargestBlock);
        bool oneByte = OneByteReads();
        int64_t want = oneByte ? 1 : std::min({sizedBlock, cap, reach});
        auto start = std::chrono::steady_clock::now();
        int64_t got = ReadSourceAt(offset, sourceBlock, std::max<int64_t>(want, 1));
        if (want > 1 && got == want) SizeNextBlock(got, std::chrono::steady_clock::now() - start);
        CopyJob.blockStart = offset;
        CopyJob.blockEnd = offset + got;
        if (got < want) {
            CopyJob.cleanBytes = 0;  // the byte where the read stopped is read alone
        } else if (oneByte && blockTransfers) {
            // The clean bytes after a bad spot, still one read each, gathered into one stretch.
            CopyJob.cleanBytes += got;
            int64_t until = std::min({offset + wanted, offset + kPage, offset + reach});
            while (CopyJob.blockEnd < until && CopyJob.cleanBytes < kPage) {
                int64_t at = CopyJob.blockEnd;
                if (ReadSourceAt(at, sourceBlock + (at - offset), 1) != 1) {
                    CopyJob.cleanBytes = 0;
                    *nextFailed = true;  // the first attempt of the byte after the stretch
                    break;
                }
                ++CopyJob.blockEnd;
                ++CopyJob.cleanBytes;
            }
            got = CopyJob.blockEnd - offset;
        } else if (oneByte) {
            CopyJob.cleanBytes += got;
        }
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
