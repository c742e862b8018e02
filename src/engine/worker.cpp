// The worker thread and the main thread's commands. The main thread never waits for the
// worker: Pause, Unpause, Stop and the window's close are requests the worker honours between
// two steps, and everything they write is written by the worker.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <system_error>

#include "engine/copy_job.h"
#include "engine/retry.h"
#include "engine/steps.h"
#include "output/controls.h"
#include "output/damage_record.h"
#include "output/display.h"
#include "output/html_log.h"
#include "output/messages.h"
#include "settings/settings.h"

CopyJobRecord CopyJob;
CopyTotalsRecord CopyTotals;

namespace engine {

TraceHook traceHook = nullptr;

namespace {

// What the main thread asks of the running worker.
struct Requests {
    std::mutex lock;
    std::condition_variable changed;
    uint32_t toggles = 0;            // Pause and Unpause clicks, each honoured in turn
    uint32_t togglesBeforeStop = 0;  // clicks after the Stop are never honoured
    bool stop = false, close = false;
    bool running = false;      // a worker exists and has not finished
    bool copyClicked = false;  // Copy after the run's end, while the worker finishes
};
Requests requests;
std::atomic<bool> anyRequest{false};  // the cheap test between two steps

enum class Turn { Go, Stop, Close };

void EnterPause() {
    CopyJob.savedState = CopyJob.state;
    CopyJob.state = JobState::Paused;
    output::ShowText(Controls.pauseButton, "Unpause");
    output::WriteConsoleLine("Paused");
}

void LeavePause() {
    CopyJob.state = CopyJob.savedState;
    output::ShowText(Controls.pauseButton, "Pause");
    output::WriteConsoleLine("Unpaused");
}

// Between two steps: pauses and unpauses as clicked, waits while paused, and says whether
// the run goes on, stops or is abandoned.
Turn HonourRequests(uint32_t& seen) {
    if (!anyRequest.load()) return Turn::Go;
    std::unique_lock<std::mutex> hold(requests.lock);
    for (;;) {
        bool paused = CopyJob.state == JobState::Paused;
        if (requests.close) return Turn::Close;
        if ((requests.stop ? requests.togglesBeforeStop : requests.toggles) != seen) {
            ++seen;
            hold.unlock();  // the caption and the console line wait for the main thread
            paused ? LeavePause() : EnterPause();
            hold.lock();
            continue;
        }
        if (requests.stop) {
            hold.unlock();
            if (paused) LeavePause();
            return Turn::Stop;
        }
        if (!paused) {
            anyRequest = false;
            return Turn::Go;
        }
        requests.changed.wait(hold);
    }
}

// Stop: the close steps once each, where the run was, then the totals.
void StopRun() {
    CountWrittenAhead();
    CloseSource();
    CloseDestiny();
    ReleaseFiles();
    ReportDamage();  // a file whose close did not come to an end is cut short all the same
    output::WriteLogEntry("Stopped by user", output::warning, false);
    output::WriteConsoleLine("Stopped by user");
    FinishRun();
    output::ShowText(Controls.stateLine, "Stopped");
}

// Ends the worker's existence as the main thread sees it; a Copy clicked meanwhile is clicked
// again for the main thread, which starts the next run.
void Finished() {
    std::lock_guard<std::mutex> hold(requests.lock);
    requests.running = false;
    if (requests.copyClicked && !requests.close)
        os::Post(Controls.mainWindow, os::kMsgCommand, os::kNotifyClicked << 16,
                 static_cast<intptr_t>(Controls.copyButton));
    requests.copyClicked = false;
    requests.changed.notify_all();
}

bool CloseAsked() {
    std::lock_guard<std::mutex> hold(requests.lock);
    return requests.close;
}

// Stop or close by their flag; without one, a Pause or Unpause click.
void Ask(bool Requests::*flag) {
    std::lock_guard<std::mutex> hold(requests.lock);
    if (!requests.running) return;
    if (flag == &Requests::stop && !requests.stop) requests.togglesBeforeStop = requests.toggles;
    if (flag)
        requests.*flag = true;
    else
        ++requests.toggles;
    anyRequest = true;
    requests.changed.notify_all();
}

// The finished run's worker, left for the next one to join. Touched by the main thread only
// while no worker runs, and by the worker it hands over to before that one's run begins.
std::thread lastWorker;

void StartedWorker() {
    if (lastWorker.joinable()) lastWorker.join();
    output::BeginLogRun();
    CopyWorker();
}

}  // namespace

void CopyWorker() {
    uint32_t seen = 0;
    Turn turn = Turn::Go;
    while (CopyJob.state != JobState::Idle) {
        turn = HonourRequests(seen);
        if (turn != Turn::Go) break;
        JobState state = CopyJob.state;
        const StateRow* row = FindState(state);
        if (row == nullptr || row->step == nullptr) continue;
        if (traceHook) traceHook(state);
        row->step();
    }
    // A step that met the closed window (its edit boxes read empty) may have ended the run.
    if (turn == Turn::Go && CloseAsked()) turn = Turn::Close;
    if (turn == Turn::Stop) StopRun();
    if (turn == Turn::Close) {
        CopyJob.state = JobState::Closing;
        // The file being copied or filled in is recorded as a Stop records it, told nowhere
        // else, so that the next run finishes it instead of taking it for a rescued copy.
        CountWrittenAhead();
        DateDestiny();
        ReleaseFiles();
        ReportDamage(true);
    }
    rt::FindClose(CopyJob.entry);  // a run may end before its list of sources does
    output::ReleaseDamageIndex(CopyJob.damageIndex);  // the record is nobody's between runs
    if (turn == Turn::Go) {
        output::EndLogRun();
        if (Settings.exitAfterCopy) os::Send(Controls.mainWindow, os::kMsgDestroy, 0, 0);
    }
    Finished();
}

void StartCopyRun() {
    {
        std::lock_guard<std::mutex> hold(requests.lock);
        // Never a second worker. Once its run is over, the last one may still be starting the
        // log's browser: the click waits for it.
        JobState state = CopyJob.state;
        if (requests.running && (state == JobState::Idle || state == JobState::FinishRun))
            requests.copyClicked = true;
        if (requests.running) return;
    }
    {
        std::lock_guard<std::mutex> hold(requests.lock);
        requests.toggles = 0;
        requests.stop = requests.close = requests.copyClicked = false;
        requests.running = true;
        anyRequest = false;
    }
    CopyJob.damagePending = CopyJob.damageRunHeaded = false;  // a closed run's file is not ours
    CopyJob.state = JobState::SearchSource;
    // The click waits for nothing: the new worker joins the last one, whose run is over, and
    // writes the run's log header itself.
    lastWorker = std::move(CopyJob.worker);
    try {
        CopyJob.worker = std::thread(StartedWorker);
    } catch (const std::system_error&) {
        if (lastWorker.joinable()) lastWorker.join();
        CopyJob.state = JobState::Idle;
        Finished();
    }
}

void PauseCopyRun() { Ask(nullptr); }
void ResumeCopyRun() { Ask(nullptr); }
void StopCopyRun() { Ask(&Requests::stop); }

void SyncCheckBoxesUnlessClosed() {
    bool ticked[settings::kCheckBoxCount];
    output::ReadCheckBoxes(ticked);
    std::lock_guard<std::mutex> hold(requests.lock);
    if (!requests.close) output::ApplyCheckBoxes(ticked);
}

void CloseCopyRun() {
    std::lock_guard<std::mutex> hold(requests.lock);
    if (!requests.running) {
        CopyJob.state = JobState::Closing;
        return;
    }
    requests.close = true;
    anyRequest = true;
    requests.changed.notify_all();
}

void ResetJob() {
    CopyJob.state = JobState::Idle;
    CopyJob.savedState = JobState::Idle;
    CopyJob.attempts = 0;
    StorePath(&CopyJobRecord::sourceSpec, std::string());
    StorePath(&CopyJobRecord::destinyPath, std::string());
    CopyJob.sourceFolder.clear();
    CopyJob.destinyFolder.clear();
    rt::FindClose(CopyJob.entry);
    CopyJob.entry = CopyJob.folderEntry = rt::DirEntry();
    CopyJob.sourceFile = CopyJob.destinyFile = rt::ByteFile();
    ForgetSourceBlock();
    CopyJob.readDepth = CopyJob.writeDepth = 0;
    CopyJob.byteBuffer = CopyJob.verifyByte = 0;
    CopyJob.transferred = 0;
    for (int64_t& count : CopyJob.byteHistogram) count = 0;
    CopyJob.fileBytesRead = CopyJob.fileBytesWritten = CopyJob.fileBytesVerified = 0;
    CopyJob.percent = 0;
    CopyTotals = CopyTotalsRecord{};
}

bool WorkerRunning() {
    std::lock_guard<std::mutex> hold(requests.lock);
    return requests.running;
}

bool CloseWorker(int milliseconds) {
    CloseCopyRun();
    std::unique_lock<std::mutex> hold(requests.lock);
    bool ended = requests.changed.wait_for(hold, std::chrono::milliseconds(milliseconds),
                                           [] { return !requests.running; });
    hold.unlock();
    if (ended && CopyJob.worker.joinable()) CopyJob.worker.join();
    return ended;
}

}  // namespace engine
