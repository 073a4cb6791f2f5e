// A run killed while it writes an output never leaves anything but complete
// outputs under final names, and a rerun finishes the job. The platform's
// write hook kills a child process at exactly the chosen stage of the third
// write, on both write roads, for new and for replaced outputs.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "BatchRun.h"
#include "InputCollection.h"
#include "PosixPlatform.h"
#include "RecordingObserver.h"
#include "TempTree.h"
#include "TemporaryNames.h"
#include "TestInputs.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

class CKillingPlatform : public CPosixPlatform {
public:
    using CPosixPlatform::EWriteStage;
    CKillingPlatform(EWriteStage eStage, int nSignal, EAnswer eAnswer, bool bNamedFiles)
        : m_eStage(eStage), m_nSignal(nSignal), m_eAnswer(eAnswer) {
        UseUnnamedFiles(!bNamedFiles);
    }
    EAnswer AskYesNoCancel(const std::string&) override { return m_eAnswer; }

protected:
    void OnWriteStage(EWriteStage eStage, const std::string&) override {
        if (m_nSignal != 0 && eStage == m_eStage && m_nCalls++ == 2) {
            ::signal(m_nSignal, SIG_DFL);
            ::raise(m_nSignal);
        }
    }

private:
    EWriteStage m_eStage;
    int m_nSignal;
    EAnswer m_eAnswer;
    int m_nCalls = 0;
};

using EStage = CKillingPlatform::EWriteStage;

struct KillCase {
    const char* pszName;
    EStage eStage;
    int nSignal;
    bool bReplacing;   // every output exists already and is replaced (answer Yes)
    bool bNamedFiles;  // the road of file systems without unnamed files
};

void PrintTo(const KillCase& killCase, std::ostream* pOut) {
    *pOut << killCase.pszName;
}

class WriteInterruptionTest : public ::testing::TestWithParam<KillCase> {
protected:
    void Run(int nSignal, EAnswer eAnswer) {
        ResetBatchState(fs::current_path().string());
        CKillingPlatform platform(GetParam().eStage, nSignal, eAnswer, GetParam().bNamedFiles);
        CRecordingObserver observer;
        CollectDroppedFiles(platform, {m_tree.Path("in")});
        RunBatch(platform, observer);
    }

    // Every file in OUTPUT/in is a complete output or the untouched old one
    // (a temporary file may stay only on the named road, skipped by scans).
    int CompleteOutputs() {
        int nComplete = 0;
        for (const auto& entry : fs::directory_iterator(m_tree.Root() / "OUTPUT/in")) {
            const std::string strName = entry.path().filename().string();
            if (IsTemporaryName(strName)) {
                EXPECT_TRUE(GetParam().bNamedFiles) << strName;
                continue;
            }
            const Bytes vecContents = m_tree.Read("OUTPUT/in/" + strName);
            const Bytes vecExpected = testinput::Converted(m_tree.Read("in/" + strName));
            EXPECT_TRUE(vecContents == vecExpected || vecContents == kOld) << strName << " is damaged";
            nComplete += vecContents == vecExpected ? 1 : 0;
        }
        return nComplete;
    }

    const Bytes kOld = {'o', 'l', 'd'};
    CTempTree m_tree{"kestrel-kill"};
};

TEST_P(WriteInterruptionTest, KilledRunLeavesOnlyCompleteOutputsAndARerunFinishes) {
    for (int i = 0; i < 6; ++i) {
        m_tree.Write("in/s" + std::to_string(i) + ".mmf", testinput::ValidSong(static_cast<std::uint8_t>(i + 1)));
        if (GetParam().bReplacing) {
            m_tree.Write("OUTPUT/in/s" + std::to_string(i) + ".mmf", kOld);
        }
    }
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        Run(GetParam().nSignal, EAnswer::Yes);
        ::_exit(0);
    }
    int nStatus = 0;
    ASSERT_EQ(::waitpid(pid, &nStatus, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(nStatus)) << "the child was not killed";
    EXPECT_LT(CompleteOutputs(), 6);

    // A rerun that keeps existing outputs (answer No) converts the rest.
    Run(0, GetParam().bReplacing ? EAnswer::Yes : EAnswer::No);
    EXPECT_EQ(CompleteOutputs(), 6);
    // Nothing the killed run left behind is taken for an input.
    CPosixPlatform platform;
    CollectDroppedFiles(platform, {m_tree.Path("OUTPUT")});
    EXPECT_EQ(g_vecFileItems.size(), 6u);
}

INSTANTIATE_TEST_SUITE_P(
    Stages, WriteInterruptionTest,
    ::testing::Values(KillCase{"KillAfterCreate", EStage::Created, SIGKILL, false, false},
                      KillCase{"TermAfterWrite", EStage::Written, SIGTERM, false, false},
                      KillCase{"KillAfterCreateReplacing", EStage::Created, SIGKILL, true, false},
                      KillCase{"KillAfterWriteReplacing", EStage::Written, SIGKILL, true, false},
                      KillCase{"NamedKillAfterCreate", EStage::Created, SIGKILL, false, true},
                      KillCase{"NamedTermAfterWriteReplacing", EStage::Written, SIGTERM, true, true}),
    [](const ::testing::TestParamInfo<KillCase>& info) { return std::string(info.param.pszName); });

}  // namespace
