#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include "Console.h"
#include "SignalStop.h"

void PrepareStandardStreams() {
    // A closed standard output (a pager quit, "| head"): writes then fail
    // with EPIPE instead of ending the program.
    ::signal(SIGPIPE, SIG_IGN);
}

void RestoreStandardStreams() {}

void PrepareInputForList() {}

bool InputIsTerminal() {
    return ::isatty(STDIN_FILENO) != 0;
}

bool ErrorShowsProgressBar() {
    return ::isatty(STDERR_FILENO) != 0;
}

// Straight from the descriptor, so that Ctrl-C (which restarts no system
// call) interrupts the wait.
bool ReadAnswerLine(std::string& strLine) {
    strLine.clear();
    for (;;) {
        char ch = 0;
        const ssize_t nRead = ::read(STDIN_FILENO, &ch, 1);
        if (nRead < 0 && errno == EINTR && !StopRequested()) {
            continue;
        }
        if (nRead <= 0) {
            return false;
        }
        if (ch == '\n') {
            return true;
        }
        strLine += ch;
    }
}
