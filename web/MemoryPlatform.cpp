#include "MemoryPlatform.h"

#include <cerrno>
#include <cstring>
#include <new>

#include "BatchTexts.h"
#include "ReadBuffer.h"

namespace {
// System error codes above this one stand for the reader's own texts.
constexpr int kFirstReaderError = 100000;

}  // namespace

CMemoryPlatform::CMemoryPlatform(std::uint64_t nMemoryForJobs) : m_nMemoryForJobs(nMemoryForJobs) {
    Clear();
}

std::string CMemoryPlatform::Key(const std::string& strPath) {
    std::string strKey = strPath;
    while (!strKey.empty() && strKey.back() == '/') {
        strKey.pop_back();
    }
    return strKey;
}

std::string CMemoryPlatform::ParentKey(const std::string& strKey) {
    const std::size_t nPos = strKey.rfind('/');
    return nPos == std::string::npos ? std::string() : strKey.substr(0, nPos);
}

std::string CMemoryPlatform::NameOf(const std::string& strKey) {
    const std::size_t nPos = strKey.rfind('/');
    return nPos == std::string::npos ? strKey : strKey.substr(nPos + 1);
}

CMemoryPlatform::Node* CMemoryPlatform::Find(const std::string& strPath) {
    const auto it = m_mapNodes.find(Key(strPath));
    return it == m_mapNodes.end() ? nullptr : &it->second;
}

const CMemoryPlatform::Node* CMemoryPlatform::Find(const std::string& strPath) const {
    const auto it = m_mapNodes.find(Key(strPath));
    return it == m_mapNodes.end() ? nullptr : &it->second;
}

void CMemoryPlatform::Clear() {
    m_mapNodes.clear();
    Node root;
    root.bFolder = true;
    root.nIdentity = m_nNextIdentity++;
    m_mapNodes.emplace(std::string(), std::move(root));
    m_vecWritten.clear();
    m_setWritten.clear();
    m_vecReaderErrors.clear();
    m_vecNotices.clear();
    m_vecQuestions.clear();
    m_strCurrent = "/";
}

CMemoryPlatform::Node& CMemoryPlatform::Insert(const std::string& strKey, Node node) {
    node.nIdentity = m_nNextIdentity++;
    m_mapNodes[ParentKey(strKey)].setChildren.insert(NameOf(strKey));
    Node& placed = m_mapNodes[strKey];
    placed = std::move(node);
    return placed;
}

CMemoryPlatform::Node* CMemoryPlatform::MakeFolders(const std::string& strKey) {
    Node* pNode = Find(strKey);
    if (pNode != nullptr) {
        return pNode->bFolder ? pNode : nullptr;
    }
    if (MakeFolders(ParentKey(strKey)) == nullptr) {
        return nullptr;
    }
    Node folder;
    folder.bFolder = true;
    return &Insert(strKey, std::move(folder));
}

bool CMemoryPlatform::AddFolder(const std::string& strPath) {
    return MakeFolders(Key(strPath)) != nullptr;
}

bool CMemoryPlatform::AddFileNode(const std::string& strPath, Node file) {
    const std::string strKey = Key(strPath);
    if (strKey.empty() || MakeFolders(ParentKey(strKey)) == nullptr) {
        return false;
    }
    if (const Node* pOld = Find(strKey); pOld != nullptr && pOld->bFolder) {
        return false;
    }
    Insert(strKey, std::move(file));
    return true;
}

bool CMemoryPlatform::AddFile(const std::string& strPath, std::vector<std::uint8_t> vecData, bool bReadOnly) {
    Node file;
    file.bReadOnly = bReadOnly;
    file.vecData = std::move(vecData);
    return AddFileNode(strPath, std::move(file));
}

bool CMemoryPlatform::AddOutsideInput(const std::string& strPath, std::uint32_t nSource) {
    Node file;
    file.bOutside = true;
    file.nSource = nSource;
    return AddFileNode(strPath, std::move(file));
}

