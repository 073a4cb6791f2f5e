// The per-file job against the Windows-like in-memory file system.
#include <gtest/gtest.h>

#include "BatchTexts.h"
#include "ConvertFile.h"
#include "FakePlatform.h"
#include "RecordingObserver.h"
#include "TestInputs.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kOld = {'o', 'l', 'd'};

class ConvertFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetBatchState("C:\\app");
        m_fake.AddFolder("C:\\app");
        m_fake.AddFolder("C:\\in\\OUTPUT");
    }

    // Adds an input and converts it into C:\in\OUTPUT.
    int Convert(const std::string& strName, const Bytes& vecInput) {
        m_fake.AddFile("C:\\in\\" + strName, vecInput);
        m_item = FileItem{"C:\\in\\" + strName, 0, {}, {}};
        return ConvertFileItem(m_fake, m_item, "C:\\in\\OUTPUT");
    }

    // No temporary file is left anywhere.
    void ExpectNoTempFiles() {
        for (const std::string& strPath : m_fake.AllPaths()) {
            EXPECT_EQ(strPath.find("~kst"), std::string::npos) << strPath;
        }
    }

    CFakePlatform m_fake;
    FileItem m_item;
};

TEST_F(ConvertFileTest, SuccessWritesTheConvertedBytesUnderTheInputsName) {
    const Bytes vecInput = testinput::ValidSong();
    EXPECT_EQ(Convert("Song.MMF", vecInput), 1);
    EXPECT_EQ(m_item.strResult, "OK: Convert success.");
    EXPECT_EQ(m_fake.Contents("C:\\in\\OUTPUT\\Song.MMF"), testinput::Converted(vecInput));
    EXPECT_FALSE(testinput::Converted(vecInput).empty());
    EXPECT_TRUE(m_fake.m_vecQuestions.empty());
    ExpectNoTempFiles();
}

TEST_F(ConvertFileTest, ReadOnlyOutputIsRefusedWithoutAQuestion) {
    for (const int nMode : {kOverwriteAsk, kOverwriteAll}) {
        g_nOverwriteMode.store(nMode);
        m_fake.AddFile("C:\\in\\OUTPUT\\a.mmf", kOld, /*bReadOnly=*/true);
        EXPECT_EQ(Convert("a.mmf", testinput::ValidSong()), -1);
        EXPECT_EQ(m_item.strResult, "NG: File write error.");
        EXPECT_EQ(m_fake.Contents("C:\\in\\OUTPUT\\a.mmf"), kOld);
        EXPECT_TRUE(m_fake.m_vecQuestions.empty());
        EXPECT_EQ(g_nOverwriteMode.load(), nMode);
    }
}

TEST_F(ConvertFileTest, AnswersToTheOverwriteQuestion) {
    m_fake.AddFile("C:\\in\\OUTPUT\\song.mmf", kOld);

    // No: counted as converted, old output kept, the next existing output asks again.
    m_fake.m_dequeAnswers = {EAnswer::No};
    EXPECT_EQ(Convert("song.mmf", testinput::ValidSong()), 1);
    EXPECT_EQ(m_item.strResult, "NG: Convert cancel.");
    EXPECT_EQ(m_fake.Contents("C:\\in\\OUTPUT\\song.mmf"), kOld);
    EXPECT_EQ(g_nOverwriteMode.load(), kOverwriteAsk);
    ASSERT_EQ(m_fake.m_vecQuestions.size(), 1u);
    EXPECT_EQ(m_fake.m_vecQuestions[0], "song.mmf has already exists. Overwrite all ?");

    // Cancel: text left empty, code 1, mode 2, old output kept.
    m_fake.m_dequeAnswers = {EAnswer::Cancel};
    EXPECT_EQ(Convert("song.mmf", testinput::ValidSong()), 1);
    EXPECT_EQ(m_item.strResult, "");
    EXPECT_EQ(m_fake.Contents("C:\\in\\OUTPUT\\song.mmf"), kOld);
    EXPECT_EQ(g_nOverwriteMode.load(), kOverwriteCancel);
    EXPECT_EQ(m_fake.m_vecQuestions.size(), 2u);

    // Yes: overwritten, and no further question in this run.
    g_nOverwriteMode.store(kOverwriteAsk);
    m_fake.m_dequeAnswers = {EAnswer::Yes};
    EXPECT_EQ(Convert("song.mmf", testinput::ValidSong()), 1);
    EXPECT_EQ(m_item.strResult, "OK: Convert success.");
    EXPECT_EQ(m_fake.Contents("C:\\in\\OUTPUT\\song.mmf"), testinput::Converted(testinput::ValidSong()));
    EXPECT_EQ(g_nOverwriteMode.load(), kOverwriteAll);
    EXPECT_EQ(Convert("song.mmf", testinput::ValidSong(7)), 1);
    EXPECT_EQ(m_fake.Contents("C:\\in\\OUTPUT\\song.mmf"), testinput::Converted(testinput::ValidSong(7)));
    EXPECT_EQ(m_fake.m_vecQuestions.size(), 3u);
    ExpectNoTempFiles();
}

