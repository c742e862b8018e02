#include "engine/retry.h"

#include <cctype>
#include <climits>
#include <string>

#include "engine/copy_job.h"
#include "output/messages.h"

namespace engine {

namespace {

void ReportFailure(const StateRow& row) {
    if (row.giveUp == nullptr) return;
    std::string lower(row.giveUp);
    lower[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(lower[0])));
    output::WriteConsoleLine(row.giveUp);
    output::WriteLogEntry(ShortText(lower), row.kind, row.reportLink);
}

}  // namespace

void CountAttempt() {
    if (CopyJob.attempts < INT32_MAX) ++CopyJob.attempts;  // a read-back may fail for ever
}

int32_t DepthOf(JobState state) {
    const StateRow* row = FindState(state);
    bool limited = row && (row->depth.setting || row->depth.runDepth);
    return limited ? row->depth.Get() : INT32_MAX;
}

Outcome Settle(JobState step, bool succeeded) {
    const StateRow& row = *FindState(step);
    if (succeeded) {
        CopyJob.state = row.next;
        CopyJob.attempts = 0;
        return Outcome::Succeeded;
    }
    if (CopyJob.attempts <= DepthOf(step)) return Outcome::Again;
    ReportFailure(row);
    CopyJob.state = row.exhausted;
    CopyJob.attempts = 0;
    return Outcome::Exhausted;
}

}  // namespace engine
