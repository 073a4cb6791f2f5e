// Small helpers shared by the engine tests.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "ByteBuffer.h"
#include "CnvLarkWrentoHeron.h"
#include "VelaBuilder.h"

namespace testutil {

using vela::Bytes;

// "4D 54 52" -> {0x4D, 0x54, 0x52}.
inline Bytes Hex(const std::string& text) {
    Bytes bytes;
    std::istringstream in(text);
    std::string token;
    while (in >> token) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(token, nullptr, 16)));
    }
    return bytes;
}

// Concatenation of several byte lists.
inline Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

// n copies of one byte.
inline Bytes Repeat(std::uint8_t byValue, std::size_t n) { return Bytes(n, byValue); }

inline std::string ToHex(const Bytes& bytes) {
    static const char* const kDigits = "0123456789ABCDEF";
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i != 0) {
            text += ' ';
        }
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0F];
    }
    return text;
}

inline Bytes ToBytes(const ByteBuffer& buffer) { return buffer.Bytes(); }

inline Bytes Slice(const ByteBuffer& buffer, std::size_t nFrom, std::size_t nCount) {
    return Bytes(buffer.Data() + nFrom, buffer.Data() + nFrom + nCount);
}

// Validates and analyses a whole source file the way Convert does, leaving
// the converter ready for the writers. Returns the analysis result (or 0 when
// the validation rejected the file).
inline std::int32_t Analyze(CCnvLarkWrentoHeron& cnv, const Bytes& file) {
    cnv.m_pInput = file.data();
    cnv.m_nInputSize = static_cast<std::int32_t>(file.size());
    if (cnv.ValidateInput() != 1) {
        return 0;
    }
    return cnv.Analyze();
}

inline std::int32_t Convert(const Bytes& file, ByteBuffer& out) {
    CCnvLarkWrentoHeron cnv;
    return cnv.Convert(file.data(), static_cast<std::int32_t>(file.size()), out);
}

// A record over caller-owned bytes.
inline EventRecord Record(std::uint8_t byKind, const Bytes& data, std::uint8_t byTrack = 1, std::uint32_t nTime = 0,
                          std::uint32_t nDuration = 0) {
    EventRecord record;
    record.kind = byKind;
    record.data = data.data();
    record.length = static_cast<std::uint32_t>(data.size());
    record.track = byTrack;
    record.time = nTime;
    record.duration = nDuration;
    return record;
}

// Raw bytes of a register-write message F0 06 43 03 90 r v F7.
inline Bytes RegisterWriteBytes(std::uint8_t byRegister, std::uint8_t byValue) {
    return {0xF0, 0x06, 0x43, 0x03, 0x90, byRegister, byValue, 0xF7};
}

// Kinds of the records of a list, for compact comparisons.
inline std::vector<int> Kinds(const std::vector<EventRecord>& records) {
    std::vector<int> kinds;
    for (const auto& record : records) {
        kinds.push_back(record.kind);
    }
    return kinds;
}

// A format-0 (or format-1) file with one score track holding the sequence.
inline Bytes OneTrackFile(const vela::CSequenceBuilder& seq, std::uint8_t byContentType = 0x00,
                          std::uint8_t byTrack = 0) {
    return vela::CVelaFile()
        .Add(vela::ContentsInfo(byContentType))
        .Add(vela::ScoreTrack(byTrack).Add(vela::ScoreSequence(seq)))
        .ToBytes();
}

}  // namespace testutil
