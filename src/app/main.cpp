#include "app/startup.h"
#include "platform/os.h"

// A worker still running ends with the process, as ExitProcess ends every thread.
int main() { os::EndProcess(static_cast<uint32_t>(app::RunProgram())); }
