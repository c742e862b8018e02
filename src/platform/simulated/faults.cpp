// Scripted faults and the operation counters.
#include <algorithm>
#include <cctype>

#include "platform/simulated/state.h"

namespace sim::internal {

namespace {

// Patterns name absolute paths; a relative one is resolved now, a leading "*" matches anywhere.
std::string FaultPattern(const std::string& pattern) {
    if (pattern.empty() || pattern[0] == '*') return Upper(pattern);
    Path path;
    ParsePath(pattern, &path);
    return Upper(PathText(path));
}

// The first byte of [from, to] that still fails, or the largest number when none does.
uint64_t FirstFailing(const ReadFault& fault, uint64_t from, uint64_t to) {
    if (fault.times < 0) return from;
    for (uint64_t at = from; at <= to; ++at) {
        auto failed = fault.failed.find(at);
        if (failed == fault.failed.end() || failed->second < fault.times) return at;
    }
    return UINT64_MAX;
}

}  // namespace

uint32_t TakeFault(Op op, const std::string& path) {
    State& machine = Machine();
    ++machine.counts[static_cast<size_t>(op)];
    std::string upper = Upper(path);
    for (Fault& fault : machine.faults) {
        if (fault.op != op || fault.times == 0) continue;
        if (!fault.pattern.empty() && !GlobMatch(fault.pattern, upper)) continue;
        if (fault.times > 0) --fault.times;
        return fault.error;
    }
    return 0;
}

void PassTime(const std::string& path, uint64_t count) {
    auto pace = Machine().readPace.find(Upper(path));
    if (pace != Machine().readPace.end())
        Machine().steadyMicroseconds += static_cast<uint64_t>(
            1e6 * (pace->second.latencySeconds + count / pace->second.bytesPerSecond));
}

uint32_t TakeReadFault(const std::string& path, uint64_t offset, uint64_t* count) {
    if (*count == 0) return 0;
    std::string upper = Upper(path);
    uint64_t end = offset + *count;  // the first byte not to be delivered
    ReadFault* first = nullptr;
    for (ReadFault& fault : Machine().readFaults) {
        if (fault.path != upper) continue;
        uint64_t from = std::max(offset, fault.first);
        uint64_t to = std::min(end - 1, fault.last);
        if (from > to) continue;
        uint64_t failing = FirstFailing(fault, from, to);
        if (failing < end) end = failing, first = &fault;
    }
    if (first != nullptr && first->whole) {
        if (first->times > 0) ++first->failed[end];
        *count = 0;
        return first->error;
    }
    *count = end - offset;
    if (first == nullptr || end > offset) return 0;
    if (first->times > 0) ++first->failed[offset];
    return first->error;
}

uint32_t TakeWrite(const std::string& path) {
    if (path.empty()) return 0;
    State& machine = Machine();
    ++machine.writes[Upper(path)];
    const std::vector<char>& guarded = machine.writeProtected;
    bool refused = std::find(guarded.begin(), guarded.end(), Upper(path)[0]) != guarded.end();
    return refused ? kErrorWriteProtect : 0;
}

}  // namespace sim::internal

namespace sim {

using namespace internal;

void WriteProtect(char drive) {
    Lock lock(Mutex());
    Machine().writeProtected.push_back(
        static_cast<char>(std::toupper(static_cast<unsigned char>(drive))));
}

int WritesTo(const std::string& pathPattern) {
    Lock lock(Mutex());
    std::string pattern = FaultPattern(pathPattern);
    int count = 0;
    for (const auto& [path, calls] : Machine().writes)
        if (pattern.empty() || GlobMatch(pattern, path)) count += calls;
    return count;
}

void FailOperation(Op op, const std::string& pathPattern, int times, uint32_t error) {
    Lock lock(Mutex());
    Machine().faults.push_back(Fault{op, FaultPattern(pathPattern), times, error});
}

void FailReadRange(const std::string& path, uint64_t first, uint64_t last, int times,
                   uint32_t error, bool whole) {
    Lock lock(Mutex());
    Path parsed;
    if (!ParsePath(path, &parsed)) return;
    Machine().readFaults.push_back(
        ReadFault{Upper(PathText(parsed)), first, last, times, error, {}, whole});
}

void SetReadPace(const std::string& path, double bytesPerSecond, double latencySeconds) {
    Lock lock(Mutex());
    Path parsed;
    if (ParsePath(path, &parsed))
        Machine().readPace[Upper(PathText(parsed))] = {bytesPerSecond, latencySeconds};
}

void SpoilWrites(const std::string& path, uint64_t first, uint64_t last) {
    Lock lock(Mutex());
    Path parsed;
    if (ParsePath(path, &parsed))
        Machine().spoiledWrites.push_back({Upper(PathText(parsed)), first, last});
}

void FillDiskAfter(char drive, uint64_t bytes) {
    Lock lock(Mutex());
    Machine().diskLeft[static_cast<char>(std::toupper(static_cast<unsigned char>(drive)))] = bytes;
}

void ClearFaults() {
    Lock lock(Mutex());
    State& machine = Machine();
    machine.faults.clear();
    machine.readFaults.clear();
    machine.diskLeft.clear();
    machine.spoiledWrites.clear();
}

int Count(Op op) {
    Lock lock(Mutex());
    return op < Op::Count ? Machine().counts[static_cast<size_t>(op)] : 0;
}

int OpenFileCount() {
    Lock lock(Mutex());
    const auto& files = Machine().files;
    return static_cast<int>(std::count_if(files.begin(), files.end(),
                                          [](const auto& open) { return !open.second.held; }));
}

int OpenSearchCount() {
    Lock lock(Mutex());
    return static_cast<int>(Machine().searches.size());
}

}  // namespace sim
