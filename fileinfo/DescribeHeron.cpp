// Description of a Heron file as Kestrel writes it: the checker's layout
// locates the parts, its sequence reader decodes the events.
#include <algorithm>
#include <cstring>

#include "ChunkTree.h"
#include "DescribeParts.h"
#include "HeronCheck.h"
#include "HeronSequence.h"
#include "HeronText.h"

namespace fileinfo {
namespace {

const char* const kNamesNote[] = {"key", "velocity", "gate"};
const char* const kNamesControl[] = {"control", "value"};
const char* const kNamesProgram[] = {"program"};
const char* const kNamesValue[] = {"value"};
const char* const kNamesTempo[] = {"microseconds"};
const char* const kNamesExclusive[] = {"length", "command"};

std::uint32_t BE32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

// Gate time (variable-length quantity) at the end of a note's data bytes.
std::uint32_t GateOf(const std::vector<std::uint8_t>& vecData) {
    std::uint32_t nGate = 0;
    for (std::size_t i = 2; i < vecData.size(); ++i) {
        nGate = (nGate << 7) | (vecData[i] & 0x7F);
    }
    return nGate;
}

// Chunks of [nBegin, nEnd) and, for the containers of the format, their
// sub-chunks behind the container's header. A chunk reaching past its
// parent ends that level. Iterative: a file may nest containers as deep as
// its length allows.
void SplitInto(const std::uint8_t* f, std::size_t nBegin, std::size_t nEnd, CChunkTreeBuilder& tree) {
    struct CLevel {
        std::size_t p;
        std::size_t nEnd;
    };
    std::vector<CLevel> vecLevels{{nBegin, nEnd}};
    while (!vecLevels.empty()) {
        CLevel& level = vecLevels.back();
        const std::size_t p = level.p;
        if (p >= level.nEnd || level.nEnd - p < 8) {
            vecLevels.pop_back();
            if (tree.AnyOpen()) {
                tree.Close();
            }
            continue;
        }
        const std::uint32_t nSize = BE32(f + p + 4);
        if (nSize > level.nEnd - p - 8) {
            tree.Add(f + p, p, nSize, true);
            level.p = level.nEnd;
            continue;
        }
        const std::size_t nBody = p + 8;
        const std::size_t nBodyEnd = nBody + nSize;
        level.p = nBodyEnd;
        tree.Add(f + p, p, nSize, false);
        std::size_t nHeader = SIZE_MAX;
        if (std::memcmp(f + p, "OPDA", 4) == 0 || std::memcmp(f + p, "Mtsp", 4) == 0) {
            nHeader = 0;
        } else if (std::memcmp(f + p, "MTR", 3) == 0) {
            nHeader = 36;
        } else if (std::memcmp(f + p, "MSTR", 4) == 0) {
            nHeader = 4;
        }
        if (nHeader != SIZE_MAX && nSize >= nHeader) {
            tree.OpenLast(nBodyEnd);
            vecLevels.push_back({nBody + nHeader, nBodyEnd});
        }
    }
}

void AddCount(std::vector<CEventCount>& counts, const char* pszType) {
    for (CEventCount& count : counts) {
        if (count.strType == pszType) {
            ++count.nCount;
            return;
        }
    }
    counts.push_back({pszType, 1});
}

template <std::size_t N>
void SetValues(CEvent& e, const char* const (&apszNames)[N], std::initializer_list<std::int32_t> values) {
    e.ppNames = apszNames;
    e.nValues = static_cast<std::uint8_t>(N);
    std::size_t i = 0;
    for (std::int32_t v : values) {
        e.anValue[i++] = v;
    }
}

CEvent ToEvent(const heron::CSequenceEvent& ev, int nTrack) {
    CEvent e;
    e.nTick = ev.nTime;
    e.nTrack = static_cast<std::int16_t>(nTrack);
    const std::uint8_t byType = ev.byStatus >> 4;
    const std::vector<std::uint8_t>& v = ev.vecData;
    const auto at = [&v](std::size_t i) -> std::int32_t { return i < v.size() ? v[i] : 0; };
    if (ev.byStatus == 0xFF) {
        const int nMeta = at(0);
        if (nMeta == 0x2F) {
            e.eType = EEventType::EndOfSequence;
        } else if (nMeta == 0x51) {
            e.eType = EEventType::Tempo;
            SetValues(e, kNamesTempo, {(at(2) << 16) | (at(3) << 8) | at(4)});
        } else {
            e.eType = EEventType::ShortFF;
            SetValues(e, kNamesValue, {nMeta});
        }
        return e;
    }
    if (ev.byStatus == 0xF0) {
        e.eType = EEventType::Exclusive;
        SetValues(e, kNamesExclusive, {at(0), at(5)});
        return e;
    }
    e.nChannel = ev.byStatus & 0x0F;
    e.bAudio = byType == 0x9 || byType == 0xB || byType == 0xC;
    switch (byType) {
        case 0x1: case 0x9:
            e.eType = EEventType::Note;
            SetValues(e, kNamesNote, {at(0), at(1), static_cast<std::int32_t>(GateOf(v))});
            break;
        case 0x3: case 0xB:
            e.eType = EEventType::ControlChange;
            SetValues(e, kNamesControl, {at(0), at(1)});
            break;
        case 0x4: case 0xC:
            e.eType = EEventType::ProgramChange;
            SetValues(e, kNamesProgram, {at(0)});
            break;
        default:
            e.eType = EEventType::PitchBend;
            SetValues(e, kNamesValue, {at(0) | (at(1) << 7)});
            break;
    }
    return e;
}

}  // namespace

void CollectHeronNotes(const std::uint8_t* pFile, const heron::CLayout& layout, std::vector<CNote>& vecNotes,
                       std::uint32_t& nLengthTicks) {
    nLengthTicks = 0;
    if (layout.nSequenceBody == 0) {
        return;
    }
    heron::VisitSequence(pFile + layout.nSequenceBody, layout.nSequenceSize, false, [&](const heron::CSequenceEvent& ev) {
        nLengthTicks = std::max(nLengthTicks, ev.nTime);
        const std::uint8_t byType = ev.byStatus >> 4;
        if ((byType == 0x1 || byType == 0x9) && ev.vecData.size() >= 3) {
            CNote note;
            note.nTick = ev.nTime;
            note.nTicks = GateOf(ev.vecData);
            note.byChannel = ev.byStatus & 0x0F;
            note.byKey = ev.vecData[0] & 0x7F;
            note.bAudio = byType == 0x9;
            note.byTrack = 7;
            vecNotes.push_back(note);
            nLengthTicks = std::max(nLengthTicks, note.nTick + note.nTicks);
        }
    });
}

void DescribeHeron(const std::uint8_t* f, std::size_t nSize, const CDescribeOptions& options, CFileDescription& d) {
    d.eGeneration = EGeneration::Heron;
    d.nContentType = f[17];
    const heron::CFileCheck check = heron::CheckFileLayout(f, nSize);
    const heron::CLayout& layout = check.layout;
    d.vecProblems = check.vecProblems;
    d.bValid = check.vecProblems.empty();
    if (!d.bValid) {
        d.strReasonCode = check.vecProblems.front().strCheck;
        d.strReason = check.vecProblems.front().strDetail;
    }
    if (check.fileCrc.bKnown) {
        d.vecCrcs.push_back({"file", check.fileCrc.nStored, check.fileCrc.nComputed});
    }
    if (check.trackCrc.bKnown) {
        d.vecCrcs.push_back({"track (A0)", check.trackCrc.nStored, check.trackCrc.nComputed});
    }
    if (check.contentsCrc.bKnown) {
        d.vecCrcs.push_back({"contents (A2)", check.contentsCrc.nStored, check.contentsCrc.nComputed});
    }

    CChunkNode root;
    root.strId = heron::IdText(f);
    root.nSize = BE32(f + 4);
    CChunkTreeBuilder tree(root);
    SplitInto(f, 8, nSize - 2, tree);
    d.nChunksOmitted = tree.Omitted();
    d.bChunksTooDeep = tree.TooDeep();
    d.vecChunks.push_back(std::move(root));

    if (layout.nProBody != 0) {
        d.bHasPoints = true;
        d.nStartTick = BE32(f + layout.nProBody + 4);
        d.nStopTick = BE32(f + layout.nProBody + 8);
    }
    if (layout.nTrackChunk != 0 && layout.nTrackBody >= 36) {
        const std::uint8_t* h = f + layout.nTrackChunk + 8;
        CTrackInfo track;
        track.nTrack = f[layout.nTrackChunk + 3];
        track.strKind = "score";
        track.strId = heron::IdText(f + layout.nTrackChunk);
        track.nOffset = layout.nTrackChunk;
        track.nTimebaseD = h[2];
        track.nTimebaseG = h[3];
        track.vecChannelStatus.assign(h + 4, h + 36);
        track.bRead = layout.nSequenceBody != 0;
        d.vecTracks.push_back(std::move(track));
    }
    if (layout.bHasMasterTrack && layout.nMasterBody >= 4) {
        const std::uint8_t* h = f + layout.nMasterChunk + 8;
        CTrackInfo track;
        track.nTrack = 0;
        track.strKind = "master";
        track.strId = heron::IdText(f + layout.nMasterChunk);
        track.nOffset = layout.nMasterChunk;
        track.nTimebaseD = h[2];
        track.bRead = layout.nMasterSequenceBody != 0;
        d.vecTracks.push_back(std::move(track));
    }

    // Voice messages of the setup data: F0 L 43 79 08 7F 21 .. voice number at 9.
    for (std::size_t p = layout.nSetupBody, nEnd = layout.nSetupBody + layout.nSetupSize;
         layout.nSetupBody != 0 && p + 2 <= nEnd;) {
        const std::size_t nLength = f[p + 1];
        if (f[p] != 0xF0 || p + 2 + nLength > nEnd) {
            break;
        }
        if (nLength >= 9 && f[p + 6] == 0x21) {
            CVoiceInfo voice;
            voice.nVoice = f[p + 9];
            voice.nBlocks = nLength == 0x37 ? 4 : 2;
            d.vecVoices.push_back(voice);
        }
        p += 2 + nLength;
    }
    if (layout.bHasWaveChunk) {
        for (std::size_t p = layout.nWaveBody, nEnd = layout.nWaveBody + layout.nWaveSize; p + 11 <= nEnd;) {
            const std::uint32_t nBody = BE32(f + p + 4);
            if (nBody < 3 || nBody > nEnd - p - 8) {
                break;
            }
            CWaveInfo wave;
            wave.nNumber = f[p + 3];
            wave.nOffset = p;
            wave.nSize = nBody - 3;
            wave.nRate = (f[p + 9] << 8) | f[p + 10];
            wave.bConverted = true;
            d.vecWaves.push_back(wave);
            p += 8 + std::size_t{nBody};
        }
    }

    // Events of the score sequence (track 7), then the master track's (0).
    std::uint32_t nLength = 0;
    const auto walkEvents = [&](std::size_t nBody, std::uint32_t nBodySize, int nTrack) {
        std::uint32_t nTrackLength = 0;
        std::uint64_t nEvents = 0;
        heron::VisitSequence(f + nBody, nBodySize, false, [&](const heron::CSequenceEvent& ev) {
            ++nEvents;
            const CEvent e = ToEvent(ev, nTrack);
            AddCount(d.vecCounts, EventTypeName(e.eType));
            nTrackLength = std::max(nTrackLength, e.nTick);
            if (e.eType == EEventType::Note) {
                nTrackLength = std::max(nTrackLength, e.nTick + static_cast<std::uint32_t>(e.anValue[2]));
            }
            if (e.eType == EEventType::Tempo) {
                CTempoInfo tempo;
                tempo.nTick = e.nTick;
                tempo.nTrack = nTrack;
                tempo.nMicroseconds = static_cast<std::uint32_t>(e.anValue[0]);
                d.vecTempos.push_back(tempo);
            }
            if (options.bEvents) {
                d.vecEvents.push_back(e);
            }
        });
        for (CTrackInfo& track : d.vecTracks) {
            if (track.nTrack == nTrack) {
                track.nLengthTicks = nTrackLength;
                track.nEvents = nEvents;
            }
        }
        nLength = std::max(nLength, nTrackLength);
    };
    if (layout.nSequenceBody != 0) {
        walkEvents(layout.nSequenceBody, layout.nSequenceSize, f[layout.nTrackChunk + 3]);
    }
    if (layout.nMasterSequenceBody != 0) {
        walkEvents(layout.nMasterSequenceBody, layout.nMasterSequenceSize, 0);
    }
    d.nLengthTicks = nLength;
    if (options.bNotes) {
        std::uint32_t nIgnored = 0;
        CollectHeronNotes(f, layout, d.vecNotes, nIgnored);
    }
}

}  // namespace fileinfo
