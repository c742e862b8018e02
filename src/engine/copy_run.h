// The engine side of the Copy, Pause and Stop commands, and the shared record of a run.
#pragma once

#include <cstdint>
#include <iosfwd>

#include "runtime/shared_value.h"

enum class JobState : int32_t {
    Idle = 0,
    SearchSource = 1,
    SearchFolder = 2,
    TryCreateFolder = 3,
    StartCopying = 4,
    PrepareSource = 5,
    PrepareDestiny = 6,
    OpenSource = 7,
    CreateDestiny = 8,
    ReadByte = 9,
    SubstituteByte = 10,
    WriteByte = 11,
    CloseSource = 12,
    CloseDestiny = 13,
    SearchNext = 14,
    FinishRun = 15,
    SearchDestiny = 16,
    OpenDestiny = 17,  // a destiny file to fill in, opened as it is
    VerifyByte = 19,
    SecondPass = 20,  // readable first: the skipped bytes of each file, after the last source
    Paused = 30,
    Closing = -1,
};

// "ReadByte" for JobState::ReadByte; nullptr for a value no state has.
const char* StateName(JobState state);
std::ostream& operator<<(std::ostream& out, JobState state);  // traces print names

namespace engine {

// Main thread, from the window's buttons. None of them waits for the worker: Pause, Unpause
// and Stop are requests it honours between two steps. A Copy while a worker runs is ignored.
void StartCopyRun();
void PauseCopyRun();
void ResumeCopyRun();
void StopCopyRun();
// The window is closing: the worker performs no further step, closes the run's files and ends
// without a message.
void CloseCopyRun();

// Shutdown: asks a running worker to leave at its next step and waits at most `milliseconds`
// for it. Returns true when no worker is left running.
bool CloseWorker(int milliseconds);
// True while a worker thread exists for the current run.
bool WorkerRunning();

// Start-up: the run's record and totals as at program start (no run may be going on).
void ResetJob();

// The body of the worker thread.
void CopyWorker();

// Whether healthy bytes move in blocks; off, every byte costs its own platform calls (tests
// compare the two). A block is sized by the medium's last read rate, so that one stretch takes
// about 50 ms and Pause and Stop are answered quickly on a floppy as on a disk, and never
// smaller than a page nor larger than blockBytes.
extern bool blockTransfers;
constexpr int64_t kLargestBlock = 256 * 1024;
extern int64_t blockBytes;  // at most kLargestBlock

// Called by the worker with each state whose step it is about to run; tests set it. Healthy
// bytes moved in one go are told after they moved, each with the states the steps would run.
using TraceHook = void (*)(JobState state);
extern TraceHook traceHook;

}  // namespace engine
