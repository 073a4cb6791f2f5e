// A run killed while it writes an output never leaves anything but complete
// outputs under final names, and a rerun finishes the job. The kill comes
// from the platform's write hook in a child process, so it hits exactly the
// chosen stage of the chosen file.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>

#include "BatchRun.h"
#include "BatchState.h"
#include "InputCollection.h"
#include "PosixPlatform.h"
#include "RecordingObserver.h"
#include "TempTree.h"
#include "TemporaryNames.h"
#include "TestInputs.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

// Kills its own process with nSignal at one stage of the nth write (counted
// from 0), and answers the overwrite question with a fixed answer.
class CKillingPlatform : public CPosixPlatform {
public:
    CKillingPlatform(EWriteStage eStage, int nWrite, int nSignal, EAnswer eAnswer, bool bNamedFiles)
        : m_eStage(eStage), m_nWrite(nWrite), m_nSignal(nSignal), m_eAnswer(eAnswer) {
        UseUnnamedFiles(!bNamedFiles);
    }
    using CPosixPlatform::EWriteStage;
    EAnswer AskYesNoCancel(const std::string&) override { return m_eAnswer; }
    void ShowNotice(const std::string&) override {}

protected:
    void OnWriteStage(EWriteStage eStage, const std::string&) override {
        if (m_nWrite >= 0 && eStage == m_eStage && m_nCalls++ == m_nWrite) {
            ::signal(m_nSignal, SIG_DFL);
            ::raise(m_nSignal);
        }
    }

private:
    EWriteStage m_eStage;
    int m_nWrite;
    int m_nSignal;
    EAnswer m_eAnswer;
    int m_nCalls = 0;
};

using EStage = CKillingPlatform::EWriteStage;

struct KillCase {
    const char* pszName;
    EStage eStage;
    int nSignal;
    bool bOldOutputs;  // every output exists already and is replaced (answer Yes)
    bool bNamedFiles;  // the road of file systems without unnamed files
};

void PrintTo(const KillCase& killCase, std::ostream* pOut) {
    *pOut << killCase.pszName;
}

class WriteInterruptionTest : public ::testing::TestWithParam<KillCase> {
protected:
    void SetUp() override {
        ResetBatchState(fs::current_path().string());
        for (int i = 0; i < 6; ++i) {
            const Bytes vecSong = testinput::ValidSong(static_cast<std::uint8_t>(i + 1));
            m_tree.Write("in/s" + std::to_string(i) + ".mmf", vecSong);
            m_mapExpected["s" + std::to_string(i) + ".mmf"] = testinput::Converted(vecSong);
            if (GetParam().bOldOutputs) {
                m_tree.Write("OUTPUT/in/s" + std::to_string(i) + ".mmf", kOld);
            }
        }
    }

    // Runs the batch in a child process that is killed at the third write.
    void RunKilled() {
        const KillCase& killCase = GetParam();
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            CKillingPlatform platform(killCase.eStage, 2, killCase.nSignal, EAnswer::Yes, killCase.bNamedFiles);
            CRecordingObserver observer;
            CollectDroppedFiles(platform, {m_tree.Path("in")});
            RunBatch(platform, observer);
            ::_exit(0);
        }
        int nStatus = 0;
        ASSERT_EQ(::waitpid(pid, &nStatus, 0), pid);
        ASSERT_TRUE(WIFSIGNALED(nStatus)) << "the child was not killed";
        EXPECT_EQ(WTERMSIG(nStatus), killCase.nSignal);
    }

    // Every file below OUTPUT/in is a complete output or an untouched old one.
    // A temporary file may be left only on the road of named ones.
    void ExpectOnlyCompleteOutputs(bool bAllConverted) {
        int nOutputs = 0;
        for (const auto& entry : fs::directory_iterator(m_tree.Root() / "OUTPUT/in")) {
            const std::string strName = entry.path().filename().string();
            if (IsTemporaryName(strName)) {
                EXPECT_TRUE(GetParam().bNamedFiles) << strName;
                continue;
            }
            ASSERT_TRUE(m_mapExpected.count(strName)) << "unexpected file " << strName;
            const Bytes vecContents = m_tree.Read("OUTPUT/in/" + strName);
            if (vecContents != m_mapExpected[strName]) {
                EXPECT_FALSE(bAllConverted) << strName;
                EXPECT_EQ(vecContents, kOld) << strName << " is neither complete nor the old output";
            }
            ++nOutputs;
        }
        if (bAllConverted) {
            EXPECT_EQ(nOutputs, 6);
        }
    }

    const Bytes kOld = {'o', 'l', 'd'};
    CTempTree m_tree{"kestrel-kill"};
    std::map<std::string, Bytes> m_mapExpected;
};

TEST_P(WriteInterruptionTest, KilledRunLeavesOnlyCompleteOutputsAndARerunFinishes) {
    RunKilled();
    ExpectOnlyCompleteOutputs(false);

    // A rerun that keeps existing outputs (answer No) still converts what
    // the killed run did not finish.
    ResetBatchState(fs::current_path().string());
    CKillingPlatform platform(EStage::Created, -1, 0, GetParam().bOldOutputs ? EAnswer::Yes : EAnswer::No,
                              GetParam().bNamedFiles);
    CRecordingObserver observer;
    CollectDroppedFiles(platform, {m_tree.Path("in")});
    RunBatch(platform, observer);
    ExpectOnlyCompleteOutputs(true);

    // Nothing the killed run left behind is taken for an input.
    CollectDroppedFiles(platform, {m_tree.Path("OUTPUT")});
    EXPECT_EQ(g_vecFileItems.size(), 6u);
}

INSTANTIATE_TEST_SUITE_P(
    Stages, WriteInterruptionTest,
    ::testing::Values(KillCase{"KillAfterCreate", EStage::Created, SIGKILL, false, false},
                      KillCase{"KillAfterWrite", EStage::Written, SIGKILL, false, false},
                      KillCase{"TermAfterCreate", EStage::Created, SIGTERM, false, false},
                      KillCase{"TermAfterWrite", EStage::Written, SIGTERM, false, false},
                      KillCase{"KillAfterCreateReplacing", EStage::Created, SIGKILL, true, false},
                      KillCase{"KillAfterWriteReplacing", EStage::Written, SIGKILL, true, false},
                      KillCase{"NamedKillAfterCreate", EStage::Created, SIGKILL, false, true},
                      KillCase{"NamedKillAfterWrite", EStage::Written, SIGKILL, false, true},
                      KillCase{"NamedKillAfterWriteReplacing", EStage::Written, SIGKILL, true, true}),
    [](const ::testing::TestParamInfo<KillCase>& info) { return std::string(info.param.pszName); });

}  // namespace
