// Description of a Lark/Wren source file, read through the converter's own
// chunk walk and analysis: the events are the records the converter works
// from, keyed and placed on channels as it places them.
#include <algorithm>
#include <cstring>
#include <limits>

#include "ByteBuffer.h"
#include "ChunkTree.h"
#include "ChunkWalk.h"
#include "CnvLarkWrentoHeron.h"
#include "Crc16.h"
#include "DescribeParts.h"
#include "EventChannel.h"
#include "HeronCheck.h"
#include "HeronText.h"
#include "Pitch.h"
#include "RejectText.h"

namespace fileinfo {
namespace {

const char* const kNamesNote[] = {"key", "gate"};
const char* const kNamesSetupVoice[] = {"slot", "bank", "program", "voice"};
const char* const kNamesProgram[] = {"program"};
const char* const kNamesBank[] = {"bank"};
const char* const kNamesValue[] = {"value"};
const char* const kNamesStep[] = {"step"};
const char* const kNamesRegister[] = {"register", "value"};
const char* const kNamesVoiceAssign[] = {"pair", "voices"};
const char* const kNamesTempoCode[] = {"code"};
const char* const kNamesShift[] = {"shift"};

bool IsTrackId(const std::uint8_t* pId) {
    return std::memcmp(pId, "MTR", 3) == 0 || std::memcmp(pId, "ATR", 3) == 0;
}

// The chunk tree along the converter's walk, entering every track chunk. The
// walk itself is flat; a chunk belongs to the innermost track chunk that it
// starts inside.
void BuildChunkTree(const CInputReader& in, CFileDescription& d) {
    CChunkNode root;
    root.strId = "MMMD";
    root.nSize = (std::uint64_t{in.At(4)[0]} << 24) | (std::uint64_t{in.At(4)[1]} << 16) |
                 (std::uint64_t{in.At(4)[2]} << 8) | in.At(4)[3];
    CChunkTreeBuilder tree(root);
    CChunkNode* pLast = nullptr;
    const auto add = [&](const CChunkStep& step, bool bPastEnd) {
        while (tree.AnyOpen() && tree.InnermostEnd() <= step.nOffset) {
            tree.Close();
        }
        pLast = tree.Add(step.pId, step.nOffset, step.nSize, bPastEnd);
    };
    const CChunkWalkResult walk = WalkChunks(
        in,
        [&](const CChunkStep& step) {
            add(step, false);
            if (!IsTrackId(step.pId)) {
                return EChunkAction::Skip;
            }
            tree.OpenLast(std::uint64_t{step.nOffset} + 8 + step.nSize);
            return EChunkAction::Enter;
        },
        [&](const CChunkStep& step) {
            if (d.vecTracks.size() >= kMaxTracks) {
                ++d.nTracksOmitted;
                return;
            }
            const std::uint8_t* h = in.At(step.nOffset);
            CTrackInfo track;
            track.strId = heron::IdText(h);
            track.nOffset = step.nOffset;
            if (std::memcmp(h, "ATR", 3) == 0) {
                track.nTrack = 5;
                track.strKind = "audio";
                track.vecChannelStatus = {h[10], h[11]};
                track.nTimebaseD = h[12];
                track.nTimebaseG = h[13];
            } else {
                track.nTrack = h[3];
                track.strKind = "score";
                track.nTimebaseD = h[10];
                track.nTimebaseG = h[11];
                track.vecChannelStatus = {h[12], h[13]};
            }
            d.vecTracks.push_back(std::move(track));
        });
    switch (walk.eEnd) {
        case EChunkWalkEnd::HeadPastEnd:
        case EChunkWalkEnd::BodyPastEnd:
            add(walk.step, true);
            break;
        case EChunkWalkEnd::TrackHeaderPastEnd:
            // Added and opened by the classifier already; it cannot hold
            // its header.
            if (pLast != nullptr) {
                pLast->bPastEnd = true;
            }
            break;
        default:
            break;
    }
    d.nChunksOmitted = tree.Omitted();
    d.bChunksTooDeep = tree.TooDeep();
    d.vecChunks.push_back(std::move(root));
}

// Body range of the setup data the analysis reads: the first "Mtsu" of the
// walk that enters every score track.
void FindSetupRange(const CInputReader& in, std::size_t& nBegin, std::size_t& nEnd) {
    const CChunkWalkResult walk = WalkChunks(
        in,
        [](const CChunkStep& step) {
            if (std::memcmp(step.pId, "Mtsu", 4) == 0) {
                return EChunkAction::Stop;
            }
            return std::memcmp(step.pId, "MTR", 3) == 0 ? EChunkAction::Enter : EChunkAction::Skip;
        },
        [](const CChunkStep&) {});
    nBegin = nEnd = 0;
    if (walk.eEnd == EChunkWalkEnd::Stopped) {
        nBegin = walk.step.nOffset + 8;
        nEnd = nBegin + walk.step.nSize;
    }
}

// FM channel state for the notes that key-on register writes become, as
// the translation makes them: a note on the nearest key when the channel
// is idle, only a bend while it sounds.
struct CFmChannels {
    std::uint16_t awFnum[16] = {};
    bool abSounding[16] = {};

