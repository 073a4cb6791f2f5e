// An in-memory file system that behaves like Windows: '\' separators, drive
// roots such as "C:", read-only files, folders that cannot be listed, folder
// links (junctions), and the Shift-JIS code page, whose trail bytes may be
// 0x5C ("表" is 95 5C, "ソ" is 83 5C). Records questions, notices, listings
// and the current folder; answers questions from a queue.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "IPlatform.h"

class CFakePlatform : public IPlatform {
public:
    CFakePlatform();

    // --- building the tree (parent folders are created as needed) ----------
    void AddFolder(const std::string& strPath);
    void AddFile(const std::string& strPath, const std::vector<std::uint8_t>& vecData, bool bReadOnly = false);
    // strLink behaves as the folder strTarget (which may lie above it).
    void AddFolderLink(const std::string& strLink, const std::string& strTarget);
    void SetUnlistable(const std::string& strFolder);
    void SetHidden(const std::string& strPath);
    // Opening the file fails (held open by another program).
    void SetLocked(const std::string& strPath);
    void RemoveNode(const std::string& strPath);
    // A writer holds the file (a temporary file being written).
    void SetTemporaryInUse(const std::string& strPath);

    // --- inspecting ------------------------------------------------------------
    bool Exists(const std::string& strPath);
    bool IsFolder(const std::string& strPath);
    bool IsHidden(const std::string& strPath);
    std::vector<std::uint8_t> Contents(const std::string& strPath);
    // Every path of the tree, in order.
    std::vector<std::string> AllPaths();

    // --- faults and settings ---------------------------------------------------
    // Every write fails (disk full): nothing is changed.
    bool m_bFailWrites = false;
    // Called when WriteNewFile is about to create strPath (to let another
    // writer get there first, say).
    std::function<void(const std::string&)> m_fnBeforeCreate;
    std::string m_strNoAccessTail = "\r\nThere is no access authority to this folder. ";
    std::string m_strOverwriteTail = " has already exists. Overwrite all ?";

    // --- recorded interaction ------------------------------------------------
    std::deque<EAnswer> m_dequeAnswers;  // Cancel once empty
    std::vector<std::string> m_vecQuestions;
    std::vector<std::string> m_vecNotices;
    std::vector<std::string> m_vecListed;  // folders listed, resolved
    std::string m_strCurrent;

    // --- IPlatform -------------------------------------------------------------
    char Separator() const override { return '\\'; }
    bool IsLeadByte(unsigned char byValue) const override;
    PathAttributes QueryAttributes(const std::string& strPath) override;
    void MakeAttributesNormal(const std::string& strPath) override;
    bool CreateFolder(const std::string& strPath) override;
    bool ChangeFolder(const std::string& strPath) override;
    std::string CurrentFolder() override;
    bool ListFolder(const std::string& strFolder, std::vector<FolderEntry>& vecEntries) override;
    std::string FolderIdentity(const std::string& strFolder) override;
    ReadOutcome ReadWholeFile(const std::string& strPath, std::vector<std::uint8_t>& vecData,
                              std::uint64_t nMaxBytes,
                              const std::function<void(std::uint64_t)>& fnReserve) override;
    WriteOutcome WriteNewFile(const std::string& strPath, const std::uint8_t* pData, std::size_t nSize) override;
    WriteOutcome ReplaceExistingFile(const std::string& strPath, const std::uint8_t* pData, std::size_t nSize) override;
    bool IsTemporaryInUse(const std::string& strPath) override;
    // The same node, links followed.
    bool IsSameFile(const std::string& strFirst, const std::string& strSecond) override;
    // ASCII letters upper case, '/' read as '\\'.
    std::string PathKey(const std::string& strPath) const override;
    std::string SystemErrorText(int nSystemError) const override { return "error " + std::to_string(nSystemError); }
    std::uint64_t MemoryForJobs() override { return std::uint64_t{1} << 40; }
    EAnswer AskYesNoCancel(const std::string& strText) override;
    void ShowNotice(const std::string& strText) override;
    std::string ApplicationTitle() override { return "Kestrel"; }
    std::string PromptText(EPromptText eText) override {
        return eText == EPromptText::NoAccessTail ? m_strNoAccessTail : m_strOverwriteTail;
    }

private:
    struct Node {
        bool bFolder = false;
        bool bReadOnly = false;
        bool bHidden = false;
        bool bUnlistable = false;
        bool bLocked = false;
        std::vector<std::uint8_t> vecData;
    };

    // Path without a trailing separator, with folder links replaced by their
    // targets.
    std::string Resolve(const std::string& strPath) const;
    std::string Parent(const std::string& strPath) const;
    Node* Find(const std::string& strPath);
    void AddFolderLocked(const std::string& strResolved);

    std::recursive_mutex m_mutex;
    std::map<std::string, Node> m_mapNodes;
    std::map<std::string, std::string> m_mapLinks;
    std::set<std::string> m_setInUse;  // resolved paths
};
