// The system's platform as the command line uses it: the overwrite question
// is answered by the --overwrite policy or asked on the terminal, and notices
// go to standard error and are counted. No window is ever shown.
#pragma once

#include <functional>
#include <string>

#include "SystemPlatform.h"

enum class EOverwritePolicy {
    Ask,   // ask on the terminal (answers read from standard input)
    All,   // answer Yes: overwrite every existing output
    Skip,  // answer No each time: existing outputs stay
};

class CCliPlatform : public CSystemPlatform {
public:
    CCliPlatform(EOverwritePolicy ePolicy, std::function<void()> fnBeforeTalk);

    EAnswer AskYesNoCancel(const std::string& strText) override;
    // "kestrel-cli: <text>" on standard error.
    void ShowNotice(const std::string& strText) override;
    // The same on every system, whatever the program file is called.
    std::string ApplicationTitle() override { return "kestrel-cli"; }

    int NoticeCount() const { return m_nNotices; }

private:
    EOverwritePolicy m_ePolicy;
    // Clears the progress bar before anything is written for the user.
    std::function<void()> m_fnBeforeTalk;
    int m_nNotices = 0;
};
