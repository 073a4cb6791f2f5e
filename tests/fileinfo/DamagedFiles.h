// Heron outputs damaged one way each, with the check that must name the
// damage. The sizes and CRCs that the damage does not concern are sealed
// again, by this file's own arithmetic and the bit-by-bit CRC, so that only
// the damage itself is left to find.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "HeronCheck.h"
#include "FileInfoInputs.h"
#include "TestRandom.h"

namespace fileinfotest {

inline std::uint32_t ReadBE32(const Bytes& f, std::size_t n) {
    return (std::uint32_t{f[n]} << 24) | (std::uint32_t{f[n + 1]} << 16) | (std::uint32_t{f[n + 2]} << 8) | f[n + 3];
}
inline void WriteBE32(Bytes& f, std::size_t n, std::uint32_t v) {
    f[n] = static_cast<std::uint8_t>(v >> 24);
    f[n + 1] = static_cast<std::uint8_t>(v >> 16);
    f[n + 2] = static_cast<std::uint8_t>(v >> 8);
    f[n + 3] = static_cast<std::uint8_t>(v);
}
inline void WriteCrc(Bytes& f, std::size_t nSlot, std::uint16_t nCrc) {
    f[nSlot] = static_cast<std::uint8_t>(nCrc >> 8);
    f[nSlot + 1] = static_cast<std::uint8_t>(nCrc);
}

// Fixed places of every Kestrel output: A0 slot 57, A2 slot 67 sealing the
// 65 bytes from 8, the score track at 89, a master track right behind it.
constexpr std::size_t kA0Slot = 57;
constexpr std::size_t kA2Slot = 67;
constexpr std::size_t kTrackChunk = 89;

inline void SealFileCrc(Bytes& f) { WriteCrc(f, f.size() - 2, BitwiseCrc16(f.data(), f.size() - 2)); }

inline void SealAll(Bytes& f) {
    WriteBE32(f, 4, static_cast<std::uint32_t>(f.size() - 8));
    const std::uint32_t nTrack = ReadBE32(f, kTrackChunk + 4);
    const std::size_t nMaster = kTrackChunk + 8 + nTrack;
    std::uint32_t nRange = nTrack;
    if (nMaster + 8 <= f.size() - 2 && f[nMaster] == 'M' && f[nMaster + 1] == 'S') {
        nRange += ReadBE32(f, nMaster + 4);
    }
    WriteCrc(f, kA0Slot, BitwiseCrc16(f.data() + kTrackChunk, nRange));
    WriteCrc(f, kA2Slot, 0);
    WriteCrc(f, kA2Slot, BitwiseCrc16(f.data() + 8, 65));
    SealFileCrc(f);
}

struct CDamaged {
    std::string strName;
    Bytes file;
    const char* pszCheck;  // the check that must name it
};

inline std::vector<CDamaged> DamagedHeronFiles() {
    const Bytes good = SmallHeron();
    const heron::CLayout layout = heron::CheckFileLayout(good.data(), good.size()).layout;
    const heron::CSequenceWalk walk =
        heron::WalkSequence(good.data() + layout.nSequenceBody, layout.nSequenceSize);
    std::size_t nLastNote = 0;
    std::size_t nFirstNote = 0;
    for (const auto& ev : walk.vecEvents) {
        if ((ev.byStatus & 0xF0) == 0x10) {
            nLastNote = layout.nSequenceBody + ev.nOffset;
            nFirstNote = nFirstNote == 0 ? nLastNote : nFirstNote;
        }
    }
    std::vector<CDamaged> cases;

    Bytes fileSize = good;  // the file's size field, CRC sealed again
    WriteBE32(fileSize, 4, ReadBE32(fileSize, 4) + 1);
    SealFileCrc(fileSize);
    cases.push_back({"file-size-field", fileSize, heron::kCheckFileSize});

    Bytes sequenceSize = good;  // the Mtsq size field one short
    WriteBE32(sequenceSize, layout.nSequenceBody - 4, layout.nSequenceSize - 1);
    SealAll(sequenceSize);
    cases.push_back({"sequence-size-field", sequenceSize, heron::kCheckChunkSize});

    Bytes fileCrc = good;
    fileCrc.back() ^= 0x01;
    cases.push_back({"file-crc", fileCrc, heron::kCheckFileCrc});

    Bytes trackCrc = good;
    trackCrc[kA0Slot] ^= 0x01;
    SealFileCrc(trackCrc);
    cases.push_back({"track-crc", trackCrc, heron::kCheckTrackCrc});

    Bytes contentsCrc = good;
    contentsCrc[kA2Slot + 1] ^= 0x01;
    SealFileCrc(contentsCrc);
    cases.push_back({"contents-crc", contentsCrc, heron::kCheckContentsCrc});

    // The last note cut after its delta, status and key, and the rest of the
    // sequence with it; every size and CRC made to fit.
    Bytes truncated = good;
    const std::size_t nCut = nLastNote + 3;
    const std::size_t nRemoved = layout.nSequenceBody + layout.nSequenceSize - nCut;
    truncated.erase(truncated.begin() + static_cast<std::ptrdiff_t>(nCut),
                    truncated.begin() + static_cast<std::ptrdiff_t>(nCut + nRemoved));
    WriteBE32(truncated, layout.nSequenceBody - 4, static_cast<std::uint32_t>(layout.nSequenceSize - nRemoved));
    WriteBE32(truncated, kTrackChunk + 4, static_cast<std::uint32_t>(layout.nTrackBody - nRemoved));
    SealAll(truncated);
    cases.push_back({"truncated-event", truncated, heron::kCheckEvent});

    Bytes dataByte = good;  // the first note's velocity
    dataByte[nFirstNote + 3] = 0xFF;
    SealAll(dataByte);
    cases.push_back({"data-byte", dataByte, heron::kCheckDataByte});
    return cases;
}

}  // namespace fileinfotest
