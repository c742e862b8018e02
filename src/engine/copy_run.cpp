#include "engine/copy_run.h"

#include "engine/copy_job.h"

CopyJobRecord CopyJob;
CopyTotalsRecord CopyTotals;

namespace engine {

// The copy steps and their worker are not built yet: until they are, the Copy, Pause and Stop
// buttons start, pause and stop nothing, and no worker ever runs.
void StartCopyRun() {}
void PauseCopyRun() {}
void ResumeCopyRun() {}
void StopCopyRun() {}

bool CloseWorker(int /*milliseconds*/) { return !CopyJob.worker.joinable(); }

}  // namespace engine
