// The steps of a copy run, one per state of the same name. Each makes at most one attempt of
// one operation and sets the next state, or leaves the state as it is for another attempt.
#pragma once

#include <cstdint>

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

// Blocks: one read attempt at the source byte at `offset`, served from the block read ahead
// where it can be (`transferred` gets 1 or 0); a new file's block forgotten; and a stretch of
// healthy bytes read, written and read back in one go with every count, the histogram and the
// progress as the single steps give them. CopyStretch returns false when the single steps
// must take the next byte.
bool ReadSourceByte(int64_t offset, uint8_t* byte);
void ForgetSourceBlock();
bool CopyStretch();

// Closing and totals.
void CloseSource();
void CloseDestiny();
void FinishRun();

// The damage record of the destiny file: started when it is created, noted byte by byte, and
// reported once after its result line (console, log and tramox.damage).
void StartDamageRecord();
void NoteDamage(DamageKind kind, int64_t first, int64_t last);
void ReportDamage();

// Abandons the current file without a message: closes what is open.
void ReleaseFiles();

}  // namespace engine