TEST_F(ConvertFileTest, QuestionComesBeforeTheExtensionCheck) {
    m_fake.AddFile("C:\\in\\OUTPUT\\notes.txt", kOld);
    m_fake.SetHidden("C:\\in\\OUTPUT\\notes.txt");
    m_fake.m_dequeAnswers = {EAnswer::Yes};
    EXPECT_EQ(Convert("notes.txt", {1, 2, 3}), -3);
    EXPECT_EQ(m_item.strResult, "NG: Input file is not VELA.");
    EXPECT_EQ(m_fake.m_vecQuestions.size(), 1u);
    EXPECT_EQ(m_fake.Contents("C:\\in\\OUTPUT\\notes.txt"), kOld);
    EXPECT_FALSE(m_fake.IsHidden("C:\\in\\OUTPUT\\notes.txt"));  // attributes reset
}

TEST_F(ConvertFileTest, InputFailures) {
    EXPECT_EQ(Convert("empty.mmf", {}), -4);
    EXPECT_EQ(m_item.strResult, "NG: Input file size is 0. ");
    EXPECT_FALSE(m_fake.Exists("C:\\in\\OUTPUT\\empty.mmf"));

    m_fake.AddFile("C:\\in\\OUTPUT\\bad.mmf", kOld);
    g_nOverwriteMode.store(kOverwriteAll);
    EXPECT_EQ(Convert("bad.mmf", testinput::InvalidSong()), 0);
    EXPECT_EQ(m_item.strResult, "NG: Input file format is invalid.");
    EXPECT_EQ(m_fake.Contents("C:\\in\\OUTPUT\\bad.mmf"), kOld);

    m_fake.AddFile("C:\\in\\held.mmf", testinput::ValidSong());
    m_fake.SetLocked("C:\\in\\held.mmf");
    m_item = FileItem{"C:\\in\\held.mmf", 0, {}, {}};
    EXPECT_EQ(ConvertFileItem(m_fake, m_item, "C:\\in\\OUTPUT"), -2);
    EXPECT_EQ(m_item.strResult, "NG: File open error.");

    m_item = FileItem{"C:\\in\\gone.mmf", 0, {}, {}};
    EXPECT_EQ(ConvertFileItem(m_fake, m_item, "C:\\in\\OUTPUT"), -2);
    EXPECT_EQ(m_item.strResult, "NG: File open error.");
}

TEST_F(ConvertFileTest, OutputFolderMissingIsAnOutputOpenError) {
    m_fake.AddFile("C:\\in\\a.mmf", testinput::ValidSong());
    m_item = FileItem{"C:\\in\\a.mmf", 0, {}, {}};
    EXPECT_EQ(ConvertFileItem(m_fake, m_item, "C:\\in\\NOWHERE"), -2);
    EXPECT_EQ(m_item.strResult, "NG: Output file open error.");
}

TEST_F(ConvertFileTest, FailedWriteLeavesTheOldOutputAndNoPartialFile) {
    m_fake.AddFile("C:\\in\\OUTPUT\\a.mmf", kOld);
    g_nOverwriteMode.store(kOverwriteAll);
    m_fake.m_bFailWrites = true;
    EXPECT_EQ(Convert("a.mmf", testinput::ValidSong()), -1);
    EXPECT_EQ(m_item.strResult, "NG: File write error.");
    EXPECT_EQ(m_fake.Contents("C:\\in\\OUTPUT\\a.mmf"), kOld);
    ExpectNoTempFiles();

    // Without an earlier output nothing at all is left.
    EXPECT_EQ(Convert("b.mmf", testinput::ValidSong()), -1);
    EXPECT_FALSE(m_fake.Exists("C:\\in\\OUTPUT\\b.mmf"));
    ExpectNoTempFiles();
}

TEST_F(ConvertFileTest, TargetThatCannotBeReplacedIsAnOutputOpenError) {
    m_fake.AddFolder("C:\\in\\OUTPUT\\a.mmf");  // a folder where the output belongs
    g_nOverwriteMode.store(kOverwriteAll);
    EXPECT_EQ(Convert("a.mmf", testinput::ValidSong()), -2);
    EXPECT_EQ(m_item.strResult, "NG: Output file open error.");
    EXPECT_TRUE(m_fake.IsFolder("C:\\in\\OUTPUT\\a.mmf"));
    ExpectNoTempFiles();
}

