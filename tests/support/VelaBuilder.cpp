#include "VelaBuilder.h"

#include <algorithm>
#include <cassert>

#include "Crc16.h"
#include "TestRandom.h"

namespace vela {

void AppendShortDuration(Bytes& out, std::uint32_t nValue) {
    nValue = std::min(nValue, kMaxShortDuration);
    if (nValue < 0x80) {
        out.push_back(static_cast<std::uint8_t>(nValue));
        return;
    }
    out.push_back(static_cast<std::uint8_t>(0x80 | ((nValue / 128) - 1)));
    out.push_back(static_cast<std::uint8_t>(nValue % 128));
}

void AppendBE32(Bytes& out, std::uint32_t nValue) {
    out.push_back(static_cast<std::uint8_t>(nValue >> 24));
    out.push_back(static_cast<std::uint8_t>(nValue >> 16));
    out.push_back(static_cast<std::uint8_t>(nValue >> 8));
    out.push_back(static_cast<std::uint8_t>(nValue));
}

// --- CChunk ------------------------------------------------------------------

CChunk::CChunk(std::string_view id) {
    assert(id.size() == 4);
    for (int i = 0; i < 4; ++i) {
        m_abyId[i] = static_cast<std::uint8_t>(i < static_cast<int>(id.size()) ? id[i] : ' ');
    }
}

CChunk::CChunk(std::string_view prefix3, std::uint8_t byNumber) {
    assert(prefix3.size() == 3);
    for (int i = 0; i < 3; ++i) {
        m_abyId[i] = static_cast<std::uint8_t>(i < static_cast<int>(prefix3.size()) ? prefix3[i] : ' ');
    }
    m_abyId[3] = byNumber;
}

CChunk& CChunk::Add(const CChunk& child) { return Raw(child.ToBytes()); }

CChunk& CChunk::Raw(const Bytes& bytes) {
    m_vecBody.insert(m_vecBody.end(), bytes.begin(), bytes.end());
    return *this;
}

CChunk& CChunk::Raw(std::initializer_list<std::uint8_t> bytes) {
    m_vecBody.insert(m_vecBody.end(), bytes.begin(), bytes.end());
    return *this;
}

CChunk& CChunk::OverrideSize(std::uint32_t nSize) {
    m_bSizeOverridden = true;
    m_nSizeOverride = nSize;
    return *this;
}

Bytes CChunk::ToBytes() const {
    Bytes out(m_abyId, m_abyId + 4);
    AppendBE32(out, m_bSizeOverridden ? m_nSizeOverride : static_cast<std::uint32_t>(m_vecBody.size()));
    out.insert(out.end(), m_vecBody.begin(), m_vecBody.end());
    return out;
}

// --- fixed chunks ------------------------------------------------------------

CChunk ContentsInfo(const CContentsInfo& info) {
    CChunk chunk("CNTI");
    chunk.Raw({info.byClass, info.byContentType, info.byCodeType, info.byCopyStatus, info.byCopyCount});
    chunk.Raw(Bytes(info.strOption.begin(), info.strOption.end()));
    return chunk;
}

CChunk ContentsInfo(std::uint8_t byContentType, std::string_view option) {
    CContentsInfo info;
    info.byContentType = byContentType;
    info.strOption = std::string(option);
    return ContentsInfo(info);
}

CChunk ScoreTrack(std::uint8_t byTrack, const CTrackHeader& header) {
    CChunk chunk("MTR", byTrack);
    chunk.Raw({header.abyUnread[0], header.abyUnread[1], header.byTimebaseD, header.byTimebaseG,
               header.abyChannelStatus[0], header.abyChannelStatus[1]});
    return chunk;
}

CChunk AudioTrack(std::uint8_t byTrack, const CAudioHeader& header) {
    CChunk chunk("ATR", byTrack);
    chunk.Raw({header.abyUnread[0], header.abyUnread[1], header.byWaveType, header.byWaveStatus,
               header.byTimebaseD, header.byTimebaseG});
    return chunk;
}

CChunk SeekAndPhrase(std::uint32_t nStart, std::uint32_t nStop, bool bAudio) {
    CChunk chunk(bAudio ? "AspI" : "MspI");
    Bytes body = {'s', 't', ':'};
    AppendBE32(body, nStart);
    body.insert(body.end(), {',', 's', 'p', ':'});
    AppendBE32(body, nStop);
    body.push_back(',');
    return chunk.Raw(body);
}

CChunk WaveData(std::uint8_t byNumber, const Bytes& samples) {
    CChunk chunk("Awa", byNumber);
    return chunk.Raw(samples);
}

// --- setup data --------------------------------------------------------------

namespace {
void AppendExclusive(Bytes& out, const Bytes& payload) {
    out.push_back(0xFF);
    out.push_back(0xF0);
    out.push_back(static_cast<std::uint8_t>(payload.size() + 1));
    out.insert(out.end(), payload.begin(), payload.end());
    out.push_back(0xF7);
}

Bytes VoicePayload(std::uint8_t byFormatByte, std::uint8_t bySlot, std::uint8_t byBank, std::uint8_t byProgram,
                   const Bytes& params) {
    Bytes payload = {0x43, byFormatByte, bySlot, byBank, byProgram};
    payload.insert(payload.end(), params.begin(), params.end());
    return payload;
}
}  // namespace

CSetupBuilder& CSetupBuilder::VoiceFormat0(std::uint8_t bySlot, std::uint8_t byBank, std::uint8_t byProgram,
                                           const Bytes& params) {
    AppendExclusive(m_vecBody, VoicePayload(0x02, bySlot, byBank, byProgram, params));
    return *this;
}

CSetupBuilder& CSetupBuilder::VoiceFormat1(std::uint8_t bySlot, std::uint8_t byBank, std::uint8_t byProgram,
                                           const Bytes& params) {
    AppendExclusive(m_vecBody, VoicePayload(0x03, bySlot, byBank, byProgram, params));
    return *this;
}

CSetupBuilder& CSetupBuilder::Tempo(std::uint8_t byTempoCode) {
    AppendExclusive(m_vecBody, {0x43, 0x02, 0x80, 0x31, byTempoCode});
    return *this;
}

CSetupBuilder& CSetupBuilder::Exclusive(const Bytes& payload) {
    AppendExclusive(m_vecBody, payload);
    return *this;
}

CSetupBuilder& CSetupBuilder::Raw(const Bytes& bytes) {
    m_vecBody.insert(m_vecBody.end(), bytes.begin(), bytes.end());
    return *this;
}

CChunk Setup(const CSetupBuilder& setup) { return CChunk("Mtsu").Raw(setup.Body()); }

// --- sequence data -----------------------------------------------------------

CSequenceBuilder& CSequenceBuilder::Note(std::uint32_t nDelta, std::uint8_t byChannel, std::uint8_t byOctave,
                                         std::uint8_t byNote, std::uint32_t nGate) {
    const auto byNoteByte =
        static_cast<std::uint8_t>(((byChannel & 3) << 6) | ((byOctave & 3) << 4) | (byNote & 0x0F));
    return NoteByte(nDelta, byNoteByte, nGate);
}

CSequenceBuilder& CSequenceBuilder::NoteByte(std::uint32_t nDelta, std::uint8_t byNote, std::uint32_t nGate) {
    AppendShortDuration(m_vecBody, nDelta);
    m_vecBody.push_back(byNote);
    AppendShortDuration(m_vecBody, nGate);
    return *this;
}

CSequenceBuilder& CSequenceBuilder::Long(std::uint32_t nDelta, std::uint8_t byChannel, std::uint8_t byCode,
                                         std::uint8_t byValue) {
    AppendShortDuration(m_vecBody, nDelta);
    m_vecBody.push_back(0x00);
    m_vecBody.push_back(static_cast<std::uint8_t>(((byChannel & 3) << 6) | 0x30 | (byCode & 0x0F)));
    m_vecBody.push_back(byValue);
    return *this;
}

CSequenceBuilder& CSequenceBuilder::Short(std::uint32_t nDelta, std::uint8_t byChannel, std::uint8_t byForm,
                                          std::uint8_t byStep) {
    AppendShortDuration(m_vecBody, nDelta);
    m_vecBody.push_back(0x00);
    m_vecBody.push_back(static_cast<std::uint8_t>(((byChannel & 3) << 6) | byForm | (byStep & 0x0F)));
    return *this;
}

CSequenceBuilder& CSequenceBuilder::ProgramChange(std::uint32_t d, std::uint8_t ch, std::uint8_t v) { return Long(d, ch, 0x0, v); }
CSequenceBuilder& CSequenceBuilder::BankSelect(std::uint32_t d, std::uint8_t ch, std::uint8_t v) { return Long(d, ch, 0x1, v); }
CSequenceBuilder& CSequenceBuilder::OctaveShift(std::uint32_t d, std::uint8_t ch, std::uint8_t v) { return Long(d, ch, 0x2, v); }
CSequenceBuilder& CSequenceBuilder::Modulation(std::uint32_t d, std::uint8_t ch, std::uint8_t v) { return Long(d, ch, 0x3, v); }
CSequenceBuilder& CSequenceBuilder::PitchBend(std::uint32_t d, std::uint8_t ch, std::uint8_t v) { return Long(d, ch, 0x4, v); }
CSequenceBuilder& CSequenceBuilder::Volume(std::uint32_t d, std::uint8_t ch, std::uint8_t v) { return Long(d, ch, 0x7, v); }
CSequenceBuilder& CSequenceBuilder::Panpot(std::uint32_t d, std::uint8_t ch, std::uint8_t v) { return Long(d, ch, 0xA, v); }
CSequenceBuilder& CSequenceBuilder::Expression(std::uint32_t d, std::uint8_t ch, std::uint8_t v) { return Long(d, ch, 0xB, v); }

CSequenceBuilder& CSequenceBuilder::Control(std::uint32_t nDelta, std::uint8_t byChannel, std::uint8_t byCode,
                                            std::uint8_t byValue) {
    return Long(nDelta, byChannel, byCode, byValue);
}

CSequenceBuilder& CSequenceBuilder::ModulationShort(std::uint32_t d, std::uint8_t ch, std::uint8_t s) { return Short(d, ch, 0x20, s); }
CSequenceBuilder& CSequenceBuilder::PitchBendShort(std::uint32_t d, std::uint8_t ch, std::uint8_t s) { return Short(d, ch, 0x10, s); }
CSequenceBuilder& CSequenceBuilder::ExpressionShort(std::uint32_t d, std::uint8_t ch, std::uint8_t s) { return Short(d, ch, 0x00, s); }

CSequenceBuilder& CSequenceBuilder::EndOfSequence(std::uint32_t nDelta) {
    AppendShortDuration(m_vecBody, nDelta);
    m_vecBody.insert(m_vecBody.end(), {0x00, 0x00, 0x00});
    return *this;
}

CSequenceBuilder& CSequenceBuilder::ShortFF(std::uint32_t nDelta, std::uint8_t byValue) {
    AppendShortDuration(m_vecBody, nDelta);
    m_vecBody.push_back(0xFF);
    m_vecBody.push_back(byValue);
    return *this;
}

CSequenceBuilder& CSequenceBuilder::Exclusive(std::uint32_t nDelta, const Bytes& payload) {
    AppendShortDuration(m_vecBody, nDelta);
    AppendExclusive(m_vecBody, payload);
    return *this;
}

CSequenceBuilder& CSequenceBuilder::RegisterWrite(std::uint32_t nDelta, std::uint8_t byRegister, std::uint8_t byValue) {
    return Exclusive(nDelta, {0x43, 0x03, 0x90, byRegister, byValue});
}

CSequenceBuilder& CSequenceBuilder::KeyOn(std::uint32_t nDelta, std::uint8_t byFmChannel, std::uint16_t wFnum,
                                          std::uint8_t byBlock) {
    const auto n = static_cast<std::uint8_t>(byFmChannel & 0x0F);
    RegisterWrite(nDelta, static_cast<std::uint8_t>(0xB0 + n), static_cast<std::uint8_t>(wFnum & 0xFF));
    return RegisterWrite(0, static_cast<std::uint8_t>(0xC0 + n),
                         static_cast<std::uint8_t>(0x20 | ((byBlock & 7) << 2) | ((wFnum >> 8) & 3)));
}

CSequenceBuilder& CSequenceBuilder::KeyOff(std::uint32_t nDelta, std::uint8_t byFmChannel) {
    return RegisterWrite(nDelta, static_cast<std::uint8_t>(0xC0 + (byFmChannel & 0x0F)), 0x00);
}

CSequenceBuilder& CSequenceBuilder::VoiceAssign(std::uint32_t nDelta, std::uint8_t byPair, std::uint8_t byVoices) {
    return Exclusive(nDelta, {0x43, 0x03, 0x91, byPair, byVoices});
}

CSequenceBuilder& CSequenceBuilder::Tempo(std::uint32_t nDelta, std::uint8_t byTempoCode) {
    return Exclusive(nDelta, {0x43, 0x01, 0x80, 0x31, byTempoCode});
}

CSequenceBuilder& CSequenceBuilder::Delta(std::uint32_t nDelta) {
    AppendShortDuration(m_vecBody, nDelta);
    return *this;
}

CSequenceBuilder& CSequenceBuilder::Raw(const Bytes& bytes) {
    m_vecBody.insert(m_vecBody.end(), bytes.begin(), bytes.end());
    return *this;
}

CChunk ScoreSequence(const CSequenceBuilder& sequence) { return CChunk("Mtsq").Raw(sequence.Body()); }
CChunk AudioSequence(const CSequenceBuilder& sequence) { return CChunk("Atsq").Raw(sequence.Body()); }

// --- the file ----------------------------------------------------------------

CVelaFile& CVelaFile::Add(const CChunk& chunk) { return Raw(chunk.ToBytes()); }

CVelaFile& CVelaFile::Raw(const Bytes& bytes) {
    m_vecBody.insert(m_vecBody.end(), bytes.begin(), bytes.end());
    return *this;
}

Bytes CVelaFile::ToBytes() const {
    Bytes file = {'M', 'M', 'M', 'D', 0, 0, 0, 0};
    file.insert(file.end(), m_vecBody.begin(), m_vecBody.end());
    file.push_back(0);
    file.push_back(0);
    FixSizeAndCrc(file);
    return file;
}

void FixSizeAndCrc(Bytes& file) {
    if (file.size() < 10) {
        return;
    }
    const auto nSize = static_cast<std::uint32_t>(file.size() - 8);
    file[4] = static_cast<std::uint8_t>(nSize >> 24);
    file[5] = static_cast<std::uint8_t>(nSize >> 16);
    file[6] = static_cast<std::uint8_t>(nSize >> 8);
    file[7] = static_cast<std::uint8_t>(nSize);
    const std::uint16_t nCrc = Crc16(file.data(), static_cast<std::int64_t>(file.size() - 2));
    file[file.size() - 2] = static_cast<std::uint8_t>(nCrc >> 8);
    file[file.size() - 1] = static_cast<std::uint8_t>(nCrc & 0xFF);
}

// --- parameter sets ----------------------------------------------------------

Bytes Format0VoiceParams(std::uint8_t byVariant) {
    Bytes params = {0xF1, 0x8A, 0x5B, 0x6C, 0x7D, 0x1E, 0x2F, 0x3C, 0x4D, 0xB7, 0xD2, 0xE9, 0x4A};
    for (std::size_t i = 1; i < 9; ++i) {
        params[i] = static_cast<std::uint8_t>(params[i] + byVariant * 7);
    }
    params[0] = static_cast<std::uint8_t>((params[0] & 0xFC) | (byVariant & 3));
    return params;
}

Bytes Format1VoiceParams(std::uint8_t byConnection, std::uint8_t byVariant) {
    Bytes params = {static_cast<std::uint8_t>(0x28 | (byConnection & 7)), 0x05};
    const int nBlocks = (byConnection & 7) <= 1 ? 2 : 4;
    for (int k = 0; k < nBlocks; ++k) {
        const auto by = static_cast<std::uint8_t>(byVariant * 11 + k * 17);
        params.insert(params.end(), {static_cast<std::uint8_t>(0x17 + by), static_cast<std::uint8_t>(0x3C ^ by),
                                     static_cast<std::uint8_t>(0x42 + k), static_cast<std::uint8_t>(0x5A - k),
                                     static_cast<std::uint8_t>(0x63 + by)});
    }
    return params;
}

// --- large inputs ------------------------------------------------------------

namespace {
using CRandom = CTestRandom;

// One random event of any kind a score track can hold.
void AddRandomEvent(CSequenceBuilder& seq, CRandom& rng, bool bRegisterWrites, std::uint8_t abyFmKeyOn[16]) {
    const auto d = rng.Below(8) == 0 ? rng.Below(600) : rng.Below(48);
    const auto ch = static_cast<std::uint8_t>(rng.Below(4));
    const auto v = static_cast<std::uint8_t>(rng.Below(128));
    const std::uint32_t nPick = rng.Below(100);
    if (nPick < 45) {
        seq.Note(d, ch, static_cast<std::uint8_t>(rng.Below(4)), static_cast<std::uint8_t>(1 + rng.Below(12)),
                 1 + rng.Below(240));
    } else if (nPick < 48) {
        seq.ProgramChange(d, ch, static_cast<std::uint8_t>(rng.Below(8)));
    } else if (nPick < 50) {
        seq.BankSelect(d, ch, 0);
    } else if (nPick < 52) {
        seq.OctaveShift(d, ch, rng.Below(2) ? static_cast<std::uint8_t>(rng.Below(2)) : 0x81);
    } else if (nPick < 55) {
        seq.Modulation(d, ch, v);
    } else if (nPick < 58) {
        seq.ModulationShort(d, ch, static_cast<std::uint8_t>(1 + rng.Below(14)));
    } else if (nPick < 61) {
        seq.PitchBend(d, ch, v);
    } else if (nPick < 64) {
        seq.PitchBendShort(d, ch, static_cast<std::uint8_t>(1 + rng.Below(14)));
    } else if (nPick < 67) {
        seq.Volume(d, ch, v);
    } else if (nPick < 70) {
        seq.Panpot(d, ch, v);
    } else if (nPick < 73) {
        seq.Expression(d, ch, v);
    } else if (nPick < 75) {
        seq.ExpressionShort(d, ch, static_cast<std::uint8_t>(1 + rng.Below(14)));
    } else if (nPick < 76) {
        seq.ShortFF(d, static_cast<std::uint8_t>(rng.Below(16)));
    } else if (nPick < 78) {
        seq.Tempo(d, static_cast<std::uint8_t>(rng.Below(256)));
    } else if (nPick < 80) {
        seq.VoiceAssign(d, static_cast<std::uint8_t>(rng.Below(8)), static_cast<std::uint8_t>(rng.Below(256)));
    } else if (bRegisterWrites) {
        const auto n = static_cast<std::uint8_t>(rng.Below(16));
        if (abyFmKeyOn[n] != 0 && rng.Below(3) == 0) {
            seq.KeyOff(d, n);
            abyFmKeyOn[n] = 0;
        } else if (abyFmKeyOn[n] != 0) {
            // Detune the sounding note by a new F-number low byte.
            seq.RegisterWrite(d, static_cast<std::uint8_t>(0xB0 + n), static_cast<std::uint8_t>(rng.Below(256)));
        } else {
            seq.KeyOn(d, n, static_cast<std::uint16_t>(300 + rng.Below(600)), static_cast<std::uint8_t>(2 + rng.Below(4)));
            abyFmKeyOn[n] = 1;
        }
    } else {
        seq.Note(d, ch, 1, 5, 24);
    }
}
}  // namespace

Bytes MakeLargeInput(const CLargeInputOptions& options) {
    CRandom rng(options.nSeed);
    const bool bFormat1 = options.byFormat == 1;
    const int nTracks = bFormat1 ? 4 : 1;

    CSetupBuilder setup;
    for (std::uint8_t slot = 0; slot < 8; ++slot) {
        if (bFormat1) {
            setup.VoiceFormat1(slot, 0, slot, Format1VoiceParams(static_cast<std::uint8_t>(slot % 4), slot));
        } else {
            setup.VoiceFormat0(slot, 0, slot, Format0VoiceParams(slot));
        }
    }
    if (!bFormat1) {
        setup.Tempo(0x40);
    }

    std::vector<CSequenceBuilder> tracks(static_cast<std::size_t>(nTracks));
    std::uint8_t abyFmKeyOn[16] = {};
    for (std::uint32_t i = 0; i < options.nEvents; ++i) {
        AddRandomEvent(tracks[rng.Below(static_cast<std::uint32_t>(nTracks))], rng, options.bRegisterWrites,
                       abyFmKeyOn);
    }

    CVelaFile file;
    file.Add(ContentsInfo(bFormat1 ? 0x31 : 0x30));
    for (int t = 0; t < nTracks; ++t) {
        tracks[static_cast<std::size_t>(t)].EndOfSequence(0);
        CTrackHeader header;
        header.abyChannelStatus[0] = 0x8C;
        header.abyChannelStatus[1] = 0x48;
        const auto byTrack = static_cast<std::uint8_t>(bFormat1 ? t + 1 : 0);
        CChunk track = ScoreTrack(byTrack, header);
        if (t == 0) {
            track.Add(Setup(setup));
        }
        track.Add(ScoreSequence(tracks[static_cast<std::size_t>(t)]));
        file.Add(track);
    }
    return file.ToBytes();
}

}  // namespace vela
