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

// Whether a read of [from, to] still meets a failing byte; counts one failure on each such byte.
bool FailsOnce(ReadFault& fault, uint64_t from, uint64_t to) {
    if (fault.times < 0) return true;
    bool fails = false;
    for (uint64_t at = from; at <= to; ++at) {
        auto failed = fault.failed.find(at);
        int count = failed == fault.failed.end() ? 0 : failed->second;
        if (count >= fault.times) continue;
        fault.failed[at] = count + 1;
        fails = true;
    }
    return fails;
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

uint32_t TakeReadFault(const std::string& path, uint64_t offset, uint64_t count) {
    if (count == 0) return 0;
    std::string upper = Upper(path);
    for (ReadFault& fault : Machine().readFaults) {
        if (fault.path != upper) continue;
        uint64_t from = std::max(offset, fault.first);
        uint64_t to = std::min(offset + count - 1, fault.last);
        if (from <= to && FailsOnce(fault, from, to)) return fault.error;
    }
    return 0;
}

}  // namespace sim::internal

namespace sim {

using namespace internal;

void FailOperation(Op op, const std::string& pathPattern, int times, uint32_t error) {
    Lock lock(Mutex());
    Machine().faults.push_back(Fault{op, FaultPattern(pathPattern), times, error});
}

void FailReadRange(const std::string& path, uint64_t first, uint64_t last, int times,
                   uint32_t error) {
    Lock lock(Mutex());
    Path parsed;
    if (!ParsePath(path, &parsed)) return;
    Machine().readFaults.push_back(
        ReadFault{Upper(PathText(parsed)), first, last, times, error, {}});
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
