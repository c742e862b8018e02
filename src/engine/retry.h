// The one retry rule every attempting step follows, and the table of states it reads: each
// state's step, depth, next states, give-up messages and presets.
#pragma once

#include <cstdint>

#include "engine/copy_job.h"
#include "output/messages.h"
#include "settings/settings.h"

namespace engine {

// A depth limit: a field of Settings, or one of the run's own depths (readDepth, writeDepth).
struct DepthSlot {
    Shared<int32_t> SettingsRecord::*setting;
    int32_t CopyJobRecord::*runDepth;

    int32_t Get() const { return setting ? (Settings.*setting).load() : CopyJob.*runDepth; }
    void Set(int32_t value) const {
        if (setting)
            Settings.*setting = value;
        else
            CopyJob.*runDepth = value;
    }
};

using Step = void (*)();

struct StateRow {
    JobState state;
    const char* name;
    Step step = nullptr;
    DepthSlot depth = {nullptr, nullptr};  // none: no limit
    JobState next = JobState::Idle, exhausted = JobState::Idle;
    // The console sentence on giving up (the log gets it with a lower-case first letter).
    const char* giveUp = nullptr;
    output::MessageKind kind = output::error;
    bool reportLink = false;
    int32_t faster = 0, floppy = 0;  // the depth's presets
};

// The row of `state`, or nullptr.
const StateRow* FindState(JobState state);
// Every depth takes its preset from `column` (&StateRow::faster or &StateRow::floppy).
void LoadPreset(int32_t StateRow::*column);

enum class Outcome { Succeeded, Again, Exhausted };

// Adds 1 to the attempts of the current step.
void CountAttempt();

// Judges the attempt just made by `step` (the state it belongs to; Stop runs the close steps
// in whatever state the run was). Success: state := the row's next, attempts := 0. Failure with
// attempts above the step's depth: the step's give-up messages, if it has any, state := the
// row's exhausted, attempts := 0. Otherwise the state stays for another attempt.
Outcome Settle(JobState step, bool succeeded);

// The depth of a state's step; steps without a limit get the largest number.
int32_t DepthOf(JobState state);

}  // namespace engine
