#include "HeronCheck.h"

#include <cstring>

#include "HeronCrc.h"
#include "HeronText.h"

namespace heron {
namespace {

std::uint32_t BE32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}
std::uint16_t BE16(const std::uint8_t* p) { return static_cast<std::uint16_t>((p[0] << 8) | p[1]); }

bool IdIs(const std::uint8_t* p, const char* id) { return std::memcmp(p, id, 4) == 0; }

void Add(std::vector<CProblem>& problems, const char* pszCheck, std::string strDetail) {
    problems.push_back({pszCheck, std::move(strDetail)});
}
void Expect(bool bOk, std::vector<CProblem>& problems, const char* pszCheck, const std::string& strDetail) {
    if (!bOk) {
        Add(problems, pszCheck, strDetail);
    }
}

struct CChunkRef {
    std::size_t nOffset;  // of the ID
    std::uint32_t nSize;  // body size
    std::size_t Body() const { return nOffset + 8; }
    std::size_t End() const { return nOffset + 8 + nSize; }
};

// Splits [nBegin, nEnd) into chunks that must tile it exactly.
std::vector<CChunkRef> SplitChunks(const std::uint8_t* f, std::size_t nBegin, std::size_t nEnd,
                                   const std::string& strWhere, std::vector<CProblem>& problems) {
    std::vector<CChunkRef> chunks;
    std::size_t p = nBegin;
    while (p < nEnd) {
        if (nEnd - p < 8) {
            Add(problems, kCheckChunkSize, strWhere + ": " + std::to_string(nEnd - p) + " stray bytes at " + Hex(p));
            break;
        }
        const std::uint32_t nSize = BE32(f + p + 4);
        if (nSize > nEnd - p - 8) {
            Add(problems, kCheckChunkSize,
                strWhere + ": chunk " + IdText(f + p) + " at " + Hex(p) + " has size " + std::to_string(nSize) +
                    " reaching beyond its parent");
            break;
        }
        chunks.push_back({p, nSize});
        p += 8 + nSize;
    }
    return chunks;
}

// Setup body: exclusive messages F0 L ... F7 back to back, no delta times.
void CheckSetup(const std::uint8_t* p, std::size_t nSize, std::vector<CProblem>& problems) {
    std::size_t pos = 0;
    while (pos < nSize) {
        if (p[pos] != 0xF0 || pos + 1 >= nSize) {
            Add(problems, kCheckSetup, "Mtsu: no exclusive message at body offset " + Hex(pos));
            return;
        }
        const std::size_t nLen = p[pos + 1];
        if (pos + 2 + nLen > nSize || nLen == 0 || p[pos + 1 + nLen] != 0xF7) {
            Add(problems, kCheckSetup, "Mtsu: exclusive message at body offset " + Hex(pos) + " is not closed by F7");
            return;
        }
        pos += 2 + nLen;
    }
}

void CheckOptionalData(const std::uint8_t* f, const CChunkRef& opda, CFileCheck& check) {
    auto& problems = check.vecProblems;
    const auto subs = SplitChunks(f, opda.Body(), opda.End(), "OPDA", problems);
    Expect(subs.size() == 2, problems, kCheckOptionalData,
           "OPDA: expected the two sub-chunks Dch and Pro, found " + std::to_string(subs.size()));
    bool bSawA0 = false;
    bool bSawA2 = false;
    for (const auto& sub : subs) {
        if (IdIs(f + sub.nOffset, "Dch\xFF")) {
            std::size_t p = sub.Body();
            while (p < sub.End()) {
                if (sub.End() - p < 4) {
                    Add(problems, kCheckOptionalData, "Dch: truncated record at " + Hex(p));
                    break;
                }
                const std::uint16_t nLen = BE16(f + p + 2);
                if (p + 4 + nLen > sub.End()) {
                    Add(problems, kCheckOptionalData, "Dch: record at " + Hex(p) + " reaches beyond the chunk");
                    break;
                }
                if (f[p] == 'A' && (f[p + 1] == '0' || f[p + 1] == '2')) {
                    if (nLen != 6 || std::memcmp(f + p + 4, "ZQ10", 4) != 0) {
                        Add(problems, kCheckOptionalData,
                            "Dch: CRC record at " + Hex(p) + " is not ZQ10 plus a 2-byte slot");
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
            Expect(sub.nSize == 12, problems, kCheckOptionalData,
                   "Pro: body size " + std::to_string(sub.nSize) + " instead of 12");
            if (sub.nSize == 12) {
                check.layout.nProBody = sub.Body();
            }
        } else {
            Add(problems, kCheckChunkOrder, "OPDA: unexpected sub-chunk " + IdText(f + sub.nOffset));
        }
    }
    Expect(bSawA0, problems, kCheckOptionalData, "Dch: no A0 record");
    Expect(bSawA2, problems, kCheckOptionalData, "Dch: no A2 record");
}

void CheckTrack(const std::uint8_t* f, const CChunkRef& mtr, bool bStrictData, CFileCheck& check) {
    auto& problems = check.vecProblems;
    auto& layout = check.layout;
    layout.nTrackChunk = mtr.nOffset;
    layout.nTrackBody = mtr.nSize;
    if (mtr.nSize < 36) {
        Add(problems, kCheckTrackHeader, "MTR: body shorter than its 36-byte header");
        return;
    }
    const std::uint8_t* h = f + mtr.Body();
    Expect(h[0] == 0x03 && h[1] == 0x00, problems, kCheckTrackHeader, "MTR: header does not start 03 00");
    const auto subs = SplitChunks(f, mtr.Body() + 36, mtr.End(), "MTR", problems);
    const char* const apszOrder[] = {"Mtsu", "Mtsq", "Mtsp"};
    if (subs.size() < 2 || subs.size() > 3) {
        Add(problems, kCheckChunkOrder,
            "MTR: expected Mtsu, Mtsq and optionally Mtsp, found " + std::to_string(subs.size()) + " sub-chunks");
    }
    for (std::size_t i = 0; i < subs.size() && i < 3; ++i) {
        const auto& sub = subs[i];
        if (!IdIs(f + sub.nOffset, apszOrder[i])) {
            Add(problems, kCheckChunkOrder,
                std::string("MTR: sub-chunk ") + std::to_string(i) + " is " + IdText(f + sub.nOffset) + ", expected " +
                    apszOrder[i]);
            continue;
        }
        if (i == 0) {
            layout.nSetupBody = sub.Body();
            layout.nSetupSize = sub.nSize;
            CheckSetup(f + sub.Body(), sub.nSize, problems);
        } else if (i == 1) {
            layout.nSequenceBody = sub.Body();
            layout.nSequenceSize = sub.nSize;
            for (auto& problem : VisitSequence(f + sub.Body(), sub.nSize, bStrictData, [](const CSequenceEvent&) {})) {
                problem.strDetail = "Mtsq: " + problem.strDetail;
                problems.push_back(std::move(problem));
            }
        } else {
            layout.bHasWaveChunk = true;
            layout.nWaveBody = sub.Body();
            layout.nWaveSize = sub.nSize;
            for (const auto& wave : SplitChunks(f, sub.Body(), sub.End(), "Mtsp", problems)) {
                const std::uint8_t* w = f + wave.nOffset;
                if (w[0] != 'M' || w[1] != 'w' || w[2] != 'a' || w[3] < 1 || w[3] > 32) {
                    Add(problems, kCheckWave, "Mtsp: unexpected wave chunk " + IdText(w));
                } else if (wave.nSize < 3 || w[8] != 0x20) {
                    Add(problems, kCheckWave, "Mtsp: wave chunk " + IdText(w) + " lacks its 3-byte head");
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
        Add(problems, kCheckTrackHeader, "MSTR: body shorter than its 4-byte header");
        return;
    }
    const auto subs = SplitChunks(f, mstr.Body() + 4, mstr.End(), "MSTR", problems);
    if (subs.size() != 1 || !IdIs(f + subs[0].nOffset, "Mssq")) {
        Add(problems, kCheckChunkOrder, "MSTR: expected exactly one Mssq sub-chunk");
        return;
    }
    check.layout.nMasterSequenceBody = subs[0].Body();
    check.layout.nMasterSequenceSize = subs[0].nSize;
    bool bOtherEvent = false;
    for (auto problem : VisitSequence(f + subs[0].Body(), subs[0].nSize, true, [&](const CSequenceEvent& ev) {
             bOtherEvent = bOtherEvent || !(ev.byStatus == 0xFF && !ev.vecData.empty() &&
                                            (ev.vecData[0] == 0x51 || ev.vecData[0] == 0x2F));
         })) {
        problem.strDetail = "Mssq: " + problem.strDetail;
        problems.push_back(std::move(problem));
    }
    if (bOtherEvent) {
        Add(problems, kCheckMaster, "Mssq: event other than set-tempo or end of sequence");
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
        Add(problems, kCheckTrackCrc, "A0: sealed range reaches beyond the file");
    } else {
        check.trackCrc = {true, BE16(f + layout.nTrackCrcSlot), FileCrc(f + layout.nTrackChunk, nTrackRange)};
        Expect(check.trackCrc.nStored == check.trackCrc.nComputed, problems, kCheckTrackCrc,
               "A0: slot holds " + Hex(check.trackCrc.nStored) + ", the CRC of the track range is " +
                   Hex(check.trackCrc.nComputed));
    }
    // The contents CRC was computed while its own slot still held 00 00.
    const std::size_t nContentsRange = std::size_t{nContentsBody} + nOptionBody;
    if (8 + nContentsRange > nSize - 2) {
        Add(problems, kCheckContentsCrc, "A2: sealed range reaches beyond the file");
        return;
    }
    std::vector<std::uint8_t> range(f + 8, f + 8 + nContentsRange);
    if (layout.nContentsCrcSlot + 2 <= 8 + nContentsRange) {
        range[layout.nContentsCrcSlot - 8] = 0;
        range[layout.nContentsCrcSlot - 7] = 0;
    }
    check.contentsCrc = {true, BE16(f + layout.nContentsCrcSlot), FileCrc(range.data(), range.size())};
    Expect(check.contentsCrc.nStored == check.contentsCrc.nComputed, problems, kCheckContentsCrc,
           "A2: slot holds " + Hex(check.contentsCrc.nStored) + ", the CRC of the contents range is " +
               Hex(check.contentsCrc.nComputed));
}

}  // namespace

CFileCheck CheckFileLayout(const std::uint8_t* f, std::size_t nSize, bool bStrictData) {
    CFileCheck check;
    auto& problems = check.vecProblems;
    if (f == nullptr || nSize < 10) {
        Add(problems, kCheckFileSize, "file shorter than 10 bytes");
        return check;
    }
    Expect(IdIs(f, "MMMD"), problems, kCheckFileId, "file does not start with MMMD");
    Expect(BE32(f + 4) == nSize - 8, problems, kCheckFileSize,
           "MMMD size field " + std::to_string(BE32(f + 4)) + " is not the file length - 8 (" +
               std::to_string(nSize - 8) + ")");
    check.fileCrc = {true, BE16(f + nSize - 2), FileCrc(f, nSize - 2)};
    Expect(check.fileCrc.nStored == check.fileCrc.nComputed, problems, kCheckFileCrc,
           "last two bytes hold " + Hex(check.fileCrc.nStored) + ", the CRC of the rest is " +
               Hex(check.fileCrc.nComputed));

    const auto chunks = SplitChunks(f, 8, nSize - 2, "MMMD", problems);
    const char* const apszOrder[] = {"CNTI", "OPDA", "MTR\x07", "MSTR"};
    if (chunks.size() < 3 || chunks.size() > 4) {
        Add(problems, kCheckChunkOrder,
            "expected CNTI, OPDA, MTR+07 and optionally MSTR at top level, found " + std::to_string(chunks.size()) +
                " chunks");
    }
    std::uint32_t nContentsBody = 0;
    std::uint32_t nOptionBody = 0;
    for (std::size_t i = 0; i < chunks.size() && i < 4; ++i) {
        const auto& c = chunks[i];
        if (!IdIs(f + c.nOffset, apszOrder[i])) {
            Add(problems, kCheckChunkOrder,
                "top-level chunk " + std::to_string(i) + " is " + IdText(f + c.nOffset) + ", expected " +
                    IdText(reinterpret_cast<const std::uint8_t*>(apszOrder[i])));
            continue;
        }
        switch (i) {
            case 0:
                nContentsBody = c.nSize;
                Expect(c.nSize == 5, problems, kCheckContents,
                       "CNTI: body size " + std::to_string(c.nSize) + " instead of 5");
                break;
            case 1:
                nOptionBody = c.nSize;
                Expect(c.nSize == 60, problems, kCheckOptionalData,
                       "OPDA: body size " + std::to_string(c.nSize) + " instead of 60");
                CheckOptionalData(f, c, check);
                break;
            case 2: CheckTrack(f, c, bStrictData, check); break;
            default: CheckMaster(f, c, check); break;
        }
    }
    CheckCrcSlots(f, nSize, nContentsBody, nOptionBody, check);
    return check;
}

std::vector<CProblem> CheckFile(const std::uint8_t* pFile, std::size_t nSize, bool bStrictData) {
    return CheckFileLayout(pFile, nSize, bStrictData).vecProblems;
}

}  // namespace heron
