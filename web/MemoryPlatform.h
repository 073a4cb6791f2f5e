// A file system held in memory, for the page: the picked and dropped files
// sit at their relative paths below "/", the outputs are written next to them,
// and nothing touches a disk. Inputs may be held outside (a browser File):
// only their names are known here; their size and bytes are asked of the
// outside files when the batch reads them, one file at a time.
//
// Paths use '/' and are spelt as stored: "/samples/sub/a.mmf". The root is
// "/" (also reached as ""). There are no links, so two paths lead to the same
// node exactly when they are equal. Meant for one thread.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "IPlatform.h"

// Where the bytes of outside inputs come from. Either call may wait (the
// page's worker returns to its event loop until the file is there).
class IOutsideFiles {
public:
    virtual ~IOutsideFiles() = default;
    // The size of input nSource; false, with the reason, when it is not to be had.
    virtual bool SizeOf(std::uint32_t nSource, std::uint64_t& nSize, std::string& strFailure) = 0;
    // Fills pBuffer with its nSize bytes: an empty text, or why it could not.
    virtual std::string Read(std::uint32_t nSource, std::uint8_t* pBuffer, std::uint64_t nSize) = 0;
};

class CMemoryPlatform : public IPlatform {
public:
    // What the jobs of a run may hold at once unless told otherwise.
    static constexpr std::uint64_t kDefaultMemoryForJobs = std::uint64_t{256} << 20;

    explicit CMemoryPlatform(std::uint64_t nMemoryForJobs = kDefaultMemoryForJobs);

    // --- building the tree (missing parent folders are created) ------------
    // false when a file stands where a folder is needed.
    bool AddFolder(const std::string& strPath);
    bool AddFile(const std::string& strPath, std::vector<std::uint8_t> vecData, bool bReadOnly = false);
    bool AddOutsideInput(const std::string& strPath, std::uint32_t nSource);
    // Not owned; must outlive the reads.
    void SetOutsideFiles(IOutsideFiles* pFiles) { m_pOutside = pFiles; }
    // Forgets every node but the root, and what was written.
    void Clear();

    // --- what a run left -----------------------------------------------------
    // The files written (created or replaced), in the order of their first
    // write; each once.
    const std::vector<std::string>& WrittenFiles() const { return m_vecWritten; }
    // Every folder below strFolder (itself included), parents before children.
    std::vector<std::string> FoldersBelow(const std::string& strFolder) const;
    // The bytes of a file held here; null for a folder, an outside input or
    // a missing path.
    const std::vector<std::uint8_t>* Contents(const std::string& strPath) const;
    const std::vector<std::string>& Notices() const { return m_vecNotices; }
    const std::vector<std::string>& Questions() const { return m_vecQuestions; }

    // --- IPlatform -------------------------------------------------------------
    char Separator() const override { return '/'; }
    bool IsLeadByte(unsigned char) const override { return false; }
    PathAttributes QueryAttributes(const std::string& strPath) override;
    void MakeAttributesNormal(const std::string& strPath) override;
    bool CreateFolder(const std::string& strPath) override;
    bool ChangeFolder(const std::string& strPath) override;
    std::string CurrentFolder() override { return m_strCurrent; }
    bool ListFolder(const std::string& strFolder, std::vector<FolderEntry>& vecEntries) override;
    std::string FolderIdentity(const std::string& strFolder) override;
    ReadOutcome ReadWholeFile(const std::string& strPath, std::vector<std::uint8_t>& vecData,
                              std::uint64_t nMaxBytes,
                              const std::function<void(std::uint64_t)>& fnReserve) override;
    WriteOutcome WriteNewFile(const std::string& strPath, const std::uint8_t* pData, std::size_t nSize) override;
    WriteOutcome ReplaceExistingFile(const std::string& strPath, const std::uint8_t* pData, std::size_t nSize) override;
    bool IsSameFile(const std::string& strFirst, const std::string& strSecond) override;
    std::string PathKey(const std::string& strPath) const override { return Key(strPath); }
    // errno texts, and the reader's own words for a failed outside read.
    std::string SystemErrorText(int nSystemError) const override;
    std::uint64_t MemoryForJobs() override { return m_nMemoryForJobs; }
    // Nobody to ask in a page that is converting: an existing output is kept,
    // as the command line does without a terminal.
    EAnswer AskYesNoCancel(const std::string& strText) override;
    void ShowNotice(const std::string& strText) override { m_vecNotices.push_back(strText); }
    std::string ApplicationTitle() override { return "Kestrel"; }
    std::string PromptText(EPromptText eText) override;

private:
    struct Node {
        bool bFolder = false;
        bool bReadOnly = false;
        bool bOutside = false;          // bytes held by the reader, not here
        std::uint32_t nSource = 0;      // the outside files' number for them
        std::uint64_t nIdentity = 0;
        std::vector<std::uint8_t> vecData;
        std::set<std::string> setChildren;  // names, for folders
    };

    // The path as a key: no trailing '/', the root as "".
    static std::string Key(const std::string& strPath);
    static std::string ParentKey(const std::string& strKey);
    static std::string NameOf(const std::string& strKey);
    Node* Find(const std::string& strPath);
    const Node* Find(const std::string& strPath) const;
    // Creates the folder strKey and its missing parents; null when a file is
    // in the way.
    Node* MakeFolders(const std::string& strKey);
    // Places a new node strKey below its existing parent folder.
    Node& Insert(const std::string& strKey, Node node);
    // A file node at strPath, its folders made; false over a folder.
    bool AddFileNode(const std::string& strPath, Node file);
    // The parent folder of strKey for a new file, or the errno why not.
    int CheckParent(const std::string& strKey) const;
    void NoteWritten(const std::string& strKey);
    // A system error code standing for an outside failure's text.
    int ReaderErrorCode(const std::string& strText);

    std::map<std::string, Node> m_mapNodes;
    std::uint64_t m_nNextIdentity = 1;
    std::uint64_t m_nMemoryForJobs;
    std::string m_strCurrent = "/";
    IOutsideFiles* m_pOutside = nullptr;
    std::vector<std::string> m_vecWritten;
    std::set<std::string> m_setWritten;
    std::vector<std::string> m_vecReaderErrors;
    std::vector<std::string> m_vecNotices;
    std::vector<std::string> m_vecQuestions;
};
