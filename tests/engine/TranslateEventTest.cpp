// Translation of single analysed events into Heron sequence events.
#include <gtest/gtest.h>

#include <cmath>

#include "TestUtil.h"

using testutil::Bytes;
using testutil::Hex;
using testutil::Record;
using testutil::RegisterWriteBytes;
using testutil::ToHex;

namespace {

// Translates one record and returns what was appended as hex text; the
// result byte must be 1 exactly when something was appended.
std::string Translate(CCnvLarkWrentoHeron& cnv, const EventRecord& record, std::uint32_t nDelta = 0) {
    ByteBuffer out;
    const std::uint8_t byResult = cnv.TranslateEvent(record, out, nDelta);
    EXPECT_EQ(byResult, out.Empty() ? 0 : 1) << "result must say whether anything was appended";
    return ToHex(out.Bytes());
}

CCnvLarkWrentoHeron& Format(CCnvLarkWrentoHeron& cnv, std::uint8_t byFormat) {
    cnv.m_nFormat = byFormat;
    return cnv;
}

// Bend bytes (low 7, high 7 bits) of 8192 + scale x semitones, limited.
std::string BendHex(double dSemitones, double dScale = 4096.0) {
    double d = std::trunc(8192.0 + dScale * dSemitones);
    d = d < 0 ? 0 : (d > 16383 ? 16383 : d);
    const int n = static_cast<int>(d);
    return ToHex({static_cast<std::uint8_t>(n & 0x7F), static_cast<std::uint8_t>((n >> 7) & 0x7F)});
}

double FmFrequency(int nBlock, int nFnum) { return std::pow(2.0, nBlock - 20.0) * 49700.0 * nFnum; }

// --- notes --------------------------------------------------------------------

TEST(TranslateNote, Format1Track2ChannelAndKey) {
    CCnvLarkWrentoHeron cnv;
    const Bytes note = {0x65};
    EXPECT_EQ(Translate(Format(cnv, 1), Record(kKindNote, note, 2, 0, 96)), "00 15 41 7F 60");
}

TEST(TranslateNote, Format0ChannelIsTheSourceChannelWhateverTheTrack) {
    CCnvLarkWrentoHeron cnv;
    const Bytes note = {0x65};
    EXPECT_EQ(Translate(Format(cnv, 0), Record(kKindNote, note, 3, 0, 200), 480), "83 60 11 41 7F 81 48");
}

TEST(TranslateNote, OctaveShiftEventsMoveLaterNotes) {
    CCnvLarkWrentoHeron cnv;
    Format(cnv, 1);
    const Bytes up = {0x00, 0x72, 0x01};    // channel 1, +1
    const Bytes down = {0x00, 0x72, 0x81};  // channel 1, -1
    const Bytes note = {0x65};
    EXPECT_EQ(Translate(cnv, Record(kKindOctaveShift, up, 2)), "");
    EXPECT_EQ(cnv.m_anOctaveShift[5], 1);
    EXPECT_EQ(Translate(cnv, Record(kKindNote, note, 2, 0, 1)), "00 15 4D 7F 01");
    EXPECT_EQ(Translate(cnv, Record(kKindOctaveShift, down, 2)), "");
    EXPECT_EQ(Translate(cnv, Record(kKindNote, note, 2, 0, 1)), "00 15 35 7F 01");
    // The audio track's octave shifts are ignored.
    const Bytes audioShift = {0x00, 0x32, 0x03};
    EXPECT_EQ(Translate(cnv, Record(kKindOctaveShift, audioShift, 5)), "");
    EXPECT_EQ(cnv.m_anOctaveShift[0], 0);
}

TEST(TranslateNote, KeysAreLimitedTo0And127) {
    CCnvLarkWrentoHeron cnv;
    Format(cnv, 0);
    const Bytes low = {0x00, 0x32, 0x87};   // channel 0, -7 octaves
    const Bytes high = {0x00, 0x72, 0x0A};  // channel 1, +10 octaves
    const Bytes note0 = {0x05};
    const Bytes note1 = {0x7F};
    Translate(cnv, Record(kKindOctaveShift, low, 0));
    Translate(cnv, Record(kKindOctaveShift, high, 0));
    EXPECT_EQ(Translate(cnv, Record(kKindNote, note0, 0, 0, 10)), "00 10 00 7F 0A");
    EXPECT_EQ(Translate(cnv, Record(kKindNote, note1, 0, 0, 10)), "00 11 7F 7F 0A");
}

TEST(TranslateNote, PendingBendIsResetBeforeFormat1Notes) {
    CCnvLarkWrentoHeron cnv;
    Format(cnv, 1);
    cnv.m_anBendPending[5] = 1;
    const Bytes note = {0x65};
    EXPECT_EQ(Translate(cnv, Record(kKindNote, note, 2, 0, 96), 3), "03 65 00 40 00 15 41 7F 60");
    EXPECT_EQ(cnv.m_anBendPending[5], 0);
    EXPECT_EQ(Translate(cnv, Record(kKindNote, note, 2, 0, 96)), "00 15 41 7F 60");

    CCnvLarkWrentoHeron f0;
    Format(f0, 0);
    f0.m_anBendPending[1] = 1;
    EXPECT_EQ(Translate(f0, Record(kKindNote, note, 0, 0, 96)), "00 11 41 7F 60") << "format 0 never resets";
}

// --- audio track ---------------------------------------------------------------

TEST(TranslateAudio, FirstNoteOfAChannelCarriesThePrelude) {
    CCnvLarkWrentoHeron cnv;
    Format(cnv, 1);
    cnv.m_anBendPending[0] = 1;  // audio notes never reset bends
    const Bytes note = {0x01};
    EXPECT_EQ(Translate(cnv, Record(kKindNote, note, 5, 0, 0x30)),
              "00 B0 00 7D 00 B0 20 00 00 C0 00 00 90 00 4B 30");
    EXPECT_EQ(Translate(cnv, Record(kKindNote, note, 5, 0, 0x30)), "00 90 00 4B 30");
    EXPECT_EQ(cnv.m_abWaveInit[0], 1);
    EXPECT_EQ(cnv.m_abWaveInit[1], 0);
    EXPECT_EQ(cnv.m_anBendPending[0], 1);
}

TEST(TranslateAudio, WaveKeys) {
    const struct {
        std::uint8_t byNote;
        const char* pszOut;
    } cases[] = {{0x01, "00 90 00 4B 01"}, {0x0D, "00 90 0C 4B 01"}, {0x0E, "00 90 5C 4B 01"},
                 {0x30, "00 90 7E 4B 01"}, {0x31, "00 90 7F 4B 01"}, {0x40, "00 91 7F 4B 01"},
                 {0xC2, "00 93 01 4B 01"}};
    for (const auto& c : cases) {
        CCnvLarkWrentoHeron cnv;
        Format(cnv, 1);
        for (auto& init : cnv.m_abWaveInit) init = 1;
        const Bytes note = {c.byNote};
        EXPECT_EQ(Translate(cnv, Record(kKindNote, note, 5, 0, 1)), c.pszOut) << "note byte " << int(c.byNote);
    }
}

TEST(TranslateAudio, VolumeSetsTheVelocityOfLaterNotes) {
    const struct {
        std::uint8_t byVolume;
        std::uint8_t byVelocity;
    } cases[] = {{127, 75}, {100, 59}, {64, 38}, {0, 0}, {255, 127}, {1, 0}};
    for (const auto& c : cases) {
        CCnvLarkWrentoHeron cnv;
        Format(cnv, 1);
        const Bytes volume = {0x00, 0xB7, c.byVolume};  // audio channel 2
        EXPECT_EQ(Translate(cnv, Record(kKindVolume, volume, 5)), "");
        EXPECT_EQ(cnv.m_abyVelocity[2], c.byVelocity) << "volume " << int(c.byVolume);
        EXPECT_EQ(cnv.m_abyVelocity[0], 75);
    }
}

TEST(TranslateAudio, Format1AudioControlsAreIgnored) {
    const Bytes bank = {0x00, 0x71, 0x01};
    const Bytes program = {0x00, 0x70, 0x01};
    const Bytes bend = {0x00, 0x74, 0x50};
    const Bytes bendShort = {0x00, 0x55};
    const Bytes pan = {0x00, 0x7A, 0x20};
    const Bytes modulation = {0x00, 0x73, 0x20};
    const Bytes modulationShort = {0x00, 0x65};
    const Bytes expression = {0x00, 0x7B, 0x20};
    const Bytes expressionShort = {0x00, 0x45};
    const std::pair<std::uint8_t, const Bytes*> events[] = {
        {kKindBankSelect, &bank}, {kKindProgramChange, &program}, {kKindPitchBend, &bend},
        {kKindPitchBend, &bendShort}, {kKindPanpot, &pan}, {kKindModulation, &modulation},
        {kKindModulation, &modulationShort}, {kKindExpression, &expression}, {kKindExpression, &expressionShort}};
    for (const auto& [byKind, pData] : events) {
        CCnvLarkWrentoHeron cnv;
        Format(cnv, 1);
        EXPECT_EQ(Translate(cnv, Record(byKind, *pData, 5), 7), "") << "kind " << int(byKind);
        for (auto by : cnv.m_abyBank) EXPECT_EQ(by, 0);
    }
}

// --- controls ------------------------------------------------------------------

TEST(TranslateControl, BankSelectAlwaysWritesBank124) {
    CCnvLarkWrentoHeron cnv;
    Format(cnv, 1);
    const Bytes bank = {0x00, 0x71, 0x05};  // channel 1 of track 3: output channel 9
    EXPECT_EQ(Translate(cnv, Record(kKindBankSelect, bank, 3)), "00 39 00 7C 00 39 20 02");
    EXPECT_EQ(cnv.m_abyBank[9], 5);
}

TEST(TranslateControl, PanpotVolumeAndBend) {
    CCnvLarkWrentoHeron cnv;
    Format(cnv, 1);
    const Bytes pan = {0x00, 0xBA, 0x40};
    const Bytes volume = {0x00, 0x37, 0x64};
    const Bytes bend = {0x00, 0x34, 0x48};
    EXPECT_EQ(Translate(cnv, Record(kKindPanpot, pan, 3)), "00 3A 0A 40");
    EXPECT_EQ(Translate(cnv, Record(kKindVolume, volume, 1)), "00 30 07 64");
    EXPECT_EQ(Translate(cnv, Record(kKindPitchBend, bend, 4)), "00 6C 00 48");
}

TEST(TranslateControl, SourceValuesAbove7BitsAreLimitedTo7F) {
    // A damaged source value must not become a data byte with bit 7 set.
    CCnvLarkWrentoHeron cnv;
    Format(cnv, 1);
    EXPECT_EQ(Translate(cnv, Record(kKindPanpot, Bytes{0x00, 0x3A, 0x80}, 1)), "00 30 0A 7F");
    EXPECT_EQ(Translate(cnv, Record(kKindVolume, Bytes{0x00, 0x37, 0xFF}, 1)), "00 30 07 7F");
    EXPECT_EQ(Translate(cnv, Record(kKindPitchBend, Bytes{0x00, 0x34, 0xC0}, 1)), "00 60 00 7F");
    EXPECT_EQ(Translate(cnv, Record(kKindModulation, Bytes{0x00, 0x33, 0x90}, 1)), "00 30 01 7F");
    EXPECT_EQ(Translate(cnv, Record(kKindExpression, Bytes{0x00, 0x3B, 0xA5}, 1)), "00 30 0B 7F");
    EXPECT_EQ(Translate(cnv, Record(kKindProgramChange, Bytes{0x00, 0x30, 0x85}, 1)), "00 40 7F");
}

TEST(TranslateControl, ShortBendIsEightTimesTheStep) {
    for (std::uint8_t s = 0; s < 16; ++s) {
        CCnvLarkWrentoHeron cnv;
        Format(cnv, 0);
        const Bytes bend = {0x00, static_cast<std::uint8_t>(0x50 | s)};  // channel 1
        EXPECT_EQ(Translate(cnv, Record(kKindPitchBend, bend, 0)), "00 61 00 " + ToHex({static_cast<std::uint8_t>(8 * s)}))
            << "step " << int(s);
    }
}

const std::uint8_t kModulationSteps[16] = {0x00, 0x00, 0x08, 0x10, 0x18, 0x20, 0x28, 0x30,
                                           0x38, 0x40, 0x48, 0x50, 0x60, 0x70, 0x7F, 0x7F};
const std::uint8_t kExpressionSteps[16] = {0x00, 0x00, 0x1F, 0x27, 0x2F, 0x37, 0x3F, 0x47,
                                           0x4F, 0x57, 0x5F, 0x67, 0x6F, 0x77, 0x7F, 0x7F};

TEST(TranslateControl, ShortModulationAndExpressionTables) {
    for (std::uint8_t s = 0; s < 16; ++s) {
        CCnvLarkWrentoHeron cnv;
        Format(cnv, 1);
        const Bytes modulation = {0x00, static_cast<std::uint8_t>(0x60 | s)};
        const Bytes expression = {0x00, static_cast<std::uint8_t>(0x40 | s)};
        EXPECT_EQ(Translate(cnv, Record(kKindModulation, modulation, 1)), "00 31 01 " + ToHex({kModulationSteps[s]}))
            << "step " << int(s);
        EXPECT_EQ(Translate(cnv, Record(kKindExpression, expression, 1)), "00 31 0B " + ToHex({kExpressionSteps[s]}))
            << "step " << int(s);
    }
}

TEST(TranslateControl, Format0ModulationHasTwoLevels) {
    const struct {
        Bytes data;
        const char* pszFormat0;
        const char* pszFormat1;
    } cases[] = {
        {{0x00, 0x29}, "00 30 01 22", "00 30 01 40"},        // short, step 9: 0x40
        {{0x00, 0x28}, "00 30 01 00", "00 30 01 38"},        // short, step 8: 0x38
        {{0x00, 0x33, 0x3F}, "00 30 01 00", "00 30 01 3F"},  // long
        {{0x00, 0x33, 0x40}, "00 30 01 22", "00 30 01 40"},
    };
    for (const auto& c : cases) {
        CCnvLarkWrentoHeron f0;
        CCnvLarkWrentoHeron f1;
        EXPECT_EQ(Translate(Format(f0, 0), Record(kKindModulation, c.data, 1)), c.pszFormat0);
        EXPECT_EQ(Translate(Format(f1, 1), Record(kKindModulation, c.data, 1)), c.pszFormat1);
    }
}

TEST(TranslateControl, LongExpression) {
    CCnvLarkWrentoHeron cnv;
    const Bytes expression = {0x00, 0xFB, 0x7F};
    EXPECT_EQ(Translate(Format(cnv, 1), Record(kKindExpression, expression, 2)), "00 37 0B 7F");
}

// --- program changes and voice assignments ---------------------------------------

struct CProgramFixture {
    Bytes setup1 = Hex("F0 12 43 03 02 00 05 39 02 E2 5F 10 20 C8 B4 A5 96 87 41 F7");  // slot 2, bank 0, program 5
    Bytes setup2 = Hex("F0 12 43 03 14 01 06 39 02 E2 5F 10 20 C8 B4 A5 96 87 41 F7");  // slot 20, bank 1, program 6
    Bytes setup3 = Hex("F0 12 43 03 03 00 05 39 02 E2 5F 10 20 C8 B4 A5 96 87 41 F7");  // slot 3, also program 5
    CCnvLarkWrentoHeron cnv;
    CProgramFixture() {
        cnv.m_nFormat = 1;
        cnv.m_vecEvents.push_back(Record(kKindSetupVoice, setup1, 0));
        cnv.m_vecEvents.push_back(Record(kKindSetupVoice, setup2, 0));
        cnv.m_vecEvents.push_back(Record(kKindSetupVoice, setup3, 0));
        cnv.m_anVoiceMap[2] = 0x31;
        cnv.m_anVoiceMap[3] = 0x32;
    }
};

TEST(TranslateProgram, RemappedThroughTheFirstMatchingSetupVoice) {
    CProgramFixture f;
    const Bytes program5 = {0x00, 0x30, 0x05};
    const Bytes program7 = {0x00, 0x30, 0x07};
    EXPECT_EQ(Translate(f.cnv, Record(kKindProgramChange, program5, 1)), "00 40 31");
    EXPECT_EQ(Translate(f.cnv, Record(kKindProgramChange, program7, 1)), "00 40 07") << "no match: source number";
    f.cnv.m_abyBank[0] = 1;
    EXPECT_EQ(Translate(f.cnv, Record(kKindProgramChange, program5, 1)), "00 40 05") << "bank must match too";
}

TEST(TranslateProgram, BankEventDecidesTheMatch) {
    CProgramFixture f;
    const Bytes bank = {0x00, 0x31, 0x00};
    const Bytes program5 = {0x00, 0x30, 0x05};
    f.cnv.m_abyBank[0] = 9;
    Translate(f.cnv, Record(kKindBankSelect, bank, 1));
    EXPECT_EQ(Translate(f.cnv, Record(kKindProgramChange, program5, 1)), "00 40 31");
}

TEST(TranslateProgram, SetupVoiceOfAHighSlotKeepsTheSourceProgram) {
    CProgramFixture f;
    f.cnv.m_abyBank[4] = 1;
    const Bytes program6 = {0x00, 0x30, 0x06};  // track 2, channel 0: output channel 4
    EXPECT_EQ(Translate(f.cnv, Record(kKindProgramChange, program6, 2)), "00 44 06");
}

TEST(TranslateVoiceAssign, Cases) {
    const struct {
        std::uint8_t byPair;
        std::uint8_t byVoices;
        const char* pszOut;
    } cases[] = {
        {0x02, 0x21, "00 44 05 00 45 07"},
        {0x0A, 0x21, "00 44 05 00 45 07"},  // pair number is taken modulo 8
        {0x07, 0x12, "00 4E 07 00 4F 05"},
        {0x00, 0x33, ""},                   // both unassigned
        {0x01, 0x23, "00 43 07"},           // first unassigned: no 00 separator
        {0x01, 0x31, "00 42 05"},           // second unassigned
    };
    for (const auto& c : cases) {
        CCnvLarkWrentoHeron cnv;
        Format(cnv, 1);
        cnv.m_anVoiceMap[1] = 0x05;
        cnv.m_anVoiceMap[2] = 0x07;
        const Bytes message = {0xF0, 0x06, 0x43, 0x03, 0x91, c.byPair, c.byVoices, 0xF7};
        EXPECT_EQ(Translate(cnv, Record(kKindVoiceAssign, message, 1)), c.pszOut)
            << "pair " << int(c.byPair) << " voices " << int(c.byVoices);
    }
}

// --- register writes ---------------------------------------------------------------

struct CRegisterFixture {
    CCnvLarkWrentoHeron cnv;
    std::vector<Bytes> vecStore;
    CRegisterFixture() {
        cnv.m_nFormat = 1;
        vecStore.reserve(64);
    }
    EventRecord Reg(std::uint8_t byRegister, std::uint8_t byValue, std::uint32_t nTime = 0, std::uint32_t nDuration = 0) {
        vecStore.push_back(RegisterWriteBytes(byRegister, byValue));
        return Record(kKindRegisterWrite, vecStore.back(), 1, nTime, nDuration);
    }
    // F-number low write then key-on write of channel n.
    std::string KeyOn(std::uint8_t n, int nFnum, int nBlock, std::uint32_t nDuration = 100) {
        const std::string strLow = Translate(cnv, Reg(static_cast<std::uint8_t>(0xB0 + n), static_cast<std::uint8_t>(nFnum & 0xFF)));
        const auto byHigh = static_cast<std::uint8_t>(0x20 | (nBlock << 2) | (nFnum >> 8));
        return strLow + Translate(cnv, Reg(static_cast<std::uint8_t>(0xC0 + n), byHigh, 0, nDuration));
    }
};

TEST(TranslateRegister, KeyOnA440Detuned) {
    CRegisterFixture f;
    EXPECT_EQ(f.KeyOn(3, 580, 4), "00 13 45 7F 64 00 63 67 3F");
    EXPECT_DOUBLE_EQ(f.cnv.m_adBaseFreq[3], 440.0);
    EXPECT_EQ(f.cnv.m_anBendPending[3], 1);
    EXPECT_EQ(f.cnv.m_abyBlock[3], 4);
    EXPECT_EQ(f.cnv.m_awFnum[3], 580);
}

TEST(TranslateRegister, KeyOnF459) {
    CRegisterFixture f;
    EXPECT_EQ(f.KeyOn(0, 459, 4, 0x200), "00 10 41 7F 84 00 00 60 18 3E");
}

TEST(TranslateRegister, SecondKeyOnOnSoundingChannelWritesOnlyABend) {
    CRegisterFixture f;
    f.KeyOn(3, 580, 4);
    EXPECT_EQ(Translate(f.cnv, f.Reg(0xC3, 0x32, 0, 100), 5), "05 63 67 3F");
    // A new F-number while sounding bends relative to the written key.
    EXPECT_EQ(Translate(f.cnv, f.Reg(0xB3, 0x50, 20)),
              "00 63 " + BendHex(12 * std::log2(FmFrequency(4, 0x250) / 440.0)));
    EXPECT_DOUBLE_EQ(f.cnv.m_adBaseFreq[3], 440.0);
}

TEST(TranslateRegister, KeyOffSilencesAndWritesNothing) {
    CRegisterFixture f;
    f.KeyOn(3, 580, 4);
    EXPECT_EQ(Translate(f.cnv, f.Reg(0xC3, 0x12)), "");
    EXPECT_EQ(f.cnv.m_adBaseFreq[3], 0.0);
    EXPECT_EQ(f.cnv.m_awFnum[3], 580) << "block and F-number stay";
    EXPECT_EQ(Translate(f.cnv, f.Reg(0xB3, 0x10, 50)), "") << "F-number write on an idle channel";
    EXPECT_EQ(f.cnv.m_awFnum[3], 0x210);
    EXPECT_EQ(Translate(f.cnv, f.Reg(0xA3, 0x10, 60)), "") << "other registers";
}

TEST(TranslateRegister, FnumWriteAtTheTimeOfAKeyOnIsSkipped) {
    CRegisterFixture f;
    // The key-on record must be in the event list before the first lookup.
    const EventRecord keyOnAt10 = f.Reg(0xC5, 0x32, 10);
    f.cnv.m_vecEvents.push_back(keyOnAt10);
    f.KeyOn(5, 580, 4);
    EXPECT_EQ(Translate(f.cnv, f.Reg(0xB5, 0x10, 10)), "");
    EXPECT_EQ(Translate(f.cnv, f.Reg(0xB4, 0x10, 10)), "") << "other channel is idle";
    EXPECT_NE(Translate(f.cnv, f.Reg(0xB5, 0x10, 11)), "");
}

TEST(TranslateRegister, WiderBendRangeScalesBends) {
    CRegisterFixture f;
    f.cnv.m_anBendOverflow[3] = 1;
    f.cnv.m_abyBendRange[3] = 4;
    const double dKey = 12 * std::log2(FmFrequency(4, 580) / 440.0) + 69;
    EXPECT_EQ(f.KeyOn(3, 580, 4), "00 13 45 7F 64 00 63 " + BendHex(dKey - 69, 2048.0));
    // 5 semitones up with range 4: limited to the top.
    EXPECT_EQ(Translate(f.cnv, f.Reg(0xC3, 0x3A, 0, 1)), "00 63 " + BendHex(12 * std::log2(FmFrequency(6, 580) / 440.0), 2048.0));
    EXPECT_EQ(BendHex(24, 2048.0), "7F 7F");
}

TEST(TranslateRegister, BendsAreLimitedToFourteenBits) {
    CRegisterFixture f;
    f.KeyOn(2, 580, 4);
    EXPECT_EQ(Translate(f.cnv, f.Reg(0xC2, 0x3A, 0, 1)), "00 62 7F 7F");  // two octaves up
    EXPECT_EQ(Translate(f.cnv, f.Reg(0xC2, 0x2A, 0, 1)), "00 62 00 00");  // two octaves down
}

TEST(TranslateRegister, FrequenciesBelowKey0GiveKey0AndBend0) {
    CRegisterFixture f;
    EXPECT_EQ(f.KeyOn(1, 0, 4, 10), "00 11 00 7F 0A 00 61 00 00") << "F-number 0";
    CRegisterFixture g;
    EXPECT_EQ(g.KeyOn(1, 1, 0, 10), "00 11 00 7F 0A 00 61 00 00") << "about 0.05 Hz";
    // The idle-channel base frequency is the key-0 frequency, never 0 Hz.
    EXPECT_GT(g.cnv.m_adBaseFreq[1], 0.0);
}

TEST(TranslateRegister, ChannelComesFromTheRegisterNotTheTrack) {
    CRegisterFixture f;
    std::string strOut = f.KeyOn(15, 580, 4);
    EXPECT_EQ(strOut.substr(0, 5), "00 1F");
}

// --- other kinds -----------------------------------------------------------------

TEST(TranslateOther, ShortFFAndEndOfSequence) {
    CCnvLarkWrentoHeron cnv;
    Format(cnv, 1);
    const Bytes shortFF = {0xFF, 0x05};
    EXPECT_EQ(Translate(cnv, Record(kKindShortFF, shortFF, 1), 0x81), "81 01 FF 05");
    EventRecord end;
    end.kind = kKindEndOfSequence;
    end.length = 3;
    EXPECT_EQ(Translate(cnv, end, 480), "83 60 FF 2F 00");
}

TEST(TranslateOther, KindsWithoutOutput) {
    const Bytes any = Hex("F0 06 43 02 80 31 0F F7");
    for (int nKind : {0, 5, 7, 11, 14, 18, 19, 200}) {
        CCnvLarkWrentoHeron cnv;
        Format(cnv, 1);
        EXPECT_EQ(Translate(cnv, Record(static_cast<std::uint8_t>(nKind), any, 1), 9), "") << "kind " << nKind;
    }
}

}  // namespace
