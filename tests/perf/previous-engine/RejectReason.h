// Why Convert returned 0 or a negative result: a code plus the numbers that
// locate the fault. The engine records it and produces no text; the front
// ends turn it into words.
#pragma once

#include <cstdint>

namespace previous_engine {

enum class ERejectCode : std::uint8_t {
    None = 0,
    NoInput,           // no input bytes were given
    TooShort,          // nLength below the 18 bytes of a file head
    NotVela,           // nValue: the first four bytes (big-endian), not "MMMD"
    SizeField,         // nValue: the size field F; nExpected: nLength - 8
    ContentType,       // nValue: the content-type byte at offset 17
    CrcMismatch,       // nValue: the stored CRC; nExpected: the computed one
    ChunkHeadPastEnd,  // a chunk head at nOffset is cut off by the end (nLength)
    ChunkPastEnd,      // chunk abyId at nOffset with body size nSize reaches past nLength
    TrackHeaderPastEnd,  // track chunk abyId at nOffset (size nSize) ends before its 6-byte header
    EventPastEnd,      // an event of track byTrack at nOffset reaches past nLength
    SetupMessage,      // the setup message at nOffset breaks rule byDetail (ESetupRule); nValue: what was found
    TimeOverflow,      // time value nValue does not fit 28 bits; place byDetail (ETimePlace), nTick, byTrack
    OutOfMemory,       // memory ran out while converting
};

// Which rule a setup message breaks, in the order they are checked.
enum class ESetupRule : std::uint8_t {
    None = 0,
    NotExclusive,   // does not begin FF F0 (nValue: its first two bytes)
    LengthBelow3,   // length byte L below 3 (nValue: L)
    PastEnd,        // its L bytes reach past the end of the input (nValue: L)
    Not43,          // first byte after L is not 43 (nValue: that byte)
    Not02Or03,      // second byte after L is neither 02 nor 03 (nValue: that byte)
    NoF7,           // the byte where its length ends is not F7 (nValue: that byte)
};

// Where a time value that does not fit the variable-length quantity stood.
enum class ETimePlace : std::uint8_t {
    None = 0,
    Delta,        // the delta time before a score-track event
    Gate,         // the gate time of a note
    MasterDelta,  // the delta time before a master-track tempo event
};

struct CRejectReason {
    ERejectCode eCode = ERejectCode::None;
    std::uint8_t byDetail = 0;  // ESetupRule or ETimePlace value
    std::uint8_t byTrack = 0;
    std::uint8_t abyId[4] = {};
    std::uint64_t nOffset = 0;  // input offset
    std::uint64_t nSize = 0;    // chunk body size
    std::uint64_t nValue = 0;
    std::uint64_t nExpected = 0;
    std::uint64_t nLength = 0;  // input length
    std::uint32_t nTick = 0;    // absolute tick of a timed event
};

}  // namespace previous_engine
