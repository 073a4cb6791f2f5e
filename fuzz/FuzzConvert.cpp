// libFuzzer entry for the converter. Two builds of this file:
//  - fuzz_convert: the fuzzer's bytes are the input file as they stand, so the
//    validation itself (magic, size field, content type, CRC) is exercised;
//  - fuzz_convert_framed (KESTREL_FUZZ_FRAMED): the bytes get a correct magic,
//    size field and trailing CRC first, so nearly every input reaches the
//    analysis and the writers.
// Beyond the sanitizers, every run checks what Convert promises its caller.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "ByteBuffer.h"
#include "CnvLarkWrentoHeron.h"
#include "Crc16.h"

namespace {

[[noreturn]] void Fail(const char* pWhat) {
    std::fprintf(stderr, "fuzz_convert: %s\n", pWhat);
    std::abort();
}

std::uint32_t ReadBE32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

// A successful conversion is a sealed file: "MMMD", size field = length - 8,
// the CRC of everything before it in the last two bytes.
void CheckSealedOutput(const ByteBuffer& output) {
    const std::size_t nSize = output.Size();
    if (nSize < 23) {
        Fail("output shorter than the file head");
    }
    const std::uint8_t* p = output.Data();
    if (std::memcmp(p, "MMMD", 4) != 0) {
        Fail("output does not start with MMMD");
    }
    if (ReadBE32(p + 4) != nSize - 8) {
        Fail("output size field is not length - 8");
    }
    const std::uint16_t nStored = static_cast<std::uint16_t>((p[nSize - 2] << 8) | p[nSize - 1]);
    if (Crc16(p, static_cast<std::int64_t>(nSize - 2)) != nStored) {
        Fail("output file CRC does not match");
    }
}

std::int32_t ConvertChecked(const std::uint8_t* pInput, std::size_t nSize, ByteBuffer& output) {
    CCnvLarkWrentoHeron converter;
    const std::int32_t nResult = converter.Convert(pInput, static_cast<std::int32_t>(nSize), output);
    if (nResult > 1) {
        Fail("Convert returned a result above 1");
    }
    if (nResult == 1) {
        CheckSealedOutput(output);
    } else if (!output.Empty()) {
        Fail("a failed Convert left bytes in the output");
    }
    return nResult;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    if (nSize > 1u << 20) {
        return -1;  // keep the corpus to file-sized inputs
    }
#ifdef KESTREL_FUZZ_FRAMED
    if (nSize < 10) {
        return -1;
    }
    // A copy of exactly nSize bytes, so ASan catches a read past the end.
    std::vector<std::uint8_t> vecInput(pData, pData + nSize);
    std::memcpy(vecInput.data(), "MMMD", 4);
    const std::uint32_t nField = static_cast<std::uint32_t>(nSize - 8);
    for (int i = 0; i < 4; ++i) {
        vecInput[4 + i] = static_cast<std::uint8_t>(nField >> (24 - 8 * i));
    }
    const std::uint16_t nCrc = Crc16(vecInput.data(), static_cast<std::int64_t>(nSize - 2));
    vecInput[nSize - 2] = static_cast<std::uint8_t>(nCrc >> 8);
    vecInput[nSize - 1] = static_cast<std::uint8_t>(nCrc & 0xFF);

    ByteBuffer first;
    const std::int32_t nFirst = ConvertChecked(vecInput.data(), nSize, first);
    // A fresh converter must produce the same bytes: nothing may depend on
    // uninitialised state or on an earlier conversion.
    ByteBuffer second;
    const std::int32_t nSecond = ConvertChecked(vecInput.data(), nSize, second);
    if (nFirst != nSecond || first.Bytes() != second.Bytes()) {
        Fail("two conversions of the same input differ");
    }
#else
    ByteBuffer output;
    ConvertChecked(pData, nSize, output);
#endif
    return 0;
}
