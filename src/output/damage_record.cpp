#include "output/damage_record.h"

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <utility>

#include "output/messages.h"
#include "platform/os.h"
#include "runtime/dir_search.h"
#include "runtime/files.h"
#include "runtime/io_result.h"

namespace output {

const char* const kDamageFileName = "tramox.damage";

namespace {

constexpr std::string_view kKindWords[] = {"made-up", "differs", "missing", "complete"};
constexpr int kComplete = kDamageKinds;

}  // namespace

std::string RecordPath(std::string_view folder, std::string_view name) {
    std::string whole = folder.starts_with("\\\\?\\") ? std::string(folder)
                        : folder.empty()              ? os::FullPath(".")
                                                      : os::FullPath(folder);
    std::replace(whole.begin(), whole.end(), '/', '\\');
    size_t kept = whole.starts_with("\\\\?\\") ? 4 : whole.starts_with("\\\\") ? 2 : 0;
    std::string form = whole.substr(0, kept);
    for (size_t at = kept; at < whole.size(); ++at)
        if (whole[at] != '\\' || form.empty() || form.back() != '\\') form += whole[at];
    while (form.size() > kept && form.back() == '\\') form.pop_back();
    return form + "\\" + std::string(name);
}

std::string RangeText(const ByteRange& range) {
    std::string text = std::to_string(range.first);
    if (range.last != range.first) text += "-" + std::to_string(range.last);
    return text;
}

std::string RangesText(const std::vector<ByteRange>& ranges, const char* between) {
    std::string text;
    for (size_t i = 0; i < ranges.size(); ++i) text += (i ? between : "") + RangeText(ranges[i]);
    return text;
}

int64_t ByteCount(const std::vector<ByteRange>& ranges) {
    int64_t count = 0;
    for (const ByteRange& range : ranges) count += range.last - range.first + 1;
    return count;
}

std::string RecordLine(const std::string& destiny, int kind, const std::vector<ByteRange>& ranges,
                       int64_t size, uint64_t writeTime, const SourceIdentity& source) {
    std::string text = kind == kComplete ? "-" : RangesText(ranges, " ");
    return destiny + "\t" + std::string(kKindWords[kind]) + "\t" + text + "\t" +
           std::to_string(size) + "\t" + rt::FileTimeStamp(writeTime) + "\t" + source.path + "\t" +
           std::to_string(source.size) + "\t" + rt::FileTimeStamp(source.writeTime);
}

namespace {

constexpr unsigned kCompleteBit = 1u << kComplete;
constexpr size_t kLongestLine = size_t{64} << 20;  // far beyond any honest record line

// Strict UTF-8: no overlong forms, surrogates or code points beyond U+10FFFF.
bool IsUtf8(std::string_view text) {
    for (size_t at = 0; at < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[at]);
        size_t length = c < 0x80   ? 1
                        : c < 0xC2 ? 0
                        : c < 0xE0 ? 2
                        : c < 0xF0 ? 3
                        : c < 0xF5 ? 4
                                   : 0;
        if (length == 0 || text.size() - at < length) return false;
        uint32_t point = length == 1 ? c : c & (0x7F >> length);
        for (size_t i = 1; i < length; ++i) {
            unsigned char next = static_cast<unsigned char>(text[at + i]);
            if ((next & 0xC0) != 0x80) return false;
            point = point << 6 | (next & 0x3F);
        }
        if ((length == 3 && (point < 0x800 || (point >= 0xD800 && point <= 0xDFFF))) ||
            (length == 4 && (point < 0x10000 || point > 0x10FFFF)))
            return false;
        at += length;
    }
    return true;
}

// Decimal digits only, as the writer puts them: no sign, no leading zero, at most `limit`.
bool ParseNumber(std::string_view text, uint64_t limit, uint64_t* value) {
    if (text.empty() || (text[0] == '0' && text.size() > 1)) return false;
    uint64_t number = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        uint64_t digit = static_cast<uint64_t>(c - '0');
        if (number > (limit - digit) / 10) return false;
        number = number * 10 + digit;
    }
    *value = number;
    return true;
}

constexpr uint64_t kMost = static_cast<uint64_t>(INT64_MAX);

