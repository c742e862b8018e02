// The console: its text lives in memory (the model) and in tramox.console; the console pane is
// a view of the model, refreshed on the main thread by a posted message.
#pragma once

#include <string>
#include <string_view>

namespace output {

extern const char* const kConsoleFileName;  // "tramox.console"

// The operations below take the output lock themselves, except where noted.
void SaveConsolePane();   // model -> file (lock held by caller)
void LoadConsolePane();   // file -> model when enableConsole is yes (lock held by caller)
// Adds the line and its CR LF to the file and the model when enableConsole is yes and the file
// still holds what the last line or load left there, the model; otherwise changes neither and
// returns false, and the caller rewrites the file (lock held by caller).
bool AppendConsoleLine(std::string_view line);
void ClearConsole();      // erase the file if found, empty the model and the pane
void EraseConsoleFile();  // erase the file if found

// The console text as the pane shows it once refreshed.
std::string ConsoleText();
// Main thread: puts the model's text into the console pane (on kMsgRefreshConsole).
void ShowConsoleText();
// Start-up: the pane is created empty, so the model is too.
void ResetConsole();

}  // namespace output
