// The steps of a copy run, one per state of the same name. Each makes at most one attempt of
// one operation and sets the next state, or leaves the state as it is for another attempt.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/copy_job.h"
#include "runtime/short_text.h"

namespace engine {

// Sources and the destiny folder.
void SearchSource();
void SearchFolder();
void TryCreateFolder();
void StartCopying();
void SearchNext();
// Stop and Pause enabled, Copy and both Browse disabled while running; the reverse after.
void SetRunButtons(bool running);
// The check boxes into Settings, unless the window has closed: its boxes are gone then, and
// the user's last choices are in Settings already.
void SyncCheckBoxesUnlessClosed();

// Announcing the source file.
void PrepareSource();
// "21st June 2008 9:05:08" from a packed DOS date (high word) and time (low word).
ShortText FormatModifiedTime(uint32_t packed);

// Opening and creating.
void SearchDestiny();
void PrepareDestiny();
void OpenSource();
void CreateDestiny();

// The bytes.
void ReadByte();
void SubstituteByte();
void WriteByte();
void VerifyByte();
void ShowCopyProgress();
// floor(done * 100 / size), for any 64-bit sizes with done <= size.
uint8_t PercentOf(uint64_t done, uint64_t size);

// Readable first. SkipBadUnit: in the first pass, the byte at fileBytesWritten, which has just
// failed its first counted attempt, and the rest of its 512-byte unit (doubling for each unit
// failing in a row, up to 1 MiB) are written as made-up bytes and noted; false when nothing was
// skipped. NoteSkippedFile: the closed file's notes go to the second pass. SecondPass: the step
// after the last source, filling in each noted file in turn. TriedBefore: attempts the first
// pass made of the byte at `at` (0 or 1).
void StartReadableFirst();
bool SkipBadUnit();
void NoteSkippedFile();
void SecondPass();
int32_t TriedBefore(int64_t at);
// The value a byte that cannot be read is made up with.
uint8_t MadeUpByte();
// A stretch of `count` bytes at fileBytesWritten written (and read back) in one go and counted as
// the single steps count them: read ones, or made-up ones. False when the write took nothing.
bool MoveStretch(const uint8_t* bytes, int64_t count, bool madeUp);

// The source's bytes from `offset` on hand in the block read ahead (platform reads when
// `offset` is not in it, never past `reach` bytes; after a bad spot, one-byte or growing reads
// gathered up to `wanted` bytes), pointed to by `bytes`;
// 0 when the read failed. `nextFailed` tells that a read starting on the byte after them failed
// once. A new file's block is forgotten. ReadBack reads back `count` written bytes at `offset`,
// counts them as verified or differing, and returns how many came back.
int64_t ReadSource(int64_t offset, int64_t wanted, int64_t reach, const uint8_t** bytes,
                   bool* nextFailed);
void ForgetSourceBlock();
// Every run's first block is a page, whatever medium the last run read.
void StartBlockSizing();
int64_t ReadBack(int64_t offset, const uint8_t* expected, int64_t count);

// The counts of `count` bytes at fileBytesWritten: read (counters and histogram); written
// (counters, made-up damage, the next state by the last-byte rule, the progress); read back at
// `offset` (verified or differing). A stretch and a single step count alike.
void CountRead(const uint8_t* bytes, int64_t count);
void CountWritten(int64_t count, bool madeUp);
void CountVerified(int64_t offset, const uint8_t* expected, const uint8_t* back, int64_t count);
// Stop: bytes a stretch wrote beyond a failed read-back are counted, so that the result line
// tells what the destiny holds.
void CountWrittenAhead();

// The current entry's source and destiny files, whole.
std::string SourcePath();
std::string DestinyPath();

// Filling in a destiny file the record lists bytes of. FillInWanted: Fill when the record's
// latest word on this existing destiny, unchanged since, lists bytes to fill in (kept in
// CopyJob.fillIn) and the source found now is the copy's own; Foreign when a byte the copy holds
// differs from it; Keep otherwise, the file left alone.
// SeekListed: the next byte is the first listed one from here on; false when none is left.
// ListedLeft: listed bytes from here to the end of their range. KeepUnreadable: a made-up or
// differing byte that still cannot be read keeps what it has (false: not such a byte).
// NoteUntried: listed bytes not reached, in the damage record.
// FinishFillIn: the file's result line. ReleaseFillIn: its guarding bits back.
enum class Existing { Keep, Fill, Foreign };
Existing FillInWanted(const std::string& destiny);
void OpenDestiny();
bool SeekListed();
int64_t ListedLeft();
bool KeepUnreadable();
void NoteUntried();
void FinishFillIn();
void ReleaseFillIn();
// A destiny file made or opened: its counters, damage record, presets and empty bar.
void StartDestinyFile();
// The ranges after `head`, as many as fit in a console line; the rest are counted.
std::string RangesThatFit(const std::string& head, const std::vector<ByteRange>& ranges);

// Closing and totals. DateDestiny: a whole copy, still open, gets its source's date.
void CloseSource();
void DateDestiny();
void CloseDestiny();
void FinishRun();

// The damage record of the destiny file: started when it is created, noted byte by byte, and
// reported once after its result line (console, log and tramox.damage).
void StartDamageRecord();
void NoteDamage(DamageKind kind, int64_t first, int64_t last);
// Adds bytes first to last to ranges kept merged and ascending, met in order.
void AddRange(std::vector<ByteRange>& ranges, int64_t first, int64_t last);
// Quiet: only tramox.damage, when the window is gone.
void ReportDamage(bool quiet = false);

// Abandons the current file without a message: closes what is open.
void ReleaseFiles();

}  // namespace engine
