// Collection of dropped paths and the output folders, on the Windows-like
// in-memory file system.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "BatchState.h"
#include "FakePlatform.h"
#include "InputCollection.h"
#include "RecordingObserver.h"

namespace {

const std::string kHyo = "\x95\x5C";  // "表"
const std::string kSo = "\x83\x5C";   // "ソ"

class CollectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetBatchState("C:\\app");
        m_fake.AddFolder("C:\\app");
    }

    void File(const std::string& strPath) { m_fake.AddFile(strPath, {1}); }

    std::vector<std::string> Paths() const {
        std::vector<std::string> vecPaths;
        for (const FileItem& item : g_vecFileItems) {
            vecPaths.push_back(item.strPath);
        }
        return vecPaths;
    }

    CFakePlatform m_fake;
};

TEST_F(CollectionTest, DroppedFilesAreTakenWhateverTheirExtension) {
    File("C:\\m\\a.mmf");
    File("C:\\m\\b.txt");
    EXPECT_EQ(CollectDroppedFiles(m_fake, {"C:\\m\\a.mmf", "C:\\m\\b.txt"}), 0);
    EXPECT_EQ(Paths(), (std::vector<std::string>{"C:\\m\\a.mmf", "C:\\m\\b.txt"}));
    EXPECT_EQ(g_strBaseDir, "C:\\m");
    EXPECT_EQ(g_bConverting.load(), 1);
    for (const FileItem& item : g_vecFileItems) {
        EXPECT_TRUE(item.strResult.empty());
    }
}

TEST_F(CollectionTest, FoldersAreScannedBreadthFirst) {
    File("C:\\m\\album\\x.mmf");
    File("C:\\m\\album\\cd1\\y.mmf");
    File("C:\\m\\album\\cd1\\deep\\z.mmf");
    File("C:\\m\\album\\cd2\\w.mmf");
    File("C:\\m\\album\\.hidden.mmf");
    m_fake.SetHidden("C:\\m\\album\\.hidden.mmf");
    m_fake.AddFolder("C:\\m\\album\\empty");
    File("C:\\m\\loose.mmf");
    CollectDroppedFiles(m_fake, {"C:\\m\\album", "C:\\m\\loose.mmf"});
    EXPECT_EQ(Paths(), (std::vector<std::string>{
                           "C:\\m\\album\\.hidden.mmf", "C:\\m\\album\\x.mmf", "C:\\m\\album\\cd1\\y.mmf",
                           "C:\\m\\album\\cd2\\w.mmf", "C:\\m\\album\\cd1\\deep\\z.mmf", "C:\\m\\loose.mmf"}));
    EXPECT_EQ(g_strBaseDir, "C:\\m");
    EXPECT_TRUE(m_fake.m_vecNotices.empty());
}

TEST_F(CollectionTest, UnlistableFolderGivesOneNoticeAndNoEntries) {
    File("C:\\m\\open\\a.mmf");
    File("C:\\m\\locked\\secret.mmf");
    m_fake.SetUnlistable("C:\\m\\locked");
    File("C:\\m\\z.mmf");
    EXPECT_EQ(CollectDroppedFiles(m_fake, {"C:\\m", "C:\\m\\missing", "C:\\m\\z.mmf"}), 2);
    EXPECT_EQ(Paths(), (std::vector<std::string>{"C:\\m\\z.mmf", "C:\\m\\open\\a.mmf", "C:\\m\\z.mmf"}));
    EXPECT_EQ(m_fake.m_vecNotices,
              (std::vector<std::string>{"C:\\m\\locked\r\nThere is no access authority to this folder. ",
                                        "C:\\m\\missing\r\nThere is no access authority to this folder. "}));
}

