// Input files for the batch tests: a small valid source file (one note) and
// one the converter rejects, plus what the engine makes of the valid one.
#pragma once

#include <cstdint>
#include <vector>

#include "ByteBuffer.h"
#include "CnvLarkWrentoHeron.h"
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

// The output the engine produces for an input.
inline std::vector<std::uint8_t> Converted(const std::vector<std::uint8_t>& input) {
    CCnvLarkWrentoHeron converter;
    ByteBuffer output;
    const int nResult = converter.Convert(input.data(), static_cast<std::int32_t>(input.size()), output);
    return nResult == 1 ? output.Bytes() : std::vector<std::uint8_t>{};
}

}  // namespace testinput
