// The detail the job leaves with a result where kestrel-cli's end-to-end
// tests cannot reach: outputs that appear while the input converts, and
// failures whose system error comes from the platform.
#include <gtest/gtest.h>

#include <functional>

#include "ConvertFile.h"
#include "FakePlatform.h"
#include "RecordingObserver.h"
#include "TestInputs.h"

namespace {

const std::vector<std::uint8_t> kOld = {'o', 'l', 'd'};

TEST(ResultDetail, FollowsTheResultThatStands) {
    struct Case {
        const char* pszLabel;
        std::function<void(CFakePlatform&)> fnPrepare;
        const char* pszResult;
        const char* pszDetail;
    };
    // Another program creates the output just before the job does.
    const auto appears = [](bool bReadOnly, EAnswer eAnswer) {
        return [bReadOnly, eAnswer](CFakePlatform& fake) {
            fake.m_dequeAnswers = {eAnswer};
            fake.m_fnBeforeCreate = [&fake, bReadOnly](const std::string& strPath) {
                fake.AddFile(strPath, kOld, bReadOnly);
            };
        };
    };
    const Case aCases[] = {
        {"read-only output appears", appears(true, EAnswer::Yes), "NG: File write error.",
         "the existing output is read-only"},
        {"output appears, kept", appears(false, EAnswer::No), "NG: Convert cancel.",
         "the existing output was kept, not overwritten"},
        {"output appears, replaced", appears(false, EAnswer::Yes), "OK: Convert success.", ""},
        {"a folder where the output belongs",
         [](CFakePlatform& fake) {
             fake.AddFolder("C:\\in\\OUTPUT\\a.mmf");
             g_nOverwriteMode.store(kOverwriteAll);
         },
         "NG: Output file open error.", "error 5"},  // the platform's text for its code
        {"input held by another program", [](CFakePlatform& fake) { fake.SetLocked("C:\\in\\a.mmf"); },
         "NG: File open error.", "error 2"},
    };
    for (const Case& testCase : aCases) {
        ResetBatchState("C:\\app");
        CFakePlatform fake;
        fake.AddFolder("C:\\in\\OUTPUT");
        fake.AddFile("C:\\in\\a.mmf", testinput::ValidSong());
        testCase.fnPrepare(fake);
        FileItem item{"C:\\in\\a.mmf", 0, {}, {}};
        ConvertFileItem(fake, item, "C:\\in\\OUTPUT");
        EXPECT_EQ(item.strResult, testCase.pszResult) << testCase.pszLabel;
        EXPECT_EQ(item.strDetail, testCase.pszDetail) << testCase.pszLabel;
    }
}

}  // namespace
