#include <windows.h>

#include <atomic>

#include "BatchState.h"
#include "Console.h"
#include "SignalStop.h"

namespace {

std::atomic<int> g_nInterrupts{0};

// Runs on a thread of its own that the system starts for each event.
BOOL WINAPI OnConsoleControl(DWORD dwControlType) {
    if (dwControlType != CTRL_C_EVENT) {
        // Ctrl-Break, a closed console window, logoff: the system's default.
        return FALSE;
    }
    if (g_nInterrupts.fetch_add(1) == 0) {
        g_bConverting.store(0);
        return TRUE;
    }
    // The second one ends the program where it stands, as the second SIGINT
    // does on POSIX; no exit code of this program runs, so nothing waits
    // for a lock that a worker holds.
    RestoreStandardStreams();
    ::TerminateProcess(::GetCurrentProcess(), STATUS_CONTROL_C_EXIT);
    return TRUE;
}

}  // namespace

void InstallStopHandler() {
    ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

bool StopRequested() {
    return g_nInterrupts.load() != 0;
}
