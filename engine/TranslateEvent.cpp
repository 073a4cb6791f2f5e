// Translation of one analysed source event into Heron sequence events.
#include <cmath>
#include <cstring>

#include "CnvLarkWrentoHeron.h"
#include "EventChannel.h"
#include "Pitch.h"

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

std::uint8_t* WriteBend(std::uint8_t* p, std::uint8_t byChannel, std::uint16_t nBend) {
    p[0] = static_cast<std::uint8_t>(0x60 | byChannel);
    p[1] = static_cast<std::uint8_t>(nBend & 0x7F);
    p[2] = static_cast<std::uint8_t>((nBend >> 7) & 0x7F);
    return p + 3;
}

std::uint8_t* WriteControl(std::uint8_t* p, std::uint8_t byChannel, std::uint8_t byControl, std::uint8_t byValue) {
    p[0] = static_cast<std::uint8_t>(0x30 | byChannel);
    p[1] = byControl;
    p[2] = byValue;
    return p + 3;
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

// Defined before its callers in this file so that the sequence loop gets it
// inlined: the loop runs once per event of the file.
#if defined(__GNUC__)
#define KESTREL_HOT_INLINE inline __attribute__((always_inline))
#else
#define KESTREL_HOT_INLINE inline
#endif

KESTREL_HOT_INLINE std::uint8_t CCnvLarkWrentoHeron::TranslateEventAt(const EventRecord& record, std::uint8_t*& p,
                                                                    std::uint32_t nDelta) {
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
            p = WriteTime(p, nDelta);
            if (m_nFormat == 1 && record.track <= 4 && m_anBendPending[ch] == 1) {
                p = WriteBend(p, ch, 8192);
                *p++ = 0x00;
                m_anBendPending[ch] = 0;
            }
            std::uint8_t byStatus = static_cast<std::uint8_t>(0x10 | ch);
            if (bAudio) {
                if (m_abWaveInit[ch] == 0) {
                    const std::uint8_t byControl = static_cast<std::uint8_t>(0xB0 | ch);
                    const std::uint8_t kPrelude[] = {byControl, 0x00, 0x7D, 0x00, byControl, 0x20, 0x00, 0x00,
                                                     static_cast<std::uint8_t>(0xC0 | ch), 0x00, 0x00};
                    std::memcpy(p, kPrelude, sizeof kPrelude);
                    p += sizeof kPrelude;
                    m_abWaveInit[ch] = 1;
                }
                byStatus = static_cast<std::uint8_t>(0x90 | ch);
            }
            *p++ = byStatus;
            *p++ = bAudio ? pitch::AudioNoteKey(d[0]) : pitch::ScoreNoteKey(d[0], m_anOctaveShift[ch]);
            *p++ = bAudio ? m_abyVelocity[ch] : 0x7F;
            p = WriteTime(p, record.duration);
            return 1;
        }
        case kKindBankSelect: {
            if (bUnaddressable) {
                return 0;
            }
            p = WriteTime(p, nDelta);
            m_abyBank[ch] = d[2];
            p = WriteControl(p, ch, 0x00, 0x7C);
            *p++ = 0x00;
            p = WriteControl(p, ch, 0x20, 0x02);
            return 1;
        }
        case kKindProgramChange: {
            if (bUnaddressable) {
                return 0;
            }
            p = WriteTime(p, nDelta);
            std::uint8_t byProgram = DataByte(d[2]);
            const int nSlot = FindSetupVoiceSlot(m_abyBank[ch], d[2]);
            if (nSlot >= 0 && nSlot <= 15) {
                byProgram = static_cast<std::uint8_t>(m_anVoiceMap[nSlot] & 0xFF);
            }
            *p++ = static_cast<std::uint8_t>(0x40 | ch);
            *p++ = byProgram;
            return 1;
        }
        case kKindPitchBend: {
            if (bUnaddressable) {
                return 0;
            }
            p = WriteTime(p, nDelta);
            *p++ = static_cast<std::uint8_t>(0x60 | ch);
            *p++ = 0x00;
            *p++ = record.length == 3 ? DataByte(d[2]) : static_cast<std::uint8_t>(8 * (d[1] & 0x0F));
            return 1;
        }
        case kKindPanpot: {
            if (bUnaddressable) {
                return 0;
            }
            p = WriteTime(p, nDelta);
            p = WriteControl(p, ch, 0x0A, DataByte(d[2]));
            return 1;
        }
        case kKindVolume: {
            if (bAudio) {
                m_abyVelocity[ch] = AudioVelocity(d[2]);
                return 0;
            }
            p = WriteTime(p, nDelta);
            p = WriteControl(p, ch, 0x07, DataByte(d[2]));
            return 1;
        }
        case kKindModulation: {
            if (bUnaddressable) {
                return 0;
            }
            p = WriteTime(p, nDelta);
            std::uint8_t byValue = record.length == 3 ? DataByte(d[2]) : kModulationShort[d[1] & 0x0F];
            if (m_nFormat == 0) {
                byValue = byValue <= 0x3F ? 0x00 : 0x22;
            }
            p = WriteControl(p, ch, 0x01, byValue);
            return 1;
        }
        case kKindExpression: {
            if (bUnaddressable) {
                return 0;
            }
            p = WriteTime(p, nDelta);
            p = WriteControl(p, ch, 0x0B, record.length == 3 ? DataByte(d[2]) : kExpressionShort[d[1] & 0x0F]);
            return 1;
        }
        case kKindRegisterWrite:
            return TranslateRegisterWrite(record, p, nDelta);
        case kKindVoiceAssign: {
            const std::uint8_t j = d[5] & 7;
            const std::uint8_t a = static_cast<std::uint8_t>(m_anVoiceMap[d[6] & 0x0F] & 0xFF);
            const std::uint8_t b = static_cast<std::uint8_t>(m_anVoiceMap[d[6] >> 4] & 0xFF);
            if (a == 0xFF && b == 0xFF) {
                return 0;
            }
            p = WriteTime(p, nDelta);
            if (a != 0xFF) {
                *p++ = static_cast<std::uint8_t>(0x40 | (2 * j));
                *p++ = a;
            }
            if (b != 0xFF) {
                if (a != 0xFF) {
                    *p++ = 0x00;
                }
                *p++ = static_cast<std::uint8_t>(0x40 | (2 * j + 1));
                *p++ = b;
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
            p = WriteTime(p, nDelta);
            *p++ = d[0];
            *p++ = d[1];
            return 1;
        }
        case kKindEndOfSequence: {
            p = WriteTime(p, nDelta);
            *p++ = 0xFF;
            *p++ = 0x2F;
            *p++ = 0x00;
            return 1;
        }
        default:
            return 0;
    }
}

