// The converter of one VELA file for the Lark/Wren generations into a file for
// the Heron generation: bytes in, bytes out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "ByteBuffer.h"
#include "RejectReason.h"

namespace previous_engine {

// Event kinds recorded by the analysis.
enum EventKind : std::uint8_t {
    kKindIgnored = 0,
    kKindNote = 1,
    kKindBankSelect = 2,
    kKindProgramChange = 3,
    kKindPitchBend = 4,
    kKindPanpot = 6,
    kKindVolume = 8,
    kKindModulation = 9,
    kKindExpression = 10,
    kKindSetupVoice = 11,
    kKindRegisterWrite = 12,
    kKindVoiceAssign = 13,
    kKindTempo = 14,
    kKindOctaveShift = 15,
    kKindShortFF = 16,
    kKindEndOfSequence = 17,
    kKindWaveData = 18,
};

// One analysed input event. data points into the caller's input bytes, so a
// record is valid only while Convert runs. The fields are ordered so that a
// record takes 24 bytes: large files hold millions of them.
struct EventRecord {
    std::uint32_t time = 0;
    std::uint32_t duration = 0;
    std::uint32_t length = 0;
    std::uint8_t kind = 0;
    std::uint8_t track = 0;
    const std::uint8_t* data = nullptr;
};

struct NoteSlot {
    std::uint32_t start = 0;
    std::uint32_t duration = 0;
    std::uint32_t index = 0;
};

// Engine results: positive success, 0 input not acceptable, negative a writer
// failed. One object serves exactly one Convert call. Its state is public so
// that the writers can be driven and inspected one at a time.
class CCnvLarkWrentoHeron {
public:
    CCnvLarkWrentoHeron();
    virtual ~CCnvLarkWrentoHeron();
    CCnvLarkWrentoHeron(const CCnvLarkWrentoHeron&) = delete;
    CCnvLarkWrentoHeron& operator=(const CCnvLarkWrentoHeron&) = delete;

    // Converts the nSize input bytes and appends the finished file to output.
    // 1: success; 0: input not acceptable; negative: a writer failed. output
    // receives bytes only on success.
    std::int32_t Convert(const std::uint8_t* pInput, std::int32_t nSize, ByteBuffer& output);

    // Validates and analyses the input exactly as Convert does, without the
    // note merge and without writing: the lists and tables are left as the
    // analysis made them, for readers that describe a source file. 1: the
    // input is acceptable; 0: it is not (m_rejection says why).
    std::int32_t AnalyzeInput(const std::uint8_t* pInput, std::int32_t nSize);

    // --- steps of Convert, in the order it runs them -------------------------
    std::int32_t ValidateInput();
    std::int32_t Analyze();
    void MergeOverlappingNotes();
    std::int32_t WriteOptionalData(ByteBuffer& out);
    std::int32_t WriteScoreTrack(ByteBuffer& out);
    std::int32_t WriteMasterTrack(ByteBuffer& out);

    // --- parts of the score track ---------------------------------------------
    std::int32_t WriteVoiceFormat0(const EventRecord& record, const std::int32_t* anVoiceMap, ByteBuffer& out);
    std::int32_t WriteVoiceFormat1(const EventRecord& record, const std::int32_t* anVoiceMap, ByteBuffer& out);
    void PrepareBendRanges(ByteBuffer& out);
    std::uint8_t TranslateEvent(const EventRecord& record, ByteBuffer& out, std::uint32_t nDelta);

    // Channel-status byte of output channel 0..31 of the score track header.
    std::uint8_t ChannelStatusByte(int nChannel) const;

