// Builder of VELA *source* files (Lark/Wren generation input) for tests, fuzz
// seeds, benchmarks and sample files.
//
// A file is assembled bottom-up from chunks. Every chunk is framed with its
// 4-byte ID and a big-endian body size that is computed when the chunk is
// framed, so nested chunks never need hand-counted sizes:
//
//     CSequenceBuilder seq;
//     seq.Note(0, /*channel*/ 0, /*octave*/ 2, /*note*/ 5, /*gate*/ 96)
//        .Volume(10, 0, 100)
//        .EndOfSequence(96);
//     CSetupBuilder setup;
//     setup.VoiceFormat0(/*slot*/ 1, /*bank*/ 0, /*program*/ 5, kSomeParams);
//     std::vector<std::uint8_t> file = CVelaFile()
//         .Add(ContentsInfo(0x00))                       // format 0
//         .Add(ScoreTrack(0, CTrackHeader{}).Add(Setup(setup)).Add(ScoreSequence(seq)))
//         .ToBytes();                                    // MMMD, size and CRC filled in
//
// Event helpers write the source event forms exactly as a Lark/Wren player
// reads them; none of them validates its arguments, so tests can also build
// malformed input on purpose (Raw() adds arbitrary bytes anywhere).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace vela {

using Bytes = std::vector<std::uint8_t>;

// Largest value of the two-byte short duration form used for delta and gate
// times in source sequences.
inline constexpr std::uint32_t kMaxShortDuration = 16511;

// Appends a delta or gate time in the short duration form: one byte below
// 0x80, otherwise 0x80 | (value / 128 - 1) and value % 128. Values above
// kMaxShortDuration are clamped to it.
void AppendShortDuration(Bytes& out, std::uint32_t nValue);

// Appends a 32-bit value most significant byte first.
void AppendBE32(Bytes& out, std::uint32_t nValue);

// ---------------------------------------------------------------------------
// Chunks

// One chunk: ID, body size (filled in by ToBytes()) and body. Children are
// framed when they are added, so add a child only once it is complete.
class CChunk {
public:
    // id must be exactly four characters; use the (prefix, number) form for
    // IDs that end in a binary number byte such as "MTR" + 1.
    explicit CChunk(std::string_view id);
    CChunk(std::string_view prefix3, std::uint8_t byNumber);

    CChunk& Add(const CChunk& child);
    CChunk& Raw(const Bytes& bytes);
    CChunk& Raw(std::initializer_list<std::uint8_t> bytes);
    // Writes nSize into the size field instead of the true body size (for
    // sizes that overrun or underrun the body).
    CChunk& OverrideSize(std::uint32_t nSize);

    const Bytes& Body() const { return m_vecBody; }
    // ID, size field and body.
    Bytes ToBytes() const;

private:
    std::uint8_t m_abyId[4];
    Bytes m_vecBody;
    bool m_bSizeOverridden = false;
    std::uint32_t m_nSizeOverride = 0;
};

// Contents-info chunk "CNTI". Its body is: class, content type, code type,
// copy status, copy count, then the option text. The content type selects the
// format: 0x00, 0x30, 0x40, 0x50 are format 0; 0x01..0x2F, 0x31, 0x41, 0x51
// are format 1. An option text such as "L2:\x0D," carries channel tags.
struct CContentsInfo {
    std::uint8_t byClass = 0x00;
    std::uint8_t byContentType = 0x00;
    std::uint8_t byCodeType = 0x00;
    std::uint8_t byCopyStatus = 0x00;
    std::uint8_t byCopyCount = 0x00;
    std::string strOption;
};
CChunk ContentsInfo(const CContentsInfo& info);
// Shorthand: only the content type (and optionally the option text) differ.
CChunk ContentsInfo(std::uint8_t byContentType, std::string_view option = {});

// Six-byte header of a score track "MTR" + n: two bytes the converter does not
// read, timebase D, timebase G and the two channel-status bytes (high nibble
// first: channel 0 of the track in the high nibble of the first byte).
struct CTrackHeader {
    std::uint8_t abyUnread[2] = {0x00, 0x00};
    std::uint8_t byTimebaseD = 0x02;
    std::uint8_t byTimebaseG = 0x02;
    std::uint8_t abyChannelStatus[2] = {0x00, 0x00};
};
CChunk ScoreTrack(std::uint8_t byTrack, const CTrackHeader& header = {});

// Six-byte header of an audio track "ATR" + n: two unread bytes, the wave-type
// and wave-status bytes, timebase D and timebase G. The low nibble of the
// wave-type byte selects the sampling rate of the converted waves.
struct CAudioHeader {
    std::uint8_t abyUnread[2] = {0x00, 0x00};
    std::uint8_t byWaveType = 0x00;
    std::uint8_t byWaveStatus = 0x00;
    std::uint8_t byTimebaseD = 0x02;
    std::uint8_t byTimebaseG = 0x02;
};
CChunk AudioTrack(std::uint8_t byTrack, const CAudioHeader& header = {});