// "first" or "first-last" separated by single blanks, ascending and apart; touching ones merge.
bool ParseRanges(std::string_view text, std::vector<ByteRange>* ranges) {
    for (size_t at = 0;;) {
        size_t end = std::min(text.find(' ', at), text.size());
        std::string_view item = text.substr(at, end - at);
        size_t dash = item.find('-');
        uint64_t first = 0, last = 0;
        if (!ParseNumber(item.substr(0, dash), kMost, &first)) return false;
        last = first;
        if (dash != std::string_view::npos && !ParseNumber(item.substr(dash + 1), kMost, &last))
            return false;
        ByteRange range{static_cast<int64_t>(first), static_cast<int64_t>(last)};
        if (range.last < range.first) return false;
        if (!ranges->empty() && range.first <= ranges->back().last) return false;
        if (!ranges->empty() && range.first == ranges->back().last + 1)
            ranges->back().last = range.last;
        else
            ranges->push_back(range);
        if (end == text.size()) return true;
        at = end + 1;
    }
}

constexpr size_t kMostFields = 8;

// Up to eight TAB-separated fields; the count says how many there are, one more for more.
size_t SplitFields(std::string_view line, std::string_view* fields) {
    size_t count = 0;
    for (size_t at = 0; count < kMostFields; ++count) {
        size_t tab = line.find('\t', at);
        fields[count] = line.substr(at, tab == std::string_view::npos ? tab : tab - at);
        if (tab == std::string_view::npos) return count + 1;
        at = tab + 1;
    }
    return kMostFields + 1;
}

struct ParsedLine {
    int kind = 0;
    std::vector<ByteRange> ranges;
    uint64_t size = 0, writeTime = 0;
    bool sourceKnown = false;
    SourceIdentity source;
};

// The fields after the path: kind, ranges ("-" with "complete" alone), size, time, and the
// source's path, size and time when the line has them.
bool ParseLine(const std::string_view* fields, size_t count, ParsedLine* line) {
    line->kind = -1;
    for (int kind = 0; kind <= kComplete; ++kind)
        if (fields[1] == kKindWords[kind]) line->kind = kind;
    if (line->kind < 0 || (count != 5 && count != kMostFields)) return false;
    bool ranged =
        line->kind == kComplete ? fields[2] == "-" : ParseRanges(fields[2], &line->ranges);
    if (!ranged || !ParseNumber(fields[3], kMost, &line->size) ||
        !rt::ParseFileTimeStamp(fields[4], &line->writeTime))
        return false;
    line->sourceKnown = count == kMostFields;
    if (!line->sourceKnown) return true;
    line->source.path = std::string(fields[5]);
    return !fields[5].empty() && ParseNumber(fields[6], kMost, &line->source.size) &&
           rt::ParseFileTimeStamp(fields[7], &line->source.writeTime);
}

// Lines of one block agree on the destiny as it lay and on its source.
bool SameFiles(const RecordedDamage& damage, const ParsedLine& line) {
    return damage.size == line.size && damage.writeTime == line.writeTime &&
           damage.sourceKnown == line.sourceKnown && damage.source.path == line.source.path &&
           damage.source.size == line.source.size &&
           damage.source.writeTime == line.source.writeTime;
}

// The rules of a sound block's ranges; counts the listed bytes.
bool RangesHold(RecordedDamage& damage) {
    int64_t size = static_cast<int64_t>(damage.size);
    std::vector<ByteRange> all;
    for (int kind = 0; kind < kDamageKinds; ++kind)
        for (const ByteRange& range : damage.ranges[kind]) {
            if (kind != missing && range.last >= size) return false;  // bytes on the file
            all.push_back(range);
        }
    const std::vector<ByteRange>& lost = damage.ranges[missing];
    if (lost.size() > 1 || (!lost.empty() && lost[0].first != size)) return false;
    if (!lost.empty() && damage.sourceKnown &&
        static_cast<uint64_t>(lost[0].last) >= damage.source.size)
        return false;
    std::sort(all.begin(), all.end(),
              [](const ByteRange& a, const ByteRange& b) { return a.first < b.first; });
    damage.listedBytes = 0;
    for (size_t i = 0; i < all.size(); ++i) {
        if (i > 0 && all[i].first <= all[i - 1].last) return false;  // two kinds on one byte
        if (__builtin_add_overflow(damage.listedBytes, all[i].last - all[i].first + 1,
                                   &damage.listedBytes))
            return false;
    }
    return true;
}

