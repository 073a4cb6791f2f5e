// Pre-pass over the register writes of format-1 content: channels whose
// frequency moves further than the default two semitones get a wider bend
// range and a range control at the head of the sequence.
#include <algorithm>
#include <cmath>

#include "CnvLarkWrentoHeron.h"
#include "Pitch.h"

namespace previous_engine {

void CCnvLarkWrentoHeron::PrepareBendRanges(ByteBuffer& out) {
    std::fill(std::begin(m_abyBendRange), std::end(m_abyBendRange), std::uint8_t{2});
    std::fill(std::begin(m_anBendOverflow), std::end(m_anBendOverflow), 0);

    const auto evaluate = [this](std::uint8_t n, double dSemitones) {
        const double dBend = 4096.0 * dSemitones + 8192.0;
        // trunc(dBend) < 0 or > 16383, decided in double so that an infinite
        // deviation (F-number 0) needs no integer conversion.
        if (!(dBend > -1.0 && dBend < 16384.0)) {
            m_anBendOverflow[n] = 1;
        }
        const double dWhole = std::fabs(std::trunc(dSemitones));
        if (dWhole > m_abyBendRange[n]) {
            m_abyBendRange[n] = static_cast<std::uint8_t>(std::min(dWhole + 1.0, 24.0));
        }
    };

    for (const EventRecord& record : m_vecEvents) {
        if (record.kind != kKindRegisterWrite) {
            continue;
        }
        const std::uint8_t r = record.data[5];
        const std::uint8_t v = record.data[6];
        const std::uint8_t n = r & 0x0F;
        if ((r & 0xF0) == 0xC0) {
            if ((v & 0x20) == 0) {
                m_adBaseFreq[n] = 0.0;
                continue;
            }
            m_abyBlock[n] = (v >> 2) & 7;
            m_awFnum[n] = static_cast<std::uint16_t>(((v & 3) << 8) | (m_awFnum[n] & 0xFF));
            const double f = pitch::FmFrequency(m_abyBlock[n], m_awFnum[n]);
            if (m_adBaseFreq[n] == 0.0) {
                m_adBaseFreq[n] = pitch::KeyFrequency(pitch::NearestKey(pitch::KeyOf(f)));
            } else {
                evaluate(n, 12.0 * pitch::Log2(f / m_adBaseFreq[n]));
            }
        } else if ((r & 0xF0) == 0xB0) {
            m_awFnum[n] = static_cast<std::uint16_t>((m_awFnum[n] & 0x300) | v);
            if (m_adBaseFreq[n] == 0.0 || HasKeyOnAt(record.time, n)) {
                continue;
            }
            const double f = pitch::FmFrequency(m_abyBlock[n], m_awFnum[n]);
            evaluate(n, 12.0 * pitch::Log2(f / m_adBaseFreq[n]));
        }
    }

    std::fill(std::begin(m_adBaseFreq), std::end(m_adBaseFreq), 0.0);
    std::fill(std::begin(m_awFnum), std::end(m_awFnum), std::uint16_t{0});
    std::fill(std::begin(m_abyBlock), std::end(m_abyBlock), std::uint8_t{0});

    for (int ch = 0; ch < 16; ++ch) {
        if (m_anBendOverflow[ch] == 1) {
            AppendByte(out, 0x00);
            AppendByte(out, static_cast<std::uint8_t>(0x30 | ch));
            AppendByte(out, 0x0F);
            AppendByte(out, m_abyBendRange[ch]);
        }
    }
}

}  // namespace previous_engine
