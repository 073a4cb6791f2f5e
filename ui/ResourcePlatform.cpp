#include "ResourcePlatform.h"

#include "Resource.h"

std::string CResourcePlatform::PromptText(EPromptText eText) {
    const UINT nId = eText == EPromptText::NoAccessTail ? IDS_NO_ACCESS : IDS_OVERWRITE;
    char szText[512] = {};
    const int nLength = ::LoadStringA(m_hInstance, nId, szText, static_cast<int>(sizeof(szText)));
    if (nLength <= 0) {
        return CWin32Platform::PromptText(eText);
    }
    return std::string(szText, static_cast<std::size_t>(nLength));
}
