#include <cstring>
#include <string>

#include "DescribeParts.h"
#include "FileDescription.h"

namespace fileinfo {

const char* GenerationName(EGeneration eGeneration) {
    switch (eGeneration) {
        case EGeneration::Source: return "source";
        case EGeneration::Heron: return "heron";
        default: return "unknown";
    }
}

const char* EventTypeName(EEventType eType) {
    switch (eType) {
        case EEventType::Note: return "note";
        case EEventType::SetupVoice: return "setup-voice";
        case EEventType::ProgramChange: return "program-change";
        case EEventType::BankSelect: return "bank-select";
        case EEventType::PitchBend: return "pitch-bend";
        case EEventType::Panpot: return "panpot";
        case EEventType::Volume: return "volume";
        case EEventType::Modulation: return "modulation";
        case EEventType::Expression: return "expression";
        case EEventType::RegisterWrite: return "register-write";
        case EEventType::VoiceAssign: return "voice-assign";
        case EEventType::Tempo: return "tempo";
        case EEventType::OctaveShift: return "octave-shift";
        case EEventType::ShortFF: return "short-ff";
        case EEventType::EndOfSequence: return "end-of-sequence";
        case EEventType::WaveData: return "wave-data";
        case EEventType::ControlChange: return "control-change";
        case EEventType::Exclusive: return "exclusive";
    }
    return "unknown";
}

// Kestrel writes the contents type 0x39 into every Heron file; the
// converter does not accept it as a source, so the two cannot be mixed up.
constexpr std::uint8_t kHeronContentsType = 0x39;

bool BeginsLikeVela(const std::uint8_t* pHead, std::size_t nHead) {
    return pHead != nullptr && nHead >= 4 && std::memcmp(pHead, "MMMD", 4) == 0;
}

CFileDescription DescribeFromHead(const std::string& strPath, const std::uint8_t* pHead, std::size_t nHead,
                                  std::uint64_t nSize) {
    CFileDescription d;
    d.strPath = strPath;
    d.nSize = nSize;
    if (!BeginsLikeVela(pHead, nHead)) {
        d.eGeneration = EGeneration::Unknown;
        d.strReasonCode = "not-vela";
        d.strReason = nSize < 4 ? "the file is too short to be a VELA file" : "the file does not begin with \"MMMD\"";
        return d;
    }
    const bool bHeron = nHead >= 18 && pHead[17] == kHeronContentsType;
    d.eGeneration = bHeron ? EGeneration::Heron : EGeneration::Source;
    if (nHead >= 18) {
        d.nContentType = pHead[17];
    }
    d.strReasonCode = "too-large";
    d.strReason = "the file is too large to describe (more than " + std::to_string(kMaxDescribedSize) + " bytes)";
    if (bHeron) {
        d.vecProblems.push_back({heron::kCheckFileSize, d.strReason});
    }
    return d;
}

CFileDescription DescribeFile(const std::string& strPath, const std::uint8_t* pBytes, std::size_t nSize,
                              const CDescribeOptions& options) {
    if (!BeginsLikeVela(pBytes, nSize)) {
        return DescribeFromHead(strPath, pBytes, nSize, nSize);
    }
    CFileDescription d;
    d.strPath = strPath;
    d.nSize = nSize;
    if (nSize >= 18 && pBytes[17] == kHeronContentsType) {
        DescribeHeron(pBytes, nSize, options, d);
    } else {
        DescribeSource(pBytes, nSize, options, d);
    }
    return d;
}

}  // namespace fileinfo
