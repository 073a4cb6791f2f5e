// Structural check of Heron files as Kestrel writes them, written from the
// layout of the format and sharing no code with the converter's writers (nor
// its CRC), so that a writer fault cannot hide itself. kestrel-info --check
// runs it; the tests check every output with it.
//
//     heron::CFileCheck check = heron::CheckFileLayout(bytes, size);
//     if (!check.vecProblems.empty()) ... check.vecProblems[0].strCheck ...
//
// It verifies the file chunk ("MMMD" size = length - 8, trailing CRC), the
// order and nesting of "CNTI", "OPDA" (with "Dch" records and "Pro"),
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

#include "HeronProblem.h"
#include "HeronSequence.h"

namespace heron {

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
    std::size_t nProBody = 0;          // "Pro" body (start and stop points)
};

// The three CRCs of a file: what the file stores and what its bytes give.
struct CCrcValues {
    bool bKnown = false;  // the slot and its range were found
    std::uint16_t nStored = 0;
    std::uint16_t nComputed = 0;
};

struct CFileCheck {
    std::vector<CProblem> vecProblems;
    CLayout layout;
    CCrcValues fileCrc;
    CCrcValues trackCrc;     // A0
    CCrcValues contentsCrc;  // A2
};

// Full check; an empty problem list means the file is well formed.
CFileCheck CheckFileLayout(const std::uint8_t* pFile, std::size_t nSize, bool bStrictData = true);
std::vector<CProblem> CheckFile(const std::uint8_t* pFile, std::size_t nSize, bool bStrictData = true);

}  // namespace heron
