// The two output operations every part of the program calls: a console line and a log entry.
// Both may be called from either thread; one mutex keeps any two output operations apart.
#pragma once

#include <cstdint>
#include <mutex>
#include <string_view>

#include "runtime/short_text.h"

namespace output {

enum MessageKind : uint8_t { plain = 0, error = 1, warning = 2, notice = 3 };

// Appends one HTML line to the log when enableLog is yes; otherwise touches nothing.
void WriteLogEntry(const ShortText& text, MessageKind kind, bool reportLink);
// The same for a text that may be longer than a ShortText.
void WriteLongLogEntry(std::string_view text, MessageKind kind, bool reportLink);
// Appends one line to tramox.console and refreshes the console pane.
void WriteConsoleLine(std::string_view text);

// Held by every output operation; never held across a call that waits for the main thread.
std::mutex& OutputLock();

// The fixed address of the "Report this" link.
extern const char* const kReportAddress;

}  // namespace output