std::uint8_t CCnvLarkWrentoHeron::TranslateEvent(const EventRecord& record, ByteBuffer& out, std::uint32_t nDelta) {
    std::uint8_t* p = out.Extend(kMaxTranslatedBytes);
    const std::uint8_t byResult = TranslateEventAt(record, p, nDelta);
    out.Commit(p);
    return byResult;
}

void CCnvLarkWrentoHeron::TranslateSequence(ByteBuffer& out) {
    // Events are written straight into room made a window at a time.
    std::uint8_t* p = out.Extend(kSequenceWindow);
    std::uint8_t* pLimit = p + (kSequenceWindow - kMaxTranslatedBytes);
    // A record that writes nothing passes its time on to the next one.
    std::uint32_t nLastWritten = 0;
    for (const EventRecord& record : m_vecEvents) {
        if (p > pLimit) {
            out.Commit(p);
            p = out.Extend(kSequenceWindow);
            pLimit = p + (kSequenceWindow - kMaxTranslatedBytes);
        }
        if (TranslateEventAt(record, p, record.time - nLastWritten) == 1) {
            // Only an event that was written can have written a time.
            if (m_bTimeOverflow) [[unlikely]] {
                // The delta is written first, so a delta that does not fit
                // is the value that tripped; otherwise it was the gate time.
                const std::uint32_t nDelta = record.time - nLastWritten;
                const bool bDelta = nDelta > kMaxVarLen;
                NoteTimeOverflow(bDelta ? ETimePlace::Delta : ETimePlace::Gate, bDelta ? nDelta : record.duration,
                                 record);
            }
            nLastWritten = record.time;
        }
    }
    out.Commit(p);
}

std::uint8_t CCnvLarkWrentoHeron::TranslateRegisterWrite(const EventRecord& record, std::uint8_t*& p,
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
            p = WriteTime(p, nDelta);
            *p++ = static_cast<std::uint8_t>(0x10 | n);
            *p++ = k > 127 ? 127 : k;
            *p++ = 0x7F;
            p = WriteTime(p, record.duration);
            *p++ = 0x00;
            p = WriteBend(p, n, pitch::BendValue(8192.0 + dScale * (dKey - k)));
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
    p = WriteTime(p, nDelta);
    p = WriteBend(p, n, pitch::BendValue(8192.0 + dScale * 12.0 * pitch::Log2(f / m_adBaseFreq[n])));
    m_anBendPending[n] = 1;
    return 1;
}
