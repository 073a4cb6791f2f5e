// The SVG piano roll read back with an XML parser: one note element per
// note with its data attributes, two panels for a source file, and a bounded
// size for very many notes.
#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <cstring>
#include <functional>
#include <sstream>

#include "FileInfoInputs.h"
#include "PianoRoll.h"
#include "SampleFiles.h"
#include "TestRandom.h"

namespace {

struct CRollRead {
    bool bParsed = false;
    std::vector<const tinyxml2::XMLElement*> vecNotes;
    std::size_t nPanels = 0;
    std::size_t nBytes = 0;
};

// Parses the SVG of d; doc keeps the elements alive.
CRollRead ReadRoll(const fileinfo::CFileDescription& d, tinyxml2::XMLDocument& doc) {
    std::ostringstream out;
    fileinfo::WritePianoRoll(out, d);
    const std::string svg = out.str();
    CRollRead read;
    read.nBytes = svg.size();
    read.bParsed = doc.Parse(svg.c_str(), svg.size()) == tinyxml2::XML_SUCCESS;
    if (!read.bParsed) {
        return read;
    }
    std::function<void(const tinyxml2::XMLElement*)> visit = [&](const tinyxml2::XMLElement* e) {
        for (; e != nullptr; e = e->NextSiblingElement()) {
            const char* pszClass = e->Attribute("class");
            if (std::strcmp(e->Name(), "rect") == 0 && pszClass != nullptr && std::strcmp(pszClass, "note") == 0) {
                read.vecNotes.push_back(e);
            }
            if (pszClass != nullptr && std::strcmp(pszClass, "panel") == 0) {
                ++read.nPanels;
            }
            visit(e->FirstChildElement());
        }
    };
    visit(doc.RootElement());
    return read;
}

TEST(PianoRoll, OneNoteElementPerNoteInTwoPanels) {
    const auto d = fileinfotest::Describe(fileinfotest::SmallSource(), false, true);
    tinyxml2::XMLDocument doc;
    const CRollRead read = ReadRoll(d, doc);
    ASSERT_TRUE(read.bParsed) << doc.ErrorStr();
    EXPECT_STREQ(doc.RootElement()->Name(), "svg");
    EXPECT_EQ(read.nPanels, 2u);
    ASSERT_EQ(d.vecNotes.size(), 2u);
    ASSERT_EQ(d.vecConvertedNotes.size(), 2u);
    ASSERT_EQ(read.vecNotes.size(), 4u);
    // Source panel first, then the converted notes, each in list order.
    const struct {
        int nChannel, nKey, nTick, nTicks;
    } expected[] = {{0, 65, 0, 96}, {1, 36, 48, 48}, {0, 65, 0, 96}, {1, 36, 48, 48}};
    for (std::size_t i = 0; i < 4; ++i) {
        const auto* e = read.vecNotes[i];
        EXPECT_EQ(e->IntAttribute("data-channel", -1), expected[i].nChannel) << i;
        EXPECT_EQ(e->IntAttribute("data-key", -1), expected[i].nKey) << i;
        EXPECT_EQ(e->IntAttribute("data-tick", -1), expected[i].nTick) << i;
        EXPECT_EQ(e->IntAttribute("data-ticks", -1), expected[i].nTicks) << i;
        EXPECT_EQ(e->Attribute("data-notes"), nullptr) << "a note of its own";
    }
}

TEST(PianoRoll, EverySampleDrawsEachOfItsNotes) {
    for (const auto& sample : vela::MakeSampleFiles()) {
        for (const vela::Bytes& file : {sample.vecBytes, fileinfotest::Converted(sample.vecBytes)}) {
            const auto d = fileinfotest::Describe(file, false, true, sample.strPath);
            tinyxml2::XMLDocument doc;
            const CRollRead read = ReadRoll(d, doc);
            ASSERT_TRUE(read.bParsed) << sample.strPath << ": " << doc.ErrorStr();
            EXPECT_EQ(read.vecNotes.size(), d.vecNotes.size() + d.vecConvertedNotes.size()) << sample.strPath;
            EXPECT_EQ(read.nPanels, d.eGeneration == fileinfo::EGeneration::Source ? 2u : 1u);
            EXPECT_GT(read.vecNotes.size(), 0u) << sample.strPath;
        }
    }
}

TEST(PianoRoll, HundredThousandNotesStayBoundedAndNoneIsLost) {
    fileinfo::CFileDescription d;
    d.strPath = "many <notes> & more";
    d.eGeneration = fileinfo::EGeneration::Heron;
    CTestRandom rng(5);
    std::uint32_t nTick = 0;
    for (int i = 0; i < 100000; ++i) {
        fileinfo::CNote note;
        nTick += rng.Below(40);
        note.nTick = nTick;
        note.nTicks = 1 + rng.Below(200);
        note.byChannel = rng.Byte(16);
        note.byKey = static_cast<std::uint8_t>(36 + rng.Below(48));
        d.vecNotes.push_back(note);
    }
    d.nLengthTicks = nTick + 200;
    tinyxml2::XMLDocument doc;
    const CRollRead read = ReadRoll(d, doc);
    ASSERT_TRUE(read.bParsed) << doc.ErrorStr();
    EXPECT_LE(read.vecNotes.size(), fileinfo::CRollOptions{}.nMaxRects);
    EXPECT_LT(read.nBytes, 3u * 1024 * 1024);
    std::uint64_t nDrawn = 0;
    for (const auto* e : read.vecNotes) {
        nDrawn += static_cast<std::uint64_t>(e->IntAttribute("data-notes", 1));
    }
    EXPECT_EQ(nDrawn, 100000u) << "every note stands in some rectangle";
}

}  // namespace