// One line naming the path, `line` null when it does not parse.
void Note(DamageScan::Block& block, ParsedLine* line) {
    block.names = true;
    if (!block.sound) return;
    unsigned bit = line ? 1u << line->kind : 0, kinds = block.kinds | bit;
    bool agrees =
        line && !(block.kinds & bit) && (block.kinds == 0 || SameFiles(block.damage, *line));
    if (!agrees || ((kinds & kCompleteBit) && kinds != kCompleteBit)) {
        block.sound = false;
        block.damage = RecordedDamage{};  // its ranges serve no one now
        return;
    }
    block.kinds = kinds;
    block.damage.size = line->size;
    block.damage.writeTime = line->writeTime;
    block.damage.sourceKnown = line->sourceKnown;
    block.damage.source = std::move(line->source);
    if (line->kind == kComplete)
        block.damage.complete = true;
    else
        block.damage.ranges[line->kind] = std::move(line->ranges);
}

}  // namespace

DamageScan::DamageScan(std::string path) : path(std::move(path)) {}

void DamageScan::Feed(std::string_view text) {
    if (!text.empty() && text[0] == '#' && text.find('\t') == std::string_view::npos) {
        if (current.names) latest = std::move(current);
        current = Block{};
        return;
    }
    std::string converted;
    if (!IsUtf8(text)) text = converted = os::FromCodePage(text);  // a record of older runs
    std::string_view fields[kMostFields];
    size_t count = SplitFields(text, fields);
    if (!os::SameName(fields[0], path)) return;
    ParsedLine parsed;
    Note(current, ParseLine(fields, count, &parsed) ? &parsed : nullptr);
}

void DamageScan::FeedCut(std::string_view head) {
    size_t tab = head.find('\t');
    if (tab != std::string_view::npos) head = head.substr(0, tab + 1);  // the path, then nothing
    Feed(head);
}

void RecordLines::Feed(std::string_view bytes, const OnLine& onLine) {
    while (!bytes.empty()) {
        size_t end = bytes.find('\n');
        std::string_view piece = bytes.substr(0, end);
        if (!cut && line.empty() && end != std::string_view::npos && piece.size() <= kLongestLine) {
            if (!piece.empty() && piece.back() == '\r') piece.remove_suffix(1);
            onLine(piece, start, false);  // a whole line in hand: handed on without a copy
            at += static_cast<int64_t>(end + 1);
            start = at;
            bytes.remove_prefix(end + 1);
            continue;
        }
        if (!cut && line.size() + piece.size() > kLongestLine) {
            line.append(piece.substr(0, kLongestLine - line.size()));
            onLine(line, start, true);
            cut = true;
            std::string().swap(line);
        } else if (!cut) {
            line.append(piece);
        }
        if (end == std::string_view::npos) {
            at += static_cast<int64_t>(bytes.size());
            return;
        }
        if (!cut && !line.empty() && line.back() == '\r') line.pop_back();
        if (!cut) onLine(line, start, false);
        line.clear();
        cut = false;
        at += static_cast<int64_t>(end + 1);
        start = at;
        bytes.remove_prefix(end + 1);
    }
}

void RecordLines::End(const OnLine& onLine) {
    if (!cut && !line.empty()) onLine(line, start, false);
    line.clear();
    cut = false;
}

namespace {

RecordLines::OnLine Scanning(DamageScan& scan) {
    return [&scan](std::string_view line, int64_t, bool cut) {
        cut ? scan.FeedCut(line) : scan.Feed(line);
    };
}

}  // namespace

void DamageScan::FeedBytes(std::string_view bytes) { lines.Feed(bytes, Scanning(*this)); }

void DamageScan::End() { lines.End(Scanning(*this)); }

bool DamageScan::Latest(RecordedDamage* found) const {
    const Block& block = current.names ? current : latest;
    if (!block.names || !block.sound) return false;
    *found = block.damage;
    return RangesHold(*found);
}

