// Translation of one analysed source event into Heron sequence events.
#include <cmath>

#include "CnvLarkWrentoHeron.h"
#include "EventChannel.h"
#include "Pitch.h"

namespace previous_engine {

namespace {

const std::uint8_t kModulationShort[16] = {0x00, 0x00, 0x08, 0x10, 0x18, 0x20, 0x28, 0x30,
                                           0x38, 0x40, 0x48, 0x50, 0x60, 0x70, 0x7F, 0x7F};
const std::uint8_t kExpressionShort[16] = {0x00, 0x00, 0x1F, 0x27, 0x2F, 0x37, 0x3F, 0x47,
                                           0x4F, 0x57, 0x5F, 0x67, 0x6F, 0x77, 0x7F, 0x7F};
constexpr std::uint8_t kAudioTrack = 5;

// Source values copied into sequence data bytes. Data bytes carry 7 bits; a
// damaged source byte of 0x80 or more is limited to 0x7F instead of producing
// an event that a reader would take for a status byte.
std::uint8_t DataByte(std::uint8_t byValue) { return byValue > 0x7F ? 0x7F : byValue; }

void AppendBend(ByteBuffer& out, std::uint8_t byChannel, std::uint16_t nBend) {
    AppendByte(out, static_cast<std::uint8_t>(0x60 | byChannel));
    AppendByte(out, static_cast<std::uint8_t>(nBend & 0x7F));
    AppendByte(out, static_cast<std::uint8_t>((nBend >> 7) & 0x7F));
}

void AppendControl(ByteBuffer& out, std::uint8_t byChannel, std::uint8_t byControl, std::uint8_t byValue) {
    AppendByte(out, static_cast<std::uint8_t>(0x30 | byChannel));
    AppendByte(out, byControl);
    AppendByte(out, byValue);
}

// Velocity of audio-track notes after a volume event of value v.
std::uint8_t AudioVelocity(std::uint8_t v) {
    if (v == 0) {
        return 0;
    }
    const double d = 127.0 * std::pow(10.0, (40.0 * std::log10(v / 127.0) - 9.0) / 40.0);
    return d >= 127.0 ? 127 : static_cast<std::uint8_t>(d);
}

}  // namespace

std::uint8_t CCnvLarkWrentoHeron::TranslateEvent(const EventRecord& record, ByteBuffer& out, std::uint32_t nDelta) {
    const std::uint8_t* d = record.data;
    const bool bAudio = record.track == kAudioTrack;

    // Output channel of note and 00-prefixed control events: the rule of
    // OutputChannel (EventChannel.h), written out here because the compiler
    // makes tighter code of it in place.
    std::uint8_t ch = 0;
    if (HasSourceChannel(record.kind)) {
        const std::uint8_t bySource = (record.kind == kKindNote ? d[0] : d[1]) >> 6;
        ch = bySource;
        if (m_nFormat == 1 && !bAudio) {
            ch = static_cast<std::uint8_t>(bySource + 4 * (record.track - 1));
        }
    }
    // Controls of a format-1 audio track would land on channels 16-19, which
    // the output cannot address: they are left out.
    const bool bUnaddressable = m_nFormat == 1 && bAudio;

    switch (record.kind) {
        case kKindNote: {
            AppendTime(out, nDelta);
            if (m_nFormat == 1 && record.track <= 4 && m_anBendPending[ch] == 1) {
                AppendBend(out, ch, 8192);
                AppendByte(out, 0x00);
                m_anBendPending[ch] = 0;
            }
            std::uint8_t byStatus = static_cast<std::uint8_t>(0x10 | ch);
            if (bAudio) {
                if (m_abWaveInit[ch] == 0) {
                    const std::uint8_t byControl = static_cast<std::uint8_t>(0xB0 | ch);
                    const std::uint8_t kPrelude[] = {byControl, 0x00, 0x7D, 0x00, byControl, 0x20, 0x00, 0x00,
                                                     static_cast<std::uint8_t>(0xC0 | ch), 0x00, 0x00};
                    AppendBytes(out, kPrelude, sizeof kPrelude);
                    m_abWaveInit[ch] = 1;
                }
                byStatus = static_cast<std::uint8_t>(0x90 | ch);
            }
            AppendByte(out, byStatus);
            AppendByte(out, bAudio ? pitch::AudioNoteKey(d[0]) : pitch::ScoreNoteKey(d[0], m_anOctaveShift[ch]));
            AppendByte(out, bAudio ? m_abyVelocity[ch] : 0x7F);
            AppendTime(out, record.duration);
            return 1;
        }
        case kKindBankSelect: {
            if (bUnaddressable) {
                return 0;
            }
            AppendTime(out, nDelta);
            m_abyBank[ch] = d[2];
            AppendControl(out, ch, 0x00, 0x7C);
            AppendByte(out, 0x00);
            AppendControl(out, ch, 0x20, 0x02);
            return 1;
        }
        case kKindProgramChange: {
            if (bUnaddressable) {
                return 0;
            }
            AppendTime(out, nDelta);
            std::uint8_t byProgram = DataByte(d[2]);
            const int nSlot = FindSetupVoiceSlot(m_abyBank[ch], d[2]);
            if (nSlot >= 0 && nSlot <= 15) {
                byProgram = static_cast<std::uint8_t>(m_anVoiceMap[nSlot] & 0xFF);
            }
            AppendByte(out, static_cast<std::uint8_t>(0x40 | ch));
            AppendByte(out, byProgram);
            return 1;
        }
        case kKindPitchBend: {
            if (bUnaddressable) {
                return 0;
            }
            AppendTime(out, nDelta);
            AppendByte(out, static_cast<std::uint8_t>(0x60 | ch));
            AppendByte(out, 0x00);
            AppendByte(out, record.length == 3 ? DataByte(d[2]) : static_cast<std::uint8_t>(8 * (d[1] & 0x0F)));
            return 1;
        }
        case kKindPanpot: {
            if (bUnaddressable) {
                return 0;
            }
            AppendTime(out, nDelta);
            AppendControl(out, ch, 0x0A, DataByte(d[2]));
            return 1;
        }
        case kKindVolume: {
            if (bAudio) {
                m_abyVelocity[ch] = AudioVelocity(d[2]);
                return 0;
            }
            AppendTime(out, nDelta);
            AppendControl(out, ch, 0x07, DataByte(d[2]));
            return 1;
        }
        case kKindModulation: {
            if (bUnaddressable) {
                return 0;
            }
            AppendTime(out, nDelta);
            std::uint8_t byValue = record.length == 3 ? DataByte(d[2]) : kModulationShort[d[1] & 0x0F];
            if (m_nFormat == 0) {
                byValue = byValue <= 0x3F ? 0x00 : 0x22;
            }
            AppendControl(out, ch, 0x01, byValue);
            return 1;
        }
        case kKindExpression: {
            if (bUnaddressable) {
                return 0;
            }
            AppendTime(out, nDelta);
            AppendControl(out, ch, 0x0B, record.length == 3 ? DataByte(d[2]) : kExpressionShort[d[1] & 0x0F]);
            return 1;
        }
        case kKindRegisterWrite:
            return TranslateRegisterWrite(record, out, nDelta);
        case kKindVoiceAssign: {
            const std::uint8_t j = d[5] & 7;
            const std::uint8_t a = static_cast<std::uint8_t>(m_anVoiceMap[d[6] & 0x0F] & 0xFF);
            const std::uint8_t b = static_cast<std::uint8_t>(m_anVoiceMap[d[6] >> 4] & 0xFF);
            if (a == 0xFF && b == 0xFF) {
                return 0;
            }
            AppendTime(out, nDelta);
            if (a != 0xFF) {
                AppendByte(out, static_cast<std::uint8_t>(0x40 | (2 * j)));
                AppendByte(out, a);
            }
            if (b != 0xFF) {
                if (a != 0xFF) {
                    AppendByte(out, 0x00);
                }
                AppendByte(out, static_cast<std::uint8_t>(0x40 | (2 * j + 1)));
                AppendByte(out, b);
            }
            return 1;
        }
        case kKindOctaveShift: {
            if (!bAudio) {
                m_anOctaveShift[ch] = pitch::OctaveShiftValue(d[2]);
            }
            return 0;
        }
        case kKindShortFF: {
            AppendTime(out, nDelta);
            AppendByte(out, d[0]);
            AppendByte(out, d[1]);
            return 1;
        }
        case kKindEndOfSequence: {
            AppendTime(out, nDelta);
            AppendByte(out, 0xFF);
            AppendByte(out, 0x2F);
            AppendByte(out, 0x00);
            return 1;
        }
        default:
            return 0;
    }
}

std::uint8_t CCnvLarkWrentoHeron::TranslateRegisterWrite(const EventRecord& record, ByteBuffer& out,
                                                         std::uint32_t nDelta) {
    const std::uint8_t r = record.data[5];
    const std::uint8_t v = record.data[6];
    const std::uint8_t n = r & 0x0F;
    const double dScale = m_anBendOverflow[n] == 1 ? 8192.0 / m_abyBendRange[n] : 4096.0;

    if ((r & 0xF0) == 0xC0) {
        if ((v & 0x20) == 0) {
            m_adBaseFreq[n] = 0.0;  // key off: the note's gate time already ends it
            return 0;
        }
        m_abyBlock[n] = (v >> 2) & 7;
        m_awFnum[n] = static_cast<std::uint16_t>(((v & 3) << 8) | (m_awFnum[n] & 0xFF));
        const double f = pitch::FmFrequency(m_abyBlock[n], m_awFnum[n]);
        if (m_adBaseFreq[n] == 0.0) {
            const double dKey = pitch::KeyOf(f);
            const std::uint8_t k = pitch::NearestKey(dKey);
            m_adBaseFreq[n] = pitch::KeyFrequency(k);
            AppendTime(out, nDelta);
            AppendByte(out, static_cast<std::uint8_t>(0x10 | n));
            AppendByte(out, k > 127 ? 127 : k);
            AppendByte(out, 0x7F);
            AppendTime(out, record.duration);
            AppendByte(out, 0x00);
            AppendBend(out, n, pitch::BendValue(8192.0 + dScale * (dKey - k)));
            m_anBendPending[n] = 1;
            return 1;
        }
    } else if ((r & 0xF0) == 0xB0) {
        m_awFnum[n] = static_cast<std::uint16_t>((m_awFnum[n] & 0x300) | v);
        if (m_adBaseFreq[n] == 0.0 || HasKeyOnAt(record.time, n)) {
            return 0;
        }
    } else {
        return 0;
    }
    // A note is sounding: follow the new frequency with a bend only.
    const double f = pitch::FmFrequency(m_abyBlock[n], m_awFnum[n]);
    AppendTime(out, nDelta);
    AppendBend(out, n, pitch::BendValue(8192.0 + dScale * 12.0 * pitch::Log2(f / m_adBaseFreq[n])));
    m_anBendPending[n] = 1;
    return 1;
}

}  // namespace previous_engine
