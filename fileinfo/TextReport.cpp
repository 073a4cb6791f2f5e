#include "TextReport.h"

#include <cstdio>
#include <string>

#include "ChunkTree.h"

namespace fileinfo {
namespace {

std::string Hex2(unsigned n) {
    char ach[8];
    std::snprintf(ach, sizeof ach, "%02X", n & 0xFF);
    return ach;
}
std::string Hex4(unsigned n) {
    char ach[8];
    std::snprintf(ach, sizeof ach, "%04X", n & 0xFFFF);
    return ach;
}

void WriteChunk(std::ostream& out, const CChunkNode& node, int nDepth) {
    std::string strLine(static_cast<std::size_t>(4 + 2 * nDepth), ' ');
    strLine += node.strId;
    if (strLine.size() < 24) {
        strLine.resize(24, ' ');
    }
    out << strLine << " offset " << node.nOffset << ", body " << node.nSize;
    if (node.bPastEnd) {
        out << "  (reaches past the end)";
    }
    out << "\n";
    for (const CChunkNode& child : node.vecChildren) {
        WriteChunk(out, child, nDepth + 1);
    }
    if (node.nOmitted != 0) {
        out << std::string(static_cast<std::size_t>(6 + 2 * nDepth), ' ') << "\xE2\x80\xA6 and " << node.nOmitted
            << " more chunks\n";
    }
}

std::string ValuesText(const CEvent& e) {
    std::string s;
    for (int i = 0; i < e.nValues; ++i) {
        if (i != 0) {
            s += ' ';
        }
        s += e.ppNames[i];
        s += ' ';
        const std::string strName = e.ppNames[i];
        if (strName == "register" || (strName == "value" && e.eType == EEventType::RegisterWrite) ||
            strName == "voices" || strName == "command") {
            s += "0x" + Hex2(static_cast<unsigned>(e.anValue[i]));
        } else {
            s += std::to_string(e.anValue[i]);
        }
    }
    return s;
}

const char* Label(bool bOk) { return bOk ? "ok" : "MISMATCH"; }

}  // namespace

void WriteSummary(std::ostream& out, const CFileDescription& d) {
    out << d.strPath << "\n";
    out << "  generation  ";
    switch (d.eGeneration) {
        case EGeneration::Source:
            out << "Lark/Wren source";
            if (d.nFormat >= 0) {
                out << ", format " << d.nFormat;
            }
            if (d.nContentType >= 0) {
                out << " (content type 0x" << Hex2(static_cast<unsigned>(d.nContentType)) << ")";
            }
            break;
        case EGeneration::Heron: out << "Heron, as Kestrel writes it"; break;
        default: out << "not a VELA file"; break;
    }
    out << "\n  valid       " << (d.bValid ? "yes" : "no: " + d.strReason) << "\n";
    out << "  size        " << d.nSize << " bytes\n";
    for (const CCrcInfo& crc : d.vecCrcs) {
        out << "  crc         " << crc.strName << ": stored 0x" << Hex4(crc.nStored) << ", computed 0x"
            << Hex4(crc.nComputed) << " (" << Label(crc.Ok()) << ")\n";
    }
    if (!d.vecChunks.empty()) {
        out << "  chunks\n";
        for (const CChunkNode& node : d.vecChunks) {
            WriteChunk(out, node, 0);
        }
        if (d.bChunksTooDeep) {
            out << "  limit       nested too deep: chunks more than " << kMaxChunkDepth
                << " levels down are counted, not listed\n";
        }
        if (d.nChunksOmitted != 0) {
            out << "  limit       too large to describe in full: " << d.nChunksOmitted
                << " chunks are counted, not listed\n";
        }
    }
    if (!d.vecTracks.empty()) {
        out << "  tracks\n";
        for (const CTrackInfo& t : d.vecTracks) {
            out << "    " << t.strId << " (" << t.strKind << " track " << t.nTrack << ") at " << t.nOffset;
            if (t.nTimebaseD >= 0) {
                out << ": time base D 0x" << Hex2(static_cast<unsigned>(t.nTimebaseD));
            }
            if (t.nTimebaseG >= 0) {
                out << " G 0x" << Hex2(static_cast<unsigned>(t.nTimebaseG));
            }
            if (!t.vecChannelStatus.empty()) {
                out << (t.strKind == "audio" ? ", wave type/status" : ", channel status");
                for (std::uint8_t by : t.vecChannelStatus) {
                    out << ' ' << Hex2(by);
                }
            }
            if (t.bRead) {
                out << "; " << t.nEvents << " events";
                if (t.nIgnored != 0) {
                    out << " (+" << t.nIgnored << " ignored)";
                }
                out << ", " << t.nLengthTicks << " ticks";
            } else if (d.eGeneration == EGeneration::Source) {
                out << "; not read";
            }
            out << "\n";
        }
        if (d.nTracksOmitted != 0) {
            out << "    \xE2\x80\xA6 and " << d.nTracksOmitted << " more tracks\n";
        }
    }
    if (!d.vecVoices.empty()) {
        out << "  voices\n";
        for (const CVoiceInfo& v : d.vecVoices) {
            if (d.eGeneration == EGeneration::Heron) {
                out << "    voice " << v.nVoice << ", " << v.nBlocks << " operator blocks\n";
            } else {
                out << "    slot " << v.nSlot << " bank " << v.nBank << " program " << v.nProgram << " -> voice "
                    << v.nVoice << "\n";
            }
        }
    }
    if (!d.vecCounts.empty()) {
        out << "  events     ";
        for (const CEventCount& c : d.vecCounts) {
            out << ' ' << c.strType << ' ' << c.nCount << ';';
        }
        out << " length " << d.nLengthTicks << " ticks\n";
    }
    if (!d.vecTempos.empty()) {
        out << "  tempo\n";
        for (const CTempoInfo& t : d.vecTempos) {
            out << "    tick " << t.nTick;
            if (t.nCode >= 0) {
                out << (t.nTrack < 0 ? " (setup data)" : " (track " + std::to_string(t.nTrack) + ")") << ": code "
                    << t.nCode << "\n";
            } else {
                out << ": " << t.nMicroseconds << " us per quarter note\n";
            }
        }
    }
    if (d.bHasPoints) {
        out << "  start/stop  tick " << d.nStartTick << " / tick " << d.nStopTick << "\n";
    }
    if (!d.vecWaves.empty()) {
        out << "  waves\n";
        for (const CWaveInfo& w : d.vecWaves) {
            out << "    " << (d.eGeneration == EGeneration::Heron ? "Mwa" : "Awa") << " " << w.nNumber << " at "
                << w.nOffset << ": " << w.nSize << " bytes";
            if (d.eGeneration == EGeneration::Heron) {
                out << ", rate " << w.nRate;
            } else if (!w.bConverted) {
                out << " (above 32: not converted)";
            }
            out << "\n";
        }
    }
    if (d.bConverted) {
        out << "  converted   ";
        if (d.bConvertedOk) {
            out << d.nConvertedSize << " bytes, check "
                << (d.vecConvertedProblems.empty() ? "passed" : "FAILED: " + heron::JoinProblems(d.vecConvertedProblems));
        } else {
            out << "no: " << d.strConvertReason;
        }
        out << "\n";
    }
    for (const heron::CProblem& problem : d.vecProblems) {
        out << "  problem     " << problem.strCheck << ": " << problem.strDetail << "\n";
    }
}

void WriteEvents(std::ostream& out, const CFileDescription& d) {
    out << d.strPath << "\n";
    out << "        tick  track  ch  event\n";
    char ach[64];
    for (const CEvent& e : d.vecEvents) {
        std::string strChannel = e.nChannel < 0 ? "-" : std::to_string(e.nChannel);
        if (e.bAudio && e.nChannel >= 0) {
            strChannel = "A" + strChannel;
        }
        std::snprintf(ach, sizeof ach, "  %10u  %5d  %3s  ", e.nTick, e.nTrack, strChannel.c_str());
        out << ach << EventTypeName(e.eType);
        if (e.nValues != 0) {
            out << ' ' << ValuesText(e);
        }
        out << "\n";
    }
}

bool PassesCheck(const CFileDescription& d) { return d.eGeneration == EGeneration::Heron && d.vecProblems.empty(); }

void WriteCheck(std::ostream& out, const CFileDescription& d) {
    if (PassesCheck(d)) {
        out << "OK: " << d.strPath << "\n";
        return;
    }
    if (d.eGeneration != EGeneration::Heron) {
        out << "NG: " << d.strPath << ": generation: not a Heron file ("
            << (d.eGeneration == EGeneration::Source ? "a Lark/Wren source" : "not a VELA file") << ")\n";
        return;
    }
    for (const heron::CProblem& problem : d.vecProblems) {
        out << "NG: " << d.strPath << ": " << problem.strCheck << ": " << problem.strDetail << "\n";
    }
}

}  // namespace fileinfo
