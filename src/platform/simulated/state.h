// The simulated machine's state, shared by the files of platform/simulated. One recursive mutex
// guards all of it: the program's worker thread and the main thread call in at the same time.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/os.h"
#include "platform/simulated/sim.h"

namespace sim::internal {

// A file or folder of the in-memory tree.
struct Node {
    std::string name;       // as created
    std::string shortName;  // an 8.3 alias the file is found by too; empty: none
    bool folder = false;
    uint32_t attributes = 0;
    std::string content;
    bool large = false;  // bytes read as (offset & 255) and are never stored
    uint64_t largeSize = 0;
    uint64_t writeTime = 0;
    std::map<std::string, std::shared_ptr<Node>> children;  // keyed by upper-case name
};
using NodePtr = std::shared_ptr<Node>;

// An absolute path, "." and ".." already resolved.
struct Path {
    char drive = 'C';
    std::vector<std::string> parts;
    bool trailingSlash = false;
};

// Where a path leads: its folder and entry. error is 0 (entry found, or missing in an existing
// folder: node is then null) or 3 when a folder on the way is missing.
struct Place {
    NodePtr parent;
    NodePtr node;
    uint32_t error = 0;
};

struct FileRecord {
    NodePtr node;
    std::string path;  // absolute, as faults see it; its first letter is the drive
    uint32_t access = 0;
    uint32_t share = 0;
    uint64_t position = 0;
    bool held = false;  // held open by "another program"
};

struct Search {
    std::vector<os::FindData> entries;
    size_t next = 0;
    std::string pattern;  // absolute, as faults see it
};

struct Fault {
    Op op;
    std::string pattern;  // upper case, absolute unless it starts with '*'
    int times;
    uint32_t error;
};

struct ReadFault {
    std::string path;  // upper case, absolute
    uint64_t first, last;
    int times;
    uint32_t error;
    std::map<uint64_t, int> failed;  // failures so far per byte
    bool whole = false;              // a read across a failing byte fails, as Windows's do
};

struct WindowRecord {
    WindowInfo info;
    os::WindowProc procedure = nullptr;
    bool alive = true;
    bool destroying = false;
    int32_t pixelWidth = 0, pixelHeight = 0;
    std::vector<uint32_t> pixels;  // client area, allocated on first drawing
};

struct ClassRecord {
    std::string name;
    os::WindowClass windowClass;  // its name points at `name`
};

struct FontRecord {
    os::Font handle;
    FontInfo info;
};

struct Dialogs {
    bool fileAnswered = false, fileCancel = false;
    std::string filePath;
    os::OpenFileRecord lastFile{};
    std::string lastFilter;
    bool folderAnswered = false, folderCancel = false;
    std::string folderPath;
    os::BrowseRecord lastFolder{};
    std::map<os::ItemList, std::string> itemLists;
};

struct State {
    // Files
    std::map<char, NodePtr> drives;
    std::map<char, uint32_t> driveErrors;  // drives that answer every use with an error
    Path currentFolder;
    std::map<os::FileHandle, FileRecord> files;
    std::map<os::FindHandle, Search> searches;
    // Faults and counters
    std::vector<Fault> faults;
    std::vector<ReadFault> readFaults;
    std::map<std::string, std::vector<std::pair<uint64_t, uint64_t>>> reads;  // upper-case path
    struct Spoiled {
        std::string path;  // upper case, absolute
        uint64_t first, last;
    };
    std::vector<Spoiled> spoiledWrites;
    std::map<char, uint64_t> diskLeft;  // bytes still free on the drives that fill up
    std::vector<char> writeProtected;
    std::map<std::string, int> writes;  // changing calls per upper-case absolute path
    std::array<int, static_cast<size_t>(Op::Count)> counts{};
    Traffic bytes{};
    // Clock
    os::LocalTime localTime{2010, 5, 1, 3, 14, 7, 9, 51};
    uint64_t steadyMicroseconds = 0;  // moved only by paced reads
    struct Pace {
        double bytesPerSecond, latencySeconds;
    };
    std::map<std::string, Pace> readPace;  // per upper-case path
    int32_t utcOffsetMinutes = 0;
    // Windows and messages
    std::map<std::string, ClassRecord> classes;  // keyed by upper-case name
    std::map<os::Window, WindowRecord> windows;
    std::vector<os::Window> windowOrder;
    std::deque<os::Message> queue;
    std::function<void()> idleScript;
    // Drawing
    std::vector<FontRecord> fonts;
    std::map<os::DeviceContext, os::Window> deviceContexts;
    int pixelCalls = 0, contextsTaken = 0, contextsHeld = 0;
    // Boxes, dialogs, programs
    std::vector<Box> boxes;
    int32_t boxAnswer = 1;
    Dialogs dialogs;
    std::vector<std::string> programs;
    uint32_t programResult = 33;
    std::function<void()> startingProgram;
};

// Handles are never reused, not even across Reset, so that a stale one is never mistaken for a
// live one.
intptr_t NewHandle();

std::recursive_mutex& Mutex();
using Lock = std::unique_lock<std::recursive_mutex>;
// The state; hold the mutex while touching it.
State& Machine();

// Records `code` as the thread's last error and returns it.
uint32_t SetLastError(uint32_t code);

// ---- Paths and the tree (paths.cpp) ----
std::string Upper(const std::string& text);
// Resolves a path against the current folder; false when it is empty.
bool ParsePath(const std::string& text, Path* path);
std::string PathText(const Path& path);
// The longest paths Windows takes, as given and made absolute; folder creation leaves room for
// an 8.3 name below the new folder.
// The seam hands long paths to Windows in the \\?\ form: 32767 characters, names of 255.
constexpr size_t kMostPath = 32767, kMostFolderPath = 32767, kMostName = 255;
constexpr uint32_t kErrorNameTooLong = 206;  // ERROR_FILENAME_EXCED_RANGE
// Parses a path argument of the seam into `path` and, for faults, `absolute`: 0, 3 when there is
// no path, 206 when it or one of its names is too long (`most`: the longest absolute path).
uint32_t ParseArgument(const char* text, size_t most, Path* path, std::string* absolute);
// A path whose last component is cut off.
Path ParentOf(const Path& path);
bool ValidName(const std::string& name);
Place Locate(const Path& path);
// The folder at `path`, created with its parents when missing; null when a file is in the way.
NodePtr MakeFolders(const Path& path);
uint64_t SizeOf(const Node& node);
// Attributes as GetFileAttributes reports them: 0x80 for a file without any bit.
uint32_t ReportedAttributes(const Node& node);
// Upper-case `text` against an upper-case pattern of "*" and "?", as the fault scripts match.
bool GlobMatch(const std::string& pattern, const std::string& text);

// ---- Faults (faults.cpp) ----
// Counts a call of `op` and returns the error a scripted fault gives it, or 0.
uint32_t TakeFault(Op op, const std::string& path);
// A read of `*count` bytes at `offset`: it stops short before the first byte that still fails,
// as Wine's reads do; a read starting at such a byte fails with the returned error and counts
// one failure for that byte alone.
uint32_t TakeReadFault(const std::string& path, uint64_t offset, uint64_t* count);
// A read of `count` bytes of the file takes the time its pace gives on the steady clock.
void PassTime(const std::string& path, uint64_t count);
// Notes a call that would change the entry at the absolute `path`; 19 when its drive is
// write-protected, else 0.
uint32_t TakeWrite(const std::string& path);
constexpr uint32_t kErrorWriteProtect = 19;

// ---- Clock (process.cpp) ----
// The simulated clock's current time as a UTC file time.
uint64_t NowUtc();

// ---- Windows (windows.cpp) ----
WindowRecord* FindRecord(os::Window window);
// An edit tells its parent its text changed (EN_CHANGE): when typed, or when a program sets the
// text of a single-line one. Call it without the lock.
void NotifyEditChange(os::Window edit, bool typed);
// The messages a window without a procedure of its own answers, as its class does: texts, font
// and a button's check state.
intptr_t ControlMessage(WindowRecord& record, uint32_t message, uintptr_t wParam, intptr_t lParam);

}  // namespace sim::internal
