#include "engine/retry.h"

#include <cctype>
#include <climits>
#include <string>

#include "engine/copy_job.h"
#include "output/messages.h"
#include "settings/settings.h"

namespace engine {

namespace {

// Each attempting step's limit.
struct DepthRow {
    int32_t state;
    DepthSlot depth;
};

constexpr DepthRow kDepths[] = {
    {JobState::SearchSource, {&SettingsRecord::depthSearchSource, nullptr}},
    {JobState::SearchFolder, {&SettingsRecord::depthSearchFolder, nullptr}},
    {JobState::TryCreateFolder, {&SettingsRecord::depthTryCreateFolder, nullptr}},
    {JobState::SearchDestiny, {&SettingsRecord::depthSearchDestiny, nullptr}},
    {JobState::PrepareSource, {&SettingsRecord::depthPrepareSource, nullptr}},
    {JobState::PrepareDestiny, {&SettingsRecord::depthPrepareDestiny, nullptr}},
    {JobState::OpenSource, {&SettingsRecord::depthOpenSource, nullptr}},
    {JobState::CreateDestiny, {&SettingsRecord::depthCreateDestiny, nullptr}},
    {JobState::ReadByte, {nullptr, &CopyJobRecord::readDepth}},
    {JobState::WriteByte, {nullptr, &CopyJobRecord::writeDepth}},
    {JobState::CloseSource, {&SettingsRecord::depthCloseSource, nullptr}},
    {JobState::CloseDestiny, {&SettingsRecord::depthCloseDestiny, nullptr}},
    {JobState::SearchNext, {&SettingsRecord::depthSearch, nullptr}},
};

// What a step says when it gives up: the console sentence; the log gets it with a lower-case
// first letter.
struct FailureRow {
    int32_t state;
    const char* text;
    output::MessageKind kind;
    bool reportLink;
};

constexpr FailureRow kFailures[] = {
    {JobState::SearchSource, "Unable to find any source file", output::error, false},
    {JobState::TryCreateFolder, "Unable to create destiny folder", output::error, true},
    {JobState::PrepareDestiny, "Unable to assign destiny file", output::error, true},
    {JobState::OpenSource, "Unable to open source file", output::error, true},
    {JobState::CreateDestiny, "Unable to create destiny file", output::error, true},
    {JobState::WriteByte, "Unable to write destiny file", output::error, true},
    {JobState::CloseSource, "Unable to close source file", output::warning, true},
    {JobState::CloseDestiny, "Unable to close destiny file", output::error, true},
};

void ReportFailure(int32_t step) {
    for (const FailureRow& row : kFailures) {
        if (row.state != step) continue;
        std::string lower(row.text);
        lower[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(lower[0])));
        output::WriteConsoleLine(row.text);
        output::WriteLogEntry(ShortText(lower), row.kind, row.reportLink);
    }
}

}  // namespace

void CountAttempt() {
    if (CopyJob.attempts < INT32_MAX) ++CopyJob.attempts;  // a read-back may fail for ever
}

int32_t DepthOf(int32_t state) {
    for (const DepthRow& row : kDepths) {
        if (row.state != state) continue;
        return row.depth.Get();
    }
    return INT32_MAX;
}

Outcome Settle(int32_t step, bool succeeded, int32_t next, int32_t exhausted) {
    if (succeeded) {
        CopyJob.state = next;
        CopyJob.attempts = 0;
        return Outcome::Succeeded;
    }
    if (CopyJob.attempts <= DepthOf(step)) return Outcome::Again;
    ReportFailure(step);
    CopyJob.state = exhausted;
    CopyJob.attempts = 0;
    return Outcome::Exhausted;
}

}  // namespace engine
