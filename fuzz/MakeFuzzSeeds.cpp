// Writes the seed corpus of the fuzz targets into a folder:
// make_fuzz_seeds <folder> [FILE...]. The seeds are the shared sample set,
// small generated files of both formats, and a few hand-made files that each
// reach one corner of the analysis (audio track, seek points, tags,
// overrunning sizes, truncated messages), all kept small so the fuzzer
// mutates quickly; then the Heron files the converter makes of them and of
// the named FILEs, for the description library's target.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "ByteBuffer.h"
#include "CnvLarkWrentoHeron.h"
#include "SampleFiles.h"
#include "VelaBuilder.h"

namespace fs = std::filesystem;
using vela::Bytes;

namespace {

struct CSeed {
    std::string strName;
    Bytes vecBytes;
};

Bytes SameTimeRegisters() {
    // Format 1: B0/C0 writes at equal times on two tracks, key-ons on a
    // sounding channel, key-offs without a key-on.
    vela::CSetupBuilder setup;
    setup.VoiceFormat1(0, 0, 1, vela::Format1VoiceParams(0, 1)).VoiceFormat1(1, 2, 1, vela::Format1VoiceParams(3, 2));
    vela::CSequenceBuilder t1;
    t1.KeyOn(0, 3, 580, 4).RegisterWrite(0, 0xB3, 0x10).KeyOn(10, 3, 600, 5).KeyOff(0, 4).KeyOff(20, 3)
        .BankSelect(0, 0, 2).ProgramChange(0, 0, 1).Note(0, 0, 1, 1, 10).EndOfSequence(0);
    vela::CSequenceBuilder t2;
    t2.RegisterWrite(0, 0xB3, 0x20).KeyOn(10, 3, 100, 1).ProgramChange(0, 1, 1).KeyOff(20, 3).EndOfSequence(0);
    return vela::CVelaFile()
        .Add(vela::ContentsInfo(0x01))
        .Add(vela::ScoreTrack(1).Add(vela::Setup(setup)).Add(vela::ScoreSequence(t1)))
        .Add(vela::ScoreTrack(2).Add(vela::ScoreSequence(t2)))
        .ToBytes();
}

Bytes OverlappingNotesFormat0() {
    vela::CSequenceBuilder seq;
    seq.Note(0, 1, 2, 5, 100).Note(50, 1, 2, 5, 100).Note(0, 1, 2, 5, 20).OctaveShift(0, 1, 0x81)
        .Note(10, 1, 3, 5, 40).Note(0, 2, 0, 1, 0).Note(0, 2, 0, 1, 5).EndOfSequence(10);
    vela::CSequenceBuilder seq3;
    seq3.Note(0, 1, 2, 5, 300).EndOfSequence(0);
    return vela::CVelaFile()
        .Add(vela::ContentsInfo(0x00))
        .Add(vela::ScoreTrack(0).Add(vela::ScoreSequence(seq)))
        .Add(vela::ScoreTrack(3).Add(vela::ScoreSequence(seq3)))
        .ToBytes();
}

Bytes ShortMessages() {
    // Exclusives whose length byte is too small for their prefix, unknown
    // FF events, ignored controls, a short voice definition.
    vela::CSetupBuilder setup;
    setup.Exclusive({0x43, 0x03, 0x02}).Exclusive({0x43, 0x02, 0x00, 0x00});
    vela::CSequenceBuilder seq;
    seq.Exclusive(0, {0x43, 0x03, 0x90}).Exclusive(0, {0x43, 0x03}).Raw({0x00, 0xFF, 0x20})
        .Raw({0x00, 0x00, 0x35, 0x01}).Raw({0x00, 0x00, 0x00, 0x05}).ShortFF(0, 0x0F).ShortFF(0, 0x2F)
        .PitchBendShort(0, 0, 0).ModulationShort(0, 1, 15).ExpressionShort(0, 2, 0).EndOfSequence(0);
    return vela::CVelaFile()
        .Add(vela::ContentsInfo(0x40))
        .Add(vela::ScoreTrack(0).Add(vela::Setup(setup)).Add(vela::ScoreSequence(seq)))
        .ToBytes();
}

Bytes OverrunningChunk() {
    vela::CSequenceBuilder seq;
    seq.Note(0, 0, 1, 1, 10).EndOfSequence(0);
    vela::CChunk sequence = vela::ScoreSequence(seq);
    sequence.OverrideSize(0x100);
    return vela::CVelaFile().Add(vela::ContentsInfo(0x00)).Add(vela::ScoreTrack(0).Add(sequence)).ToBytes();
}

Bytes SeekPointsAndTags() {
    vela::CSequenceBuilder seq;
    seq.Note(0, 0, 1, 1, 10);
    const std::uint32_t nStart = seq.Offset();
    seq.Note(5, 1, 1, 2, 10).Tempo(5, 0x30);
    const std::uint32_t nStop = seq.Offset();
    seq.Note(5, 2, 1, 3, 10).EndOfSequence(0);
    return vela::CVelaFile()
        .Add(vela::ContentsInfo(0x21, std::string_view("L2:\x0C,L2:\x0F,L2:L2:\x05,", 18)))
        .Add(vela::ScoreTrack(3).Add(vela::ScoreSequence(seq)).Add(vela::SeekAndPhrase(nStart, nStop)))
        .ToBytes();
}

std::vector<CSeed> MakeSeeds() {
    std::vector<CSeed> seeds;
    for (const auto& sample : vela::MakeSampleFiles()) {
        if (sample.vecBytes.size() <= 4096) {
            std::string strName = sample.strPath;
            for (char& c : strName) {
                c = c == '/' ? '_' : c;
            }
            seeds.push_back({"sample_" + strName, sample.vecBytes});
        }
    }
    int nIndex = 0;
    for (std::uint8_t byFormat : {0, 1}) {
        for (std::uint32_t nEvents : {8u, 40u, 150u}) {
            for (bool bRegisters : {false, true}) {
                vela::CLargeInputOptions options;
                options.byFormat = byFormat;
                options.nEvents = nEvents;
                options.bRegisterWrites = bRegisters;
                options.nSeed = static_cast<std::uint32_t>(++nIndex);
                seeds.push_back({"generated_f" + std::to_string(byFormat) + "_" + std::to_string(nEvents) +
                                     (bRegisters ? "_regs" : "") + ".mmf",
                                 vela::MakeLargeInput(options)});
            }
        }
    }
    seeds.push_back({"same_time_registers.mmf", SameTimeRegisters()});
    seeds.push_back({"overlapping_notes_f0.mmf", OverlappingNotesFormat0()});
    seeds.push_back({"short_messages.mmf", ShortMessages()});
    seeds.push_back({"overrunning_chunk.mmf", OverrunningChunk()});
    seeds.push_back({"seek_points_and_tags.mmf", SeekPointsAndTags()});
    return seeds;
}

// The converter's output for each source that converts.
std::vector<CSeed> HeronOutputs(const std::vector<CSeed>& sources) {
    std::vector<CSeed> outputs;
    for (const CSeed& source : sources) {
        CCnvLarkWrentoHeron converter;
        ByteBuffer out;
        const Bytes& bytes = source.vecBytes;
        if (converter.Convert(bytes.data(), static_cast<std::int32_t>(bytes.size()), out) == 1) {
            outputs.push_back({"heron_" + source.strName, out.Bytes()});
        }
    }
    return outputs;
}

Bytes ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: make_fuzz_seeds <output folder> [source file...]\n";
        return 2;
    }
    const fs::path root = argv[1];
    std::error_code error;
    fs::create_directories(root, error);
    std::vector<CSeed> seeds = MakeSeeds();
    std::vector<CSeed> named;
    for (int i = 2; i < argc; ++i) {
        const fs::path path = argv[i];
        named.push_back({"file_" + path.parent_path().filename().string() + "_" + path.filename().string(),
                         ReadFile(path)});
    }
    std::vector<CSeed> outputs = HeronOutputs(seeds);
    for (CSeed& output : HeronOutputs(named)) {
        outputs.push_back(std::move(output));
    }
    for (CSeed& output : outputs) {
        seeds.push_back(std::move(output));
    }
    for (const CSeed& seed : seeds) {
        std::ofstream out(root / seed.strName, std::ios::binary);
        out.write(reinterpret_cast<const char*>(seed.vecBytes.data()), static_cast<std::streamsize>(seed.vecBytes.size()));
        if (!out) {
            std::cerr << "cannot write " << (root / seed.strName).string() << "\n";
            return 1;
        }
    }
    return 0;
}