    // The key of the note a register write starts, or -1.
    int Apply(std::uint8_t r, std::uint8_t v) {
        const std::uint8_t n = r & 0x0F;
        if ((r & 0xF0) == 0xB0) {
            awFnum[n] = static_cast<std::uint16_t>((awFnum[n] & 0x300) | v);
        } else if ((r & 0xF0) == 0xC0) {
            if ((v & 0x20) == 0) {
                abSounding[n] = false;
                return -1;
            }
            const std::uint8_t byBlock = (v >> 2) & 7;
            awFnum[n] = static_cast<std::uint16_t>(((v & 3) << 8) | (awFnum[n] & 0xFF));
            if (!abSounding[n]) {
                abSounding[n] = true;
                const std::uint8_t k = pitch::NearestKey(pitch::KeyOf(pitch::FmFrequency(byBlock, awFnum[n])));
                return k > 127 ? 127 : k;
            }
        }
        return -1;
    }
};

CEvent MakeEvent(const EventRecord& record, EEventType eType, int nChannel) {
    CEvent e;
    e.nTick = record.time;
    e.nTrack = record.track;
    e.nChannel = static_cast<std::int16_t>(nChannel);
    e.eType = eType;
    e.bAudio = record.track == 5;
    return e;
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

// One analysed record as an event, keyed as the translation keys it.
CEvent DescribeRecord(const EventRecord& record, const CCnvLarkWrentoHeron& cnv, std::int8_t* anOctaveShift,
                      CFmChannels& fm, int& nRegisterKey) {
    const std::uint8_t* d = record.data;
    const bool bAudio = record.track == 5;
    const bool bLong = record.length == 3;
    const int ch = HasSourceChannel(record.kind) ? OutputChannel(record, cnv.m_nFormat) : -1;
    nRegisterKey = -1;
    switch (record.kind) {
        case kKindNote: {
            CEvent e = MakeEvent(record, EEventType::Note, ch);
            const std::uint8_t byKey = bAudio ? pitch::AudioNoteKey(d[0]) : pitch::ScoreNoteKey(d[0], anOctaveShift[ch & 15]);
            SetValues(e, kNamesNote, {byKey, static_cast<std::int32_t>(std::min<std::uint32_t>(record.duration, 0x7FFFFFFF))});
            return e;
        }
        case kKindSetupVoice: {
            CEvent e = MakeEvent(record, EEventType::SetupVoice, -1);
            const std::uint8_t bySlot = record.length > 4 ? d[4] : 0;
            SetValues(e, kNamesSetupVoice,
                      {bySlot, record.length > 5 ? d[5] : 0, record.length > 6 ? d[6] : 0,
                       bySlot <= 15 ? cnv.m_anVoiceMap[bySlot] : -1});
            return e;
        }
        case kKindProgramChange: {
            CEvent e = MakeEvent(record, EEventType::ProgramChange, ch);
            SetValues(e, kNamesProgram, {d[2]});
            return e;
        }
        case kKindBankSelect: {
            CEvent e = MakeEvent(record, EEventType::BankSelect, ch);
            SetValues(e, kNamesBank, {d[2]});
            return e;
        }
        case kKindPitchBend:
        case kKindModulation:
        case kKindExpression: {
            const EEventType eType = record.kind == kKindPitchBend   ? EEventType::PitchBend
                                     : record.kind == kKindModulation ? EEventType::Modulation
                                                                      : EEventType::Expression;
            CEvent e = MakeEvent(record, eType, ch);
            if (bLong) {
                SetValues(e, kNamesValue, {d[2]});
            } else {
                SetValues(e, kNamesStep, {d[1] & 0x0F});
            }
            return e;
        }
        case kKindPanpot:
        case kKindVolume: {
            CEvent e = MakeEvent(record, record.kind == kKindPanpot ? EEventType::Panpot : EEventType::Volume, ch);
            SetValues(e, kNamesValue, {d[2]});
            return e;
        }
        case kKindRegisterWrite: {
            CEvent e = MakeEvent(record, EEventType::RegisterWrite, d[5] & 0x0F);
            e.bAudio = false;
            SetValues(e, kNamesRegister, {d[5], d[6]});
            nRegisterKey = fm.Apply(d[5], d[6]);
            return e;
        }
        case kKindVoiceAssign: {
            CEvent e = MakeEvent(record, EEventType::VoiceAssign, -1);
            SetValues(e, kNamesVoiceAssign, {d[5] & 7, d[6]});
            return e;
        }
        case kKindTempo: {
            CEvent e = MakeEvent(record, EEventType::Tempo, -1);
            SetValues(e, kNamesTempoCode, {d[record.length - 2]});
            return e;
        }
        case kKindOctaveShift: {
            CEvent e = MakeEvent(record, EEventType::OctaveShift, ch);
            const std::int8_t nShift = pitch::OctaveShiftValue(d[2]);
            if (!bAudio) {
                anOctaveShift[ch & 15] = nShift;
            }
            SetValues(e, kNamesShift, {nShift});
            return e;
        }
        case kKindShortFF: {
            CEvent e = MakeEvent(record, EEventType::ShortFF, -1);
            SetValues(e, kNamesValue, {d[1]});
            return e;
        }
        default:
            return MakeEvent(record, EEventType::EndOfSequence, -1);
    }
}

void AddCount(std::vector<CEventCount>& counts, const char* pszType, std::uint64_t n = 1) {
    for (CEventCount& count : counts) {
        if (count.strType == pszType) {
            count.nCount += n;
            return;
        }
    }
    counts.push_back({pszType, n});
}

void DescribeAnalysis(const CCnvLarkWrentoHeron& cnv, const std::uint8_t* pBytes, const CInputReader& in,
                      const CDescribeOptions& options, CFileDescription& d) {
    // Tracks: the engine's per-track figures for the first chunk of each number.
    bool abSeen[6] = {};
    for (CTrackInfo& track : d.vecTracks) {
        const int t = track.nTrack;
        if (t < 0 || t > 5 || abSeen[t] || (cnv.m_nFormat == 1 && t == 0)) {
            continue;
        }
        abSeen[t] = true;
        track.bRead = cnv.m_abTrackRead[t] != 0;
        track.nLengthTicks = cnv.m_anTrackLength[t];
        track.nIgnored = cnv.m_anIgnoredEvents[t];
    }
    d.nLengthTicks = cnv.m_vecEvents.empty() ? 0 : cnv.m_vecEvents.back().time;
    d.bHasPoints = true;
    d.nStartTick = cnv.m_nStartPoint;
    d.nStopTick = cnv.m_nStopPoint;

    std::size_t nSetupBegin = 0;
    std::size_t nSetupEnd = 0;
    FindSetupRange(in, nSetupBegin, nSetupEnd);
    const auto isSetup = [&](const EventRecord& record) {
        const std::size_t nAt = static_cast<std::size_t>(record.data - pBytes);
        return nAt >= nSetupBegin && nAt < nSetupEnd;
    };

    for (const EventRecord& record : cnv.m_vecEvents) {
        if (record.kind == kKindSetupVoice) {
            CVoiceInfo voice;
            voice.nSlot = record.length > 4 ? record.data[4] : 0;
            voice.nBank = record.length > 5 ? record.data[5] : 0;
            voice.nProgram = record.length > 6 ? record.data[6] : 0;
            voice.nVoice = voice.nSlot <= 15 ? cnv.m_anVoiceMap[voice.nSlot] : -1;
            d.vecVoices.push_back(voice);
        }
    }
    for (const EventRecord& record : cnv.m_vecMasterEvents) {
        CTempoInfo tempo;
        tempo.nTick = record.time;
        tempo.nTrack = isSetup(record) ? -1 : record.track;
        tempo.nCode = record.data[record.length - 2];
        d.vecTempos.push_back(tempo);
    }
    for (const EventRecord& wave : cnv.m_vecWaveChunks) {
        CWaveInfo info;
        info.nNumber = wave.data[3];
        info.nOffset = static_cast<std::uint64_t>(wave.data - pBytes);
        info.nSize = wave.length - 8;
        info.bConverted = info.nNumber <= 32;
        d.vecWaves.push_back(info);
    }

    // Events in time order: the main list with the tempo messages merged in
    // before the records of a later time.
    std::int8_t anOctaveShift[16] = {};
    CFmChannels fm;
    std::size_t iTempo = 0;
    const auto& tempos = cnv.m_vecMasterEvents;
    std::uint64_t anTrackEvents[6] = {};
    const auto take = [&](const EventRecord& record, bool bClosing) {
        int nRegisterKey = -1;
        const CEvent e = DescribeRecord(record, cnv, anOctaveShift, fm, nRegisterKey);
        if (!bClosing) {
            AddCount(d.vecCounts, EventTypeName(e.eType));
            if (record.kind != kKindSetupVoice && !isSetup(record) && record.track <= 5) {
                ++anTrackEvents[record.track];
            }
        }
        if (options.bNotes && (e.eType == EEventType::Note || nRegisterKey >= 0)) {
            CNote note;
            note.nTick = record.time;
            note.nTicks = record.duration;
            note.byChannel = static_cast<std::uint8_t>(e.nChannel & 15);
            note.byKey = static_cast<std::uint8_t>(nRegisterKey >= 0 ? nRegisterKey : e.anValue[0]);
            note.bAudio = e.bAudio;
            note.byTrack = record.track;
            d.vecNotes.push_back(note);
        }
        if (options.bEvents) {
            d.vecEvents.push_back(e);
        }
    };
    for (std::size_t i = 0; i < cnv.m_vecEvents.size(); ++i) {
        const EventRecord& record = cnv.m_vecEvents[i];
        while (iTempo < tempos.size() && tempos[iTempo].time < record.time) {
            take(tempos[iTempo++], false);
        }
        take(record, i + 1 == cnv.m_vecEvents.size());
    }
    while (iTempo < tempos.size()) {
        take(tempos[iTempo++], false);
    }
    std::uint64_t nIgnored = 0;
    for (CTrackInfo& track : d.vecTracks) {
        if (track.bRead) {
            track.nEvents = anTrackEvents[track.nTrack];
            nIgnored += track.nIgnored;
        }
    }
    if (nIgnored != 0) {
        AddCount(d.vecCounts, "ignored", nIgnored);
    }
}

}  // namespace

void DescribeSource(const std::uint8_t* pBytes, std::size_t nSize, const CDescribeOptions& options,
                    CFileDescription& d) {
    d.eGeneration = EGeneration::Source;
    if (nSize >= 18) {
        d.nContentType = pBytes[17];
    }
    if (nSize >= 10) {
        d.vecCrcs.push_back({"file", static_cast<std::uint16_t>((pBytes[nSize - 2] << 8) | pBytes[nSize - 1]),
                             Crc16(pBytes, static_cast<std::int64_t>(nSize - 2))});
        BuildChunkTree(CInputReader(pBytes, nSize), d);
    }
    if (nSize > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
        d.strReasonCode = "too-large";
        d.strReason = "the input is larger than the converter accepts (2 GiB)";
        return;
    }
    const auto nCount = static_cast<std::int32_t>(nSize);

    {
        // Its events are let go before the conversion makes its own.
        CCnvLarkWrentoHeron analysis;
        if (analysis.AnalyzeInput(pBytes, nCount) != 1) {
            d.rejection = analysis.m_rejection;
            d.strReasonCode = RejectCodeName(d.rejection.eCode);
            d.strReason = DescribeRejection(d.rejection);
            if (d.rejection.eCode != ERejectCode::NotVela && d.rejection.eCode != ERejectCode::TooShort &&
                d.rejection.eCode != ERejectCode::SizeField && d.rejection.eCode != ERejectCode::ContentType &&
                d.rejection.eCode != ERejectCode::NoInput) {
                d.nFormat = analysis.m_nFormat;
            }
            return;
        }
        d.nFormat = analysis.m_nFormat;
        DescribeAnalysis(analysis, pBytes, CInputReader(pBytes, nSize), options, d);
    }

    // What the conversion makes of it: a writer may still fail, which makes
    // the file invalid all the same.
    CCnvLarkWrentoHeron converter;
    ByteBuffer out;
    const std::int32_t nResult = converter.Convert(pBytes, nCount, out);
    d.bConverted = true;
    d.bConvertedOk = nResult == 1;
    if (!d.bConvertedOk) {
        d.rejection = converter.m_rejection;
        d.strReasonCode = RejectCodeName(d.rejection.eCode);
        d.strReason = DescribeRejection(d.rejection);
        d.strConvertReason = d.strReason;
        return;
    }
    d.bValid = true;
    d.nConvertedSize = out.Size();
    const heron::CFileCheck check = heron::CheckFileLayout(out.Data(), out.Size());
    d.vecConvertedProblems = check.vecProblems;
    if (options.bNotes) {
        CollectHeronNotes(out.Data(), check.layout, d.vecConvertedNotes, d.nConvertedLengthTicks);
    }
}

}  // namespace fileinfo
