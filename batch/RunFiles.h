// The files a run reads and the outputs it writes, which no other file it
// writes (a report, a drawing) may take the place of.
#pragma once

#include <string>
#include <vector>

class IFileSystem;
struct FileItem;

struct RunFile {
    std::string strPath;
    bool bOutput = false;  // an output of the run; otherwise an input
};

class CRunFiles {
public:
    // The entries of a batch and the outputs of those that are converted
    // (RunPlan's OutputPathOf: the output folders need not exist yet).
    static CRunFiles OfBatch(const IFileSystem& platform, const std::vector<FileItem>& vecItems);
    // The entries of a batch alone.
    static CRunFiles OfInputs(const std::vector<FileItem>& vecItems);

    void AddInput(const std::string& strPath) { m_vecFiles.push_back(RunFile{strPath, false}); }
    void AddOutput(const std::string& strPath) { m_vecFiles.push_back(RunFile{strPath, true}); }

    // The file of the run that strPath leads to, nullptr when none: the same
    // path as far as the text tells (IFileSystem::PathKey), the same existing
    // file however it is reached (links, hard links), or, while neither is
    // there, the same name in the same folder reached another way. Linear in
    // the number of files; an existing strPath costs a look-up per file.
    const RunFile* FileAt(IFileSystem& platform, const std::string& strPath) const;

private:
    std::vector<RunFile> m_vecFiles;
};

// "the input PATH" or "the output PATH".
std::string DescribeRunFile(const RunFile& file);
