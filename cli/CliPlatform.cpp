#include "CliPlatform.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <utility>

#include "Console.h"

CCliPlatform::CCliPlatform(EOverwritePolicy ePolicy, std::function<void()> fnBeforeTalk)
    : m_ePolicy(ePolicy), m_fnBeforeTalk(std::move(fnBeforeTalk)) {}

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
        std::transform(strLine.begin(), strLine.end(), strLine.begin(),
                       [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
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
    std::fprintf(stderr, "%s: %s\n", ApplicationTitle().c_str(), strText.c_str());
}
