// Independent structural checker of Heron *output* files, written from the
// published layout of the format and sharing no code with the converter's
// writers, so that a writer fault cannot hide itself.
//
//     std::vector<std::string> problems = heron::CheckFile(output.Data(), output.Size());
//     EXPECT_TRUE(problems.empty()) << heron::JoinProblems(problems);
//
// CheckFile verifies the file chunk ("MMMD" size = length - 8, trailing CRC),
// the order and nesting of "CNTI", "OPDA" (with "Dch" records and "Pro"),
// "MTR" + 0x07 (header, "Mtsu" exclusives, "Mtsq" events, optional "Mtsp"
// with "Mwa" + n) and the optional "MSTR" (with "Mssq"), and the two CRC
// slots of "Dch": "A0" seals the bytes from the "MTR" chunk's first byte
// spanning (track body size + master body size); "A2" seals the bytes from
// offset 8 spanning (contents body size + optional-data body size), computed
// while its own slot still held 00 00.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace heron {

// One decoded sequence event: its delta time, status byte and the bytes that
// follow the status (for 0xFF events the type byte and the data; for 0xF0
// exclusives the length byte, payload and F7).
struct CSequenceEvent {
    std::uint32_t nDelta = 0;
    std::uint8_t byStatus = 0;
    std::vector<std::uint8_t> vecData;
    std::uint32_t nTime = 0;  // running sum of the deltas
};

struct CSequenceWalk {
    std::vector<CSequenceEvent> vecEvents;
    std::vector<std::string> vecProblems;
};

// Walks a "Mtsq" (or "Mssq") body: every event must have a delta time of at
// most four bytes, a status from the known set (1x/9x note with key, velocity,
// gate; 3x/Bx control; 4x/Cx program; 6x bend; F0 exclusive ending F7; FF 2F
// 00, FF 51 03 tttttt, FF x with x < 0x10), 7-bit data bytes, and the body
// must end with the end-of-sequence event FF 2F 00 and nothing after it.
// Audio-channel statuses (9x, Bx, Cx) must name channels 0 to 3.
// bStrictData: also require every fixed data byte to be below 0x80 (the
// converter limits source values it copies to 7 bits).
CSequenceWalk WalkSequence(const std::uint8_t* pBody, std::size_t nSize, bool bStrictData = true);

// Where the parts of a well-formed file lie (file offsets; 0 when absent).
struct CLayout {
    std::size_t nTrackChunk = 0;    // offset of "MTR" + 0x07
    std::uint32_t nTrackBody = 0;   // its size field
    std::size_t nSetupBody = 0;     // "Mtsu" body offset and size
    std::uint32_t nSetupSize = 0;
    std::size_t nSequenceBody = 0;  // "Mtsq" body offset and size
    std::uint32_t nSequenceSize = 0;
    std::size_t nWaveBody = 0;      // "Mtsp" body offset and size
    std::uint32_t nWaveSize = 0;
    bool bHasWaveChunk = false;
    std::size_t nMasterChunk = 0;   // offset of "MSTR"
    std::uint32_t nMasterBody = 0;
    std::size_t nMasterSequenceBody = 0;
    std::uint32_t nMasterSequenceSize = 0;
    bool bHasMasterTrack = false;
    std::size_t nTrackCrcSlot = 0;     // "A0" slot
    std::size_t nContentsCrcSlot = 0;  // "A2" slot
};

struct CFileCheck {
    std::vector<std::string> vecProblems;
    CLayout layout;
};

// Full check; an empty problem list means the file is well-formed.
CFileCheck CheckFileLayout(const std::uint8_t* pFile, std::size_t nSize, bool bStrictData = true);
std::vector<std::string> CheckFile(const std::uint8_t* pFile, std::size_t nSize, bool bStrictData = true);

// Problems one per line, for test failure messages.
std::string JoinProblems(const std::vector<std::string>& problems);

}  // namespace heron