// Seek-and-phrase chunk ("MspI", or "AspI" when bAudio): 16-byte body
// "st:" start "," "sp:" stop ",", so the start point is the 32-bit value at
// body offset 3 and the stop point the one at offset 11. Both are byte
// offsets into the first track's sequence body (CSequenceBuilder::Offset()).
CChunk SeekAndPhrase(std::uint32_t nStart, std::uint32_t nStop, bool bAudio = false);

// Wave-data chunk "Awa" + n holding the given sample bytes.
CChunk WaveData(std::uint8_t byNumber, const Bytes& samples);

// ---------------------------------------------------------------------------
// Setup data ("Mtsu"): exclusive messages FF F0 L <L bytes ending F7>

class CSetupBuilder {
public:
    // Format-0 voice: FF F0 L 43 02 slot bank program p[0..12] F7. The 13
    // parameter bytes are: selector byte, operator 1 (4 bytes), operator 2
    // (4 bytes), four wave bytes. Fewer bytes make a short message.
    CSetupBuilder& VoiceFormat0(std::uint8_t bySlot, std::uint8_t byBank, std::uint8_t byProgram,
                                const Bytes& params);
    // Format-1 voice: FF F0 L 43 03 slot bank program p[...] F7. Parameters:
    // connection byte (bits 2-0 connection number, bits 5-3 value e), a second
    // byte, then 5 bytes per operator block (two blocks for connection 0 and
    // 1, four otherwise).
    CSetupBuilder& VoiceFormat1(std::uint8_t bySlot, std::uint8_t byBank, std::uint8_t byProgram,
                                const Bytes& params);
    // Setup tempo message FF F0 06 43 02 80 31 X F7 (X is the tempo code).
    CSetupBuilder& Tempo(std::uint8_t byTempoCode);
    // FF F0 L payload F7 with L = payload size + 1 (payload should start 43).
    CSetupBuilder& Exclusive(const Bytes& payload);
    CSetupBuilder& Raw(const Bytes& bytes);

    const Bytes& Body() const { return m_vecBody; }

private:
    Bytes m_vecBody;
};
CChunk Setup(const CSetupBuilder& setup);

// ---------------------------------------------------------------------------
// Sequence data ("Mtsq" / "Atsq"). Every event starts with its delta time in
// the short duration form; channels are the 2-bit source channels 0..3.

class CSequenceBuilder {
public:
    // Note byte channel<<6 | octave<<4 | note (octave 0..3, note 0..15),
    // then the gate time. The bytes 0x00 and 0xFF are not notes.
    CSequenceBuilder& Note(std::uint32_t nDelta, std::uint8_t byChannel, std::uint8_t byOctave,
                           std::uint8_t byNote, std::uint32_t nGate);
    // A note with an explicit note byte (audio tracks use the low six bits as
    // the wave key).
    CSequenceBuilder& NoteByte(std::uint32_t nDelta, std::uint8_t byNote, std::uint32_t nGate);

    // Long-form controls: 00, channel<<6 | code, value.
    CSequenceBuilder& ProgramChange(std::uint32_t nDelta, std::uint8_t byChannel, std::uint8_t byProgram);
    CSequenceBuilder& BankSelect(std::uint32_t nDelta, std::uint8_t byChannel, std::uint8_t byBank);
    // Octave shift: 0..0x7F upward, 0x81..0x87 down by the low three bits.
    CSequenceBuilder& OctaveShift(std::uint32_t nDelta, std::uint8_t byChannel, std::uint8_t byValue);
    CSequenceBuilder& Modulation(std::uint32_t nDelta, std::uint8_t byChannel, std::uint8_t byValue);
    CSequenceBuilder& PitchBend(std::uint32_t nDelta, std::uint8_t byChannel, std::uint8_t byValue);
    CSequenceBuilder& Volume(std::uint32_t nDelta, std::uint8_t byChannel, std::uint8_t byValue);
    CSequenceBuilder& Panpot(std::uint32_t nDelta, std::uint8_t byChannel, std::uint8_t byValue);
    CSequenceBuilder& Expression(std::uint32_t nDelta, std::uint8_t byChannel, std::uint8_t byValue);
    // Any long-form control: 00, channel<<6 | 0x30 | (code & 0x0F), value.
    CSequenceBuilder& Control(std::uint32_t nDelta, std::uint8_t byChannel, std::uint8_t byCode,
                              std::uint8_t byValue);