TEST_F(CollectionTest, LinkLoopsEndWithEveryFolderListedOnce) {
    File("C:\\m\\top\\a.mmf");
    File("C:\\m\\top\\sub\\b.mmf");
    m_fake.AddFolderLink("C:\\m\\top\\sub\\up", "C:\\m\\top");        // loop to an ancestor
    m_fake.AddFolderLink("C:\\m\\top\\again", "C:\\m\\top\\sub");     // second way into sub
    m_fake.AddFolderLink("C:\\m\\top\\self", "C:\\m\\top\\self");     // link to itself
    File("C:\\m\\elsewhere\\c.mmf");
    m_fake.AddFolderLink("C:\\m\\top\\other", "C:\\m\\elsewhere");    // plain link, entered
    CollectDroppedFiles(m_fake, {"C:\\m\\top"});
    EXPECT_EQ(Paths(), (std::vector<std::string>{"C:\\m\\top\\a.mmf", "C:\\m\\top\\again\\b.mmf",
                                                 "C:\\m\\top\\other\\c.mmf"}));
    std::set<std::string> setListed(m_fake.m_vecListed.begin(), m_fake.m_vecListed.end());
    EXPECT_EQ(setListed.size(), m_fake.m_vecListed.size());
    EXPECT_EQ(setListed.size(), 3u);  // top, sub, elsewhere
    // The link to itself leads nowhere: like any folder that cannot be listed.
    EXPECT_EQ(m_fake.m_vecNotices,
              (std::vector<std::string>{"C:\\m\\top\\self\r\nThere is no access authority to this folder. "}));
}

TEST_F(CollectionTest, DriveRootsAndDoubleByteNames) {
    File("C:\\a.mmf");
    File("C:\\" + kSo + "\\b.mmf");
    CollectDroppedFiles(m_fake, {"C:\\"});
    EXPECT_EQ(Paths(), (std::vector<std::string>{"C:\\a.mmf", "C:\\" + kSo + "\\b.mmf"}));
    EXPECT_EQ(g_strBaseDir, "C:");

    // A folder whose name ends in a 5C trail byte gets a separator of its own,
    // and the base folder is not cut inside the name.
    File("D:\\" + kHyo + "\\c.mmf");
    CollectDroppedFiles(m_fake, {"D:\\" + kHyo + "\\c.mmf"});
    EXPECT_EQ(g_strBaseDir, "D:\\" + kHyo);
    CollectDroppedFiles(m_fake, {"D:\\" + kHyo});
    EXPECT_EQ(Paths(), (std::vector<std::string>{"D:\\" + kHyo + "\\c.mmf"}));
    EXPECT_EQ(g_strBaseDir, "D:");
}

TEST_F(CollectionTest, PathWithoutSeparatorTakesTheProgramFolderAsBase) {
    CollectDroppedFiles(m_fake, {"loose.mmf"});
    EXPECT_EQ(g_strBaseDir, "C:\\app");
}

TEST_F(CollectionTest, NewDropReplacesTheList) {
    File("C:\\m\\a.mmf");
    File("C:\\n\\b.mmf");
    CollectDroppedFiles(m_fake, {"C:\\m\\a.mmf"});
    CollectDroppedFiles(m_fake, {"C:\\n\\b.mmf", "C:\\m\\a.mmf"});
    EXPECT_EQ(Paths(), (std::vector<std::string>{"C:\\n\\b.mmf", "C:\\m\\a.mmf"}));
    EXPECT_EQ(g_strBaseDir, "C:\\n");
}

class OutputDirTest : public CollectionTest {};

TEST_F(OutputDirTest, MirrorsTheInputsPlaceBelowTheBaseFolder) {
    m_fake.AddFolder("C:\\m");
    g_strBaseDir = "C:\\m";
    EXPECT_EQ(MakeOutputDir(m_fake, "C:\\m\\a.mmf"), "C:\\m\\OUTPUT");
    EXPECT_TRUE(m_fake.IsFolder("C:\\m\\OUTPUT"));
    EXPECT_EQ(MakeOutputDir(m_fake, "C:\\m\\album\\cd1\\y.mmf"), "C:\\m\\OUTPUT\\album\\cd1");
    EXPECT_TRUE(m_fake.IsFolder("C:\\m\\OUTPUT\\album"));
    EXPECT_TRUE(m_fake.IsFolder("C:\\m\\OUTPUT\\album\\cd1"));
    // Outside the base folder: straight into OUTPUT.
    EXPECT_EQ(MakeOutputDir(m_fake, "C:\\other\\x\\b.mmf"), "C:\\m\\OUTPUT");
    // C:\music is not below C:\m.
    EXPECT_EQ(MakeOutputDir(m_fake, "C:\\music\\sub\\c.mmf"), "C:\\m\\OUTPUT");
    EXPECT_FALSE(m_fake.Exists("C:\\m\\OUTPUT\\sub"));
    EXPECT_FALSE(m_fake.Exists("C:\\m\\OUTPUT\\usic"));
}

