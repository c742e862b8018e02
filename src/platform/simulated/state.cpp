// The machine's single state record, its lock, handles, Reset and the per-thread last error.
#include "platform/simulated/state.h"

namespace sim::internal {

namespace {

thread_local uint32_t lastError = 0;

}  // namespace

std::recursive_mutex& Mutex() {
    // Never destroyed: a worker thread may still call in while the test process exits.
    static std::recursive_mutex* mutex = new std::recursive_mutex;
    return *mutex;
}

State& Machine() {
    static State* state = new State;
    return *state;
}

intptr_t NewHandle() {
    static intptr_t next = 0;
    Lock lock(Mutex());
    return ++next;
}

uint32_t SetLastError(uint32_t code) {
    lastError = code;
    return code;
}

}  // namespace sim::internal

namespace sim {

using namespace internal;

void Reset() {
    Lock lock(Mutex());
    State& machine = Machine();
    machine = State{};
    Path work;
    work.parts = {"work"};
    MakeFolders(work);
    machine.currentFolder = work;
}

std::vector<std::pair<uint64_t, uint64_t>> ReadsOf(const std::string& path) {
    Lock lock(Mutex());
    Path parsed;
    return ParsePath(path, &parsed) ? Machine().reads[Upper(PathText(parsed))]
                                    : std::vector<std::pair<uint64_t, uint64_t>>{};
}

Traffic Bytes() {
    Lock lock(Mutex());
    return Machine().bytes;
}

}  // namespace sim

namespace os {

uint32_t LastError() { return sim::internal::lastError; }

}  // namespace os
