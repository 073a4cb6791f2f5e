#include "JsonReport.h"

#include <cstdio>

#include "TextReport.h"

namespace fileinfo {
namespace {

// Length of the UTF-8 sequence at p (1..4), or 0 when it is not valid.
std::size_t Utf8Length(const unsigned char* p, std::size_t nLeft) {
    const unsigned char c = p[0];
    std::size_t n = 0;
    std::uint32_t nMin = 0;
    if (c < 0x80) return 1;
    if ((c & 0xE0) == 0xC0) { n = 2; nMin = 0x80; }
    else if ((c & 0xF0) == 0xE0) { n = 3; nMin = 0x800; }
    else if ((c & 0xF8) == 0xF0) { n = 4; nMin = 0x10000; }
    else return 0;
    if (n > nLeft) return 0;
    std::uint32_t nCode = c & (0x7F >> n);
    for (std::size_t i = 1; i < n; ++i) {
        if ((p[i] & 0xC0) != 0x80) return 0;
        nCode = (nCode << 6) | (p[i] & 0x3F);
    }
    if (nCode < nMin || nCode > 0x10FFFF || (nCode >= 0xD800 && nCode <= 0xDFFF)) return 0;
    return n;
}

// Writes one object or array member by member, placing the commas.
class CJson {
public:
    explicit CJson(std::ostream& out) : m_out(out) {}
    void Open(char ch) { m_out << ch; m_bFirst = true; }
    void Close(char ch) { m_out << ch; m_bFirst = false; }
    CJson& Key(const char* pszKey) {
        Comma();
        m_out << '"' << pszKey << "\":";
        m_bFirst = true;  // the value follows without a comma
        return *this;
    }
    void Value(long long n) { Comma(); m_out << n; }
    void Value(bool b) { Comma(); m_out << (b ? "true" : "false"); }
    void Value(const std::string& s) { Comma(); m_out << JsonString(s); }
    void Null() { Comma(); m_out << "null"; }
    void Element() { Comma(); }  // before an object or array inside an array
    void Raw(const char* psz) { m_out << psz; }

private:
    void Comma() {
        if (!m_bFirst) m_out << ',';
        m_bFirst = false;
    }
    std::ostream& m_out;
    bool m_bFirst = true;
};

void Field(CJson& j, const char* pszKey, long long n) { j.Key(pszKey).Value(n); }
void Field(CJson& j, const char* pszKey, bool b) { j.Key(pszKey).Value(b); }
void Field(CJson& j, const char* pszKey, const std::string& s) { j.Key(pszKey).Value(s); }

void WriteChunk(CJson& j, const CChunkNode& node) {
    j.Element();
    j.Open('{');
    Field(j, "id", node.strId);
    Field(j, "offset", static_cast<long long>(node.nOffset));
    Field(j, "size", static_cast<long long>(node.nSize));
    Field(j, "past_end", node.bPastEnd);
    j.Key("children");
    j.Open('[');
    for (const CChunkNode& child : node.vecChildren) {
        WriteChunk(j, child);
    }
    j.Close(']');
    if (node.nOmitted != 0) {
        Field(j, "omitted", static_cast<long long>(node.nOmitted));
    }
    j.Close('}');
}

void WriteProblems(CJson& j, const char* pszKey, const std::vector<heron::CProblem>& problems) {
    j.Key(pszKey);
    j.Open('[');
    for (const heron::CProblem& p : problems) {
        j.Element();
        j.Open('{');
        Field(j, "check", p.strCheck);
        Field(j, "detail", p.strDetail);
        j.Close('}');
    }
    j.Close(']');
}

void WriteEventArray(CJson& j, const CFileDescription& d) {
    j.Key("events");
    j.Open('[');
    for (const CEvent& e : d.vecEvents) {
        j.Element();
        j.Raw("\n    ");
        j.Open('{');
        Field(j, "tick", static_cast<long long>(e.nTick));
        Field(j, "track", static_cast<long long>(e.nTrack));
        j.Key("channel");
        if (e.nChannel < 0) {
            j.Null();
        } else {
            j.Value(static_cast<long long>(e.nChannel));
        }
        Field(j, "type", std::string(EventTypeName(e.eType)));
        if (e.bAudio) {
            Field(j, "audio", true);
        }
        for (int i = 0; i < e.nValues; ++i) {
            Field(j, e.ppNames[i], static_cast<long long>(e.anValue[i]));
        }
        j.Close('}');
    }
    j.Close(']');
}

void WriteFile(std::ostream& out, const CFileDescription& d, const CJsonOptions& options) {
    CJson j(out);
    j.Open('{');
    Field(j, "schema", static_cast<long long>(kJsonSchema));
    Field(j, "path", d.strPath);
    Field(j, "generation", std::string(GenerationName(d.eGeneration)));
    Field(j, "valid", d.bValid);
    if (!d.bValid) {
        Field(j, "reason", d.strReason);
        Field(j, "reason_code", d.strReasonCode);
    }
    Field(j, "size", static_cast<long long>(d.nSize));
    if (d.nFormat >= 0) {
        Field(j, "format", static_cast<long long>(d.nFormat));
    }
    if (d.nContentType >= 0) {
        Field(j, "content_type", static_cast<long long>(d.nContentType));
    }
    j.Key("crcs");
    j.Open('[');
    for (const CCrcInfo& crc : d.vecCrcs) {
        j.Element();
        j.Open('{');
        Field(j, "name", crc.strName);
        Field(j, "stored", static_cast<long long>(crc.nStored));
        Field(j, "computed", static_cast<long long>(crc.nComputed));
        Field(j, "ok", crc.Ok());
        j.Close('}');
    }
    j.Close(']');
    j.Key("chunks");
    j.Open('[');
    for (const CChunkNode& node : d.vecChunks) {
        WriteChunk(j, node);
    }
    j.Close(']');
    if (d.nChunksOmitted != 0) {
        Field(j, "chunks_omitted", static_cast<long long>(d.nChunksOmitted));
    }
    if (d.bChunksTooDeep) {
        Field(j, "chunks_too_deep", true);
    }
    j.Key("tracks");
    j.Open('[');
    for (const CTrackInfo& t : d.vecTracks) {
        j.Element();
        j.Open('{');
        Field(j, "track", static_cast<long long>(t.nTrack));
        Field(j, "kind", t.strKind);
        Field(j, "id", t.strId);
        Field(j, "offset", static_cast<long long>(t.nOffset));
        if (t.nTimebaseD >= 0) Field(j, "timebase_d", static_cast<long long>(t.nTimebaseD));
        if (t.nTimebaseG >= 0) Field(j, "timebase_g", static_cast<long long>(t.nTimebaseG));
        j.Key("channel_status");
        j.Open('[');
        for (std::uint8_t by : t.vecChannelStatus) j.Value(static_cast<long long>(by));
        j.Close(']');
        Field(j, "read", t.bRead);
        Field(j, "events", static_cast<long long>(t.nEvents));
        Field(j, "ignored", static_cast<long long>(t.nIgnored));
        Field(j, "length_ticks", static_cast<long long>(t.nLengthTicks));
        j.Close('}');
    }
    j.Close(']');
    if (d.nTracksOmitted != 0) {
        Field(j, "tracks_omitted", static_cast<long long>(d.nTracksOmitted));
    }
    j.Key("voices");
    j.Open('[');
    for (const CVoiceInfo& v : d.vecVoices) {
        j.Element();
        j.Open('{');
        if (d.eGeneration == EGeneration::Heron) {
            Field(j, "voice", static_cast<long long>(v.nVoice));
            Field(j, "blocks", static_cast<long long>(v.nBlocks));
        } else {
            Field(j, "slot", static_cast<long long>(v.nSlot));
            Field(j, "bank", static_cast<long long>(v.nBank));
            Field(j, "program", static_cast<long long>(v.nProgram));
            j.Key("voice");
            if (v.nVoice < 0) j.Null(); else j.Value(static_cast<long long>(v.nVoice));
        }
        j.Close('}');
    }
    j.Close(']');
    j.Key("counts");
    j.Open('{');
    for (const CEventCount& c : d.vecCounts) {
        Field(j, c.strType.c_str(), static_cast<long long>(c.nCount));
    }
    j.Close('}');
    Field(j, "length_ticks", static_cast<long long>(d.nLengthTicks));
    j.Key("tempo");
    j.Open('[');
    for (const CTempoInfo& t : d.vecTempos) {
        j.Element();
        j.Open('{');
        Field(j, "tick", static_cast<long long>(t.nTick));
        j.Key("track");
        if (t.nTrack < 0) j.Null(); else j.Value(static_cast<long long>(t.nTrack));
        if (t.nCode >= 0) {
            Field(j, "code", static_cast<long long>(t.nCode));
        } else {
            Field(j, "microseconds", static_cast<long long>(t.nMicroseconds));
        }
        j.Close('}');
    }
    j.Close(']');
    if (d.bHasPoints) {
        Field(j, "start_tick", static_cast<long long>(d.nStartTick));
        Field(j, "stop_tick", static_cast<long long>(d.nStopTick));
    }
    j.Key("waves");
    j.Open('[');
    for (const CWaveInfo& w : d.vecWaves) {
        j.Element();
        j.Open('{');
        Field(j, "number", static_cast<long long>(w.nNumber));
        Field(j, "offset", static_cast<long long>(w.nOffset));
        Field(j, "size", static_cast<long long>(w.nSize));
        if (d.eGeneration == EGeneration::Heron) {
            Field(j, "rate", static_cast<long long>(w.nRate));
        } else {
            Field(j, "converted", w.bConverted);
        }
        j.Close('}');
    }
    j.Close(']');
    if (d.eGeneration == EGeneration::Heron) {
        WriteProblems(j, "problems", d.vecProblems);
    }
    if (d.bConverted) {
        j.Key("converted");
        j.Open('{');
        Field(j, "valid", d.bConvertedOk);
        if (d.bConvertedOk) {
            Field(j, "size", static_cast<long long>(d.nConvertedSize));
            WriteProblems(j, "problems", d.vecConvertedProblems);
        } else {
            Field(j, "reason", d.strConvertReason);
        }
        j.Close('}');
    }
    if (options.bCheck) {
        j.Key("check");
        j.Open('{');
        Field(j, "passed", PassesCheck(d));
        if (d.eGeneration != EGeneration::Heron) {
            WriteProblems(j, "problems", {{"generation", "not a Heron file"}});
        } else {
            WriteProblems(j, "problems", d.vecProblems);
        }
        j.Close('}');
    }
    if (options.bEvents) {
        WriteEventArray(j, d);
    }
    j.Close('}');
}

}  // namespace

std::string JsonString(const std::string& strText) {
    std::string s = "\"";
    const auto* p = reinterpret_cast<const unsigned char*>(strText.data());
    const std::size_t n = strText.size();
    for (std::size_t i = 0; i < n;) {
        const unsigned char c = p[i];
        if (c == '"' || c == '\\') {
            s += '\\';
            s += static_cast<char>(c);
            ++i;
        } else if (c < 0x20) {
            char ach[8];
            std::snprintf(ach, sizeof ach, "\\u%04x", c);
            s += ach;
            ++i;
        } else if (c < 0x80) {
            s += static_cast<char>(c);
            ++i;
        } else if (const std::size_t nLen = Utf8Length(p + i, n - i); nLen != 0) {
            s.append(strText, i, nLen);
            i += nLen;
        } else {
            s += "\xEF\xBF\xBD";
            ++i;
        }
    }
    return s + "\"";
}

void WriteJsonItem(std::ostream& out, const CFileDescription& d, const CJsonOptions& options, std::size_t nIndex) {
    out << (nIndex == 0 ? "[\n  " : ",\n  ");
    WriteFile(out, d, options);
}

void EndJson(std::ostream& out, std::size_t nItems) { out << (nItems == 0 ? "[]\n" : "\n]\n"); }

void WriteJson(std::ostream& out, const std::vector<CFileDescription>& files, const CJsonOptions& options) {
    for (std::size_t i = 0; i < files.size(); ++i) {
        WriteJsonItem(out, files[i], options, i);
    }
    EndJson(out, files.size());
}

}  // namespace fileinfo
