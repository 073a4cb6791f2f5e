// The POSIX platform as the command line uses it: the overwrite question is
// answered by the --overwrite policy or asked on the terminal, and notices go
// to standard error and are counted.
#pragma once

#include <functional>
#include <string>

#include "PosixPlatform.h"

enum class EOverwritePolicy {
    Ask,   // ask on the terminal (answers read from standard input)
    All,   // answer Yes: overwrite every existing output
    Skip,  // answer No each time: existing outputs stay
};

class CCliPlatform : public CPosixPlatform {
public:
    CCliPlatform(EOverwritePolicy ePolicy, std::function<void()> fnBeforeTalk);

    EAnswer AskYesNoCancel(const std::string& strText) override;
    void ShowNotice(const std::string& strText) override;

    int NoticeCount() const { return m_nNotices; }

private:
    EOverwritePolicy m_ePolicy;
    // Clears the progress bar before anything is written for the user.
    std::function<void()> m_fnBeforeTalk;
    int m_nNotices = 0;
};
