// Where kestrel-info may draw its --roll: never over any input it was
// given, through a device or a named pipe rather than over it, and through
// a link to the file it leads to.
#include <gtest/gtest.h>

#include "FileInfoInputs.h"
#include "InfoProcess.h"
#include "NonRegularFiles.h"
#include "TempTree.h"

namespace fs = std::filesystem;

namespace {

class RollPath : public ::testing::Test {
protected:
    CInfoResult Run(const std::vector<std::string>& vecArgs) {
        return RunInfo(vecArgs, m_tree.Path("in"), m_capture.Root());
    }
    void SetUp() override { m_tree.Write("in/a.mmf", fileinfotest::SmallSource()); }
    CTempTree m_tree{"kestrel-info-roll"};
    CTempTree m_capture{"kestrel-info-capture"};
};

TEST_F(RollPath, AnyInputNamedIsRefusedBeforeAnythingIsWritten) {
    // A named input that cannot be read is an input all the same.
    const CInfoResult r = Run({"a.mmf", "gone.mmf", "--roll", "gone.mmf"});
    EXPECT_EQ(r.nExit, 2) << r.strErr;
    EXPECT_NE(r.strErr.find("gone.mmf"), std::string::npos) << r.strErr;
    EXPECT_FALSE(fs::exists(m_tree.Path("in/gone.mmf")));
    EXPECT_EQ(r.strOut, "");
}

TEST_F(RollPath, ADeviceNodeIsWrittenThroughAndStaysADevice) {
    if (!specialfiles::MakeNullDevice(m_tree.Path("null"))) {
        GTEST_SKIP() << "this process may not make device nodes";
    }
    const CInfoResult r = Run({"a.mmf", "--roll", m_tree.Path("null")});
    EXPECT_EQ(r.nExit, 0) << r.strErr;
    EXPECT_EQ(specialfiles::PathKind(m_tree.Path("null")), static_cast<unsigned>(S_IFCHR));
}

TEST_F(RollPath, ANamedPipeIsWrittenThrough) {
    ASSERT_TRUE(specialfiles::MakePipe(m_tree.Path("pipe")));
    specialfiles::CPipeReader reader(m_tree.Path("pipe"));
    const CInfoResult r = Run({"a.mmf", "--roll", m_tree.Path("pipe")});
    EXPECT_EQ(r.nExit, 0) << r.strErr;
    EXPECT_NE(reader.Finish().find("<svg"), std::string::npos) << reader.Finish();
    EXPECT_EQ(specialfiles::PathKind(m_tree.Path("pipe")), static_cast<unsigned>(S_IFIFO));
}

TEST_F(RollPath, ALinkIsFollowedAndItsTargetReplaced) {
    m_tree.Write("drawings/a.svg", {'o', 'l', 'd'});
    fs::create_symlink(m_tree.Path("drawings/a.svg"), m_tree.Path("a.svg"));
    const CInfoResult r = Run({"a.mmf", "--roll", m_tree.Path("a.svg")});
    EXPECT_EQ(r.nExit, 0) << r.strErr;
    EXPECT_EQ(specialfiles::PathKind(m_tree.Path("a.svg")), static_cast<unsigned>(S_IFLNK));
    EXPECT_NE(ReadText(m_tree.Path("drawings/a.svg")).find("<svg"), std::string::npos);
}

}  // namespace
