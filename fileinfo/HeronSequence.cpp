#include "HeronSequence.h"

#include <string>
#include <utility>

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

// The problems of one walk: the first kMaxSequenceProblems kept, the rest
// counted into one more at the end.
class CProblemList {
public:
    void Add(const char* pszCheck, std::string strDetail) {
        if (m_vecProblems.size() < kMaxSequenceProblems) {
            m_vecProblems.push_back({pszCheck, std::move(strDetail)});
        } else {
            ++m_nMore;
        }
    }
    std::vector<CProblem> Take() {
        if (m_nMore != 0) {
            m_vecProblems.push_back({m_vecProblems.back().strCheck,
                                     "\xE2\x80\xA6 and " + std::to_string(m_nMore) + " more problems"});
        }
        return std::move(m_vecProblems);
    }

private:
    std::vector<CProblem> m_vecProblems;
    std::uint64_t m_nMore = 0;
};

}  // namespace

std::vector<CProblem> VisitSequence(const std::uint8_t* p, std::size_t nSize, bool bStrictData,
                                    const std::function<void(const CSequenceEvent&)>& onEvent) {
    CProblemList problems;
    const auto Add = [&problems](const char* pszCheck, std::string strDetail) {
        problems.Add(pszCheck, std::move(strDetail));
    };
    std::size_t pos = 0;
    std::uint32_t nTime = 0;
    bool bEnded = false;
    CSequenceEvent ev;
    while (pos < nSize) {
        if (bEnded) {
            Add(kCheckEndOfSequence, "bytes after the end-of-sequence event at body offset " + Hex(pos));
            return problems.Take();
        }
        const std::size_t nEventStart = pos;
        ev.nOffset = nEventStart;
        if (!ReadVarLen(p, nSize, pos, ev.nDelta)) {
            Add(kCheckEvent, "bad delta time at body offset " + Hex(nEventStart));
            return problems.Take();
        }
        if (pos >= nSize) {
            Add(kCheckEvent, "delta time without an event at body offset " + Hex(nEventStart));
            return problems.Take();
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
            Add(kCheckEvent, "audio-channel status " + Hex(ev.byStatus) + " names a channel above 3");
        }
        if (ev.byStatus == 0xF0) {
            std::uint32_t nLen = 0;
            if (!ReadVarLen(p, nSize, pos, nLen) || nLen == 0 || nLen > nSize - pos || p[pos + nLen - 1] != 0xF7) {
                Add(kCheckEvent, "exclusive message at body offset " + Hex(nEventStart) + " is not closed by F7");
                return problems.Take();
            }
            pos += nLen;
        } else if (ev.byStatus == 0xFF) {
            if (pos >= nSize) {
                Add(kCheckEvent, "FF event without its type byte at body offset " + Hex(nEventStart));
                return problems.Take();
            }
            const std::uint8_t byMeta = p[pos];
            if (byMeta == 0x2F) {
                if (pos + 2 > nSize || p[pos + 1] != 0x00) {
                    Add(kCheckEvent, "malformed end-of-sequence event at body offset " + Hex(nEventStart));
                    return problems.Take();
                }
                pos += 2;
                bEnded = true;
            } else if (byMeta == 0x51) {
                if (pos + 5 > nSize || p[pos + 1] != 0x03) {
                    Add(kCheckEvent, "malformed set-tempo event at body offset " + Hex(nEventStart));
                    return problems.Take();
                }
                pos += 5;
            } else if (byMeta < 0x10) {
                pos += 1;
            } else {
                Add(kCheckEvent, "unknown FF event " + Hex(byMeta) + " at body offset " + Hex(nEventStart));
                return problems.Take();
            }
        } else if (nData != 0) {
            if (pos + nData > nSize) {
                Add(kCheckEvent, "event " + Hex(ev.byStatus) + " cut short at body offset " + Hex(nEventStart));
                return problems.Take();
            }
            if (bStrictData) {
                for (std::size_t i = 0; i < nData; ++i) {
                    if (p[pos + i] & 0x80) {
                        Add(kCheckDataByte,
                            "data byte " + Hex(p[pos + i]) + " with bit 7 set at body offset " + Hex(pos + i));
                        break;
                    }
                }
            }
            pos += nData;
            if (bGate) {
                std::uint32_t nGate = 0;
                if (!ReadVarLen(p, nSize, pos, nGate)) {
                    Add(kCheckEvent, "bad gate time at body offset " + Hex(nEventStart));
                    return problems.Take();
                }
            }
        } else {
            Add(kCheckEvent, "unknown status " + Hex(ev.byStatus) + " at body offset " + Hex(nEventStart));
            return problems.Take();
        }
        ev.vecData.assign(p + nStatusPos + 1, p + pos);
        nTime += ev.nDelta;
        ev.nTime = nTime;
        onEvent(ev);
    }
    if (!bEnded) {
        Add(kCheckEndOfSequence, "sequence does not end with FF 2F 00");
    }
    return problems.Take();
}

CSequenceWalk WalkSequence(const std::uint8_t* pBody, std::size_t nSize, bool bStrictData) {
    CSequenceWalk walk;
    walk.vecProblems =
        VisitSequence(pBody, nSize, bStrictData, [&walk](const CSequenceEvent& ev) { walk.vecEvents.push_back(ev); });
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
