#include "ReferenceConverter.h"

#include "RecordBytes.h"

void CReferenceConverter::InsertTrackEvents(std::vector<EventRecord>& list, std::size_t nTrackStart) {
    ++m_nInsertCalls;
    const std::vector<EventRecord> trackEvents(list.begin() + static_cast<std::ptrdiff_t>(nTrackStart), list.end());
    list.resize(nTrackStart);
    for (const EventRecord& event : trackEvents) {
        // Before the first record whose time is greater, i.e. after every
        // record with an equal or smaller time.
        std::size_t i = 0;
        while (i < list.size() && list[i].time <= event.time) {
            ++i;
        }
        list.insert(list.begin() + static_cast<std::ptrdiff_t>(i), event);
    }
}

int CReferenceConverter::FindSetupVoiceSlot(std::uint8_t byBank, std::uint8_t byProgram) {
    ++m_nVoiceLookups;
    for (const EventRecord& record : m_vecEvents) {
        if (record.kind == kKindSetupVoice && RecordByte(record, 6) == byProgram && RecordByte(record, 5) == byBank) {
            return RecordByte(record, 4);
        }
    }
    return -1;
}

bool CReferenceConverter::HasKeyOnAt(std::uint32_t nTime, std::uint8_t byChannel) {
    ++m_nKeyOnLookups;
    for (const EventRecord& record : m_vecEvents) {
        if (record.kind == kKindRegisterWrite && record.time == nTime &&
            RecordByte(record, 5) == 0xC0 + (byChannel & 0x0F) && (RecordByte(record, 6) & 0x20) != 0) {
            return true;
        }
    }
    return false;
}