    // --- converter state --------------------------------------------------------
    const std::uint8_t* m_pInput = nullptr;
    std::int32_t m_nInputSize = 0;
    std::uint32_t m_nStartPoint = 0xFFFFFFFF;
    std::uint32_t m_nStopPoint = 0xFFFFFFFF;
    std::uint8_t m_nFormat = 0;
    std::vector<EventRecord> m_vecEvents;
    std::vector<EventRecord> m_vecMasterEvents;
    std::vector<EventRecord> m_vecWaveChunks;
    std::uint8_t m_byTimebaseD = 2;
    std::uint8_t m_byTimebaseG = 2;
    std::int8_t m_anOctaveShift[16] = {};
    std::uint8_t m_abyBank[16] = {};
    std::uint8_t m_abChannelFlag[13] = {};
    std::int32_t m_anVoiceMap[16];
    std::uint32_t m_nTrackChunkStart = 0;
    std::uint32_t m_nTrackChunkSize = 0;
    std::uint32_t m_nMasterChunkSize = 0;
    std::uint32_t m_nTrackCrcPos = 0;
    std::uint32_t m_nContentsStart = 0;
    std::uint32_t m_nContentsSize = 0;
    std::uint32_t m_nOptionSize = 0;
    std::uint32_t m_nContentsCrcPos = 0;
    std::uint16_t m_awFnum[16] = {};
    double m_adBaseFreq[16] = {};
    std::uint8_t m_abyBlock[16] = {};
    std::uint8_t m_abyBendRange[16];
    std::int32_t m_anBendOverflow[16] = {};
    std::int32_t m_anBendPending[16] = {};
    std::uint8_t m_awChannelStatus[5][2] = {};
    std::uint8_t m_abyVelocity[16];
    std::uint8_t m_byCopyStatus = 0xF8;
    std::uint8_t m_abWaveInit[4] = {};
    NoteSlot m_aNoteSlot[16][128] = {};

    // Set when a delta or gate time does not fit the variable-length quantity;
    // the writer that met it then fails instead of writing a corrupt file.
    bool m_bTimeOverflow = false;

    // Why Convert or AnalyzeInput returned 0 or a negative result; code
    // None after a success.
    CRejectReason m_rejection;

    // Per input track 0..5, recorded by the analysis for readers: whether
    // its sequence data was read, its length in ticks (the running time
    // after its last event), and how many of its events were ignored.
    std::uint8_t m_abTrackRead[6] = {};
    std::uint32_t m_anTrackLength[6] = {};
    std::uint32_t m_anIgnoredEvents[6] = {};

    // Ordering and lookups. The engine's versions merge and index once per
    // conversion; they are virtual so that a plain linear-scan version can be
    // checked against them byte for byte.
    // Places the records from nTrackStart to the end of list (one track's
    // events, in file order) as if each had been inserted in turn after
    // every record whose time is not greater than its own.
    virtual void InsertTrackEvents(std::vector<EventRecord>& list, std::size_t nTrackStart);
    // Voice slot (byte 4) of the first setup voice exclusive of m_vecEvents
    // whose byte 5 is byBank and byte 6 is byProgram; -1 when there is none.
    virtual int FindSetupVoiceSlot(std::uint8_t byBank, std::uint8_t byProgram);
    // Whether m_vecEvents holds a key-on register write (register 0xC0 + n,
    // value bit 0x20) of FM channel byChannel at nTime.
    virtual bool HasKeyOnAt(std::uint32_t nTime, std::uint8_t byChannel);

    // Negative results of the writers.
    static constexpr std::int32_t kResultTimeOverflow = -1;
    static constexpr std::int32_t kResultOutOfMemory = -2;

private:
    std::int32_t ConvertUnguarded(const std::uint8_t* pInput, std::int32_t nSize, ByteBuffer& output);
    std::int32_t ValidateAndAnalyze(const std::uint8_t* pInput, std::int32_t nSize);
    void NoteTimeOverflow(ETimePlace ePlace, std::uint64_t nValue, const EventRecord& record);
    std::uint8_t TranslateRegisterWrite(const EventRecord& record, ByteBuffer& out, std::uint32_t nDelta);
    void AppendTime(ByteBuffer& out, std::uint32_t nTicks);

    bool m_bVoiceIndexBuilt = false;
    bool m_bKeyOnIndexBuilt = false;
    std::vector<std::uint64_t> m_vecKeyOnTimes;                 // sorted (time << 4) | FM channel
    std::unordered_map<std::uint16_t, int> m_mapSetupVoiceSlot;  // (bank << 8) | program -> slot
};

}  // namespace previous_engine
