// The one retry rule every attempting step follows, with its depth table and the message pair
// each step writes when it gives up.
#pragma once

#include <cstdint>

#include "engine/copy_job.h"
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

enum class Outcome { Succeeded, Again, Exhausted };

// Adds 1 to the attempts of the current step.
void CountAttempt();

// Judges the attempt just made by `step` (the state it belongs to; Stop runs the close steps
// in whatever state the run was). Success: state := next, attempts := 0.
// Failure with attempts above the step's depth: the step's failure messages, if it has any,
// state := exhausted, attempts := 0. Otherwise the state stays for another attempt.
Outcome Settle(int32_t step, bool succeeded, int32_t next, int32_t exhausted);

// The depth of a state's step; steps without a limit get the largest number.
int32_t DepthOf(int32_t state);

}  // namespace engine
