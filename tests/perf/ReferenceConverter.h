// The converter with its three list operations done the plain way: one
// linear-search insertion per event and whole-list scans for the program and
// key-on lookups. Its output must match the indexed engine byte for byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "CnvLarkWrentoHeron.h"

class CReferenceConverter : public CCnvLarkWrentoHeron {
public:
    void InsertTrackEvents(std::vector<EventRecord>& list, std::size_t nTrackStart) override;
    int FindSetupVoiceSlot(std::uint8_t byBank, std::uint8_t byProgram) override;
    bool HasKeyOnAt(std::uint32_t nTime, std::uint8_t byChannel) override;

    // How often each operation ran, so a test can tell that the plain
    // versions were really used.
    std::size_t m_nInsertCalls = 0;
    std::size_t m_nVoiceLookups = 0;
    std::size_t m_nKeyOnLookups = 0;
};
