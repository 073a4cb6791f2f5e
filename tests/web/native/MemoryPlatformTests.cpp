// The page's in-memory file system on its own: what the batch relies on of a
// platform (all-or-nothing writes, listings in name order, folder identity),
// and inputs whose bytes are fetched only when the batch reads them.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <string>
#include <vector>

#include "MemoryPlatform.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Outside files numbered 1 (three bytes), 2 (unreadable), 3 (100 bytes) and
// 4 (its size cannot be had); records what was asked.
class CFewOutsideFiles : public IOutsideFiles {
public:
    bool SizeOf(std::uint32_t nSource, std::uint64_t& nSize, std::string& strFailure) override {
        m_vecSized.push_back(nSource);
        if (nSource == 4) {
            strFailure = "NotFoundError: gone before it was read";
            return false;
        }
        nSize = nSource == 3 ? 100 : nSource == 2 ? 5 : 3;
        return true;
    }
    std::string Read(std::uint32_t nSource, std::uint8_t* pBuffer, std::uint64_t nSize) override {
        m_vecRead.push_back(nSource);
        if (nSource == 2) {
            return "NotReadableError: the file could not be read";
        }
        for (std::uint64_t i = 0; i < nSize; ++i) {
            pBuffer[i] = static_cast<std::uint8_t>(nSource * 10 + i);
        }
        return {};
    }
    std::vector<std::uint32_t> m_vecSized;
    std::vector<std::uint32_t> m_vecRead;
};

TEST(MemoryPlatform, TreeListsInNameOrderWithFoldersMarked) {
    CMemoryPlatform platform;
    ASSERT_TRUE(platform.AddFile("/m/b.mmf", Bytes{1}));
    ASSERT_TRUE(platform.AddFile("/m/A.mmf", Bytes{2}));
    ASSERT_TRUE(platform.AddFolder("/m/sub/deeper"));
    ASSERT_TRUE(platform.AddOutsideInput("/m/a.mmf", 0));

    std::vector<FolderEntry> vecEntries;
    ASSERT_TRUE(platform.ListFolder("/m", vecEntries));
    ASSERT_EQ(vecEntries.size(), 4u);
    EXPECT_EQ(vecEntries[0].strName, "A.mmf");
    EXPECT_EQ(vecEntries[1].strName, "a.mmf");
    EXPECT_EQ(vecEntries[2].strName, "b.mmf");
    EXPECT_EQ(vecEntries[3].strName, "sub");
    EXPECT_FALSE(vecEntries[1].bFolder);
    EXPECT_TRUE(vecEntries[3].bFolder);

    // The root answers to "/" and "", a trailing '/' is the folder itself.
    vecEntries.clear();
    ASSERT_TRUE(platform.ListFolder("/", vecEntries));
    ASSERT_EQ(vecEntries.size(), 1u);
    EXPECT_EQ(vecEntries[0].strName, "m");
    EXPECT_TRUE(platform.QueryAttributes("/m/sub/").bDirectory);
    EXPECT_FALSE(platform.ListFolder("/m/b.mmf", vecEntries));
    EXPECT_FALSE(platform.ListFolder("/missing", vecEntries));

    // A file cannot hold a folder or be replaced by one.
    EXPECT_FALSE(platform.AddFolder("/m/b.mmf/x"));
    EXPECT_FALSE(platform.AddFile("/m/sub", Bytes{}));
    EXPECT_FALSE(platform.CreateFolder("/m/b.mmf/x"));
    EXPECT_FALSE(platform.CreateFolder("/m/sub"));
    EXPECT_TRUE(platform.CreateFolder("/m/new"));
    EXPECT_FALSE(platform.CreateFolder("/none/new"));
}

TEST(MemoryPlatform, FolderIdentityAndSameFileFollowTheNode) {
    CMemoryPlatform platform;
    platform.AddFolder("/a/b");
    platform.AddFile("/a/f.mmf", Bytes{1});
    EXPECT_EQ(platform.FolderIdentity("/a/b"), platform.FolderIdentity("/a/b/"));
    EXPECT_NE(platform.FolderIdentity("/a/b"), platform.FolderIdentity("/a"));
    EXPECT_EQ(platform.FolderIdentity("/a/f.mmf"), "");
    EXPECT_EQ(platform.FolderIdentity("/nothing"), "");
    EXPECT_TRUE(platform.IsSameFile("/a/f.mmf", "/a/f.mmf"));
    EXPECT_FALSE(platform.IsSameFile("/a/f.mmf", "/a/g.mmf"));
    EXPECT_FALSE(platform.IsSameFile("/a/g.mmf", "/a/g.mmf"));
}

