// Merge of overlapping repeated notes in format-0 content.
#include <gtest/gtest.h>

#include <deque>

#include "TestUtil.h"

using testutil::Bytes;
using testutil::Record;

namespace {

struct CMerge {
    CCnvLarkWrentoHeron cnv;
    std::deque<Bytes> store;
    CMerge& Note(std::uint8_t byNote, std::uint32_t nTime, std::uint32_t nDuration) {
        store.push_back({byNote});
        cnv.m_vecEvents.push_back(Record(kKindNote, store.back(), 0, nTime, nDuration));
        return *this;
    }
    CMerge& Shift(std::uint8_t byChannel, std::uint8_t byValue, std::uint32_t nTime, std::uint8_t byTrack = 0) {
        store.push_back({0x00, static_cast<std::uint8_t>((byChannel << 6) | 0x32), byValue});
        cnv.m_vecEvents.push_back(Record(kKindOctaveShift, store.back(), byTrack, nTime));
        return *this;
    }
    CMerge& Other(std::uint32_t nTime) {
        store.push_back({0x00, 0x3A, 0x40});
        cnv.m_vecEvents.push_back(Record(kKindPanpot, store.back(), 0, nTime));
        return *this;
    }
    // (kind, time, duration) of every record after the merge.
    std::vector<std::tuple<int, std::uint32_t, std::uint32_t>> Run() {
        cnv.MergeOverlappingNotes();
        std::vector<std::tuple<int, std::uint32_t, std::uint32_t>> result;
        for (const auto& ev : cnv.m_vecEvents) result.emplace_back(ev.kind, ev.time, ev.duration);
        return result;
    }
};

using R = std::vector<std::tuple<int, std::uint32_t, std::uint32_t>>;

TEST(NoteOverlap, LaterEndLengthensTheKeptNote) {
    EXPECT_EQ(CMerge().Note(0x25, 0, 100).Note(0x25, 50, 100).Run(), (R{{1, 0, 150}}));
}

TEST(NoteOverlap, EarlierEndIsJustRemoved) {
    EXPECT_EQ(CMerge().Note(0x25, 0, 100).Note(0x25, 50, 20).Run(), (R{{1, 0, 100}}));
}

TEST(NoteOverlap, NoteStartingAtTheEndIsKept) {
    EXPECT_EQ(CMerge().Note(0x25, 0, 100).Note(0x25, 100, 100).Run(), (R{{1, 0, 100}, {1, 100, 100}}));
}

TEST(NoteOverlap, ZeroDurationNeverOverlaps) {
    EXPECT_EQ(CMerge().Note(0x25, 10, 0).Note(0x25, 10, 5).Run(), (R{{1, 10, 0}, {1, 10, 5}}));
}

TEST(NoteOverlap, OtherChannelsAndNotesDoNotInteract) {
    EXPECT_EQ(CMerge().Note(0x25, 0, 100).Note(0x65, 10, 100).Note(0x26, 20, 100).Run(),
              (R{{1, 0, 100}, {1, 10, 100}, {1, 20, 100}}));
}

TEST(NoteOverlap, ChainOfOverlapsKeepsOtherRecords) {
    EXPECT_EQ(CMerge().Note(0x25, 0, 100).Other(10).Note(0x25, 50, 100).Note(0x25, 60, 200).Other(70).Run(),
              (R{{1, 0, 260}, {6, 10, 0}, {6, 70, 0}}));
}

TEST(NoteOverlap, OctaveShiftsDecideTheNoteNumber) {
    // 0x45 with shift -1 and 0x55 with shift -2 are both note 29 on channel 1.
    CMerge m;
    m.Shift(1, 0x81, 0).Note(0x45, 0, 100).Shift(1, 0x82, 10).Note(0x55, 20, 200);
    EXPECT_EQ(m.Run(), (R{{15, 0, 0}, {1, 0, 220}, {15, 10, 0}}));
    EXPECT_EQ(m.cnv.m_vecEvents[1].data[0], 0x45) << "note bytes are not changed";
    EXPECT_EQ(m.cnv.m_anOctaveShift[1], 0) << "the translation's own shift table is untouched";
}

TEST(NoteOverlap, AudioTrackOctaveShiftsAreIgnored) {
    CMerge m;
    m.Shift(1, 0x81, 0).Note(0x45, 0, 100).Shift(1, 0x82, 10, 5).Note(0x55, 20, 200);
    EXPECT_EQ(m.Run(), (R{{15, 0, 0}, {1, 0, 100}, {15, 10, 0}, {1, 20, 200}}));
}

TEST(NoteOverlap, NoteNumbersAreLimitedLikeTheWrittenKeys) {
    // -43 becomes 0 and 207 becomes 127: different notes, both kept.
    CMerge apart;
    apart.Shift(0, 0x87, 0).Note(0x05, 0, 100).Shift(0, 0x0A, 10).Note(0x3F, 20, 100);
    EXPECT_EQ(apart.Run(), (R{{15, 0, 0}, {1, 0, 100}, {15, 10, 0}, {1, 20, 100}}));
    // Two notes below key 0 are both written as key 0: merged.
    CMerge same;
    same.Shift(0, 0x87, 0).Note(0x05, 0, 100).Note(0x06, 20, 100);
    EXPECT_EQ(same.Run(), (R{{15, 0, 0}, {1, 0, 120}}));
}

}  // namespace
