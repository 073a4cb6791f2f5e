#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>

#include "Console.h"
#include "SignalStop.h"

namespace {

// How often a waiting question looks whether Ctrl-C was pressed.
constexpr std::chrono::milliseconds kStopPollInterval{50};

// What was changed in the console, to be given back: the output code page
// (0: unchanged) and the mode of standard error.
std::atomic<UINT> g_nOldOutputCodePage{0};
std::atomic<bool> g_bErrorModeChanged{false};
std::atomic<DWORD> g_dwOldErrorMode{0};

bool IsConsole(DWORD dwStdHandle) {
    DWORD dwMode = 0;
    return ::GetConsoleMode(::GetStdHandle(dwStdHandle), &dwMode) != FALSE;
}

void RestoreAtExit() {
    static std::once_flag s_once;
    std::call_once(s_once, [] { std::atexit(RestoreStandardStreams); });
}

// Standard input read line by line on a thread of its own, so that a
// question can stop waiting when Ctrl-C is pressed whatever standard input
// is: a console read ends by itself then, a pipe read does not.
class CAnswerReader {
public:
    bool ReadLine(std::string& strLine) {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (!m_bStarted) {
            m_bStarted = true;
            try {
                std::thread([this] { Run(); }).detach();
            } catch (const std::system_error&) {
                // No thread to read with: like the end of the input.
                m_bEnded = true;
            }
        }
        for (;;) {
            if (!m_deqLines.empty()) {
                strLine = std::move(m_deqLines.front());
                m_deqLines.pop_front();
                return true;
            }
            if (m_bEnded || StopRequested()) {
                return false;
            }
            m_cvLine.wait_for(lock, kStopPollInterval);
        }
    }

private:
    void Run() {
        const HANDLE hInput = ::GetStdHandle(STD_INPUT_HANDLE);
        std::string strLine;
        for (;;) {
            char ch = 0;
            DWORD dwRead = 0;
            if (!::ReadFile(hInput, &ch, 1, &dwRead, nullptr) || dwRead == 0) {
                break;
            }
            if (ch != '\n') {
                strLine += ch;
                continue;
            }
            if (!strLine.empty() && strLine.back() == '\r') {
                strLine.pop_back();
            }
            std::lock_guard<std::mutex> lock(m_mutex);
            m_deqLines.push_back(std::move(strLine));
            strLine.clear();
            m_cvLine.notify_one();
        }
        // A line without its end is dropped, as on POSIX.
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bEnded = true;
        m_cvLine.notify_one();
    }

    std::mutex m_mutex;
    std::condition_variable m_cvLine;
    std::deque<std::string> m_deqLines;
    bool m_bStarted = false;
    bool m_bEnded = false;
};

}  // namespace

void PrepareStandardStreams() {
    // The same bytes as on POSIX: no CR put before each LF (the notice texts
    // hold their own CR LF). A closed standard output needs nothing: writes
    // to it fail (ERROR_NO_DATA), no signal ends the program.
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
    // Paths are in the ANSI code page, a console shows its output code page
    // (the OEM one unless changed): it is told to show ANSI for this run.
    if (IsConsole(STD_OUTPUT_HANDLE) || IsConsole(STD_ERROR_HANDLE)) {
        const UINT nOld = ::GetConsoleOutputCP();
        const UINT nAnsi = ::GetACP();
        if (nOld != 0 && nOld != nAnsi && ::SetConsoleOutputCP(nAnsi)) {
            g_nOldOutputCodePage.store(nOld);
            RestoreAtExit();
        }
    }
}

void RestoreStandardStreams() {
    const UINT nOld = g_nOldOutputCodePage.exchange(0);
    if (nOld != 0) {
        std::fflush(stdout);
        std::fflush(stderr);
        ::SetConsoleOutputCP(nOld);
    }
    if (g_bErrorModeChanged.exchange(false)) {
        ::SetConsoleMode(::GetStdHandle(STD_ERROR_HANDLE), g_dwOldErrorMode.load());
    }
}

void PrepareInputForList() {
    // Text mode would turn CR LF into LF and end the list at a Ctrl-Z.
    _setmode(_fileno(stdin), _O_BINARY);
}

bool InputIsTerminal() {
    // A console, not merely a character device (_isatty also says yes to NUL).
    return IsConsole(STD_INPUT_HANDLE);
}

bool ErrorShowsProgressBar() {
    const HANDLE hError = ::GetStdHandle(STD_ERROR_HANDLE);
    DWORD dwMode = 0;
    if (!::GetConsoleMode(hError, &dwMode)) {
        return false;
    }
    if ((dwMode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0) {
        return true;
    }
    // Consoles before Windows 10 know no escape sequences: no bar there.
    if (!::SetConsoleMode(hError, dwMode | ENABLE_VIRTUAL_TERMINAL_PROCESSING)) {
        return false;
    }
    g_dwOldErrorMode.store(dwMode);
    g_bErrorModeChanged.store(true);
    RestoreAtExit();
    return true;
}

bool ReadAnswerLine(std::string& strLine) {
    // Never destroyed: its thread may still wait for input when the program ends.
    static CAnswerReader& s_reader = *new CAnswerReader;
    strLine.clear();
    return s_reader.ReadLine(strLine);
}
