// A fresh simulated machine with the default settings, an unbound log and an empty console;
// windows only for the tests that look at the pane or the bar.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "output/console.h"
#include "output/controls.h"
#include "output/html_log.h"
#include "platform/simulated/sim.h"
#include "runtime/io_result.h"
#include "settings/settings.h"

namespace output_test {

inline std::string Golden(const char* name) {
    std::filesystem::path path = std::filesystem::path(__FILE__).parent_path() / "golden" / name;
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    EXPECT_FALSE(bytes.str().empty()) << "missing golden file " << path;
    return bytes.str();
}

// The first line of a new log under the default settings.
inline const std::string kDefaultHeadLine =
    "<HTML><HEAD><META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=iso-8859-1\"><TITLE>tramox Log</TITLE></HEAD><BODY BGCOLOR=#0000FF>\r\n";

// The main window's procedure as far as the console is concerned.
inline intptr_t TestWindowProc(os::Window window, uint32_t message, uintptr_t wParam,
                               intptr_t lParam) {
    if (message == kMsgRefreshConsole) {
        output::ShowConsoleText();
        return 0;
    }
    return os::DefaultProc(window, message, wParam, lParam);
}

class OutputTest : public testing::Test {
protected:
    void SetUp() override {
        sim::Reset();
        rt::IoResult();
        settings::SetDefaultSettings();
        Controls = ControlHandles{};
        output::ResetLog();
        output::ResetConsole();
    }

    void MakeWindows() {
        os::RegisterWindowClass(os::WindowClass{"OutputTestWindow", 0, &TestWindowProc,
                                                os::kStandardIcon, os::kStandardArrow, 16});
        Controls.mainWindow =
            os::MakeWindow(0, "OutputTestWindow", "tramox", os::kStyleVisible, os::kUseDefault,
                           os::kUseDefault, os::kUseDefault, os::kUseDefault, 0);
        Controls.consolePane = os::MakeWindow(0, "EDIT", "", os::kStyleChild | os::kStyleVisible,
                                              10, 150, 380, 200, Controls.mainWindow);
    }

    // The pane once the posted refreshes have run.
    std::string PaneText() {
        sim::PumpMessages();
        return sim::Info(Controls.consolePane).text;
    }
};

}  // namespace output_test
