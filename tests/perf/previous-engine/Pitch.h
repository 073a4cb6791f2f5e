// Key and frequency arithmetic shared by the event translation, the
// bend-range pre-pass and the note overlap merge. Real arithmetic is IEEE
// double; real-to-integer conversions truncate toward zero.
#pragma once

#include <cmath>
#include <cstdint>

namespace previous_engine {

namespace pitch {

inline double Log2(double x) { return std::log(x) / std::log(2.0); }

// Frequency of an FM channel in Hz: 2^(block - 20) * 49700 * F-number.
inline double FmFrequency(std::uint8_t byBlock, std::uint16_t nFnum) {
    return std::pow(2.0, static_cast<double>(byBlock) - 20.0) * 49700.0 * nFnum;
}

// Fractional key number of a frequency (69 = 440 Hz).
inline double KeyOf(double dFrequency) { return 12.0 * Log2(dFrequency / 440.0) + 69.0; }

// Nearest equal-tempered key. Frequencies below key 0 (F-number 0 included,
// whose key is minus infinity) take key 0 rather than wrapping around.
inline std::uint8_t NearestKey(double dKey) {
    const double dRounded = dKey + 0.5;
    if (!(dRounded >= 0.0)) {
        return 0;
    }
    return dRounded >= 255.0 ? 255 : static_cast<std::uint8_t>(dRounded);
}

inline double KeyFrequency(std::uint8_t byKey) { return 440.0 * std::pow(2.0, (byKey - 69) / 12.0); }

// Bend value of x = 8192 + scale * semitones, truncated and limited to the
// 14-bit range. Limiting in double first gives the same result for finite
// values and keeps infinities out of the integer conversion.
inline std::uint16_t BendValue(double dValue) {
    if (!(dValue > 0.0)) {
        return 0;
    }
    if (dValue >= 16383.0) {
        return 16383;
    }
    return static_cast<std::uint16_t>(dValue);
}

// Key of a score note byte: octave field (bits 5-4), note field (bits 3-0)
// and the channel's octave shift. Keys below 0 are written as 0, keys above
// 127 as 127.
inline std::uint8_t ScoreNoteKey(std::uint8_t byNote, int nOctaveShift) {
    const int nKey = (((byNote >> 4) & 3) + nOctaveShift + 3) * 12 + (byNote & 0x0F);
    if (nKey < 0) {
        return 0;
    }
    return nKey >= 127 ? 127 : static_cast<std::uint8_t>(nKey);
}

// Key of an audio-track note byte: value 1..13 gives keys 0..12, higher
// values keys 92 and up; value 0 wraps to 255 and is written as 127.
inline std::uint8_t AudioNoteKey(std::uint8_t byNote) {
    const std::uint8_t k = byNote & 0x3F;
    const std::uint8_t byKey = static_cast<std::uint8_t>(k <= 13 ? k - 1 : k + 78);
    return byKey >= 127 ? 127 : byKey;
}

// Octave shift value of an octave-shift event: v when bit 7 is clear,
// -(v & 7) when it is set.
inline std::int8_t OctaveShiftValue(std::uint8_t v) {
    return (v & 0x80) ? static_cast<std::int8_t>(-(v & 7)) : static_cast<std::int8_t>(v);
}

}  // namespace pitch

}  // namespace previous_engine
