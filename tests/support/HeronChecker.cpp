#include "HeronChecker.h"

#include <cstring>
#include <sstream>

#include "TestRandom.h"

namespace heron {
namespace {

// The checker computes the CRC itself, bit by bit, rather than trusting the
// engine's.
std::uint16_t Crc(const std::uint8_t* p, std::size_t n) { return BitwiseCrc16(p, n); }

std::uint32_t BE32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}
std::uint16_t BE16(const std::uint8_t* p) { return static_cast<std::uint16_t>((p[0] << 8) | p[1]); }

std::string Hex(std::size_t n) {
    std::ostringstream s;
    s << "0x" << std::hex << n;
    return s.str();
}

std::string IdText(const std::uint8_t* p) {
    std::string s;
    for (int i = 0; i < 4; ++i) {
        if (p[i] >= 0x20 && p[i] < 0x7F) {
            s += static_cast<char>(p[i]);
        } else {
            s += "\\x" + Hex(p[i]).substr(2);
        }
    }
    return s;
}

bool IdIs(const std::uint8_t* p, const char* id) { return std::memcmp(p, id, 4) == 0; }

struct CChunkRef {
    std::size_t nOffset;  // of the ID
    std::uint32_t nSize;  // body size
    std::size_t Body() const { return nOffset + 8; }
    std::size_t End() const { return nOffset + 8 + nSize; }
};

// Splits [nBegin, nEnd) into chunks that must tile it exactly.
std::vector<CChunkRef> SplitChunks(const std::uint8_t* f, std::size_t nBegin, std::size_t nEnd,
                                   const std::string& strWhere, std::vector<std::string>& problems) {
    std::vector<CChunkRef> chunks;
    std::size_t p = nBegin;
    while (p < nEnd) {
        if (nEnd - p < 8) {
            problems.push_back(strWhere + ": " + std::to_string(nEnd - p) + " stray bytes at " + Hex(p));
            break;
        }
        const std::uint32_t nSize = BE32(f + p + 4);
        if (nSize > nEnd - p - 8) {
            problems.push_back(strWhere + ": chunk " + IdText(f + p) + " at " + Hex(p) + " has size " +
                               std::to_string(nSize) + " reaching beyond its parent");
            break;
        }
        chunks.push_back({p, nSize});
        p += 8 + nSize;
    }
    return chunks;
}

void Expect(bool bOk, std::vector<std::string>& problems, const std::string& what) {
    if (!bOk) {
        problems.push_back(what);
    }
}

bool ReadVarLen(const std::uint8_t* p, std::size_t nSize, std::size_t& pos, std::uint32_t& value) {
    value = 0;
    for (int i = 0; i < 4; ++i) {
        if (pos >= nSize) {
            return false;
        }
        const std::uint8_t by = p[pos++];
        value = (value << 7) | (by & 0x7F);
        if ((by & 0x80) == 0) {
            return true;
        }
    }
    return false;
}

// Setup body: exclusive messages F0 L ... F7 back to back, no delta times.
void CheckSetup(const std::uint8_t* p, std::size_t nSize, std::vector<std::string>& problems) {
    std::size_t pos = 0;
    while (pos < nSize) {
        if (p[pos] != 0xF0 || pos + 1 >= nSize) {
            problems.push_back("Mtsu: no exclusive message at body offset " + Hex(pos));
            return;
        }
        const std::size_t nLen = p[pos + 1];
        if (pos + 2 + nLen > nSize || nLen == 0 || p[pos + 1 + nLen] != 0xF7) {
            problems.push_back("Mtsu: exclusive message at body offset " + Hex(pos) + " is not closed by F7");
            return;
        }
        pos += 2 + nLen;
    }
}

void CheckDataBytes(const std::uint8_t* p, std::size_t n, std::size_t pos, std::vector<std::string>& problems) {
    for (std::size_t i = 0; i < n; ++i) {
        if (p[i] & 0x80) {
            problems.push_back("sequence: data byte with bit 7 set at body offset " + Hex(pos + i));
            return;
        }
    }
}

void CheckOptionalData(const std::uint8_t* f, const CChunkRef& opda, CFileCheck& check) {
    auto& problems = check.vecProblems;
    const auto subs = SplitChunks(f, opda.Body(), opda.End(), "OPDA", problems);
    Expect(subs.size() == 2, problems, "OPDA: expected the two sub-chunks Dch and Pro, found " + std::to_string(subs.size()));
    bool bSawA0 = false;
    bool bSawA2 = false;
    for (const auto& sub : subs) {
        if (IdIs(f + sub.nOffset, "Dch\xFF")) {
            std::size_t p = sub.Body();
            while (p < sub.End()) {
                if (sub.End() - p < 4) {
                    problems.push_back("Dch: truncated record at " + Hex(p));
                    break;
                }
                const std::uint16_t nLen = BE16(f + p + 2);
                if (p + 4 + nLen > sub.End()) {
                    problems.push_back("Dch: record at " + Hex(p) + " reaches beyond the chunk");
                    break;
                }
                if (f[p] == 'A' && (f[p + 1] == '0' || f[p + 1] == '2')) {
                    if (nLen != 6 || std::memcmp(f + p + 4, "ZQ10", 4) != 0) {
                        problems.push_back("Dch: CRC record at " + Hex(p) + " is not ZQ10 plus a 2-byte slot");
                    } else if (f[p + 1] == '0') {
                        check.layout.nTrackCrcSlot = p + 8;
                        bSawA0 = true;
                    } else {
                        check.layout.nContentsCrcSlot = p + 8;
                        bSawA2 = true;
                    }
                }
                p += 4 + nLen;
            }
        } else if (IdIs(f + sub.nOffset, "Pro\x05")) {
            Expect(sub.nSize == 12, problems, "Pro: body size " + std::to_string(sub.nSize) + " instead of 12");
        } else {
            problems.push_back("OPDA: unexpected sub-chunk " + IdText(f + sub.nOffset));
        }
    }
    Expect(bSawA0, problems, "Dch: no A0 record");
    Expect(bSawA2, problems, "Dch: no A2 record");
}

void CheckTrack(const std::uint8_t* f, const CChunkRef& mtr, bool bStrictData, CFileCheck& check) {
    auto& problems = check.vecProblems;
    auto& layout = check.layout;
    layout.nTrackChunk = mtr.nOffset;
    layout.nTrackBody = mtr.nSize;
    if (mtr.nSize < 36) {
        problems.push_back("MTR: body shorter than its 36-byte header");
        return;
    }
    const std::uint8_t* h = f + mtr.Body();
    Expect(h[0] == 0x03 && h[1] == 0x00, problems, "MTR: header does not start 03 00");
    const auto subs = SplitChunks(f, mtr.Body() + 36, mtr.End(), "MTR", problems);
    const char* const apszOrder[] = {"Mtsu", "Mtsq", "Mtsp"};
    if (subs.size() < 2 || subs.size() > 3) {
        problems.push_back("MTR: expected Mtsu, Mtsq and optionally Mtsp, found " + std::to_string(subs.size()) +
                           " sub-chunks");
    }
    for (std::size_t i = 0; i < subs.size() && i < 3; ++i) {
        const auto& sub = subs[i];
        if (!IdIs(f + sub.nOffset, apszOrder[i])) {
            problems.push_back(std::string("MTR: sub-chunk ") + std::to_string(i) + " is " + IdText(f + sub.nOffset) +
                               ", expected " + apszOrder[i]);
            continue;
        }
        if (i == 0) {
            layout.nSetupBody = sub.Body();
            layout.nSetupSize = sub.nSize;
            CheckSetup(f + sub.Body(), sub.nSize, problems);
        } else if (i == 1) {
            layout.nSequenceBody = sub.Body();
            layout.nSequenceSize = sub.nSize;
            for (auto& problem : WalkSequence(f + sub.Body(), sub.nSize, bStrictData).vecProblems) {
                problems.push_back("Mtsq: " + problem);
            }
        } else {
            layout.bHasWaveChunk = true;
            layout.nWaveBody = sub.Body();
            layout.nWaveSize = sub.nSize;
            for (const auto& wave : SplitChunks(f, sub.Body(), sub.End(), "Mtsp", problems)) {
                const std::uint8_t* w = f + wave.nOffset;
                if (w[0] != 'M' || w[1] != 'w' || w[2] != 'a' || w[3] < 1 || w[3] > 32) {
                    problems.push_back("Mtsp: unexpected wave chunk " + IdText(w));
                } else if (wave.nSize < 3 || w[8] != 0x20) {
                    problems.push_back("Mtsp: wave chunk " + IdText(w) + " lacks its 3-byte head");
                }
            }
        }
    }
}

void CheckMaster(const std::uint8_t* f, const CChunkRef& mstr, CFileCheck& check) {
    auto& problems = check.vecProblems;
    check.layout.bHasMasterTrack = true;
    check.layout.nMasterChunk = mstr.nOffset;
    check.layout.nMasterBody = mstr.nSize;
    if (mstr.nSize < 4) {
        problems.push_back("MSTR: body shorter than its 4-byte header");
        return;
    }
    const auto subs = SplitChunks(f, mstr.Body() + 4, mstr.End(), "MSTR", problems);
    if (subs.size() != 1 || !IdIs(f + subs[0].nOffset, "Mssq")) {
        problems.push_back("MSTR: expected exactly one Mssq sub-chunk");
        return;
    }
    check.layout.nMasterSequenceBody = subs[0].Body();
    check.layout.nMasterSequenceSize = subs[0].nSize;
    const auto walk = WalkSequence(f + subs[0].Body(), subs[0].nSize);
    for (const auto& problem : walk.vecProblems) {
        problems.push_back("Mssq: " + problem);
    }
    for (const auto& ev : walk.vecEvents) {
        if (!(ev.byStatus == 0xFF && !ev.vecData.empty() && (ev.vecData[0] == 0x51 || ev.vecData[0] == 0x2F))) {
            problems.push_back("Mssq: event other than set-tempo or end of sequence");
            break;
        }
    }
}

void CheckCrcSlots(const std::uint8_t* f, std::size_t nSize, std::uint32_t nContentsBody, std::uint32_t nOptionBody,
                   CFileCheck& check) {
    auto& layout = check.layout;
    auto& problems = check.vecProblems;
    if (layout.nTrackCrcSlot == 0 || layout.nContentsCrcSlot == 0 || layout.nTrackChunk == 0) {
        return;
    }
    const std::size_t nTrackRange = std::size_t{layout.nTrackBody} + (layout.bHasMasterTrack ? layout.nMasterBody : 0);
    if (layout.nTrackChunk + nTrackRange > nSize - 2) {
        problems.push_back("A0: sealed range reaches beyond the file");
    } else if (BE16(f + layout.nTrackCrcSlot) != Crc(f + layout.nTrackChunk, nTrackRange)) {
        problems.push_back("A0: slot does not hold the CRC of the track range");
    }
    // The contents CRC was computed while its own slot still held 00 00.
    const std::size_t nContentsRange = std::size_t{nContentsBody} + nOptionBody;
    if (8 + nContentsRange > nSize - 2) {
        problems.push_back("A2: sealed range reaches beyond the file");
        return;
    }
    std::vector<std::uint8_t> range(f + 8, f + 8 + nContentsRange);
    if (layout.nContentsCrcSlot + 2 <= 8 + nContentsRange) {
        range[layout.nContentsCrcSlot - 8] = 0;
        range[layout.nContentsCrcSlot - 7] = 0;
    }
    if (BE16(f + layout.nContentsCrcSlot) != Crc(range.data(), range.size())) {
        problems.push_back("A2: slot does not hold the CRC of the contents range");
    }
}

}  // namespace

