// kestrel-info as a user runs it: options, exit status, errors on stderr,
// the folder scan, --check over an output tree, --json and --roll, and
// nothing written beside the inputs.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <tinyxml2.h>

#include <nlohmann/json.hpp>
#include <set>

#include "DamagedFiles.h"
#include "InfoProcess.h"
#include "SampleFiles.h"
#include "TempTree.h"

namespace fs = std::filesystem;

namespace {

// Every path below root with its size, to see that nothing was written.
std::set<std::pair<std::string, std::uintmax_t>> Listing(const fs::path& root) {
    std::set<std::pair<std::string, std::uintmax_t>> entries;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        entries.insert({entry.path().string(), entry.is_regular_file() ? entry.file_size() : 0});
    }
    return entries;
}

class InfoRun : public ::testing::Test {
protected:
    CInfoResult Run(const std::vector<std::string>& vecArgs) { return RunInfo(vecArgs, m_tree.Path("in"), m_capture.Root()); }
    void SetUp() override { fs::create_directories(m_tree.Path("in")); }
    CTempTree m_tree{"kestrel-info-test"};
    CTempTree m_capture{"kestrel-info-capture"};
};

TEST_F(InfoRun, UsageHelpAndVersion) {
    const struct {
        std::vector<std::string> vecArgs;
        int nExit;
        const char* pszOut;  // expected on stdout, or null
    } cases[] = {
        {{"--help"}, 0, "--roll FILE.svg"},
        {{"--version"}, 0, " (engine "},
        {{}, 2, nullptr},
        {{"--no-such-option", "x.mmf"}, 2, nullptr},
    };
    for (const auto& c : cases) {
        const CInfoResult r = Run(c.vecArgs);
        EXPECT_EQ(r.nExit, c.nExit) << (c.vecArgs.empty() ? "(no arguments)" : c.vecArgs[0]);
        if (c.pszOut != nullptr) {
            EXPECT_NE(r.strOut.find(c.pszOut), std::string::npos) << r.strOut;
        } else {
            EXPECT_FALSE(r.strErr.empty());
        }
    }
}

TEST_F(InfoRun, ExitStatusAndErrors) {
    m_tree.Write("in/good.mmf", fileinfotest::SmallSource());
    vela::Bytes bad = fileinfotest::SmallSource();
    bad.back() ^= 0x01;
    m_tree.Write("in/bad.mmf", bad);
    const auto before = Listing(m_tree.Root());

    CInfoResult r = Run({"good.mmf"});
    EXPECT_EQ(r.nExit, 0) << r.strErr;
    EXPECT_NE(r.strOut.find("valid       yes"), std::string::npos) << r.strOut;
    EXPECT_TRUE(r.strErr.empty());

    r = Run({"good.mmf", "bad.mmf"});
    EXPECT_EQ(r.nExit, 1);
    EXPECT_NE(r.strOut.find("valid       no: the stored CRC"), std::string::npos) << r.strOut;

    r = Run({"good.mmf", "missing.mmf"});
    EXPECT_EQ(r.nExit, 1);
    EXPECT_NE(r.strErr.find("kestrel-info: cannot read missing.mmf"), std::string::npos) << r.strErr;
    EXPECT_NE(r.strOut.find("good.mmf"), std::string::npos) << "the other files are still shown";

    r = Run({"--events", "good.mmf"});
    EXPECT_EQ(r.nExit, 0);
    EXPECT_NE(r.strOut.find("note key 36 gate 48"), std::string::npos) << r.strOut;

    EXPECT_EQ(Listing(m_tree.Root()), before) << "nothing written beside the inputs";
}

TEST_F(InfoRun, FoldersAreScannedBreadthFirstInNameOrder) {
    const vela::Bytes heron = fileinfotest::SmallHeron();
    for (const char* pszPath : {"in/t/b.mmf", "in/t/A.MMF", "in/t/sub2/x.mmf", "in/t/sub1/y.mmf",
                                "in/t/sub1/deep/z.mmf", "in/t/notes.txt"}) {
        m_tree.Write(pszPath, heron);
    }
    fs::create_directory_symlink(m_tree.Path("in/t"), m_tree.Path("in/t/sub2/loop"));
    const CInfoResult r = Run({"--check", "t"});
    EXPECT_EQ(r.nExit, 0) << r.strOut << r.strErr;
    EXPECT_EQ(r.strOut,
              "OK: t/A.MMF\n"
              "OK: t/b.mmf\n"
              "OK: t/sub1/y.mmf\n"
              "OK: t/sub2/x.mmf\n"
              "OK: t/sub1/deep/z.mmf\n");
}

TEST_F(InfoRun, APipeNamedLikeAVelaFileIsAnErrorNotAWait) {
    m_tree.Write("in/t/a.mmf", fileinfotest::SmallHeron());
    ASSERT_EQ(::mkfifo(m_tree.Path("in/t/pipe.mmf").c_str(), 0644), 0);
    for (const std::string& strPath : {std::string("t"), std::string("t/pipe.mmf")}) {
        const CInfoResult r = Run({"--check", strPath});
        EXPECT_EQ(r.nExit, 1) << strPath;
        EXPECT_NE(r.strErr.find("kestrel-info: cannot read t/pipe.mmf: "), std::string::npos) << r.strErr;
    }
}

