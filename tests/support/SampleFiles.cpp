#include "SampleFiles.h"

#include <string_view>

namespace vela {
namespace {

// Format 0: tempo in setup and sequence, four channels of notes, every control
// kind in long and short form, octave shifts, an overlapping repeated note and
// two voice definitions that the program changes refer to.
Bytes Format0Tempo() {
    CSetupBuilder setup;
    setup.VoiceFormat0(0, 0, 0, Format0VoiceParams(0))
        .VoiceFormat0(1, 0, 5, Format0VoiceParams(1))
        .Tempo(0x0F);
    CSequenceBuilder seq;
    const std::uint32_t nLoopStart = seq.Offset();
    seq.ProgramChange(0, 0, 5).ProgramChange(0, 1, 0).BankSelect(0, 2, 3).Volume(0, 0, 100).Panpot(0, 1, 0x40)
        .Note(0, 0, 2, 1, 96).Note(0, 1, 1, 5, 96).Note(0, 2, 1, 8, 48).Note(0, 3, 0, 12, 200)
        .Note(48, 0, 2, 1, 96)  // repeats the sounding note: merged by the converter
        .Modulation(0, 0, 0x50).ModulationShort(0, 1, 9).PitchBend(0, 2, 0x48).PitchBendShort(0, 3, 5)
        .Expression(0, 0, 0x60).ExpressionShort(0, 1, 12).OctaveShift(0, 2, 0x01)
        .Tempo(48, 0x20).ShortFF(0, 0x01)
        .Note(48, 2, 1, 8, 48).Note(0, 1, 3, 0, 500);
    const std::uint32_t nLoopEnd = seq.Offset();
    seq.OctaveShift(10, 2, 0x81).Note(0, 2, 2, 3, 1200).EndOfSequence(1300);
    CTrackHeader header;
    header.abyChannelStatus[0] = 0xF0;
    header.abyChannelStatus[1] = 0x5A;
    return CVelaFile()
        .Add(ContentsInfo(0x30))
        .Add(ScoreTrack(0, header).Add(Setup(setup)).Add(ScoreSequence(seq)).Add(SeekAndPhrase(nLoopStart, nLoopEnd)))
        .ToBytes();
}

// Format 0 without tempo messages (so no master track) and with notes on all
// four channels using long gate times in the two-byte duration form.
Bytes Format0Plain() {
    CSetupBuilder setup;
    setup.VoiceFormat0(3, 0, 2, Format0VoiceParams(2));
    CSequenceBuilder seq;
    seq.ProgramChange(0, 3, 2);
    for (std::uint8_t i = 0; i < 16; ++i) {
        seq.Note(i == 0 ? 0 : 120, static_cast<std::uint8_t>(i % 4), static_cast<std::uint8_t>(i % 3),
                 static_cast<std::uint8_t>(1 + i % 12), 130 + i * 200u);
    }
    seq.EndOfSequence(3000);
    return CVelaFile().Add(ContentsInfo(0x00)).Add(ScoreTrack(0).Add(Setup(setup)).Add(ScoreSequence(seq))).ToBytes();
}

// Format 1: three score tracks, two- and four-block voice definitions, voice
// assignments, channel tags, and FM register writes whose detune needs a
// wider pitch-bend range on one channel.
Bytes Format1Registers() {
    CSetupBuilder setup;
    setup.VoiceFormat1(0, 0, 1, Format1VoiceParams(1, 0))
        .VoiceFormat1(2, 0, 3, Format1VoiceParams(2, 1))
        .VoiceFormat1(5, 1, 3, Format1VoiceParams(0, 2));
    CSequenceBuilder track1;
    track1.VoiceAssign(0, 0, 0x20).VoiceAssign(0, 1, 0x05)
        .KeyOn(0, 0, 580, 4)              // A, slightly flat
        .RegisterWrite(48, 0xB0, 0x50)    // detune while sounding
        .KeyOff(48, 0)
        .KeyOn(0, 1, 459, 4)
        .KeyOn(24, 2, 580, 4)
        .KeyOn(24, 2, 780, 4)             // ~5 semitones up on a sounding channel
        .KeyOff(48, 1).KeyOff(0, 2)
        .Note(0, 0, 2, 5, 96).EndOfSequence(96);
    CSequenceBuilder track2;
    track2.ProgramChange(0, 1, 3).BankSelect(0, 2, 1).ProgramChange(0, 2, 3)
        .Note(0, 1, 2, 5, 96).Modulation(24, 1, 0x30).ModulationShort(0, 2, 14)
        .Note(24, 2, 1, 1, 48).Expression(0, 1, 0x70).PitchBend(24, 1, 0x50).EndOfSequence(96);
    CSequenceBuilder track4;
    track4.Note(12, 3, 3, 11, 12).Volume(0, 3, 90).Panpot(0, 3, 0x7F).EndOfSequence(200);
    CTrackHeader h1;
    h1.abyChannelStatus[0] = 0xF0;
    h1.abyChannelStatus[1] = 0x5A;
    CTrackHeader h2;
    h2.abyChannelStatus[0] = 0x12;
    h2.abyChannelStatus[1] = 0x34;
    return CVelaFile()
        .Add(ContentsInfo(0x31, std::string_view("L2:\x0D,L2:\x00,", 11)))
        .Add(ScoreTrack(1, h1).Add(Setup(setup)).Add(ScoreSequence(track1)))
        .Add(ScoreTrack(2, h2).Add(ScoreSequence(track2)))
        .Add(ScoreTrack(4).Add(ScoreSequence(track4)))
        .ToBytes();
}

// Format 1 with an audio track: wave chunks 1, 2 and 40 (the last is beyond
// the 32 waves the output holds), audio notes, volumes setting velocities.
Bytes Format1Audio() {
    CSetupBuilder setup;
    setup.VoiceFormat1(0, 0, 0, Format1VoiceParams(0, 3));
    CSequenceBuilder score;
    score.ProgramChange(0, 0, 0).Note(0, 0, 1, 5, 480).EndOfSequence(480);
    CSequenceBuilder audio;
    audio.NoteByte(0, 0x01, 240).Volume(120, 0, 100).NoteByte(0, 0x02, 240)
        .Volume(0, 1, 64).NoteByte(120, 0x41, 240).NoteByte(120, 0x0E, 120).EndOfSequence(240);
    CAudioHeader audioHeader;
    audioHeader.byWaveType = 0x01;  // 8 kHz waves
    Bytes wave1;
    Bytes wave2;
    for (int i = 0; i < 64; ++i) {
        wave1.push_back(static_cast<std::uint8_t>(0x80 + ((i * 37) % 64) - 32));
        wave2.push_back(static_cast<std::uint8_t>(i * 4));
    }
    return CVelaFile()
        .Add(ContentsInfo(0x31))
        .Add(ScoreTrack(1).Add(Setup(setup)).Add(ScoreSequence(score)))
        .Add(AudioTrack(5, audioHeader)
                 .Add(AudioSequence(audio))
                 .Add(SeekAndPhrase(0, 0, true))
                 .Add(WaveData(1, wave1))
                 .Add(WaveData(2, wave2))
                 .Add(WaveData(40, {0x11, 0x22})))
        .ToBytes();
}

}  // namespace

std::vector<CSampleFile> MakeSampleFiles() {
    std::vector<CSampleFile> samples;
    samples.push_back({"format0_tempo.mmf",
                       "format 0: two voice definitions, setup and sequence tempo messages (master track), notes on "
                       "four channels, every control in long and short form, octave shifts, an overlapping repeated "
                       "note, a seek-and-phrase chunk",
                       Format0Tempo()});
    samples.push_back({"format0_plain.mmf",
                       "format 0 without tempo messages: one voice definition, program change, sixteen notes with "
                       "long gate times",
                       Format0Plain()});
    samples.push_back({"format1_registers.mmf",
                       "format 1: tracks 1, 2 and 4, two- and four-block voice definitions, voice assignments, "
                       "channel tags, FM register writes (key on/off, detune, a jump that widens the bend range)",
                       Format1Registers()});
    samples.push_back({"album/format1_audio.mmf",
                       "format 1 with an audio track: wave chunks 1, 2 and 40, audio notes with the bank prelude, "
                       "volumes that set the note velocity",
                       Format1Audio()});
    samples.push_back({"album/large_format1.mmf",
                       "format 1, about 2000 generated events on four tracks including register writes",
                       MakeLargeInput({1, 2000, true, 7})});
    return samples;
}

}  // namespace vela
