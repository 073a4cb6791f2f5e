// The detail the job leaves with each result: empty for OK, the plain words
// of every way an entry can fail, and the row that carries it.
#include <gtest/gtest.h>

#include <functional>

#include "BatchRun.h"
#include "ConvertFile.h"
#include "FakePlatform.h"
#include "InputCollection.h"
#include "RecordingObserver.h"
#include "TestInputs.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kOld = {'o', 'l', 'd'};

TEST(ResultDetail, EveryResultOfTheJobSaysWhy) {
    struct Case {
        const char* pszName;
        Bytes vecInput;
        std::function<void(CFakePlatform&)> fnPrepare;  // faults and existing outputs
        const char* pszResult;
        std::string strDetail;
    };
    const std::vector<Case> vecCases = {
        {"ok.mmf", testinput::ValidSong(), {}, "OK: Convert success.", ""},
        {"ro.mmf", testinput::ValidSong(),
         [](CFakePlatform& fake) { fake.AddFile("C:\\in\\OUTPUT\\ro.mmf", kOld, /*bReadOnly=*/true); },
         "NG: File write error.", "the existing output is read-only"},
        {"kept.mmf", testinput::ValidSong(),
         [](CFakePlatform& fake) {
             fake.AddFile("C:\\in\\OUTPUT\\kept.mmf", kOld);
             fake.m_dequeAnswers = {EAnswer::No};
         },
         "NG: Convert cancel.", "the existing output was kept, not overwritten"},
        {"notes.txt", {1}, {}, "NG: Input file is not VELA.", "the name does not end in .mmf"},
        {"held.mmf", testinput::ValidSong(), [](CFakePlatform& fake) { fake.SetLocked("C:\\in\\held.mmf"); },
         "NG: File open error.", "error 2"},  // the platform's text for its code
        {"empty.mmf", {}, {}, "NG: Input file size is 0. ", "the input file is empty"},
        {"short.mmf", {'M', 'M', 'M', 'D', 0}, {}, "NG: Input file format is invalid.",
         "the input is 5 bytes long, shorter than the 18 bytes of a file head"},
        {"crc.mmf", testinput::InvalidSong(), {}, "NG: Input file format is invalid.",
         testinput::RejectionOf(testinput::InvalidSong())},
        {"late.mmf", testinput::OverflowingSong(), {}, "NG: Convert error.",
         "the delta time 269129300 before the event at tick 269129300 of track 0 does not fit 28 bits"},
        {"full.mmf", testinput::ValidSong(), [](CFakePlatform& fake) { fake.m_bFailWrites = true; },
         "NG: File write error.", "error 112"},
        {"dir.mmf", testinput::ValidSong(),
         [](CFakePlatform& fake) {
             fake.AddFolder("C:\\in\\OUTPUT\\dir.mmf");
             g_nOverwriteMode.store(kOverwriteAll);
         },
         "NG: Output file open error.", "error 5"},
        // Another program creates a read-only output just before the job does.
        {"race.mmf", testinput::ValidSong(),
         [](CFakePlatform& fake) {
             fake.m_fnBeforeCreate = [&fake](const std::string& strPath) { fake.AddFile(strPath, kOld, true); };
         },
         "NG: File write error.", "the existing output is read-only"},
    };
    for (const Case& testCase : vecCases) {
        ResetBatchState("C:\\app");
        CFakePlatform fake;
        fake.AddFolder("C:\\in\\OUTPUT");
        const std::string strInput = std::string("C:\\in\\") + testCase.pszName;
        fake.AddFile(strInput, testCase.vecInput);
        if (testCase.fnPrepare) {
            testCase.fnPrepare(fake);
        }
        FileItem item{strInput, 0, {}, {}};
        ConvertFileItem(fake, item, "C:\\in\\OUTPUT");
        EXPECT_EQ(item.strResult, testCase.pszResult) << testCase.pszName;
        EXPECT_EQ(item.strDetail, testCase.strDetail) << testCase.pszName;
    }
}

TEST(ResultDetail, AnOutputOntoAnInputSaysWhichInput) {
    ResetBatchState("C:\\app");
    CFakePlatform fake;
    fake.AddFolderLink("C:\\link", "C:\\in");
    fake.AddFile("C:\\in\\song.mmf", testinput::ValidSong());
    fake.AddFile("C:\\other\\song.mmf", testinput::ValidSong());
    g_strOutputRoot = "C:\\in";
    // Its own path; another entry's input; the input itself through a link.
    CollectDroppedFiles(fake, {"C:\\in\\song.mmf", "C:\\other\\song.mmf"});
    CRecordingObserver observer;
    RunBatch(fake, observer);
    g_strOutputRoot = "C:\\link";
    CollectDroppedFiles(fake, {"C:\\in\\song.mmf"});
    RunBatch(fake, observer);
    EXPECT_EQ(observer.m_vecDetails, (std::vector<std::string>{"the output would overwrite the input itself",
                                                               "the output would overwrite another input of this run",
                                                               "the output would overwrite the input itself"}));
    EXPECT_EQ(fake.Contents("C:\\in\\song.mmf"), testinput::ValidSong());
}

}  // namespace