TEST_F(InfoRun, CheckPassesEveryOutputAndNamesEachDamage) {
    for (const auto& sample : vela::MakeSampleFiles()) {
        m_tree.Write("in/OUTPUT/" + sample.strPath, fileinfotest::Converted(sample.vecBytes));
    }
    CInfoResult r = Run({"--check", "OUTPUT"});
    EXPECT_EQ(r.nExit, 0) << r.strOut;
    EXPECT_EQ(std::count(r.strOut.begin(), r.strOut.end(), '\n'),
              static_cast<std::ptrdiff_t>(vela::MakeSampleFiles().size()));

    for (const auto& damaged : fileinfotest::DamagedHeronFiles()) {
        m_tree.Write("in/damaged/" + damaged.strName + ".mmf", damaged.file);
        r = Run({"--check", "OUTPUT", "damaged/" + damaged.strName + ".mmf"});
        EXPECT_EQ(r.nExit, 1) << damaged.strName;
        const std::string strLine = "NG: damaged/" + damaged.strName + ".mmf: " + damaged.pszCheck + ": ";
        EXPECT_NE(r.strOut.find(strLine), std::string::npos) << strLine << "\n" << r.strOut;
    }

    // A source file is not a Heron file.
    m_tree.Write("in/source.mmf", fileinfotest::SmallSource());
    r = Run({"--check", "source.mmf"});
    EXPECT_EQ(r.nExit, 1);
    EXPECT_NE(r.strOut.find("NG: source.mmf: generation: "), std::string::npos) << r.strOut;
}

TEST_F(InfoRun, JsonOnStandardOutput) {
    m_tree.Write("in/a.mmf", fileinfotest::SmallSource());
    m_tree.Write("in/b.mmf", fileinfotest::SmallHeron());
    const CInfoResult r = Run({"--json", "--events", "a.mmf", "b.mmf"});
    EXPECT_EQ(r.nExit, 0) << r.strErr;
    const nlohmann::json doc = nlohmann::json::parse(r.strOut);
    ASSERT_EQ(doc.size(), 2u);
    EXPECT_EQ(doc[0]["path"], "a.mmf");
    EXPECT_EQ(doc[1]["generation"], "heron");
    EXPECT_EQ(doc[1]["events"].size(), 7u);
}

TEST_F(InfoRun, RollWritesOneFileAndRefusesToDamageAnInput) {
    m_tree.Write("in/a.mmf", fileinfotest::SmallSource());
    m_tree.Write("in/b.mmf", fileinfotest::SmallHeron());
    CInfoResult r = Run({"--roll", m_tree.Path("roll.svg"), "a.mmf"});
    EXPECT_EQ(r.nExit, 0) << r.strErr;
    tinyxml2::XMLDocument doc;
    ASSERT_EQ(doc.LoadFile(m_tree.Path("roll.svg").c_str()), tinyxml2::XML_SUCCESS);

    r = Run({"--roll", m_tree.Path("two.svg"), "a.mmf", "b.mmf"});
    EXPECT_EQ(r.nExit, 2);
    EXPECT_FALSE(fs::exists(m_tree.Path("two.svg")));

    const vela::Bytes before = m_tree.Read("in/a.mmf");
    r = Run({"--roll", "a.mmf", "a.mmf"});
    EXPECT_EQ(r.nExit, 2);
    EXPECT_EQ(m_tree.Read("in/a.mmf"), before);

    r = Run({"--roll", m_tree.Path("no/such/folder/roll.svg"), "a.mmf"});
    EXPECT_EQ(r.nExit, 1);
    EXPECT_NE(r.strErr.find("cannot write"), std::string::npos) << r.strErr;
}

TEST_F(InfoRun, AnEmptyRollNameIsAUsageError) {
    m_tree.Write("in/a.mmf", fileinfotest::SmallSource());
    const CInfoResult r = Run({"--roll", "", "a.mmf"});
    EXPECT_EQ(r.nExit, 2);
    EXPECT_NE(r.strErr.find("--roll"), std::string::npos) << r.strErr;
    EXPECT_EQ(r.strOut, "");
}

TEST_F(InfoRun, AClosedOutputPipeEndsTheListingWithAMessageAndStatusOne) {
    m_tree.Write("in/a.mmf", fileinfotest::SmallSource());
    m_tree.Write("in/b.mmf", fileinfotest::SmallHeron());
    const CInfoResult r = RunInfo({"--events", "a.mmf", "b.mmf"}, m_tree.Path("in"), m_capture.Root(), true);
    EXPECT_EQ(r.nSignal, 0);
    EXPECT_EQ(r.nExit, 1);
    EXPECT_EQ(r.strErr, "kestrel-info: cannot write to standard output\n");
}

}  // namespace