TEST_F(OutputDirTest, DriveRootBase) {
    m_fake.AddFolder("C:");
    g_strBaseDir = "C:";
    EXPECT_EQ(MakeOutputDir(m_fake, "C:\\a.mmf"), "C:\\OUTPUT");
    EXPECT_EQ(MakeOutputDir(m_fake, "C:\\x\\a.mmf"), "C:\\OUTPUT\\x");
    EXPECT_TRUE(m_fake.IsFolder("C:\\OUTPUT\\x"));
}

TEST_F(OutputDirTest, DoubleByteFolderNames) {
    g_strBaseDir = "C:\\" + kSo;
    m_fake.AddFolder(g_strBaseDir);
    EXPECT_EQ(MakeOutputDir(m_fake, "C:\\" + kSo + "\\" + kHyo + "\\a.mmf"), "C:\\" + kSo + "\\OUTPUT\\" + kHyo);
    EXPECT_TRUE(m_fake.IsFolder("C:\\" + kSo + "\\OUTPUT\\" + kHyo));
    // "ソ" + "x" is another folder, although its bytes begin like the base.
    EXPECT_EQ(MakeOutputDir(m_fake, "C:\\" + kSo + "x\\sub\\a.mmf"), "C:\\" + kSo + "\\OUTPUT");
}

TEST_F(OutputDirTest, OutputRootReplacesBaseOutput) {
    m_fake.AddFolder("E:\\converted");
    g_strBaseDir = "C:\\m";
    g_strOutputRoot = "E:\\converted";
    EXPECT_EQ(MakeOutputDir(m_fake, "C:\\m\\x\\a.mmf"), "E:\\converted\\x");
    EXPECT_TRUE(m_fake.IsFolder("E:\\converted\\x"));
    EXPECT_FALSE(m_fake.Exists("C:\\m\\OUTPUT"));
}

TEST_F(OutputDirTest, ExistingOutputFileBlocksTheFolder) {
    m_fake.AddFile("C:\\m\\OUTPUT", {1});
    g_strBaseDir = "C:\\m";
    EXPECT_EQ(MakeOutputDir(m_fake, "C:\\m\\x\\a.mmf"), "C:\\m\\OUTPUT\\x");
    EXPECT_FALSE(m_fake.IsFolder("C:\\m\\OUTPUT"));
    EXPECT_FALSE(m_fake.Exists("C:\\m\\OUTPUT\\x"));
}

}  // namespace

namespace {

class CollectionSafetyTest : public CollectionTest {};

TEST_F(CollectionSafetyTest, TemporaryFilesOfOutputsBeingWrittenAreNotTakenForInputs) {
    File("C:\\m\\a.mmf");
    File("C:\\m\\.~kst77-3.tmp");
    m_fake.SetTemporaryInUse("C:\\m\\.~kst77-3.tmp");
    File("C:\\m\\.~kst78-1.tmp");  // nobody writes it: a leftover, or a file that only looks like one
    File("C:\\m\\.~kst-notours.tmp");
    m_fake.AddFolder("C:\\m\\.~kst1-1.tmp");  // a folder of that name is still entered
    File("C:\\m\\.~kst1-1.tmp\\b.mmf");
    CollectDroppedFiles(m_fake, {"C:\\m"});
    EXPECT_EQ(Paths(), (std::vector<std::string>{"C:\\m\\.~kst-notours.tmp", "C:\\m\\.~kst78-1.tmp",
                                                 "C:\\m\\a.mmf", "C:\\m\\.~kst1-1.tmp\\b.mmf"}));
}

TEST_F(CollectionSafetyTest, TheNoticeTextComesFromThePlatform) {
    m_fake.m_strNoAccessTail = "\r\nNo entry.";
    CollectDroppedFiles(m_fake, {"C:\\m\\missing"});
    EXPECT_EQ(m_fake.m_vecNotices, (std::vector<std::string>{"C:\\m\\missing\r\nNo entry."}));
}

}  // namespace
