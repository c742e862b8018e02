#include "output/console.h"

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
// One posted refresh at a time is enough: its handler shows the newest text.
std::atomic<bool> refreshPending{false};

void RequestRefresh() {
    if (Controls.mainWindow == 0) return;
    if (refreshPending.exchange(true)) return;
    if (!os::Post(Controls.mainWindow, kMsgRefreshConsole, 0, 0)) refreshPending = false;
}

void SetModel(std::string text) {
    {
        std::lock_guard<std::mutex> hold(modelLock);
        model = std::move(text);
    }
    RequestRefresh();
}

// The size of the backing file as its directory entry gives it; -1 when there is none.
int32_t ListedSize() {
    rt::DirEntry entry;
    int32_t found = rt::FindFirst(kConsoleFileName, rt::kAnyFile, entry);
    rt::FindClose(entry);
    if (found != 0) return -1;
    return static_cast<int32_t>(static_cast<uint32_t>(entry.size));  // low 32 bits, signed
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

void EraseIfFound() {
    if (!rt::PathExists(kConsoleFileName)) return;
    rt::ByteFile file;
    rt::Bind(file, kConsoleFileName);
    rt::Erase(file);
    rt::CheckStrict();
}

}  // namespace

void SaveConsolePane() {
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
    if (ListedSize() <= 0) return;  // an empty file leaves the pane as it is
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
    block.resize(std::strlen(block.c_str()));  // the pane takes the text up to a zero byte
    SetModel(std::move(block));
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
    os::SetText(Controls.consolePane, ConsoleText().c_str());
}

void ResetConsole() {
    std::lock_guard<std::mutex> hold(OutputLock());
    std::lock_guard<std::mutex> holdModel(modelLock);
    model.clear();
    refreshPending = false;
}

}  // namespace output
