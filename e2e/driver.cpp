// tramox's end-to-end driver: starts the real program under Wine (or Windows), looks at its
// window from outside and prints one line per check.
//
//   e2e_driver window <tramox.exe> <work folder> [--hold <folder>]
//   e2e_driver platform <work folder>
//   e2e_driver settings <tramox.exe> <work folder>
//   e2e_driver copy <tramox.exe> <work folder>
#include <cstdio>
#include <cstring>

#include "platform_checks.h"
#include "scenarios.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: e2e_driver window <tramox.exe> <work folder> [--hold <folder>]\n"
                 "       e2e_driver platform <work folder>\n"
                 "       e2e_driver settings <tramox.exe> <work folder>\n"
                 "       e2e_driver copy <tramox.exe> <work folder>\n");
    return 2;
}

// Reads the optional "--hold <folder>" after the positional arguments.
bool ReadOptions(int argc, char** argv, int first, e2e::ScenarioArguments* arguments) {
    for (int i = first; i < argc; i += 2) {
        if (std::strcmp(argv[i], "--hold") != 0 || i + 1 >= argc) return false;
        arguments->holdFolder = argv[i + 1];
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strstr(argv[1], ".htm")) return e2e::ActAsSlowBrowser();
    if (argc < 3) return Usage();
    e2e::ScenarioArguments arguments;
    if (std::strcmp(argv[1], "window") == 0 && argc >= 4) {
        arguments.exe = argv[2];
        arguments.workFolder = argv[3];
        if (!ReadOptions(argc, argv, 4, &arguments)) return Usage();
        return e2e::RunWindowScenario(arguments);
    }
    if (std::strcmp(argv[1], "settings") == 0 && argc == 4) {
        arguments.exe = argv[2];
        arguments.workFolder = argv[3];
        return e2e::RunSettingsScenario(arguments);
    }
    if (std::strcmp(argv[1], "copy") == 0 && argc == 4) {
        arguments.exe = argv[2];
        arguments.workFolder = argv[3];
        return e2e::RunCopyScenario(arguments);
    }
    if (std::strcmp(argv[1], "platform") == 0 && argc == 3) {
        arguments.workFolder = argv[2];
        return e2e::RunPlatformScenario(arguments);
    }
    if (std::strcmp(argv[1], "end-process") == 0 && argc == 3) e2e::EndProcessFor(argv[2]);
    return Usage();
}
