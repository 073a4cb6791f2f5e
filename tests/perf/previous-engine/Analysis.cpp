// Walks the input's chunks and turns setup data and score tracks into the
// converter's time-ordered event lists and tables.
#include <algorithm>
#include <cstring>

#include "ChunkWalk.h"
#include "CnvLarkWrentoHeron.h"
#include "InputReader.h"

namespace previous_engine {

namespace {

enum class FindStatus { kFound, kNotFound, kInvalid };

struct ChunkFind {
    FindStatus status = FindStatus::kNotFound;
    std::size_t nBody = 0;
    std::uint32_t nSize = 0;
    CChunkWalkResult walk;  // where the walk failed, for the rejection reason
};

void NoHook(std::size_t) {}

bool IdIs(const std::uint8_t* pId, const char* pText) { return std::memcmp(pId, pText, 4) == 0; }
bool IdStarts(const std::uint8_t* pId, const char* pPrefix) { return std::memcmp(pId, pPrefix, 3) == 0; }

// One finder: the shared chunk walk (ChunkWalk.h), descending into the track
// chunks the finder names and stopping at the first wanted chunk. A chunk
// whose head, track header or body reaches beyond the input, even a wanted
// one, makes the input invalid.
template <typename Wanted, typename Descended, typename Hook = void (*)(std::size_t)>
ChunkFind FindChunk(const CInputReader& in, const Wanted& isWanted, const Descended& isDescended,
                    const Hook& onDescend = NoHook) {
    const CChunkWalkResult walk = WalkChunks(
        in,
        [&](const CChunkStep& step) {
            if (isWanted(step.pId)) {
                return EChunkAction::Stop;
            }
            return isDescended(step.pId) ? EChunkAction::Enter : EChunkAction::Skip;
        },
        [&](const CChunkStep& step) { onDescend(step.nOffset); });
    switch (walk.eEnd) {
        case EChunkWalkEnd::Finished:
            return {FindStatus::kNotFound, 0, 0, walk};
        case EChunkWalkEnd::Stopped:
            return {FindStatus::kFound, walk.step.nOffset + 8, walk.step.nSize, walk};
        default:
            return {FindStatus::kInvalid, 0, 0, walk};
    }
}

// Records why a finder's walk failed; returns the analysis result 0.
std::int32_t RejectChunk(CRejectReason& reason, const CInputReader& in, const ChunkFind& find) {
    const CChunkStep& step = find.walk.step;
    reason = CRejectReason{};
    switch (find.walk.eEnd) {
        case EChunkWalkEnd::HeadPastEnd: reason.eCode = ERejectCode::ChunkHeadPastEnd; break;
        case EChunkWalkEnd::BodyPastEnd: reason.eCode = ERejectCode::ChunkPastEnd; break;
        default: reason.eCode = ERejectCode::TrackHeaderPastEnd; break;
    }
    if (step.pId != nullptr) {
        std::memcpy(reason.abyId, step.pId, 4);
    }
    reason.nOffset = step.nOffset;
    reason.nSize = step.nSize;
    reason.nLength = in.Size();
    return 0;
}

bool IsTrackChunk(const std::uint8_t* pId) { return IdStarts(pId, "MTR") || IdStarts(pId, "ATR"); }
bool IsScoreTrackChunk(const std::uint8_t* pId) { return IdStarts(pId, "MTR"); }
bool IsAudioTrackChunk(const std::uint8_t* pId) { return IdStarts(pId, "ATR"); }
bool NoChunk(const std::uint8_t*) { return false; }

// Short duration form: one byte below 0x80, else two bytes giving
// ((b0 & 0x7F) + 1) * 128 + (b1 & 0x7F).
bool ReadShortDuration(const CInputReader& in, std::size_t& nPos, std::uint32_t& nValue) {
    std::uint8_t b0 = 0;
    if (!in.ReadByte(nPos, b0)) {
        return false;
    }
    if (b0 < 0x80) {
        nValue = b0;
        nPos += 1;
        return true;
    }
    std::uint8_t b1 = 0;
    if (!in.ReadByte(nPos + 1, b1)) {
        return false;
    }
    nValue = (std::uint32_t{b0 & 0x7Fu} + 1) * 128 + (b1 & 0x7Fu);
    nPos += 2;
    return true;
}

std::uint8_t ControlKind(std::uint8_t x) {
    switch (x & 0x3F) {
        case 0x30: return kKindProgramChange;
        case 0x31: return kKindBankSelect;
        case 0x32: return kKindOctaveShift;
        case 0x33: return kKindModulation;
        case 0x34: return kKindPitchBend;
        case 0x37: return kKindVolume;
        case 0x3A: return kKindPanpot;
        case 0x3B: return kKindExpression;
        default: return kKindIgnored;
    }
}

// The event reader (and the kind lookup it uses) runs once per event in the
// track loop and once more, on a file being rejected, to find where the
// failing event starts; it stays inlined into the loop.
#if defined(__GNUC__)
#define KESTREL_HOT_INLINE inline __attribute__((always_inline))
#else
#define KESTREL_HOT_INLINE inline
#endif

// Kind of an FF F0 L message from its first bytes. The register-write,
// voice-assignment and tempo messages carry two bytes behind their prefix
// (register and value, pair and voices, tempo code), so a message whose L
// cannot hold them is ignored like any unknown message.
KESTREL_HOT_INLINE std::uint8_t ExclusiveKind(const std::uint8_t* pBody, std::uint8_t byLength) {
    if (byLength < 5 || pBody[0] != 0x43) {
        return kKindIgnored;
    }
    if (pBody[1] == 0x03 && pBody[2] == 0x90) {
        return kKindRegisterWrite;
    }
    if (pBody[1] == 0x03 && pBody[2] == 0x91) {
        return kKindVoiceAssign;
    }
    if (pBody[1] == 0x01 && pBody[2] == 0x80 && pBody[3] == 0x31) {
        return kKindTempo;
    }
    return kKindIgnored;
}

// Reads one sequence event at nPos: the record gets its delta time in
// `time`. Returns false when the event reaches beyond the input.
KESTREL_HOT_INLINE bool ReadEvent(const CInputReader& in, std::size_t& nPos, std::uint8_t byTrack, EventRecord& record) {
    std::uint32_t nDelta = 0;
    if (!ReadShortDuration(in, nPos, nDelta)) {
        return false;
    }
    record.time = nDelta;
    record.track = byTrack;
    const std::size_t q = nPos;
    std::uint8_t b = 0;
    if (!in.ReadByte(q, b)) {
        return false;
    }
    if (b != 0x00 && b != 0xFF) {
        std::size_t nGatePos = q + 1;
        if (!ReadShortDuration(in, nGatePos, record.duration)) {
            return false;
        }
        record.kind = kKindNote;
        record.data = in.At(q);
        record.length = 1;
        nPos = nGatePos;
        return true;
    }
    std::uint8_t x = 0;
    if (!in.ReadByte(q + 1, x)) {
        return false;
    }
    if (b == 0x00) {
        std::uint32_t nConsumed = 2;
        if (x == 0x00) {
            std::uint8_t y = 0;
            if (!in.ReadByte(q + 2, y)) {
                return false;
            }
            record.kind = y == 0 ? kKindEndOfSequence : kKindIgnored;
            nConsumed = 3;
        } else if ((x & 0x30) == 0x30) {
            if (!in.Has(q, 3)) {
                return false;
            }
            record.kind = ControlKind(x);
            nConsumed = 3;
        } else if ((x & 0x30) == 0x20) {
            record.kind = kKindModulation;
        } else if ((x & 0x30) == 0x10) {
            record.kind = kKindPitchBend;
        } else {
            record.kind = kKindExpression;
        }
        record.data = in.At(q);
        record.length = nConsumed;
        nPos = q + nConsumed;
        return true;
    }
    // b == 0xFF
    if (x == 0xF0) {
        std::uint8_t byLength = 0;
        if (!in.ReadByte(q + 2, byLength) || !in.Has(q + 3, byLength)) {
            return false;
        }
        record.kind = ExclusiveKind(in.At(q + 3), byLength);
        record.data = in.At(q + 1);
        record.length = 8;
        nPos = q + 3 + byLength;
        return true;
    }
    record.kind = x < 0x10 ? kKindShortFF : kKindIgnored;
    record.data = in.At(q);
    record.length = 2;
    nPos = q + 2;
    return true;
}

// Where the event that ReadEvent cannot read begins: found again by reading
// the track from its start, so that the loop over a valid file need not keep
// each event's start.
std::size_t FailingEventStart(const CInputReader& in, std::size_t nBegin, std::size_t nEnd, std::uint8_t byTrack) {
    std::size_t nPos = nBegin;
    while (nPos < nEnd) {
        const std::size_t nStart = nPos;
        EventRecord record;
        if (!ReadEvent(in, nPos, byTrack, record)) {
            return nStart;
        }
    }
    return nPos;
}

// Reads one setup exclusive FF F0 L 43 (02|03) ... F7 at nPos. Returns the
// first rule the message breaks (ESetupRule::None when it is well formed),
// with what was found in place of the expected bytes in nFound.
ESetupRule ReadSetupMessage(const CInputReader& in, std::size_t& nPos, EventRecord& record, std::int32_t* anVoiceMap,
                            std::uint32_t& nFound) {
    if (!in.Has(nPos, 3)) {
        std::uint8_t by0 = 0;
        std::uint8_t by1 = 0;
        const bool bHas0 = in.ReadByte(nPos, by0);
        const bool bHas1 = in.ReadByte(nPos + 1, by1);
        if ((bHas0 && by0 != 0xFF) || (bHas1 && by1 != 0xF0)) {
            nFound = (std::uint32_t{by0} << 8) | by1;
            return ESetupRule::NotExclusive;
        }
        nFound = 0;
        return ESetupRule::PastEnd;
    }
    const std::uint8_t* m = in.At(nPos);
    const std::uint8_t byLength = m[2];
    if (m[0] != 0xFF || m[1] != 0xF0) {
        nFound = (std::uint32_t{m[0]} << 8) | m[1];
        return ESetupRule::NotExclusive;
    }
    if (byLength < 3) {
        nFound = byLength;
        return ESetupRule::LengthBelow3;
    }
    if (!in.Has(nPos + 3, byLength)) {
        nFound = byLength;
        return ESetupRule::PastEnd;
    }
    if (m[3] != 0x43) {
        nFound = m[3];
        return ESetupRule::Not43;
    }
    if (m[4] != 0x02 && m[4] != 0x03) {
        nFound = m[4];
        return ESetupRule::Not02Or03;
    }
    if (m[2 + byLength] != 0xF7) {
        nFound = m[2 + byLength];
        return ESetupRule::NoF7;
    }
    record = EventRecord{};
    record.data = m + 1;
    record.length = std::uint32_t{byLength} + 2;
    if (m[4] == 0x02 && m[5] == 0x80) {
        record.kind = kKindTempo;
    } else {
        record.kind = kKindSetupVoice;
        if (m[5] <= 15) {
            // A definition too short to carry its voice value reads it as 0.
            anVoiceMap[m[5]] = byLength >= 5 ? m[7] : 0;
        }
    }
    nPos += 3 + std::size_t{byLength};
    return ESetupRule::None;
}

void SetChannelFlags(std::uint8_t* abFlags, std::uint8_t v) {
    if (v <= 11) {
        abFlags[v] = 1;
    } else if (v <= 14) {
        const int nFirst = (v - 12) * 4;
        std::fill(abFlags + nFirst, abFlags + nFirst + 4, std::uint8_t{1});
    } else if (v == 15) {
        abFlags[12] = 1;
    }
}

}  // namespace

std::int32_t CCnvLarkWrentoHeron::Analyze() {
    const CInputReader in(m_pInput, static_cast<std::size_t>(m_nInputSize));

    // 1. "L2:" tags of the contents information select channel flags.
    if (m_nFormat == 1) {
        const ChunkFind info = FindChunk(in, [](const std::uint8_t* id) { return IdIs(id, "CNTI"); }, NoChunk);
        if (info.status == FindStatus::kInvalid) {
            return RejectChunk(m_rejection, in, info);
        }
        for (std::size_t i = 0; info.status == FindStatus::kFound && i < info.nSize; ++i) {
            const std::size_t at = info.nBody + i;
            std::uint8_t byComma = 0;
            if (in.Matches(at, "L2:", 3) && in.ReadByte(at + 4, byComma) && byComma == ',') {
                SetChannelFlags(m_abChannelFlag, *in.At(at + 3));
            }
        }
    }

    // 2. Start and stop points, still byte offsets into the sequence data.
    bool bStartResolved = false;
    bool bStopResolved = false;
    {
        const ChunkFind seek = FindChunk(
            in, [](const std::uint8_t* id) { return IdIs(id, "MspI") || IdIs(id, "AspI"); }, IsTrackChunk);
        if (seek.status == FindStatus::kInvalid) {
            return RejectChunk(m_rejection, in, seek);
        }
        if (seek.status == FindStatus::kFound && seek.nSize >= 16) {
            in.ReadBE32(seek.nBody + 3, m_nStartPoint);
            in.ReadBE32(seek.nBody + 11, m_nStopPoint);
        } else {
            m_nStartPoint = 0;
            bStartResolved = true;
        }
    }

    // 3. Setup data: voice definitions and tempo messages.
    {
        const ChunkFind setup = FindChunk(in, [](const std::uint8_t* id) { return IdIs(id, "Mtsu"); },
                                          IsScoreTrackChunk);
        if (setup.status == FindStatus::kInvalid) {
            return RejectChunk(m_rejection, in, setup);
        }
        if (setup.status == FindStatus::kFound) {
            const std::size_t nEnd = setup.nBody + setup.nSize;
            std::size_t nPos = setup.nBody;
            while (nPos < nEnd) {
                EventRecord record;
                std::uint32_t nFound = 0;
                const std::size_t nMessage = nPos;
                const ESetupRule eBroken = ReadSetupMessage(in, nPos, record, m_anVoiceMap, nFound);
                if (eBroken != ESetupRule::None) {
                    m_rejection = CRejectReason{};
                    m_rejection.eCode = ERejectCode::SetupMessage;
                    m_rejection.byDetail = static_cast<std::uint8_t>(eBroken);
                    m_rejection.nOffset = nMessage;
                    m_rejection.nValue = nFound;
                    m_rejection.nLength = in.Size();
                    return 0;
                }
                (record.kind == kKindTempo ? m_vecMasterEvents : m_vecEvents).push_back(record);
            }
        }
    }

    // 4. Voice numbering: each used slot takes the smallest number that no
    // slot holds at that moment.
    for (int j = 0; j < 16; ++j) {
        if (m_anVoiceMap[j] == -1) {
            continue;
        }
        std::int32_t v = 0;
        while (std::find(std::begin(m_anVoiceMap), std::end(m_anVoiceMap), v) != std::end(m_anVoiceMap)) {
            ++v;
        }
        m_anVoiceMap[j] = v;
    }

    // 5. Track events, merged into the lists in time order.
    std::uint32_t nLatestEnd = 0;
    for (int t = m_nFormat == 1 ? 1 : 0; t <= 5; ++t) {
        const std::uint8_t byTrack = static_cast<std::uint8_t>(t);
        const auto isOwnTrack = [t](const std::uint8_t* id) {
            return (IdStarts(id, "MTR") && id[3] == t) || (t == 5 && IsAudioTrackChunk(id));
        };
        const auto recordHeader = [this, &in, t](std::size_t nChunk) {
            const std::uint8_t* h = in.At(nChunk);
            if (IsAudioTrackChunk(h)) {
                m_awChannelStatus[4][0] = h[10];
                m_awChannelStatus[4][1] = h[11];
                m_byTimebaseD = h[12];
                m_byTimebaseG = h[13];
            } else {
                m_byTimebaseD = h[10];
                m_byTimebaseG = h[11];
                const int nPair = m_nFormat == 0 ? 0 : t - 1;
                m_awChannelStatus[nPair][0] = h[12];
                m_awChannelStatus[nPair][1] = h[13];
            }
        };
        const ChunkFind seq = FindChunk(
            in, [](const std::uint8_t* id) { return IdIs(id, "Mtsq") || IdIs(id, "Atsq"); }, isOwnTrack,
            recordHeader);
        if (seq.status == FindStatus::kInvalid) {
            return RejectChunk(m_rejection, in, seq);
        }
        if (seq.status == FindStatus::kNotFound || seq.nSize == 0) {
            continue;
        }
        // The track's events are appended to the list and then put in place.
        const std::size_t nTrackStart = m_vecEvents.size();
        const std::size_t nTempoStart = m_vecMasterEvents.size();
        // Every event takes at least three bytes: this bounds the track's
        // records, so the list does not move while it grows.
        m_vecEvents.reserve(nTrackStart + seq.nSize / 3 + 1);
        std::uint32_t T = 0;
        std::uint32_t M = 0;
        const std::size_t nEnd = seq.nBody + seq.nSize;
        std::size_t nPos = seq.nBody;
        while (nPos < nEnd) {
            const std::uint64_t nOffset = nPos - seq.nBody;
            if (!bStartResolved && nOffset == m_nStartPoint) {
                m_nStartPoint = T;
                bStartResolved = true;
            }
            if (!bStopResolved && nOffset == m_nStopPoint) {
                m_nStopPoint = T;
                bStopResolved = true;
            }
            EventRecord record;
            if (!ReadEvent(in, nPos, byTrack, record)) {
                m_rejection = CRejectReason{};
                m_rejection.eCode = ERejectCode::EventPastEnd;
                m_rejection.byTrack = byTrack;
                m_rejection.nOffset = FailingEventStart(in, seq.nBody, nEnd, byTrack);
                m_rejection.nLength = in.Size();
                return 0;
            }
            T += record.time;
            if (record.kind == kKindNote) {
                M = std::max(M, T + record.duration);
            } else if (record.kind == kKindEndOfSequence) {
                T = std::max(T, M);
            }
            record.time = T;
            switch (record.kind) {
                case kKindNote: case kKindBankSelect: case kKindProgramChange: case kKindPitchBend:
                case kKindPanpot: case kKindVolume: case kKindModulation: case kKindExpression:
                case kKindRegisterWrite: case kKindVoiceAssign: case kKindOctaveShift: case kKindShortFF:
                    m_vecEvents.push_back(record);
                    break;
                case kKindTempo:
                    m_vecMasterEvents.push_back(record);
                    break;
                case kKindIgnored:
                    ++m_anIgnoredEvents[t];
                    break;
                default:
                    break;
            }
        }
        if (!bStartResolved) {
            m_nStartPoint = 0;
            bStartResolved = true;
        }
        if (!bStopResolved) {
            m_nStopPoint = T;
            bStopResolved = true;
        }
        nLatestEnd = std::max(nLatestEnd, T);
        m_abTrackRead[t] = 1;
        m_anTrackLength[t] = T;
        InsertTrackEvents(m_vecEvents, nTrackStart);
        InsertTrackEvents(m_vecMasterEvents, nTempoStart);
    }

    // 6. Key-on pairing: a key-on register write lasts until the next
    // key-off of its FM channel.
    if (m_nFormat == 1) {
        constexpr std::size_t kNone = static_cast<std::size_t>(-1);
        std::size_t anOpen[16];
        std::fill(std::begin(anOpen), std::end(anOpen), kNone);
        for (std::size_t i = 0; i < m_vecEvents.size(); ++i) {
            EventRecord& record = m_vecEvents[i];
            if (record.kind != kKindRegisterWrite || (record.data[5] & 0xF0) != 0xC0) {
                continue;
            }
            const int k = record.data[5] & 0x0F;
            if ((record.data[6] & 0x20) != 0) {
                if (anOpen[k] == kNone) {
                    anOpen[k] = i;
                }
            } else if (anOpen[k] != kNone) {
                EventRecord& open = m_vecEvents[anOpen[k]];
                open.duration = record.time - open.time;
                anOpen[k] = kNone;
            }
        }
    }

    // 7. Wave data chunks, referenced whole.
    if (m_nFormat == 1) {
        for (int n = 1; n <= 62; ++n) {
            const ChunkFind wave = FindChunk(
                in, [n](const std::uint8_t* id) { return IdStarts(id, "Awa") && id[3] == n; }, IsAudioTrackChunk);
            if (wave.status == FindStatus::kInvalid) {
                return RejectChunk(m_rejection, in, wave);
            }
            if (wave.status == FindStatus::kFound && wave.nSize != 0) {
                EventRecord record;
                record.kind = kKindWaveData;
                record.track = 5;
                record.data = in.At(wave.nBody - 8);
                record.length = wave.nSize + 8;
                m_vecWaveChunks.push_back(record);
            }
        }
    }

    // 8. The closing record at the latest track end.
    EventRecord closing;
    closing.kind = kKindEndOfSequence;
    closing.time = nLatestEnd;
    closing.length = 3;
    m_vecEvents.push_back(closing);
    return 1;
}

void CCnvLarkWrentoHeron::InsertTrackEvents(std::vector<EventRecord>& list, std::size_t nTrackStart) {
    // Inserting each event after every record whose time is not greater
    // keeps the list sorted, so the result is a stable merge of the list
    // with the track's events in time order, the list's records first on
    // equal times.
    const auto byTime = [](const EventRecord& a, const EventRecord& b) { return a.time < b.time; };
    const auto trackBegin = list.begin() + static_cast<std::ptrdiff_t>(nTrackStart);
    if (!std::is_sorted(trackBegin, list.end(), byTime)) {
        // Times only wrap past 32 bits in pathological files.
        std::stable_sort(trackBegin, list.end(), byTime);
    }
    if (nTrackStart == 0 || trackBegin == list.end() || !byTime(*trackBegin, *(trackBegin - 1))) {
        return;  // already in place: the usual case for the first track
    }
    std::inplace_merge(list.begin(), trackBegin, list.end(), byTime);
}

}  // namespace previous_engine
