#include <cstring>

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

CFileDescription DescribeFile(const std::string& strPath, const std::uint8_t* pBytes, std::size_t nSize,
                              const CDescribeOptions& options) {
    CFileDescription d;
    d.strPath = strPath;
    d.nSize = nSize;
    if (pBytes == nullptr || nSize < 4 || std::memcmp(pBytes, "MMMD", 4) != 0) {
        d.eGeneration = EGeneration::Unknown;
        d.strReasonCode = "not-vela";
        d.strReason = nSize < 4 ? "the file is too short to be a VELA file" : "the file does not begin with \"MMMD\"";
        return d;
    }
    if (nSize >= 18 && pBytes[17] == kHeronContentsType) {
        DescribeHeron(pBytes, nSize, options, d);
    } else {
        DescribeSource(pBytes, nSize, options, d);
    }
    return d;
}

}  // namespace fileinfo