CSequenceWalk WalkSequence(const std::uint8_t* p, std::size_t nSize, bool bStrictData) {
    CSequenceWalk walk;
    auto& problems = walk.vecProblems;
    std::size_t pos = 0;
    std::uint32_t nTime = 0;
    bool bEnded = false;
    while (pos < nSize) {
        if (bEnded) {
            problems.push_back("bytes after the end-of-sequence event at body offset " + Hex(pos));
            return walk;
        }
        const std::size_t nEventStart = pos;
        CSequenceEvent ev;
        if (!ReadVarLen(p, nSize, pos, ev.nDelta)) {
            problems.push_back("bad delta time at body offset " + Hex(nEventStart));
            return walk;
        }
        if (pos >= nSize) {
            problems.push_back("delta time without an event at body offset " + Hex(nEventStart));
            return walk;
        }
        const std::size_t nStatusPos = pos;
        ev.byStatus = p[pos++];
        const std::uint8_t byType = ev.byStatus >> 4;
        const std::uint8_t byChannel = ev.byStatus & 0x0F;
        std::size_t nData = 0;  // fixed data byte count, 7-bit each
        bool bGate = false;
        switch (byType) {
            case 0x1: case 0x9: nData = 2; bGate = true; break;
            case 0x3: case 0xB: nData = 2; break;
            case 0x4: case 0xC: nData = 1; break;
            case 0x6: nData = 2; break;
            default: break;
        }
        if ((byType == 0x9 || byType == 0xB || byType == 0xC) && byChannel > 3) {
            problems.push_back("audio-channel status " + Hex(ev.byStatus) + " names channel above 3");
        }
        if (ev.byStatus == 0xF0) {
            std::uint32_t nLen = 0;
            if (!ReadVarLen(p, nSize, pos, nLen) || nLen == 0 || nLen > nSize - pos || p[pos + nLen - 1] != 0xF7) {
                problems.push_back("exclusive message at body offset " + Hex(nEventStart) + " is not closed by F7");
                return walk;
            }
            pos += nLen;
        } else if (ev.byStatus == 0xFF) {
            if (pos >= nSize) {
                problems.push_back("FF event without its type byte at body offset " + Hex(nEventStart));
                return walk;
            }
            const std::uint8_t byMeta = p[pos];
            if (byMeta == 0x2F) {
                if (pos + 2 > nSize || p[pos + 1] != 0x00) {
                    problems.push_back("malformed end-of-sequence event at body offset " + Hex(nEventStart));
                    return walk;
                }
                pos += 2;
                bEnded = true;
            } else if (byMeta == 0x51) {
                if (pos + 5 > nSize || p[pos + 1] != 0x03) {
                    problems.push_back("malformed set-tempo event at body offset " + Hex(nEventStart));
                    return walk;
                }
                pos += 5;
            } else if (byMeta < 0x10) {
                pos += 1;
            } else {
                problems.push_back("unknown FF event " + Hex(byMeta) + " at body offset " + Hex(nEventStart));
                return walk;
            }
        } else if (nData != 0) {
            if (pos + nData > nSize) {
                problems.push_back("event " + Hex(ev.byStatus) + " cut short at body offset " + Hex(nEventStart));
                return walk;
            }
            if (bStrictData) {
                CheckDataBytes(p + pos, nData, pos, problems);
            }
            pos += nData;
            if (bGate) {
                std::uint32_t nGate = 0;
                if (!ReadVarLen(p, nSize, pos, nGate)) {
                    problems.push_back("bad gate time at body offset " + Hex(nEventStart));
                    return walk;
                }
            }
        } else {
            problems.push_back("unknown status " + Hex(ev.byStatus) + " at body offset " + Hex(nEventStart));
            return walk;
        }
        ev.vecData.assign(p + nStatusPos + 1, p + pos);
        nTime += ev.nDelta;
        ev.nTime = nTime;
        walk.vecEvents.push_back(std::move(ev));
    }
    if (!bEnded) {
        problems.push_back("sequence does not end with FF 2F 00");
    }
    return walk;
}

