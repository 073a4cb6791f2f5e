// The drag source must hand the target exactly the dropped paths: file URIs
// with every byte outside the unreserved set percent-encoded (UTF-8 names
// included), one per line, CR LF after each.
#include <gtest/gtest.h>

#include "UriList.h"

TEST(UriList, PlainPathsStayReadable) {
    EXPECT_EQ(EncodeFileUri("/tmp/drop/a_b-c.1~.mmf"), "file:///tmp/drop/a_b-c.1~.mmf");
}

TEST(UriList, ReservedAndNonAsciiBytesArePercentEncoded) {
    EXPECT_EQ(EncodeFileUri("/tmp/my songs/#1%.mmf"), "file:///tmp/my%20songs/%231%25.mmf");
    // U+8868 and U+30BD, whose Shift-JIS trail bytes are 0x5C.
    EXPECT_EQ(EncodeFileUri("/d/\xE8\xA1\xA8\xE3\x82\xBD"), "file:///d/%E8%A1%A8%E3%82%BD");
    EXPECT_EQ(EncodeFileUri("/d/a\\b"), "file:///d/a%5Cb");
}

TEST(UriList, OneLinePerPathEachEndedByCrLf) {
    EXPECT_EQ(MakeUriList({"/a", "/b c"}), "file:///a\r\nfile:///b%20c\r\n");
    EXPECT_EQ(MakeUriList({}), "");
}
