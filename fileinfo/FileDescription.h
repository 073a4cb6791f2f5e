// What kestrel-info shows of one file: the description that the summary,
// the event listing, the JSON document and the piano roll are made from.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "HeronProblem.h"
#include "RejectReason.h"

namespace fileinfo {

enum class EGeneration : std::uint8_t {
    Source,   // "MMMD", not a Heron file as Kestrel writes it: a Lark/Wren source (valid or not)
    Heron,    // "MMMD" with the contents type 0x39 that Kestrel writes
    Unknown,  // not a VELA file
};
const char* GenerationName(EGeneration eGeneration);  // "source", "heron", "unknown"

struct CChunkNode {
    std::string strId;          // printable characters kept, other bytes as \xNN
    std::uint64_t nOffset = 0;  // file offset of the ID
    std::uint64_t nSize = 0;    // body size field
    bool bPastEnd = false;      // the chunk reaches beyond its parent or the file
    std::vector<CChunkNode> vecChildren;
    std::uint64_t nOmitted = 0;  // chunks inside it counted but not kept (too many, or nested too deep)
};

struct CCrcInfo {
    std::string strName;  // "file", "track (A0)", "contents (A2)"
    std::uint16_t nStored = 0;
    std::uint16_t nComputed = 0;
    bool Ok() const { return nStored == nComputed; }
};

struct CTrackInfo {
    int nTrack = 0;              // source: 0..5 (5 the audio track); Heron: 7 score track, 0 master track
    std::string strKind;         // "score", "audio", "master"
    std::string strId;
    std::uint64_t nOffset = 0;
    int nTimebaseD = -1;         // -1: not present
    int nTimebaseG = -1;
    std::vector<std::uint8_t> vecChannelStatus;  // source: the 2 status bytes (audio: wave type, wave status); Heron: 32
    bool bRead = false;          // its sequence data was read
    std::uint32_t nLengthTicks = 0;
    std::uint64_t nEvents = 0;   // events recorded from it
    std::uint64_t nIgnored = 0;  // events the analysis ignores
};

struct CVoiceInfo {
    int nSlot = -1;     // source: voice slot of the definition
    int nBank = -1;     // source
    int nProgram = -1;  // source
    int nVoice = -1;    // the assigned (source) or written (Heron) voice number; -1 none
    int nBlocks = 0;    // Heron: operator blocks of the voice message
};

struct CTempoInfo {
    std::uint32_t nTick = 0;
    int nTrack = 0;                 // source track (0 for the setup data); Heron: 0 master track
    int nCode = -1;                 // source tempo code X
    std::uint32_t nMicroseconds = 0;  // Heron: quarter-note length
};

struct CWaveInfo {
    int nNumber = 0;
    std::uint64_t nOffset = 0;
    std::uint64_t nSize = 0;   // sample bytes
    int nRate = 0;             // Heron: sampling rate word
    bool bConverted = false;   // source: numbers up to 32 are carried over
};

// One decoded event. Up to four values whose names depend on the type (the
// name list says which; both the text and the JSON use those names).
enum class EEventType : std::uint8_t {
    Note, SetupVoice, ProgramChange, BankSelect, PitchBend, Panpot, Volume, Modulation, Expression,
    RegisterWrite, VoiceAssign, Tempo, OctaveShift, ShortFF, EndOfSequence, WaveData,
    ControlChange, Exclusive,
};
const char* EventTypeName(EEventType eType);

struct CEvent {
    std::uint32_t nTick = 0;
    std::int16_t nTrack = 0;
    std::int16_t nChannel = -1;  // -1: the event has no channel
    EEventType eType = EEventType::Note;
    std::uint8_t nValues = 0;
    bool bAudio = false;         // a channel of the audio track
    std::int32_t anValue[4] = {};
    const char* const* ppNames = nullptr;  // nValues names
};

// A note as the piano roll draws it.
struct CNote {
    std::uint32_t nTick = 0;
    std::uint32_t nTicks = 0;  // gate time
    std::uint8_t byChannel = 0;
    std::uint8_t byKey = 0;
    bool bAudio = false;
    std::uint8_t byTrack = 0;  // source track
};

struct CEventCount {
    std::string strType;
    std::uint64_t nCount = 0;
};

struct CDescribeOptions {
    bool bEvents = false;  // decode every event
    bool bNotes = false;   // collect the notes for the piano roll
};

struct CFileDescription {
    std::string strPath;
    EGeneration eGeneration = EGeneration::Unknown;
    std::uint64_t nSize = 0;
    bool bValid = false;
    std::string strReasonCode;  // when not valid
    std::string strReason;
    CRejectReason rejection;    // source files: what the converter recorded

    int nFormat = -1;       // source: 0 or 1 once the content type is known
    int nContentType = -1;  // byte 17, when present

    std::vector<CCrcInfo> vecCrcs;
    std::vector<CChunkNode> vecChunks;
    std::uint64_t nChunksOmitted = 0;  // in all nOmitted counts of the tree
    bool bChunksTooDeep = false;       // some were nested deeper than the tree keeps
    std::vector<CTrackInfo> vecTracks;
    std::uint64_t nTracksOmitted = 0;  // track chunks beyond the ones kept
    std::vector<CVoiceInfo> vecVoices;
    std::vector<CTempoInfo> vecTempos;
    std::vector<CWaveInfo> vecWaves;
    std::vector<CEventCount> vecCounts;
    bool bHasPoints = false;
    std::uint32_t nStartTick = 0;
    std::uint32_t nStopTick = 0;
    std::uint32_t nLengthTicks = 0;  // the longest track

    std::vector<CEvent> vecEvents;  // with CDescribeOptions::bEvents
    std::vector<CNote> vecNotes;    // with CDescribeOptions::bNotes

    // Heron files: the structural check.
    std::vector<heron::CProblem> vecProblems;

    // Source files: what the conversion makes of it.
    bool bConverted = false;  // the conversion was run
    bool bConvertedOk = false;
    std::string strConvertReason;
    std::uint64_t nConvertedSize = 0;
    std::vector<heron::CProblem> vecConvertedProblems;
    std::vector<CNote> vecConvertedNotes;  // with CDescribeOptions::bNotes
    std::uint32_t nConvertedLengthTicks = 0;
};

// Describes the nSize bytes of one file.
CFileDescription DescribeFile(const std::string& strPath, const std::uint8_t* pBytes, std::size_t nSize,
                              const CDescribeOptions& options);

// Files are described from their whole bytes up to this size (what the
// converter accepts); a larger one only from its first bytes.
inline constexpr std::uint64_t kMaxDescribedSize = 0x7FFFFFFF;
// How many first bytes tell a VELA file from another, and its generation.
inline constexpr std::size_t kHeadBytes = 18;
// Whether the first bytes of a file (nHead of them) are worth reading the
// rest for: a VELA file begins with "MMMD".
bool BeginsLikeVela(const std::uint8_t* pHead, std::size_t nHead);
// A file of nSize bytes described from its first nHead bytes alone: not a
// VELA file, or one too large to describe.
CFileDescription DescribeFromHead(const std::string& strPath, const std::uint8_t* pHead, std::size_t nHead,
                                  std::uint64_t nSize);

}  // namespace fileinfo
