// What the copy scenario's steps share: the program's window, the console so far, and the helpers
// that start a run and check what it left.
#pragma once

#include <windows.h>

#include <string>

namespace e2e {

struct Session {
    std::string work;  // tramox's current folder; the sources and destinies lie in it too
    HWND window{}, sourceEdit{}, destinyEdit{}, copy{}, pause{}, stop{}, stateLine{}, pane{},
        progressLine{};
    std::string console;  // what the console pane and tramox.console must hold by now
    std::string damage;   // what tramox.damage must hold, each run's time written as kWhen
    std::string At(const std::string& name) const { return work + "\\" + name; }
};

// Bytes without a short period, so that a shifted or mixed-up copy shows.
std::string Pattern(size_t size, unsigned seed);
// Types both paths and clicks Copy; returns once the window has handled the click.
void StartRun(const Session& s, const std::string& source, const std::string& destiny);
// Waits until the pane shows `lines` after what it held; they then belong to the console.
bool ConsoleShows(Session& s, const std::string& checkName, const std::string& lines);
// Checks that the run ends with the state line reading stateText and the buttons at rest.
bool RunEnds(const Session& s, const std::string& name, const char* stateText);
bool CheckCopied(const std::string& name, const std::string& path, const std::string& bytes);

// Steps in files of their own.
bool RunManyFiles(Session& s);

}  // namespace e2e