namespace {

bool OpensRun(std::string_view line) {
    return !line.empty() && line[0] == '#' && line.find('\t') == std::string_view::npos;
}

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Whether a path in ASCII, or any path's key, names a file right in the index's folder.
bool InFolder(const DamageIndex& index, std::string_view path) {
    const std::string& folder = index.folder;
    if (index.everyFolder) return true;
    if (path.size() < folder.size() || path.find('\\', folder.size()) != std::string_view::npos)
        return false;
    for (size_t i = 0; i < folder.size(); ++i)
        if (AsciiUpper(path[i]) != folder[i]) return false;
    return true;
}

// A line's place under the path it names, as DamageScan::Feed and FeedCut compare it: a line
// of the block the path's lines are in joins them, a line of a later block replaces them.
void IndexLine(DamageIndex& index, std::string_view line, int64_t offset, bool cut) {
    if (cut) line = line.substr(0, std::min(line.size(), line.find('\t') + 1));
    if (OpensRun(line)) {
        ++index.block;
        return;
    }
    std::string_view path = line.substr(0, line.find('\t'));
    // A path in ASCII reads the same in any code page: the rest of its line need not be looked at.
    bool ascii = IsAscii(path);
    if (ascii && !InFolder(index, path)) return;  // the common case, without a key
    std::string key =
        ascii || IsUtf8(line) ? os::NameKey(path) : os::NameKey(os::FromCodePage(path));
    if (!ascii && !InFolder(index, key)) return;
    DamageIndex::Lines& lines = index.paths[std::move(key)];
    if (lines.block != index.block) lines.spans.clear();
    lines.block = index.block;
    lines.spans.push_back(DamageIndex::Span{offset, static_cast<uint32_t>(line.size()), cut});
}

constexpr uint32_t kShareAll = os::kShareRead | os::kShareWrite;
constexpr uint32_t kBuildChunk = 1u << 20;

bool OpenRecord(DamageIndex& index, uint32_t* error) {
    os::FileHandle file = os::kInvalidFile;
    *error = os::OpenFile(kDamageFileName, os::kAccessRead, kShareAll, os::kOpenExisting,
                          os::kAttrNormal, &file);
    index.file = file;
    return *error == 0;
}

void BuildIndex(DamageIndex& index, const std::string& folder) {
    ReleaseDamageIndex(index);
    bool everyFolder = index.everyFolder;
    index = DamageIndex{};
    index.everyFolder = everyFolder;
    if (!everyFolder) index.folder = folder;
    uint32_t error = 0;
    bool opened = OpenRecord(index, &error);
    index.built = opened || error == os::kErrorFileNotFound;  // else: again next time
    if (!opened) return;
    RecordLines lines;
    auto onLine = [&index](std::string_view line, int64_t offset, bool cut) {
        IndexLine(index, line, offset, cut);
    };
    uint64_t size = 0;
    os::FileSize(index.file, &size);  // only to size the reads: a record grown since is read whole
    uint32_t reads = static_cast<uint32_t>(std::clamp<uint64_t>(size + 1, 4096, kBuildChunk));
    std::vector<char> chunk(reads);
    uint32_t got = 0;
    while ((error = os::ReadFile(index.file, chunk.data(), reads, &got)) == 0 && got > 0)
        lines.Feed(std::string_view(chunk.data(), got), onLine);
    index.endsLine = !lines.Within();
    lines.End(onLine);
    index.end = lines.at;
    index.readable = error == 0;
}

// The bytes [offset, offset + length) of the record; false when they cannot all be read.
bool ReadSpan(os::FileHandle file, const DamageIndex::Span& span, std::string* text) {
    text->resize(span.length);
    for (uint32_t done = 0, got = 0; done < span.length; done += got)
        if (os::ReadFileAt(file, span.offset + done, text->data() + done, span.length - done,
                           &got) != 0 ||
            got == 0)
            return false;
    return true;
}

}  // namespace

