#include <gtest/gtest.h>

#include "BatchTexts.h"
#include "FakePlatform.h"
#include "PathText.h"
#include "TemporaryNames.h"
#include "PosixPlatform.h"

namespace {

// "表" and "ソ" in Shift-JIS: their trail byte is the backslash code.
const std::string kHyo = "\x95\x5C";
const std::string kSo = "\x83\x5C";

TEST(PathText, LastSeparatorSkipsDoubleByteTrailBytes) {
    CFakePlatform fake;
    EXPECT_EQ(FindLastSeparator(fake, "C:\\m\\a.mmf"), 4u);
    EXPECT_EQ(FileNameOf(fake, "C:\\m\\" + kHyo + ".mmf"), kHyo + ".mmf");
    EXPECT_EQ(FolderOf(fake, "C:\\" + kSo), "C:");
    EXPECT_EQ(FileNameOf(fake, "C:\\" + kSo), kSo);
    EXPECT_EQ(FolderOf(fake, "C:\\" + kSo + "\\x.mmf"), "C:\\" + kSo);
    // A lone lead byte at the end is a character of its own.
    EXPECT_EQ(FindLastSeparator(fake, "a\\\x95"), 1u);
    EXPECT_EQ(FileNameOf(fake, "a.mmf"), "a.mmf");
    EXPECT_EQ(FolderOf(fake, "a.mmf"), "");

    CPosixPlatform posix;
    EXPECT_EQ(FileNameOf(posix, "/m/\xE8\xA1\xA8.mmf"), "\xE8\xA1\xA8.mmf");
    EXPECT_EQ(FolderOf(posix, "/a.mmf"), "");
}

TEST(PathText, ExtensionCheckIgnoresCaseAndRespectsCharacters) {
    CFakePlatform fake;
    for (const char* pszName : {"C:\\in\\song.mmf", "C:\\in\\SONG.MMF", "C:\\in\\song.Mmf", ".mmf"}) {
        EXPECT_TRUE(HasVelaExtension(fake, pszName)) << pszName;
    }
    for (const char* pszName : {"C:\\in\\song.txt", "C:\\in\\song.mmf.bak", "mmf", "", "C:\\in\\songmmf"}) {
        EXPECT_FALSE(HasVelaExtension(fake, pszName)) << pszName;
    }
    // The '.' here is the trail byte of a double-byte character.
    EXPECT_FALSE(HasVelaExtension(fake, "x\x81.mmf"));
    EXPECT_TRUE(HasVelaExtension(fake, kHyo + ".MMF"));
}

TEST(BatchTexts, CountLinesAndFixedTexts) {
    EXPECT_EQ(FormatTotalText(3, 5), "Total files :\t3 / 5");
    EXPECT_EQ(FormatConvertText(2), "Convert files :\t2");
    EXPECT_EQ(FormatErrorText(1), "Error files :\t1");
    EXPECT_EQ(FormatTotalText(0, 0), "Total files :\t0 / 0");
    EXPECT_STREQ(kTextSizeZero, "NG: Input file size is 0. ");
    EXPECT_STREQ(kTextNoAccessTail, "\r\nThere is no access authority to this folder. ");
    EXPECT_STREQ(kTextOverwriteTail, " has already exists. Overwrite all ?");
    EXPECT_STREQ(kTextFinished, "Finished the converting.");
}

}  // namespace

namespace {

TEST(TemporaryNames, OnlyTheNamesTheWritersMakeAreRecognised) {
    EXPECT_EQ(TemporaryName(1234, 7), ".~kst1234-7.tmp");
    EXPECT_TRUE(IsTemporaryName(TemporaryName(4294967295ul, 0)));
    for (const char* pszName : {".~kst.tmp", ".~kst12.tmp", ".~kst-1.tmp", ".~kst1-.tmp", ".~kst1-2-3.tmp",
                                ".~kst1-2.TMP", "~kst1-2.tmp", ".~kst1a-2.tmp", ".~kst1-2.tmp.mmf", "song.mmf"}) {
        EXPECT_FALSE(IsTemporaryName(pszName)) << pszName;
    }
}

TEST(TemporaryNames, TheProcessIsReadBackOnlyFromThoseNames) {
    unsigned long nProcess = 0;
    EXPECT_TRUE(TemporaryNameProcess(TemporaryName(4294967295ul, 3), nProcess));
    EXPECT_EQ(nProcess, 4294967295ul);
    EXPECT_TRUE(TemporaryNameProcess(".~kst0-1.tmp", nProcess));
    EXPECT_EQ(nProcess, 0ul);
    // Too large for any process number type: not a name a writer made.
    EXPECT_FALSE(TemporaryNameProcess(".~kst" + std::string(30, '9') + "-1.tmp", nProcess));
    EXPECT_FALSE(TemporaryNameProcess(".~kst12.tmp", nProcess));
}

}  // namespace
