#include "CnvLarkWrentoHeron.h"
#include "Crc16.h"

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

}  // namespace

std::int32_t CCnvLarkWrentoHeron::ValidateInput() {
    // The CRC table is built at compile time, so there is nothing to fill.
    const std::uint8_t* p = m_pInput;
    const std::int32_t nSize = m_nInputSize;
    if (p == nullptr || nSize < 18) {
        return 0;
    }
    if (p[0] != 'M' || p[1] != 'M' || p[2] != 'M' || p[3] != 'D') {
        return 0;
    }
    const std::uint32_t nSizeField = (std::uint32_t{p[4]} << 24) | (std::uint32_t{p[5]} << 16) |
                                     (std::uint32_t{p[6]} << 8) | p[7];
    if (nSizeField != static_cast<std::uint32_t>(nSize - 8)) {
        return 0;
    }
    const int nFormat = FormatFromContentType(p[17]);
    if (nFormat < 0) {
        return 0;
    }
    m_nFormat = static_cast<std::uint8_t>(nFormat);
    // An 18- or 19-byte file ends before the copy-status byte; it reads as 0
    // rather than a byte behind the input.
    const std::uint8_t byCopyStatus = nSize > 19 ? p[19] : std::uint8_t{0};
    m_byCopyStatus = static_cast<std::uint8_t>(byCopyStatus | 0xF8);
    const std::uint16_t nStored = static_cast<std::uint16_t>((p[nSize - 2] << 8) | p[nSize - 1]);
    return Crc16(p, nSize - 2) == nStored ? 1 : 0;
}
