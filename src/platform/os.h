// The narrow seam between tramox and the operating system.
//
// Semantics and numbers are Win32's (access, share, disposition, attribute bits, error codes,
// message numbers, styles); the names are our own because <windows.h> defines most of Win32's as
// macros. Two implementations exist: platform/win32 (the real thing) and platform/simulated (an
// in-memory Windows for tests). CMake links exactly one of them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace os {

// ---- Error codes (GetLastError values) ----
constexpr uint32_t kErrorNone = 0;
constexpr uint32_t kErrorFileNotFound = 2;
constexpr uint32_t kErrorPathNotFound = 3;
constexpr uint32_t kErrorAccessDenied = 5;
constexpr uint32_t kErrorInvalidHandle = 6;
constexpr uint32_t kErrorNotEnoughMemory = 8;
constexpr uint32_t kErrorNoMoreFiles = 18;
constexpr uint32_t kErrorSharingViolation = 32;
constexpr uint32_t kErrorHandleDiskFull = 39;
constexpr uint32_t kErrorFileExists = 80;
constexpr uint32_t kErrorInvalidParameter = 87;
constexpr uint32_t kErrorDiskFull = 112;
constexpr uint32_t kErrorInvalidName = 123;
constexpr uint32_t kErrorAlreadyExists = 183;
constexpr uint32_t kErrorCrc = 23;  // data error: what a scratched disc answers

// ---- Files ----
using FileHandle = intptr_t;
constexpr FileHandle kInvalidFile = -1;

constexpr uint32_t kAccessRead = 0x80000000u;
constexpr uint32_t kAccessWrite = 0x40000000u;

constexpr uint32_t kShareRead = 1;
constexpr uint32_t kShareWrite = 2;
constexpr uint32_t kShareDelete = 4;

constexpr uint32_t kCreateNew = 1;
constexpr uint32_t kCreateAlways = 2;
constexpr uint32_t kOpenExisting = 3;
constexpr uint32_t kOpenAlways = 4;
constexpr uint32_t kTruncateExisting = 5;

constexpr uint32_t kAttrReadOnly = 0x01;
constexpr uint32_t kAttrHidden = 0x02;
constexpr uint32_t kAttrSystem = 0x04;
constexpr uint32_t kAttrVolume = 0x08;
constexpr uint32_t kAttrDirectory = 0x10;
constexpr uint32_t kAttrArchive = 0x20;
constexpr uint32_t kAttrNormal = 0x80;
constexpr uint32_t kInvalidAttributes = 0xFFFFFFFFu;

constexpr uint32_t kSeekBegin = 0;
constexpr uint32_t kSeekCurrent = 1;
constexpr uint32_t kSeekEnd = 2;

// Paths handed to the file and search procedures are UTF-8 and whole: they name files as Windows
// holds them (names the code page cannot spell, a trailing dot or blank, more than 259
// characters). Text in the program's code page (edit boxes, tramox.ini) comes in through
// FromCodePage; what is shown goes out through ToCodePage, "?" where the code page has no
// spelling.
std::string FromCodePage(std::string_view text);
std::string ToCodePage(std::string_view utf8);
// The code page's name as browsers know it ("windows-1252").
std::string CodePageCharset();
// True when two UTF-8 names or paths name the same file as Windows compares names: without
// case, beyond ASCII too. NameKey is the form they are compared in: two names are the same
// exactly when their keys are equal.
bool SameName(std::string_view a, std::string_view b);
std::string NameKey(std::string_view name);
// GetFullPathName of a UTF-8 path: whole, from the current folder, "." and ".." resolved; the
// path itself when it cannot be made whole.
std::string FullPath(std::string_view path);

// Every procedure below that returns uint32_t returns 0 on success or a Win32 error code, and
// leaves that code as the thread's last error (LastError).
uint32_t OpenFile(const char* path, uint32_t access, uint32_t share, uint32_t disposition,
                  uint32_t attributes, FileHandle* handle);
uint32_t ReadFile(FileHandle handle, void* buffer, uint32_t count, uint32_t* done);
// One read of the medium at `offset`, whatever the file pointer says (Wine's read at the pointer
// reads again after a short read, out of the caller's sight); the pointer ends after what came.
// At or past the end of the file: success with nothing read, as a read at the pointer gives.
uint32_t ReadFileAt(FileHandle handle, int64_t offset, void* buffer, uint32_t count,
                    uint32_t* done);
uint32_t WriteFile(FileHandle handle, const void* buffer, uint32_t count, uint32_t* done);
uint32_t SeekFile(FileHandle handle, int64_t distance, uint32_t method, int64_t* position);
uint32_t FileSize(FileHandle handle, uint64_t* size);
uint32_t FileWriteTime(FileHandle handle, uint64_t* fileTime);  // UTC, 100 ns since 1601
uint32_t SetFileWriteTime(FileHandle handle, uint64_t fileTime);  // the handle must write
uint32_t CloseFile(FileHandle handle);
uint32_t EraseFile(const char* path);
uint32_t MakeFolder(const char* path);
uint32_t SetAttributes(const char* path, uint32_t attributes);
uint32_t GetAttributes(const char* path, uint32_t* attributes);
// Local file time from a UTC one; false when the time cannot be converted.
bool UtcToLocalFileTime(uint64_t utc, uint64_t* local);
// The thread's last error code, as GetLastError gives it.
uint32_t LastError();