TEST(MemoryPlatform, WritesAreWholeAndNeverOverAnExistingFile) {
    CMemoryPlatform platform;
    platform.AddFolder("/OUTPUT");
    const Bytes first{1, 2, 3};
    const Bytes second{9};

    EXPECT_EQ(platform.WriteNewFile("/OUTPUT/a.mmf", first.data(), first.size()).eResult, EWriteResult::Ok);
    const WriteOutcome again = platform.WriteNewFile("/OUTPUT/a.mmf", second.data(), second.size());
    EXPECT_EQ(again.eResult, EWriteResult::Exists);
    EXPECT_EQ(*platform.Contents("/OUTPUT/a.mmf"), first);

    const WriteOutcome noFolder = platform.WriteNewFile("/OUTPUT/sub/a.mmf", first.data(), first.size());
    EXPECT_EQ(noFolder.eResult, EWriteResult::OpenFailed);
    EXPECT_EQ(platform.SystemErrorText(noFolder.nSystemError), platform.SystemErrorText(ENOENT));
    EXPECT_EQ(platform.WriteNewFile("/OUTPUT/a.mmf/x", first.data(), first.size()).nSystemError, ENOTDIR);
    EXPECT_FALSE(platform.QueryAttributes("/OUTPUT/sub/a.mmf").bValid);

    EXPECT_EQ(platform.ReplaceExistingFile("/OUTPUT/a.mmf", second.data(), second.size()).eResult, EWriteResult::Ok);
    EXPECT_EQ(*platform.Contents("/OUTPUT/a.mmf"), second);
    EXPECT_EQ(platform.ReplaceExistingFile("/OUTPUT", second.data(), second.size()).eResult, EWriteResult::OpenFailed);

    // Each written file once, in the order of its first write.
    EXPECT_EQ(platform.WriteNewFile("/OUTPUT/0.mmf", first.data(), first.size()).eResult, EWriteResult::Ok);
    EXPECT_EQ(platform.WrittenFiles(), (std::vector<std::string>{"/OUTPUT/a.mmf", "/OUTPUT/0.mmf"}));
}

TEST(MemoryPlatform, ReadOnlyFilesRefuseReplacementUntilMadeNormal) {
    CMemoryPlatform platform;
    platform.AddFile("/OUTPUT/a.mmf", Bytes{1}, true);
    EXPECT_TRUE(platform.QueryAttributes("/OUTPUT/a.mmf").bReadOnly);
    const Bytes replacement{7, 7};
    const WriteOutcome refused = platform.ReplaceExistingFile("/OUTPUT/a.mmf", replacement.data(), replacement.size());
    EXPECT_EQ(refused.eResult, EWriteResult::OpenFailed);
    EXPECT_EQ(refused.nSystemError, EACCES);
    EXPECT_EQ(*platform.Contents("/OUTPUT/a.mmf"), Bytes{1});
    platform.MakeAttributesNormal("/OUTPUT/a.mmf");
    EXPECT_EQ(platform.ReplaceExistingFile("/OUTPUT/a.mmf", replacement.data(), replacement.size()).eResult,
              EWriteResult::Ok);
    EXPECT_TRUE(platform.WrittenFiles() == std::vector<std::string>{"/OUTPUT/a.mmf"});
}

