#include "runtime/io_result.h"

#include <atomic>
#include <string>

#include "platform/os.h"
#include "runtime/text.h"

namespace rt {

namespace {
thread_local int32_t pendingCode = 0;
std::atomic<ErrorReportHook> reportHook{nullptr};
}  // namespace

int32_t IoResult() {
    int32_t code = pendingCode;
    pendingCode = 0;
    return code;
}

void SetIoResult(int32_t code) {
    if (pendingCode == 0) pendingCode = code;
}

bool IoPending() { return pendingCode != 0; }

void CheckStrict() {
    int32_t code = IoResult();
    if (code != 0) RunError(code);
}

void SetErrorReportHook(ErrorReportHook hook) { reportHook = hook; }

ErrorReportHook InstalledErrorReportHook() { return reportHook; }

void RunError(int32_t code) {
    uint32_t places[16];
    int count = os::CallerPlaces(places, 16);
    // The first place names where the failure was found; the rest are the calls that led there.
    std::string text = "Runtime error " + NumberText(code).str() + " at 0x";
    text += HexText(count > 0 ? places[0] : 0, 8).str();
    for (int i = 1; i < count; ++i) text += "\r\n0x" + HexText(places[i], 8).str();
    // A click on the main window meanwhile would re-enter the operation that failed, with its
    // lock still held. Task-modal covers only this thread's windows, so the hook keeps the main
    // window still when the failure is the worker's.
    if (ErrorReportHook hook = reportHook) hook();
    os::ShowMessageBox(0, text.c_str(), "Error",
                       os::kBoxOk | os::kBoxIconError | os::kBoxTaskModal);
    os::EndProcess(static_cast<uint32_t>(code));
}

}  // namespace rt