// ---- Directory search ----
using FindHandle = intptr_t;
constexpr FindHandle kInvalidFind = -1;

struct FindData {
    char name[1024];     // long name, UTF-8, zero-terminated
    char shortName[48];  // its 8.3 alias, UTF-8, when the file system gave it one; else empty
    uint32_t attributes;
    uint64_t size;
    uint64_t writeTime;  // UTC file time
};

// FindFirst fails with the platform's code (2 or 18 when nothing matches, 3 for a missing path).
uint32_t FindFirst(const char* pattern, FindData* data, FindHandle* handle);
uint32_t FindNext(FindHandle handle, FindData* data);  // 18 when no more entries
void FindClose(FindHandle handle);

// ---- Process ----
// A steady clock for measuring how long an operation took, in microseconds from any start.
uint64_t SteadyMicroseconds();

// The process's current directory, zero-terminated; returns its length (0 on failure).
uint32_t CurrentFolder(char* buffer, uint32_t capacity);

struct LocalTime {
    uint16_t year, month, dayOfWeek, day, hour, minute, second, milliseconds;
};
LocalTime GetLocalTime();

// WinExec: returns the platform's result (above 31 on success).
uint32_t StartProgram(const char* commandLine, uint32_t showState);

[[noreturn]] void EndProcess(uint32_t exitCode);

// Places in the program that led to the caller: program-relative addresses, innermost first.
// Returns how many were stored.
int CallerPlaces(uint32_t* places, int capacity);

// ---- Windows ----
using Window = uintptr_t;
using Font = uintptr_t;
using DeviceContext = uintptr_t;
using WindowProc = intptr_t (*)(Window window, uint32_t message, uintptr_t wParam,
                                intptr_t lParam);

constexpr uint32_t kMsgDestroy = 2;
constexpr uint32_t kMsgMove = 3;
constexpr uint32_t kMsgActivate = 6;
constexpr uint32_t kMsgSetFocus = 7;
constexpr uint32_t kMsgKillFocus = 8;
constexpr uint32_t kMsgEnable = 10;
constexpr uint32_t kMsgSetText = 12;
constexpr uint32_t kMsgGetText = 13;
constexpr uint32_t kMsgGetTextLength = 14;
constexpr uint32_t kMsgClose = 16;
constexpr uint32_t kMsgQuit = 18;
constexpr uint32_t kMsgShowWindow = 24;
constexpr uint32_t kMsgSetFont = 48;
constexpr uint32_t kMsgGetFont = 49;
constexpr uint32_t kMsgCommand = 273;
constexpr uint32_t kMsgButtonGetCheck = 240;  // BM_GETCHECK
constexpr uint32_t kMsgButtonSetCheck = 241;  // BM_SETCHECK
constexpr uint32_t kMsgApp = 0x8000;          // first private message

constexpr uint32_t kCheckUnchecked = 0;
constexpr uint32_t kCheckChecked = 1;
constexpr uint32_t kCheckIndeterminate = 2;

constexpr uint32_t kNotifyClicked = 0;       // BN_CLICKED
constexpr uint32_t kNotifyEditChange = 768;  // EN_CHANGE

constexpr uint32_t kShowHide = 0;
constexpr uint32_t kShowNormal = 1;
constexpr uint32_t kShowMinimize = 6;
constexpr uint32_t kShow = 5;
constexpr uint32_t kShowRestore = 9;

constexpr uint32_t kStyleChild = 0x40000000u;
constexpr uint32_t kStyleVisible = 0x10000000u;
constexpr uint32_t kStyleCaption = 0x00C00000u;
constexpr uint32_t kStyleSysMenu = 0x00080000u;
constexpr uint32_t kStyleThickFrame = 0x00040000u;
constexpr uint32_t kStyleMinimizeBox = 0x00020000u;
constexpr uint32_t kStyleMaximizeBox = 0x00010000u;
constexpr uint32_t kStyleGroup = 0x00020000u;
constexpr uint32_t kStyleTabStop = 0x00010000u;
constexpr uint32_t kStyleDisabled = 0x08000000u;
constexpr uint32_t kStyleVScroll = 0x00200000u;
constexpr uint32_t kStyleHScroll = 0x00100000u;
constexpr uint32_t kExStyleControlParent = 0x00010000u;
constexpr uint32_t kExStyleClientEdge = 0x00000200u;
constexpr int32_t kUseDefault = static_cast<int32_t>(0x80000000u);  // CW_USEDEFAULT

constexpr uint32_t kStandardIcon = 32512;   // IDI_APPLICATION
constexpr uint32_t kStandardArrow = 32512;  // IDC_ARROW