TEST(MemoryPlatform, OutsideInputsAreFetchedOnlyWhenRead) {
    CMemoryPlatform platform;
    CFewOutsideFiles outside;
    platform.SetOutsideFiles(&outside);
    platform.AddOutsideInput("/in/a.mmf", 1);
    platform.AddOutsideInput("/in/unreadable.mmf", 2);
    platform.AddOutsideInput("/in/big.mmf", 3);
    platform.AddOutsideInput("/in/gone.mmf", 4);
    EXPECT_TRUE(outside.m_vecSized.empty());
    EXPECT_EQ(platform.Contents("/in/a.mmf"), nullptr);
    EXPECT_FALSE(platform.QueryAttributes("/in/a.mmf").bDirectory);

    Bytes vecData;
    std::uint64_t nReserved = 0;
    const auto fnReserve = [&](std::uint64_t nSize) { nReserved = nSize; };
    EXPECT_EQ(platform.ReadWholeFile("/in/a.mmf", vecData, 1000, fnReserve).eResult, EReadResult::Ok);
    EXPECT_EQ(vecData, (Bytes{10, 11, 12}));
    EXPECT_EQ(nReserved, 3u);

    const ReadOutcome unreadable = platform.ReadWholeFile("/in/unreadable.mmf", vecData, 1000, fnReserve);
    EXPECT_EQ(unreadable.eResult, EReadResult::OpenFailed);
    EXPECT_EQ(platform.SystemErrorText(unreadable.nSystemError), "NotReadableError: the file could not be read");
    EXPECT_TRUE(vecData.empty());

    const ReadOutcome gone = platform.ReadWholeFile("/in/gone.mmf", vecData, 1000, fnReserve);
    EXPECT_EQ(gone.eResult, EReadResult::OpenFailed);
    EXPECT_EQ(platform.SystemErrorText(gone.nSystemError), "NotFoundError: gone before it was read");
    // The same text keeps its code; errno texts stay what they are.
    EXPECT_EQ(platform.ReadWholeFile("/in/gone.mmf", vecData, 1000, fnReserve).nSystemError, gone.nSystemError);
    EXPECT_NE(platform.SystemErrorText(ENOENT), platform.SystemErrorText(gone.nSystemError));

    // Too long: neither reserved nor read.
    nReserved = 0;
    EXPECT_EQ(platform.ReadWholeFile("/in/big.mmf", vecData, 99, fnReserve).eResult, EReadResult::TooLarge);
    EXPECT_EQ(nReserved, 0u);
    EXPECT_EQ(outside.m_vecRead, (std::vector<std::uint32_t>{1, 2}));

    EXPECT_EQ(platform.ReadWholeFile("/in", vecData, 1000, fnReserve).nSystemError, EISDIR);
    EXPECT_EQ(platform.ReadWholeFile("/in/none.mmf", vecData, 1000, fnReserve).nSystemError, ENOENT);
    // Without outside files, such an input cannot be opened.
    platform.SetOutsideFiles(nullptr);
    EXPECT_EQ(platform.ReadWholeFile("/in/a.mmf", vecData, 1000, fnReserve).eResult, EReadResult::OpenFailed);
}

TEST(MemoryPlatform, FoldersBelowComeParentsFirst) {
    CMemoryPlatform platform;
    platform.AddFolder("/OUTPUT/b/y");
    platform.AddFolder("/OUTPUT/a/x/deep");
    platform.AddFile("/OUTPUT/a/file.mmf", Bytes{1});
    platform.AddFolder("/elsewhere");
    EXPECT_EQ(platform.FoldersBelow("/OUTPUT"),
              (std::vector<std::string>{"/OUTPUT", "/OUTPUT/a", "/OUTPUT/b", "/OUTPUT/a/x", "/OUTPUT/b/y",
                                        "/OUTPUT/a/x/deep"}));
    EXPECT_TRUE(platform.FoldersBelow("/OUTPUT/a/file.mmf").empty());
    EXPECT_TRUE(platform.FoldersBelow("/none").empty());
}

TEST(MemoryPlatform, ClearLeavesAnEmptyRoot) {
    CMemoryPlatform platform;
    platform.AddFile("/a/b.mmf", Bytes{1});
    platform.AddFolder("/OUTPUT");
    const Bytes bytes{1};
    platform.WriteNewFile("/OUTPUT/b.mmf", bytes.data(), bytes.size());
    platform.Clear();
    std::vector<FolderEntry> vecEntries;
    ASSERT_TRUE(platform.ListFolder("/", vecEntries));
    EXPECT_TRUE(vecEntries.empty());
    EXPECT_TRUE(platform.WrittenFiles().empty());
    EXPECT_EQ(platform.FoldersBelow("/OUTPUT"), std::vector<std::string>{});
}

}  // namespace
