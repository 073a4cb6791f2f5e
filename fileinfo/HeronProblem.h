// One failed check of a Heron file: the name of the check (stable, for
// scripts and tests) and what was found.
#pragma once

#include <string>
#include <vector>

namespace heron {

// Names of the checks, as reported.
inline constexpr const char* kCheckFileSize = "file-size";            // MMMD size field, file too short
inline constexpr const char* kCheckFileId = "file-id";                // not "MMMD"
inline constexpr const char* kCheckFileCrc = "file-crc";              // the last two bytes
inline constexpr const char* kCheckChunkSize = "chunk-size";          // a size field reaching past its parent, stray bytes
inline constexpr const char* kCheckChunkOrder = "chunk-order";        // a chunk missing, unexpected or out of place
inline constexpr const char* kCheckContents = "contents";             // CNTI
inline constexpr const char* kCheckOptionalData = "optional-data";    // OPDA, Dch records, Pro
inline constexpr const char* kCheckTrackHeader = "track-header";      // MTR+07 and MSTR headers
inline constexpr const char* kCheckSetup = "setup";                   // Mtsu exclusives
inline constexpr const char* kCheckTrackCrc = "track-crc";            // the A0 slot
inline constexpr const char* kCheckContentsCrc = "contents-crc";      // the A2 slot
inline constexpr const char* kCheckEvent = "event";                   // a malformed or cut sequence event
inline constexpr const char* kCheckDataByte = "data-byte";            // a data byte of 0x80 or more
inline constexpr const char* kCheckEndOfSequence = "end-of-sequence"; // no FF 2F 00 at the end, or bytes after it
inline constexpr const char* kCheckWave = "wave";                     // Mwa chunks
inline constexpr const char* kCheckMaster = "master";                 // MSTR content

struct CProblem {
    std::string strCheck;
    std::string strDetail;
};

// "check: detail", one per line.
std::string JoinProblems(const std::vector<CProblem>& problems);

}  // namespace heron