CFileCheck CheckFileLayout(const std::uint8_t* f, std::size_t nSize, bool bStrictData) {
    CFileCheck check;
    auto& problems = check.vecProblems;
    if (f == nullptr || nSize < 10) {
        problems.push_back("file shorter than 10 bytes");
        return check;
    }
    Expect(IdIs(f, "MMMD"), problems, "file does not start with MMMD");
    Expect(BE32(f + 4) == nSize - 8, problems,
           "MMMD size field " + std::to_string(BE32(f + 4)) + " is not the file length - 8 (" + std::to_string(nSize - 8) + ")");
    Expect(BE16(f + nSize - 2) == Crc(f, nSize - 2), problems, "last two bytes are not the CRC of the rest");

    const auto chunks = SplitChunks(f, 8, nSize - 2, "MMMD", problems);
    const char* const apszOrder[] = {"CNTI", "OPDA", "MTR\x07", "MSTR"};
    if (chunks.size() < 3 || chunks.size() > 4) {
        problems.push_back("expected CNTI, OPDA, MTR+07 and optionally MSTR at top level, found " +
                           std::to_string(chunks.size()) + " chunks");
    }
    std::uint32_t nContentsBody = 0;
    std::uint32_t nOptionBody = 0;
    for (std::size_t i = 0; i < chunks.size() && i < 4; ++i) {
        const auto& c = chunks[i];
        if (!IdIs(f + c.nOffset, apszOrder[i])) {
            problems.push_back("top-level chunk " + std::to_string(i) + " is " + IdText(f + c.nOffset) + ", expected " +
                               IdText(reinterpret_cast<const std::uint8_t*>(apszOrder[i])));
            continue;
        }
        switch (i) {
            case 0:
                nContentsBody = c.nSize;
                Expect(c.nSize == 5, problems, "CNTI: body size " + std::to_string(c.nSize) + " instead of 5");
                break;
            case 1:
                nOptionBody = c.nSize;
                Expect(c.nSize == 60, problems, "OPDA: body size " + std::to_string(c.nSize) + " instead of 60");
                CheckOptionalData(f, c, check);
                break;
            case 2: CheckTrack(f, c, bStrictData, check); break;
            default: CheckMaster(f, c, check); break;
        }
    }
    CheckCrcSlots(f, nSize, nContentsBody, nOptionBody, check);
    return check;
}

std::vector<std::string> CheckFile(const std::uint8_t* pFile, std::size_t nSize, bool bStrictData) {
    return CheckFileLayout(pFile, nSize, bStrictData).vecProblems;
}

std::string JoinProblems(const std::vector<std::string>& problems) {
    std::string text;
    for (const auto& problem : problems) {
        text += problem + "\n";
    }
    return text;
}

}  // namespace heron
