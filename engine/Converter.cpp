#include "CnvLarkWrentoHeron.h"
#include "Crc16.h"

#include <algorithm>
#include <cassert>
#include <new>
#include <stdexcept>

CCnvLarkWrentoHeron::CCnvLarkWrentoHeron() {
    std::fill(std::begin(m_anVoiceMap), std::end(m_anVoiceMap), -1);
    std::fill(std::begin(m_abyBendRange), std::end(m_abyBendRange), std::uint8_t{2});
    std::fill(std::begin(m_abyVelocity), std::end(m_abyVelocity), std::uint8_t{75});
}

CCnvLarkWrentoHeron::~CCnvLarkWrentoHeron() = default;

namespace {

// File head and contents-information chunk: 21 bytes. The output carries no
// option text, whatever the input's contents information held.
void AppendFileHead(ByteBuffer& work, std::uint8_t byCopyStatus) {
    static const std::uint8_t kHead[] = {'M', 'M', 'M', 'D', 0, 0, 0, 0, 'C', 'N', 'T', 'I', 0, 0, 0, 5};
    AppendBytes(work, kHead, sizeof kHead);
    AppendByte(work, 0x00);  // contents class
    AppendByte(work, 0x39);  // contents type
    AppendByte(work, 0x01);  // contents code type
    AppendByte(work, byCopyStatus);
    AppendByte(work, 0x00);  // copy count
}

}  // namespace

std::int32_t CCnvLarkWrentoHeron::Convert(const std::uint8_t* pInput, std::int32_t nSize, ByteBuffer& output) {
    // Exhausted memory is reported like any other writer failure; the engine
    // lets no exception reach its caller.
    try {
        return ConvertUnguarded(pInput, nSize, output);
    } catch (const std::bad_alloc&) {
        m_rejection = CRejectReason{};
        m_rejection.eCode = ERejectCode::OutOfMemory;
        return kResultOutOfMemory;
    } catch (const std::length_error&) {
        m_rejection = CRejectReason{};
        m_rejection.eCode = ERejectCode::OutOfMemory;
        return kResultOutOfMemory;
    }
}

std::int32_t CCnvLarkWrentoHeron::AnalyzeInput(const std::uint8_t* pInput, std::int32_t nSize) {
    try {
        return ValidateAndAnalyze(pInput, nSize);
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    m_rejection = CRejectReason{};
    m_rejection.eCode = ERejectCode::OutOfMemory;
    return 0;
}

std::int32_t CCnvLarkWrentoHeron::ValidateAndAnalyze(const std::uint8_t* pInput, std::int32_t nSize) {
    if (nSize < 9 || pInput == nullptr) {
        m_rejection = CRejectReason{};
        m_rejection.eCode = pInput == nullptr ? ERejectCode::NoInput : ERejectCode::TooShort;
        m_rejection.nLength = nSize > 0 ? static_cast<std::uint64_t>(nSize) : 0;
        return 0;
    }
    m_pInput = pInput;
    m_nInputSize = nSize;
    if (ValidateInput() == 0) {
        return 0;
    }
    return Analyze();
}

std::int32_t CCnvLarkWrentoHeron::ConvertUnguarded(const std::uint8_t* pInput, std::int32_t nSize,
                                                   ByteBuffer& output) {
    if (ValidateAndAnalyze(pInput, nSize) == 0) {
        return 0;
    }
    if (m_nFormat == 0) {
        MergeOverlappingNotes();
    }

    ByteBuffer work;
    // One reservation: twice the input and the sequence writer's window.
    work.Reserve(static_cast<std::size_t>(nSize) * 2 + 256 + kSequenceWindow);
    m_nContentsStart = 8;
    m_nContentsSize = 5;
    AppendFileHead(work, m_byCopyStatus);

    std::int32_t nResult = WriteOptionalData(work);
    if (nResult <= 0) {
        return nResult;
    }
    nResult = WriteScoreTrack(work);
    if (nResult <= 0) {
        return nResult;
    }
    if (m_nFormat == 0 && !m_vecMasterEvents.empty()) {
        nResult = WriteMasterTrack(work);
        if (nResult <= 0) {
            return nResult;
        }
    }

    // The two CRC ranges start at a chunk's first byte and span body sizes, so
    // they end short of the chunks they cover; the format defines them so.
    PatchBE32(work, 4, static_cast<std::uint32_t>(work.Size() - 8 + 2));
    const std::size_t nTrackStart = m_nTrackChunkStart;
    const std::size_t nTrackRange = std::size_t{m_nTrackChunkSize} + m_nMasterChunkSize;
    assert(m_nTrackCrcPos + 2 <= nTrackStart && m_nContentsCrcPos + 2 <= nTrackStart);
    assert(nTrackStart + nTrackRange <= work.Size());
    const std::uint16_t nTrackRegister =
        Crc16Register(0xFFFF, work.Data() + nTrackStart, static_cast<std::int64_t>(nTrackRange));
    work[m_nTrackCrcPos] = static_cast<std::uint8_t>((nTrackRegister ^ 0xFFFF) >> 8);
    work[m_nTrackCrcPos + 1] = static_cast<std::uint8_t>((nTrackRegister ^ 0xFFFF) & 0xFF);
    StoreCrc16(work, m_nContentsStart, std::int64_t{m_nContentsSize} + m_nOptionSize, m_nContentsCrcPos);
    // The file CRC reads the head (slots filled) and what follows the track
    // range; the track range, the bulk of the file, enters by its register.
    std::uint16_t nFileRegister = Crc16Register(0xFFFF, work.Data(), static_cast<std::int64_t>(nTrackStart));
    nFileRegister = static_cast<std::uint16_t>(nTrackRegister ^ Crc16ZeroShift(nFileRegister ^ 0xFFFF, nTrackRange));
    nFileRegister = Crc16Register(nFileRegister, work.Data() + nTrackStart + nTrackRange,
                                  static_cast<std::int64_t>(work.Size() - nTrackStart - nTrackRange));
    const auto nFileCrc = static_cast<std::uint16_t>(nFileRegister ^ 0xFFFF);
    AppendByte(work, static_cast<std::uint8_t>(nFileCrc >> 8));
    AppendByte(work, static_cast<std::uint8_t>(nFileCrc & 0xFF));

    if (output.Empty()) {
        output.Swap(work);  // the same bytes without a second copy of the file
    } else {
        output.Reserve(output.Size() + work.Size());
        AppendBytes(output, work.Data(), work.Size());
    }
    return 1;
}

void CCnvLarkWrentoHeron::NoteTimeOverflow(ETimePlace ePlace, std::uint64_t nValue, const EventRecord& record) {
    if (m_rejection.eCode != ERejectCode::None) {
        return;  // the first one found is the one reported
    }
    m_rejection.eCode = ERejectCode::TimeOverflow;
    m_rejection.byDetail = static_cast<std::uint8_t>(ePlace);
    m_rejection.byTrack = record.track;
    m_rejection.nValue = nValue;
    m_rejection.nTick = record.time;
    m_rejection.nLength = static_cast<std::uint64_t>(m_nInputSize);
}