std::vector<std::string> CMemoryPlatform::FoldersBelow(const std::string& strFolder) const {
    std::vector<std::string> vecFolders;
    const Node* pTop = Find(strFolder);
    if (pTop == nullptr || !pTop->bFolder) {
        return vecFolders;
    }
    // Breadth-first, so every parent comes before its children.
    vecFolders.push_back(Key(strFolder));
    for (std::size_t i = 0; i < vecFolders.size(); ++i) {
        const Node& folder = m_mapNodes.at(vecFolders[i]);
        for (const std::string& strName : folder.setChildren) {
            const std::string strChild = vecFolders[i] + '/' + strName;
            if (m_mapNodes.at(strChild).bFolder) {
                vecFolders.push_back(strChild);
            }
        }
    }
    return vecFolders;
}

const std::vector<std::uint8_t>* CMemoryPlatform::Contents(const std::string& strPath) const {
    const Node* pNode = Find(strPath);
    return pNode != nullptr && !pNode->bFolder && !pNode->bOutside ? &pNode->vecData : nullptr;
}

PathAttributes CMemoryPlatform::QueryAttributes(const std::string& strPath) {
    PathAttributes attributes;
    if (const Node* pNode = Find(strPath)) {
        attributes.bValid = true;
        attributes.bDirectory = pNode->bFolder;
        attributes.bReadOnly = pNode->bReadOnly;
    }
    return attributes;
}

void CMemoryPlatform::MakeAttributesNormal(const std::string& strPath) {
    if (Node* pNode = Find(strPath)) {
        pNode->bReadOnly = false;
    }
}

bool CMemoryPlatform::CreateFolder(const std::string& strPath) {
    const std::string strKey = Key(strPath);
    if (strKey.empty() || Find(strKey) != nullptr || CheckParent(strKey) != 0) {
        return false;
    }
    Node folder;
    folder.bFolder = true;
    Insert(strKey, std::move(folder));
    return true;
}

bool CMemoryPlatform::ChangeFolder(const std::string& strPath) {
    const Node* pNode = Find(strPath);
    if (pNode == nullptr || !pNode->bFolder) {
        return false;
    }
    m_strCurrent = strPath;
    return true;
}

bool CMemoryPlatform::ListFolder(const std::string& strFolder, std::vector<FolderEntry>& vecEntries) {
    const std::string strKey = Key(strFolder);
    const Node* pNode = Find(strKey);
    if (pNode == nullptr || !pNode->bFolder) {
        return false;
    }
    // Names in byte order, as the POSIX platform lists them.
    for (const std::string& strName : pNode->setChildren) {
        vecEntries.push_back(FolderEntry{strName, m_mapNodes.at(strKey + '/' + strName).bFolder});
    }
    return true;
}

std::string CMemoryPlatform::FolderIdentity(const std::string& strFolder) {
    const Node* pNode = Find(strFolder);
    return pNode != nullptr && pNode->bFolder ? "node:" + std::to_string(pNode->nIdentity) : std::string();
}

ReadOutcome CMemoryPlatform::ReadWholeFile(const std::string& strPath, std::vector<std::uint8_t>& vecData,
                                           std::uint64_t nMaxBytes,
                                           const std::function<void(std::uint64_t)>& fnReserve) {
    vecData.clear();
    const Node* pNode = Find(strPath);
    if (pNode == nullptr) {
        return {EReadResult::OpenFailed, ENOENT};
    }
    if (pNode->bFolder) {
        return {EReadResult::OpenFailed, EISDIR};
    }
    // Copied before anything may wait: the node is not to be held meanwhile.
    const bool bOutside = pNode->bOutside;
    const std::uint32_t nSource = pNode->nSource;
    std::uint64_t nSize = pNode->vecData.size();
    if (bOutside) {
        std::string strFailure = "no outside files";
        if (m_pOutside == nullptr || !m_pOutside->SizeOf(nSource, nSize, strFailure)) {
            return {EReadResult::OpenFailed, ReaderErrorCode(strFailure)};
        }
    }
    switch (PrepareReadBuffer(nSize, nMaxBytes, fnReserve, vecData)) {
    case EReadBuffer::TooLarge:
        return {EReadResult::TooLarge, EFBIG};
    case EReadBuffer::NoMemory:
        return {EReadResult::OpenFailed, ENOMEM};
    case EReadBuffer::Ready:
        break;
    }
    if (!bOutside) {
        const Node* pHeld = Find(strPath);
        if (pHeld == nullptr || pHeld->vecData.size() != vecData.size()) {
            std::vector<std::uint8_t>().swap(vecData);
            return {EReadResult::OpenFailed, ENOENT};
        }
        if (!vecData.empty()) {
            std::memcpy(vecData.data(), pHeld->vecData.data(), vecData.size());
        }
        return {};
    }
    const std::string strFailure = m_pOutside->Read(nSource, vecData.data(), nSize);
    if (!strFailure.empty()) {
        std::vector<std::uint8_t>().swap(vecData);
        return {EReadResult::OpenFailed, ReaderErrorCode(strFailure)};
    }
    return {};
}

