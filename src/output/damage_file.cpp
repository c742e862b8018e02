#include "output/damage_file.h"

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

void AppendDamageLines(const std::vector<std::string>& lines) {
    std::lock_guard<std::mutex> hold(OutputLock());
    rt::TextFile record;
    rt::Bind(record, kDamageFileName);
    if (rt::PathExists(kDamageFileName))
        rt::OpenAppend(record);
    else
        rt::CreateNew(record);
    rt::CheckStrict();
    for (const std::string& line : lines) {
        rt::WriteLine(record, line);
        rt::CheckStrict();
    }
    rt::Close(record);
    rt::CheckStrict();
}

namespace {

using Range = std::pair<int64_t, int64_t>;

constexpr std::string_view kKindWords[] = {"made-up", "differs", "missing", "complete"};
constexpr int kComplete = 3;
constexpr unsigned kCompleteBit = 1u << kComplete;
constexpr size_t kLongestLine = size_t{64} << 20;  // far beyond any honest record line
constexpr uint32_t kChunk = 1u << 16;

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

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
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

// "first" or "first-last" separated by single blanks, ascending and apart; touching ones merge.
bool ParseRanges(std::string_view text, std::vector<Range>* ranges) {
    constexpr uint64_t kMost = static_cast<uint64_t>(INT64_MAX);
    for (size_t at = 0;;) {
        size_t end = std::min(text.find(' ', at), text.size());
        std::string_view item = text.substr(at, end - at);
        size_t dash = item.find('-');
        uint64_t first = 0, last = 0;
        if (!ParseNumber(item.substr(0, dash), kMost, &first)) return false;
        last = first;
        if (dash != std::string_view::npos && !ParseNumber(item.substr(dash + 1), kMost, &last))
            return false;
        Range range{static_cast<int64_t>(first), static_cast<int64_t>(last)};
        if (range.second < range.first) return false;
        if (!ranges->empty() && range.first <= ranges->back().second) return false;
        if (!ranges->empty() && range.first == ranges->back().second + 1)
            ranges->back().second = range.second;
        else
            ranges->push_back(range);
        if (end == text.size()) return true;
        at = end + 1;
    }
}

// Up to five TAB-separated fields; the count says how many there are, 6 for more.
size_t SplitFields(std::string_view line, std::string_view* fields) {
    size_t count = 0;
    for (size_t at = 0; count < 5; ++count) {
        size_t tab = line.find('\t', at);
        fields[count] = line.substr(at, tab == std::string_view::npos ? tab : tab - at);
        if (tab == std::string_view::npos) return count + 1;
        at = tab + 1;
    }
    return 6;
}

struct RecordLine {
    int kind = 0;
    std::vector<Range> ranges;
    uint64_t size = 0, writeTime = 0;
};

// The fields after the path: kind, ranges ("-" with "complete" alone), size, time.
bool ParseLine(const std::string_view* fields, RecordLine* line) {
    line->kind = -1;
    for (int kind = 0; kind <= kComplete; ++kind)
        if (fields[1] == kKindWords[kind]) line->kind = kind;
    if (line->kind < 0) return false;
    bool ranged =
        line->kind == kComplete ? fields[2] == "-" : ParseRanges(fields[2], &line->ranges);
    return ranged && ParseNumber(fields[3], UINT64_MAX, &line->size) &&
           rt::ParseFileTimeStamp(fields[4], &line->writeTime);
}

// One line naming the path, `line` null when it does not parse.
void Note(DamageScan::Block& block, RecordLine* line) {
    block.names = true;
    if (!block.sound) return;
    unsigned bit = line ? 1u << line->kind : 0, kinds = block.kinds | bit;
    bool agrees = line && !(block.kinds & bit) &&
                  (block.kinds == 0 ||
                   (line->size == block.damage.size && line->writeTime == block.damage.writeTime));
    if (!agrees || ((kinds & kCompleteBit) && kinds != kCompleteBit)) {
        block.sound = false;
        block.damage = RecordedDamage{};  // its ranges serve no one now
        return;
    }
    block.kinds = kinds;
    block.damage.size = line->size;
    block.damage.writeTime = line->writeTime;
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
    std::string_view fields[5];
    size_t count = SplitFields(text, fields);
    if (!SameLetters(fields[0], path)) return;
    RecordLine parsed;
    Note(current, count == 5 && ParseLine(fields, &parsed) ? &parsed : nullptr);
}

void DamageScan::FeedCut(std::string_view head) {
    size_t tab = head.find('\t');
    if (tab != std::string_view::npos) head = head.substr(0, tab + 1);  // the path, then nothing
    Feed(head);
}

void DamageScan::FeedBytes(std::string_view bytes) {
    while (!bytes.empty()) {
        size_t end = bytes.find('\n');
        std::string_view piece = bytes.substr(0, end);
        if (!lineCut && line.size() + piece.size() > kLongestLine) {
            line.append(piece.substr(0, kLongestLine - line.size()));
            FeedCut(line);
            lineCut = true;
            std::string().swap(line);
        } else if (!lineCut) {
            line.append(piece);
        }
        if (end == std::string_view::npos) return;
        if (!lineCut && !line.empty() && line.back() == '\r') line.pop_back();
        if (!lineCut) Feed(line);
        line.clear();
        lineCut = false;
        bytes.remove_prefix(end + 1);
    }
}

void DamageScan::End() {
    if (!lineCut && !line.empty()) Feed(line);
    line.clear();
    lineCut = false;
}

bool DamageScan::Latest(RecordedDamage* found) const {
    const Block& block = current.names ? current : latest;
    if (!block.names || !block.sound) return false;
    *found = block.damage;
    return true;
}

bool LatestDamage(const std::string& path, RecordedDamage* found) {
    // The platform itself: the thread's pending IoResult must neither skip this nor be touched.
    os::FileHandle file = os::kInvalidFile;
    if (os::OpenFile(kDamageFileName, os::kAccessRead, os::kShareRead | os::kShareWrite,
                     os::kOpenExisting, os::kAttrNormal, &file) != 0)
        return false;
    DamageScan scan(path);
    std::vector<char> chunk(kChunk);
    uint32_t got = 0, error = 0;
    while ((error = os::ReadFile(file, chunk.data(), kChunk, &got)) == 0 && got > 0)
        scan.FeedBytes(std::string_view(chunk.data(), got));
    os::CloseFile(file);
    scan.End();
    return error == 0 && scan.Latest(found);
}

}  // namespace output
