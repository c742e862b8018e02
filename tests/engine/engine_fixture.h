// A fresh simulated machine with the program started, and whole copy runs driven through the
// window as a user would drive them.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/startup.h"
#include "engine/copy_job.h"
#include "output/console.h"
#include "output/controls.h"
#include "platform/simulated/sim.h"
#include "runtime/dir_search.h"
#include "runtime/io_result.h"
#include "settings/settings.h"

namespace engine_test {

// Every state the worker ran, and an optional action at each (called on the worker).
inline std::vector<JobState> trace;
inline std::function<void(JobState)> onState;

inline void Record(JobState state) {
    trace.push_back(state);
    if (onState) onState(state);
}

inline void Click(os::Window button) {
    os::Send(Controls.mainWindow, os::kMsgCommand, os::kNotifyClicked << 16,
             static_cast<intptr_t>(button));
}

// A setting as the user gives it: its check box when it has one, else the record.
inline void Set(const char* key, int64_t value) {
    for (int box = 0; box < settings::kCheckBoxCount; ++box)
        if (std::string(settings::kCheckBoxKeys[box]) == key)
            return sim::SetCheck(Controls.checkBoxes[box], value ? 1 : 0);
    const settings::SettingField* field = settings::FindField(key);
    ASSERT_NE(field, nullptr) << key;
    if (field->flag) Settings.*field->flag = value != 0;
    if (field->integer) Settings.*field->integer = static_cast<int32_t>(value);
}

inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find("\r\n", at);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

// How a line of tramox.damage ends: the destiny's size and last-write time as it lies now, then
// its source's path, size (as listed, when it changed since) and time.
inline std::string RecordEnd(const std::string& destiny, const std::string& source,
                             size_t listed = std::string::npos) {
    auto now = [](const std::string& path, size_t size) {
        return "\t" + std::to_string(size) + "\t" + rt::FileTimeStamp(sim::WriteTime(path));
    };
    size_t sourceSize = listed != std::string::npos ? listed : sim::Content(source).size();
    return now(destiny, sim::Content(destiny).size()) + "\t" + source + now(source, sourceSize);
}

class EngineTest : public testing::Test {
protected:
    void SetUp() override {
        rt::IoResult();
        Restart();
        sim::PumpMessages();
        engine::traceHook = &Record;
    }

    void TearDown() override {
        WaitForWorker();
        engine::traceHook = nullptr;
        onState = nullptr;
    }

public:
    // A fresh machine with the program just started, as each row of a table wants.
    static void Restart() {
        sim::Reset();
        app::StartUp();
        trace.clear();
        onState = nullptr;
    }

    // A run that never ends fails the test instead of hanging it: past the bound it is stopped,
    // as the user would stop it, and the test fails all the same.
    static void WaitForWorker() {
        auto Ended = [](std::chrono::seconds bound) {
            auto limit = std::chrono::steady_clock::now() + bound;
            while (engine::WorkerRunning() && std::chrono::steady_clock::now() < limit)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            return !engine::WorkerRunning();
        };
        bool ended = Ended(std::chrono::seconds(20));
        if (!ended) {
            engine::StopCopyRun();
            Ended(std::chrono::seconds(10));
        }
        EXPECT_TRUE(ended) << "the worker never ended";
        if (!engine::WorkerRunning() && CopyJob.worker.joinable()) CopyJob.worker.join();
    }

    // Types both paths and clicks Copy; waits for the worker to end.
    static void Copy(const std::string& source, const std::string& destiny) {
        sim::TypeText(Controls.sourceEdit, source);
        sim::TypeText(Controls.destinyEdit, destiny);
        Click(Controls.copyButton);
        WaitForWorker();
        sim::PumpMessages();
    }

    static std::vector<std::string> ConsoleLines() { return Lines(output::ConsoleText()); }
    static std::string Log() { return sim::Content("C:\\work\\tramox.log.htm"); }
};

}  // namespace engine_test
