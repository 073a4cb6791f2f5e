// Indexes built by one pass over the event list for the questions the
// writers ask of the whole list: the setup voices in order, the voice slot of
// a bank and program, and the key-on register writes at a time.
#include <algorithm>

#include "CnvLarkWrentoHeron.h"
#include "RecordBytes.h"

void CCnvLarkWrentoHeron::BuildEventIndexes() {
    if (m_bEventIndexesBuilt) {
        return;
    }
    m_bEventIndexesBuilt = true;
    bool bTimeOrder = true;
    for (const EventRecord& record : m_vecEvents) {
        if (record.kind == kKindSetupVoice) {
            m_vecSetupVoices.push_back(&record);
            // Key, then list order, then the slot: sorted, the first entry
            // of a key is the voice met first.
            const std::uint64_t nKey = (std::uint64_t{RecordByte(record, 5)} << 8) | RecordByte(record, 6);
            m_vecVoiceKeys.push_back((nKey << 40) | (std::uint64_t{m_vecVoiceKeys.size()} << 8) | RecordByte(record, 4));
        } else if (record.kind == kKindRegisterWrite && (record.data[5] & 0xF0) == 0xC0 && (record.data[6] & 0x20)) {
            const auto nChannel = static_cast<std::uint16_t>(1u << (record.data[5] & 0x0F));
            if (!m_vecKeyOnTimes.empty() && m_vecKeyOnTimes.back().nTime == record.time) {
                m_vecKeyOnTimes.back().nChannels |= nChannel;
            } else {
                bTimeOrder = bTimeOrder && (m_vecKeyOnTimes.empty() || m_vecKeyOnTimes.back().nTime < record.time);
                m_vecKeyOnTimes.push_back({record.time, nChannel});
            }
        }
    }
    std::sort(m_vecVoiceKeys.begin(), m_vecVoiceKeys.end());
    if (!bTimeOrder) {
        // Only a list not in time order (built by hand) gets here: put the
        // times in order and join the channels of equal times.
        std::sort(m_vecKeyOnTimes.begin(), m_vecKeyOnTimes.end(),
                  [](const CKeyOnTime& a, const CKeyOnTime& b) { return a.nTime < b.nTime; });
        std::size_t nOut = 0;
        for (std::size_t i = 0; i < m_vecKeyOnTimes.size(); ++i) {
            if (nOut > 0 && m_vecKeyOnTimes[nOut - 1].nTime == m_vecKeyOnTimes[i].nTime) {
                m_vecKeyOnTimes[nOut - 1].nChannels |= m_vecKeyOnTimes[i].nChannels;
            } else {
                m_vecKeyOnTimes[nOut++] = m_vecKeyOnTimes[i];
            }
        }
        m_vecKeyOnTimes.resize(nOut);
    }
}

int CCnvLarkWrentoHeron::FindSetupVoiceSlot(std::uint8_t byBank, std::uint8_t byProgram) {
    BuildEventIndexes();
    const std::uint64_t nKey = (std::uint64_t{byBank} << 8) | byProgram;
    const auto it = std::lower_bound(m_vecVoiceKeys.begin(), m_vecVoiceKeys.end(), nKey << 40);
    return it != m_vecVoiceKeys.end() && (*it >> 40) == nKey ? static_cast<int>(*it & 0xFF) : -1;
}

bool CCnvLarkWrentoHeron::HasKeyOnAt(std::uint32_t nTime, std::uint8_t byChannel) {
    BuildEventIndexes();
    // The questions come in time order (the list is walked in order), so
    // the answer is found by stepping on from the last one; a question
    // further back starts a search from the beginning.
    const std::size_t nCount = m_vecKeyOnTimes.size();
    std::size_t i = m_nKeyOnCursor;
    if (i > 0 && m_vecKeyOnTimes[i - 1].nTime >= nTime) {
        i = static_cast<std::size_t>(
            std::lower_bound(m_vecKeyOnTimes.begin(), m_vecKeyOnTimes.begin() + static_cast<std::ptrdiff_t>(i), nTime,
                             [](const CKeyOnTime& a, std::uint32_t t) { return a.nTime < t; }) -
            m_vecKeyOnTimes.begin());
    }
    while (i < nCount && m_vecKeyOnTimes[i].nTime < nTime) {
        ++i;
    }
    m_nKeyOnCursor = i;
    return i < nCount && m_vecKeyOnTimes[i].nTime == nTime &&
           (m_vecKeyOnTimes[i].nChannels & (1u << (byChannel & 0x0F))) != 0;
}