void AppendDamageLines(const std::vector<std::string>& lines, DamageIndex* index) {
    std::lock_guard<std::mutex> hold(OutputLock());
    rt::TextFile record;
    rt::Bind(record, kDamageFileName);
    if (rt::PathExists(kDamageFileName))
        rt::OpenAppend(record);
    else
        rt::CreateNew(record);
    rt::CheckStrict();
    uint64_t size = 0;
    // Lines that follow the indexed ones go into the index; anything else has changed the
    // record behind its back, and it is read whole again.
    bool follows = index && index->built && index->readable && index->endsLine &&
                   os::FileSize(record.handle, &size) == 0 &&
                   static_cast<int64_t>(size) == index->end;
    if (index && !follows) index->built = false;
    for (const std::string& line : lines) {
        rt::WriteLine(record, line);
        rt::CheckStrict();
        if (!follows) continue;
        bool cut = line.size() > kLongestLine;
        IndexLine(*index, std::string_view(line).substr(0, kLongestLine), index->end, cut);
        index->end += static_cast<int64_t>(line.size() + 2);
    }
    rt::Close(record);
    rt::CheckStrict();
}

void ReleaseDamageIndex(DamageIndex& index) {
    if (index.file != os::kInvalidFile) os::CloseFile(index.file);
    index.file = os::kInvalidFile;
    index.built = false;
}

Recorded LatestDamage(DamageIndex& index, const std::string& path, RecordedDamage* found) {
    // The platform itself: the thread's pending IoResult must neither skip this nor be touched.
    const std::string key = os::NameKey(path);
    const std::string folder = key.substr(0, key.rfind('\\') + 1);
    if (index.built && !index.everyFolder && folder != index.folder) {
        index.everyFolder = true;  // looked up elsewhere: every folder's lines are wanted
        index.built = false;
    }
    for (int reading = 0; reading < 2; ++reading) {  // a second time from scratch: see below
        if (!index.built) BuildIndex(index, folder);
        auto named = index.readable ? index.paths.find(key) : index.paths.end();
        uint32_t error = 0;
        if (named == index.paths.end() ||
            (index.file == os::kInvalidFile && !OpenRecord(index, &error)))  // made since
            return Recorded::None;
        DamageScan scan(path);
        std::string line;
        bool read = true;
        for (const DamageIndex::Span& span : named->second.spans) {
            read = ReadSpan(index.file, span, &line);
            if (!read) break;
            span.cut ? scan.FeedCut(line) : scan.Feed(line);
        }
        if (read && !scan.Names()) return Recorded::None;
        if (read) return scan.Latest(found) ? Recorded::Sound : Recorded::Unsound;
        index.built = false;  // the record is not what was indexed: read it whole again
    }
    return Recorded::None;
}

// Each kind's ranges are ascending and apart: the first ending at or after `at` is found by
// halving, so a file with many ranges costs no more per byte than one with a few.
const ByteRange* ListedFrom(const RecordedDamage& damage, int64_t at, DamageKind* kind) {
    const ByteRange* best = nullptr;
    for (int k = 0; k < kDamageKinds; ++k) {
        const std::vector<ByteRange>& ranges = damage.ranges[k];
        auto next = std::partition_point(ranges.begin(), ranges.end(),
                                         [at](const ByteRange& range) { return range.last < at; });
        if (next == ranges.end() || (best && next->first >= best->first)) continue;
        best = &*next;
        *kind = static_cast<DamageKind>(k);
    }
    return best;
}

std::vector<int64_t> UnlistedNear(const RecordedDamage& damage, int64_t end, int most) {
    std::vector<int64_t> near;
    DamageKind kind = missing;
    const ByteRange* first = ListedFrom(damage, 0, &kind);
    if (first == nullptr) return near;
    int64_t below = first->first - 1, above = first->last + 1;
    while (static_cast<int>(near.size()) < most && (below >= 0 || above < end)) {
        if (below >= 0) near.push_back(below--);  // nothing below the first range is listed
        const ByteRange* next = ListedFrom(damage, above, &kind);
        while (next && next->first <= above) {
            above = next->last + 1;
            next = ListedFrom(damage, above, &kind);
        }
        if (above < end && static_cast<int>(near.size()) < most) near.push_back(above++);
    }
    return near;
}

}  // namespace output
