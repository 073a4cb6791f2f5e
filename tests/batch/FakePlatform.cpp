#include "FakePlatform.h"

#include <algorithm>

#include "PathText.h"

CFakePlatform::CFakePlatform() = default;

bool CFakePlatform::IsLeadByte(unsigned char byValue) const {
    return (byValue >= 0x81 && byValue <= 0x9F) || (byValue >= 0xE0 && byValue <= 0xFC);
}

std::string CFakePlatform::Resolve(const std::string& strPath) const {
    std::string strResolved = strPath;
    if (strResolved.size() > 1 && FindLastSeparator(*this, strResolved) == strResolved.size() - 1) {
        strResolved.pop_back();
    }
    for (int nRound = 0; nRound < 64; ++nRound) {
        bool bChanged = false;
        for (const auto& [strLink, strTarget] : m_mapLinks) {
            const bool bBelow = strResolved.size() > strLink.size() && strResolved.compare(0, strLink.size(), strLink) == 0 &&
                                strResolved[strLink.size()] == '\\' && IsCharBoundary(*this, strResolved, strLink.size());
            if (strResolved == strLink || bBelow) {
                strResolved = strTarget + strResolved.substr(strLink.size());
                bChanged = true;
                break;
            }
        }
        if (!bChanged) {
            break;
        }
    }
    return strResolved;
}

std::string CFakePlatform::Parent(const std::string& strPath) const {
    return FolderOf(*this, strPath);
}

CFakePlatform::Node* CFakePlatform::Find(const std::string& strPath) {
    const auto it = m_mapNodes.find(Resolve(strPath));
    return it == m_mapNodes.end() ? nullptr : &it->second;
}

void CFakePlatform::AddFolderLocked(const std::string& strResolved) {
    for (std::size_t i = 0; i <= strResolved.size(); ++i) {
        const bool bEnd = i == strResolved.size();
        if (bEnd || (strResolved[i] == '\\' && IsCharBoundary(*this, strResolved, i))) {
            const std::string strLevel = strResolved.substr(0, i);
            if (!strLevel.empty()) {
                m_mapNodes[strLevel].bFolder = true;
            }
        }
    }
}

void CFakePlatform::AddFolder(const std::string& strPath) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    AddFolderLocked(Resolve(strPath));
}

void CFakePlatform::AddFile(const std::string& strPath, const std::vector<std::uint8_t>& vecData, bool bReadOnly) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    const std::string strResolved = Resolve(strPath);
    AddFolderLocked(Parent(strResolved));
    Node& node = m_mapNodes[strResolved];
    node = Node{};
    node.vecData = vecData;
    node.bReadOnly = bReadOnly;
}

void CFakePlatform::AddFolderLink(const std::string& strLink, const std::string& strTarget) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    AddFolderLocked(Parent(strLink));
    m_mapLinks[strLink] = strTarget;
}

void CFakePlatform::SetUnlistable(const std::string& strFolder) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    AddFolderLocked(Resolve(strFolder));
    Find(strFolder)->bUnlistable = true;
}

void CFakePlatform::SetHidden(const std::string& strPath) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (Node* pNode = Find(strPath)) {
        pNode->bHidden = true;
    }
}

void CFakePlatform::SetLocked(const std::string& strPath) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (Node* pNode = Find(strPath)) {
        pNode->bLocked = true;
    }
}

void CFakePlatform::RemoveNode(const std::string& strPath) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    m_mapNodes.erase(Resolve(strPath));
}

bool CFakePlatform::Exists(const std::string& strPath) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return Find(strPath) != nullptr;
}

bool CFakePlatform::IsFolder(const std::string& strPath) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    const Node* pNode = Find(strPath);
    return pNode != nullptr && pNode->bFolder;
}

bool CFakePlatform::IsHidden(const std::string& strPath) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    const Node* pNode = Find(strPath);
    return pNode != nullptr && pNode->bHidden;
}

std::vector<std::uint8_t> CFakePlatform::Contents(const std::string& strPath) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    const Node* pNode = Find(strPath);
    return pNode != nullptr ? pNode->vecData : std::vector<std::uint8_t>{};
}

std::vector<std::string> CFakePlatform::AllPaths() {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    std::vector<std::string> vecPaths;
    for (const auto& entry : m_mapNodes) {
        vecPaths.push_back(entry.first);
    }
    return vecPaths;
}

PathAttributes CFakePlatform::QueryAttributes(const std::string& strPath) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    PathAttributes attributes;
    if (const Node* pNode = Find(strPath)) {
        attributes.bValid = true;
        attributes.bDirectory = pNode->bFolder;
        attributes.bReadOnly = pNode->bReadOnly;
    }
    return attributes;
}

void CFakePlatform::MakeAttributesNormal(const std::string& strPath) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (Node* pNode = Find(strPath)) {
        pNode->bReadOnly = false;
        pNode->bHidden = false;
    }
}

bool CFakePlatform::CreateFolder(const std::string& strPath) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    const std::string strResolved = Resolve(strPath);
    const Node* pParent = Find(Parent(strResolved));
    if (Find(strResolved) != nullptr || pParent == nullptr || !pParent->bFolder) {
        return false;
    }
    m_mapNodes[strResolved].bFolder = true;
    return true;
}

bool CFakePlatform::ChangeFolder(const std::string& strPath) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    const Node* pNode = Find(strPath);
    if (pNode == nullptr || !pNode->bFolder) {
        return false;
    }
    m_strCurrent = strPath;
    return true;
}

std::string CFakePlatform::CurrentFolder() {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return m_strCurrent;
}

