// libFuzzer entry for the description library behind kestrel-info: every
// printer (summary, events, JSON with the check and events, the check
// lines, the piano roll) and the Heron checker run over the description of
// the fuzzer's bytes as they stand and, unless they are a Heron file, again
// with "MMMD", the size field and the file CRC made right, so that inputs
// also reach the analysis and the conversion. Inputs up to 1 MiB reach the depth and size bounds.
// Beyond the sanitizers, every run checks that what a description holds
// and prints stays within its bounds.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ostream>
#include <streambuf>
#include <vector>

#include "ChunkTree.h"
#include "Crc16.h"
#include "FileDescription.h"
#include "HeronCheck.h"
#include "JsonReport.h"
#include "PianoRoll.h"
#include "TextReport.h"

namespace {

constexpr std::size_t kMaxInput = std::size_t{1} << 20;

[[noreturn]] void Fail(const char* pWhat) {
    std::fprintf(stderr, "fuzz_describe: %s\n", pWhat);
    std::abort();
}

// Counts what a printer writes without keeping it.
class CCountingBuffer final : public std::streambuf {
public:
    CCountingBuffer() { setp(m_ach, m_ach + sizeof m_ach); }
    std::size_t Count() const { return m_nFlushed + static_cast<std::size_t>(pptr() - pbase()); }

protected:
    int_type overflow(int_type ch) override {
        m_nFlushed += static_cast<std::size_t>(pptr() - pbase()) + 1;
        setp(m_ach, m_ach + sizeof m_ach);
        return traits_type::not_eof(ch);
    }

private:
    char m_ach[4096];
    std::size_t m_nFlushed = 0;
};

// Kept chunks and their depth, without recursing.
void CheckChunkTree(const fileinfo::CFileDescription& d) {
    struct CAt {
        const fileinfo::CChunkNode* pNode;
        std::size_t nDepth;
    };
    std::vector<CAt> vecTodo;
    for (const fileinfo::CChunkNode& node : d.vecChunks) {
        vecTodo.push_back({&node, 0});
    }
    std::size_t nNodes = 0;
    while (!vecTodo.empty()) {
        const CAt at = vecTodo.back();
        vecTodo.pop_back();
        ++nNodes;
        if (at.nDepth > fileinfo::kMaxChunkDepth || at.pNode->vecChildren.size() > fileinfo::kMaxChunksPerLevel) {
            Fail("the chunk tree keeps more levels or children than its bounds");
        }
        for (const fileinfo::CChunkNode& child : at.pNode->vecChildren) {
            vecTodo.push_back({&child, at.nDepth + 1});
        }
    }
    if (nNodes > fileinfo::kMaxChunks + 1 || d.vecTracks.size() > fileinfo::kMaxTracks) {
        Fail("the description keeps more chunks or tracks than its bounds");
    }
}

// What one printer may write for an input of nSize bytes: linear in it.
void CheckOutput(const CCountingBuffer& counted, std::size_t nSize, const char* pWhat) {
    if (counted.Count() > 256 * nSize + 2 * 1024 * 1024) {
        Fail(pWhat);
    }
}

fileinfo::EGeneration DescribeAndPrint(const std::uint8_t* pBytes, std::size_t nSize) {
    fileinfo::CDescribeOptions options;
    options.bEvents = true;
    options.bNotes = true;
    const fileinfo::CFileDescription d = fileinfo::DescribeFile("fuzz.mmf", pBytes, nSize, options);
    if (d.nSize != nSize) {
        Fail("the description gives another size");
    }
    CheckChunkTree(d);

    const auto print = [&](const char* pWhat, const auto& write) {
        CCountingBuffer counted;
        std::ostream out(&counted);
        write(out);
        CheckOutput(counted, nSize, pWhat);
    };
    print("the summary is too long", [&](std::ostream& out) { fileinfo::WriteSummary(out, d); });
    print("the event listing is too long", [&](std::ostream& out) { fileinfo::WriteEvents(out, d); });
    print("the check lines are too long", [&](std::ostream& out) { fileinfo::WriteCheck(out, d); });
    print("the JSON document is too long", [&](std::ostream& out) {
        fileinfo::CJsonOptions json;
        json.bEvents = true;
        json.bCheck = true;
        fileinfo::WriteJsonItem(out, d, json, 0);
        fileinfo::EndJson(out, 1);
    });
    print("the piano roll is too long", [&](std::ostream& out) { fileinfo::WritePianoRoll(out, d); });
    if (fileinfo::PassesCheck(d) != heron::CheckFile(pBytes, nSize).empty() &&
        d.eGeneration == fileinfo::EGeneration::Heron) {
        Fail("the description and the checker disagree on a Heron file");
    }
    return d.eGeneration;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    if (nSize > kMaxInput) {
        return -1;
    }
    // Copies of exactly nSize bytes, so ASan catches a read past the end.
    std::vector<std::uint8_t> vecInput(pData, pData + nSize);
    // A Heron description reads no CRC but checks it; the run as it stands
    // covers it.
    if (DescribeAndPrint(vecInput.data(), nSize) == fileinfo::EGeneration::Heron || nSize < 10) {
        return 0;
    }
    std::memcpy(vecInput.data(), "MMMD", 4);
    const auto nField = static_cast<std::uint32_t>(nSize - 8);
    for (int i = 0; i < 4; ++i) {
        vecInput[4 + i] = static_cast<std::uint8_t>(nField >> (24 - 8 * i));
    }
    const std::uint16_t nCrc = Crc16(vecInput.data(), static_cast<std::int64_t>(nSize - 2));
    vecInput[nSize - 2] = static_cast<std::uint8_t>(nCrc >> 8);
    vecInput[nSize - 1] = static_cast<std::uint8_t>(nCrc & 0xFF);
    if (std::memcmp(vecInput.data(), pData, nSize) != 0) {
        DescribeAndPrint(vecInput.data(), nSize);
    }
    return 0;
}
