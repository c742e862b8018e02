// The engine on the simulated Windows: one file copied through the real steps (started as a user
// starts it, with the two paths typed and Copy clicked), against a copy of the same bytes in
// blocks of 1 MiB through os::ReadFile and os::WriteFile.
//
//   engine_bench <MiB> <repetitions>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "app/startup.h"
#include "engine/copy_job.h"
#include "output/controls.h"
#include "platform/os.h"
#include "platform/simulated/sim.h"
#include "runtime/io_result.h"
#include "timing.h"

namespace {

constexpr char kSource[] = "C:\\data\\big.bin";
constexpr char kDestinyFolder[] = "C:\\out";
constexpr char kCopy[] = "C:\\out\\big.bin";

// Bytes without a short period.
std::string Pattern(size_t size) {
    std::string bytes(size, '\0');
    uint32_t seed = 7;
    for (char& byte : bytes) {
        seed = seed * 1103515245u + 12345u;
        byte = static_cast<char>(seed >> 23);
    }
    return bytes;
}

void Fail(const char* what) {
    std::fprintf(stderr, "engine_bench: %s\n", what);
    std::exit(1);
}

// A fresh machine holding the source, an empty destiny folder and tramox.ini, then start-up.
void StartMachine(const std::string& bytes, bool verify) {
    sim::Reset();
    rt::IoResult();
    sim::AddFile(kSource, bytes);
    sim::AddFolder(kDestinyFolder);
    sim::AddFile("C:\\work\\tramox.ini", verify ? "verifyData: yes\r\n" : "verifyData: no\r\n");
    app::StartUp();
    sim::PumpMessages();
}

// Seconds from the click on Copy to the worker's end.
double EngineCopy(const std::string& bytes, bool verify) {
    StartMachine(bytes, verify);
    sim::TypeText(Controls.sourceEdit, kSource);
    sim::TypeText(Controls.destinyEdit, kDestinyFolder);
    double start = bench::Now();
    os::Send(Controls.mainWindow, os::kMsgCommand, os::kNotifyClicked << 16,
             static_cast<intptr_t>(Controls.copyButton));
    while (engine::WorkerRunning()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    double seconds = bench::Now() - start;
    if (CopyJob.worker.joinable()) CopyJob.worker.join();
    sim::PumpMessages();
    if (sim::Content(kCopy) != bytes) Fail("the engine's copy differs from its source");
    return seconds;
}

double BlockCopy(const std::string& bytes) {
    StartMachine(bytes, false);
    std::string block(1 << 20, '\0');
    double start = bench::Now();
    os::FileHandle in = os::kInvalidFile, out = os::kInvalidFile;
    if (os::OpenFile(kSource, os::kAccessRead, os::kShareRead, os::kOpenExisting, os::kAttrNormal,
                     &in) != 0 ||
        os::OpenFile(kCopy, os::kAccessWrite, 0, os::kCreateNew, os::kAttrNormal, &out) != 0)
        Fail("the block copy cannot open its files");
    uint32_t got = 0, put = 0;
    while (os::ReadFile(in, block.data(), static_cast<uint32_t>(block.size()), &got) == 0 &&
           got > 0)
        if (os::WriteFile(out, block.data(), got, &put) != 0 || put != got)
            Fail("the block copy cannot write");
    os::CloseFile(in);
    os::CloseFile(out);
    double seconds = bench::Now() - start;
    if (sim::Content(kCopy) != bytes) Fail("the block copy differs from its source");
    return seconds;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: engine_bench <MiB> <repetitions>\n");
        return 2;
    }
    const std::string bytes = Pattern(std::strtoull(argv[1], nullptr, 10) << 20);
    for (int rep = std::atoi(argv[2]); rep > 0; --rep) {
        bench::Sample("sim.engine.no", EngineCopy(bytes, false));
        bench::Sample("sim.engine.yes", EngineCopy(bytes, true));
        bench::Sample("sim.block", BlockCopy(bytes));
    }
    return 0;
}
