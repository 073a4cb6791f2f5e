// The output channel of an analysed event, for readers that show the events
// as the converter places them. The translation applies the same rule in
// place (TranslateEvent); a test holds the two together.
#pragma once

#include <cstdint>

#include "CnvLarkWrentoHeron.h"

namespace previous_engine {

// Notes and 00-prefixed controls carry a 2-bit source channel; register
// writes and voice assignments name their FM channels themselves.
inline bool HasSourceChannel(std::uint8_t byKind) {
    switch (byKind) {
        case kKindNote: case kKindBankSelect: case kKindProgramChange: case kKindPitchBend: case kKindPanpot:
        case kKindVolume: case kKindModulation: case kKindExpression: case kKindOctaveShift:
            return true;
        default:
            return false;
    }
}

// Output channel of a note or 00-prefixed control: the source channel, plus
// 4 x (track - 1) for the score tracks of format 1. 0 for every other kind.
// Controls of a format-1 audio track would land on channels 16-19; the
// translation leaves them out.
inline std::uint8_t OutputChannel(const EventRecord& record, std::uint8_t byFormat) {
    if (!HasSourceChannel(record.kind)) {
        return 0;
    }
    const std::uint8_t bySource = (record.kind == kKindNote ? record.data[0] : record.data[1]) >> 6;
    if (byFormat == 1 && record.track != 5) {
        return static_cast<std::uint8_t>(bySource + 4 * (record.track - 1));
    }
    return bySource;
}

}  // namespace previous_engine
