// What the batch needs of the person running it: the overwrite question and
// the notices, with the texts the dialog application keeps as resources.
#pragma once

#include <string>

enum class EAnswer { Yes, No, Cancel };

// The two texts that the dialog application holds as string resources: the
// tail of the notice for a folder that cannot be listed (102) and of the
// overwrite question (103).
enum class EPromptText { NoAccessTail, OverwriteTail };

class IUserInteraction {
public:
    virtual ~IUserInteraction() = default;

    // Modal Yes/No/Cancel question with the question-mark icon, captioned with
    // ApplicationTitle(). Closing the question answers Cancel. May be called
    // on the worker thread.
    virtual EAnswer AskYesNoCancel(const std::string& strText) = 0;
    // Modal notice with an OK button and the exclamation icon, captioned with
    // ApplicationTitle().
    virtual void ShowNotice(const std::string& strText) = 0;
    // The program's name: the executable's file name without its extension.
    virtual std::string ApplicationTitle() = 0;
    // One of the texts of the notice and the question (kTextNoAccessTail,
    // kTextOverwriteTail); the dialog application loads them from its
    // resources.
    virtual std::string PromptText(EPromptText eText) = 0;
};
