#include "CliPlatform.h"

#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <utility>

#include "SignalStop.h"

namespace {

// Reads one line from standard input straight from the descriptor, so that
// Ctrl-C interrupts the wait. false at the end of input or on interruption.
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
        strLine += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    }
}

}  // namespace

CCliPlatform::CCliPlatform(EOverwritePolicy ePolicy, std::function<void()> fnBeforeTalk)
    : CPosixPlatform("kestrel-cli"), m_ePolicy(ePolicy), m_fnBeforeTalk(std::move(fnBeforeTalk)) {}

EAnswer CCliPlatform::AskYesNoCancel(const std::string& strText) {
    switch (m_ePolicy) {
    case EOverwritePolicy::All:
        return EAnswer::Yes;
    case EOverwritePolicy::Skip:
        return EAnswer::No;
    case EOverwritePolicy::Ask:
        break;
    }
    if (m_fnBeforeTalk) {
        m_fnBeforeTalk();
    }
    std::string strLine;
    for (;;) {
        std::fprintf(stderr, "%s [y]es/[n]o/[c]ancel: ", strText.c_str());
        std::fflush(stderr);
        if (!ReadAnswerLine(strLine)) {
            // End of input or Ctrl-C: like closing the question box.
            std::fputc('\n', stderr);
            return EAnswer::Cancel;
        }
        while (!strLine.empty() && std::isspace(static_cast<unsigned char>(strLine.back()))) {
            strLine.pop_back();
        }
        if (strLine == "y" || strLine == "yes") {
            return EAnswer::Yes;
        }
        if (strLine == "n" || strLine == "no") {
            return EAnswer::No;
        }
        if (strLine == "c" || strLine == "cancel") {
            return EAnswer::Cancel;
        }
    }
}

void CCliPlatform::ShowNotice(const std::string& strText) {
    if (m_fnBeforeTalk) {
        m_fnBeforeTalk();
    }
    ++m_nNotices;
    CPosixPlatform::ShowNotice(strText);
}
