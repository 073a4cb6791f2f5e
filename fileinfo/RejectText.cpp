#include "RejectText.h"

#include <cstdio>

namespace fileinfo {
namespace {

std::string Num(std::uint64_t n) { return std::to_string(n); }

std::string Hex(std::uint64_t n, int nDigits) {
    char ach[24];
    std::snprintf(ach, sizeof ach, "0x%0*llX", nDigits, static_cast<unsigned long long>(n));
    return ach;
}

// The ID as it is written in the file: printable characters kept, other
// bytes as \xNN.
std::string Quoted(const std::uint8_t* pId) {
    std::string s = "\"";
    for (int i = 0; i < 4; ++i) {
        if (pId[i] >= 0x20 && pId[i] < 0x7F && pId[i] != '"' && pId[i] != '\\') {
            s += static_cast<char>(pId[i]);
        } else {
            char ach[8];
            std::snprintf(ach, sizeof ach, "\\x%02X", pId[i]);
            s += ach;
        }
    }
    return s + "\"";
}

std::string Bytes4(std::uint64_t n) {
    char ach[16];
    std::snprintf(ach, sizeof ach, "%02X %02X %02X %02X", static_cast<unsigned>((n >> 24) & 0xFF),
                  static_cast<unsigned>((n >> 16) & 0xFF), static_cast<unsigned>((n >> 8) & 0xFF),
                  static_cast<unsigned>(n & 0xFF));
    return ach;
}

std::string TrackName(std::uint8_t byTrack) {
    return byTrack == 5 ? "the audio track (5)" : "track " + Num(byTrack);
}

std::string SetupRule(const CRejectReason& r) {
    switch (static_cast<ESetupRule>(r.byDetail)) {
        case ESetupRule::NotExclusive:
            return "does not begin FF F0 (found " + Hex(r.nValue >> 8, 2).substr(2) + " " +
                   Hex(r.nValue & 0xFF, 2).substr(2) + ")";
        case ESetupRule::LengthBelow3: return "has the length " + Num(r.nValue) + ", below 3";
        case ESetupRule::PastEnd:
            return "with length " + Num(r.nValue) + " reaches past the end of the input (length " + Num(r.nLength) + ")";
        case ESetupRule::Not43: return "does not continue with 43 (found " + Hex(r.nValue, 2) + ")";
        case ESetupRule::Not02Or03: return "has " + Hex(r.nValue, 2) + " where 02 or 03 belongs";
        case ESetupRule::NoF7: return "has no F7 where its length ends (found " + Hex(r.nValue, 2) + ")";
        default: return "breaks a rule";
    }
}

}  // namespace

const char* RejectCodeName(ERejectCode eCode) {
    switch (eCode) {
        case ERejectCode::None: return "none";
        case ERejectCode::NoInput: return "no-input";
        case ERejectCode::TooShort: return "too-short";
        case ERejectCode::NotVela: return "not-vela";
        case ERejectCode::SizeField: return "size-field";
        case ERejectCode::ContentType: return "content-type";
        case ERejectCode::CrcMismatch: return "crc-mismatch";
        case ERejectCode::ChunkHeadPastEnd: return "chunk-head-past-end";
        case ERejectCode::ChunkPastEnd: return "chunk-past-end";
        case ERejectCode::TrackHeaderPastEnd: return "track-header-past-end";
        case ERejectCode::EventPastEnd: return "event-past-end";
        case ERejectCode::SetupMessage: return "setup-message";
        case ERejectCode::TimeOverflow: return "time-overflow";
        case ERejectCode::OutOfMemory: return "out-of-memory";
    }
    return "unknown";
}

std::string DescribeRejection(const CRejectReason& r) {
    switch (r.eCode) {
        case ERejectCode::None: return "no fault recorded";
        case ERejectCode::NoInput: return "no input bytes";
        case ERejectCode::TooShort:
            return "the input is " + Num(r.nLength) + " bytes long, shorter than the 18 bytes of a file head";
        case ERejectCode::NotVela: return "the first bytes are " + Bytes4(r.nValue) + ", not \"MMMD\"";
        case ERejectCode::SizeField:
            return "the size field says " + Num(r.nValue) + ", but the length minus 8 is " + Num(r.nExpected);
        case ERejectCode::ContentType:
            return "the content type " + Hex(r.nValue, 2) + " is not one the converter accepts";
        case ERejectCode::CrcMismatch:
            return "the stored CRC " + Hex(r.nValue, 4) + " differs from the computed CRC " + Hex(r.nExpected, 4);
        case ERejectCode::ChunkHeadPastEnd:
            return "the chunk head at offset " + Num(r.nOffset) + " reaches past the end of the input (length " +
                   Num(r.nLength) + ")";
        case ERejectCode::ChunkPastEnd:
            return "chunk " + Quoted(r.abyId) + " at offset " + Num(r.nOffset) + " with size " + Num(r.nSize) +
                   " reaches past the end of the input (length " + Num(r.nLength) + ")";
        case ERejectCode::TrackHeaderPastEnd:
            return "track chunk " + Quoted(r.abyId) + " at offset " + Num(r.nOffset) + " with size " + Num(r.nSize) +
                   " ends before its 6-byte header (input length " + Num(r.nLength) + ")";
        case ERejectCode::EventPastEnd:
            return "the event of " + TrackName(r.byTrack) + " at offset " + Num(r.nOffset) +
                   " reaches past the end of the input (length " + Num(r.nLength) + ")";
        case ERejectCode::SetupMessage:
            return "the setup message at offset " + Num(r.nOffset) + " " + SetupRule(r);
        case ERejectCode::TimeOverflow:
            switch (static_cast<ETimePlace>(r.byDetail)) {
                case ETimePlace::Gate:
                    return "the gate time " + Num(r.nValue) + " of the note at tick " + Num(r.nTick) + " of " +
                           TrackName(r.byTrack) + " does not fit 28 bits";
                case ETimePlace::MasterDelta:
                    return "the delta time " + Num(r.nValue) + " before the tempo message at tick " + Num(r.nTick) +
                           " does not fit 28 bits";
                default:
                    return "the delta time " + Num(r.nValue) + " before the event at tick " + Num(r.nTick) + " of " +
                           TrackName(r.byTrack) + " does not fit 28 bits";
            }
        case ERejectCode::OutOfMemory: return "memory ran out while converting";
    }
    return "unknown fault";
}

}  // namespace fileinfo
