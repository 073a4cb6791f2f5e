#include "SignalStop.h"

#include <signal.h>

#include <csignal>

#include "BatchState.h"

namespace {

volatile std::sig_atomic_t g_nStopSignal = 0;

extern "C" void OnInterrupt(int) {
    g_nStopSignal = 1;
    // Lock-free atomic store: safe in a signal handler.
    g_bConverting.store(0);
}

}  // namespace

void InstallStopHandler() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;  // no SA_RESTART: a waiting read returns
    sigaction(SIGINT, &action, nullptr);
}

bool StopRequested() {
    return g_nStopSignal != 0;
}
