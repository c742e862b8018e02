// Test controls of the simulated Windows: set up files, script faults and dialog answers, and look
// at windows, pixels, message boxes and counters. Only tests include this header.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/os.h"

namespace sim {

// A fresh machine: drive C: with an empty folder C:\work as the current directory, no windows,
// no faults, counters at zero, clock at 3 May 2010 14:07:09.051, local time = UTC.
void Reset();

// ---- Files ----
// Paths are absolute ("C:\a\b.txt") or relative to the current directory; case-insensitive.
// Missing parent folders are created, and so is the drive. A drive nothing was put on is
// missing: paths on it give 3 (path not found), as on Windows.
// The seam's calls take paths of any length, the last name as given (a trailing dot or blank
// kept); they refuse, with 206, a name past 255 characters. Names are UTF-8.
void AddFile(const std::string& path, const std::string& content,
             uint32_t attributes = os::kAttrArchive, uint64_t writeTime = 0);
void AddFolder(const std::string& path, uint32_t attributes = os::kAttrDirectory);
// Gives a file or folder an 8.3 alias, as Windows gives a long name one: every path may name it
// so, and searches report it.
void SetShortName(const std::string& path, const std::string& alias);
bool Exists(const std::string& path);
// A drive with an empty root; with an error, every use of it fails so (21: not ready).
void AddDrive(char letter, uint32_t error = 0);
std::string Content(const std::string& path);  // the bytes of a file; empty when missing
uint32_t Attributes(const std::string& path);  // os::kInvalidAttributes when missing
uint64_t WriteTime(const std::string& path);
void SetCurrentFolder(const std::string& path);
// Holds a file open as another program would, with the given sharing (0 = exclusive).
void HoldOpen(const std::string& path, uint32_t access, uint32_t share);
void ReleaseHeld();
// A file of this size whose bytes read as (offset & 255); never stored, for 64-bit sizes.
void AddLargeFile(const std::string& path, uint64_t size);

// ---- Faults ----
enum class Op {
    Open,
    Read,
    Write,
    Seek,
    Size,
    Close,
    Erase,
    MakeFolder,
    SetAttributes,
    GetAttributes,
    FindFirst,
    FindNext,
    WriteTime,
    MakeWindow,
    SetWriteTime,
    Count
};
// The next `times` calls of `op` whose path (for Read, Write and Close: the file's path; for
// MakeWindow: "" only)
// matches `pathPattern` (case-insensitive; "" = any, "*" wildcards allowed) fail with `error`.
// times < 0 fails for ever.
void FailOperation(Op op, const std::string& pathPattern, int times, uint32_t error);
// Reading any byte of [first, last] of the file fails `times` times (per byte), < 0 = for ever.
// A longer read delivers the bytes before the first failing one, as Wine's reads do; with
// `whole`, it fails as a whole, as Windows fails a read across a bad sector.
void FailReadRange(const std::string& path, uint64_t first, uint64_t last, int times,
                   uint32_t error = os::kErrorCrc, bool whole = false);
// After `bytes` more bytes written to files on `drive`, writes there come short: they write
// what fits and fail with 112 (the disk is full). Other drives keep their room.
void FillDiskAfter(char drive, uint64_t bytes);
// Where reads of the file started and how many bytes each asked for, failed ones too.
std::vector<std::pair<uint64_t, uint64_t>> ReadsOf(const std::string& path);
// Every read of the file takes `latencySeconds` and as long as `bytesPerSecond` allows, on the
// steady clock (os::SteadyMicroseconds), which nothing else moves: a medium's pace without a
// timed test.
void SetReadPace(const std::string& path, double bytesPerSecond, double latencySeconds = 0);
// Bytes written to [first, last] of the file are stored inverted, as a failing medium may store
// them; reading them back gives the stored bytes.
void SpoilWrites(const std::string& path, uint64_t first, uint64_t last);
// Every call that would change anything on the drive fails with 19, as a write-protected
// medium answers: writing opens and creations, writes, attributes, erasing, new folders.
void WriteProtect(char drive);
// Calls that asked to change the file or folder at `pathPattern` (as FailOperation matches it),
// refused ones included: writing opens and creations, writes, attributes, erasing, new folders.
int WritesTo(const std::string& pathPattern);
void ClearFaults();
// How many times an operation was called (successful or not) since Reset.
int Count(Op op);
// File handles the program holds open (those of HoldOpen not counted), and search handles not
// yet closed: what a test checks to see that everything opened was closed.
int OpenFileCount();
int OpenSearchCount();
// Bytes moved since Reset: delivered by file reads, taken by file writes, and handed to windows
// as text (SetText and AppendText).
struct Traffic {
    uint64_t fileRead, fileWritten, windowText;
};
Traffic Bytes();

// ---- Clock ----
void SetLocalTime(const os::LocalTime& time);
void SetUtcOffsetMinutes(int32_t minutes);  // local = UTC + offset

// ---- Windows ----
struct WindowInfo {
    os::Window handle;
    std::string className;
    std::string text;
    uint32_t style, exStyle;
    int32_t x, y, width, height;  // as created or last moved; client-relative for children
    os::Window parent;
    bool visible, enabled;
    uint32_t check;  // BM_GETCHECK state for buttons
    os::Font font;
    uint32_t showCommand;  // the last ShowWin command
    struct MenuItem {
        uint32_t flags, id;
        std::string text;
    };
    std::vector<MenuItem> systemMenu;  // the items added to the standard ones, in order
};
// Every window ever created, in creation order (destroyed ones included, marked by handle
// still listed; use IsAlive).
std::vector<WindowInfo> Windows();
WindowInfo Info(os::Window window);
bool IsAlive(os::Window window);
os::Window FindWindow(const std::string& className, const std::string& text);
void SetCheck(os::Window window, uint32_t state);  // as a user clicking would, no message
// The user picks the system-menu item: WM_SYSCOMMAND with the low bits Windows may set.
void ChooseSystemMenuItem(os::Window window, uint32_t id);
// Sets the text as a user typing would; an edit control then tells its parent (EN_CHANGE).
void TypeText(os::Window window, const std::string& text);

struct FontInfo {
    os::FontShape shape;
    bool deleted;
};
std::vector<FontInfo> Fonts();
bool FontAlive(os::Font font);
os::FontShape FontOf(os::Font font);

bool ClassRegistered(const std::string& name, os::WindowClass* out = nullptr);

// Client pixels of a top-level window; never painted pixels read 0xFFFFFFFF.
uint32_t Pixel(os::Window window, int32_t x, int32_t y);
int PixelCalls();           // SetPixelColor calls since Reset
int DeviceContextsTaken();  // GetDeviceContext calls since Reset
int DeviceContextsHeld();   // taken and not released

// Messages posted and not yet taken from the queue.
std::vector<os::Message> PendingMessages();
// Runs posted messages through their window procedures until the queue is empty (quit
// messages are dropped and counted).
void PumpMessages();
// Called by NextMessage when the queue is empty; it may post, send or close. When none is set,
// or the queue is still empty after it, the simulated user closes the first live top-level
// window (WM_CLOSE), so a main loop never blocks in a test.
void OnIdle(std::function<void()> script);

// ---- Message boxes, dialogs, programs ----
struct Box {
    os::Window owner;
    std::string text, caption;
    uint32_t flags;
};
std::vector<Box> MessageBoxes();
void AnswerMessageBoxes(int32_t answer);  // default 1 (IDOK)

// The next ChooseFile returns this path (or cancels when `cancel`); it records the record.
void AnswerFileDialog(const std::string& path, bool cancel = false);
os::OpenFileRecord LastFileDialog();
std::string LastFileDialogFilter();  // the filter's bytes, zeros included
void AnswerFolderDialog(const std::string& path, bool cancel = false);
os::BrowseRecord LastFolderDialog();
int ItemListsAlive();

std::vector<std::string> StartedPrograms();  // command lines given to StartProgram
void AnswerStartProgram(uint32_t result);    // default 33
// Runs while StartProgram starts a program, on the calling thread: a slow start, during which
// the user may click.
void OnStartProgram(std::function<void()> script);

// EndProcess in the simulated platform prints "exit <code>" and every message box text of the
// process to stderr, then ends the test process with that code (use gtest death tests).

}  // namespace sim
