// The HTML log: a header block per run, entries in between, and the browser at the end.
#pragma once

#include <string>
#include <string_view>

#include "runtime/files.h"
#include "runtime/short_text.h"

namespace output {

extern rt::TextFile LogFile;  // bound by BeginLogRun, reopened by each entry

void BeginLogRun();  // main thread, before the worker starts
void EndLogRun();    // worker thread, when the run is idle again
// Forgets the binding of an earlier program run (start-up and tests).
void ResetLog();

extern const char* const kAuthorCredit;
extern const char* const kMakerCredit;
extern const char* const kHomepage;
extern const char* const kContactAddress;
extern const char* const kDownloadAddress;

// The first line of a fresh log file: it opens the document and its body, once per file.
std::string HeadLine();

// "<FONT FACE=" htmlFont " SIZE=" size " COLOR=#" colour ">": the opening of every log line.
std::string FontTag(std::string_view size, const ShortText& colour);

}  // namespace output
