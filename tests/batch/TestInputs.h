// Input files for the batch tests: a small valid source file (one note), one
// the converter rejects and one it fails to convert, plus what the engine
// makes of them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ByteBuffer.h"
#include "CnvLarkWrentoHeron.h"
#include "RejectText.h"
#include "VelaBuilder.h"

namespace testinput {

inline std::vector<std::uint8_t> ValidSong(std::uint8_t byNote = 5) {
    vela::CSequenceBuilder sequence;
    sequence.Note(0, 0, 2, byNote, 48).EndOfSequence(48);
    vela::CSetupBuilder setup;
    setup.VoiceFormat0(1, 0, 5, vela::Format0VoiceParams());
    return vela::CVelaFile()
        .Add(vela::ContentsInfo(0x00))
        .Add(vela::ScoreTrack(0).Add(vela::Setup(setup)).Add(vela::ScoreSequence(sequence)))
        .ToBytes();
}

// Passes nothing: its CRC is wrong.
inline std::vector<std::uint8_t> InvalidSong() {
    std::vector<std::uint8_t> bytes = ValidSong();
    bytes.back() ^= 0xFF;
    return bytes;
}

// Valid, but its note starts later than a Heron time can say: the
// conversion fails ("NG: Convert error.").
inline std::vector<std::uint8_t> OverflowingSong() {
    vela::CSequenceBuilder sequence;
    for (int i = 0; i < 16300; ++i) {
        sequence.ShortFF(vela::kMaxShortDuration, 0x10);  // ignored, but its time counts
    }
    sequence.Note(0, 0, 1, 1, 1).EndOfSequence(0);
    return vela::CVelaFile()
        .Add(vela::ContentsInfo(0x00))
        .Add(vela::ScoreTrack(0).Add(vela::ScoreSequence(sequence)))
        .ToBytes();
}

// The words for why the engine rejects or fails an input.
inline std::string RejectionOf(const std::vector<std::uint8_t>& input) {
    CCnvLarkWrentoHeron converter;
    ByteBuffer output;
    converter.Convert(input.data(), static_cast<std::int32_t>(input.size()), output);
    return fileinfo::DescribeRejection(converter.m_rejection);
}

// The output the engine produces for an input.
inline std::vector<std::uint8_t> Converted(const std::vector<std::uint8_t>& input) {
    CCnvLarkWrentoHeron converter;
    ByteBuffer output;
    const int nResult = converter.Convert(input.data(), static_cast<std::int32_t>(input.size()), output);
    return nResult == 1 ? output.Bytes() : std::vector<std::uint8_t>{};
}

}  // namespace testinput