TEST_F(ConvertFileTest, ExistingTemporaryNamesAreNeverTouched) {
    // Replacing an output goes through a temporary name; names that another
    // run holds are skipped, and those files stay as they are.
    for (int i = 0; i < 300; ++i) {
        m_fake.AddFile("C:\\in\\OUTPUT\\~kst" + std::to_string(i) + ".tmp", kOld);
    }
    m_fake.AddFile("C:\\in\\OUTPUT\\a.mmf", kOld);
    g_nOverwriteMode.store(kOverwriteAll);
    EXPECT_EQ(Convert("a.mmf", testinput::ValidSong()), 1);
    EXPECT_EQ(m_fake.Contents("C:\\in\\OUTPUT\\a.mmf"), testinput::Converted(testinput::ValidSong()));
    for (int i = 0; i < 300; ++i) {
        EXPECT_EQ(m_fake.Contents("C:\\in\\OUTPUT\\~kst" + std::to_string(i) + ".tmp"), kOld);
    }
}

TEST_F(ConvertFileTest, ByIndexUsesTheFileList) {
    m_fake.AddFile("C:\\in\\x.mmf", testinput::ValidSong());
    g_vecFileItems = {FileItem{"C:\\in\\nothing.txt", 0, {}, {}}, FileItem{"C:\\in\\x.mmf", 0, {}, {}}};
    EXPECT_EQ(ConvertFile(m_fake, 1, "C:\\in\\OUTPUT"), 1);
    EXPECT_EQ(g_vecFileItems[1].strResult, "OK: Convert success.");
    EXPECT_EQ(g_vecFileItems[0].strResult, "");
}

}  // namespace

namespace {

class ConvertFileSafetyTest : public ConvertFileTest {};

TEST_F(ConvertFileSafetyTest, OutputThatIsTheInputItselfIsRefusedBeforeAnythingIsTouched) {
    // C:\out leads to C:\in: the output path names the input.
    m_fake.AddFolderLink("C:\\out", "C:\\in");
    for (const int nMode : {kOverwriteAsk, kOverwriteAll}) {
        g_nOverwriteMode.store(nMode);
        m_fake.AddFile("C:\\in\\song.mmf", testinput::ValidSong(), /*bReadOnly=*/true);
        m_item = FileItem{"C:\\in\\song.mmf", 0, {}, {}};
        EXPECT_EQ(ConvertFileItem(m_fake, m_item, "C:\\out"), -2);
        EXPECT_EQ(m_item.strResult, "NG: Output file open error.");
        EXPECT_EQ(m_fake.Contents("C:\\in\\song.mmf"), testinput::ValidSong());
        // Its attributes were not reset either, and nobody was asked.
        EXPECT_TRUE(m_fake.QueryAttributes("C:\\in\\song.mmf").bReadOnly);
        EXPECT_TRUE(m_fake.m_vecQuestions.empty());
    }
}

TEST_F(ConvertFileSafetyTest, AnOutputThatAppearsDuringTheConversionGoesThroughTheSameRules) {
    struct Case {
        EAnswer eAnswer;
        bool bReadOnly;
        int nCode;
        const char* pszResult;
        bool bReplaced;
        int nMode;
    };
    const Case aCases[] = {
        {EAnswer::No, false, 1, "NG: Convert cancel.", false, kOverwriteAsk},
        {EAnswer::Cancel, false, 1, "", false, kOverwriteCancel},
        {EAnswer::Yes, false, 1, "OK: Convert success.", true, kOverwriteAll},
        {EAnswer::Yes, true, -1, "NG: File write error.", false, kOverwriteAsk},
    };
    for (const Case& testCase : aCases) {
        g_nOverwriteMode.store(kOverwriteAsk);
        m_fake.m_dequeAnswers = {testCase.eAnswer};
        m_fake.m_vecQuestions.clear();
        // Another program creates the output just before the job does.
        m_fake.m_fnBeforeCreate = [&](const std::string& strPath) {
            m_fake.AddFile(strPath, kOld, testCase.bReadOnly);
        };
        EXPECT_EQ(Convert("late.mmf", testinput::ValidSong()), testCase.nCode);
        EXPECT_EQ(m_item.strResult, testCase.pszResult);
        EXPECT_EQ(m_fake.Contents("C:\\in\\OUTPUT\\late.mmf"),
                  testCase.bReplaced ? testinput::Converted(testinput::ValidSong()) : kOld);
        EXPECT_EQ(g_nOverwriteMode.load(), testCase.nMode);
        EXPECT_EQ(m_fake.m_vecQuestions.size(), testCase.bReadOnly ? 0u : 1u);
        m_fake.m_fnBeforeCreate = nullptr;
        m_fake.RemoveNode("C:\\in\\OUTPUT\\late.mmf");
    }
}

}  // namespace
