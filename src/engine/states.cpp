// The one table of the run's states: each state's step, its depth, where it goes on success and
// when its attempts are exhausted, what it says when it gives up, and the presets its depth
// takes for a faster copy or a floppy.
#include <ostream>
#include <string>

#include "engine/retry.h"
#include "engine/steps.h"

namespace engine {

namespace {

using S = JobState;
using output::error;
using output::warning;
constexpr DepthSlot kNoLimit{nullptr, nullptr};

DepthSlot Setting(Shared<int32_t> SettingsRecord::*field) { return {field, nullptr}; }
DepthSlot RunDepth(int32_t CopyJobRecord::*field) { return {nullptr, field}; }

const StateRow kStates[] = {
    // state, name, step, depth, next, exhausted, give-up text, kind, link, faster, floppy
    {S::SearchSource, "SearchSource", &SearchSource, Setting(&SettingsRecord::depthSearchSource),
     S::SearchFolder, S::Idle, "Unable to find any source file", error, false, 2048, 8},
    {S::SearchFolder, "SearchFolder", &SearchFolder, Setting(&SettingsRecord::depthSearchFolder),
     S::StartCopying, S::TryCreateFolder, nullptr, error, false, 2048, 2048},
    {S::TryCreateFolder, "TryCreateFolder", &TryCreateFolder,
     Setting(&SettingsRecord::depthTryCreateFolder), S::StartCopying, S::Idle,
     "Unable to create destiny folder", error, true, 1024, 1024},
    {S::StartCopying, "StartCopying", &StartCopying, kNoLimit, S::SearchDestiny, S::SearchDestiny},
    {S::SearchDestiny, "SearchDestiny", &SearchDestiny,
     Setting(&SettingsRecord::depthSearchDestiny), S::SearchNext, S::PrepareSource, nullptr, error,
     false, 2048, 2048},
    {S::PrepareSource, "PrepareSource", &PrepareSource,
     Setting(&SettingsRecord::depthPrepareSource), S::PrepareDestiny, S::SearchNext, nullptr, error,
     false, 4196, 8},
    {S::PrepareDestiny, "PrepareDestiny", &PrepareDestiny,
     Setting(&SettingsRecord::depthPrepareDestiny), S::OpenSource, S::SearchNext,
     "Unable to assign destiny file", error, true, 4196, 4196},
    {S::OpenSource, "OpenSource", &OpenSource, Setting(&SettingsRecord::depthOpenSource),
     S::CreateDestiny, S::SearchNext, "Unable to open source file", error, true, 4196, 4},
    {S::CreateDestiny, "CreateDestiny", &CreateDestiny,
     Setting(&SettingsRecord::depthCreateDestiny), S::ReadByte, S::SearchNext,
     "Unable to create destiny file", error, true, 1024, 1024},
    {S::OpenDestiny, "OpenDestiny", &OpenDestiny, Setting(&SettingsRecord::depthCreateDestiny),
     S::ReadByte, S::SearchNext, "Unable to fill in destiny file", error, true, 1024, 1024},
    {S::ReadByte, "ReadByte", &ReadByte, RunDepth(&CopyJobRecord::readDepth), S::WriteByte,
     S::SubstituteByte, nullptr, error, false, 4, 2},
    {S::SubstituteByte, "SubstituteByte", &SubstituteByte, kNoLimit, S::WriteByte, S::WriteByte},
    {S::WriteByte, "WriteByte", &WriteByte, RunDepth(&CopyJobRecord::writeDepth), S::VerifyByte,
     S::CloseSource, "Unable to write destiny file", error, true, 4, 1024},
    {S::VerifyByte, "VerifyByte", &VerifyByte, kNoLimit, S::ReadByte, S::VerifyByte},
    {S::CloseSource, "CloseSource", &CloseSource, Setting(&SettingsRecord::depthCloseSource),
     S::CloseDestiny, S::CloseDestiny, "Unable to close source file", warning, true, 1024, 2},
    {S::CloseDestiny, "CloseDestiny", &CloseDestiny, Setting(&SettingsRecord::depthCloseDestiny),
     S::SearchNext, S::SearchNext, "Unable to close destiny file", error, true, 4196, 4196},
    {S::SearchNext, "SearchNext", &SearchNext, Setting(&SettingsRecord::depthSearch),
     S::SearchDestiny, S::FinishRun, nullptr, error, false, 2048, 8},
    {S::SecondPass, "SecondPass", &SecondPass, kNoLimit, S::PrepareSource, S::PrepareSource},
    {S::FinishRun, "FinishRun", &FinishRun, kNoLimit, S::Idle, S::Idle},
    {S::Idle, "Idle"},
    {S::Paused, "Paused"},
    {S::Closing, "Closing"},
};

}  // namespace

const StateRow* FindState(JobState state) {
    for (const StateRow& row : kStates)
        if (row.state == state) return &row;
    return nullptr;
}

void LoadPreset(int32_t StateRow::*column) {
    for (const StateRow& row : kStates)
        if (row.depth.setting || row.depth.runDepth) row.depth.Set(row.*column);
}

}  // namespace engine

const char* StateName(JobState state) {
    const engine::StateRow* row = engine::FindState(state);
    return row ? row->name : nullptr;
}

std::ostream& operator<<(std::ostream& out, JobState state) {
    const char* name = StateName(state);
    return name ? out << name : out << static_cast<int32_t>(state);
}
