// Scenario "platform": the Win32 backend on its own, in a fresh work folder.
#include "checks.h"
#include "platform_checks.h"
#include "scenarios.h"

namespace e2e {

int RunPlatformScenario(const ScenarioArguments& arguments) {
    CheckPlatformFiles(arguments.workFolder + "\\files");
    CheckPlatformWindows();
    CheckPlatformProcess(arguments.workFolder + "\\process");
    CheckPlatformDialogs(arguments.workFolder + "\\dialogs");
    return Summary();
}

}  // namespace e2e