bool CFakePlatform::ListFolder(const std::string& strFolder, std::vector<FolderEntry>& vecEntries) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    const std::string strResolved = Resolve(strFolder);
    const Node* pNode = Find(strResolved);
    if (pNode == nullptr || !pNode->bFolder || pNode->bUnlistable) {
        return false;
    }
    m_vecListed.push_back(strResolved);
    std::vector<FolderEntry> vecFound;
    for (const auto& [strPath, node] : m_mapNodes) {
        if (strPath != strResolved && Parent(strPath) == strResolved) {
            vecFound.push_back(FolderEntry{FileNameOf(*this, strPath), node.bFolder});
        }
    }
    for (const auto& entry : m_mapLinks) {
        if (Resolve(Parent(entry.first)) == strResolved) {
            vecFound.push_back(FolderEntry{FileNameOf(*this, entry.first), true});
        }
    }
    std::sort(vecFound.begin(), vecFound.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.strName < b.strName; });
    // Windows lists "." and ".." too (except in drive roots).
    if (Parent(strResolved).size() > 0) {
        vecEntries.push_back(FolderEntry{".", true});
        vecEntries.push_back(FolderEntry{"..", true});
    }
    vecEntries.insert(vecEntries.end(), vecFound.begin(), vecFound.end());
    return true;
}

std::string CFakePlatform::FolderIdentity(const std::string& strFolder) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    const Node* pNode = Find(strFolder);
    return pNode != nullptr && pNode->bFolder ? Resolve(strFolder) : std::string();
}

ReadOutcome CFakePlatform::ReadWholeFile(const std::string& strPath, std::vector<std::uint8_t>& vecData,
                                         std::uint64_t nMaxBytes,
                                         const std::function<void(std::uint64_t)>& fnReserve) {
    std::vector<std::uint8_t> vecCopy;
    {
        std::lock_guard<std::recursive_mutex> lock(m_mutex);
        const Node* pNode = Find(strPath);
        if (pNode == nullptr || pNode->bFolder || pNode->bLocked) {
            return {EReadResult::OpenFailed, 2};
        }
        if (pNode->vecData.size() > nMaxBytes) {
            return {EReadResult::TooLarge, 223};
        }
        vecCopy = pNode->vecData;
    }
    // Outside the lock: the reservation may wait for other jobs.
    if (fnReserve) {
        fnReserve(vecCopy.size());
    }
    vecData = std::move(vecCopy);
    return {};
}

WriteOutcome CFakePlatform::WriteNewFile(const std::string& strPath, const std::uint8_t* pData, std::size_t nSize) {
    if (m_fnBeforeCreate) {
        m_fnBeforeCreate(strPath);
    }
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    const std::string strResolved = Resolve(strPath);
    if (Find(strResolved) != nullptr) {
        return {EWriteResult::Exists, 80};
    }
    const Node* pParent = Find(Parent(strResolved));
    if (pParent == nullptr || !pParent->bFolder) {
        return {EWriteResult::OpenFailed, 3};
    }
    if (m_bFailWrites) {
        return {EWriteResult::WriteFailed, 112};
    }
    m_mapNodes[strResolved].vecData.assign(pData, pData + nSize);
    return {};
}

WriteOutcome CFakePlatform::ReplaceExistingFile(const std::string& strPath, const std::uint8_t* pData, std::size_t nSize) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    const std::string strResolved = Resolve(strPath);
    const Node* pTarget = Find(strResolved);
    const Node* pParent = Find(Parent(strResolved));
    if (pParent == nullptr || !pParent->bFolder) {
        return {EWriteResult::OpenFailed, 3};
    }
    if (pTarget != nullptr && (pTarget->bFolder || pTarget->bReadOnly || pTarget->bLocked)) {
        return {EWriteResult::OpenFailed, 5};
    }
    if (m_bFailWrites) {
        return {EWriteResult::WriteFailed, 112};
    }
    Node& node = m_mapNodes[strResolved];
    node = Node{};
    node.vecData.assign(pData, pData + nSize);
    return {};
}

void CFakePlatform::SetTemporaryInUse(const std::string& strPath) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    m_setInUse.insert(Resolve(strPath));
}

bool CFakePlatform::IsTemporaryInUse(const std::string& strPath) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return m_setInUse.count(Resolve(strPath)) != 0;
}

bool CFakePlatform::IsSameFile(const std::string& strFirst, const std::string& strSecond) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    const Node* pFirst = Find(strFirst);
    return pFirst != nullptr && pFirst == Find(strSecond);
}

std::string CFakePlatform::PathKey(const std::string& strPath) const {
    std::string strKey = strPath;
    for (std::size_t i = 0; i < strKey.size(); ++i) {
        if (IsLeadByte(static_cast<unsigned char>(strKey[i])) && i + 1 < strKey.size()) {
            ++i;
        } else if (strKey[i] == '/') {
            strKey[i] = '\\';
        } else if (strKey[i] >= 'a' && strKey[i] <= 'z') {
            strKey[i] = static_cast<char>(strKey[i] - 'a' + 'A');
        }
    }
    return strKey;
}

EAnswer CFakePlatform::AskYesNoCancel(const std::string& strText) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    m_vecQuestions.push_back(strText);
    if (m_dequeAnswers.empty()) {
        return EAnswer::Cancel;
    }
    const EAnswer eAnswer = m_dequeAnswers.front();
    m_dequeAnswers.pop_front();
    return eAnswer;
}

void CFakePlatform::ShowNotice(const std::string& strText) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    m_vecNotices.push_back(strText);
}
