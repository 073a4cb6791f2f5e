// The main window's list placement and size limit and the progress button's
// caption, checked without a window system.
#include <gtest/gtest.h>

#include <utility>

#include "WindowLayout.h"

TEST(WindowLayout, ListKeepsItsMarginsAtAnySize) {
    for (const auto& [nWidth, nHeight] : {std::pair{584, 162}, {1100, 330}, {10, 65}}) {
        const ListPlacement place = PlaceFileList(nWidth, nHeight);
        EXPECT_EQ(place.nLeft, 5);
        EXPECT_EQ(place.nTop, 50);
        EXPECT_EQ(place.nLeft + place.nWidth, nWidth - 5) << nWidth;
        EXPECT_EQ(place.nTop + place.nHeight, nHeight - 15) << nHeight;
    }
}

TEST(WindowLayout, MinimumTrackingSizeIs600By200) {
    EXPECT_EQ(kMinTrackWidth, 600);
    EXPECT_EQ(kMinTrackHeight, 200);
}

TEST(WindowLayout, ButtonCaptionFollowsTheRunFlag) {
    EXPECT_STREQ(ProgressButtonCaption(1), "Stop");
    EXPECT_STREQ(ProgressButtonCaption(0), "Ok");
}
