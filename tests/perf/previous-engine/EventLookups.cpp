// Indexes built once per conversion for the two questions the translation
// asks of the whole event list; the list does not change while it is written.
#include <algorithm>

#include "CnvLarkWrentoHeron.h"
#include "RecordBytes.h"

namespace previous_engine {

int CCnvLarkWrentoHeron::FindSetupVoiceSlot(std::uint8_t byBank, std::uint8_t byProgram) {
    if (!m_bVoiceIndexBuilt) {
        for (const EventRecord& record : m_vecEvents) {
            if (record.kind != kKindSetupVoice) {
                continue;
            }
            const std::uint16_t nKey = static_cast<std::uint16_t>((RecordByte(record, 5) << 8) | RecordByte(record, 6));
            m_mapSetupVoiceSlot.emplace(nKey, RecordByte(record, 4));  // keeps the first match
        }
        m_bVoiceIndexBuilt = true;
    }
    const auto it = m_mapSetupVoiceSlot.find(static_cast<std::uint16_t>((byBank << 8) | byProgram));
    return it == m_mapSetupVoiceSlot.end() ? -1 : it->second;
}

bool CCnvLarkWrentoHeron::HasKeyOnAt(std::uint32_t nTime, std::uint8_t byChannel) {
    if (!m_bKeyOnIndexBuilt) {
        for (const EventRecord& record : m_vecEvents) {
            if (record.kind == kKindRegisterWrite && (record.data[5] & 0xF0) == 0xC0 && (record.data[6] & 0x20)) {
                m_vecKeyOnTimes.push_back((std::uint64_t{record.time} << 4) | (record.data[5] & 0x0F));
            }
        }
        // The list is in time order, so this sort only settles equal times.
        // A sorted array rather than a hash set: the questions come in time
        // order, so the binary search stays in cache on large files, where
        // hash-node lookups missed the cache on nearly every call.
        std::sort(m_vecKeyOnTimes.begin(), m_vecKeyOnTimes.end());
        m_bKeyOnIndexBuilt = true;
    }
    return std::binary_search(m_vecKeyOnTimes.begin(), m_vecKeyOnTimes.end(),
                              (std::uint64_t{nTime} << 4) | (byChannel & 0x0F));
}

}  // namespace previous_engine