int CMemoryPlatform::CheckParent(const std::string& strKey) const {
    const Node* pParent = Find(ParentKey(strKey));
    if (pParent == nullptr) {
        return ENOENT;
    }
    return pParent->bFolder ? 0 : ENOTDIR;
}

void CMemoryPlatform::NoteWritten(const std::string& strKey) {
    if (m_setWritten.insert(strKey).second) {
        m_vecWritten.push_back(strKey);
    }
}

WriteOutcome CMemoryPlatform::WriteNewFile(const std::string& strPath, const std::uint8_t* pData, std::size_t nSize) {
    const std::string strKey = Key(strPath);
    if (Find(strKey) != nullptr) {
        return {EWriteResult::Exists, EEXIST};
    }
    if (const int nError = CheckParent(strKey); nError != 0 || strKey.empty()) {
        return {EWriteResult::OpenFailed, nError != 0 ? nError : EISDIR};
    }
    Node file;
    try {
        file.vecData.assign(pData, pData + nSize);
        Insert(strKey, std::move(file));
        NoteWritten(strKey);
    } catch (const std::bad_alloc&) {
        // Nothing of it stays: the node goes in only with all its bytes.
        return {EWriteResult::WriteFailed, ENOMEM};
    }
    return {};
}

WriteOutcome CMemoryPlatform::ReplaceExistingFile(const std::string& strPath, const std::uint8_t* pData, std::size_t nSize) {
    const std::string strKey = Key(strPath);
    if (const int nError = CheckParent(strKey); nError != 0 || strKey.empty()) {
        return {EWriteResult::OpenFailed, nError != 0 ? nError : EISDIR};
    }
    Node* pTarget = Find(strKey);
    if (pTarget != nullptr && pTarget->bFolder) {
        return {EWriteResult::OpenFailed, EISDIR};
    }
    if (pTarget != nullptr && pTarget->bReadOnly) {
        return {EWriteResult::OpenFailed, EACCES};
    }
    try {
        // The new bytes are complete before the old ones go.
        std::vector<std::uint8_t> vecNew(pData, pData + nSize);
        if (pTarget == nullptr) {
            Node file;
            file.vecData = std::move(vecNew);
            Insert(strKey, std::move(file));
        } else {
            pTarget->bOutside = false;
            pTarget->vecData = std::move(vecNew);
        }
        NoteWritten(strKey);
    } catch (const std::bad_alloc&) {
        return {EWriteResult::WriteFailed, ENOMEM};
    }
    return {};
}

bool CMemoryPlatform::IsSameFile(const std::string& strFirst, const std::string& strSecond) {
    const Node* pFirst = Find(strFirst);
    return pFirst != nullptr && pFirst == Find(strSecond);
}

int CMemoryPlatform::ReaderErrorCode(const std::string& strText) {
    for (std::size_t i = 0; i < m_vecReaderErrors.size(); ++i) {
        if (m_vecReaderErrors[i] == strText) {
            return kFirstReaderError + static_cast<int>(i);
        }
    }
    m_vecReaderErrors.push_back(strText);
    return kFirstReaderError + static_cast<int>(m_vecReaderErrors.size() - 1);
}

std::string CMemoryPlatform::SystemErrorText(int nSystemError) const {
    if (nSystemError >= kFirstReaderError &&
        static_cast<std::size_t>(nSystemError - kFirstReaderError) < m_vecReaderErrors.size()) {
        return m_vecReaderErrors[static_cast<std::size_t>(nSystemError - kFirstReaderError)];
    }
    return std::strerror(nSystemError);
}

EAnswer CMemoryPlatform::AskYesNoCancel(const std::string& strText) {
    m_vecQuestions.push_back(strText);
    return EAnswer::No;
}

std::string CMemoryPlatform::PromptText(EPromptText eText) {
    return eText == EPromptText::NoAccessTail ? kTextNoAccessTail : kTextOverwriteTail;
}
