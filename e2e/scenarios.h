// The driver's scenarios, one per subcommand. Each prints its checks and a summary line and
// returns the driver's exit code.
#pragma once

#include <string>

namespace e2e {

struct ScenarioArguments {
    std::string exe;         // the program under test
    std::string workFolder;  // its current directory
    std::string holdFolder;  // where to wait for a screenshot; empty: do not wait
};

// driver window <exe> <work folder> [--hold <folder>]
int RunWindowScenario(const ScenarioArguments& arguments);
// driver platform <work folder>: the Win32 backend itself, against the real system.
int RunPlatformScenario(const ScenarioArguments& arguments);
// driver settings <exe> <work folder>: tramox.ini read, shown, changed and written back.
int RunSettingsScenario(const ScenarioArguments& arguments);

// driver copy <exe> <work folder>: four copy runs, with pause, stop and a close mid-run.
int RunCopyScenario(const ScenarioArguments& arguments);
// The copy scenario's browser, which tramox starts with the log's path: notes its start in
// browser.started in the current folder and takes seconds to come up.
int ActAsSlowBrowser();

}  // namespace e2e
