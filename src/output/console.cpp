#include "output/console.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <new>
#include <stdexcept>

#include "output/controls.h"
#include "output/messages.h"
#include "platform/os.h"
#include "runtime/dir_search.h"
#include "runtime/files.h"
#include "runtime/io_result.h"
#include "settings/settings.h"

namespace output {

const char* const kConsoleFileName = "tramox.console";

namespace {

// The model changes only under the output lock; modelLock lets the main thread read it
// without waiting for a whole output operation.
std::mutex modelLock;
std::string model;
// Counts the times the model was replaced by a text that does not begin with it.
uint64_t modelEpoch = 0;
// The pane shows the first shownLength bytes of the model of epoch shownEpoch (modelLock).
uint64_t shownEpoch = 0;
size_t shownLength = 0;
// One posted refresh at a time is enough: its handler shows the newest text.
std::atomic<bool> refreshPending{false};

// The backing file as it was found right after the program's last line or load, while it held
// exactly the model (output lock).
struct FileMark {
    bool known = false;
    uint64_t size = 0;
    uint64_t writeTime = 0;
    uint32_t attributes = 0;
};
FileMark mark;

// Bytes compared at each end of the file before a line is appended: more than the longest line,
// so that a rewrite of the same size touching the last line is seen even within the file
// system's time step.
constexpr size_t kProbe = 512;

void RequestRefresh() {
    if (Controls.mainWindow == 0) return;
    if (refreshPending.exchange(true)) return;
    if (!os::Post(Controls.mainWindow, kMsgRefreshConsole, 0, 0)) refreshPending = false;
}

void SetModel(std::string text) {
    {
        std::lock_guard<std::mutex> hold(modelLock);
        if (text.compare(0, model.size(), model) != 0) ++modelEpoch;
        model = std::move(text);
    }
    RequestRefresh();
}

void ExtendModel(std::string_view more) {
    {
        std::lock_guard<std::mutex> hold(modelLock);
        model += more;
    }
    RequestRefresh();
}

// The text the pane lacks, or the whole model when the pane cannot simply be extended; the
// pane counts as showing the model from now on. Returns true for the whole model.
bool TakeUnshown(bool whole, std::string* text) {
    std::lock_guard<std::mutex> hold(modelLock);
    whole = whole || shownEpoch != modelEpoch || shownLength > model.size();
    *text = model.substr(whole ? 0 : shownLength);
    shownEpoch = modelEpoch;
    shownLength = model.size();
    return whole;
}

// The backing file's directory entry, from the platform's search rather than rt's: its write
// time keeps the file system's own precision. False when nothing is found.
bool FindConsoleFile(os::FindData* entry) {
    os::FindHandle handle = os::kInvalidFind;
    if (os::FindFirst(kConsoleFileName, entry, &handle) != 0) return false;
    os::FindClose(handle);
    return true;
}

void Mark(const os::FindData& entry) {
    mark = FileMark{true, entry.size, entry.writeTime, entry.attributes};
}

bool MatchesMark(const os::FindData& entry) {
    return mark.known && entry.size == mark.size && entry.writeTime == mark.writeTime &&
           entry.attributes == mark.attributes && mark.size == model.size();
}

// A transfer block that cannot be had ends the program as a heap overflow.
std::string TransferBlock(int64_t size) {
    if (size > INT32_MAX) rt::RunError(rt::kHeapOverflow);  // past a 32-bit block's reach
    try {
        return std::string(static_cast<size_t>(size), '\0');
    } catch (const std::bad_alloc&) {
        rt::RunError(rt::kHeapOverflow);
    } catch (const std::length_error&) {
        rt::RunError(rt::kHeapOverflow);
    }
}

// Reads the whole file found as `entry` into the model; a listed size (its low 32 bits, signed)
// not above 0 leaves the pane as it is.
void LoadFound(const os::FindData& entry) {
    mark.known = false;
    if (static_cast<int32_t>(static_cast<uint32_t>(entry.size)) <= 0) return;
    rt::ByteFile file;
    rt::Bind(file, kConsoleFileName);
    rt::OpenRead(file);
    rt::CheckStrict();
    int64_t size = rt::Size(file);
    rt::CheckStrict();
    std::string block = TransferBlock(size);
    if (size > 0) {
        rt::Read(file, block.data(), static_cast<uint32_t>(size));
        rt::CheckStrict();
    }
    rt::Close(file);
    rt::CheckStrict();
    size_t text = std::strlen(block.c_str());  // the pane takes the text up to a zero byte
    bool exact = text == block.size() && entry.size == block.size();
    block.resize(text);
    SetModel(std::move(block));
    if (exact) Mark(entry);
}

// Whether the file's bytes [from, from + count) are the model's.
bool SameBytes(rt::ByteFile& file, size_t from, size_t count) {
    if (count == 0) return true;
    std::string bytes(count, '\0');
    rt::Seek(file, static_cast<int64_t>(from));
    rt::CheckStrict();
    rt::Read(file, bytes.data(), static_cast<uint32_t>(count));
    rt::CheckStrict();
    return model.compare(from, count, bytes) == 0;
}

// Appends `added` to the file when it still holds the model as far as its size and the bytes at
// both of its ends tell; false, with the file unchanged, otherwise. Opened with the access and
// sharing of a rewrite, so that it fails where a rewrite would.
bool AppendIfUnchanged(std::string_view added) {
    rt::ByteFile file;
    rt::Bind(file, kConsoleFileName);
    rt::Open(file, os::kAccessRead | os::kAccessWrite, os::kShareRead, os::kOpenAlways,
             os::kAttrNormal);
    rt::CheckStrict();
    size_t size = model.size();
    size_t head = std::min(size, kProbe);
    size_t tail = std::max(head, size - std::min(size, kProbe));
    bool same = rt::Size(file) == static_cast<int64_t>(size);
    rt::CheckStrict();
    same = same && SameBytes(file, 0, head) && SameBytes(file, tail, size - tail);
    if (same) {  // the last probe ended at the file's end
        rt::Write(file, added.data(), static_cast<uint32_t>(added.size()));
        rt::CheckStrict();
    }
    rt::Close(file);
    rt::CheckStrict();
    return same;
}

void EraseIfFound() {
    mark.known = false;
    if (!rt::PathExists(kConsoleFileName)) return;
    rt::ByteFile file;
    rt::Bind(file, kConsoleFileName);
    rt::Erase(file);
    rt::CheckStrict();
}

}  // namespace

void SaveConsolePane() {
    mark.known = false;
    rt::ByteFile file;
    rt::Bind(file, kConsoleFileName);
    rt::CreateNew(file);  // keeps a hidden file hidden
    rt::CheckStrict();
    // Only output operations change the model, and the caller holds their lock.
    if (!model.empty()) {
        rt::Write(file, model.data(), static_cast<uint32_t>(model.size()));
        rt::CheckStrict();
    }
    rt::Close(file);
    rt::CheckStrict();
}

void LoadConsolePane() {
    if (!Settings.enableConsole) return;
    os::FindData entry{};
    if (FindConsoleFile(&entry)) LoadFound(entry);
}

bool AppendConsoleLine(std::string_view line) {
    if (!Settings.enableConsole || line.find('\0') != line.npos) return false;
    os::FindData entry{};
    if (!FindConsoleFile(&entry) || !MatchesMark(entry)) return false;
    std::string added(line);
    added += "\r\n";
    if (!AppendIfUnchanged(added)) return false;
    // What a reload would read, unless the file changed again meanwhile.
    uint64_t expected = model.size() + added.size();
    mark.known = false;
    if (!FindConsoleFile(&entry)) return true;
    if (entry.size != expected || expected > INT32_MAX) {
        LoadFound(entry);
        return true;
    }
    ExtendModel(added);
    Mark(entry);
    return true;
}

void ClearConsole() {
    std::lock_guard<std::mutex> hold(OutputLock());
    EraseIfFound();
    SetModel(std::string());
}

void EraseConsoleFile() {
    std::lock_guard<std::mutex> hold(OutputLock());
    EraseIfFound();
}

std::string ConsoleText() {
    std::lock_guard<std::mutex> hold(modelLock);
    return model;
}

void ShowConsoleText() {
    refreshPending = false;  // before reading, so that a newer text posts again
    std::string text;
    if (!TakeUnshown(false, &text)) {
        if (text.empty() || os::AppendText(Controls.consolePane, text.c_str())) return;
        TakeUnshown(true, &text);  // the pane did not take it all
    }
    os::SetText(Controls.consolePane, text.c_str());
}

void ResetConsole() {
    std::lock_guard<std::mutex> hold(OutputLock());
    std::lock_guard<std::mutex> holdModel(modelLock);
    model.clear();
    ++modelEpoch;  // whatever a pane shows, the next refresh sets its whole text
    mark.known = false;
    refreshPending = false;
}

}  // namespace output
