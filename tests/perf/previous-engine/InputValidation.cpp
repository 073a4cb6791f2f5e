#include "CnvLarkWrentoHeron.h"
#include "Crc16.h"

namespace previous_engine {

namespace {

// Format number from the content-type byte; -1 when the type is not one this
// converter accepts.
int FormatFromContentType(std::uint8_t byType) {
    if (byType == 0x00) {
        return 0;
    }
    if (byType <= 0x2F) {
        return 1;
    }
    const int nHigh = byType >> 4;
    const int nLow = byType & 0x0F;
    if (nHigh >= 3 && nHigh <= 5 && nLow <= 1) {
        return nLow;
    }
    return -1;
}

std::uint32_t ReadBE32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

}  // namespace

std::int32_t CCnvLarkWrentoHeron::ValidateInput() {
    // The CRC table is built at compile time, so there is nothing to fill.
    const std::uint8_t* p = m_pInput;
    const std::int32_t nSize = m_nInputSize;
    m_rejection = CRejectReason{};
    m_rejection.nLength = nSize > 0 ? static_cast<std::uint64_t>(nSize) : 0;
    if (p == nullptr || nSize < 18) {
        m_rejection.eCode = p == nullptr ? ERejectCode::NoInput : ERejectCode::TooShort;
        return 0;
    }
    if (p[0] != 'M' || p[1] != 'M' || p[2] != 'M' || p[3] != 'D') {
        m_rejection.eCode = ERejectCode::NotVela;
        m_rejection.nValue = ReadBE32(p);
        return 0;
    }
    const std::uint32_t nSizeField = ReadBE32(p + 4);
    if (nSizeField != static_cast<std::uint32_t>(nSize - 8)) {
        m_rejection.eCode = ERejectCode::SizeField;
        m_rejection.nValue = nSizeField;
        m_rejection.nExpected = static_cast<std::uint64_t>(nSize - 8);
        return 0;
    }
    const int nFormat = FormatFromContentType(p[17]);
    if (nFormat < 0) {
        m_rejection.eCode = ERejectCode::ContentType;
        m_rejection.nValue = p[17];
        return 0;
    }
    m_nFormat = static_cast<std::uint8_t>(nFormat);
    // An 18- or 19-byte file ends before the copy-status byte; it reads as 0
    // rather than a byte behind the input.
    const std::uint8_t byCopyStatus = nSize > 19 ? p[19] : std::uint8_t{0};
    m_byCopyStatus = static_cast<std::uint8_t>(byCopyStatus | 0xF8);
    const std::uint16_t nStored = static_cast<std::uint16_t>((p[nSize - 2] << 8) | p[nSize - 1]);
    const std::uint16_t nComputed = Crc16(p, nSize - 2);
    if (nComputed != nStored) {
        m_rejection.eCode = ERejectCode::CrcMismatch;
        m_rejection.nValue = nStored;
        m_rejection.nExpected = nComputed;
        return 0;
    }
    return 1;
}

}  // namespace previous_engine
