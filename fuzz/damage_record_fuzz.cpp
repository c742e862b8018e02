// Arbitrary bytes as tramox.damage: the reader never faults, what it trusts is well formed, and
// reading the bytes in chunks of any size, or through the record's index, says what reading them
// line by line says.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "output/damage_record.h"
#include "platform/simulated/sim.h"

namespace {

void Require(bool holds) {
    if (!holds) std::abort();
}

// Line by line as the record is written: LF ends a line, a CR before it is no part of it.
void FeedLines(output::DamageScan& scan, std::string_view bytes) {
    while (!bytes.empty()) {
        size_t end = bytes.find('\n');
        std::string_view line = bytes.substr(0, end);
        if (end != std::string_view::npos && !line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        scan.Feed(line);
        if (end == std::string_view::npos) return;
        bytes.remove_prefix(end + 1);
    }
}

bool Same(const output::RecordedDamage& a, const output::RecordedDamage& b) {
    bool same = a.complete == b.complete && a.size == b.size && a.writeTime == b.writeTime &&
                a.sourceKnown == b.sourceKnown && a.source.path == b.source.path &&
                a.source.size == b.source.size && a.source.writeTime == b.source.writeTime &&
                a.listedBytes == b.listedBytes;
    for (int kind = 0; kind < kDamageKinds; ++kind) same = same && a.ranges[kind] == b.ranges[kind];
    return same;
}

// What a fill-in may trust: bytes on the file inside it, missing ones its tail up to the source's
// end, no byte of two kinds, and a count that holds them all.
void RequireBounded(const output::RecordedDamage& found) {
    const int64_t size = static_cast<int64_t>(found.size);
    const std::vector<ByteRange>& lost = found.ranges[missing];
    Require(lost.size() <= 1 && (lost.empty() || lost[0].first == size));
    Require(lost.empty() || !found.sourceKnown ||
            static_cast<uint64_t>(lost[0].last) < found.source.size);
    int64_t count = 0;
    for (int kind = 0; kind < kDamageKinds; ++kind)
        for (const ByteRange& range : found.ranges[kind]) {
            Require(kind == missing || range.last < size);
            count += range.last - range.first + 1;  // never past the listed count
            Require(count > 0 && count <= found.listedBytes);
            for (int other = 0; other < kind; ++other)
                for (const ByteRange& seen : found.ranges[other])
                    Require(range.last < seen.first || range.first > seen.last);
        }
    Require(count == found.listedBytes);
}

void Check(const std::string& path, std::string_view bytes, size_t chunk) {
    output::DamageScan byLine(path), byChunk(path);
    FeedLines(byLine, bytes);
    for (size_t at = 0; at < bytes.size(); at += chunk) byChunk.FeedBytes(bytes.substr(at, chunk));
    byChunk.End();
    output::RecordedDamage found, again, indexed;
    bool trusted = byLine.Latest(&found);
    Require(trusted == byChunk.Latest(&again));
    sim::AddFile(output::kDamageFileName, std::string(bytes));
    bool same = true;
    for (bool everyFolder : {false, true}) {  // the path's folder alone, then every folder
        output::DamageIndex index;
        index.everyFolder = everyFolder;
        bool sound = output::LatestDamage(index, path, &indexed) == output::Recorded::Sound;
        output::ReleaseDamageIndex(index);
        Require(sound == trusted);
        same = same && (!sound || Same(found, indexed));
    }
    if (!trusted) return;
    Require(Same(found, again) && same);
    RequireBounded(found);
    for (const auto& ranges : found.ranges) {
        Require(!found.complete || ranges.empty());
        for (size_t i = 0; i < ranges.size(); ++i) {
            Require(ranges[i].first >= 0 && ranges[i].first <= ranges[i].last);
            Require(i == 0 || ranges[i].first - 1 > ranges[i - 1].last);  // merged when touching
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool machine = (sim::Reset(), true);
    (void)machine;
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    size_t chunk = size ? 1 + data[0] % 23 : 1;
    Check("D:\\out\\a.bin", bytes, chunk);
    size_t tab = bytes.find('\t');  // the path of the first line that has one
    if (tab != std::string_view::npos) {
        size_t start = bytes.rfind('\n', tab);
        start = start == std::string_view::npos ? 0 : start + 1;
        Check(std::string(bytes.substr(start, tab - start)), bytes, chunk);
    }
    return 0;
}
