// The process: current folder, clock, program starts, exit and the calling places.
#include <dlfcn.h>
#include <execinfo.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/simulated/state.h"

namespace sim::internal {

namespace {

constexpr int64_t kTicksPerSecond = 10000000;  // file times count 100 ns
constexpr int64_t kTicksPerMinute = 60 * kTicksPerSecond;

// Days since 1 January 1970 of a civil date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day) {
    year -= month <= 2 ? 1 : 0;
    int64_t era = (year >= 0 ? year : year - 399) / 400;
    int64_t yearOfEra = year - era * 400;
    int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

int64_t LocalFileTime(const os::LocalTime& time) {
    int64_t days = DaysFromCivil(time.year, time.month, time.day) - DaysFromCivil(1601, 1, 1);
    int64_t seconds = days * 86400 + time.hour * 3600 + time.minute * 60 + time.second;
    return seconds * kTicksPerSecond + time.milliseconds * 10000;
}

}  // namespace

uint64_t NowUtc() {
    State& machine = Machine();
    int64_t utc = LocalFileTime(machine.localTime) - machine.utcOffsetMinutes * kTicksPerMinute;
    return utc < 0 ? 0 : static_cast<uint64_t>(utc);
}

}  // namespace sim::internal

namespace sim {

using namespace internal;

void SetLocalTime(const os::LocalTime& time) {
    Lock lock(Mutex());
    Machine().localTime = time;
}

void SetUtcOffsetMinutes(int32_t minutes) {
    Lock lock(Mutex());
    Machine().utcOffsetMinutes = minutes;
}

std::vector<std::string> StartedPrograms() {
    Lock lock(Mutex());
    return Machine().programs;
}

void AnswerStartProgram(uint32_t result) {
    Lock lock(Mutex());
    Machine().programResult = result;
}

void OnStartProgram(std::function<void()> script) {
    Lock lock(Mutex());
    Machine().startingProgram = std::move(script);
}

}  // namespace sim

namespace os {

using namespace sim::internal;

bool UtcToLocalFileTime(uint64_t utc, uint64_t* local) {
    Lock lock(Mutex());
    if (utc >= (1ull << 63)) return false;  // Win32 refuses file times this large
    int64_t shifted = static_cast<int64_t>(utc) + Machine().utcOffsetMinutes * kTicksPerMinute;
    if (shifted < 0) return false;
    *local = static_cast<uint64_t>(shifted);
    return true;
}

// Win32's contract: when the buffer is too small, the size it needs (terminator included).
uint32_t CurrentFolder(char* buffer, uint32_t capacity) {
    Lock lock(Mutex());
    std::string text = PathText(Machine().currentFolder);
    uint32_t length = static_cast<uint32_t>(text.size());
    if (capacity < length + 1) return length + 1;
    std::memcpy(buffer, text.c_str(), length + 1);
    return length;
}

uint64_t SteadyMicroseconds() {
    sim::internal::Lock lock(sim::internal::Mutex());
    return sim::internal::Machine().steadyMicroseconds;
}

LocalTime GetLocalTime() {
    Lock lock(Mutex());
    return Machine().localTime;
}

uint32_t StartProgram(const char* commandLine, uint32_t /*showState*/) {
    std::function<void()> meanwhile;
    uint32_t result = 0;
    {
        Lock lock(Mutex());
        Machine().programs.push_back(commandLine ? commandLine : "");
        meanwhile = Machine().startingProgram;
        result = Machine().programResult;
    }
    if (meanwhile) meanwhile();
    return result;
}

// Tells a death test what the process said before it ended.
void EndProcess(uint32_t exitCode) {
    {
        Lock lock(Mutex());
        std::fprintf(stderr, "exit %u\n", exitCode);
        for (const sim::Box& box : Machine().boxes)
            std::fprintf(stderr, "%s\n[box \"%s\" owner %llu flags 0x%X]\n", box.text.c_str(),
                         box.caption.c_str(), static_cast<unsigned long long>(box.owner),
                         box.flags);
    }
    std::fflush(stderr);
    std::_Exit(static_cast<int>(exitCode));
}

// Return addresses inside the test program, relative to its load address, starting at the call
// of our caller; frames of shared libraries are passed over.
int CallerPlaces(uint32_t* places, int capacity) {
    constexpr int kOwnFrames = 2;  // this procedure and the caller's own place
    constexpr int kMostFrames = 64;
    void* frames[kMostFrames];
    int count = backtrace(frames, kMostFrames);
    Dl_info program{};
    if (dladdr(reinterpret_cast<void*>(&CallerPlaces), &program) == 0) return 0;
    int stored = 0;
    for (int i = kOwnFrames; i < count && stored < capacity; ++i) {
        Dl_info frame{};
        if (dladdr(frames[i], &frame) == 0 || frame.dli_fbase != program.dli_fbase) continue;
        uintptr_t offset =
            reinterpret_cast<uintptr_t>(frames[i]) - reinterpret_cast<uintptr_t>(frame.dli_fbase);
        places[stored++] = static_cast<uint32_t>(offset);
    }
    return stored;
}

}  // namespace os