struct WindowClass {
    const char* name;
    uint32_t style;
    WindowProc procedure;
    uint32_t icon;        // standard icon id
    uint32_t cursor;      // standard cursor id
    uint32_t background;  // system colour index + 1
};

struct Rect {
    int32_t left, top, right, bottom;
};

bool RegisterWindowClass(const WindowClass& windowClass);
// CreateWindowExA; a zero parent makes a top-level window. Returns 0 on failure.
Window MakeWindow(uint32_t exStyle, const char* className, const char* text, uint32_t style,
                  int32_t x, int32_t y, int32_t width, int32_t height, Window parent);
bool DestroyWin(Window window);
bool ShowWin(Window window, uint32_t command);
bool UpdateWin(Window window);
bool MoveWin(Window window, int32_t x, int32_t y, int32_t width, int32_t height, bool repaint);
bool EnableWin(Window window, bool enable);
bool IsWinEnabled(Window window);
bool SetText(Window window, const char* text);
// Copies at most capacity - 1 characters and a zero; returns the number copied.
int32_t GetText(Window window, char* buffer, int32_t capacity);
int32_t TextLength(Window window);
// Adds text at the end of an edit control's text, leaving it as setting the whole text would: no
// text limit cuts it, and the parent hears nothing (no EN_CHANGE), as when a multi-line edit's
// whole text is set. False when the control did not take all of it.
bool AppendText(Window window, const char* text);
Rect WindowRect(Window window);  // outer rectangle in screen coordinates

// The window's system menu, where a program with a fixed layout keeps its extras. Windows
// keeps the low four bits of a WM_SYSCOMMAND's wParam for itself: match it after the mask.
constexpr uint32_t kMsgSysCommand = 0x0112;
constexpr uint32_t kSysCommandMask = 0xFFF0;
constexpr uint32_t kMenuSeparator = 0x0800;  // MF_SEPARATOR
constexpr uint32_t kMenuChecked = 0x0008;    // MF_CHECKED
bool AppendSystemMenuItem(Window window, uint32_t flags, uint32_t id, const char* text);
bool CheckSystemMenuItem(Window window, uint32_t id, bool checked);
intptr_t Send(Window window, uint32_t message, uintptr_t wParam, intptr_t lParam);
bool Post(Window window, uint32_t message, uintptr_t wParam, intptr_t lParam);

struct Message {
    Window window;
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
};
// GetMessageA for every window of the thread: 0 on the quit message, -1 on error, else 1.
int32_t NextMessage(Message* message);
void TranslateMsg(const Message& message);
intptr_t DispatchMsg(const Message& message);
intptr_t DefaultProc(Window window, uint32_t message, uintptr_t wParam, intptr_t lParam);
void PostQuit(int32_t exitCode);

// ---- Fonts and drawing ----
struct FontShape {
    int32_t height, width, escapement, orientation, weight;
    uint8_t italic, underline, strikeOut, charSet, outPrecision, clipPrecision, quality,
        pitchAndFamily;
    char face[32];
};
Font MakeFont(const FontShape& shape);
bool DeleteFont(Font font);

DeviceContext GetDeviceContext(Window window);  // client area
void ReleaseDeviceContext(Window window, DeviceContext dc);
// Colours are red + 256 * green + 65536 * blue.
void SetPixelColor(DeviceContext dc, int32_t x, int32_t y, uint32_t color);
// Fills columns left..right-1 and rows top..bottom-1 with one colour.
void FillBlock(DeviceContext dc, int32_t left, int32_t top, int32_t right, int32_t bottom,
               uint32_t color);
uint32_t GetPixelColor(DeviceContext dc, int32_t x, int32_t y);

// ---- Message boxes and dialogs ----
constexpr uint32_t kBoxOk = 0;
constexpr uint32_t kBoxIconError = 0x10;
constexpr uint32_t kBoxSystemModal = 0x1000;
constexpr uint32_t kBoxTaskModal = 0x2000;  // the thread's windows take no input meanwhile
int32_t ShowMessageBox(Window owner, const char* text, const char* caption, uint32_t flags);

// The fields of GetOpenFileNameA's record that tramox sets; all others are zero.
struct OpenFileRecord {
    uint32_t structSize;
    Window owner;
    const char* filter;  // pairs of zero-terminated texts, ended by an extra zero
    char* file;
    uint32_t maxFile;
    uint32_t flags;
    const char* defaultExtension;
};
bool ChooseFile(OpenFileRecord& record);

// The fields of SHBrowseForFolder's record that tramox sets.
struct BrowseRecord {
    Window owner;
    uintptr_t root;
    char* displayName;
    const char* title;
    uint32_t flags;
};
using ItemList = uintptr_t;
ItemList BrowseFolder(const BrowseRecord& record);  // 0 when cancelled
// The folder's path whole, in the code page.
bool PathFromItemList(ItemList list, std::string* path);
void FreeItemList(ItemList list);

}  // namespace os
