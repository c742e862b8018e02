// The cost of one console line as the console grows: the 100th, 1,000th and 10,000th call of
// output::WriteConsoleLine in a started program, then the pane refresh it posted, against
// appending the same line to a file of our own through os::. One repetition per process, in a
// folder without tramox.console; on Windows it runs in the current folder with a real window.
//
//   console_bench <key prefix>
#include <cstdio>
#include <string>

#include "app/startup.h"
#include "output/controls.h"
#include "output/messages.h"
#include "platform/os.h"
#include "runtime/io_result.h"
#include "timing.h"
#ifdef BENCH_SIMULATED
#include "platform/simulated/sim.h"
#endif

namespace {

constexpr int kLines = 10000;
constexpr uint32_t kPumped = os::kMsgApp + 0x3FFF;  // a message of our own, never dispatched

bool IsMark(int line) { return line == 100 || line == 1000 || line == 10000; }

// Runs the messages posted so far: the console pane's refresh among them.
void Pump() {
    os::Post(Controls.mainWindow, kPumped, 0, 0);
    os::Message message{};
    while (os::NextMessage(&message) > 0 && message.message != kPumped) {
        os::TranslateMsg(message);
        os::DispatchMsg(message);
    }
}

void AppendLine(const std::string& line) {
    os::FileHandle file = os::kInvalidFile;
    int64_t end = 0;
    uint32_t done = 0;
    os::OpenFile("bench-append.txt", os::kAccessWrite, 0, os::kOpenAlways, os::kAttrNormal, &file);
    os::SeekFile(file, 0, os::kSeekEnd, &end);
    os::WriteFile(file, line.data(), static_cast<uint32_t>(line.size()), &done);
    os::CloseFile(file);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: console_bench <key prefix>\n");
        return 2;
    }
    const std::string prefix = argv[1];
#ifdef BENCH_SIMULATED
    sim::Reset();
#endif
    rt::IoResult();
    app::StartUp();
    Pump();
    for (int line = 1; line <= kLines; ++line) {
        std::string text = "Copied \"file";
        text += std::to_string(line) + ".bin\" 1024bytes, written 1024bytes";
        if (!IsMark(line)) {
            output::WriteConsoleLine(text);
            // A main thread that keeps up shows the lines as they come, a batch at a time: one
            // huge batch just before a mark would time the pane's one-off growth instead.
            if (line % 100 == 0) Pump();
            continue;
        }
        Pump();  // the refresh of the lines before, so that this line's refresh is its own
        double start = bench::Now();
        output::WriteConsoleLine(text);
        double written = bench::Now();
        Pump();
        double refreshed = bench::Now();
        AppendLine(text + "\r\n");
        double appended = bench::Now();
        std::string mark = "." + std::to_string(line);
        bench::Sample(prefix + ".console.write" + mark, written - start);
        bench::Sample(prefix + ".console.refresh" + mark, refreshed - written);
        bench::Sample(prefix + ".console.append" + mark, appended - refreshed);
    }
    return 0;
}
