#include "RandomInputs.h"

#include <vector>

namespace perf {
namespace {

using vela::Bytes;
using vela::CSequenceBuilder;

// Deltas are mostly 0 so that events of one track and of different tracks
// share times; few notes and FM channels so that notes overlap and register
// writes meet on the same channel.
std::uint32_t Delta(CRandom& rng) {
    if (rng.OneIn(2)) {
        return 0;
    }
    return rng.OneIn(10) ? rng.Below(300) : 1 + rng.Below(12);
}

void AddScoreEvent(CSequenceBuilder& seq, CRandom& rng, bool bFormat1) {
    const std::uint32_t d = Delta(rng);
    const auto ch = rng.Byte(4);
    const auto fm = static_cast<std::uint8_t>(bFormat1 ? rng.Below(6) : rng.Below(3));
    switch (rng.Below(20)) {
        case 0: case 1: case 2: case 3:
            seq.Note(d, ch, rng.Byte(2), static_cast<std::uint8_t>(1 + rng.Below(3)), rng.Below(60));
            break;
        case 4:
            seq.BankSelect(d, ch, rng.Byte(3));
            break;
        case 5: case 6:
            seq.ProgramChange(d, ch, rng.Byte(6));
            break;
        case 7:
            seq.OctaveShift(d, ch, rng.OneIn(2) ? rng.Byte(2) : static_cast<std::uint8_t>(0x81 + rng.Below(2)));
            break;
        case 8:
            seq.KeyOn(d, fm, static_cast<std::uint16_t>(200 + rng.Below(700)), static_cast<std::uint8_t>(2 + rng.Below(4)));
            break;
        case 9:
            // The F-number low byte alone: on a sounding channel a bend, unless
            // a key-on of the same channel happens at the same time.
            seq.RegisterWrite(d, static_cast<std::uint8_t>(0xB0 + fm), rng.Byte());
            break;
        case 10:
            // Key-on register with random block and F-number bits.
            seq.RegisterWrite(d, static_cast<std::uint8_t>(0xC0 + fm), static_cast<std::uint8_t>(0x20 | rng.Byte(0x20)));
            break;
        case 11:
            seq.KeyOff(d, fm);
            break;
        case 12:
            seq.RegisterWrite(d, static_cast<std::uint8_t>(0xB0 + fm), rng.Byte()).KeyOn(0, fm, static_cast<std::uint16_t>(300 + rng.Below(500)), 4);
            break;
        case 13:
            seq.VoiceAssign(d, rng.Byte(8), rng.Byte());
            break;
        case 14:
            seq.Tempo(d, rng.Byte());
            break;
        case 15:
            seq.PitchBend(d, ch, rng.Byte(128));
            break;
        case 16:
            seq.ModulationShort(d, ch, static_cast<std::uint8_t>(1 + rng.Below(14)));
            break;
        case 17:
            seq.Volume(d, ch, rng.Byte(128));
            break;
        case 18:
            seq.Expression(d, ch, rng.Byte(128));
            break;
        default:
            seq.ShortFF(d, rng.Byte(16));
            break;
    }
}

CSequenceBuilder MakeScoreSequence(CRandom& rng, std::uint32_t nEvents, bool bFormat1) {
    CSequenceBuilder seq;
    for (std::uint32_t i = 0; i < nEvents; ++i) {
        AddScoreEvent(seq, rng, bFormat1);
    }
    seq.EndOfSequence(rng.Below(20));
    return seq;
}

// Voice definitions with few distinct (bank, program) pairs, so that program
// changes find them, some pairs twice (the first definition wins) and some
// slots above 15.
vela::CSetupBuilder MakeSetup(CRandom& rng, bool bFormat1) {
    vela::CSetupBuilder setup;
    const std::uint32_t nVoices = rng.Below(9);
    for (std::uint32_t i = 0; i < nVoices; ++i) {
        const auto bySlot = static_cast<std::uint8_t>(rng.OneIn(8) ? 16 + rng.Below(4) : rng.Below(16));
        const auto byBank = rng.Byte(3);
        const auto byProgram = rng.Byte(6);
        if (bFormat1) {
            setup.VoiceFormat1(bySlot, byBank, byProgram, vela::Format1VoiceParams(rng.Byte(8), rng.Byte(4)));
        } else {
            setup.VoiceFormat0(bySlot, byBank, byProgram, vela::Format0VoiceParams(rng.Byte(4)));
        }
    }
    if (rng.OneIn(3)) {
        setup.Tempo(rng.Byte());
    }
    return setup;
}

}  // namespace

Bytes MakeStressInput(const CStressOptions& options) {
    CRandom rng(options.nSeed);
    const bool bFormat1 = options.byFormat == 1;
    static const std::uint8_t kFormat0Types[] = {0x00, 0x30, 0x40, 0x50};
    static const std::uint8_t kFormat1Types[] = {0x01, 0x21, 0x31, 0x41, 0x51};
    const std::uint8_t byType = bFormat1 ? kFormat1Types[rng.Below(5)] : kFormat0Types[rng.Below(4)];

    vela::CVelaFile file;
    file.Add(vela::ContentsInfo(byType, rng.OneIn(2) ? std::string_view("L2:\x0E,") : std::string_view()));
    const vela::CSetupBuilder setup = MakeSetup(rng, bFormat1);
    bool bSetupWritten = false;

    // Score tracks: format 0 reads tracks 0 to 5, format 1 tracks 1 to 4. A
    // track may repeat the previous one, giving runs of identical times.
    std::vector<std::uint8_t> vecTracks;
    for (std::uint8_t t = bFormat1 ? 1 : 0; t <= (bFormat1 ? 4 : 5); ++t) {
        if (rng.Below(3) != 0) {
            vecTracks.push_back(t);
        }
    }
    if (vecTracks.empty()) {
        vecTracks.push_back(bFormat1 ? 1 : 0);
    }
    CSequenceBuilder previous;
    bool bHavePrevious = false;
    for (const std::uint8_t t : vecTracks) {
        const std::uint32_t nEvents = options.nEventsPerTrack / 2 + rng.Below(options.nEventsPerTrack + 1);
        CSequenceBuilder seq = bHavePrevious && rng.OneIn(3) ? previous : MakeScoreSequence(rng, nEvents, bFormat1);
        vela::CTrackHeader header;
        header.abyChannelStatus[0] = rng.Byte();
        header.abyChannelStatus[1] = rng.Byte();
        vela::CChunk track = vela::ScoreTrack(t, header);
        if (!bSetupWritten) {
            track.Add(vela::Setup(setup));
            bSetupWritten = true;
        }
        track.Add(vela::ScoreSequence(seq));
        file.Add(track);
        previous = seq;
        bHavePrevious = true;
    }

    // Format 1 may carry an audio track with notes, volumes and waves.
    if (bFormat1 && rng.OneIn(2)) {
        CSequenceBuilder audio;
        const std::uint32_t nEvents = 1 + rng.Below(options.nEventsPerTrack / 2 + 1);
        for (std::uint32_t i = 0; i < nEvents; ++i) {
            const std::uint32_t d = Delta(rng);
            if (rng.OneIn(3)) {
                audio.Volume(d, rng.Byte(4), rng.Byte(128));
            } else {
                audio.NoteByte(d, static_cast<std::uint8_t>(1 + rng.Below(0xFE)), rng.Below(80));
            }
        }
        audio.EndOfSequence(0);
        file.Add(vela::AudioTrack(5).Add(vela::AudioSequence(audio)).Add(vela::WaveData(1, {1, 2, 3, 4})));
    }
    return file.ToBytes();
}

}  // namespace perf
