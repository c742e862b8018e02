// Message boxes and the two common dialogs, answered from the tests' scripts.
#include <algorithm>
#include <cstring>

#include "platform/simulated/state.h"

namespace sim::internal {

namespace {

constexpr size_t kPathCapacity = 260;  // MAX_PATH, the terminating zero included

// The filter's bytes: pairs of zero-terminated texts up to and including the closing zero.
std::string FilterBytes(const char* filter) {
    if (filter == nullptr) return std::string();
    const char* end = filter;
    while (*end != 0) end += std::strlen(end) + 1;
    return std::string(filter, end + 1);
}

void CopyCut(const std::string& text, char* buffer, size_t capacity) {
    if (buffer == nullptr || capacity == 0) return;
    size_t count = std::min(text.size(), capacity - 1);
    std::memcpy(buffer, text.data(), count);
    buffer[count] = 0;
}

}  // namespace

}  // namespace sim::internal

namespace os {

using namespace sim::internal;

int32_t ShowMessageBox(Window owner, const char* text, const char* caption, uint32_t flags) {
    Lock lock(Mutex());
    Machine().boxes.push_back(sim::Box{owner, text ? text : "", caption ? caption : "", flags});
    return Machine().boxAnswer;
}

// Each scripted answer serves one dialog; without one the user cancels.
bool ChooseFile(OpenFileRecord& record) {
    Lock lock(Mutex());
    Dialogs& dialogs = Machine().dialogs;
    dialogs.lastFile = record;
    dialogs.lastFilter = FilterBytes(record.filter);
    bool chosen = dialogs.fileAnswered && !dialogs.fileCancel;
    dialogs.fileAnswered = false;
    if (!chosen || record.file == nullptr || record.maxFile == 0) return false;
    CopyCut(dialogs.filePath, record.file, record.maxFile);
    return true;
}

ItemList BrowseFolder(const BrowseRecord& record) {
    Lock lock(Mutex());
    Dialogs& dialogs = Machine().dialogs;
    dialogs.lastFolder = record;
    bool chosen = dialogs.folderAnswered && !dialogs.folderCancel;
    dialogs.folderAnswered = false;
    if (!chosen) return 0;
    const std::string& path = dialogs.folderPath;
    size_t slash = path.find_last_of('\\');
    CopyCut(slash == std::string::npos ? path : path.substr(slash + 1), record.displayName,
            kPathCapacity);
    ItemList list = NewHandle();
    dialogs.itemLists[list] = path;
    return list;
}

bool PathFromItemList(ItemList list, std::string* path) {
    Lock lock(Mutex());
    auto& lists = Machine().dialogs.itemLists;
    auto found = lists.find(list);
    if (found == lists.end()) return false;
    *path = found->second;
    return true;
}

void FreeItemList(ItemList list) {
    Lock lock(Mutex());
    Machine().dialogs.itemLists.erase(list);
}

}  // namespace os

namespace sim {

using namespace internal;

std::vector<Box> MessageBoxes() {
    Lock lock(Mutex());
    return Machine().boxes;
}

void AnswerMessageBoxes(int32_t answer) {
    Lock lock(Mutex());
    Machine().boxAnswer = answer;
}

void AnswerFileDialog(const std::string& path, bool cancel) {
    Lock lock(Mutex());
    Dialogs& dialogs = Machine().dialogs;
    dialogs.fileAnswered = true;
    dialogs.fileCancel = cancel;
    dialogs.filePath = path;
}

os::OpenFileRecord LastFileDialog() {
    Lock lock(Mutex());
    return Machine().dialogs.lastFile;
}

std::string LastFileDialogFilter() {
    Lock lock(Mutex());
    return Machine().dialogs.lastFilter;
}

void AnswerFolderDialog(const std::string& path, bool cancel) {
    Lock lock(Mutex());
    Dialogs& dialogs = Machine().dialogs;
    dialogs.folderAnswered = true;
    dialogs.folderCancel = cancel;
    dialogs.folderPath = path;
}

os::BrowseRecord LastFolderDialog() {
    Lock lock(Mutex());
    return Machine().dialogs.lastFolder;
}

int ItemListsAlive() {
    Lock lock(Mutex());
    return static_cast<int>(Machine().dialogs.itemLists.size());
}

}  // namespace sim
