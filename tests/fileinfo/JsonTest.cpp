// The JSON document read back with a JSON parser: schema, fields, chunk
// tree, events, and text that is not UTF-8.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "FileInfoInputs.h"
#include "JsonReport.h"

using nlohmann::json;

namespace {

json Document(const std::vector<fileinfo::CFileDescription>& files, bool bEvents, bool bCheck) {
    std::ostringstream out;
    fileinfo::WriteJson(out, files, {bEvents, bCheck});
    return json::parse(out.str());
}

TEST(Json, ParsesBackWithEveryField) {
    vela::Bytes bad = fileinfotest::SmallSource();
    bad.back() ^= 0x01;
    const std::vector<fileinfo::CFileDescription> files = {
        fileinfotest::Describe(fileinfotest::SmallSource(), true, false, "a.mmf"),
        fileinfotest::Describe(fileinfotest::SmallHeron(), true, false, "b.mmf"),
        fileinfotest::Describe(bad, true, false, "c.mmf"),
        fileinfotest::Describe({'x', 'y'}, true, false, "d.txt"),
    };
    const json doc = Document(files, true, true);
    ASSERT_TRUE(doc.is_array());
    ASSERT_EQ(doc.size(), 4u);
    for (std::size_t i = 0; i < doc.size(); ++i) {
        const json& f = doc[i];
        EXPECT_EQ(f["schema"], fileinfo::kJsonSchema);
        EXPECT_EQ(f["path"], files[i].strPath);
        EXPECT_EQ(f["size"], files[i].nSize);
        EXPECT_EQ(f["valid"], files[i].bValid);
        EXPECT_EQ(f.contains("reason"), !files[i].bValid);
        EXPECT_EQ(f["events"].size(), files[i].vecEvents.size());
        EXPECT_TRUE(f["chunks"].is_array());
        EXPECT_TRUE(f["check"]["passed"].is_boolean());
    }
    EXPECT_EQ(doc[0]["generation"], "source");
    EXPECT_EQ(doc[1]["generation"], "heron");
    EXPECT_EQ(doc[2]["generation"], "source");
    EXPECT_EQ(doc[2]["reason_code"], "crc-mismatch");
    EXPECT_EQ(doc[3]["generation"], "unknown");

    const json& mmmd = doc[0]["chunks"][0];
    EXPECT_EQ(mmmd["id"], "MMMD");
    EXPECT_EQ(mmmd["children"][1]["id"], "MTR\\x00");
    EXPECT_EQ(mmmd["children"][1]["offset"], 21);
    EXPECT_EQ(mmmd["children"][1]["children"][1]["id"], "Mtsq");
    EXPECT_EQ(mmmd["children"][1]["children"][1]["size"], 21);

    const json note = doc[0]["events"][2];
    EXPECT_EQ(note, json::parse(R"({"tick":0,"track":0,"channel":0,"type":"note","key":65,"gate":96})"));
    EXPECT_TRUE(doc[0]["events"][3]["channel"].is_null()) << "the tempo message has no channel";
    EXPECT_EQ(doc[1]["events"][2],
              json::parse(R"({"tick":0,"track":7,"channel":0,"type":"note","key":65,"velocity":127,"gate":96})"));
    EXPECT_EQ(doc[0]["converted"]["valid"], true);
    EXPECT_EQ(doc[1]["check"]["passed"], true);
    EXPECT_EQ(doc[1]["crcs"].size(), 3u);
    EXPECT_EQ(doc[0]["counts"]["note"], 2);
    EXPECT_EQ(doc[0]["voices"][0]["voice"], 0);
}

TEST(Json, EventsOnlyWhenAskedAndAnEmptyList) {
    const json doc = Document({fileinfotest::Describe(fileinfotest::SmallSource(), false, false)}, false, false);
    EXPECT_FALSE(doc[0].contains("events"));
    EXPECT_FALSE(doc[0].contains("check"));
    EXPECT_EQ(Document({}, false, false), json::array());
}

TEST(Json, TextThatIsNotUtf8StillParses) {
    const struct {
        std::string strIn;
        std::string strOut;
    } cases[] = {
        {"plain", "plain"},
        {"quote \" and \\ back", "quote \" and \\ back"},
        {"tab\tnew\nline", "tab\tnew\nline"},
        {"caf\xC3\xA9", "caf\xC3\xA9"},
        {"bad \xFF byte", "bad \xEF\xBF\xBD byte"},
        {"cut \xE2\x82", "cut \xEF\xBF\xBD\xEF\xBF\xBD"},
        {"overlong \xC0\xAF", "overlong \xEF\xBF\xBD\xEF\xBF\xBD"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(json::parse(fileinfo::JsonString(c.strIn)).get<std::string>(), c.strOut) << c.strIn;
    }
}

}  // namespace
