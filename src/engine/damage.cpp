// The damage record: which bytes of each destiny file cannot be trusted, told after its result
// line in the console and the log, and kept in tramox.damage.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/copy_job.h"
#include "engine/steps.h"
#include "output/damage_record.h"
#include "output/messages.h"
#include "runtime/dir_search.h"
#include "runtime/io_result.h"
#include "runtime/text.h"

namespace engine {

namespace {

// Each kind's console words around the count.
struct KindRow {
    const char* before;
    const char* after;
};

constexpr KindRow kKinds[kDamageKinds] = {
    {"Made up ", " bytes of \""},
    {"Read back ", " differing bytes of \""},
    {"Not copied ", " bytes of \""},
};

constexpr size_t kLineLimit = ShortText::kMax;

std::string Number(int64_t value) { return rt::NumberText(value).str(); }

void TellKind(const KindRow& row, const std::vector<ByteRange>& ranges) {
    const std::string name = CopyJob.entry.name.str();
    std::string opening = row.before + Number(output::ByteCount(ranges)) + row.after;
    std::string ranged = RangesThatFit(opening + name + "\": ", ranges);
    output::WriteConsoleLine(opening + name + "\": " + ranged);
    opening[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(opening[0])));
    output::WriteLongLogEntry(opening + "<B>" + name + "</B>\": " + ranged, output::warning, false);
}

// "#2026-12-08 13:39:01 source -> destiny": the run's first line in tramox.damage.
std::string RunLine() {
    os::LocalTime now = os::GetLocalTime();
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u", now.year, now.month,
                  now.day, now.hour, now.minute, now.second);
    return std::string("#") + stamp + " " +
           os::FromCodePage(LoadPath(&CopyJobRecord::sourceSpec)) + " -> " +
           os::FromCodePage(LoadPath(&CopyJobRecord::destinyPath));
}

// The destiny as it is now, closed, so that a later run can tell whether anybody changed it
// since: its size (-1 when it cannot be found) and last-write time.
std::pair<int64_t, uint64_t> DestinyNow() {
    rt::DirEntry now;
    bool found = rt::FindFirst(CopyJob.destinyFile.name, rt::kAnyFile, now) == 0;
    rt::FindClose(now);
    rt::IoResult();
    return {found ? static_cast<int64_t>(now.size) : -1, found ? now.writeTime : 0};
}

}  // namespace

// The ranges after `head`, as many as fit in a console line; the rest are counted. The first
// is always told: a long name is never cut to make room, and the line is only as long as it.
std::string RangesThatFit(const std::string& head, const std::vector<ByteRange>& ranges) {
    std::string all = output::RangesText(ranges, ", ");
    if (head.size() + all.size() <= kLineLimit) return all;
    std::string kept;
    size_t count = 0;
    for (; count < ranges.size(); ++count) {
        std::string next = (count ? ", " : "") + output::RangeText(ranges[count]);
        std::string ending = ", and " + Number(ranges.size() - count - 1) + " more ranges";
        if (count > 0 && head.size() + kept.size() + next.size() + ending.size() > kLineLimit)
            break;
        kept += next;
    }
    return kept + ", and " + Number(ranges.size() - count) + " more ranges";
}

void StartDamageRecord() {
    for (std::vector<ByteRange>& ranges : CopyJob.damage) ranges.clear();
    CopyJob.damagePending = true;
    CopyJob.byteMadeUp = false;
}

void AddRange(std::vector<ByteRange>& ranges, int64_t first, int64_t last) {
    if (!ranges.empty() && first <= ranges.back().last + 1 && last >= ranges.back().first) {
        ranges.back().first = std::min(ranges.back().first, first);
        ranges.back().last = std::max(ranges.back().last, last);
        return;
    }
    ranges.push_back(ByteRange{first, last});
}

void NoteDamage(DamageKind kind, int64_t first, int64_t last) {
    AddRange(CopyJob.damage[kind], first, last);
}

// tramox.damage is UTF-8, each path as Windows holds it, so that a later run finds every name.
// Its latest lines on a destiny are the whole truth: a copy with nothing left to fill in says
// "complete" where the record named it before.
void ReportDamage(bool quiet) {
    if (!CopyJob.damagePending) return;
    CopyJob.damagePending = false;
    int64_t listed = static_cast<int64_t>(CopyJob.entry.size);
    if (CopyJob.fillIn.active)
        NoteUntried();  // nothing a run learned is lost
    else if (CopyJob.fileBytesWritten < listed)
        NoteDamage(missing, CopyJob.fileBytesWritten, listed - 1);
    const std::string destiny = output::RecordPath(CopyJob.destinyFolder, CopyJob.entry.fullName);
    const output::SourceIdentity source{
        output::RecordPath(CopyJob.sourceFolder, CopyJob.entry.fullName), CopyJob.entry.size,
        CopyJob.entry.writeTime};
    const auto [size, time] = DestinyNow();
    std::vector<std::string> record;
    for (int kind = 0; kind < kDamageKinds; ++kind) {
        const std::vector<ByteRange>& ranges = CopyJob.damage[kind];
        if (ranges.empty()) continue;
        if (!quiet) TellKind(kKinds[kind], ranges);
        record.push_back(output::RecordLine(destiny, kind, ranges, size, time, source));
    }
    output::RecordedDamage earlier;
    if (record.empty() &&
        (CopyJob.fillIn.active ||
         output::LatestDamage(CopyJob.damageIndex, destiny, &earlier) != output::Recorded::None))
        record.push_back(output::RecordLine(destiny, kDamageKinds, {}, size, time, source));
    if (record.empty()) return;  // a whole copy of a file never recorded adds nothing anywhere
    if (!CopyJob.damageRunHeaded) record.insert(record.begin(), RunLine());
    output::AppendDamageLines(record, &CopyJob.damageIndex);
    CopyJob.damageRunHeaded = true;
}

}  // namespace engine
