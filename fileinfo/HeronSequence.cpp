#include "HeronSequence.h"

#include "HeronText.h"

namespace heron {
namespace {

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

void Add(std::vector<CProblem>& problems, const char* pszCheck, std::string strDetail) {
    problems.push_back({pszCheck, std::move(strDetail)});
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
            Add(problems, kCheckEndOfSequence, "bytes after the end-of-sequence event at body offset " + Hex(pos));
            return walk;
        }
        const std::size_t nEventStart = pos;
        CSequenceEvent ev;
        ev.nOffset = nEventStart;
        if (!ReadVarLen(p, nSize, pos, ev.nDelta)) {
            Add(problems, kCheckEvent, "bad delta time at body offset " + Hex(nEventStart));
            return walk;
        }
        if (pos >= nSize) {
            Add(problems, kCheckEvent, "delta time without an event at body offset " + Hex(nEventStart));
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
            Add(problems, kCheckEvent, "audio-channel status " + Hex(ev.byStatus) + " names a channel above 3");
        }
        if (ev.byStatus == 0xF0) {
            std::uint32_t nLen = 0;
            if (!ReadVarLen(p, nSize, pos, nLen) || nLen == 0 || nLen > nSize - pos || p[pos + nLen - 1] != 0xF7) {
                Add(problems, kCheckEvent, "exclusive message at body offset " + Hex(nEventStart) + " is not closed by F7");
                return walk;
            }
            pos += nLen;
        } else if (ev.byStatus == 0xFF) {
            if (pos >= nSize) {
                Add(problems, kCheckEvent, "FF event without its type byte at body offset " + Hex(nEventStart));
                return walk;
            }
            const std::uint8_t byMeta = p[pos];
            if (byMeta == 0x2F) {
                if (pos + 2 > nSize || p[pos + 1] != 0x00) {
                    Add(problems, kCheckEvent, "malformed end-of-sequence event at body offset " + Hex(nEventStart));
                    return walk;
                }
                pos += 2;
                bEnded = true;
            } else if (byMeta == 0x51) {
                if (pos + 5 > nSize || p[pos + 1] != 0x03) {
                    Add(problems, kCheckEvent, "malformed set-tempo event at body offset " + Hex(nEventStart));
                    return walk;
                }
                pos += 5;
            } else if (byMeta < 0x10) {
                pos += 1;
            } else {
                Add(problems, kCheckEvent, "unknown FF event " + Hex(byMeta) + " at body offset " + Hex(nEventStart));
                return walk;
            }
        } else if (nData != 0) {
            if (pos + nData > nSize) {
                Add(problems, kCheckEvent, "event " + Hex(ev.byStatus) + " cut short at body offset " + Hex(nEventStart));
                return walk;
            }
            if (bStrictData) {
                for (std::size_t i = 0; i < nData; ++i) {
                    if (p[pos + i] & 0x80) {
                        Add(problems, kCheckDataByte,
                            "data byte " + Hex(p[pos + i]) + " with bit 7 set at body offset " + Hex(pos + i));
                        break;
                    }
                }
            }
            pos += nData;
            if (bGate) {
                std::uint32_t nGate = 0;
                if (!ReadVarLen(p, nSize, pos, nGate)) {
                    Add(problems, kCheckEvent, "bad gate time at body offset " + Hex(nEventStart));
                    return walk;
                }
            }
        } else {
            Add(problems, kCheckEvent, "unknown status " + Hex(ev.byStatus) + " at body offset " + Hex(nEventStart));
            return walk;
        }
        ev.vecData.assign(p + nStatusPos + 1, p + pos);
        nTime += ev.nDelta;
        ev.nTime = nTime;
        walk.vecEvents.push_back(std::move(ev));
    }
    if (!bEnded) {
        Add(problems, kCheckEndOfSequence, "sequence does not end with FF 2F 00");
    }
    return walk;
}

std::string JoinProblems(const std::vector<CProblem>& problems) {
    std::string text;
    for (const auto& problem : problems) {
        text += problem.strCheck + ": " + problem.strDetail + "\n";
    }
    return text;
}

}  // namespace heron