    // Short-form controls: 00, channel<<6 | form | (step & 0x0F).
    CSequenceBuilder& ModulationShort(std::uint32_t nDelta, std::uint8_t byChannel, std::uint8_t byStep);
    CSequenceBuilder& PitchBendShort(std::uint32_t nDelta, std::uint8_t byChannel, std::uint8_t byStep);
    // Step 0 on channel 0 would be 00 00, the start of an end of sequence.
    CSequenceBuilder& ExpressionShort(std::uint32_t nDelta, std::uint8_t byChannel, std::uint8_t byStep);

    // 00 00 00.
    CSequenceBuilder& EndOfSequence(std::uint32_t nDelta);
    // FF x (x < 0x10 is kept by the converter, anything else is ignored).
    CSequenceBuilder& ShortFF(std::uint32_t nDelta, std::uint8_t byValue);
    // FF F0 L payload F7 with L = payload size + 1.
    CSequenceBuilder& Exclusive(std::uint32_t nDelta, const Bytes& payload);
    // Register write FF F0 06 43 03 90 r v F7 (r: 0xB0 + n F-number low
    // byte, 0xC0 + n key-on/block/F-number high bits of FM channel n).
    CSequenceBuilder& RegisterWrite(std::uint32_t nDelta, std::uint8_t byRegister, std::uint8_t byValue);
    // Key on of FM channel n with a 10-bit F-number and block 0..7: the
    // F-number low write (0xB0 + n) followed at delta 0 by the key-on write.
    CSequenceBuilder& KeyOn(std::uint32_t nDelta, std::uint8_t byFmChannel, std::uint16_t wFnum,
                            std::uint8_t byBlock);
    // Key off of FM channel n: register 0xC0 + n with bit 0x20 clear.
    CSequenceBuilder& KeyOff(std::uint32_t nDelta, std::uint8_t byFmChannel);
    // Voice assignment FF F0 06 43 03 91 p v F7: channel pair p & 7, voice
    // slot v & 0x0F for the even channel and v >> 4 for the odd one.
    CSequenceBuilder& VoiceAssign(std::uint32_t nDelta, std::uint8_t byPair, std::uint8_t byVoices);
    // Tempo message FF F0 06 43 01 80 31 X F7.
    CSequenceBuilder& Tempo(std::uint32_t nDelta, std::uint8_t byTempoCode);
    // Delta time alone (for hand-made event bodies that follow via Raw).
    CSequenceBuilder& Delta(std::uint32_t nDelta);
    CSequenceBuilder& Raw(const Bytes& bytes);

    // Byte offset of the next event, for seek-and-phrase points.
    std::uint32_t Offset() const { return static_cast<std::uint32_t>(m_vecBody.size()); }
    const Bytes& Body() const { return m_vecBody; }

private:
    CSequenceBuilder& Long(std::uint32_t nDelta, std::uint8_t byChannel, std::uint8_t byCode, std::uint8_t byValue);
    CSequenceBuilder& Short(std::uint32_t nDelta, std::uint8_t byChannel, std::uint8_t byForm, std::uint8_t byStep);
    Bytes m_vecBody;
};
CChunk ScoreSequence(const CSequenceBuilder& sequence);  // "Mtsq"
CChunk AudioSequence(const CSequenceBuilder& sequence);  // "Atsq"

// ---------------------------------------------------------------------------
// The whole file

// "MMMD", the file size field (file length - 8), the chunks, and the CRC-16 of
// everything before it in the last two bytes.
class CVelaFile {
public:
    CVelaFile& Add(const CChunk& chunk);
    CVelaFile& Raw(const Bytes& bytes);
    Bytes ToBytes() const;

private:
    Bytes m_vecBody;
};

// Rewrites the size field and the trailing CRC of a (possibly cut or damaged)
// file so that it passes the converter's validation and reaches the analysis.
// Files shorter than 10 bytes are left alone.
void FixSizeAndCrc(Bytes& file);

// ---------------------------------------------------------------------------
// Ready-made parameter sets and generators

// A plausible 13-byte format-0 voice parameter set and a 12-byte (two-block)
// and 22-byte (four-block) format-1 set; byVariant shifts the values.
Bytes Format0VoiceParams(std::uint8_t byVariant = 0);
Bytes Format1VoiceParams(std::uint8_t byConnection, std::uint8_t byVariant = 0);

// A large, valid source file for throughput measurements and fuzz seeds.
// Format 0: one score track, four channels, tempo messages in setup and
// sequence, notes, every control kind. Format 1: four score tracks (events
// spread across them), voice definitions, voice assignments and, when
// bRegisterWrites, key-on/F-number/key-off register writes on FM channels.
// nEvents is the approximate total number of sequence events; the same
// seed gives the same bytes.
struct CLargeInputOptions {
    std::uint8_t byFormat = 0;
    std::uint32_t nEvents = 10000;
    bool bRegisterWrites = true;
    std::uint32_t nSeed = 1;
};
Bytes MakeLargeInput(const CLargeInputOptions& options);

}  // namespace vela
