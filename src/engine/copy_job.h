// The shared record of a copy run and its totals.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/copy_run.h"
#include "output/damage_record.h"
#include "runtime/dir_search.h"
#include "runtime/files.h"
#include "runtime/shared_value.h"
#include "runtime/short_text.h"

// A destiny file the last run could not finish, filled in with the bytes the record lists: the
// record's word on it, its missing bytes bounded by the source; the bytes read now; its size when
// the fill-in began; its read-only, hidden and system bits, off while it is open.
struct FillInRecord {
    bool active = false;
    output::RecordedDamage listed;
    std::vector<ByteRange> filled;
    int64_t copySize = 0;
    uint32_t attributes = 0;
    bool attributesTaken = false;
};

// A file whose first pass skipped bad units, for the second pass of a readable-first run: its
// entry (no search handle), the skipped bytes, and the bytes whose first attempt the first pass
// made (each skip's first).
struct SkippedFile {
    rt::DirEntry entry;
    std::vector<ByteRange> skipped;
    std::vector<int64_t> tried;
};

struct ReadableFirstRecord {
    bool on = false;                 // the run's reading of readableFirst, haltOnFirstError aside
    int32_t skipsInRow = 0;          // units skipped since the last read that succeeded
    std::vector<ByteRange> skipped;  // the current file's, in the first pass
    std::vector<int64_t> tried;      // the current file's bytes whose first attempt is made
    std::vector<SkippedFile> files;  // in first-pass order
    size_t next = 0;                 // the second pass's next file
    bool secondPass = false;
};

struct CopyJobRecord {
    Shared<JobState> state{JobState::Idle};
    Shared<JobState> savedState{JobState::Idle};
    std::thread worker;
    int32_t attempts = 0;
    // sourceSpec and destinyPath are written by the Browse commands on the main thread and by
    // SearchSource on the worker: touch them only through LoadPath and StorePath. Code page
    // text, whole as typed or picked.
    std::string sourceSpec, destinyPath;
    std::string sourceFolder, destinyFolder;  // UTF-8, as Windows holds them
    rt::DirEntry entry, folderEntry;
    rt::ByteFile sourceFile, destinyFile;
    // The source's bytes [blockStart, blockEnd) are read ahead. Below walkEnd reads take one byte
    // each: the byte a read stopped short before, or the bytes of a read that failed whole, up to
    // the one that fails. After a bad spot, reads of `growth` bytes double up to the sized block
    // (0: blocks as sized). Bytes below writtenAhead are on the destiny although not counted
    // yet: a stretch whose read-back failed inside it.
    int64_t blockStart = 0, blockEnd = 0, walkEnd = 0, growth = 0, writtenAhead = 0;
    int32_t readDepth = 0, writeDepth = 0;
    uint8_t byteBuffer = 0, verifyByte = 0;
    int32_t transferred = 0;
    int64_t byteHistogram[256] = {};
    int64_t fileBytesRead = 0, fileBytesWritten = 0, fileBytesVerified = 0;
    Shared<uint8_t> percent;
    std::mutex pathLock;
    // The destiny file's damage, merged ranges per DamageKind, from its creation until reported;
    // byteMadeUp while the byte being copied is a made-up one not yet written.
    std::vector<ByteRange> damage[kDamageKinds];
    bool damagePending = false, byteMadeUp = false;
    bool damageRunHeaded = false;  // this run's line in tramox.damage is written
    bool undated = false;          // the destiny could not be given its source's date
    // The run's listing of the destiny folder and index of tramox.damage, each taken at its
    // first use: many files cost one reading of either.
    rt::FolderListing destinyListing;
    output::DamageIndex damageIndex;
    FillInRecord fillIn;
    ReadableFirstRecord readableFirst;
};

struct CopyTotalsRecord {
    int64_t filesProcessed = 0, bytesRead = 0, bytesWritten = 0, bytesVerified = 0;
};

extern CopyJobRecord CopyJob;
extern CopyTotalsRecord CopyTotals;

namespace engine {

std::string LoadPath(std::string CopyJobRecord::*path);
void StorePath(std::string CopyJobRecord::*path, std::string value);

}  // namespace engine
