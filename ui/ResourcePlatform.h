// The Windows platform as the dialog application uses it: the tails of the
// folder notice and the overwrite question come from the program's string
// resources (102 IDS_NO_ACCESS, 103 IDS_OVERWRITE), so a translated resource
// script changes what the user reads.
#pragma once

#include "Win32Platform.h"

class CResourcePlatform : public CWin32Platform {
public:
    // hInstance holds the string table (the executable's own module).
    explicit CResourcePlatform(HINSTANCE hInstance) : m_hInstance(hInstance) {}

    // The resource string; the built-in copy when it cannot be loaded.
    std::string PromptText(EPromptText eText) override;

private:
    HINSTANCE m_hInstance;
};
