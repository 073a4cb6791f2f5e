// Format-0 notes that start again on the same channel and key while the
// previous one still sounds are folded into the note already sounding.
#include "CnvLarkWrentoHeron.h"
#include "Pitch.h"

void CCnvLarkWrentoHeron::MergeOverlappingNotes() {
    std::int8_t anOctaveShift[16] = {};
    // Compacts in place: records before nKept are final, so the positions
    // kept in m_aNoteSlot are those of the list with the removals done.
    std::size_t nKept = 0;
    EventRecord* const pEvents = m_vecEvents.data();
    const std::size_t nCount = m_vecEvents.size();
    for (std::size_t i = 0; i < nCount; ++i) {
        // Only records before nKept <= i are written below, so the
        // reference stays valid.
        const EventRecord& record = pEvents[i];
        if (record.kind == kKindOctaveShift && record.track != 5) {
            anOctaveShift[record.data[1] >> 6] = pitch::OctaveShiftValue(record.data[2]);
        } else if (record.kind == kKindNote) {
            const std::uint8_t ch = record.data[0] >> 6;
            const std::uint8_t byKey = pitch::ScoreNoteKey(record.data[0], anOctaveShift[ch]);
            NoteSlot& slot = m_aNoteSlot[ch][byKey];
            std::uint64_t& nUsedWord = m_anNoteSlotUsed[ch][byKey >> 6];
            const std::uint64_t nUsedBit = std::uint64_t{1} << (byKey & 63);
            if ((nUsedWord & nUsedBit) == 0) {
                nUsedWord |= nUsedBit;
                slot = NoteSlot{0, 0, 0};
            }
            if (record.time < static_cast<std::uint32_t>(slot.start + slot.duration)) {
                EventRecord& kept = pEvents[slot.index];
                const std::uint32_t nEnd = record.time + record.duration;
                if (nEnd > static_cast<std::uint32_t>(kept.time + kept.duration)) {
                    kept.duration = nEnd - kept.time;
                    slot.duration = kept.duration;
                }
                continue;  // removed
            }
            slot.start = record.time;
            slot.duration = record.duration;
            slot.index = static_cast<std::uint32_t>(nKept);
        }
        if (nKept != i) {
            pEvents[nKept] = pEvents[i];
        }
        ++nKept;
    }
    m_vecEvents.resize(nKept);
}
